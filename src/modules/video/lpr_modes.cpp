// Action sets of the plate list modes (/6179, /6180) and the settings page's
// own part (mode -1), kept per channel and mode in the configuration database.
#include <json-c/json.h>

#include "base/paths.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/lpr_handlers.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_lpr.h"
#include "proto/lpr_proto.h"

namespace {
// The record's members as the mode page prints them.
constexpr Field kPageFields[] = {
    FIELD(AnprEventRec, enable, "enable"),
    FIELD(AnprEventRec, tri_alarms, "triAlarms"),
    FIELD(AnprEventRec, interval, "interval"),
    FIELD(AnprEventRec, audio_id, "audioId"),
    FIELD(AnprEventRec, email_interval, "email_interval"),
    FIELD(AnprEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(AnprEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(AnprEventRec, ptz_interval, "ptz_interval"),
    FIELD(AnprEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(AnprEventRec, white_interval, "white_interval"),
    FIELD(AnprEventRec, warning_light_interval, "warning_light_interval"),
    FIELD(AnprEventRec, http_notification_interval, "http_notification_interval"),
    FIELD(AnprEventRec, tri_channels, "triChannels"),
};
// A dialog takes the same members.
constexpr Fields kDialogFields = kPageFields;

void derive_mask(void* rec) {
  auto* r = static_cast<AnprEventRec*>(rec);
  r->tri_mask = channel_string_mask(r->tri_channels);
}

template <int M>
int read_mode(const char* path, void* rec, int chn) {
  return read_anpr_event(path, static_cast<AnprEventRec*>(rec), chn, M);
}
int write_mode(const char* path, const void* rec) { return write_anpr_event(path, static_cast<const AnprEventRec*>(rec)); }
template <int M>
int copy_mode(const char* path, int src, uint64_t mask) {
  return copy_anpr_events(path, M, src, mask);
}

template <int M>
constexpr ActionSchedule kSchedules[] = {
    {"effective", anpr_mode_tables(M)->effective}, {"audible", anpr_mode_tables(M)->audible},
    {"email", anpr_mode_tables(M)->mail},          {"ptz", anpr_mode_tables(M)->ptz},
    {"white", anpr_mode_tables(M)->white},         {"warningLight", anpr_mode_tables(M)->warning},
    {"httpSche", anpr_mode_tables(M)->http_sche},
};

template <int M>
constexpr ActionSet make_set() {
  const AnprModeTables& t = *anpr_mode_tables(M);
  // The settings page's part has no light or HTTP tables of its own.
  std::span<const ActionSchedule> schedules = kSchedules<M>;
  if (!t.white) schedules = schedules.first(4);
  return ActionSet{
      {sizeof(AnprEventRec), read_mode<M>, write_mode, copy_mode<M>, kPageFields, kDialogFields,
       offsetof(AnprEventRec, tri_chn_alarms), derive_mask, nullptr},
      schedules, t.white_params, t.warning_params, t.http_params, M + lpr::kPtzTypeModeBase, true,
  };
}

// Index mode + 1.
constexpr ActionSet kModeSets[] = {make_set<-1>(), make_set<0>(), make_set<1>(), make_set<2>()};

const ActionSet& mode_set(int mode) { return kModeSets[mode + 1]; }

json_object* schedule_json(const char* table, int chn) {
  ScheduleRec rec{};
  read_schedule(devpaths::kKvdb, table, chn, &rec);
  return get_schedule_json_object(&rec);
}

// {"chnid": 0..63, "mode": -1..2, ...}; false when either is missing or out of range.
bool read_chn_mode(const json_object* req, int* chn, int* mode) {
  const JsonRule rules[] = {{"chnid", true, JsonType::kInt, 0, video::kChannels - 1},
                            {"mode", true, JsonType::kInt, kAnprModeFirst, kAnprModeLast},
                            {"dialog", false, JsonType::kObject, 0, 0},
                            {"enable", false, JsonType::kInt, INT32_MIN, INT32_MAX}};
  if (!req || !json_check(req, rules)) return false;
  json_get_int(req, "chnid", chn);
  json_get_int(req, "mode", mode);
  return true;
}
}  // namespace

json_object* get_anpr_schedule(int chn, int mode, AnprScheduleKind kind) {
  const AnprModeTables* t = anpr_mode_tables(mode);
  if (!t) return nullptr;
  const char* tables[] = {t->audible, t->mail, t->ptz, t->effective};
  return schedule_json(tables[static_cast<int>(kind)], chn);
}

bool save_anpr_dialog_data(int chn, int mode, json_object* dialog) {
  return !dialog || action_set_save(mode_set(mode), dialog, chn);
}

void on_get_anpr_mode_params(char* text) {
  JsonPtr req = json_parse(text);
  int chn = 0, mode = 0;
  if (!read_chn_mode(req.get(), &chn, &mode)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  JsonPtr out(json_object_new_object());
  json_object* o = out.get();
  json_add_int(o, "chnid", chn);
  json_add_int(o, "mode", mode);
  if (mode == lpr::kModeAny) {
    json_object_object_add(o, "effective", get_anpr_schedule(chn, mode, AnprScheduleKind::kEffective));
    answer_json(out);
    return;
  }
  const AnprModeTables& t = *anpr_mode_tables(mode);
  AnprEventRec rec{};
  read_anpr_event(devpaths::kKvdb, &rec, chn, mode);
  fields_to_json(o, &rec, kPageFields);
  json_object_object_add(o, "effective", get_anpr_schedule(chn, mode, AnprScheduleKind::kEffective));
  json_object_object_add(o, "audible", get_anpr_schedule(chn, mode, AnprScheduleKind::kAudible));
  json_object_object_add(o, "email", get_anpr_schedule(chn, mode, AnprScheduleKind::kMail));
  json_object_object_add(o, "ptz", get_anpr_schedule(chn, mode, AnprScheduleKind::kPtz));
  json_object_object_add(o, "white", schedule_json(t.white, chn));
  json_object_object_add(o, "whiteInfo", get_white_params_json_object(chn, t.white_params));
  json_object_object_add(o, "warningLight", schedule_json(t.warning, chn));
  json_object_object_add(o, "warningLightInfo", get_warning_light_params_json_object(chn, t.warning_params));
  json_object_object_add(o, "httpSche", schedule_json(t.http_sche, chn));
  json_object_object_add(o, "httpParams", get_http_params_json_object(chn, t.http_params));
  json_object_object_add(o, "triChnAlarms", get_event_chn_alarmout_object(rec.tri_chn_alarms[0], rec.tri_chn_alarms[1]));
  json_add_int(o, "audioIdMask", get_audio_file_id_mask());
  json_object_object_add(o, "ptzParams", get_ptz_params_json_object(mode + lpr::kPtzTypeModeBase, chn));
  answer_json(out);
}

void on_set_anpr_mode_params(char* text) {
  JsonPtr req = json_parse(text);
  int chn = 0, mode = 0;
  if (!read_chn_mode(req.get(), &chn, &mode)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_object* dialog = nullptr;
  json_get_object(req.get(), "dialog", &dialog);
  bool ok = save_anpr_dialog_data(chn, mode, dialog);
  int enable = 0;
  if (json_get_int(req.get(), "enable", &enable) == JsonGet::kOk) {
    AnprEventRec rec{};
    read_anpr_event(devpaths::kKvdb, &rec, chn, mode);
    rec.enable = enable;
    ok &= write_anpr_event(devpaths::kKvdb, &rec) == 0;
  }
  if (!ok) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_send(on_video_ipc_callback, lpr::kReqAnprModeChanged, lpr::AnprModeNotice{chn, mode});
  answer_ok();
}
