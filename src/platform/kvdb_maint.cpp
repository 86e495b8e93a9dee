#include "platform/kvdb_maint.h"

#include <cstddef>

#include "platform/kvdb.h"

namespace {
int factory_disk_maintain(kvdb::Txn& t);
int factory_autoreboot(kvdb::Txn& t);

constexpr kvdb::Column kDiskMaintainCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(DiskMaintain, logRetention),
    KVDB_COL(DiskMaintain, photoRetention),
};
constexpr kvdb::Family kDiskMaintainFamily =
    kvdb::family<DiskMaintain>("disk_maintain", "disk_maintain", kDiskMaintainCols, 1, factory_disk_maintain);
KVDB_REGISTER(kDiskMaintainFamily);

constexpr kvdb::Column kAutoRebootCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(AutoReboot, enable),
    KVDB_COL(AutoReboot, wday),
    KVDB_COL(AutoReboot, hour),
    KVDB_COL(AutoReboot, minutes),
    KVDB_COL(AutoReboot, seconds),
};
constexpr kvdb::Family kAutoRebootFamily =
    kvdb::family<AutoReboot>("autoreboot", "autoreboot", kAutoRebootCols, 1, factory_autoreboot);
KVDB_REGISTER(kAutoRebootFamily);

// Logs and snapshots are kept until the disks recycle them.
int factory_disk_maintain(kvdb::Txn& t) {
  DiskMaintain r{};
  return t.put(kDiskMaintainFamily, nullptr, {{"id", 0}}, &r);
}

// Off; when enabled, every day at 03:00.
int factory_autoreboot(kvdb::Txn& t) {
  AutoReboot r{0, 7, 3, 0, 0};
  return t.put(kAutoRebootFamily, nullptr, {{"id", 0}}, &r);
}
}  // namespace

int read_disk_maintain_info(const char* db, DiskMaintain* rec) {
  return kvdb::read_one(db, kDiskMaintainFamily, nullptr, {{"id", 0}}, rec);
}
int write_disk_maintain_info(const char* db, const DiskMaintain* rec) {
  return kvdb::write_one(db, kDiskMaintainFamily, nullptr, {{"id", 0}}, rec);
}
int read_autoreboot_conf(const char* db, AutoReboot* rec) {
  return kvdb::read_one(db, kAutoRebootFamily, nullptr, {{"id", 0}}, rec);
}
int write_autoreboot_conf(const char* db, const AutoReboot* rec) {
  return kvdb::write_one(db, kAutoRebootFamily, nullptr, {{"id", 0}}, rec);
}
