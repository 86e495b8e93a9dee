#include "common/action_set.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"

namespace {
char* chn_alarm_name(const ActionSet& set, unsigned char* rec, int i) {
  return reinterpret_cast<char*>(rec + set.record.chn_alarms + i * kChnAlarmNameSize);
}

bool save_blocks(const ActionSet& set, json_object* dialog, int chn) {
  bool ok = true;
  for (const ActionSchedule& s : set.schedules) {
    ScheduleRec rec{};
    if (get_schedule_by_json(dialog, s.key, &rec) == 0)
      ok &= write_schedule(devpaths::kKvdb, s.table, chn, &rec) == 0;
  }
  int count = 0;
  WhiteLedParams white{};
  if (set.white_params && get_white_params_by_json(chn, &white, dialog, "whiteInfo", &count) == 0)
    ok &= write_whiteled_params_all(devpaths::kKvdb, set.white_params, chn, &white, count) == 0;
  WarningLightParams warning{};
  if (set.warning_params && get_warning_light_params_by_json(chn, &warning, dialog, "warningLightInfo", &count) == 0)
    ok &= write_warning_light_params_all(devpaths::kKvdb, set.warning_params, chn, &warning, count) == 0;
  HttpNotifyParams http{};
  if (set.http_params && get_http_params_by_json(chn, &http, dialog, "httpParams") == 0)
    ok &= write_http_notification_params(devpaths::kKvdb, set.http_params, chn, &http) == 0;
  return ok;
}

bool save_record(const ActionSet& set, json_object* dialog, int chn) {
  const ActionRecord& r = set.record;
  alignas(8) unsigned char rec[kActionRecordMax] = {};
  r.read(devpaths::kKvdb, rec, chn);
  memcpy(rec, &chn, sizeof chn);  // every source record starts with its channel
  bool changed = false;
  EventChnAlarmout outs[2] = {};
  if (get_event_chn_alarmout_by_object(chn, dialog, "triChnAlarms", outs) == 0) {
    for (int i = 0; i < 2; ++i) copy_text(chn_alarm_name(set, rec, i), kChnAlarmNameSize, outs[i].name);
    changed = true;
  }
  // A member of the wrong type refuses the members, not the rest of the save.
  if (fields_check(dialog, r.dialog)) {
    for (const Field& f : r.dialog) changed |= json_object_object_get_ex(dialog, f.key, nullptr);
    fields_from_json(dialog, rec, r.dialog);
  }
  if (r.derive) r.derive(rec);
  json_object* ptz = nullptr;
  if (set.dialog_ptz && json_get_array(dialog, "ptzParams", &ptz) == JsonGet::kOk) {
    int ptz_chn = chn, ptz_type = set.ptz_type;
    json_get_int(dialog, "ptzChnId", &ptz_chn);
    json_get_int(dialog, "ptzType", &ptz_type);
    changed |= set_ptz_params_by_json(ptz_chn, ptz_type, ptz) == 1;
  }
  if (r.finish) {
    r.finish(rec);
    changed = true;
  }
  return !changed || r.write(devpaths::kKvdb, rec) == 0;
}
}  // namespace

JsonPtr action_set_json(const ActionSet& set, int chn) {
  const ActionRecord& r = set.record;
  alignas(8) unsigned char rec[kActionRecordMax] = {};
  r.read(devpaths::kKvdb, rec, chn);
  memcpy(rec, &chn, sizeof chn);
  JsonPtr obj = fields_json(rec, r.page);
  for (const ActionSchedule& s : set.schedules) {
    ScheduleRec sched{};
    read_schedule(devpaths::kKvdb, s.table, chn, &sched);
    json_object_object_add(obj.get(), s.key, get_schedule_json_object(&sched));
  }
  if (set.white_params)
    json_object_object_add(obj.get(), "whiteInfo", get_white_params_json_object(chn, set.white_params));
  if (set.warning_params)
    json_object_object_add(obj.get(), "warningLightInfo", get_warning_light_params_json_object(chn, set.warning_params));
  if (set.http_params)
    json_object_object_add(obj.get(), "httpParams", get_http_params_json_object(chn, set.http_params));
  char names[2][kChnAlarmNameSize];
  for (int i = 0; i < 2; ++i) copy_text(names[i], kChnAlarmNameSize, chn_alarm_name(set, rec, i));
  json_object_object_add(obj.get(), "triChnAlarms", get_event_chn_alarmout_object(names[0], names[1]));
  json_object_object_add(obj.get(), "ptzParams", get_ptz_params_json_object(set.ptz_type, chn));
  json_add_int(obj.get(), "audioIdMask", get_audio_file_id_mask());
  return obj;
}

bool action_set_save(const ActionSet& set, json_object* dialog, int chn) {
  bool ok = save_blocks(set, dialog, chn);
  return save_record(set, dialog, chn) && ok;
}

bool action_set_copy(const ActionSet& set, int chn, uint64_t mask) {
  mask &= ~(uint64_t{1} << chn);
  if (!mask) return true;
  bool ok = set.record.copy(devpaths::kKvdb, chn, mask) == 0;
  for (const ActionSchedule& s : set.schedules) ok &= copy_schedules(devpaths::kKvdb, s.table, chn, mask) == 0;
  if (set.white_params) ok &= copy_whiteled_params(devpaths::kKvdb, set.white_params, chn, mask) == 0;
  if (set.warning_params) ok &= copy_warning_light_params(devpaths::kKvdb, set.warning_params, chn, mask) == 0;
  if (set.http_params) ok &= copy_http_notification_params(devpaths::kKvdb, set.http_params, chn, mask) == 0;
  ok &= copy_ptz_params_all(devpaths::kKvdb, set.ptz_type, chn, mask) == 0;
  return ok;
}
