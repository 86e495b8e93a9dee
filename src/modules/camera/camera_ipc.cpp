// Camera replies: one table row per reply code, one converter per answer,
// and the helpers the camera pages share.
#include <json-c/json.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/camera/camera_fields.h"
#include "modules/camera/camera_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_video.h"
#include "proto/face_proto.h"
#include "proto/peoplecnt_proto.h"

using namespace camera;

namespace {
template <const auto& kFields>
void fields_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(camera_fields_json(r.payload, kFields));
}

// Login test results; 0 and 4 are a success the handler may read.
void on_login_test_cb(const IpcReply& r) {
  if (r.count < 1) return;
  switch (r.word()) {
    case 0:
    case 4:
      answer_text("OK");
      g_callback_done = 2;
      break;
    case 1:
      answer_text("NETWORKERROR");
      break;
    case 2:
      answer_text("USERERROR");
      break;
    case 5:
      answer_text("BANDWIDTHERROR");
      break;
    default:
      answer_text("UNKOWNERROR");
      break;
  }
}

void on_stream_result_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "res", r.as<StreamResult>()->res);
  answer_json(obj);
}

void on_get_ipc_ipcimage_enhancement_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(camera_fields_json(r.payload, kEnhanceFields));
}

void on_get_ipc_ipcimage_display_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(camera_fields_json(r.payload, kDisplayFields));
}

void on_set_ipc_ipcimage_display_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "ERROR");
}

void on_get_ipc_common_param_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* rec = r.as<CameraSettingRecord>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "id", rec->channel);
  json_add_utf8(obj.get(), "pagename", rec->page);
  json_add_utf8(obj.get(), "value", rec->value);
  answer_json(obj);
}

void on_set_ipc_common_param_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "ERROR");
}

void on_get_channels_model_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  for (const ChannelModel& m : r.as<ChannelModels>()->chn) {
    json_object* item = json_object_new_object();
    json_add_int(item, "chnid", m.channel);
    json_add_utf8(item, "model", m.model);
    json_add_utf8(item, "ipaddr", m.ip);
    json_add_utf8(item, "fwversion", m.fw_version);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "IPC", list);
  answer_json(obj);
}

void on_get_camera_type_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* m = r.as<ChannelModel>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", m->channel);
  json_add_utf8(obj.get(), "ipaddr", m->ip);
  json_add_utf8(obj.get(), "model", m->model);
  json_add_utf8(obj.get(), "fwversion", m->fw_version);
  answer_json(obj);
}

void on_get_camera_macs_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* list = r.as<MacList>();
  JsonPtr obj(json_object_new_object());
  json_object* arr = json_object_new_array();
  for (int i = 0; i < std::clamp(list->count, 0, kMacEntries); ++i) {
    json_object* item = json_object_new_object();
    json_add_utf8(item, "mac", list->entry[i].mac);
    json_add_int(item, "result", list->entry[i].result);
    json_object_array_add(arr, item);
  }
  json_object_object_add(obj.get(), "IPC", arr);
  answer_json(obj);
}

void on_get_exposure_schedule_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* s = r.as<ExposureSchedule>();
  JsonPtr obj = fields_json(s, kExposureScheduleHead);
  json_object* days = json_object_new_array();
  for (const auto& day : s->period) {
    json_object* periods = json_object_new_array();
    for (const ExposurePeriod& p : day) json_object_array_add(periods, fields_json(&p, kExposurePeriodFields).release());
    json_object_array_add(days, periods);
  }
  json_object_object_add(obj.get(), "schedule", days);
  answer_json(obj);
}

void on_get_area_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* a = r.as<AreaRecord>();
  JsonPtr obj = camera_fields_json(a, kAreaHead);
  json_object* areas = json_object_new_array();
  // The camera's count never reaches past the record's areas.
  for (int i = 0; i < std::clamp(a->count, 0, kAreas); ++i)
    json_object_array_add(areas, camera_fields_json(&a->area[i], kAreaFields).release());
  json_object_object_add(obj.get(), "area", areas);
  answer_json(obj);
}

void on_get_schedule_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_object_object_add(obj.get(), "schedule", get_schedule_json_object_ipc(&r.as<CamSchedule>()->schedule));
  answer_json(obj);
}

void on_get_record_text_cb(const IpcReply& r) {
  if (r.count < 1) return;
  // The text ends at its first NUL or at the payload's end, whichever comes first.
  const char* text = r.as<char>();
  size_t n = strnlen(text, static_cast<size_t>(r.count));
  answer_text(std::string(text, utf8_prefix(text, n)).c_str());
}

void on_get_watermark_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* w = r.as<Watermark>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", w->channel);
  json_add_int(obj.get(), "enable", w->enable);
  json_add_utf8(obj.get(), "watermark", w->text);
  answer_json(obj);
}

void on_set_audio_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "ERROR");
}

void on_get_custom_param_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* c = r.as<CustomParam>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "res", c->res);
  json_add_int(obj.get(), "chnid", c->channel);
  json_add_utf8(obj.get(), "data", c->data);
  answer_json(obj);
}

// One line per channel being upgraded: "<channel>:<status>:<progress>".
void on_get_upgrade_state_cb(const IpcReply& r) {
  if (r.count < 0) return;
  std::string lines;
  for (int i = 0; i < r.count; ++i) {
    const UpgradeState& s = r.as<UpgradeState>()[i];
    lines += std::to_string(s.channel) + ":" + std::to_string(s.status) + ":" + std::to_string(s.progress) + "\n";
  }
  answer_text(lines.c_str());
}

const IpcReplyRoute kCameraReplies[] = {
    {reply_of(kReqWatermarkGet), sizeof(Watermark), on_get_watermark_cb},
    res_row(kReqWatermarkSet),
    {reply_of(kReqEventStreamGet), sizeof(EventStream), fields_cb<kEventStreamFields>},
    res_row(kReqEventStreamSet),
    {reply_of(kReqLprNightMode), sizeof(NightMode), fields_cb<kNightModeFields>},
    res_row(kReqPtzSupport),
    word_row(kReqModelType, "type"),
    {reply_of(kReqChannelModels), sizeof(ChannelModels), on_get_channels_model_cb},
    {reply_of(kReqCameraType), sizeof(ChannelModel), on_get_camera_type_cb},
    {reply_of(kReqSearch), sizeof(SearchResult), on_search_camera_cb},
    {reply_of(kReqCameraState), sizeof(CameraState), on_get_camera_state_cb},
    {reply_of(kReqLoginTest), 4, on_login_test_cb},
    {reply_of(kReqLoginTest2), 4, on_login_test_cb},
    {reply_of(kReqStreamSet), sizeof(StreamResult), on_stream_result_cb},
    {reply_of(kReqStreamGet), sizeof(StreamSettings), on_get_stream_params_cb},
    res_row(kReqAddressSet),
    {reply_of(kReqEnhanceGet), sizeof(ImageEnhancement), on_get_ipc_ipcimage_enhancement_cb},
    {reply_of(kReqDisplayGet), sizeof(ImageDisplay), on_get_ipc_ipcimage_display_cb},
    {reply_of(kReqDisplaySet), 4, on_set_ipc_ipcimage_display_cb},
    {reply_of(kReqCameraSettingGet), sizeof(CameraSettingRecord), on_get_ipc_common_param_cb},
    {reply_of(kReqCameraSettingSet), 4, on_set_ipc_common_param_cb},
    {reply_of(kReqMacs), sizeof(MacList), on_get_camera_macs_cb},
    {reply_of(kReqAreaGet), sizeof(AreaRecord), on_get_area_cb},
    {reply_of(kReqScheduleAGet), sizeof(CamSchedule), on_get_schedule_cb},
    {reply_of(kReqScheduleBGet), sizeof(CamScheduleEx), on_get_schedule_cb},
    {reply_of(kReqScheduleCGet), sizeof(CamSchedule), on_get_schedule_cb},
    {reply_of(kReqExposureScheduleGet), sizeof(ExposureSchedule), on_get_exposure_schedule_cb},
    {reply_of(kReqTrackingGet), sizeof(AutoTracking), fields_cb<kTrackingFields>},
    word_row(kReqMotionStatus, "Motion"),
    {reply_of(kReqMotionMapGet), sizeof(MotionMap), fields_cb<kMotionMapFields>},
    {reply_of(kReqRecordText), 1, on_get_record_text_cb},
    res_row(kReqMotionMapSet),
    {reply_of(kReqAudioGet), sizeof(AudioInfo), fields_cb<kAudioInfoFields>},
    {reply_of(kReqAudioSet), 4, on_set_audio_cb},
    res_row(kReqTrackingSet),
    {reply_of(kReqSystemInfo), sizeof(SystemInfo), fields_cb<kSystemInfoFields>},
    {reply_of(kReqCustomParam), sizeof(CustomParam), on_get_custom_param_cb},
    {reply_of(kReqUpgrade), sizeof(UpgradeState), fields_cb<kUpgradeFields>},
    res_row(kReqFirmwareReset),
    {reply_of(kReqUpgradeState), sizeof(UpgradeState), on_get_upgrade_state_cb},
    {reply_of(kReqStreamByTime), sizeof(StreamByTime), fields_cb<kStreamByTimeReplyFields>},
    word_row(kReqQtCmd, "result"),
    word_row(kReqQtCmdResult, "result"),
    word_row(kReqChipCode, "chip_code"),
    res_row(peoplecnt::kReqSettingsSet),
    res_row(peoplecnt::kReqDbReset),
    res_row(peoplecnt::kReqLiveviewReset),
    res_row(peoplecnt::kReqActionSet),
    res_row(pos::kReqPosSet),
    word_row(face::kReqFaceSet, "status"),
    {reply_of(peoplecnt::kReqReportBackup), 4, on_report_backup_cb},
};
}  // namespace

std::span<const IpcReplyRoute> camera_reply_table() { return kCameraReplies; }

void on_camera_param_ipc_callback(void*, void* head, void* payload) {
  ipc_dispatch_reply(kCameraReplies, head, payload);
}

// ---- Family helpers ----

int camera_channel_count() { return std::clamp(get_param_int(devpaths::kKvdb, "max_cameras", 32), 0, kChannels); }

int camera_channel_of(const char* text, const char* key, int max) {
  JsonPtr req = json_parse(text);
  int chn = -1;
  if (json_get_int(req.get(), key, &chn) != JsonGet::kOk || chn < 0 || chn >= max) return -1;
  return chn;
}

void forward_camera_channel(const char* text, const char* key, IpcCode code, ErrMode err) {
  int chn = camera_channel_of(text, key);
  if (chn >= 0) ipc_request(on_camera_param_ipc_callback, code, int32_t{chn}, err);
}

void forward_camera_fields(const char* text, Fields fields, size_t size, IpcCode code, ErrMode err) {
  // The largest camera record (motion map with its copy mask).
  alignas(8) static unsigned char rec[sizeof(MotionMapSet) > sizeof(AutoTrackingSet) ? sizeof(MotionMapSet)
                                                                                       : sizeof(AutoTrackingSet)];
  memset(rec, 0, sizeof rec);
  if (size > sizeof rec || !fields_parse(text, rec, fields)) return;
  if (err == ErrMode::kNone) {
    ipc_send(on_camera_param_ipc_callback, code, rec, static_cast<int>(size));
    answer_ok();
  } else {
    ipc_request(on_camera_param_ipc_callback, code, rec, static_cast<int>(size), err);
  }
}

size_t utf8_prefix(const char* text, size_t max) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < max && s[i]) {
    unsigned char c = s[i];
    // Lead bytes of overlong forms (C0, C1) and past U+10FFFF (F5..FF) start no character.
    size_t len = c < 0x80 ? 1 : c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
    if (len == 0 || i + len > max) break;
    size_t k = 1;
    while (k < len && (s[i + k] & 0xC0) == 0x80) ++k;
    if (k < len) break;
    i += len;
  }
  return i;
}

void json_add_utf8(json_object* obj, const char* key, const char* field, size_t width) {
  json_object_object_add(obj, key, json_object_new_string_len(field, static_cast<int>(utf8_prefix(field, width))));
}

void camera_fields_to_json(json_object* obj, const void* rec, Fields f) {
  fields_to_json(obj, rec, f);
  // Re-adding a key keeps its place.
  for (const Field& field : f)
    if (field.type == FieldType::kText && !(field.flags & kFieldSetOnly))
      json_add_utf8(obj, field.key, static_cast<const char*>(rec) + field.offset, field.width);
}

JsonPtr camera_fields_json(const void* rec, Fields f) {
  JsonPtr obj(json_object_new_object());
  camera_fields_to_json(obj.get(), rec, f);
  return obj;
}

void add_channel_name(json_object* obj, int chn) {
  OsdRec osd{};
  if (chn >= 0 && chn < kChannels) read_osd(devpaths::kKvdb, &osd, chn);
  json_add_utf8(obj, "name", osd.name);
}
