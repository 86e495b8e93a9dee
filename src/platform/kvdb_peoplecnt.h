// People counting records of the configuration database: the 9 counting
// groups, their event records (with the group's action schedules in the
// tables named below) and the 4 report backup entries.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

inline constexpr int kPeoplecntGroups = 9;
inline constexpr int kReportBackups = 4;

struct PeoplecntGroupRec {
  int32_t id;
  int32_t enable;
  int32_t stays;
  int32_t liveview_auto_reset;
  int32_t auto_day;
  int32_t liveview_font_size;
  char name[64];
  char auto_day_time[64];
  char tri_channels[65];
  char liveview_green_tips[128];
  char liveview_red_tips[128];
};
static_assert(sizeof(PeoplecntGroupRec) == 476);
static_assert(offsetof(PeoplecntGroupRec, name) == 24 && offsetof(PeoplecntGroupRec, tri_channels) == 152 &&
              offsetof(PeoplecntGroupRec, liveview_red_tips) == 345);

// Starts with its group, as every action-set record does.
struct PeoplecntEventRec {
  int32_t id;
  int32_t tri_alarms;
  int32_t interval;
  int32_t email_interval;
  int32_t email_pic_enable;
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t http_notification_interval;
  int32_t audio_id;
  char tri_channels_pic[65];
  char tri_chn_alarms[2][65];
};
static_assert(sizeof(PeoplecntEventRec) == 236);
static_assert(offsetof(PeoplecntEventRec, tri_channels_pic) == 40 && offsetof(PeoplecntEventRec, tri_chn_alarms) == 105);

struct ReportBackupRec {
  int32_t report_type;
  int32_t enable;
  char tri_channels[65];
  char tri_groups[17];
  int32_t stay_length_type;
  int32_t stay_length_value;
  int32_t backup_day;
  char backup_time[32];
  int32_t file_format;
  int32_t time_range;
  int32_t backup_to;
  int32_t line_mask;
};
static_assert(sizeof(ReportBackupRec) == 152);
static_assert(offsetof(ReportBackupRec, tri_channels) == 8 && offsetof(ReportBackupRec, tri_groups) == 73 &&
              offsetof(ReportBackupRec, stay_length_type) == 92 && offsetof(ReportBackupRec, backup_time) == 104 &&
              offsetof(ReportBackupRec, file_format) == 136 && offsetof(ReportBackupRec, line_mask) == 148);

// All groups / entries, zero where no row is stored. 0, or -1 on error.
int read_peoplecnt_settings(const char* path, PeoplecntGroupRec recs[kPeoplecntGroups]);
// All groups in one transaction, group i stored as id i.
int write_peoplecnt_settings(const char* path, const PeoplecntGroupRec recs[kPeoplecntGroups]);
int read_peoplecnt_event(const char* path, PeoplecntEventRec* rec, int group);
int write_peoplecnt_event(const char* path, const PeoplecntEventRec* rec);
int read_peoplecnt_auto_backup(const char* path, ReportBackupRec recs[kReportBackups]);
int write_peoplecnt_auto_backup(const char* path, const ReportBackupRec recs[kReportBackups]);

// Action tables of the groups. The library keeps no effective schedule for
// people counting: the page shows the audible one in its place.
inline constexpr const char* kPeoplecntAudibleTable = "peoplecnt_audible_schedule";
inline constexpr const char* kPeoplecntEmailTable = "peoplecnt_email_schedule";
inline constexpr const char* kPeoplecntPtzTable = "peoplecnt_ptz_schedule";
inline constexpr const char* kPeoplecntWhiteTable = "peoplecnt_whiteled_esche";
inline constexpr const char* kPeoplecntHttpScheTable = "people_cnt_http_notification_sche";
inline constexpr const char* kPeoplecntWhiteParams = "peoplecnt_white_led_params";
inline constexpr const char* kPeoplecntHttpParams = "people_cnt_http_notification_params";
