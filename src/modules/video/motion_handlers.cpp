// Motion detection: settings, schedule and the camera's motion map
// (/6011-/6013, /6098, /6113, /6114).
#include <json-c/json.h>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr JsonRule kMoveDetectRules[] = {
    {"camId", true, JsonType::kInt, 0, kChannels - 1},
    {"enable", true, JsonType::kInt, 0, 2},
    {"sensitivity", true, JsonType::kInt, 0, INT32_MAX},
    {"triChannels", true, JsonType::kText, 0, INT32_MAX},
    {"triAlarms", true, JsonType::kInt, 0, INT32_MAX},
    {"interval", true, JsonType::kInt, 0, INT32_MAX},
    {"motionTable", true, JsonType::kText, 0, INT32_MAX},
    {"enableMS", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

// Members of the motion record the motion pages set, in the page's terms.
constexpr Field kMotionFields[] = {
    FIELD(MotionRec, chn, "camId"),
    FIELD(MotionRec, enable, "enable"),
    FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, tri_alarms, "triAlarms"),
    FIELD(MotionRec, interval, "interval"),
    FIELD(MotionRec, enable_ms, "enableMS"),
    FIELD(MotionRec, motion_table, "motionTable"),
    FIELD(MotionRec, tri_channels, "triChannels"),
};
constexpr Field kMotionScheduleFields[] = {
    FIELD(MotionRec, chn, "camId"),       FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, enable_ms, "enableMS"), FIELD(MotionRec, enable, "enable"),
    FIELD(MotionRec, tri_alarms, "triAlarms"), FIELD(MotionRec, interval, "interval"),
};
constexpr Field kMotionTriggerFields[] = {
    FIELD(MotionRec, chn, "camId"),           FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, tri_channels, "triChannels"), FIELD(MotionRec, tri_alarms, "triAlarms"),
    FIELD(MotionRec, interval, "interval"),   FIELD(MotionRec, enable_ms, "enableMS"),
};

// Camera-side detection on (with the all-day schedule) or off.
void send_motion_enable(int chn, bool on) {
  MotionEnable me{};
  me.chn = chn;
  me.flag = on ? 1 : 0;
  ipc_send(on_video_ipc_callback, kReqMotionEnable, me);
  if (on) ipc_send(on_video_ipc_callback, kReqFullTimeSchedule, full_time_schedule(chn));
}

// The stored motion record of the request's "camId", looked up among all
// stored records as the motion pages do; false when there is none.
bool stored_motion(const json_object* req, MotionRec* rec) {
  int chn = -1;
  if (json_get_int(req, "camId", &chn) != JsonGet::kOk) return false;
  static MotionRec all[kChannels];
  int count = 0;
  read_motions(devpaths::kKvdb, all, &count);
  if (chn < 0 || chn >= count) return false;
  *rec = all[chn];
  return true;
}

bool write_motion_with_mask(MotionRec* rec) {
  rec->tri_mask = channel_string_mask(rec->tri_channels);
  return write_motion(devpaths::kKvdb, rec) == 0;
}
}  // namespace

FullTimeSchedule full_time_schedule(int chn) {
  FullTimeSchedule fs{};
  fs.chn = chn;
  for (int d = 0; d < 7; ++d) {
    fs.days[d].day = d;
    fs.days[d].enabled = 1;
    for (int p = 0; p < 4; ++p) fs.days[d].period[p].end_hour = 24;
  }
  return fs;
}

void on_get_motion_map_cb(const IpcReply& r) {
  static constexpr Field kMapFields[] = {
      FIELD(MotionMap, map, "map"),
      FIELD(MotionMap, sensitivity, "sensitivity"),
      FIELD(MotionMap, result, "result"),
      FIELD(MotionMap, enable, "enable"),
      FIELD(MotionMap, model_type, "modelType"),
      FIELD(MotionMap, fishdisplay, "fishdisplay"),
      FIELD(MotionMap, fishtransfer, "fishtransfer"),
      FIELD(MotionMap, fishinstall, "fishinstall"),
      FIELD(MotionMap, enable_ai, "enableAI"),
  };
  if (r.count >= 1) answer_json(fields_json(r.payload, kMapFields));
}

void OnGetMotionSchedule(char* text) {
  int chn = -1;
  if (text_int(text, INT32_MIN, INT32_MAX, &chn)) answer_schedule(kMotionScheduleTable, chn);
}

void on_set_movedetect_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kMoveDetectRules)) return;
  int chn = 0;
  json_get_int(req.get(), "camId", &chn);
  // Settings of the other motion pages (e-mail, actions) stay as stored.
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, chn);
  fields_from_json(req.get(), &rec, kMotionFields);
  if (!write_motion_with_mask(&rec)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqMotionChanged, chn);
  MotionMap map{};
  json_get_text(req.get(), "motionTable", map.map, sizeof map.map);
  map.sensitivity = rec.sensitivity;
  map.chn = chn;
  ipc_send(on_video_ipc_callback, kReqMotionMapSet, map);
  send_motion_enable(chn, rec.enable_ms == 1);
  log_channel_setting(kLogParamMotion, chn);
  answer_ok();
}

void OnSetMotionSchedule(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1;
  ScheduleRec sched{};
  if (!req || json_get_int(req.get(), "camId", &chn) != JsonGet::kOk || chn < 0 || chn >= kChannels ||
      get_schedule_by_json(req.get(), "schedule", &sched) != 0)
    return;
  if (write_schedule(devpaths::kKvdb, kMotionScheduleTable, chn, &sched) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqMotionChanged, chn);
  answer_ok();
}

void on_get_motion_map(char* text) {
  JsonPtr req = json_parse(text);
  constexpr JsonRule kRule[] = {{"id", true, JsonType::kInt, 0, kChannels - 1}};
  int chn = 0;
  if (!req || !json_check(req.get(), kRule)) return;
  json_get_int(req.get(), "id", &chn);
  forward_channel(kReqMotionMapGet, chn, ErrMode::kText);
}

void on_set_motion_sche_info(char* text) {
  JsonPtr req = json_parse(text);
  MotionRec rec{};
  if (!req || !stored_motion(req.get(), &rec) || !fields_check(req.get(), kMotionScheduleFields)) return;
  json_object* schedule = nullptr;
  ScheduleRec sched{};
  bool with_schedule = json_get_array(req.get(), "schedule", &schedule) == JsonGet::kOk;
  if (with_schedule) get_schedule_by_json(req.get(), "schedule", &sched);
  fields_from_json(req.get(), &rec, kMotionScheduleFields);
  if (!write_motion_with_mask(&rec)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqMotionChanged, rec.chn);
  if (with_schedule) {
    if (write_schedule(devpaths::kKvdb, kMotionScheduleTable, rec.chn, &sched) != 0) {
      cgi_error_to_webserver(ErrMode::kText);
      return;
    }
    notify_channel(kReqMotionChanged, rec.chn);
  }
  send_motion_enable(rec.chn, rec.enable_ms == 1);
  answer_ok();
}

void on_set_motion_trigger(char* text) {
  JsonPtr req = json_parse(text);
  MotionRec rec{};
  if (!req || !stored_motion(req.get(), &rec) || !fields_check(req.get(), kMotionTriggerFields)) return;
  fields_from_json(req.get(), &rec, kMotionTriggerFields);
  if (!write_motion_with_mask(&rec)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqMotionChanged, rec.chn);
  log_channel_setting(kLogParamMotion, rec.chn);
  answer_ok();
}
