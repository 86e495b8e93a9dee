// Event action records beside the video pages: recorder alarm inputs, the
// snapshot settings and schedules, and schedules stored for many channels
// at once. Channels are 0..63; masks have bit n = channel (or input) n.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

// ---- Recorder alarm inputs, one record per input ----

inline constexpr int kAlarmInRecords = 64;
inline constexpr int kFactoryAlarmIns = 16;

struct AlarmInRec {
  int32_t id;
  int32_t enable;
  char name[256];
  int32_t type;  // 0 normally open, 1 normally closed
  int32_t reserved0;
  uint64_t tri_mask;  // from tri_channels
  int32_t tri_alarms;
  int32_t interval;
  char tri_channels[65];
  char reserved1[23];
  int32_t email_enable;
  int32_t email_interval;
  char tri_snapshot[65];
  char reserved2[3];
  int32_t audio_id;
  int32_t email_pic_enable;
  char tri_channels_pic[65];
  char reserved3[3];
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t warning_light_interval;
  int32_t http_notification_interval;
  char tri_chn_alarms[2][65];
  char reserved4[274];
};
static_assert(sizeof(AlarmInRec) == 952);
static_assert(offsetof(AlarmInRec, name) == 8 && offsetof(AlarmInRec, type) == 264 &&
              offsetof(AlarmInRec, tri_mask) == 272 && offsetof(AlarmInRec, tri_alarms) == 280 &&
              offsetof(AlarmInRec, interval) == 284 && offsetof(AlarmInRec, tri_channels) == 288 &&
              offsetof(AlarmInRec, email_enable) == 376 && offsetof(AlarmInRec, email_interval) == 380 &&
              offsetof(AlarmInRec, tri_snapshot) == 384);

int read_alarm_in(const char* path, AlarmInRec* rec, int id);
int write_alarm_in(const char* path, const AlarmInRec* rec);
// recs[n] = input n for all 64 slots (zero, id n, where none is stored); *count = inputs stored.
int read_alarm_ins(const char* path, AlarmInRec recs[kAlarmInRecords], int* count);
// recs[n] for every bit n of mask, in one transaction.
int write_alarm_ins(const char* path, const AlarmInRec recs[kAlarmInRecords], uint64_t mask);

inline constexpr const char* kAlarmInEffectiveTable = "alarmin_effective_schedule";
inline constexpr const char* kAlarmInAudibleTable = "alarmin_audible_schedule";
inline constexpr const char* kAlarmInEmailTable = "alarmin_email_schedule";
inline constexpr const char* kAlarmInPtzTable = "alarmin_ptz_schedule";
inline constexpr const char* kAlarmInWhiteTable = "alarmin_whiteled_esche";
inline constexpr const char* kAlarmInWarningTable = "alarmin_warning_light_esche";
inline constexpr const char* kAlarmInHttpScheTable = "alarmin_http_notification_sche";
inline constexpr const char* kAlarmInWhiteParams = "alarm_in_white_led_params";
inline constexpr const char* kAlarmInWarningParams = "alarm_in_warning_light_params";
inline constexpr const char* kAlarmInHttpParams = "alarmin_http_notification_params";
inline constexpr int kPtzTypeAlarmIn = 0;

// ---- Schedules of many channels ----

// rec as the schedule of every channel of mask, in one transaction.
int write_schedule_masked(const char* path, const char* table, const ScheduleRec* rec, uint64_t mask);

// ---- Snapshots ----

struct SnapshotRec {
  int32_t chn;
  int32_t resolution;
  int32_t quality;
  int32_t interval;
  int32_t interval_unit;
  int32_t expiration_date;
  int32_t reserved[3];
};
static_assert(sizeof(SnapshotRec) == 36);

// One slot of the snapshot schedule buffer: the channel and its schedule.
struct SnapshotSchedule {
  int32_t chn;
  ScheduleRec schedule;
};
static_assert(sizeof(SnapshotSchedule) == 27716 && offsetof(SnapshotSchedule, schedule) == 4);

inline constexpr const char* kSnapshotScheduleTable = "snapshot_schedule";

int read_snapshot(const char* path, SnapshotRec* rec, int chn);
// rec (its channel replaced) to every channel of mask, in one transaction.
int copy_snapshots(const char* path, const SnapshotRec* rec, uint64_t mask);
int read_snapshot_schedule(const char* path, ScheduleRec* rec, int chn);
// slots[n].schedule for every channel n of mask (slots holds 64), in one transaction.
int write_snapshot_schedules(const char* path, const SnapshotSchedule* slots, uint64_t mask);
