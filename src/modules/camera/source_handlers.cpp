// Event sources with an action set of their own: point-of-sale devices (all
// devices with the action of one, /2073; the save of one device with its
// action, /2074) and camera face detection (/2077).
#include <json-c/json.h>

#include <algorithm>
#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/camera/camera_module.h"
#include "platform/kvdb_face.h"
#include "platform/kvdb_pos.h"
#include "proto/face_proto.h"
#include "proto/peoplecnt_proto.h"

namespace {
constexpr Field kPosFields[] = {
    FIELD_GET(PosRec, id, "id"),
    FIELD(PosRec, enable, "enable"),
    FIELD(PosRec, name, "name"),
    FIELD(PosRec, protocol, "protocol"),
    FIELD(PosRec, connection_mode, "connectionMode"),
    FIELD(PosRec, ip, "ip"),
    FIELD(PosRec, liveview_display, "liveviewDisplay"),
    FIELD(PosRec, display_channel, "displayChannel"),
    FIELD(PosRec, start_x, "startX"),
    FIELD(PosRec, start_y, "startY"),
    FIELD(PosRec, area_width, "areaWidth"),
    FIELD(PosRec, area_height, "areaHeight"),
    FIELD(PosRec, character_encoding, "characterEncodeing"),
    FIELD(PosRec, font_size, "fontSize"),
    FIELD(PosRec, font_color, "fontColor"),
    FIELD(PosRec, overlay_mode, "overlayMode"),
    FIELD(PosRec, display_time, "displayTime"),
    FIELD(PosRec, timeout, "timeout"),
    FIELD(PosRec, privacy1, "privacy1"),
    FIELD(PosRec, privacy2, "privacy2"),
    FIELD(PosRec, privacy3, "privacy3"),
    FIELD(PosRec, nvr_port, "nvrPort"),
    FIELD(PosRec, port, "port"),
    FIELD(PosRec, clear_time, "clearTime"),
};

// The interval numbers the POS page prints after the action blocks; a save
// (POS or face) takes them and the two channel texts.
constexpr Field kPosNumberFields[] = {
    FIELD(SourceEventRec, tri_alarms, "triAlarms"),
    FIELD(SourceEventRec, interval, "interval"),
    FIELD(SourceEventRec, email_interval, "email_interval"),
    FIELD(SourceEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(SourceEventRec, ptz_interval, "ptz_interval"),
    FIELD(SourceEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(SourceEventRec, white_interval, "white_interval"),
    FIELD(SourceEventRec, http_notification_interval, "http_notification_interval"),
    FIELD(SourceEventRec, audio_id, "audioId"),
};
constexpr Field kPosSaveFields[] = {
    FIELD(SourceEventRec, tri_channels, "triChannels"),
    FIELD(SourceEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(SourceEventRec, tri_alarms, "triAlarms"),
    FIELD(SourceEventRec, interval, "interval"),
    FIELD(SourceEventRec, email_interval, "email_interval"),
    FIELD(SourceEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(SourceEventRec, ptz_interval, "ptz_interval"),
    FIELD(SourceEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(SourceEventRec, white_interval, "white_interval"),
    FIELD(SourceEventRec, http_notification_interval, "http_notification_interval"),
    FIELD(SourceEventRec, audio_id, "audioId"),
};

void source_derive(void* rec) {
  auto* ev = static_cast<SourceEventRec*>(rec);
  ev->tri_mask = 0;
  for (size_t n = 0; n < 64 && ev->tri_channels[n]; ++n)
    if (ev->tri_channels[n] == '1') ev->tri_mask |= uint64_t{1} << n;
}
int read_pos(const char* path, void* rec, int id) { return read_pos_event(path, static_cast<SourceEventRec*>(rec), id); }
int write_pos(const char* path, const void* rec) {
  return write_pos_event(path, static_cast<const SourceEventRec*>(rec));
}
int read_face(const char* path, void* rec, int chn) {
  return read_face_event(path, static_cast<SourceEventRec*>(rec), chn);
}
int write_face(const char* path, const void* rec) {
  return write_face_event(path, static_cast<const SourceEventRec*>(rec));
}
int no_copy(const char*, int, uint64_t) { return -1; }

constexpr ActionSchedule kPosSchedules[] = {
    {"effective", kPosEffectiveTable}, {"audible", kPosAudibleTable}, {"email", kPosEmailTable},
    {"ptz", kPosPtzTable},             {"white", kPosWhiteTable},     {"httpSche", kPosHttpScheTable},
};
constexpr ActionSet kPosActions = {
    {sizeof(SourceEventRec), read_pos, write_pos, no_copy, kPosNumberFields, kPosSaveFields,
     offsetof(SourceEventRec, tri_chn_alarms), source_derive, nullptr},
    kPosSchedules, kPosWhiteParams, nullptr, kPosHttpParams, kPtzTypePos, true,
};
constexpr ActionSchedule kFaceSchedules[] = {
    {"effective", kFaceEffectiveTable}, {"audible", kFaceAudibleTable}, {"email", kFaceMailTable},
    {"ptz", kFacePtzTable},             {"white", kFaceWhiteTable},     {"httpSche", kFaceHttpScheTable},
};
constexpr ActionSet kFaceActions = {
    {sizeof(SourceEventRec), read_face, write_face, no_copy, kPosNumberFields, kPosSaveFields,
     offsetof(SourceEventRec, tri_chn_alarms), source_derive, nullptr},
    kFaceSchedules, kFaceWhiteParams, nullptr, kFaceHttpParams, kPtzTypeFace, true,
};

void add_schedule(json_object* obj, const char* key, const char* table, int id) {
  ScheduleRec sched{};
  read_schedule(devpaths::kKvdb, table, id, &sched);
  json_object_object_add(obj, key, get_schedule_json_object(&sched));
}

// The action of device id into obj, in the page's key order.
void add_pos_action(json_object* obj, int id) {
  SourceEventRec ev{};
  read_pos_event(devpaths::kKvdb, &ev, id);
  json_add_utf8(obj, "triChannels", ev.tri_channels);
  json_add_utf8(obj, "tri_channels_pic", ev.tri_channels_pic);
  char outs[2][kChnAlarmNameSize];
  for (int i = 0; i < 2; ++i) copy_text(outs[i], sizeof outs[i], ev.tri_chn_alarms[i]);
  json_object_object_add(obj, "triChnAlarms", get_event_chn_alarmout_object(outs[0], outs[1]));
  for (size_t i = 0; i < 4; ++i) add_schedule(obj, kPosSchedules[i].key, kPosSchedules[i].table, id);
  json_object_object_add(obj, "ptzParams", get_ptz_params_json_object(kPtzTypePos, id));
  add_schedule(obj, "white", kPosWhiteTable, id);
  json_object_object_add(obj, "whiteInfo", get_white_params_json_object(id, kPosWhiteParams));
  add_schedule(obj, "httpSche", kPosHttpScheTable, id);
  json_object_object_add(obj, "httpParams", get_http_params_json_object(id, kPosHttpParams));
  fields_to_json(obj, &ev, kPosNumberFields);
}

JsonPtr pos_request(const char* text, int* id) {
  JsonPtr req = json_parse(text);
  if (!req || json_get_int(req.get(), "id", id) != JsonGet::kOk || *id < 0 || *id >= kPosDevices) return nullptr;
  return req;
}
}  // namespace

void on_cgi_get_pos_info(char* text) {
  int id = -1;
  if (!pos_request(text, &id)) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  PosRec recs[kPosDevices] = {};
  read_pos_settings(devpaths::kKvdb, recs);
  JsonPtr list(json_object_new_array());
  for (int i = 0; i < kPosDevices; ++i) {
    recs[i].id = i;
    json_object_array_add(list.get(), camera_fields_json(&recs[i], kPosFields).release());
  }
  JsonPtr out(json_object_new_object());
  json_object_object_add(out.get(), "pos", list.release());
  add_pos_action(out.get(), id);
  answer_json(out);
}

void on_cgi_set_pos_info(char* text) {
  int id = -1;
  JsonPtr req = pos_request(text, &id);
  PosRec rec{};
  json_object* action = nullptr;
  JsonGet has_action = req ? json_get_object(req.get(), "action", &action) : JsonGet::kBadType;
  if (!req || has_action == JsonGet::kBadType) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  read_pos_setting(devpaths::kKvdb, &rec, id);
  rec.id = id;
  bool ok = fields_apply(req.get(), &rec, kPosFields) && write_pos_setting(devpaths::kKvdb, &rec) == 0;
  if (ok && action) ok = action_set_save(kPosActions, action, id);
  if (!ok) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  ipc_request(on_camera_param_ipc_callback, pos::kReqPosSet, int32_t{id}, ErrMode::kJson);
}

namespace {
using face::FaceConfig;
constexpr Field kFaceFields[] = {
    FIELD(FaceConfig, enable, "enable"),
    FIELD(FaceConfig, width, "width"),
    FIELD(FaceConfig, height, "height"),
    FIELD(FaceConfig, min_pixel, "minPixel"),
    FIELD(FaceConfig, capture_mode, "captureMode"),
    FIELD(FaceConfig, snapshot_type, "snapshotType"),
    FIELD(FaceConfig, pose_yaw, "poseYaw"),
    FIELD(FaceConfig, pose_roll, "poseRoll"),
    FIELD(FaceConfig, pose_pitch, "posePitch"),
    FIELD(FaceConfig, blur_limit, "blurLimit"),
    FIELD(FaceConfig, polygon_x, "polygonX"),
    FIELD(FaceConfig, polygon_y, "polygonY"),
    FIELD(FaceConfig, upload_enable, "uploadEnable"),
    FIELD(FaceConfig, upload_file_type, "uploadFileType"),
    FIELD(FaceConfig, nas_enable, "nasEnable"),
    FIELD(FaceConfig, nas_file_type, "nasFileType"),
    FIELD(FaceConfig, email_enable, "emailEnable"),
    FIELD(FaceConfig, email_file_type, "emailFileType"),
    FIELD(FaceConfig, http_enable, "httpEnable"),
    FIELD(FaceConfig, http_notify_interval, "httpNotifyInterval"),
    FIELD(FaceConfig, http_url, "httpUrl"),
    FIELD(FaceConfig, http_user, "httpUser"),
    FIELD(FaceConfig, http_password, "httpPassword"),
    FIELD(FaceConfig, attribute_enable, "attributeEnable"),
    FIELD(FaceConfig, attribute_type, "attributeType"),
    FIELD(FaceConfig, mosaic_enable, "mosaicEnable"),
    FIELD(FaceConfig, mosaic_mode_status, "mosaicModeStatus"),
    FIELD(FaceConfig, mutually_exclusive, "mutuallyExclusive"),
};
constexpr Field kShieldFields[] = {
    FIELD(face::FaceShield, enable, "enable"),
    FIELD(face::FaceShield, polygon_x, "polygonX"),
    FIELD(face::FaceShield, polygon_y, "polygonY"),
};
constexpr Field kCaptureFields[] = {
    FIELD(face::FaceCapture, capture_quality, "captureQuality"),
    FIELD(face::FaceCapture, snapshot, "snapshot"),
};

// Elements of the request array key into recs[0..n-1]; an absent array
// leaves them zero.
template <class Rec, size_t N>
bool apply_array(const json_object* req, const char* key, Rec (&recs)[N], Fields f) {
  json_object* list = nullptr;
  JsonGet got = json_get_array(req, key, &list);
  if (got == JsonGet::kMissing) return true;
  if (got != JsonGet::kOk) return false;
  for (size_t i = 0; i < std::min(json_array_size(list), N); ++i)
    if (!fields_apply(json_array_at(list, i), &recs[i], f)) return false;
  return true;
}
}  // namespace

// Bad input of any kind gets no answer, as the page expects.
void on_cgi_set_face_config(char* text) {
  JsonPtr req = json_parse(text);
  FaceConfig cfg{};
  json_object* action = nullptr;
  if (!req || json_get_int(req.get(), "chnId", &cfg.chn_id) != JsonGet::kOk || cfg.chn_id < 0 ||
      cfg.chn_id >= face::kChannels || !fields_apply(req.get(), &cfg, kFaceFields) ||
      !apply_array(req.get(), "shieldAreas", cfg.shield, kShieldFields) ||
      !apply_array(req.get(), "captureModes", cfg.capture, kCaptureFields) ||
      json_get_object(req.get(), "action", &action) == JsonGet::kBadType)
    return;
  if (action) {
    if (!action_set_save(kFaceActions, action, cfg.chn_id)) return;
    ipc_send(on_camera_param_ipc_callback, face::kReqFaceAction, int32_t{cfg.chn_id});
  }
  ipc_request(on_camera_param_ipc_callback, face::kReqFaceSet, cfg, ErrMode::kNone);
}
