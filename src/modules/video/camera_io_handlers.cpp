// Camera alarm I/O linkage (/6090, /6091) and audio volume detection
// (/6092, /6093): stored on the recorder, carried out by the camera.
#include <json-c/json.h>

#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr JsonRule kCameraIoRules[] = {
    {"camId", true, JsonType::kInt, 0, kChannels - 1},
    {"enable", true, JsonType::kInt, 0, 1},
    {"type", true, JsonType::kInt, 0, INT32_MAX},
    {"triActions", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"triChannels", true, JsonType::kText, 0, INT32_MAX},
};
constexpr JsonRule kVolumeRules[] = {
    {"camId", true, JsonType::kInt, 0, kChannels - 1},
    {"enable", true, JsonType::kInt, 0, 1},
    {"type", true, JsonType::kInt, 0, INT32_MAX},
    {"volume", true, JsonType::kInt, 0, INT32_MAX},
    {"duration", true, JsonType::kInt, 0, INT32_MAX},
    {"onEvent", true, JsonType::kInt, 0, INT32_MAX},
    {"offEvent", true, JsonType::kInt, 0, INT32_MAX},
    {"ongoingEvent", true, JsonType::kInt, 0, INT32_MAX},
    {"triActions", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"triChannels", true, JsonType::kText, 0, INT32_MAX},
};
constexpr Field kCameraIoSet[] = {
    FIELD(CameraIoRec, chn, "camId"),
    FIELD(CameraIoRec, enable, "enable"),
    FIELD(CameraIoRec, tri_actions, "triActions"),
    FIELD(CameraIoRec, tri_channels, "triChannels"),
};

void derive_mask(void* rec) {
  auto* r = static_cast<CameraIoRec*>(rec);
  r->tri_mask = channel_string_mask(r->tri_channels);
}

void notify_camera_io(const json_object* req, const void* rec) {
  const auto* r = static_cast<const CameraIoRec*>(rec);
  CamIoNotice n{r->chn, r->enable, 0};
  json_get_int(req, "type", &n.type);
  ipc_send(on_video_ipc_callback, kReqCamIoSet, n);
}

void notify_volume(const json_object* req, const void* rec) {
  const auto* r = static_cast<const CameraIoRec*>(rec);
  static constexpr Field kNotice[] = {
      FIELD(VolumeNotice, type, "type"),         FIELD(VolumeNotice, volume, "volume"),
      FIELD(VolumeNotice, duration, "duration"), FIELD(VolumeNotice, on_event, "onEvent"),
      FIELD(VolumeNotice, off_event, "offEvent"), FIELD(VolumeNotice, ongoing_event, "ongoingEvent"),
  };
  VolumeNotice n{};
  fields_from_json(req, &n, kNotice);
  n.chn = r->chn;
  n.enable = r->enable;
  ipc_send(on_video_ipc_callback, kReqVolumeSet, n);
}

constexpr DbPage kCameraIoPage = {
    db_read<CameraIoRec, read_cameraio>, db_write<CameraIoRec, write_cameraio>, {}, kCameraIoRules,
    kCameraIoSet, derive_mask, notify_camera_io, kLogParamCameraIo,
};
constexpr DbPage kVolumePage = {
    db_read<CameraIoRec, read_volumedetect>, db_write<CameraIoRec, write_volumedetect>, {}, kVolumeRules,
    kCameraIoSet, derive_mask, notify_volume, kLogParamVolume,
};
}  // namespace

void on_get_camera_io_cb(const IpcReply& r) {
  static constexpr Field kFields[] = {
      FIELD(CamIoReply, chn, "camId"),
      FIELD(CamIoReply, enable, "enable"),
      FIELD(CamIoReply, type, "type"),
      FIELD(CamIoReply, tri_actions, "triActions"),
      FIELD(CamIoReply, tri_channels, "triChannels"),
  };
  if (r.count >= 1) answer_json(fields_json(r.payload, kFields));
}

void on_get_volume_detect_cb(const IpcReply& r) {
  static constexpr Field kFields[] = {
      FIELD(VolumeReply, chn, "camId"),
      FIELD(VolumeReply, enable, "enable"),
      FIELD(VolumeReply, type, "type"),
      FIELD(VolumeReply, volume, "volume"),
      FIELD(VolumeReply, duration, "duration"),
      FIELD(VolumeReply, on_event, "onEvent"),
      FIELD(VolumeReply, off_event, "offEvent"),
      FIELD(VolumeReply, ongoing_event, "ongoingEvent"),
      FIELD(VolumeReply, tri_actions, "triActions"),
      FIELD(VolumeReply, tri_channels, "triChannels"),
  };
  if (r.count >= 1) answer_json(fields_json(r.payload, kFields));
}

void on_get_camera_io(char* text) {
  int chn = channel_of_text(text);
  if (chn >= 0) forward_channel(kReqCamIoGet, chn, ErrMode::kJson);
}

void on_set_camera_io(char* text) { db_page_set(kCameraIoPage, text); }

void on_get_volume_detect(char* text) {
  int chn = channel_of_text(text);
  if (chn >= 0) forward_channel(kReqVolumeGet, chn, ErrMode::kJson);
}

void on_set_volume_detect(char* text) { db_page_set(kVolumePage, text); }
