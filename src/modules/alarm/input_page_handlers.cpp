// The recorder alarm input page with its action set (/6026 load, /6027 save
// with the copy to other inputs) and the disarming of input 0.
#include <json-c/json.h>

#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/fields.h"
#include "common/reply.h"
#include "modules/alarm/alarm_module.h"
#include "platform/kvdb_alarm.h"
#include "proto/alarm_proto.h"

using namespace alarmio;

namespace {
constexpr Field kInPageFields[] = {
    FIELD(AlarmInRec, name, "name"),
    FIELD(AlarmInRec, type, "alarmType"),
    FIELD(AlarmInRec, enable, "enable"),
    FIELD(AlarmInRec, tri_alarms, "triAlarms"),
    FIELD(AlarmInRec, interval, "interval"),
    FIELD(AlarmInRec, email_interval, "email_interval"),
    FIELD(AlarmInRec, email_pic_enable, "email_pic_enable"),
    FIELD(AlarmInRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(AlarmInRec, ptz_interval, "ptz_interval"),
    FIELD(AlarmInRec, alarmout_interval, "alarmout_interval"),
    FIELD(AlarmInRec, tri_channels, "triChannels"),
    FIELD(AlarmInRec, tri_snapshot, "triSnapshot"),
    FIELD(AlarmInRec, white_interval, "white_interval"),
    FIELD(AlarmInRec, warning_light_interval, "warning_light_interval"),
    FIELD(AlarmInRec, audio_id, "audioId"),
};
constexpr Field kInDialogFields[] = {
    FIELD(AlarmInRec, enable, "enable"),
    FIELD(AlarmInRec, tri_alarms, "triAlarms"),
    FIELD(AlarmInRec, tri_channels, "triChannels"),
    FIELD(AlarmInRec, interval, "interval"),
    FIELD(AlarmInRec, audio_id, "audioId"),
    FIELD(AlarmInRec, email_interval, "email_interval"),
    FIELD(AlarmInRec, email_pic_enable, "email_pic_enable"),
    FIELD(AlarmInRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(AlarmInRec, tri_snapshot, "triSnapshot"),
    FIELD(AlarmInRec, ptz_interval, "ptz_interval"),
    FIELD(AlarmInRec, alarmout_interval, "alarmout_interval"),
    FIELD(AlarmInRec, white_interval, "white_interval"),
    FIELD(AlarmInRec, warning_light_interval, "warning_light_interval"),
    FIELD(AlarmInRec, http_notification_interval, "http_notification_interval"),
};
// Members of the page itself, outside its dialog.
constexpr Field kInTopFields[] = {
    FIELD_IN(AlarmInRec, type, "alarmType", 0, 1),
    FIELD(AlarmInRec, name, "name"),
};
constexpr Field kDisarmingFields[] = {
    FIELD(DisarmingRec, linkageAction, "linkageAction"),
    FIELD(DisarmingRec, disarmActionMask, "disarmActionMask"),
};
constexpr JsonRule kInIdRule[] = {{"alarmId", true, JsonType::kInt, 0, kAlarmIns - 1}};
constexpr JsonRule kInPageRules[] = {
    {"alarmId", true, JsonType::kInt, 0, kAlarmIns - 1},
    {"dialog", false, JsonType::kObject, 0, 0},
};
// Page order of /6026.
constexpr const char* kInPageKeys[] = {
    "name",          "alarmType",         "enable",        "triAlarms",
    "interval",      "email_interval",    "email_pic_enable", "tri_channels_pic",
    "ptz_interval",  "alarmout_interval", "triChannels",   "triSnapshot",
    "effective",     "audible",           "email",         "ptz",
    "white",         "warningLight",      "whiteInfo",     "warningLightInfo",
    "white_interval", "warning_light_interval", "triChnAlarms", "audioId",
    "audioIdMask",   "ptzParams",
};

void derive_mask(void* rec) {
  auto* r = static_cast<AlarmInRec*>(rec);
  r->tri_mask = alarm_channel_mask(r->tri_channels);
}
int read_in(const char* path, void* rec, int id) { return read_alarm_in(path, static_cast<AlarmInRec*>(rec), id); }
int write_in(const char* path, const void* rec) { return write_alarm_in(path, static_cast<const AlarmInRec*>(rec)); }
// Every member of src but the id and the name, which stay each input's own.
int copy_in(const char* path, int src, uint64_t mask) {
  std::vector<AlarmInRec> recs(kAlarmInRecords);
  mask &= (uint64_t{1} << kAlarmIns) - 1;
  if (read_alarm_ins(path, recs.data(), nullptr) != 0) return -1;
  for (int i = 0; i < kAlarmIns; ++i) {
    if (!(mask >> i & 1) || i == src) continue;
    AlarmInRec r = recs[static_cast<size_t>(src)];
    r.id = i;
    copy_text(r.name, recs[static_cast<size_t>(i)].name);
    recs[static_cast<size_t>(i)] = r;
  }
  return write_alarm_ins(path, recs.data(), mask & ~(uint64_t{1} << src));
}

constexpr ActionRecord kInRecord = {
    sizeof(AlarmInRec), read_in, write_in, copy_in, kInPageFields, kInDialogFields,
    offsetof(AlarmInRec, tri_chn_alarms), derive_mask, nullptr,
};
// The daily forms; audible, e-mail and PTZ go in the short form below.
constexpr ActionSchedule kInSchedules[] = {
    {"effective", kAlarmInEffectiveTable},
    {"white", kAlarmInWhiteTable},
    {"warningLight", kAlarmInWarningTable},
    {"httpSche", kAlarmInHttpScheTable},
};
constexpr ActionSchedule kInExSchedules[] = {
    {"audible", kAlarmInAudibleTable},
    {"email", kAlarmInEmailTable},
    {"ptz", kAlarmInPtzTable},
};
constexpr ActionSet kInActions = {
    kInRecord, kInSchedules, kAlarmInWhiteParams, kAlarmInWarningParams, kAlarmInHttpParams, kPtzTypeAlarmIn, true,
};

bool save_ex_schedules(json_object* dialog, int id) {
  bool ok = true;
  for (const ActionSchedule& s : kInExSchedules) {
    ScheduleRec rec{};
    if (get_schedule_by_json_ex(dialog, s.key, &rec) == 0) ok &= write_schedule(devpaths::kKvdb, s.table, id, &rec) == 0;
  }
  return ok;
}

bool save_top(json_object* req, int id) {
  bool ok = true;
  if (json_object_object_get_ex(req, "alarmType", nullptr) || json_object_object_get_ex(req, "name", nullptr)) {
    AlarmInRec rec{};
    read_alarm_in(devpaths::kKvdb, &rec, id);
    rec.id = id;
    fields_from_json(req, &rec, kInTopFields);
    ok &= write_alarm_in(devpaths::kKvdb, &rec) == 0;
  }
  // Disarming belongs to input 0 alone.
  if (id == 0 && (json_object_object_get_ex(req, "linkageAction", nullptr) ||
                  json_object_object_get_ex(req, "disarmActionMask", nullptr))) {
    DisarmingRec rec{};
    read_disarming(devpaths::kKvdb, &rec);
    fields_from_json(req, &rec, kDisarmingFields);
    ok &= write_disarming(devpaths::kKvdb, &rec) == 0;
  }
  return ok;
}
}  // namespace

void on_get_nvr_alarm_input(char* text) {
  JsonPtr req = json_parse(text);
  int id = -1;
  if (!req || !json_check(req.get(), kInIdRule)) return cgi_error_to_webserver(ErrMode::kJson), void();
  json_get_int(req.get(), "alarmId", &id);
  JsonPtr all = action_set_json(kInActions, id);
  for (const ActionSchedule& s : kInExSchedules) {
    ScheduleRec rec{};
    read_schedule(devpaths::kKvdb, s.table, id, &rec);
    json_object_object_add(all.get(), s.key, get_schedule_json_object_ex(&rec));
  }
  JsonPtr page(json_object_new_object());
  json_take_keys(page.get(), all.get(), kInPageKeys);
  answer_json(page);
}

void on_set_nvr_alarm_input(char* text) {
  JsonPtr req = json_parse(text);
  int id = -1;
  json_object* dialog = nullptr;
  if (!req || !json_check(req.get(), kInPageRules) || !fields_check(req.get(), kInTopFields)) return;
  json_get_int(req.get(), "alarmId", &id);
  if (id == 0 && !fields_check(req.get(), kDisarmingFields)) return;
  bool ok = save_top(req.get(), id);
  if (json_get_object(req.get(), "dialog", &dialog) == JsonGet::kOk) {
    ok &= save_ex_schedules(dialog, id);
    ok &= action_set_save(kInActions, dialog, id);
  }
  const uint64_t copies =
      get_copy_flag_by_json(req.get(), "copyChn", "copyCnt") & ((uint64_t{1} << kAlarmIns) - 1) & ~(uint64_t{1} << id);
  if (copies) {
    ok &= action_set_copy(kInActions, id, copies);
    for (const ActionSchedule& s : kInExSchedules) ok &= copy_schedules(devpaths::kKvdb, s.table, id, copies) == 0;
  }
  if (!ok) return cgi_error_to_webserver(ErrMode::kText), void();
  ipc_send(on_alarm_ipc_callback, kReqAlarmInsChanged, copies | uint64_t{1} << id);
  answer_ok();
}
