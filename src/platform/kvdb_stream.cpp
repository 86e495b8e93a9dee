#include "platform/kvdb_stream.h"

#include <cstddef>

#include "base/text.h"
#include "platform/kvdb.h"

namespace {
int factory_device(kvdb::Txn& t);

constexpr kvdb::Column kDeviceCols[] = {
    KVDB_COL(StoredDevice, id),
    KVDB_COL(StoredDevice, name),
    KVDB_COL(StoredDevice, max_cameras),
};
constexpr kvdb::Family kDeviceFamily = kvdb::family<StoredDevice>("device", "device", kDeviceCols, 1, factory_device);
KVDB_REGISTER(kDeviceFamily);

// A 16-channel recorder.
int factory_device(kvdb::Txn& t) {
  StoredDevice d{};
  copy_text(d.name, "NVR");
  d.max_cameras = 16;
  return t.put(kDeviceFamily, nullptr, {}, &d);
}
}  // namespace

int db_get_device(const char* db, StoredDevice* rec) {
  return kvdb::read_one(db, kDeviceFamily, nullptr, {{"id", 0}}, rec);
}

int db_set_device(const char* db, const StoredDevice* rec) {
  return kvdb::write_one(db, kDeviceFamily, nullptr, {}, rec);
}
