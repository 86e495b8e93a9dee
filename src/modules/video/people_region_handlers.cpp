// People counting pages: the line counter of the smart analytics pages
// (/6144, /6145, event 7) and the camera's regional counter, whose four
// regions each keep an action set in the database (/6096, /6097).
#include "modules/video/people_region_handlers.h"

#include <json-c/json.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/vca_coords.h"
#include "modules/video/vca_handlers.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_people_region.h"
#include "platform/kvdb_vca.h"
#include "proto/people_region_proto.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"

using pcnt::PeopleCount;
using pcnt::PeopleLine;
using pcnt::RegionalArea;
using pcnt::RegionalCount;

namespace {
// ---- Request helpers ----

// {"<key>": 0..63} of a forwarded get.
bool request_channel(const char* text, const char* key, int* chn) {
  JsonPtr req = json_parse(text);
  const JsonRule rule[] = {{key, true, JsonType::kInt, 0, video::kChannels - 1}};
  return req && json_check(req.get(), rule) && json_get_int(req.get(), key, chn) == JsonGet::kOk;
}

// Element i of the array member key, or null.
json_object* element(const json_object* obj, const char* key, size_t i) {
  json_object* arr = nullptr;
  json_get_array(obj, key, &arr);
  return json_array_at(arr, i);
}

// The integers of an array into out[0..n); false when one is not an integer.
bool take_ints(const json_object* arr, int32_t* out, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    json_object* v = json_array_at(arr, k);
    if (!v) break;
    int x = 0;
    if (!json_value_int(v, &x)) return false;
    out[k] = x;
  }
  return true;
}

// ---- Counting lines (/6144, /6145) ----

constexpr Field kPeopleFields[] = {
    FIELD_ALL(PeopleCount, chnid, "chnid", kFieldRequired | kFieldSetOnly, 0, video::kChannels - 1),
    FIELD(PeopleCount, width, "width"),
    FIELD(PeopleCount, height, "height"),
    FIELD(PeopleCount, osd_enable, "osdEnable"),
    FIELD(PeopleCount, osd_font_size, "osdFontSize"),
    FIELD(PeopleCount, osd_text_pos, "osdTextPos"),
    FIELD(PeopleCount, osd_type, "osdType"),
    FIELD(PeopleCount, sensitivity, "sensitivity"),
    FIELD(PeopleCount, line_num, "lineNum"),
    FIELD_ALL(PeopleCount, trigger_type, "triggerType", kFieldSetOnly, INT32_MIN, INT32_MAX),
    FIELD_ALL(PeopleCount, trigger_enable, "triggerEnable", kFieldSetOnly, INT32_MIN, INT32_MAX),
    FIELD_ALL(PeopleCount, total_alarm_enable, "totalAlarmEnable", kFieldSetOnly, INT32_MIN, INT32_MAX),
};
// Members of one line; the request and the reply carry each as an array of
// four, one value per line.
constexpr Field kLineFields[] = {
    FIELD(PeopleLine, line_enable, "lineEnable"),
    FIELD(PeopleLine, auto_reset_enable, "autoResetEnable"),
    FIELD(PeopleLine, direction, "direction"),
    FIELD(PeopleLine, show_cnt_enable, "showCntEnable"),
    FIELD_GET(PeopleLine, x1, "startX"),
    FIELD_GET(PeopleLine, y1, "startY"),
    FIELD_GET(PeopleLine, x2, "stopX"),
    FIELD_GET(PeopleLine, y2, "stopY"),
    FIELD(PeopleLine, auto_reset_weekday, "autoResetWeekday"),
    FIELD(PeopleLine, auto_reset_hour, "autoResetHour"),
    FIELD(PeopleLine, auto_reset_min, "autoResetMin"),
    FIELD(PeopleLine, auto_reset_sec, "autoResetSec"),
    FIELD_ALL(PeopleLine, alarm_enable, "alarmEnable", kFieldSetOnly, INT32_MIN, INT32_MAX),
};

// Line i's members of the request, as one object the line table reads.
JsonPtr line_members(const json_object* req, size_t i) {
  JsonPtr one(json_object_new_object());
  for (const Field& f : kLineFields)
    if (json_object* v = element(req, f.key, i)) json_object_object_add(one.get(), f.key, json_object_get(v));
  return one;
}

// The per-line members, positions as given and thresholds; false on a
// member of the wrong type or out of its range.
bool take_lines(const json_object* req, PeopleCount* msg) {
  json_object* total = nullptr;
  json_get_array(req, "totalAlarmThreshold", &total);
  if (!take_ints(total, msg->total_alarm_threshold, pcnt::kThresholds)) return false;
  for (size_t i = 0; i < pcnt::kLines; ++i) {
    PeopleLine& line = msg->lines[i];
    if (!fields_apply(line_members(req, i).get(), &line, kLineFields)) return false;
    if (json_object* pos = element(req, "position", i)) {
      int32_t v[4];
      if (json_object_get_type(pos) != json_type_string || !vca_parse_position(json_object_get_string(pos), v))
        return false;
      line.x1 = v[0], line.y1 = v[1], line.x2 = v[2], line.y2 = v[3];
    }
    if (!take_ints(element(req, "alarmThreshold", i), line.alarm_threshold, pcnt::kThresholds)) return false;
  }
  return true;
}

// One array per line member: {"lineEnable": [l0, l1, l2, l3], ...}.
void add_line_arrays(json_object* out, const PeopleLine (&lines)[pcnt::kLines]) {
  JsonPtr per_line[pcnt::kLines];
  for (size_t i = 0; i < pcnt::kLines; ++i) per_line[i] = fields_json(&lines[i], kLineFields);
  for (const Field& f : kLineFields) {
    if (f.flags & kFieldSetOnly) continue;
    json_object* arr = json_object_new_array();
    for (const JsonPtr& one : per_line) {
      json_object* v = nullptr;
      json_object_object_get_ex(one.get(), f.key, &v);
      json_object_array_add(arr, json_object_get(v));
    }
    json_object_object_add(out, f.key, arr);
  }
}

// ---- Regional counting (/6096, /6097) ----

constexpr Field kRegionalFields[] = {
    FIELD_GET(RegionalCount, result, "result"),
    FIELD_REQ(RegionalCount, chnid, "chnid", 0, video::kChannels - 1),
    FIELD(RegionalCount, sensitivity, "sensitivity"),
    FIELD(RegionalCount, min_obj_x, "minObjX"),
    FIELD(RegionalCount, min_obj_y, "minObjY"),
    FIELD(RegionalCount, min_obj_width, "minObjWidth"),
    FIELD(RegionalCount, min_obj_height, "minObjHeight"),
    FIELD(RegionalCount, max_obj_x, "maxObjX"),
    FIELD(RegionalCount, max_obj_y, "maxObjY"),
    FIELD(RegionalCount, max_obj_width, "maxObjWidth"),
    FIELD(RegionalCount, max_obj_height, "maxObjHeight"),
};
constexpr Field kAreaFields[] = {
    FIELD(RegionalArea, enable, "enable"),
    FIELD(RegionalArea, polygon_x, "polygonX"),
    FIELD(RegionalArea, polygon_y, "polygonY"),
    FIELD(RegionalArea, max_stay_enable, "maxStayEnable"),
    FIELD(RegionalArea, max_stay_value, "maxStayValue"),
    FIELD(RegionalArea, min_stay_enable, "minStayEnable"),
    FIELD(RegionalArea, min_stay_value, "minStayValue"),
    FIELD(RegionalArea, max_stay_time_enable, "maxStayTimeEnable"),
    FIELD(RegionalArea, max_stay_time_value, "maxStayTimeValue"),
};
// Scalar members of a region's action record.
constexpr Field kActionFields[] = {
    FIELD(RegionalPcntEventRec, interval, "interval"),
    FIELD(RegionalPcntEventRec, audio_id, "audioId"),
    FIELD(RegionalPcntEventRec, email_interval, "email_interval"),
    FIELD(RegionalPcntEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(RegionalPcntEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(RegionalPcntEventRec, ptz_interval, "ptz_interval"),
    FIELD(RegionalPcntEventRec, white_interval, "white_interval"),
    FIELD(RegionalPcntEventRec, warning_light_interval, "warning_light_interval"),
    FIELD(RegionalPcntEventRec, http_notification_interval, "http_notification_interval"),
    FIELD(RegionalPcntEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(RegionalPcntEventRec, tri_alarms, "triAlarms"),
    FIELD(RegionalPcntEventRec, tri_channels, "triChannels"),
};
// What the page shows of each region's action set, in its order.
constexpr const char* kActionPageKeys[] = {
    "audible",       "interval",       "audioId",          "email",      "email_interval",
    "email_pic_enable", "tri_channels_pic", "ptz",          "ptz_interval", "ptzParams",
    "white",         "whiteInfo",      "white_interval",   "httpSche",   "httpParams",
    "http_notification_interval", "alarmout_interval", "triAlarms", "triChannels", "triChnAlarms",
};

void derive_mask(void* rec) {
  auto* r = static_cast<RegionalPcntEventRec*>(rec);
  r->tri_mask = channel_string_mask(r->tri_channels);
}

template <int R>
int read_region(const char* path, void* rec, int chn) {
  return read_regional_pcnt_event(path, static_cast<RegionalPcntEventRec*>(rec), chn, R);
}
int write_region(const char* path, const void* rec) {
  return write_regional_pcnt_event(path, static_cast<const RegionalPcntEventRec*>(rec));
}
template <int R>
int copy_region(const char* path, int src, uint64_t mask) {
  return copy_regional_pcnt_event(path, R, src, mask);
}

// The page's warning-light schedule key is "warnLight".
template <int R>
constexpr ActionSchedule kSchedules[] = {
    {"audible", kRegionalPcntTables[R].audible}, {"email", kRegionalPcntTables[R].email},
    {"ptz", kRegionalPcntTables[R].ptz},         {"white", kRegionalPcntTables[R].white},
    {"warnLight", kRegionalPcntTables[R].warning}, {"httpSche", kRegionalPcntTables[R].http_sche},
};

// Region R's PTZ entries have type R + 22.
template <int R>
constexpr ActionSet make_set() {
  const RegionalPcntTables& t = kRegionalPcntTables[R];
  return ActionSet{
      {sizeof(RegionalPcntEventRec), read_region<R>, write_region, copy_region<R>, kActionFields, kActionFields,
       offsetof(RegionalPcntEventRec, tri_chn_alarms), derive_mask, nullptr},
      kSchedules<R>, t.white_params, t.warning_params, t.http_params, R + 22, true,
  };
}
constexpr ActionSet kRegionSets[pcnt::kRegions] = {make_set<0>(), make_set<1>(), make_set<2>(), make_set<3>()};

json_object* action_page(const ActionSet& set, int chn) {
  JsonPtr all = action_set_json(set, chn);
  json_object* page = json_object_new_object();
  for (const char* key : kActionPageKeys) {
    json_object* v = nullptr;
    if (json_object_object_get_ex(all.get(), key, &v)) json_object_object_add(page, key, json_object_get(v));
  }
  return page;
}

// "copyChn" as a channel string, or as a list of channels with "copyCnt".
uint64_t copy_mask(json_object* req) {
  char s[video::kChannels + 1] = "";
  if (json_get_text(req, "copyChn", s, sizeof s) == JsonGet::kOk) return channel_string_mask(s);
  return get_copy_flag_by_json(req, "copyChn", "copyCnt");
}

// Each region's "action" object into its tables, then every region's set to
// the copies. False when a database write failed.
bool save_region_actions(json_object* req, int chn, uint64_t copies) {
  bool ok = true;
  for (size_t i = 0; i < pcnt::kRegions; ++i) {
    json_object* action = element(req, "action", i);
    if (action && json_object_get_type(action) == json_type_object) {
      // This page names the warning-light block "warnLightInfo".
      json_object* info = nullptr;
      if (json_object_object_get_ex(action, "warnLightInfo", &info))
        json_object_object_add(action, "warningLightInfo", json_object_get(info));
      ok &= action_set_save(kRegionSets[i], action, chn);
    }
    ok &= action_set_copy(kRegionSets[i], chn, copies);
  }
  return ok;
}

bool take_areas(const json_object* req, RegionalCount* msg) {
  for (size_t i = 0; i < pcnt::kRegions; ++i) {
    json_object* area = element(req, "regional", i);
    if (!area) break;
    if (!fields_apply(area, &msg->regions[i], kAreaFields)) return false;
  }
  return true;
}
}  // namespace

void on_get_vca_people_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const PeopleCount* m = r.as<PeopleCount>();
  JsonPtr out = fields_json(m, kPeopleFields);
  add_line_arrays(out.get(), m->lines);
  json_object* positions = json_object_new_array();
  for (const PeopleLine& l : m->lines) {
    json_object_array_add(positions,
                          json_object_new_string(vca_line_text(l.x1, l.y1, l.x2, l.y2, m->width, m->height).c_str()));
  }
  json_object_object_add(out.get(), "position", positions);
  answer_json(out);
}

void on_get_vca_people(char* text) {
  int chn = 0;
  if (!request_channel(text, "channel", &chn)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  forward_channel(pcnt::kReqPeopleGet, chn, ErrMode::kJson);
}

// The counting settings go to the camera; the event's record is enabled
// while a line counts, and the dialog's action set is saved as event 7's.
void on_set_vca_people(char* text) {
  JsonPtr req = json_parse(text);
  PeopleCount msg{};
  SmartEventRec rec{};
  if (!req || !fields_apply(req.get(), &msg, kPeopleFields) || !take_lines(req.get(), &msg) ||
      read_smart_event(devpaths::kKvdb, &rec, msg.chnid, vca::kPeopleCount) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  rec.enable = std::any_of(std::begin(msg.lines), std::end(msg.lines), [](const PeopleLine& l) { return l.line_enable; });
  json_object* dialog = nullptr;
  json_get_object(req.get(), "dialog", &dialog);
  char copies[video::kChannels + 1] = "";
  json_get_text(req.get(), "copyChn", copies, sizeof copies);
  if (write_smart_event(devpaths::kKvdb, &rec) != 0 ||
      !save_smart_event_action(vca::kPeopleCount, dialog, channel_string_mask(copies))) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  // Counting keeps its effective schedule on the camera, not in the database.
  json_object* sched_src = dialog && json_object_object_get_ex(dialog, "effective", nullptr) ? dialog : req.get();
  get_schedule_by_json_ipc(sched_src, "effective", &msg.effective);
  ipc_request(on_video_ipc_callback, video::kReqVcaPeopleSet, msg, ErrMode::kText);
}

void on_get_ipc_regional_info_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const RegionalCount* m = r.as<RegionalCount>();
  JsonPtr out = fields_json(m, kRegionalFields);
  json_object* regional = json_object_new_array();
  for (const RegionalArea& a : m->regions) json_object_array_add(regional, fields_json(&a, kAreaFields).release());
  json_object_object_add(out.get(), "regional", regional);
  json_object_object_add(out.get(), "effective", get_schedule_json_object_ipc(&m->effective));
  json_object* actions = json_object_new_array();
  for (const ActionSet& set : kRegionSets) json_object_array_add(actions, action_page(set, m->chnid));
  json_object_object_add(out.get(), "action", actions);
  answer_json(out);
}

void on_cgi_get_ipc_regional_info(char* text) {
  int chn = 0;
  if (request_channel(text, "chnid", &chn)) forward_channel(pcnt::kReqRegionalGet, chn, ErrMode::kJson);
}

// The camera's counting settings and the action set of each region; the
// camera is told only once every action set is stored.
void on_cgi_set_ipc_regional_info(char* text) {
  JsonPtr req = json_parse(text);
  RegionalCount msg{};
  if (!req || !fields_apply(req.get(), &msg, kRegionalFields) || !take_areas(req.get(), &msg) ||
      !save_region_actions(req.get(), msg.chnid, copy_mask(req.get()))) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  get_schedule_by_json_ipc(req.get(), "effective", &msg.effective);
  ipc_request(on_video_ipc_callback, video::kReqIpcRegionalSet, msg, ErrMode::kJson);
}
