// Action sets of the nine smart events: one record per channel and event, the
// event's own schedule and parameter tables (/6148-/6151, and the dialog of
// every analytics set).
#include <json-c/json.h>

#include <cstring>

#include "base/paths.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/vca_handlers.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_vca.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"

namespace {
constexpr Field kCommonFields[] = {
    FIELD(SmartEventRec, chnid, "chnid"),
    FIELD(SmartEventRec, enable, "enable"),
    FIELD(SmartEventRec, tri_alarms, "triAlarms"),
    FIELD(SmartEventRec, interval, "interval"),
    FIELD(SmartEventRec, email_interval, "email_interval"),
    FIELD(SmartEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(SmartEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(SmartEventRec, tri_channels, "triChannels"),
};
// What the action page prints after its schedules and blocks.
constexpr Field kPageTailFields[] = {
    FIELD(SmartEventRec, chnid, "chnid"),
    FIELD(SmartEventRec, enable, "enable"),
    FIELD(SmartEventRec, tri_alarms, "triAlarms"),
    FIELD(SmartEventRec, interval, "interval"),
    FIELD(SmartEventRec, email_interval, "email_interval"),
    FIELD(SmartEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(SmartEventRec, ptz_interval, "ptz_interval"),
    FIELD(SmartEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(SmartEventRec, white_interval, "white_interval"),
    FIELD(SmartEventRec, audio_id, "audioId"),
};
constexpr Field kDialogFields[] = {
    FIELD(SmartEventRec, enable, "enable"),
    FIELD(SmartEventRec, tri_alarms, "triAlarms"),
    FIELD(SmartEventRec, tri_channels, "triChannels"),
    FIELD(SmartEventRec, interval, "interval"),
    FIELD(SmartEventRec, audio_id, "audioId"),
    FIELD(SmartEventRec, email_interval, "email_interval"),
    FIELD(SmartEventRec, email_pic_enable, "email_pic_enable"),
    FIELD(SmartEventRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(SmartEventRec, ptz_interval, "ptz_interval"),
    FIELD(SmartEventRec, alarmout_interval, "alarmout_interval"),
    FIELD(SmartEventRec, white_interval, "white_interval"),
    FIELD(SmartEventRec, warning_light_interval, "warning_light_interval"),
    FIELD(SmartEventRec, http_notification_interval, "http_notification_interval"),
};

void derive_mask(void* rec) {
  auto* r = static_cast<SmartEventRec*>(rec);
  r->tri_mask = channel_string_mask(r->tri_channels);
}

template <int E>
int read_event(const char* path, void* rec, int chn) {
  return read_smart_event(path, static_cast<SmartEventRec*>(rec), chn, E);
}
int write_event(const char* path, const void* rec) {
  return write_smart_event(path, static_cast<const SmartEventRec*>(rec));
}
template <int E>
int copy_event(const char* path, int src, uint64_t mask) {
  return copy_smart_events(path, E, src, mask);
}

template <int E>
constexpr ActionSchedule kSchedules[] = {
    {"effective", kSmartEventTables[E].effective}, {"audible", kSmartEventTables[E].audible},
    {"email", kSmartEventTables[E].email},         {"ptz", kSmartEventTables[E].ptz},
    {"white", kSmartEventTables[E].white},         {"warningLight", kSmartEventTables[E].warning},
    {"httpSche", kSmartEventTables[E].http_sche},
};

template <int E>
constexpr ActionSet make_set() {
  const SmartEventTables& t = kSmartEventTables[E];
  // People counting keeps its effective schedule with its counting settings.
  std::span<const ActionSchedule> schedules = kSchedules<E>;
  if (E == vca::kPeopleCount) schedules = schedules.subspan(1);
  return ActionSet{
      {sizeof(SmartEventRec), read_event<E>, write_event, copy_event<E>, kCommonFields, kDialogFields,
       offsetof(SmartEventRec, tri_chn_alarms), derive_mask, nullptr},
      schedules, t.white_params, t.warning_params, t.http_params, E + 5, true,
  };
}

constexpr ActionSet kSets[kSmartEvents] = {
    make_set<0>(), make_set<1>(), make_set<2>(), make_set<3>(), make_set<4>(),
    make_set<5>(), make_set<6>(), make_set<7>(), make_set<8>(),
};

bool valid_event(int e) { return e >= 0 && e < kSmartEvents; }
bool valid_chn(int c) { return c >= 0 && c < video::kChannels; }

void notify_smart_events(uint64_t mask) { ipc_send(on_video_ipc_callback, vca::kReqSmartEventsChanged, mask); }

void add_schedule(json_object* obj, const char* key, const char* table, int chn) {
  ScheduleRec rec{};
  read_schedule(devpaths::kKvdb, table, chn, &rec);
  json_object_object_add(obj, key, get_schedule_json_object(&rec));
}

// {"chnid"|"channel": 0..63, "event"|"type": 0..8} of the action routes.
bool read_pair(const json_object* req, const char* chn_key, const char* event_key, int* chn, int* event) {
  const JsonRule rules[] = {{chn_key, true, JsonType::kInt, 0, video::kChannels - 1},
                            {event_key, true, JsonType::kInt, 0, kSmartEvents - 1}};
  if (!json_check(req, rules)) return false;
  json_get_int(req, chn_key, chn);
  json_get_int(req, event_key, event);
  return true;
}
}  // namespace

int copy_smart_event_action(int event, int chn, uint64_t mask, int /*flag*/) {
  if (!valid_event(event) || !valid_chn(chn)) return -1;
  return action_set_copy(kSets[event], chn, mask) ? 0 : -1;
}

bool save_smart_event_action(int event, json_object* dialog, uint64_t copy_mask) {
  int chn = -1;
  if (!valid_event(event) || !dialog || json_get_int(dialog, "chnid", &chn) != JsonGet::kOk || !valid_chn(chn))
    return true;
  bool ok = action_set_save(kSets[event], dialog, chn);
  uint64_t mask = copy_smart_event_action(event, chn, copy_mask, 0) == 0 ? copy_mask : 0;
  notify_smart_events(mask | uint64_t{1} << chn);
  return ok;
}

void on_get_smart_event_schedule(char* text) {
  JsonPtr req = json_parse(text);
  int chn = 0, event = 0;
  if (!req || !read_pair(req.get(), "chnid", "event", &chn, &event)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  const SmartEventTables& t = kSmartEventTables[event];
  SmartEventRec rec{};
  read_smart_event(devpaths::kKvdb, &rec, chn, event);
  JsonPtr item(json_object_new_object());
  json_object* o = item.get();
  json_add_field(o, "tri_channels_pic", rec.tri_channels_pic);
  json_add_field(o, "triChannels", rec.tri_channels);
  add_schedule(o, "effective", t.effective, chn);
  add_schedule(o, "audible", t.audible, chn);
  add_schedule(o, "email", t.email, chn);
  add_schedule(o, "ptz", t.ptz, chn);
  add_schedule(o, "white", t.white, chn);
  json_object_object_add(o, "whiteInfo", get_white_params_json_object(chn, t.white_params));
  add_schedule(o, "warningLight", t.warning, chn);
  json_object_object_add(o, "warningLightInfo", get_warning_light_params_json_object(chn, t.warning_params));
  json_add_int(o, "warning_light_interval", rec.warning_light_interval);
  json_object_object_add(o, "ptzParams", get_ptz_params_json_object(event + 5, chn));
  fields_to_json(o, &rec, kPageTailFields);
  json_add_int(o, "audioIdMask", get_audio_file_id_mask());
  JsonPtr out(json_object_new_object());
  json_object* list = json_object_new_array();
  json_object_array_add(list, item.release());
  json_object_object_add(out.get(), "action", list);
  answer_json(out);
}

void on_set_smart_event_schedule(char* text) {
  JsonPtr req = json_parse(text);
  int chn = 0, event = 0;
  if (!req || !read_pair(req.get(), "chnid", "event", &chn, &event)) return;
  if (!action_set_save(kSets[event], req.get(), chn)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_smart_events(uint64_t{1} << chn);
  answer_ok();
}

void on_set_vca_allrtm_others(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1, event = -1, type = -1;
  if (!req) return;
  json_get_int(req.get(), "channel", &chn);
  json_get_int(req.get(), "event", &event);
  SmartEventRec rec{};
  if (read_smart_event(devpaths::kKvdb, &rec, chn, event) != 0) {
    answer_text("ERROT");
    return;
  }
  json_get_int(req.get(), "type", &type);
  const Field* f = type == 0 ? &kDialogFields[1] : type == 1 ? &kDialogFields[2] : nullptr;
  if (!f || !fields_apply(req.get(), &rec, Fields(f, 1))) return;
  derive_mask(&rec);
  if (write_smart_event(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_smart_events(uint64_t{1} << chn);
  answer_ok();
}

void on_get_vca_common_para(char* text) {
  JsonPtr req = json_parse(text);
  int chn = 0, event = 0;
  SmartEventRec rec{};
  if (!req || !read_pair(req.get(), "channel", "type", &chn, &event) ||
      read_smart_event(devpaths::kKvdb, &rec, chn, event) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  answer_json(fields_json(&rec, kCommonFields));
}
