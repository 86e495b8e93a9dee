// Record schedules and plan modes (/6040-/6043).
#include <json-c/json.h>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/record/record_module.h"
#include "platform/kvdb_record.h"
#include "proto/record_proto.h"

using namespace record;

namespace {
constexpr int kTimeChars = 31;

json_object* day_json(const ScheduleDay& d) {
  json_object* o = json_object_new_object();
  json_add_int(o, "wholedayEnable", d.whole_day_enable);
  json_add_int(o, "wholedayActionType", d.whole_day_action);
  json_object* plans = json_object_new_array();
  for (const SchedulePeriod& p : d.period) {
    json_object* item = json_object_new_object();
    json_add_field(item, "startTime", p.start);
    json_add_field(item, "endTime", p.end);
    json_add_int(item, "actionType", p.action);
    json_object_array_add(plans, item);
  }
  json_object_object_add(o, "plans", plans);
  return o;
}

void text_at(json_object* arr, size_t i, char* out, size_t size) {
  json_object* v = json_array_at(arr, i);
  if (json_object_get_type(v) == json_type_string) copy_text_max(out, size, json_object_get_string(v), kTimeChars);
}

// Day objects of the page into a zeroed schedule: the whole-day pair only
// when enabled, periods from arrays [start, end, action].
void schedule_from_request(json_object* days, ScheduleRec* s) {
  *s = ScheduleRec{};
  for (int d = 0; d < kScheduleDays; ++d) {
    json_object* day = json_array_at(days, static_cast<size_t>(d));
    if (json_object_get_type(day) != json_type_object) continue;
    ScheduleDay& out = s->day[d];
    int whole = 0;
    if (json_get_int(day, "wholedayEnable", &whole) == JsonGet::kOk && whole != 0) {
      out.whole_day_enable = whole;
      json_get_int(day, "wholedayActionType", &out.whole_day_action);
    }
    json_object* plans = nullptr;
    json_get_array(day, "plans", &plans);
    for (int p = 0; p < kPlans; ++p) {
      json_object* plan = json_array_at(plans, static_cast<size_t>(p));
      if (!plan) break;
      SchedulePeriod& period = out.period[p];
      text_at(plan, 0, period.start, sizeof period.start);
      text_at(plan, 1, period.end, sizeof period.end);
      json_value_int(json_array_at(plan, 2), &period.action);
    }
  }
}

constexpr JsonRule kRecordInfoRules[] = {
    {"cnt", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"recordplanmode", false, JsonType::kInt, 0, 2},
    {"schedule", false, JsonType::kArray, 0, INT32_MAX},
    {"chnid", false, JsonType::kArray, 0, INT32_MAX},
};
bool check_record_info(const json_object* req) { return json_check(req, kRecordInfoRules); }

bool check_record_mode(const json_object* item) {
  static constexpr JsonRule kModeRules[] = {
      {"id", true, JsonType::kInt, 0, kChannels - 1},
      {"mode", true, JsonType::kInt, 0, 2},
  };
  return json_check(item, kModeRules);
}
}  // namespace

void on_get_record_info(char* text) {
  int chn = 0;
  if (!text_int(text, 0, kChannels - 1, &chn)) return;
  RecordRec rec{};
  read_record(devpaths::kKvdb, &rec, chn);
  static ScheduleRec sched;
  read_record_schedule(devpaths::kKvdb, chn, &sched);
  JsonPtr answer(json_object_new_object());
  json_add_int(answer.get(), "id", rec.id);
  json_object* days = json_object_new_array();
  for (const ScheduleDay& d : sched.day) json_object_array_add(days, day_json(d));
  json_object_object_add(answer.get(), "schedule", days);
  answer_json(answer);
}

void on_set_record_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !check_record_info(req.get())) return;
  json_object* days = nullptr;
  json_get_array(req.get(), "schedule", &days);
  static ScheduleRec sched;
  schedule_from_request(days, &sched);

  uint64_t chn_mask = get_copy_flag_by_json(req.get(), "chnid", "cnt");
  // Without a plan mode the channels keep theirs.
  int mode = 0;
  bool has_mode = json_get_int(req.get(), "recordplanmode", &mode) == JsonGet::kOk;
  static RecordRec recs[kRecordChannels];
  read_records(devpaths::kKvdb, recs, nullptr);
  uint64_t mode_mask = 0;
  for (int n = 0; n < kChannels; ++n) {
    if (!(chn_mask >> n & 1)) continue;
    if (has_mode && recs[n].mode != mode) mode_mask |= 1ull << n;
  }
  // The log names the last channel of the list as the page sent it.
  json_object* list = nullptr;
  int cnt = 0, last = -1;
  json_get_int(req.get(), "cnt", &cnt);
  json_get_array(req.get(), "chnid", &list);
  for (int i = 0; i < cnt && static_cast<size_t>(i) < json_array_size(list); ++i) {
    int n = -1;
    if (json_value_int(json_array_at(list, static_cast<size_t>(i)), &n) && n >= 0 && n < kChannels) last = n;
  }
  if (store_record_plan(devpaths::kKvdb, &sched, chn_mask, mode, mode_mask) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_record_ipc_callback, kReqModeMask, mode_mask);
  ipc_send(on_record_ipc_callback, kReqScheduleChanged, chn_mask);
  send_op_log(on_record_ipc_callback, kLogSubSetting, kLogParamSchedule, last + 1);
  answer_ok();
}

void on_get_record_modes(char*) {
  int max = get_param_int(devpaths::kKvdb, "max_cameras", 32);
  if (max < 0) max = 0;
  if (max > kChannels) max = kChannels;
  static RecordRec recs[kRecordChannels];
  read_records(devpaths::kKvdb, recs, nullptr);
  JsonPtr answer(json_object_new_object());
  json_object* list = json_object_new_array();
  for (int i = 0; i < max; ++i) {
    json_object* item = json_object_new_object();
    json_add_int(item, "id", recs[i].id);
    json_add_int(item, "mode", recs[i].mode);
    json_object_array_add(list, item);
  }
  json_object_object_add(answer.get(), "records", list);
  answer_json(answer);
}

void on_set_record_modes(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  json_object* list = nullptr;
  size_t n = 0;
  bool valid = json_get_array(req.get(), "records", &list) == JsonGet::kOk &&
               (n = json_array_size(list)) <= static_cast<size_t>(kChannels);
  for (size_t i = 0; valid && i < n; ++i) valid = check_record_mode(json_array_at(list, i));
  if (!valid) {
    answer_text("ERROR");
    return;
  }
  // Entry i is channel i; the other settings of each channel stay as stored.
  static RecordRec recs[kRecordChannels];
  read_records(devpaths::kKvdb, recs, nullptr);
  uint64_t mask = 0;
  for (size_t i = 0; i < n; ++i) {
    recs[i].id = static_cast<int32_t>(i);
    json_get_int(json_array_at(list, i), "mode", &recs[i].mode);
    mask |= 1ull << i;
  }
  if (write_records(devpaths::kKvdb, recs, mask) != 0) {
    answer_text("ERROR");
    return;
  }
  send_op_log(on_record_ipc_callback, kLogSubSetting, kLogParamModes, 0);
  answer_ok();
  for (size_t i = 0; i < n; ++i) ipc_send(on_record_ipc_callback, kReqModeChanged, static_cast<int32_t>(i));
}
