// Recorder alarm outputs (/6020-/6023), the names of every output (/6032)
// and camera outputs switched by hand (/6033).
#include <json-c/json.h>

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
constexpr Field kOutFields[] = {
    FIELD_GET(AlarmOutRec, id, "id"),
    FIELD(AlarmOutRec, name, "name"),
    FIELD(AlarmOutRec, type, "type"),
    FIELD(AlarmOutRec, enable, "enable"),
    FIELD(AlarmOutRec, durationTime, "durationTime"),
};
constexpr Field kManualFields[] = {
    FIELD_REQ(OutputControl, id, "id", 0, kAlarmOuts - 1),
    FIELD_REQ(OutputControl, enable, "enable", INT32_MIN, INT32_MAX),
};
constexpr Field kCameraOutFields[] = {
    FIELD_REQ(CameraOutControl, chn, "chnid", 0, kAlarmChannels - 1),
    FIELD_REQ(CameraOutControl, alarm_id, "alarmId", 0, 1),
    FIELD_REQ(CameraOutControl, state, "state", INT32_MIN, INT32_MAX),
};

bool out_id(const json_object* req, int* id) {
  return json_get_int(req, "alarmId", id) == JsonGet::kOk && *id >= 0 && *id < kAlarmOuts;
}

void notify_out(int id) { ipc_send(on_alarm_ipc_callback, kReqAlarmOutChanged, int32_t{id}); }
}  // namespace

void on_get_alarm_out_list(char*) {
  AlarmOutRec outs[kAlarmOuts] = {};
  int count = 0;
  if (read_alarm_outs(devpaths::kKvdb, outs, &count) != 0) return cgi_error_to_webserver(ErrMode::kJson), void();
  JsonPtr arr(json_object_new_array());
  for (int i = 0; i < count; ++i) json_object_array_add(arr.get(), fields_json(&outs[i], kOutFields).release());
  answer_json(arr);
}

void on_get_alarm_out(char* text) {
  JsonPtr req = json_parse(text);
  int id = -1;
  AlarmOutRec outs[kAlarmOuts] = {};
  if (!req || !out_id(req.get(), &id) || read_alarm_outs(devpaths::kKvdb, outs, nullptr) != 0)
    return cgi_error_to_webserver(ErrMode::kJson), void();
  ScheduleRec sched{};
  read_schedule(devpaths::kKvdb, kAlarmOutScheduleTable, id, &sched);
  JsonPtr obj = fields_json(&outs[id], kOutFields);
  json_object_object_add(obj.get(), "effective", get_schedule_json_object_ex(&sched));
  answer_json(obj);
}

void on_set_alarm_out(char* text) {
  JsonPtr req = json_parse(text);
  int id = -1;
  AlarmOutRec outs[kAlarmOuts] = {};
  if (!req || !out_id(req.get(), &id) || !fields_check(req.get(), kOutFields) ||
      read_alarm_outs(devpaths::kKvdb, outs, nullptr) != 0)
    return cgi_error_to_webserver(ErrMode::kText), void();
  bool ok = true;
  json_object* dialog = nullptr;
  ScheduleRec sched{};
  if (json_get_object(req.get(), "dialog", &dialog) == JsonGet::kOk &&
      get_schedule_by_json_ex(dialog, "effective", &sched) == 0)
    ok &= write_schedule(devpaths::kKvdb, kAlarmOutScheduleTable, id, &sched) == 0;
  bool changed = false;
  for (const Field& f : kOutFields) changed |= json_object_object_get_ex(req.get(), f.key, nullptr);
  fields_from_json(req.get(), &outs[id], kOutFields);
  outs[id].id = id;
  if (changed) ok &= write_alarm_outs(devpaths::kKvdb, outs, uint64_t{1} << id) == 0;
  // Only real outputs other than the source take the copy.
  uint64_t copies = get_copy_flag_by_json(req.get(), "copyChn", "copyCnt") & 0xF & ~(uint64_t{1} << id);
  for (int i = 0; i < kAlarmOuts; ++i)
    if (copies >> i & 1) {
      outs[i].type = outs[id].type;
      outs[i].enable = outs[id].enable;
      outs[i].durationTime = outs[id].durationTime;
    }
  if (copies) {
    ok &= write_alarm_outs(devpaths::kKvdb, outs, copies) == 0;
    ok &= copy_schedules(devpaths::kKvdb, kAlarmOutScheduleTable, id, copies) == 0;
  }
  if (!ok) return cgi_error_to_webserver(ErrMode::kText), void();
  notify_out(id);
  for (int i = 0; i < kAlarmOuts; ++i)
    if (copies >> i & 1) notify_out(i);
  send_op_log_mask(on_alarm_ipc_callback, kLogSubAlarm, kLogParamAlarmOut, id + 1, copies | uint64_t{1} << id);
  answer_ok();
}

void on_set_alarm_out_manual(char* text) {
  OutputControl rec{};
  if (!fields_parse(text, &rec, kManualFields)) return;
  ipc_send(on_alarm_ipc_callback, kReqAlarmOutManual, rec);
  send_op_log(on_alarm_ipc_callback, kLogSubAlarm, kLogParamAlarmOut, rec.id + 1);
  answer_ok();
}

void on_get_all_alarmout_names(char*) {
  AlarmOutRec outs[kAlarmOuts] = {};
  int count = 0;
  static ChnOutNameRec names[2][kAlarmChannels];
  read_alarm_outs(devpaths::kKvdb, outs, &count);
  for (int k = 0; k < 2; ++k) read_alarm_chnOut_event_names(devpaths::kKvdb, k, names[k]);
  JsonPtr obj(json_object_new_object());
  json_object* nvr = json_object_new_array();
  for (int i = 0; i < count; ++i) json_object_array_add(nvr, json_object_new_string(outs[i].name));
  json_object_object_add(obj.get(), "nvr", nvr);
  json_object* cams = json_object_new_array();
  for (int c = 0; c < kAlarmChannels; ++c) {
    json_object* pair = json_object_new_array();
    for (int k = 0; k < 2; ++k) json_object_array_add(pair, json_object_new_string(names[k][c].name));
    json_object_array_add(cams, pair);
  }
  json_object_object_add(obj.get(), "camera", cams);
  answer_json(obj);
}

void on_set_camera_alarm_output_state(char* text) {
  CameraOutControl rec{};
  if (!fields_parse(text, &rec, kCameraOutFields)) return cgi_error_to_webserver(ErrMode::kText), void();
  ipc_send(on_alarm_ipc_callback, kReqCameraOutControl, rec);
  answer_ok();
}
