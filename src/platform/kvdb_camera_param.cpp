// Camera protocol, model and exposure families.
#include "platform/kvdb_camera_param.h"

#include "base/text.h"
#include "platform/kvdb.h"
#include "platform/kvdb_camera.h"

namespace {
int factory_protocols(kvdb::Txn& t);
int factory_models(kvdb::Txn& t);

constexpr kvdb::Column kProtocolCols[] = {
    KVDB_COL(IpcProtocolRec, id),
    KVDB_COL(IpcProtocolRec, name),
    KVDB_COL_AS(IpcProtocolRec, function, "protocol_function"),
    KVDB_COL(IpcProtocolRec, enable),
    KVDB_COL(IpcProtocolRec, display_model),
};
constexpr kvdb::Family kProtocolFamily =
    kvdb::family<IpcProtocolRec>("ipc_protocol", "ipc_protocol", kProtocolCols, 1, factory_protocols);
KVDB_REGISTER(kProtocolFamily);

constexpr kvdb::Column kModelCols[] = {
    KVDB_COL(IpcModelRec, id),         KVDB_COL(IpcModelRec, protocol),      KVDB_COL(IpcModelRec, name),
    KVDB_COL(IpcModelRec, alarm_type), KVDB_COL(IpcModelRec, default_model),
};
constexpr kvdb::Family kModelFamily =
    kvdb::family<IpcModelRec>("ipc_models", "ipc_models", kModelCols, 1, factory_models);
KVDB_REGISTER(kModelFamily);

constexpr kvdb::Column kChannelModelCols[] = {KVDB_COL(IpcChannelModelRec, id), KVDB_COL(IpcChannelModelRec, model)};
constexpr kvdb::Family kChannelModelFamily =
    kvdb::family<IpcChannelModelRec>("ipc_model", "ipc_model", kChannelModelCols, 1);
KVDB_REGISTER(kChannelModelFamily);

constexpr kvdb::Column kExposureCols[] = {
    KVDB_COL(ExposureRec, id),
    KVDB_COL(ExposureRec, exposure),
    KVDB_COL(ExposureRec, exposure_time),
    KVDB_COL(ExposureRec, gain_level),
};
constexpr kvdb::Family kExposureFamily = kvdb::family<ExposureRec>("exposure", "exposure", kExposureCols, 1);
KVDB_REGISTER(kExposureFamily);

struct FactoryProtocol {
  int32_t id;
  const char* name;
  int32_t function;
  int32_t display_model;
};
// The protocol list a recorder ships: the open standards first, our own
// camera protocol, then the makes the recorder talks to directly.
constexpr FactoryProtocol kProtocols[] = {
    {0, "ONVIF", 1, 0}, {1, "RTSP", 2, 0}, {2, "KVSF", 1, 0}, {3, "Vendor A", 1, 1},
    {4, "Vendor B", 1, 1}, {5, "Vendor C", 1, 0}, {6, "Vendor D", 1, 0}, {7, "Analog", 0, 0},
};

int factory_protocols(kvdb::Txn& t) {
  for (const FactoryProtocol& p : kProtocols) {
    IpcProtocolRec r{};
    r.id = p.id;
    copy_text(r.name, p.name);
    r.function = p.function;
    r.enable = 1;
    r.display_model = p.display_model;
    if (t.put(kProtocolFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

struct FactoryModel {
  int32_t protocol;
  const char* name;
  int32_t alarm_type;
  int32_t default_model;
};
constexpr FactoryModel kModels[] = {
    {2, "KV-B2041", 1, 1}, {2, "KV-D4052", 1, 0}, {2, "KV-F8073", 2, 0},
    {3, "A-IPC200", 0, 1}, {3, "A-IPC400", 1, 0}, {4, "B-DOME2", 0, 1},
};

int factory_models(kvdb::Txn& t) {
  int id = 0;
  for (const FactoryModel& m : kModels) {
    IpcModelRec r{};
    r.id = id++;
    r.protocol = m.protocol;
    copy_text(r.name, m.name);
    r.alarm_type = m.alarm_type;
    r.default_model = m.default_model;
    if (t.put(kModelFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

bool valid_channel(int chn) { return chn >= 0 && chn < kCameraChannels; }
}  // namespace

int read_ipc_protocols(const char* path, IpcProtocolRec* recs, int max, int* count) {
  return kvdb::read_list(path, kProtocolFamily, nullptr, {}, recs, max, count);
}

int write_ipc_protocol(const char* path, const IpcProtocolRec* rec) {
  return kvdb::write_one(path, kProtocolFamily, nullptr, {}, rec);
}

int read_ipc_models_by_protocol(const char* path, int protocol, IpcModelRec* recs, int max, int* count) {
  return kvdb::read_list(path, kModelFamily, nullptr, {{"protocol", protocol}}, recs, max, count);
}

int read_ipc_model(const char* path, IpcChannelModelRec* rec, int chn) {
  int r = kvdb::read_one(path, kChannelModelFamily, nullptr, {{"id", chn}}, rec);
  if (rec) rec->id = chn;
  return r;
}

int write_ipc_model(const char* path, const IpcChannelModelRec* rec) {
  if (!rec || !valid_channel(rec->id)) return -1;
  return kvdb::write_one(path, kChannelModelFamily, nullptr, {}, rec);
}

int read_exposure(const char* path, ExposureRec* rec, int chn) {
  int r = kvdb::read_one(path, kExposureFamily, nullptr, {{"id", chn}}, rec);
  if (rec) rec->id = chn;
  return r;
}

int write_exposure(const char* path, const ExposureRec* rec) {
  if (!rec || !valid_channel(rec->id)) return -1;
  return kvdb::write_one(path, kExposureFamily, nullptr, {}, rec);
}
