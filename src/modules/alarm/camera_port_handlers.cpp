// Camera alarm ports: inputs with their action sets (/6024, /6025) and
// outputs with their schedules (/6028, /6029). Enable, type and state live
// on the camera and go through the daemon; names, schedules and actions are
// the recorder's.
#include <json-c/json.h>

#include <algorithm>
#include <cstring>

#include "base/paths.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/fields.h"
#include "common/reply.h"
#include "modules/alarm/alarm_module.h"
#include "platform/kvdb_alarm.h"
#include "proto/alarm_proto.h"

using namespace alarmio;

namespace {
// ---- One action set per camera input ----

// Printed by the page and taken from its dialog.
constexpr Field kChnInFields[] = {
    FIELD(ChnInEventRec, enable, "enable"),
    FIELD(ChnInEventRec, tri_alarms, "triAlarms"),
    FIELD(ChnInEventRec, tri_channels, "triChannels"),
    FIELD(ChnInEventRec, interval, "interval"),
    FIELD(ChnInEventRec, audio_id, "audioId"),
    FIELD(ChnInEventRec, email_interval, "email_interval"),
    FIELD(ChnInEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(ChnInEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(ChnInEventRec, ptz_interval, "ptz_interval"),
    FIELD(ChnInEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(ChnInEventRec, white_interval, "white_interval"),
    FIELD(ChnInEventRec, warning_light_interval, "warning_light_interval"),
    FIELD(ChnInEventRec, http_notification_interval, "http_notification_interval"),
};
// Page order of one input after its camera-side members and name.
constexpr const char* kChnInPageKeys[] = {
    "effective",        "audible",          "interval",      "audioId",
    "audioIdMask",      "email",            "email_interval", "email_pic_enable",
    "tri_channels_pic", "ptz",              "ptz_interval",  "ptzParams",
    "alarmout_interval", "triAlarms",       "triChannels",   "triChnAlarms",
    "white",            "whiteInfo",        "white_interval", "warningLight",
    "warningLightInfo", "warning_light_interval", "httpSche", "httpParams",
    "http_notification_interval",
};

void derive_mask(void* rec) {
  auto* r = static_cast<ChnInEventRec*>(rec);
  r->tri_mask = alarm_channel_mask(r->tri_channels);
}
template <int N>
int read_in(const char* path, void* rec, int chn) {
  return read_alarm_chnIn_event(path, static_cast<ChnInEventRec*>(rec), chn, N);
}
int write_in(const char* path, const void* rec) {
  return write_alarm_chnIn_event(path, static_cast<const ChnInEventRec*>(rec));
}
template <int N>
int copy_in(const char* path, int src, uint64_t mask) {
  return copy_alarm_chnIn_events(path, N, src, mask);
}
template <int N>
constexpr ActionSchedule kChnInSchedules[] = {
    {"effective", kChnInTables[N].effective}, {"audible", kChnInTables[N].audible},
    {"email", kChnInTables[N].email},         {"ptz", kChnInTables[N].ptz},
    {"white", kChnInTables[N].white},         {"warningLight", kChnInTables[N].warning},
    {"httpSche", kChnInTables[N].http_sche},
};
template <int N>
constexpr ActionSet chn_in_set() {
  const SmartEventTables& t = kChnInTables[N];
  return ActionSet{
      {sizeof(ChnInEventRec), read_in<N>, write_in, copy_in<N>, kChnInFields, kChnInFields,
       offsetof(ChnInEventRec, tri_chn_alarms), derive_mask, nullptr},
      kChnInSchedules<N>, t.white_params, t.warning_params, t.http_params, converse_chn_alarmid_to_event_in(N), true,
  };
}
constexpr ActionSet kChnInSets[kChnAlarmIns] = {chn_in_set<0>(), chn_in_set<1>(), chn_in_set<2>(), chn_in_set<3>()};

// ---- Requests ----

constexpr Field kInStatusFields[] = {FIELD_REQ(CameraInStatus, chn, "chnid", 0, kAlarmChannels - 1)};
constexpr Field kOutStatusFields[] = {FIELD_REQ(CameraOutStatus, chn, "chnid", 0, kAlarmChannels - 1)};

constexpr JsonRule kCameraInSetRules[] = {
    {"chnid", true, JsonType::kInt, 0, kAlarmChannels - 1},
    {"alarmCnt", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"dialog", false, JsonType::kArray, 0, INT32_MAX},
    {"alarm", false, JsonType::kArray, 0, INT32_MAX},
};
constexpr JsonRule kCameraOutSetRules[] = {
    {"chnid", true, JsonType::kInt, 0, kAlarmChannels - 1},
    {"alarmCnt", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"dialog", false, JsonType::kArray, 0, INT32_MAX},
    {"alarm", false, JsonType::kArray, 0, INT32_MAX},
};
constexpr JsonRule kDialogInputRule[] = {{"alarmId", true, JsonType::kInt, 0, kChnAlarmIns - 1}};
constexpr Field kInEntryFields[] = {
    FIELD(CameraInEntry, alarmEnable, "alarmEnable"),
    FIELD(CameraInEntry, alarmType, "alarmType"),
};
constexpr Field kInNameFields[] = {FIELD(ChnInNameRec, name, "alarmName")};
constexpr Field kOutEntryFields[] = {
    FIELD_IN(CameraOutEntry, id, "alarmId", 0, kChnAlarmOuts - 1),
    FIELD(CameraOutEntry, alarmType, "alarmType"),
};
constexpr Field kOutNameFields[] = {
    FIELD(ChnOutNameRec, delayTime, "delayTime"),
    FIELD(ChnOutNameRec, name, "alarmName"),
};

// Element i of a request array, or null.
json_object* element(json_object* arr, int i) {
  return arr && static_cast<size_t>(i) < json_array_size(arr) ? json_array_at(arr, static_cast<size_t>(i)) : nullptr;
}

// Every element present of the first n passes its table.
bool elements_pass(json_object* arr, int n, Fields f) {
  for (int i = 0; i < n; ++i)
    if (json_object* e = element(arr, i); e && !fields_check(e, f)) return false;
  return true;
}

bool valid_reply_chn(int chn) { return chn >= 0 && chn < kAlarmChannels; }

// A reply the page cannot be built from ends the wait with the error answer.
void answer_bad_reply() {
  cgi_error_to_webserver(ErrMode::kJson);
  g_callback_done = 1;
}

void add_schedule(json_object* obj, const char* key, const char* table, int chn) {
  ScheduleRec rec{};
  read_schedule(devpaths::kKvdb, table, chn, &rec);
  json_object_object_add(obj, key, get_schedule_json_object(&rec));
}

uint64_t bit(int n) { return uint64_t{1} << n; }
}  // namespace

void on_get_camera_alarm_input(char* text) {
  CameraInStatus rec{};
  if (!fields_parse(text, &rec, kInStatusFields)) return cgi_error_to_webserver(ErrMode::kJson), void();
  rec.alarmCnt = kCameraIns;
  ipc_request(on_alarm_ipc_callback, kReqCameraInStatus, rec, ErrMode::kJson);
}

void on_camera_in_status_cb(const IpcReply& r) {
  CameraInStatus st{};
  if (r.count < 1) return answer_bad_reply();
  memcpy(&st, r.payload, sizeof st);
  if (!valid_reply_chn(st.chn)) return answer_bad_reply();
  // A camera may report more inputs than a record holds: the page shows what it can.
  const int n = std::clamp(st.alarmCnt, 0, kCameraIns);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", st.chn);
  json_add_int(obj.get(), "alarmCnt", n);
  json_object* list = json_object_new_array();
  for (int i = 0; i < n; ++i) {
    json_object* in = json_object_new_object();
    json_add_int(in, "alarmEnable", st.alarmEnable[i]);
    json_add_int(in, "alarmType", st.alarmType[i]);
    json_add_int(in, "alarmStatus", st.alarmStatus[i]);
    ChnInNameRec name{};
    read_alarm_chnIn_event_name(devpaths::kKvdb, &name, st.chn, i);
    json_add_field(in, "alarmName", name.name);
    JsonPtr set = action_set_json(kChnInSets[i], st.chn);
    json_take_keys(in, set.get(), kChnInPageKeys);
    json_object_array_add(list, in);
  }
  json_object_object_add(obj.get(), "alarm", list);
  answer_json(obj);
}

void on_set_camera_alarm_input(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1, cnt = 0;
  json_object *dialog = nullptr, *alarm = nullptr;
  if (!req || !json_check(req.get(), kCameraInSetRules)) return cgi_error_to_webserver(ErrMode::kJson), void();
  json_get_int(req.get(), "chnid", &chn);
  json_get_int(req.get(), "alarmCnt", &cnt);
  json_get_array(req.get(), "dialog", &dialog);
  json_get_array(req.get(), "alarm", &alarm);
  const int n = std::clamp(cnt, 0, kCameraIns);
  // Nothing is stored from a request with one bad element.
  if (!elements_pass(alarm, n, kInEntryFields) || !elements_pass(alarm, n, kInNameFields))
    return cgi_error_to_webserver(ErrMode::kJson), void();
  for (int i = 0; i < n; ++i)
    if (json_object* d = element(dialog, i); d && !json_check(d, kDialogInputRule))
      return cgi_error_to_webserver(ErrMode::kJson), void();
  const uint64_t copies = get_copy_flag_by_json(req.get(), "copyChn", "copyCnt") & ~bit(chn);
  bool ok = true;
  CameraInSet msg{};
  for (int i = 0; i < n; ++i) {
    if (json_object* d = element(dialog, i)) {
      int input = 0;
      json_get_int(d, "alarmId", &input);
      ok &= action_set_save(kChnInSets[input], d, chn);
      ok &= action_set_copy(kChnInSets[input], chn, copies);
    }
    msg.in[i].id = i;
    if (json_object* a = element(alarm, i)) {
      fields_from_json(a, &msg.in[i], kInEntryFields);
      ChnInNameRec name{};
      read_alarm_chnIn_event_name(devpaths::kKvdb, &name, chn, i);
      fields_from_json(a, &name, kInNameFields);
      ok &= write_alarm_chnIn_event_name(devpaths::kKvdb, &name) == 0;
    }
  }
  if (!ok) return cgi_error_to_webserver(ErrMode::kJson), void();
  msg.count = n;
  msg.mask = copies | bit(chn);
  ipc_send(on_alarm_ipc_callback, kReqCameraInSet, msg);
  ipc_send(on_alarm_ipc_callback, kReqCameraInsChanged, msg.mask);
  answer_ok();
}

void on_get_camera_alarm_output(char* text) {
  CameraOutStatus rec{};
  if (!fields_parse(text, &rec, kOutStatusFields)) return cgi_error_to_webserver(ErrMode::kJson), void();
  ipc_request(on_alarm_ipc_callback, kReqCameraOutStatus, rec.chn, ErrMode::kJson);
}

void on_camera_out_status_cb(const IpcReply& r) {
  CameraOutStatus st{};
  if (r.count < 1) return answer_bad_reply();
  memcpy(&st, r.payload, sizeof st);
  if (!valid_reply_chn(st.chn)) return answer_bad_reply();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", st.chn);
  json_add_int(obj.get(), "alarmCnt", std::clamp(st.alarmCnt, 0, kCameraOuts));
  json_object* list = json_object_new_array();
  for (int i = 0; i < kCameraOuts; ++i) {
    json_object* out = json_object_new_object();
    json_add_int(out, "alarmType", st.alarmType[i]);
    json_add_int(out, "alarmStatus", st.alarmStatus[i]);
    ChnOutNameRec name{};
    read_alarm_chnOut_event_name(devpaths::kKvdb, &name, st.chn, i);
    json_add_field(out, "alarmName", name.name);
    json_add_int(out, "delayTime", name.delayTime);
    add_schedule(out, "effective", kChnOutEffectiveTables[i], st.chn);
    json_object_array_add(list, out);
  }
  json_object_object_add(obj.get(), "alarm", list);
  answer_json(obj);
}

void on_set_camera_alarm_output(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1;
  json_object *dialog = nullptr, *alarm = nullptr;
  if (!req || !json_check(req.get(), kCameraOutSetRules)) return;
  json_get_int(req.get(), "chnid", &chn);
  json_get_array(req.get(), "dialog", &dialog);
  json_get_array(req.get(), "alarm", &alarm);
  int n = static_cast<int>(std::min<size_t>(json_array_size(alarm), kCameraOuts));
  if (int cnt = n; json_get_int(req.get(), "alarmCnt", &cnt) == JsonGet::kOk) n = std::clamp(cnt, 0, n);
  if (!elements_pass(alarm, n, kOutEntryFields) || !elements_pass(alarm, n, kOutNameFields)) return;
  const uint64_t copies = get_copy_flag_by_json(req.get(), "copyChn", "copyCnt") & ~bit(chn);
  bool ok = true;
  // Dialog element k holds the effective schedule of output k.
  for (int k = 0; k < kChnAlarmOuts; ++k) {
    ScheduleRec sched{};
    if (json_object* d = element(dialog, k); d && get_schedule_by_json(d, "effective", &sched) == 0)
      ok &= write_schedule(devpaths::kKvdb, kChnOutEffectiveTables[k], chn, &sched) == 0;
  }
  CameraOutSet msg{};
  for (int i = 0; i < n; ++i) {
    json_object* a = element(alarm, i);
    msg.out[i].id = i;
    fields_from_json(a, &msg.out[i], kOutEntryFields);
    ChnOutNameRec name{};
    read_alarm_chnOut_event_name(devpaths::kKvdb, &name, chn, msg.out[i].id);
    fields_from_json(a, &name, kOutNameFields);
    ok &= write_alarm_chnOut_event_name(devpaths::kKvdb, &name) == 0;
  }
  for (int k = 0; copies && k < kChnAlarmOuts; ++k) {
    ok &= copy_alarm_chnOut_event_names(devpaths::kKvdb, k, chn, copies) == 0;
    ok &= copy_schedules(devpaths::kKvdb, kChnOutEffectiveTables[k], chn, copies) == 0;
  }
  if (!ok) return cgi_error_to_webserver(ErrMode::kText), void();
  msg.count = n;
  // The channel itself goes with the copies: a save without copies still reaches its camera.
  msg.mask = copies | bit(chn);
  ipc_send(on_alarm_ipc_callback, kReqCameraOutSet, msg);
  ipc_send(on_alarm_ipc_callback, kReqCameraOutsChanged, msg.mask);
  answer_ok();
}
