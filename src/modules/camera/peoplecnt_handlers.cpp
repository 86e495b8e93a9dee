// People counting groups (/2066, /2067), their event action sets (/2069,
// /2070), the counter resets (/2071, /2072) and the report backup
// (/2075, /2076). Settings are stored first; the daemon is told after.
#include <json-c/json.h>

#include <algorithm>
#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/camera/camera_module.h"
#include "platform/kvdb_peoplecnt.h"
#include "proto/peoplecnt_proto.h"

using namespace peoplecnt;

namespace {
constexpr Field kGroupFields[] = {
    FIELD_GET(PeoplecntGroupRec, id, "groupid"),
    FIELD(PeoplecntGroupRec, enable, "enable"),
    FIELD(PeoplecntGroupRec, stays, "stays"),
    FIELD(PeoplecntGroupRec, liveview_auto_reset, "liveview_auto_reset"),
    FIELD(PeoplecntGroupRec, auto_day, "auto_day"),
    FIELD(PeoplecntGroupRec, liveview_font_size, "liveview_font_size"),
    FIELD(PeoplecntGroupRec, name, "name"),
    FIELD(PeoplecntGroupRec, auto_day_time, "auto_day_time"),
    FIELD(PeoplecntGroupRec, tri_channels, "tri_channels"),
    FIELD(PeoplecntGroupRec, liveview_green_tips, "liveview_green_tips"),
    FIELD(PeoplecntGroupRec, liveview_red_tips, "liveview_red_tips"),
};

// Members of the action page before its schedules, and those a save takes.
constexpr Field kEventHeadFields[] = {
    FIELD(PeoplecntEventRec, id, "chnid"),
    FIELD(PeoplecntEventRec, tri_alarms, "triAlarms"),
    FIELD(PeoplecntEventRec, interval, "interval"),
    FIELD(PeoplecntEventRec, email_interval, "email_interval"),
    FIELD(PeoplecntEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(PeoplecntEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(PeoplecntEventRec, ptz_interval, "ptz_interval"),
    FIELD(PeoplecntEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(PeoplecntEventRec, white_interval, "white_interval"),
};
constexpr Field kEventSaveFields[] = {
    FIELD(PeoplecntEventRec, tri_alarms, "triAlarms"),
    FIELD(PeoplecntEventRec, interval, "interval"),
    FIELD(PeoplecntEventRec, audio_id, "audioId"),
    FIELD(PeoplecntEventRec, email_interval, "email_interval"),
    FIELD(PeoplecntEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(PeoplecntEventRec, ptz_interval, "ptz_interval"),
    FIELD(PeoplecntEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(PeoplecntEventRec, white_interval, "white_interval"),
    FIELD(PeoplecntEventRec, http_notification_interval, "http_notification_interval"),
    FIELD(PeoplecntEventRec, tri_channels_pic, "tri_channels_pic"),
};

int read_event(const char* path, void* rec, int group) {
  return read_peoplecnt_event(path, static_cast<PeoplecntEventRec*>(rec), group);
}
int write_event(const char* path, const void* rec) {
  return write_peoplecnt_event(path, static_cast<const PeoplecntEventRec*>(rec));
}
// Groups are never copied to one another.
int no_copy(const char*, int, uint64_t) { return -1; }

constexpr ActionSchedule kGroupSchedules[] = {
    {"audible", kPeoplecntAudibleTable}, {"email", kPeoplecntEmailTable},     {"ptz", kPeoplecntPtzTable},
    {"white", kPeoplecntWhiteTable},     {"httpSche", kPeoplecntHttpScheTable},
};
constexpr ActionSet kGroupActions = {
    {sizeof(PeoplecntEventRec), read_event, write_event, no_copy, kEventHeadFields, kEventSaveFields,
     offsetof(PeoplecntEventRec, tri_chn_alarms), nullptr, nullptr},
    kGroupSchedules, kPeoplecntWhiteParams, nullptr, kPeoplecntHttpParams, kPtzTypePeoplecnt, true,
};

void add_schedule(json_object* obj, const char* key, const char* table, int group) {
  ScheduleRec sched{};
  read_schedule(devpaths::kKvdb, table, group, &sched);
  json_object_object_add(obj, key, get_schedule_json_object(&sched));
}

// The action page of a group, in the page's key order; the dialog of /2066
// also carries the PTZ entries.
JsonPtr group_action_json(int group, bool dialog) {
  PeoplecntEventRec ev{};
  read_peoplecnt_event(devpaths::kKvdb, &ev, group);
  ev.id = group;
  JsonPtr obj = camera_fields_json(&ev, kEventHeadFields);
  json_object* o = obj.get();
  add_schedule(o, "effective", kPeoplecntAudibleTable, group);
  add_schedule(o, "audible", kPeoplecntAudibleTable, group);
  add_schedule(o, "email", kPeoplecntEmailTable, group);
  add_schedule(o, "ptz", kPeoplecntPtzTable, group);
  char outs[2][kChnAlarmNameSize];
  for (int i = 0; i < 2; ++i) copy_text(outs[i], sizeof outs[i], ev.tri_chn_alarms[i]);
  json_object_object_add(o, "triChnAlarms", get_event_chn_alarmout_object(outs[0], outs[1]));
  add_schedule(o, "white", kPeoplecntWhiteTable, group);
  json_object_object_add(o, "whiteInfo", get_white_params_json_object(group, kPeoplecntWhiteParams));
  json_add_int(o, "audioId", ev.audio_id);
  json_add_int(o, "audioIdMask", get_audio_file_id_mask());
  if (dialog) json_object_object_add(o, "ptzParams", get_ptz_params_json_object(kPtzTypePeoplecnt, group));
  return obj;
}

// The parsed request and its "groupid" 0..8, or null (bad input).
JsonPtr group_request(const char* text, int* group) {
  JsonPtr req = json_parse(text);
  if (!req || json_get_int(req.get(), "groupid", group) != JsonGet::kOk || *group < 0 ||
      *group >= kPeoplecntGroups)
    return nullptr;
  return req;
}

// Element i of the request array replaces recs[i], for i below both
// lengths; false (recs partly replaced) when an element is refused.
bool apply_elements(const json_object* list, void* recs, size_t size, size_t n, Fields f) {
  size_t count = std::min(json_array_size(list), n);
  for (size_t i = 0; i < count; ++i)
    if (!fields_apply(json_array_at(list, i), static_cast<char*>(recs) + i * size, f)) return false;
  return true;
}

constexpr Field kBackupFields[] = {
    FIELD(ReportBackupRec, report_type, "reportType"),
    FIELD(ReportBackupRec, enable, "enable"),
    FIELD(ReportBackupRec, tri_channels, "triChannels"),
    FIELD(ReportBackupRec, tri_groups, "triGroups"),
    FIELD(ReportBackupRec, stay_length_type, "stayLengthType"),
    FIELD(ReportBackupRec, stay_length_value, "stayLengthValue"),
    FIELD(ReportBackupRec, backup_day, "backupDay"),
    FIELD(ReportBackupRec, backup_time, "backupTime"),
    FIELD(ReportBackupRec, file_format, "fileFormat"),
    FIELD(ReportBackupRec, time_range, "timeRange"),
    FIELD(ReportBackupRec, backup_to, "backupTo"),
    FIELD(ReportBackupRec, line_mask, "lineMask"),
};
}  // namespace

void on_cgi_get_peoplecnt_settings(char* text) {
  // No request text at all lists the groups alone.
  JsonPtr req = json_parse(text);
  int action = 0;
  if (text && *text && (!req || json_get_int(req.get(), "action", &action) == JsonGet::kBadType)) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  PeoplecntGroupRec groups[kPeoplecntGroups] = {};
  read_peoplecnt_settings(devpaths::kKvdb, groups);
  JsonPtr list(json_object_new_array());
  for (int i = 0; i < kPeoplecntGroups; ++i) {
    groups[i].id = i;
    JsonPtr g = camera_fields_json(&groups[i], kGroupFields);
    if (action != 0) json_object_object_add(g.get(), "dialog", group_action_json(i, true).release());
    json_object_array_add(list.get(), g.release());
  }
  JsonPtr out(json_object_new_object());
  json_object_object_add(out.get(), "groups", list.release());
  answer_json(out);
}

void on_cgi_set_peoplecnt_settings(char* text) {
  JsonPtr req = json_parse(text);
  json_object* list = nullptr;
  PeoplecntGroupRec groups[kPeoplecntGroups] = {};
  if (json_get_array(req.get(), "groups", &list) != JsonGet::kOk ||
      read_peoplecnt_settings(devpaths::kKvdb, groups) != 0 ||
      !apply_elements(list, groups, sizeof groups[0], kPeoplecntGroups, kGroupFields) ||
      write_peoplecnt_settings(devpaths::kKvdb, groups) != 0) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  int32_t taken = static_cast<int32_t>(std::min<size_t>(json_array_size(list), kPeoplecntGroups));
  ipc_request(on_camera_param_ipc_callback, kReqSettingsSet, taken, ErrMode::kJson);
}

void on_cgi_get_peoplecnt_action(char* text) {
  int group = -1;
  if (!group_request(text, &group)) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  answer_json(group_action_json(group, false));
}

void on_cgi_set_peoplecnt_action(char* text) {
  int group = -1;
  JsonPtr req = group_request(text, &group);
  if (!req || !action_set_save(kGroupActions, req.get(), group)) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  ipc_request(on_camera_param_ipc_callback, kReqActionSet, ActionNotice{group, -1}, ErrMode::kJson);
}

namespace {
void send_group(const char* text, IpcCode code) {
  int group = -1;
  if (!group_request(text, &group)) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  ipc_request(on_camera_param_ipc_callback, code, int32_t{group}, ErrMode::kJson);
}
}  // namespace

void on_cgi_set_peoplecnt_db_reset(char* text) { send_group(text, kReqDbReset); }
void on_cgi_set_peoplecnt_liveview_reset(char* text) { send_group(text, kReqLiveviewReset); }

void on_cgi_get_report_auto_backup(char*) {
  ReportBackupRec recs[kReportBackups] = {};
  read_peoplecnt_auto_backup(devpaths::kKvdb, recs);
  JsonPtr list(json_object_new_array());
  for (const ReportBackupRec& r : recs) json_object_array_add(list.get(), camera_fields_json(&r, kBackupFields).release());
  JsonPtr out(json_object_new_object());
  json_object_object_add(out.get(), "report", list.release());
  json_add_int(out.get(), "email", 1);
  answer_json(out);
}

// Entries beyond the request's elements keep what is stored: the request
// says nothing about them.
void on_cgi_set_report_auto_backup(char* text) {
  JsonPtr req = json_parse(text);
  json_object* list = nullptr;
  ReportBackupRec recs[kReportBackups] = {};
  if (json_get_array(req.get(), "report", &list) != JsonGet::kOk ||
      read_peoplecnt_auto_backup(devpaths::kKvdb, recs) != 0 ||
      !apply_elements(list, recs, sizeof recs[0], kReportBackups, kBackupFields) ||
      write_peoplecnt_auto_backup(devpaths::kKvdb, recs) != 0) {
    cgi_error_to_webserver(static_cast<int>(ErrMode::kJson));
    return;
  }
  ipc_request(on_camera_param_ipc_callback, kReqReportBackup, ErrMode::kJson);
}

// The daemon's word does not matter to the page.
void on_report_backup_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr out(json_object_new_object());
  json_add_int(out.get(), "res", 0);
  answer_json(out);
}
