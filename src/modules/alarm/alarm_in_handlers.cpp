// Recorder alarm inputs (/6060-/6064) and the names of every input (/6034).
#include <json-c/json.h>

#include <cstdint>
#include <vector>

#include "base/paths.h"
#include "common/converters.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/alarm/alarm_module.h"
#include "platform/kvdb_alarm.h"
#include "proto/alarm_proto.h"

using namespace alarmio;

namespace {
// Page order of /6061; /6060 prints the first six.
constexpr Field kInPageFields[] = {
    FIELD(AlarmInRec, id, "id"),
    FIELD(AlarmInRec, enable, "enable"),
    FIELD(AlarmInRec, name, "name"),
    FIELD(AlarmInRec, type, "type"),
    FIELD(AlarmInRec, tri_channels, "triChannels"),
    FIELD(AlarmInRec, tri_alarms, "triAlarms"),
    FIELD(AlarmInRec, interval, "interval"),
    FIELD(AlarmInRec, tri_snapshot, "triSnapshot"),
};
constexpr size_t kInListKeys = 6;
// The "alarm" object of /6062 and /6064.
constexpr Field kInSetFields[] = {
    FIELD_REQ(AlarmInRec, id, "id", 0, kAlarmIns - 1),
    FIELD_IN(AlarmInRec, enable, "enable", 0, 2),
    FIELD(AlarmInRec, name, "name"),
    FIELD_IN(AlarmInRec, type, "type", 0, 1),
    FIELD_ALL(AlarmInRec, tri_channels, "triChannels", kFieldRequired, 0, INT64_MAX),
    FIELD_IN(AlarmInRec, tri_alarms, "triAlarms", 0, INT32_MAX),
    FIELD_IN(AlarmInRec, interval, "interval", 0, INT32_MAX),
};
constexpr Field kInNameFields[] = {
    FIELD(AlarmInRec, name, "name"),
    FIELD(AlarmInRec, type, "type"),
    FIELD(AlarmInRec, enable, "enable"),
};
// Every period the web page saves runs this action.
constexpr int32_t kAlarmInAction = 6;
constexpr int kPagePeriods = 12;

// The "alarm" object of a request, checked against f, or null.
json_object* alarm_object(const JsonPtr& req, Fields f) {
  json_object* alarm = nullptr;
  if (!req || json_get_object(req.get(), "alarm", &alarm) != JsonGet::kOk || !fields_check(alarm, f)) return nullptr;
  return alarm;
}

void finish_in_set(bool ok, int id, int log_channel) {
  if (!ok) return cgi_error_to_webserver(ErrMode::kText), void();
  ipc_send(on_alarm_ipc_callback, kReqAlarmInChanged, int32_t{id});
  send_op_log(on_alarm_ipc_callback, kLogSubAlarm, kLogParamAlarmIn, log_channel);
  answer_ok();
}

std::vector<AlarmInRec> all_inputs(int* count) {
  std::vector<AlarmInRec> recs(kAlarmInRecords);
  if (read_alarm_ins(devpaths::kKvdb, recs.data(), count) != 0) *count = 0;
  if (*count > kAlarmIns) *count = kAlarmIns;
  return recs;
}
}  // namespace

void on_get_alarm_in_list(char*) {
  int count = 0;
  std::vector<AlarmInRec> recs = all_inputs(&count);
  JsonPtr arr(json_object_new_array());
  for (int i = 0; i < count; ++i)
    json_object_array_add(arr.get(), fields_json(&recs[i], std::span(kInPageFields, kInListKeys)).release());
  answer_json(arr);
}

void on_get_alarm_in(char* text) {
  int id = -1;
  AlarmInRec rec{};
  if (!text_int(text, 0, kAlarmIns - 1, &id) || read_alarm_in(devpaths::kKvdb, &rec, id) != 0) return;
  ScheduleRec sched{};
  read_schedule(devpaths::kKvdb, kAlarmInEffectiveTable, id, &sched);
  JsonPtr obj(json_object_new_object());
  json_object_object_add(obj.get(), "alarm", fields_json(&rec, kInPageFields).release());
  json_object_object_add(obj.get(), "schedule", get_schedule_json_object(&sched));
  answer_json(obj);
}

void on_set_alarm_in(char* text) {
  JsonPtr req = json_parse(text);
  json_object* alarm = alarm_object(req, kInSetFields);
  ScheduleRec sched{};
  if (!alarm || get_schedule_by_json(req.get(), "schedule", &sched) != 0) return;
  AlarmInRec rec{};
  fields_from_json(alarm, &rec, kInSetFields);
  rec.tri_mask = alarm_channel_mask(rec.tri_channels);
  for (ScheduleDay& d : sched.day)
    for (int p = 0; p < kPagePeriods; ++p) d.period[p].action = kAlarmInAction;
  bool ok = write_alarm_in(devpaths::kKvdb, &rec) == 0 &&
            write_schedule(devpaths::kKvdb, kAlarmInEffectiveTable, rec.id, &sched) == 0;
  finish_in_set(ok, rec.id, 0);
}

void on_set_alarm_in_name(char* text) {
  JsonPtr req = json_parse(text);
  json_object* alarm = alarm_object(req, kInNameFields);
  int id = -1;
  AlarmInRec rec{};
  // The input must exist: its id indexes the daemon's table.
  if (!alarm || json_get_int(alarm, "camId", &id) != JsonGet::kOk || id < 0 || id >= kAlarmIns ||
      read_alarm_in(devpaths::kKvdb, &rec, id) != 0)
    return;
  fields_from_json(alarm, &rec, kInNameFields);
  finish_in_set(write_alarm_in(devpaths::kKvdb, &rec) == 0, id, id + 1);
}

void on_set_alarm_in_actions(char* text) {
  JsonPtr req = json_parse(text);
  json_object* alarm = alarm_object(req, kInSetFields);
  int id = -1;
  AlarmInRec rec{};
  if (!alarm || json_get_int(alarm, "id", &id) != JsonGet::kOk) return;
  read_alarm_in(devpaths::kKvdb, &rec, id);
  // "enable" is not this page's to change.
  int32_t enable = rec.enable;
  fields_from_json(alarm, &rec, kInSetFields);
  rec.enable = enable;
  rec.tri_mask = alarm_channel_mask(rec.tri_channels);
  finish_in_set(write_alarm_in(devpaths::kKvdb, &rec) == 0, id, id + 1);
}

void on_get_all_alarmin_names(char*) {
  int count = 0;
  std::vector<AlarmInRec> recs = all_inputs(&count);
  static ChnInNameRec names[4][kAlarmChannels];
  for (int k = 0; k < 4; ++k) read_alarm_chnIn_event_names(devpaths::kKvdb, k, names[k]);
  JsonPtr obj(json_object_new_object());
  json_object* nvr = json_object_new_array();
  for (int i = 0; i < count; ++i) json_object_array_add(nvr, json_object_new_string(recs[i].name));
  json_object_object_add(obj.get(), "nvr", nvr);
  json_object* cams = json_object_new_array();
  for (int c = 0; c < kAlarmChannels; ++c) {
    json_object* four = json_object_new_array();
    for (int k = 0; k < 4; ++k) json_object_array_add(four, json_object_new_string(names[k][c].name));
    json_object_array_add(cams, four);
  }
  json_object_object_add(obj.get(), "camera", cams);
  answer_json(obj);
}
