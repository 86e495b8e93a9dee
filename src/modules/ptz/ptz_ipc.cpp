// PTZ replies: one table row per reply code, one converter per answer.
#include <json-c/json.h>

#include "common/fields.h"
#include "common/reply.h"
#include "modules/ptz/ptz_fields.h"
#include "modules/ptz/ptz_module.h"
#include "proto/ptz_proto.h"

using namespace ptz;

namespace {
void on_ip_ptzsupport_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == -1 ? "-1" : "0");
}

json_object* int_array(const int32_t* v, int n) {
  json_object* arr = json_object_new_array();
  for (int i = 0; i < n; ++i) json_object_array_add(arr, json_object_new_int(v[i]));
  return arr;
}

// A tour ends at its first point without a preset.
json_object* tour_json(const TourColumns& t) {
  json_object* points = json_object_new_array();
  for (int i = 0; i < kTourPoints && t.preset[i] >= 1; ++i) {
    json_object* p = json_object_new_object();
    json_add_int(p, "preset_id", t.preset[i]);
    json_add_int(p, "speed", t.speed[i]);
    json_add_int(p, "timeout", t.dwell[i]);
    json_object_array_add(points, p);
  }
  return points;
}

JsonPtr state_json(const StateReply& s) {
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "status", "OK");
  json_object* presets = json_object_new_array();
  for (const PresetSlot& p : s.presets) {
    json_object* item = json_object_new_object();
    json_add_int(item, "enable", p.enable);
    json_add_field(item, "name", p.name);
    json_object_array_add(presets, item);
  }
  json_object_object_add(obj.get(), "PRESET", presets);
  json_object* tours = json_object_new_array();
  for (const TourColumns& t : s.tours) json_object_array_add(tours, tour_json(t));
  json_object_object_add(obj.get(), "TOUR", tours);
  json_object* patterns = json_object_new_array();
  for (int32_t enable : s.patterns) {
    json_object* item = json_object_new_object();
    json_add_int(item, "enable", enable);
    json_object_array_add(patterns, item);
  }
  json_object_object_add(obj.get(), "PATTERN", patterns);
  json_object_object_add(obj.get(), "autoscan_status", int_array(s.autoscan_status, kStatusRows));
  json_object* status = json_object_new_array();
  for (const auto& row : s.tour_status) json_object_array_add(status, int_array(row, kTours));
  json_object_object_add(obj.get(), "tour_status", status);
  return obj;
}

void on_ptz_reply_info(const IpcReply& r) {
  if (r.count >= 1) {
    answer_json(state_json(*r.as<StateReply>()));
    return;
  }
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "status", "Error");
  answer_json(obj);
}

void on_cgi_get_ptz_basic_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, kBasicFields));
}

void on_set_ipc_common_cb(const IpcReply& r) {
  if (r.count >= 1) answer_ok();
}

// These two answer the JSON error themselves when the reply holds no record.
void answer_json_error() {
  cgi_error_to_webserver(ErrMode::kJson);
  g_callback_done = 1;
}

void on_cgi_set_ptz_control_cb(const IpcReply& r) {
  if (r.count < 1) return answer_json_error();
  reply_word_json(IpcReply{r.payload, r.count, "res"});
}

void on_cgi_get_led_status_cb(const IpcReply& r) {
  if (r.count < 1) return answer_json_error();
  const auto* led = r.as<LedStatus>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", led->channel);
  json_add_int(obj.get(), "status", led->status);
  answer_json(obj);
}

const IpcReplyRoute kPtzReplies[] = {
    {reply_of(kReqSupport), 4, on_ip_ptzsupport_cb},
    {reply_of(kReqInfo), sizeof(StateReply), on_ptz_reply_info},
    {reply_of(kReqFishInfo), sizeof(StateReply), on_ptz_reply_info},
    {reply_of(kReqGetBasic), sizeof(BasicRecord), on_cgi_get_ptz_basic_cb},
    word_row(kReqSetBasic, "status"),
    {reply_of(kReqCameraSettingSet), 4, on_set_ipc_common_cb},
    {reply_of(kReqControl), 4, on_cgi_set_ptz_control_cb},
    {reply_of(kReqLedStatus), sizeof(LedStatus), on_cgi_get_led_status_cb},
};
}  // namespace

std::span<const IpcReplyRoute> ptz_reply_table() { return kPtzReplies; }

void on_ptz_ipc_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kPtzReplies, head, payload); }
