// Recording records of the configuration database: holidays, per-channel
// record settings and record schedules.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

struct HolidayRec {
  int32_t id;  // 0..31
  char name[256];
  int32_t enable;
  int32_t type;
  int32_t start_year;
  int32_t start_mon;
  int32_t start_mday;
  int32_t start_mweek;
  int32_t start_wday;
  int32_t end_year;
  int32_t end_mon;
  int32_t end_mday;
  int32_t end_mweek;
  int32_t end_wday;
};
static_assert(sizeof(HolidayRec) == 308 && offsetof(HolidayRec, enable) == 260 &&
              offsetof(HolidayRec, end_wday) == 304);

// Record settings of one channel. The reserved bytes belong to settings this
// module does not handle; they are stored and kept as they are.
struct RecordRec {
  int32_t id;    // channel
  int32_t mode;  // recording plan mode 0..2
  uint8_t reserved0[28];
  int32_t audio_enable;
  uint8_t reserved1[8];
  int32_t prev_record_on;
  int32_t prev_record_duration;
  int32_t post_record_on;
  int32_t post_record_duration;
  int32_t record_exp_date;
  uint8_t reserved2[4];
};
static_assert(sizeof(RecordRec) == 72);
static_assert(offsetof(RecordRec, mode) == 4 && offsetof(RecordRec, audio_enable) == 36 &&
              offsetof(RecordRec, prev_record_on) == 48 && offsetof(RecordRec, prev_record_duration) == 52 &&
              offsetof(RecordRec, post_record_on) == 56 && offsetof(RecordRec, post_record_duration) == 60 &&
              offsetof(RecordRec, record_exp_date) == 64);

inline constexpr int kRecordHolidays = 32;
inline constexpr int kRecordChannels = 64;
// Action types of the factory schedule.
inline constexpr int32_t kRecordActionContinuous = 1;

// recs must hold kRecordHolidays records; recs[i] is holiday i.
int read_holidays(const char* path, HolidayRec* recs, int* count);
// A holiday without a row reads as a zero record with its id.
int read_holiday(const char* path, HolidayRec* rec, int id);
int write_holiday(const char* path, const HolidayRec* rec);

// A channel without a row reads as a zero record with its id.
int read_record(const char* path, RecordRec* rec, int chn);
// recs must hold kRecordChannels records; recs[i] is channel i.
int read_records(const char* path, RecordRec* recs, int* count);
// recs[n] for every bit n of mask, in one transaction.
int write_records(const char* path, const RecordRec* recs, uint64_t mask);

int read_record_schedule(const char* path, int chn, ScheduleRec* rec);
// One transaction: the schedule to every channel of chn_mask, plan mode
// `mode` to every channel of mode_mask.
int store_record_plan(const char* path, const ScheduleRec* sched, uint64_t chn_mask, int mode, uint64_t mode_mask);

// One transaction: recs of write_mask, then the cameras' ANR value for
// anr_mask and recorded stream for stream_mask.
struct RecordParamsWrite {
  const RecordRec* recs;
  uint64_t write_mask;
  int anr;
  uint64_t anr_mask;
  int stream;
  uint64_t stream_mask;
};
int store_record_params(const char* path, const RecordParamsWrite& w);
