// Regional people counting of the camera-side pages: one action record per
// channel and counting region (0..3), and each region's schedule and
// parameter tables (region 0's names carry no digit).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

inline constexpr int kRegionalPcntRegions = 4;

// Starts with its channel, as every action-set record does.
struct RegionalPcntEventRec {
  int32_t chnid;
  int32_t region;
  int32_t tri_alarms;
  int32_t interval;
  int32_t audio_id;
  int32_t email_interval;
  int32_t email_pic_enable;
  int32_t ptz_interval;
  int32_t white_interval;
  int32_t warning_light_interval;
  int32_t http_notification_interval;
  int32_t alarmout_interval;
  uint64_t tri_mask;  // from tri_channels
  char tri_channels_pic[65];
  char tri_channels[65];
  char tri_chn_alarms[2][65];
  char reserved[4];
};
static_assert(sizeof(RegionalPcntEventRec) == 320);
static_assert(offsetof(RegionalPcntEventRec, tri_mask) == 48 && offsetof(RegionalPcntEventRec, tri_channels_pic) == 56 &&
              offsetof(RegionalPcntEventRec, tri_channels) == 121 && offsetof(RegionalPcntEventRec, tri_chn_alarms) == 186);

// Zero record (chnid, region set) and -1 when the pair is out of range or unstored.
int read_regional_pcnt_event(const char* path, RegionalPcntEventRec* rec, int chn, int region);
int write_regional_pcnt_event(const char* path, const RegionalPcntEventRec* rec);
// The region's record of src to every channel of mask.
int copy_regional_pcnt_event(const char* path, int region, int src, uint64_t mask);

// Table names of one region's action set.
struct RegionalPcntTables {
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
#define KVDB_PCNT_TABLES(n)                                                                                 \
  {                                                                                                         \
    "regional_pcnt" n "_audible_schedule", "regional_pcnt" n "_email_schedule",                            \
        "regional_pcnt" n "_ptz_schedule", "regional_pcnt" n "_whiteled_esche",                            \
        "regional_pcnt" n "_warning_light_esche", "regional_pcnt" n "_http_notification_sche",             \
        "regional_pcnt" n "_whiteled_params", "regional_pcnt" n "_warning_light_params",                   \
        "regional_pcnt" n "_http_notification_params"                                                       \
  }
inline constexpr RegionalPcntTables kRegionalPcntTables[kRegionalPcntRegions] = {
    KVDB_PCNT_TABLES(""), KVDB_PCNT_TABLES("1"), KVDB_PCNT_TABLES("2"), KVDB_PCNT_TABLES("3")};
#undef KVDB_PCNT_TABLES
