// Event action records of the configuration database: schedules, white-LED,
// warning-light and HTTP notification tables, PTZ action entries, alarm audio
// files. Channels (source indices) are 0..63; masks have bit n = channel n.
// Included by platform/kvdb.h.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr int kKvdbChannels = 64;

// ---- Weekly schedule (one per channel in a table named by the caller) ----

struct SchedulePeriod {
  char start[32];  // as sent by the client
  char end[32];
  int32_t action;
  int32_t unused;
};
static_assert(sizeof(SchedulePeriod) == 72);
static_assert(offsetof(SchedulePeriod, end) == 32 && offsetof(SchedulePeriod, action) == 64);

inline constexpr int kSchedulePeriods = 48;
inline constexpr int kScheduleDays = 8;

struct ScheduleDay {
  SchedulePeriod period[kSchedulePeriods];
  int32_t whole_day_enable;  // also the day-valid flag of the camera-side form
  int32_t whole_day_action;
};
static_assert(sizeof(ScheduleDay) == 3464);
static_assert(offsetof(ScheduleDay, whole_day_enable) == 3456 && offsetof(ScheduleDay, whole_day_action) == 3460);

struct ScheduleRec {
  ScheduleDay day[kScheduleDays];
};
static_assert(sizeof(ScheduleRec) == 27712);

// Zero record and -1 when the table or row does not exist.
int read_schedule(const char* path, const char* table, int chn, ScheduleRec* rec);
int write_schedule(const char* path, const char* table, int chn, const ScheduleRec* rec);
// The schedule of src to every channel of mask (src itself skipped).
int copy_schedules(const char* path, const char* table, int src, uint64_t mask);

// ---- White-LED and warning-light actions: up to 16 entries per channel ----

inline constexpr int kLedEntries = 16;

struct WhiteLedEntry {
  int32_t chn;  // source index
  int32_t chnid;
  int32_t mode;
  int32_t time;
};
static_assert(sizeof(WhiteLedEntry) == 16);

struct WhiteLedParams {
  WhiteLedEntry entry[kLedEntries];
};
static_assert(sizeof(WhiteLedParams) == 256);

struct WarningLightEntry {
  int32_t chn;  // source index
  int32_t chnid;
  int32_t reserved1;
  int32_t reserved2;
  int32_t time;
  int32_t reserved3;
};
static_assert(sizeof(WarningLightEntry) == 24 && offsetof(WarningLightEntry, time) == 16);

struct WarningLightParams {
  WarningLightEntry entry[kLedEntries];
};
static_assert(sizeof(WarningLightParams) == 384);

// Reads fill the entries of channel chn in stored order (the rest zero) and
// store their number; writes replace the channel's entries by the first count
// (0..16), each stored with chn as its source index.
int read_whiteled_params(const char* path, const char* table, int chn, WhiteLedParams* rec, int* count);
int write_whiteled_params_all(const char* path, const char* table, int chn, const WhiteLedParams* rec,
                              int count);
int copy_whiteled_params(const char* path, const char* table, int src, uint64_t mask);

// People counting groups (table "peoplecnt_white_led_params").
int read_peoplecnt_wled_params(const char* path, int group, WhiteLedParams* rec, int* count);
int write_peoplecnt_wled_params_all(const char* path, int group, const WhiteLedParams* rec, int count);

int read_warning_light_params(const char* path, const char* table, int chn, WarningLightParams* rec,
                              int* count);
int write_warning_light_params_all(const char* path, const char* table, int chn, const WarningLightParams* rec,
                                   int count);
int copy_warning_light_params(const char* path, const char* table, int src, uint64_t mask);

// ---- HTTP notification target (one per channel in a named table) ----

struct HttpNotifyParams {
  int32_t chn;
  char url[513];
  char username[97];
  char password[65];
  char unused[1];
};
static_assert(sizeof(HttpNotifyParams) == 680);
static_assert(offsetof(HttpNotifyParams, url) == 4 && offsetof(HttpNotifyParams, username) == 517 &&
              offsetof(HttpNotifyParams, password) == 614);

// Zero record with chn set, and -1, when none is stored.
int read_http_notification_params(const char* path, const char* table, int chn, HttpNotifyParams* rec);
int write_http_notification_params(const char* path, const char* table, int chn, const HttpNotifyParams* rec);
int copy_http_notification_params(const char* path, const char* table, int src, uint64_t mask);

// ---- PTZ action entries ----
// An entry is known by (entry type, chn_id, acto_ptz_channel); entries with
// acto_ptz_channel <= 0 are empty and never stored. Entry type 20 selects the
// people counting table (16 entries per group), any other type the ordinary
// table (64 entries per source channel and type).

struct PtzActionEntry {
  int32_t chn_id;  // source channel of the event
  int32_t acto_ptz_channel;
  int32_t reserved;
  int32_t acto_ptz_type;  // 1 preset, 2 patrol, 3 pattern
  int32_t acto_ptz_preset;
  int32_t acto_ptz_patrol;
  int32_t acto_ptz_pattern;
};
static_assert(sizeof(PtzActionEntry) == 28);
static_assert(offsetof(PtzActionEntry, acto_ptz_type) == 12 && offsetof(PtzActionEntry, acto_ptz_pattern) == 24);

inline constexpr int kPtzActionEntries = 64;
inline constexpr int kPeoplecntPtzEntries = 16;
inline constexpr int kPtzTypePeoplecnt = 20;

struct PtzParams {
  PtzActionEntry entry[kPtzActionEntries];
};
static_assert(sizeof(PtzParams) == 1792);

// Entries of (type, chn) in stored order, the rest zero; count stored.
int read_ptz_params(const char* path, int type, int chn, PtzParams* rec, int* count);
// Adds or replaces one entry; -1 when the source already has its maximum.
int write_ptz_params(const char* path, int type, const PtzActionEntry* entry);
// Removes the entry (type, old_chn, entry->acto_ptz_channel), then stores entry.
int update_ptz_params(const char* path, int type, int old_chn, const PtzActionEntry* entry);
int delete_ptz_params(const char* path, int type, int chn, int ptz_channel);
// Replaces the entries of (type, chn) by the non-empty entries of rec (up to
// the table's maximum), each stored with chn_id = chn.
int write_ptz_params_all(const char* path, int type, int chn, const PtzParams* rec);
// Entries of (type, src) to every channel of mask, replacing theirs.
int copy_ptz_params_all(const char* path, int type, int src, uint64_t mask);

int read_peoplecnt_ptz_params(const char* path, int chn, PtzParams* rec, int* count);
int write_peoplecnt_ptz_params(const char* path, const PtzActionEntry* entry);
int update_peoplecnt_ptz_params(const char* path, int old_chn, const PtzActionEntry* entry);
int delete_peoplecnt_ptz_params(const char* path, int chn, int ptz_channel);
int write_peoplecnt_ptz_params_ex(const char* path, int chn, const PtzParams* rec);

// ---- Alarm audio files: 10 slots, slot = id ----

inline constexpr int kAlarmAudioSlots = 10;

struct AlarmAudioFile {
  int32_t enable;  // 1: slot in use
  int32_t id;
  char name[128];
};
static_assert(sizeof(AlarmAudioFile) == 136 && offsetof(AlarmAudioFile, name) == 8);

// files[i] = slot i (zero when free).
int read_alarm_audio_file(const char* path, AlarmAudioFile files[kAlarmAudioSlots]);
int write_alarm_audio_file(const char* path, const AlarmAudioFile* file);
