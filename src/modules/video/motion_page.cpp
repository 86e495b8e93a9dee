// The motion page as a whole: settings with every action of the event
// (/6010), and its save with the copy to other channels (/6112).
#include <json-c/json.h>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/oplog.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
// Record members of the page, in its key order.
constexpr Field kMotionPageFields[] = {
    FIELD(MotionRec, chn, "chnid"),
    FIELD(MotionRec, enable, "enable"),
    FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, tri_channels, "triChannels"),
    FIELD(MotionRec, tri_alarms, "triAlarms"),
    FIELD(MotionRec, interval, "interval"),
    FIELD(MotionRec, enable_ms, "enableMS"),
    FIELD(MotionRec, motion_table, "motionTable"),
    FIELD(MotionRec, email_enable, "email_enable"),
    FIELD(MotionRec, email_interval, "email_interval"),
    FIELD(MotionRec, email_pic_enable, "email_pic_enable"),
    FIELD(MotionRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(MotionRec, ptz_interval, "ptz_interval"),
    FIELD(MotionRec, alarmout_interval, "alarmout_interval"),
    FIELD(MotionRec, http_notification_interval, "http_notification_interval"),
    FIELD(MotionRec, white_interval, "white_interval"),
    FIELD(MotionRec, warning_light_interval, "warning_light_interval"),
    FIELD(MotionRec, audio_id, "audioId"),
};
// Members the dialog save takes into the record.
constexpr Field kDialogFields[] = {
    FIELD(MotionRec, enable, "enable"),
    FIELD(MotionRec, tri_alarms, "triAlarms"),
    FIELD(MotionRec, tri_channels, "triChannels"),
    FIELD(MotionRec, interval, "interval"),
    FIELD(MotionRec, audio_id, "audioId"),
    FIELD(MotionRec, email_interval, "email_interval"),
    FIELD(MotionRec, email_pic_enable, "email_pic_enable"),
    FIELD(MotionRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(MotionRec, ptz_interval, "ptz_interval"),
    FIELD(MotionRec, alarmout_interval, "alarmout_interval"),
    FIELD(MotionRec, white_interval, "white_interval"),
    FIELD(MotionRec, warning_light_interval, "warning_light_interval"),
    FIELD(MotionRec, http_notification_interval, "http_notification_interval"),
    FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, enable_ms, "enableMS"),
    FIELD(MotionRec, motion_table, "motionTable"),
};

// The event's schedules: JSON key and table.
struct ActionSchedule {
  const char* key;
  const char* table;
};
constexpr ActionSchedule kMotionSchedules[] = {
    {"effective", kMotionEffectiveTable}, {"audible", kMotionScheduleTable},
    {"email", kMotionEmailTable},         {"ptz", kMotionPtzTable},
    {"white", kMotionWhiteTable},         {"warningLight", kMotionWarningTable},
    {"httpSche", kMotionHttpScheTable},
};

bool request_channel(const json_object* req, int* chn) {
  return json_get_int(req, "chnid", chn) == JsonGet::kOk && *chn >= 0 && *chn < kChannels;
}

// Steps 1 and 2 of the save: schedules and action blocks present in the request.
bool save_action_blocks(json_object* req, int chn) {
  bool ok = true;
  for (const ActionSchedule& s : kMotionSchedules) {
    ScheduleRec rec{};
    if (get_schedule_by_json(req, s.key, &rec) == 0)
      ok &= write_schedule(devpaths::kKvdb, s.table, chn, &rec) == 0;
  }
  WhiteLedParams white{};
  int count = 0;
  if (get_white_params_by_json(chn, &white, req, "whiteInfo", &count) == 0)
    ok &= write_whiteled_params_all(devpaths::kKvdb, kMotionWhiteParams, chn, &white, count) == 0;
  WarningLightParams warning{};
  if (get_warning_light_params_by_json(chn, &warning, req, "warningLightInfo", &count) == 0)
    ok &= write_warning_light_params_all(devpaths::kKvdb, kMotionWarningParams, chn, &warning, count) == 0;
  HttpNotifyParams http{};
  if (get_http_params_by_json(chn, &http, req, "httpParams") == 0)
    ok &= write_http_notification_params(devpaths::kKvdb, kMotionHttpParams, chn, &http) == 0;
  return ok;
}

// Steps 3 to 5: the record's members and the PTZ entries; false when a write failed.
bool save_motion_record(json_object* req, int chn) {
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, chn);
  rec.chn = chn;
  bool changed = false;
  EventChnAlarmout outs[2] = {};
  if (get_event_chn_alarmout_by_object(chn, req, "triChnAlarms", outs) == 0) {
    for (int i = 0; i < 2; ++i) copy_text(rec.tri_chn_alarms[i], outs[i].name);
    changed = true;
  }
  for (const Field& f : kDialogFields) changed |= json_object_object_get_ex(req, f.key, nullptr);
  if (!fields_check(req, kDialogFields)) return true;  // a member of the wrong type changes nothing
  fields_from_json(req, &rec, kDialogFields);
  rec.tri_mask = channel_string_mask(rec.tri_channels);
  json_object* ptz = nullptr;
  if (json_get_array(req, "ptzParams", &ptz) == JsonGet::kOk) {
    int ptz_chn = chn, ptz_type = kPtzTypeMotion;
    json_get_int(req, "ptzChnId", &ptz_chn);
    json_get_int(req, "ptzType", &ptz_type);
    changed |= set_ptz_params_by_json(ptz_chn, ptz_type, ptz) == 1;
  }
  return !changed || write_motion(devpaths::kKvdb, &rec) == 0;
}

bool copy_motion_page(int chn, uint64_t mask) {
  bool ok = copy_motions(devpaths::kKvdb, chn, mask) == 0;
  for (const ActionSchedule& s : kMotionSchedules) ok &= copy_schedules(devpaths::kKvdb, s.table, chn, mask) == 0;
  ok &= copy_whiteled_params(devpaths::kKvdb, kMotionWhiteParams, chn, mask) == 0;
  ok &= copy_warning_light_params(devpaths::kKvdb, kMotionWarningParams, chn, mask) == 0;
  ok &= copy_http_notification_params(devpaths::kKvdb, kMotionHttpParams, chn, mask) == 0;
  ok &= copy_ptz_params_all(devpaths::kKvdb, kPtzTypeMotion, chn, mask) == 0;
  return ok;
}

// Channels of mask other than chn, as the camera messages list them.
int copy_list(uint64_t mask, int chn, int32_t (&list)[kChannels]) {
  int n = 0;
  for (int c = 0; c < kChannels; ++c)
    if (c != chn && (mask >> c & 1)) list[n++] = c;
  return n;
}
}  // namespace

void on_get_movedetect_info(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1;
  if (!req || !request_channel(req.get(), &chn)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, chn);
  rec.chn = chn;
  JsonPtr obj = fields_json(&rec, kMotionPageFields);
  for (const ActionSchedule& s : kMotionSchedules) {
    ScheduleRec sched{};
    read_schedule(devpaths::kKvdb, s.table, chn, &sched);
    json_object_object_add(obj.get(), s.key, get_schedule_json_object(&sched));
  }
  json_object_object_add(obj.get(), "whiteInfo", get_white_params_json_object(chn, kMotionWhiteParams));
  json_object_object_add(obj.get(), "warningLightInfo", get_warning_light_params_json_object(chn, kMotionWarningParams));
  json_object_object_add(obj.get(), "httpParams", get_http_params_json_object(chn, kMotionHttpParams));
  char first[sizeof rec.tri_chn_alarms[0]], second[sizeof rec.tri_chn_alarms[1]];
  copy_field(first, rec.tri_chn_alarms[0]);
  copy_field(second, rec.tri_chn_alarms[1]);
  json_object_object_add(obj.get(), "triChnAlarms", get_event_chn_alarmout_object(first, second));
  json_object_object_add(obj.get(), "ptzParams", get_ptz_params_json_object(kPtzTypeMotion, chn));
  json_add_int(obj.get(), "audioIdMask", get_audio_file_id_mask());
  answer_json(obj);
}

void save_motion_dialog_data(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1;
  if (!req || !request_channel(req.get(), &chn)) return;
  bool stored = save_action_blocks(req.get(), chn);
  stored &= save_motion_record(req.get(), chn);
  uint64_t mask = get_copy_flag_by_json(req.get(), "copyChn", "copyCnt");
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, chn);
  stored &= copy_motion_page(chn, mask);
  if (!stored) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqMotionChanged, chn);
  send_op_log_mask(on_video_ipc_callback, kLogSubSetting, kLogParamMotion, chn + 1, mask);

  CamMotionSettings cam{};
  copy_text(cam.motion_table, rec.motion_table);  // the page's grid, just stored
  cam.sensitivity = rec.sensitivity;
  cam.chn = chn;
  cam.enable_ms = rec.enable_ms;
  cam.copy_count = copy_list(mask, chn, cam.copy);
  json_get_int(req.get(), "enableAI", &cam.enable_ai);
  json_get_int(req.get(), "detection", &cam.detection);
  ipc_send(on_video_ipc_callback, kReqCamMotionSet, cam);
  ipc_send(on_video_ipc_callback, kReqMotionsChanged, mask);
  MotionEnable me{};
  me.chn = chn;
  me.flag = rec.enable_ms == 1 ? 1 : 0;
  me.copy_count = copy_list(mask, chn, me.copy);
  ipc_send(on_video_ipc_callback, kReqMotionEnable, me);
  if (me.flag) ipc_send(on_video_ipc_callback, kReqFullTimeScheduleCopy, full_time_schedule(chn));
  answer_ok();
}
