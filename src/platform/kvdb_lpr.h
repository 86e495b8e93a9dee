// Plate lists of the plate recognition pages, in their own database
// (devpaths::kAnprDb). A plate is in at most one list: the plate is the key.
#pragma once
#include <cstddef>
#include <cstdint>

struct AnprListRec {
  char type[16];   // list the plate belongs to, as the page names it
  char plate[64];
};
static_assert(sizeof(AnprListRec) == 80);

// Each call is one transaction: on failure the lists stay as they were.
// Deletes the entries of these plates (types ignored).
int delete_anpr_lists(const char* path, const AnprListRec* recs, int n);
// Stores the entries, replacing those of the same plates.
int write_anpr_list_replace_batch(const char* path, const AnprListRec* recs, int n);
// For each i: removes old_plates[i]'s entry, then stores recs[i] (a stored
// entry of recs[i]'s plate is replaced).
int update_anpr_lists(const char* path, const char (*old_plates)[64], const AnprListRec* recs, int n);
// 0 and *rec filled when the plate has an entry, -1 otherwise.
int read_anpr_list_plate(const char* path, const char* plate, AnprListRec* rec);

// ---- Action sets of the plate list modes (configuration database) ----
// Modes: -1 the settings page's own part, 0 black list, 1 white list, 2 visitor.

inline constexpr int kAnprModeFirst = -1;
inline constexpr int kAnprModeLast = 2;

struct AnprEventRec {
  int32_t chnid;
  int32_t mode;
  int32_t enable;
  int32_t tri_alarms;
  int32_t interval;
  int32_t audio_id;
  int32_t email_interval;
  int32_t email_pic_enable;
  uint64_t tri_mask;  // from tri_channels
  char tri_channels_pic[65];
  char tri_channels[65];
  char tri_chn_alarms[2][65];
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t warning_light_interval;
  int32_t http_notification_interval;
  char reserved[16];
};
static_assert(sizeof(AnprEventRec) == 336);
static_assert(offsetof(AnprEventRec, tri_mask) == 32 && offsetof(AnprEventRec, tri_channels_pic) == 40 &&
              offsetof(AnprEventRec, tri_channels) == 105 && offsetof(AnprEventRec, tri_chn_alarms) == 170 &&
              offsetof(AnprEventRec, ptz_interval) == 300 && offsetof(AnprEventRec, http_notification_interval) == 316);

// Zero record (chnid, mode set) and -1 when the pair is out of range or unstored.
int read_anpr_event(const char* path, AnprEventRec* rec, int chn, int mode);
int write_anpr_event(const char* path, const AnprEventRec* rec);
// The mode's record of src to every channel of mask.
int copy_anpr_events(const char* path, int mode, int src, uint64_t mask);

// Table names of one mode's action set. The settings page's part has no
// white-LED, warning-light or HTTP tables (null).
struct AnprModeTables {
  const char* effective;
  const char* audible;
  const char* mail;
  const char* ptz;
  const char* white;
  const char* warning;
  const char* http_sche;
  const char* white_params;
  const char* warning_params;
  const char* http_params;
};
// Index mode + 1.
inline constexpr AnprModeTables kAnprModeTables[] = {
    {"lpr_effective_schedule", "lpr_audible_schedule", "lpr_mail_schedule", "lpr_ptz_schedule", nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr},
    {"lpr_black_effective_schedule", "lpr_black_audible_schedule", "lpr_black_mail_schedule",
     "lpr_black_ptz_schedule", "lpr_black_whiteled_esche", "lpr_black_warning_light_esche",
     "lpr_black_mode_http_notification_sche", "lpr_black_white_led_params", "lpr_black_warning_light_params",
     "lpr_black_mode_http_notification_params"},
    {"lpr_white_effective_schedule", "lpr_white_audible_schedule", "lpr_white_mail_schedule",
     "lpr_white_ptz_schedule", "lpr_white_whiteled_esche", "lpr_white_warning_light_esche",
     "lpr_white_mode_http_notification_sche", "lpr_white_white_led_params", "lpr_white_warning_light_params",
     "lpr_white_mode_http_notification_params"},
    {"lpr_visitor_effective_schedule", "lpr_visitor_audible_schedule", "lpr_visitor_mail_schedule",
     "lpr_visitor_ptz_schedule", "lpr_vistor_whiteled_esche", "lpr_vistor_warning_light_esche",
     "lpr_visitor_mode_http_notification_sche", "lpr_vistor_white_led_params", "lpr_vistor_warning_light_params",
     "lpr_visitor_mode_http_notification_params"},
};
// Null for a mode outside -1..2.
constexpr const AnprModeTables* anpr_mode_tables(int mode) {
  return mode >= kAnprModeFirst && mode <= kAnprModeLast ? &kAnprModeTables[mode + 1] : nullptr;
}
