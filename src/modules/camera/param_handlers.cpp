// Camera-side pages: the daemon carries each get and set to the camera;
// nothing here touches the database.
#include <json-c/json.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/camera/camera_fields.h"
#include "modules/camera/camera_module.h"

using namespace camera;

namespace {
constexpr Field kCommonFields[] = {
    FIELD_REQ(CameraSettingRecord, channel, "id", 0, kLastChannel),
    FIELD(CameraSettingRecord, page, "pagename"),
    FIELD(CameraSettingRecord, http_page, "httpname"),
    FIELD(CameraSettingRecord, key, "key"),
    FIELD(CameraSettingRecord, value, "value"),
};
// {"channel", "schedule"} into a camera schedule record, sent without waiting.
template <class Rec>
void set_ipc_schedule(const char* text, IpcCode code) {
  static constexpr JsonRule kRules[] = {{"channel", true, JsonType::kInt, 0, kLastChannel}};
  JsonPtr req = json_parse(text);
  static Rec rec;
  rec = Rec{};
  if (!req || !json_check(req.get(), kRules) || get_schedule_by_json_ipc(req.get(), "schedule", &rec.schedule) != 0)
    return;
  json_get_int(req.get(), "channel", &rec.channel);
  ipc_send(on_camera_param_ipc_callback, code, rec);
  answer_ok();
}

// Areas follow the header: "area" is an array of up to 8 objects.
void set_area(const char* text) {
  JsonPtr req = json_parse(text);
  AreaSet set{};
  json_object* areas = nullptr;
  if (!req || !fields_apply(req.get(), &set.rec, kAreaHead) || json_get_array(req.get(), "area", &areas) != JsonGet::kOk)
    return;
  for (int i = 0; i < set.rec.count; ++i) {
    json_object* item = json_array_at(areas, static_cast<size_t>(i));
    if (!item || !fields_apply(item, &set.rec.area[i], kAreaFields)) return;
  }
  ipc_send(on_camera_param_ipc_callback, kReqAreaSet, set);
  answer_ok();
}

// {"id", "type", "schedule": [day [{"start","end","mode"}]]}, 7 x 10 at most.
void set_exposure_schedule(const char* text) {
  JsonPtr req = json_parse(text);
  ExposureSchedule s{};
  json_object* days = nullptr;
  if (!req || !fields_apply(req.get(), &s, kExposureScheduleHead) ||
      json_get_array(req.get(), "schedule", &days) != JsonGet::kOk)
    return;
  for (int d = 0; d < kExposureDays; ++d) {
    json_object* day = json_array_at(days, static_cast<size_t>(d));
    for (int p = 0; p < kExposurePeriods; ++p) {
      json_object* item = json_array_at(day, static_cast<size_t>(p));
      if (item && !fields_apply(item, &s.period[d][p], kExposurePeriodFields)) return;
    }
  }
  ipc_send(on_camera_param_ipc_callback, kReqExposureScheduleSet, s);
  answer_ok();
}

// Sets that carry the channels to copy to ("copy": channel ids).
template <class Set, class Rec>
void set_with_copy(const char* text, Fields fields, Rec Set::*rec, IpcCode code) {
  JsonPtr req = json_parse(text);
  static Set set;
  set = Set{};
  if (!req || !fields_apply(req.get(), &(set.*rec), fields)) return;
  json_object* copy = nullptr;
  if (json_get_array(req.get(), "copy", &copy) == JsonGet::kOk)
    for (size_t i = 0; i < json_array_size(copy); ++i) {
      int chn = -1;
      if (json_value_int(json_array_at(copy, i), &chn) && chn >= 0 && chn < kChannels) set.copy |= uint64_t{1} << chn;
    }
  ipc_request(on_camera_param_ipc_callback, code, set, ErrMode::kJson);
}

// "chnAry": channel ids into a mask.
bool channel_mask_of(const json_object* req, const char* key, uint64_t* mask) {
  json_object* arr = nullptr;
  if (json_get_array(req, key, &arr) != JsonGet::kOk) return false;
  *mask = 0;
  for (size_t i = 0; i < json_array_size(arr); ++i) {
    int chn = -1;
    if (!json_value_int(json_array_at(arr, i), &chn) || chn < 0 || chn >= kChannels) return false;
    *mask |= uint64_t{1} << chn;
  }
  return *mask != 0;
}
}  // namespace

void on_get_ipc_image_enhancement(char* text) { forward_camera_channel(text, "id", kReqEnhanceGet, ErrMode::kJson); }

void on_set_ipc_image_enhancement(char* text) {
  forward_camera_fields(text, kEnhanceFields, sizeof(ImageEnhancement), kReqEnhanceSet, ErrMode::kNone);
}

void on_get_ipc_image_display(char* text) { forward_camera_channel(text, "id", kReqDisplayGet, ErrMode::kJson); }

void on_set_ipc_image_display(char* text) {
  forward_camera_fields(text, kDisplayFields, sizeof(ImageDisplay), kReqDisplaySet, ErrMode::kText);
}

void on_get_ipc_common_param(char* text) {
  forward_camera_fields(text, kCommonFields, sizeof(CameraSettingRecord), kReqCameraSettingGet, ErrMode::kText);
}

void on_set_ipc_common_param(char* text) {
  CameraSettingRecord rec{};
  if (!fields_parse(text, &rec, kCommonFields)) return;
  // The camera restarts its encoder on a rate control change; give it time.
  if (strcmp(rec.key, "ratecontrol1") == 0 || strcmp(rec.key, "ratecontrol2") == 0)
    std::this_thread::sleep_for(std::chrono::duration<double>(2.0 * nvr_time_scale()));
  ipc_request(on_camera_param_ipc_callback, kReqCameraSettingSet, rec, ErrMode::kText);
}

void on_web_get_ipc_model_type(char* text) { forward_camera_channel(text, "id", kReqModelType, ErrMode::kJson); }

void on_web_sendto_qt_cmd(char* text) {
  static constexpr Field kCmd[] = {FIELD_REQ(QtCmd, cmd, "cmd", 1, INT64_MAX)};
  forward_camera_fields(text, kCmd, sizeof(QtCmd), kReqQtCmd, ErrMode::kJson);
}

void on_web_get_chip_code(char*) { ipc_request(on_camera_param_ipc_callback, kReqChipCode, ErrMode::kJson); }

void on_web_get_motion_status(char*) { ipc_request(on_camera_param_ipc_callback, kReqMotionStatus, ErrMode::kJson); }

void on_web_get_channels_model(char*) {
  ipc_request(on_camera_param_ipc_callback, kReqChannelModels, ErrMode::kJson);
}

void on_get_ipc_exposure_schedule(char* text) {
  forward_camera_channel(text, "id", kReqExposureScheduleGet, ErrMode::kJson);
}

void on_set_ipc_exposure_schedule(char* text) { set_exposure_schedule(text); }

void on_get_ipc_area(char* text) { forward_camera_channel(text, "id", kReqAreaGet, ErrMode::kJson); }

void on_set_ipc_area(char* text) { set_area(text); }

void on_get_ipc_schedule_a(char* text) { forward_camera_channel(text, "id", kReqScheduleAGet, ErrMode::kJson); }
void on_set_ipc_schedule_a(char* text) { set_ipc_schedule<CamSchedule>(text, kReqScheduleASet); }
void on_get_ipc_schedule_b(char* text) { forward_camera_channel(text, "id", kReqScheduleBGet, ErrMode::kJson); }
void on_set_ipc_schedule_b(char* text) { set_ipc_schedule<CamScheduleEx>(text, kReqScheduleBSet); }
void on_get_ipc_schedule_c(char* text) { forward_camera_channel(text, "id", kReqScheduleCGet, ErrMode::kJson); }
void on_set_ipc_schedule_c(char* text) { set_ipc_schedule<CamSchedule>(text, kReqScheduleCSet); }

void on_del_ipc_area(char* text) {
  forward_camera_fields(text, kAreaDeleteFields, sizeof(AreaDelete), kReqAreaDel, ErrMode::kNone);
}

void on_get_ipc_motion_map(char* text) { forward_camera_channel(text, "chnid", kReqMotionMapGet, ErrMode::kJson); }

void on_set_ipc_motion_map(char* text) {
  set_with_copy(text, kMotionMapFields, &MotionMapSet::map, kReqMotionMapSet);
}

void on_get_ipc_record_text(char* text) {
  forward_camera_fields(text, kRecordTextFields, sizeof(RecordTextReq), kReqRecordText, ErrMode::kText);
}

void on_cgi_get_auto_tracking_status(char* text) {
  forward_camera_channel(text, "chnid", kReqTrackingGet, ErrMode::kJson);
}

void on_cgi_set_auto_tracking_status(char* text) {
  set_with_copy(text, kTrackingFields, &AutoTrackingSet::tracking, kReqTrackingSet);
}

void on_cgi_get_ptz_support(char* text) { forward_camera_channel(text, "chnid", kReqPtzSupport, ErrMode::kJson); }

void on_cgi_get_ipc_type(char* text) { forward_camera_channel(text, "chnid", kReqCameraType, ErrMode::kJson); }

void on_cgi_get_watermark(char* text) { forward_camera_channel(text, "chnid", kReqWatermarkGet, ErrMode::kJson); }

void on_cgi_set_watermark(char* text) {
  forward_camera_fields(text, kWatermarkFields, sizeof(WatermarkSet), kReqWatermarkSet, ErrMode::kJson);
}

void on_cgi_get_ipc_event_stream(char* text) {
  forward_camera_fields(text, kEventStreamReqFields, sizeof(EventStreamReq), kReqEventStreamGet, ErrMode::kJson);
}

void on_cgi_set_ipc_event_stream(char* text) {
  forward_camera_fields(text, kEventStreamFields, sizeof(EventStream), kReqEventStreamSet, ErrMode::kJson);
}

void on_cgi_get_ipc_lpr_night_mode(char* text) {
  forward_camera_channel(text, "chnid", kReqLprNightMode, ErrMode::kJson);
}

void on_cgi_get_ipc_audio_info(char* text) { forward_camera_channel(text, "chnid", kReqAudioGet, ErrMode::kJson); }

void on_cgi_set_ipc_audio_info(char* text) {
  forward_camera_fields(text, kAudioSetFields, sizeof(AudioSet), kReqAudioSet, ErrMode::kText);
}

void on_cgi_get_ipc_system_info(char* text) { forward_camera_channel(text, "chnid", kReqSystemInfo, ErrMode::kJson); }

void on_cgi_get_ipc_custom_param(char* text) {
  forward_camera_fields(text, kCustomParamReqFields, sizeof(CustomParamReq), kReqCustomParam, ErrMode::kJson);
}

void on_set_ipc_firmware_reset(char* text) {
  forward_camera_fields(text, kFirmwareResetFields, sizeof(FirmwareReset), kReqFirmwareReset, ErrMode::kJson);
}

void on_get_ipc_upgrade_state(char*) { ipc_request(on_camera_param_ipc_callback, kReqUpgradeState, ErrMode::kText); }

void on_upgrade_ipc_firmware(char* text) {
  static constexpr JsonRule kRules[] = {
      {"chnAry", true, JsonType::kArray, 1, kChannels},
      {"reset", false, JsonType::kInt, 0, 1},
      {"url", true, JsonType::kText, 1, sizeof(UpgradeReq::url) - 1},
  };
  JsonPtr req = json_parse(text);
  UpgradeReq up{};
  if (!req || !json_check(req.get(), kRules) || !channel_mask_of(req.get(), "chnAry", &up.chn_mask)) return;
  json_get_int(req.get(), "reset", &up.reset);
  json_get_text(req.get(), "url", up.url, sizeof up.url);
  ipc_request(on_camera_param_ipc_callback, kReqUpgrade, up, ErrMode::kJson);
}

void on_stop_ipc_upgrade(char* text) {
  int stop = 0;
  JsonPtr req = json_parse(text);
  if (json_get_int(req.get(), "stop", &stop) != JsonGet::kOk) return;
  ipc_send(on_camera_param_ipc_callback, kReqUpgradeStop, int32_t{stop});
}

void on_check_upload_result(char* text) {
  if (text && *text)
    answer_text("CGI SUCCESS");
  else
    cgi_error_to_webserver(ErrMode::kText);
}
