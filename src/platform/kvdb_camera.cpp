// Camera channel family: one row per channel, present from the factory so
// that column updates (ANR, recorded stream) reach every channel.
#include "platform/kvdb_camera.h"

#include "base/text.h"
#include "platform/kvdb.h"

namespace {
int factory_cameras(kvdb::Txn& t);

constexpr kvdb::Column kCameraCols[] = {
    KVDB_COL(CameraRec, id),
    KVDB_COL(CameraRec, enable),
    KVDB_COL(CameraRec, ip),
    KVDB_COL(CameraRec, manage_port),
    KVDB_COL(CameraRec, protocol),
    KVDB_COL(CameraRec, user),
    KVDB_COL(CameraRec, password),
    KVDB_COL(CameraRec, transmit_protocol),
    KVDB_COL(CameraRec, sub_rtsp_enable),
    KVDB_COL(CameraRec, sync_time),
    KVDB_COL(CameraRec, main_rtsp_port),
    KVDB_COL(CameraRec, sub_rtsp_port),
    KVDB_COL(CameraRec, main_source_path),
    KVDB_COL(CameraRec, sub_source_path),
    KVDB_COL(CameraRec, main_rtsp_url),
    KVDB_COL(CameraRec, sub_rtsp_url),
    KVDB_COL(CameraRec, mac),
    KVDB_COL(CameraRec, poe_channel),
    KVDB_COL(CameraRec, physical_port),
    KVDB_COL(CameraRec, ddns),
    KVDB_COL(CameraRec, https_port),
    KVDB_COL(CameraRec, minor_id),
    KVDB_COL(CameraRec, anr),
    KVDB_COL(CameraRec, record_stream),
};
constexpr kvdb::Family kCameraFamily = kvdb::family<CameraRec>("camera", "camera", kCameraCols, 1, factory_cameras);
KVDB_REGISTER(kCameraFamily);

// Empty channels: no camera added yet, TCP transport, time sync on.
int factory_cameras(kvdb::Txn& t) {
  for (int i = 0; i < kCameraChannels; ++i) {
    CameraRec c{};
    c.id = i;
    c.transmit_protocol = 1;
    c.sync_time = 1;
    c.main_rtsp_port = 554;
    c.sub_rtsp_port = 554;
    c.https_port = 443;
    if (t.put(kCameraFamily, nullptr, {}, &c) != 0) return -1;
  }
  return 0;
}
}  // namespace

int read_camera(const char* path, CameraRec* rec, int chn) {
  int r = kvdb::read_one(path, kCameraFamily, nullptr, {{"id", chn}}, rec);
  if (rec) rec->id = chn;
  return r;
}

int read_cameras(const char* path, CameraRec* recs, int* count) {
  int r = kvdb::read_slots(path, kCameraFamily, nullptr, "id", recs, kCameraChannels);
  for (int i = 0; i < kCameraChannels; ++i) recs[i].id = i;
  if (count) *count = kCameraChannels;
  return r;
}

int write_camera(const char* path, const CameraRec* rec) {
  if (!rec || rec->id < 0 || rec->id >= kCameraChannels) return -1;
  return kvdb::write_one(path, kCameraFamily, nullptr, {}, rec);
}

int write_camera_ips(const char* path, const CameraIpSlot* slots, int n) {
  if (n < 0 || (n > 0 && !slots)) return -1;
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i) {
      const CameraIpSlot& s = slots[i];
      if (s.chn < 0 || s.chn >= kCameraChannels) return -1;
      CameraRec c{};
      if (t.get(kCameraFamily, nullptr, {{"id", s.chn}}, &c) < 0) return -1;
      c.id = s.chn;
      copy_field(c.ip, s.ip);
      if (t.put(kCameraFamily, nullptr, {}, &c) != 0) return -1;
    }
    return 0;
  }, &kCameraFamily);
}
