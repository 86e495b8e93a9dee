// Smart analytics (VCA) event records: one action record per channel and
// event (0..8), and the event's schedule and parameter tables.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

inline constexpr int kSmartEvents = 9;

struct SmartEventRec {
  int32_t chnid;
  int32_t event;
  int32_t enable;
  int32_t tri_alarms;
  int32_t interval;
  int32_t email_interval;
  int32_t email_pic_enable;
  int32_t reserved0;
  uint64_t tri_mask;  // from tri_channels
  char tri_channels_pic[65];
  char tri_channels[65];
  char tri_chn_alarms[2][65];
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t warning_light_interval;
  int32_t audio_id;
  int32_t http_notification_interval;
  char reserved1[12];
};
static_assert(sizeof(SmartEventRec) == 336);
static_assert(offsetof(SmartEventRec, tri_mask) == 32 && offsetof(SmartEventRec, tri_channels_pic) == 40 &&
              offsetof(SmartEventRec, tri_channels) == 105 && offsetof(SmartEventRec, tri_chn_alarms) == 170 &&
              offsetof(SmartEventRec, ptz_interval) == 300 && offsetof(SmartEventRec, http_notification_interval) == 320);

// Zero record (chnid, event set) and -1 when the pair is out of range or unstored.
int read_smart_event(const char* path, SmartEventRec* rec, int chn, int event);
int write_smart_event(const char* path, const SmartEventRec* rec);
// The event's record of src to every channel of mask.
int copy_smart_events(const char* path, int event, int src, uint64_t mask);

// Table names of one event's action set.
struct SmartEventTables {
  const char* effective;
  const char* audible;
  const char* email;
  const char* ptz;
  const char* white;
  const char* warning;
  const char* http_sche;
  const char* white_params;
  const char* warning_params;
  const char* http_params;
};
#define KVDB_VCA_TABLES(n)                                                                                   \
  {                                                                                                          \
    "vca_" n "_effective_schedule", "vca_" n "_audible_schedule", "vca_" n "_email_schedule",               \
        "vca_" n "_ptz_schedule", "vca_" n "_whiteled_esche", "vca_" n "_warning_light_esche",              \
        "vca_" n "_http_notification_sche", "vca_" n "_white_led_params", "vca_" n "_warning_light_params", \
        "vca_" n "_http_notification_params"                                                                 \
  }
inline constexpr SmartEventTables kSmartEventTables[kSmartEvents] = {
    KVDB_VCA_TABLES("regionin"), KVDB_VCA_TABLES("regionout"), KVDB_VCA_TABLES("motion"),
    KVDB_VCA_TABLES("tamper"),   KVDB_VCA_TABLES("linecross"), KVDB_VCA_TABLES("loiter"),
    KVDB_VCA_TABLES("human"),    KVDB_VCA_TABLES("peoplecnt"), KVDB_VCA_TABLES("object"),
};
#undef KVDB_VCA_TABLES

// Schedule table (which 0) or parameter table (which 1) of an event's white
// LED, warning light and HTTP notification; -1 and an empty name when out of range.
int get_vca_white_table_name(int which, int event, char* buf, size_t size);
int get_vca_warning_light_table_name(int which, int event, char* buf, size_t size);
int get_vca_http_table_name(int which, int event, char* buf, size_t size);
