// JSON shapes shared by the handler families: schedules, alarm-output name
// pairs, white-LED / warning-light / HTTP / PTZ action blocks, small JSON
// accessors, file helpers and the two common reply callbacks.
//
// Functions returning json_object* return a new reference (null on failure);
// json_object_object_add / json_object_array_add take it over.
// Blocks read from or written to the database use devpaths::kKvdb.
#pragma once
#include <json-c/json.h>

#include <cstdint>

#include "platform/kvdb.h"

// ---- Schedules ----

// 8 days x 12 periods {"startTime","endTime","actionType"}.
json_object* get_schedule_json_object(const ScheduleRec* rec);
// Clears rec and fills 8 days x 12 periods from key's array of arrays
// [start, end, action]. -1 for a null argument or when key is missing or
// not an array.
int get_schedule_by_json(json_object* obj, const char* key, ScheduleRec* rec);
json_object* get_schedule_json_object_ex(const ScheduleRec* rec);
int get_schedule_by_json_ex(json_object* obj, const char* key, ScheduleRec* rec);
// Camera-side form: periods carry start and end only; a day whose valid flag
// is 0 is printed with empty times. The reader fills 7 days x 10 periods and
// marks those 7 days valid.
json_object* get_schedule_json_object_ipc(const ScheduleRec* rec);
int get_schedule_by_json_ipc(json_object* obj, const char* key, ScheduleRec* rec);

// Bit n for each of the first count_key elements of array_key whose value n
// is 0..63; 0 when the count is missing or not positive.
uint64_t get_copy_flag_by_json(json_object* obj, const char* array_key, const char* count_key);

// ---- Alarm-output name pair ----

struct EventChnAlarmout {
  int32_t index;  // source index
  int32_t pos;    // 0 or 1
  char name[65];
};
static_assert(sizeof(EventChnAlarmout) == 76);

json_object* get_event_chn_alarmout_object(const char* first, const char* second);
// Fills up to two records from key's array of two texts; 0 or -1.
int get_event_chn_alarmout_by_object(int index, json_object* obj, const char* key, EventChnAlarmout recs[2]);

// ---- White LED / warning light ----
// The JSON is an array of up to 16 objects ({"chnid","mode","time"} /
// {"chnid","time"}) or of arrays in that order. Readers clear rec, fill the
// entries of channel chn up to the first element that is neither, and store
// the entry count in *count (may be null); 0, or -1 for a null argument or
// when key is missing or not an array.

json_object* get_white_params_json_object(int chn, const char* table);
int get_white_params_by_json(int chn, WhiteLedParams* rec, json_object* obj, const char* key, int* count);
json_object* get_pcnt_white_params_json_object(int group);
int get_pcnt_white_params_by_json(int group, WhiteLedParams* rec, json_object* obj, const char* key, int* count);
json_object* get_warning_light_params_json_object(int chn, const char* table);
int get_warning_light_params_by_json(int chn, WarningLightParams* rec, json_object* obj, const char* key,
                                     int* count);

// ---- HTTP notification ----

// {"chnId","url","username","password"}.
json_object* get_http_params_json_object(int chn, const char* table);
// Clears rec and fills it from key's object {"url","username","password"}:
// texts copied unchanged, cut to their fields. 0 or -1.
int get_http_params_by_json(int chn, HttpNotifyParams* rec, json_object* obj, const char* key);

// ---- PTZ action entries ----

// Clears rec; fills entries of source channel chn (0..63) from the objects of
// arr. Number of entries filled, or -1.
int get_ptz_params_by_json(int chn, int type, json_object* arr, PtzParams* rec);
// Converts and stores the whole set (type 20: people counting table);
// 1 when stored, 0 otherwise.
int set_ptz_params_by_json(int chn, int type, json_object* arr);
// Array of {"acto_ptz_channel","acto_ptz_type","acto_ptz_preset","acto_ptz_patrol"}.
json_object* get_ptz_params_json_object(int type, int chn);
// Smart event 0..8 -> PTZ entry type 5..13; -1 otherwise.
int get_smart_event_ptz_type(int event);

// ---- Request accessors ----

// Parsed text, or null for a null text or a parse error.
json_object* get_request_tokener_json_object(const char* text);
// Parses text and reads one integer member; 0 or -1.
int on_cgi_get_value_by_json(const char* text, const char* key, int* out);
// 0, or -1 when the member is missing (or not of the type).
int on_cgi_get_int_from_json(json_object* obj, const char* key, int* out);
int on_cgi_get_string_from_json(json_object* obj, const char* key, char* buf, int size);

// ---- Files (filesystem paths: resolve device paths with dev_path) ----

// Whole file in a new buffer (NUL-terminated beyond *len), released with
// free(); null and *len 0 when it cannot be read.
char* kv_get_file_data(const char* path, int* len);
// Replaces the file with len bytes; the old content stays when writing
// fails. 0 when all bytes were written, else -1.
int kv_wirte_file_data(const char* path, const void* data, int len);

// Bit i for each alarm audio file slot i (0..9) in use.
int get_audio_file_id_mask();
// 1 for camera types 11..14 (plate cameras of our own make), else 0.
int on_cgi_is_kv_lpr(int camera_type);

// ---- Common reply callback bodies (set g_callback_done) ----

// count > 0: {"status": first int32 of the payload} as JSON.
void on_cgi_common_json_cb(int count, const void* payload);
// "CGI OK status:[%d]" (status >= 0) or "CGI ERROR status:[%d]", then
// ", data:[%s]" when data is given, as text.
void on_cgi_common_text_cb(int count, int status, const char* data);
