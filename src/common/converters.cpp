#include "common/converters.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "common/ipc.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"

namespace {

constexpr int kJsonPeriods = 12;
constexpr int kIpcDays = 7;
constexpr int kIpcPeriods = 10;

// ---- Schedules ----

json_object* schedule_json(const ScheduleRec* rec, bool with_action, bool ipc_valid_only) {
  json_object* days = json_object_new_array();
  for (int d = 0; d < kScheduleDays; ++d) {
    const ScheduleDay* day = rec ? &rec->day[d] : nullptr;
    bool empty = !day || (ipc_valid_only && day->whole_day_enable == 0);
    json_object* periods = json_object_new_array();
    for (int p = 0; p < kJsonPeriods; ++p) {
      json_object* o = json_object_new_object();
      if (empty) {
        json_add_text(o, "startTime", "");
        json_add_text(o, "endTime", "");
      } else {
        json_add_field(o, "startTime", day->period[p].start);
        json_add_field(o, "endTime", day->period[p].end);
      }
      if (with_action) json_add_int(o, "actionType", empty ? 0 : day->period[p].action);
      json_object_array_add(periods, o);
    }
    json_object_array_add(days, periods);
  }
  return days;
}

void text_element(json_object* arr, size_t i, char* dst, size_t size) {
  json_object* v = json_array_at(arr, i);
  copy_text(dst, size, json_object_get_type(v) == json_type_string ? json_object_get_string(v) : "");
}

// Periods are arrays [start, end, action]; anything else stays empty.
int schedule_from_json(json_object* obj, const char* key, ScheduleRec* rec, int days, int periods,
                       bool with_action) {
  if (!obj || !key || !rec) return -1;
  *rec = ScheduleRec{};
  json_object* arr = nullptr;
  if (json_get_array(obj, key, &arr) != JsonGet::kOk) return -1;
  for (int d = 0; d < days; ++d) {
    json_object* day = json_array_at(arr, static_cast<size_t>(d));
    for (int p = 0; p < periods; ++p) {
      json_object* period = json_array_at(day, static_cast<size_t>(p));
      SchedulePeriod& out = rec->day[d].period[p];
      text_element(period, 0, out.start, sizeof out.start);
      text_element(period, 1, out.end, sizeof out.end);
      int action = 0;
      if (with_action && json_value_int(json_array_at(period, 2), &action)) out.action = action;
    }
  }
  return 0;
}

// ---- LED entry lists ----

struct EntryField {
  const char* key;
  size_t offset;
};

constexpr EntryField kWhiteFields[] = {{"chnid", offsetof(WhiteLedEntry, chnid)},
                                       {"mode", offsetof(WhiteLedEntry, mode)},
                                       {"time", offsetof(WhiteLedEntry, time)}};
constexpr EntryField kWarningFields[] = {{"chnid", offsetof(WarningLightEntry, chnid)},
                                         {"time", offsetof(WarningLightEntry, time)}};

struct EntryShape {
  size_t size;
  const EntryField* fields;
  size_t nfields;
};

constexpr EntryShape kWhiteShape{sizeof(WhiteLedEntry), kWhiteFields, std::size(kWhiteFields)};
constexpr EntryShape kWarningShape{sizeof(WarningLightEntry), kWarningFields, std::size(kWarningFields)};

int32_t word_at(const void* entry, size_t offset) {
  int32_t v;
  memcpy(&v, static_cast<const char*>(entry) + offset, sizeof v);
  return v;
}

void set_word(void* entry, size_t offset, int32_t v) { memcpy(static_cast<char*>(entry) + offset, &v, sizeof v); }

json_object* entries_json(const void* entries, int count, const EntryShape& shape) {
  json_object* arr = json_object_new_array();
  for (int i = 0; i < count && i < kLedEntries; ++i) {
    const char* e = static_cast<const char*>(entries) + static_cast<size_t>(i) * shape.size;
    json_object* o = json_object_new_object();
    for (size_t f = 0; f < shape.nfields; ++f) json_add_int(o, shape.fields[f].key, word_at(e, shape.fields[f].offset));
    json_object_array_add(arr, o);
  }
  return arr;
}

// Entry words from an object (by key) or an array (by position); the first
// word of every entry is the source index.
int entries_from_json(int chn, void* entries, json_object* obj, const char* key, int* count,
                      const EntryShape& shape) {
  if (count) *count = 0;
  if (!entries || !obj || !key) return -1;
  memset(entries, 0, shape.size * kLedEntries);
  json_object* arr = nullptr;
  if (json_get_array(obj, key, &arr) != JsonGet::kOk) return -1;
  int n = 0;
  for (; n < kLedEntries; ++n) {
    json_object* el = json_array_at(arr, static_cast<size_t>(n));
    json_type t = json_object_get_type(el);
    if (t != json_type_object && t != json_type_array) break;
    char* e = static_cast<char*>(entries) + static_cast<size_t>(n) * shape.size;
    set_word(e, 0, chn);
    for (size_t f = 0; f < shape.nfields; ++f) {
      json_object* v = nullptr;
      if (t == json_type_object)
        json_object_object_get_ex(el, shape.fields[f].key, &v);
      else
        v = json_array_at(el, f);
      int x = 0;
      if (json_value_int(v, &x)) set_word(e, shape.fields[f].offset, x);
    }
  }
  if (count) *count = n;
  return 0;
}

}  // namespace

// ---- Schedules ----

json_object* get_schedule_json_object(const ScheduleRec* rec) { return schedule_json(rec, true, false); }

int get_schedule_by_json(json_object* obj, const char* key, ScheduleRec* rec) {
  return schedule_from_json(obj, key, rec, kScheduleDays, kJsonPeriods, true);
}

json_object* get_schedule_json_object_ex(const ScheduleRec* rec) { return get_schedule_json_object(rec); }

int get_schedule_by_json_ex(json_object* obj, const char* key, ScheduleRec* rec) {
  return get_schedule_by_json(obj, key, rec);
}

json_object* get_schedule_json_object_ipc(const ScheduleRec* rec) { return schedule_json(rec, false, true); }

int get_schedule_by_json_ipc(json_object* obj, const char* key, ScheduleRec* rec) {
  if (schedule_from_json(obj, key, rec, kIpcDays, kIpcPeriods, false) != 0) return -1;
  for (int d = 0; d < kIpcDays; ++d) rec->day[d].whole_day_enable = 1;
  return 0;
}

uint64_t get_copy_flag_by_json(json_object* obj, const char* array_key, const char* count_key) {
  int count = 0;
  json_object* arr = nullptr;
  if (json_get_int(obj, count_key, &count) != JsonGet::kOk || count <= 0) return 0;
  if (json_get_array(obj, array_key, &arr) != JsonGet::kOk) return 0;
  uint64_t mask = 0;
  for (size_t i = 0; i < static_cast<size_t>(count) && i < json_array_size(arr); ++i) {
    int n = -1;
    if (json_value_int(json_array_at(arr, i), &n) && n >= 0 && n < 64) mask |= uint64_t{1} << n;
  }
  return mask;
}

// ---- Alarm-output name pair ----

json_object* get_event_chn_alarmout_object(const char* first, const char* second) {
  json_object* arr = json_object_new_array();
  json_object_array_add(arr, json_object_new_string(first ? first : ""));
  json_object_array_add(arr, json_object_new_string(second ? second : ""));
  return arr;
}

int get_event_chn_alarmout_by_object(int index, json_object* obj, const char* key, EventChnAlarmout recs[2]) {
  json_object* arr = nullptr;
  if (!recs || json_get_array(obj, key, &arr) != JsonGet::kOk) return -1;
  for (size_t i = 0; i < 2 && i < json_array_size(arr); ++i) {
    recs[i] = EventChnAlarmout{};
    recs[i].index = index;
    recs[i].pos = static_cast<int32_t>(i);
    text_element(arr, i, recs[i].name, sizeof recs[i].name);
  }
  return 0;
}

// ---- White LED / warning light ----

json_object* get_white_params_json_object(int chn, const char* table) {
  WhiteLedParams rec{};
  int count = 0;
  read_whiteled_params(devpaths::kKvdb, table, chn, &rec, &count);
  return entries_json(rec.entry, count, kWhiteShape);
}

int get_white_params_by_json(int chn, WhiteLedParams* rec, json_object* obj, const char* key, int* count) {
  return entries_from_json(chn, rec ? rec->entry : nullptr, obj, key, count, kWhiteShape);
}

json_object* get_pcnt_white_params_json_object(int group) {
  WhiteLedParams rec{};
  int count = 0;
  read_peoplecnt_wled_params(devpaths::kKvdb, group, &rec, &count);
  return entries_json(rec.entry, count, kWhiteShape);
}

int get_pcnt_white_params_by_json(int group, WhiteLedParams* rec, json_object* obj, const char* key, int* count) {
  return get_white_params_by_json(group, rec, obj, key, count);
}

json_object* get_warning_light_params_json_object(int chn, const char* table) {
  WarningLightParams rec{};
  int count = 0;
  read_warning_light_params(devpaths::kKvdb, table, chn, &rec, &count);
  return entries_json(rec.entry, count, kWarningShape);
}

int get_warning_light_params_by_json(int chn, WarningLightParams* rec, json_object* obj, const char* key,
                                     int* count) {
  return entries_from_json(chn, rec ? rec->entry : nullptr, obj, key, count, kWarningShape);
}

// ---- HTTP notification ----

json_object* get_http_params_json_object(int chn, const char* table) {
  HttpNotifyParams rec{};
  read_http_notification_params(devpaths::kKvdb, table, chn, &rec);
  json_object* o = json_object_new_object();
  json_add_int(o, "chnId", chn);
  json_add_field(o, "url", rec.url);
  json_add_field(o, "username", rec.username);
  json_add_field(o, "password", rec.password);
  return o;
}

int get_http_params_by_json(int chn, HttpNotifyParams* rec, json_object* obj, const char* key) {
  if (!rec) return -1;
  *rec = HttpNotifyParams{};
  json_object* p = nullptr;
  if (json_get_object(obj, key, &p) != JsonGet::kOk) return -1;
  rec->chn = chn;
  json_get_text(p, "url", rec->url, sizeof rec->url);
  json_get_text(p, "username", rec->username, sizeof rec->username);
  json_get_text(p, "password", rec->password, sizeof rec->password);
  return 0;
}

// ---- PTZ action entries ----

int get_ptz_params_by_json(int chn, int /*type*/, json_object* arr, PtzParams* rec) {
  if (!rec) return -1;
  *rec = PtzParams{};
  if (chn < 0 || chn >= kKvdbChannels || json_object_get_type(arr) != json_type_array) return -1;
  int n = 0;
  for (size_t i = 0; i < json_array_size(arr) && n < kPtzActionEntries; ++i) {
    json_object* o = json_array_at(arr, i);
    if (json_object_get_type(o) != json_type_object) continue;
    PtzActionEntry& e = rec->entry[n++];
    e.chn_id = chn;
    json_get_int(o, "acto_ptz_channel", &e.acto_ptz_channel);
    json_get_int(o, "acto_ptz_type", &e.acto_ptz_type);
    json_get_int(o, "acto_ptz_preset", &e.acto_ptz_preset);
    json_get_int(o, "acto_ptz_patrol", &e.acto_ptz_patrol);
    json_get_int(o, "acto_ptz_pattern", &e.acto_ptz_pattern);
  }
  return n;
}

int set_ptz_params_by_json(int chn, int type, json_object* arr) {
  PtzParams rec{};
  if (!arr || get_ptz_params_by_json(chn, type, arr, &rec) < 0) return 0;
  int r = type == kPtzTypePeoplecnt ? write_peoplecnt_ptz_params_ex(devpaths::kKvdb, chn, &rec)
                                    : write_ptz_params_all(devpaths::kKvdb, type, chn, &rec);
  return r == 0 ? 1 : 0;
}

json_object* get_ptz_params_json_object(int type, int chn) {
  PtzParams rec{};
  int count = 0;
  read_ptz_params(devpaths::kKvdb, type, chn, &rec, &count);
  json_object* arr = json_object_new_array();
  for (int i = 0; i < count; ++i) {
    const PtzActionEntry& e = rec.entry[i];
    if (e.acto_ptz_channel <= 0) continue;
    json_object* o = json_object_new_object();
    json_add_int(o, "acto_ptz_channel", e.acto_ptz_channel);
    json_add_int(o, "acto_ptz_type", e.acto_ptz_type);
    json_add_int(o, "acto_ptz_preset", e.acto_ptz_preset);
    json_add_int(o, "acto_ptz_patrol", e.acto_ptz_patrol);
    json_object_array_add(arr, o);
  }
  return arr;
}

int get_smart_event_ptz_type(int event) { return event >= 0 && event <= 8 ? event + 5 : -1; }

// ---- Request accessors ----

json_object* get_request_tokener_json_object(const char* text) { return json_parse(text).release(); }

int on_cgi_get_value_by_json(const char* text, const char* key, int* out) {
  JsonPtr obj = json_parse(text);
  return json_get_int(obj.get(), key, out) == JsonGet::kOk ? 0 : -1;
}

int on_cgi_get_int_from_json(json_object* obj, const char* key, int* out) {
  return json_get_int(obj, key, out) == JsonGet::kOk ? 0 : -1;
}

int on_cgi_get_string_from_json(json_object* obj, const char* key, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  return json_get_text(obj, key, buf, static_cast<size_t>(size)) == JsonGet::kOk ? 0 : -1;
}

// ---- Files ----

char* kv_get_file_data(const char* path, int* len) {
  if (len) *len = 0;
  if (!path) return nullptr;
  FILE* f = fopen(path, "rb");
  if (!f) return nullptr;
  struct stat st {};
  char* buf = nullptr;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size < INT_MAX)
    buf = static_cast<char*>(malloc(static_cast<size_t>(st.st_size) + 1));
  size_t got = buf ? fread(buf, 1, static_cast<size_t>(st.st_size), f) : 0;
  bool failed = !buf || ferror(f);
  fclose(f);
  if (failed) {
    free(buf);
    return nullptr;
  }
  buf[got] = '\0';
  if (len) *len = static_cast<int>(got);
  return buf;
}

int kv_wirte_file_data(const char* path, const void* data, int len) {
  if (!path || !*path || len < 0 || (len > 0 && !data)) return -1;
  std::string tmp = std::string(path) + ".XXXXXX";
  int fd = mkstemp(tmp.data());
  if (fd < 0) return -1;
  const char* p = static_cast<const char*>(data);
  size_t left = static_cast<size_t>(len);
  bool ok = fchmod(fd, 0644) == 0;
  while (ok && left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) {
      p += n;
      left -= static_cast<size_t>(n);
    }
  }
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path) != 0) {
    unlink(tmp.c_str());
    return -1;
  }
  return 0;
}

int get_audio_file_id_mask() {
  AlarmAudioFile files[kAlarmAudioSlots]{};
  read_alarm_audio_file(devpaths::kKvdb, files);
  int mask = 0;
  for (int i = 0; i < kAlarmAudioSlots; ++i)
    if (files[i].enable == 1) mask |= 1 << i;
  return mask;
}

int on_cgi_is_kv_lpr(int camera_type) { return camera_type >= 11 && camera_type <= 14 ? 1 : 0; }

// ---- Common reply callbacks ----

void on_cgi_common_json_cb(int count, const void* payload) {
  if (count <= 0 || !payload) return;
  int32_t status;
  memcpy(&status, payload, sizeof status);
  JsonPtr o(json_object_new_object());
  json_add_int(o.get(), "status", status);
  cgi_writeback_webserver(1, json_object_to_json_string(o.get()));
  g_callback_done = 1;
}

void on_cgi_common_text_cb(int /*count*/, int status, const char* data) {
  char text[256];
  int n = snprintf(text, sizeof text, "CGI %s status:[%d]", status >= 0 ? "OK" : "ERROR", status);
  if (data && n > 0 && static_cast<size_t>(n) < sizeof text) snprintf(text + n, sizeof text - static_cast<size_t>(n), ", data:[%s]", data);
  cgi_writeback_webserver(0, text);
  g_callback_done = 1;
}
