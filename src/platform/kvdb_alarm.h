// Alarm input and output records of the configuration database: the
// recorder's inputs (0..15) and outputs (0..3), and the names of the camera
// inputs (0..3) and outputs (0..1) of every channel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb_action.h"

inline constexpr int kAlarmIns = 16;
inline constexpr int kAlarmOuts = 4;
inline constexpr int kAlarmChannels = 64;

// The input records (AlarmInRec, read_alarm_ins) are the action-set family of kvdb_action.h.

struct AlarmOutRec {
  int32_t id;
  char name[256];
  int32_t type;
  int32_t enable;
  int32_t durationTime;
};
static_assert(sizeof(AlarmOutRec) == 272 && offsetof(AlarmOutRec, type) == 260 &&
              offsetof(AlarmOutRec, enable) == 264 && offsetof(AlarmOutRec, durationTime) == 268);

struct ChnInNameRec {
  int32_t chn;
  int32_t id;  // camera input 0..3
  char name[64];
};
static_assert(sizeof(ChnInNameRec) == 72);

struct ChnOutNameRec {
  int32_t chn;
  int32_t id;  // camera output 0..1
  int32_t delayTime;
  char name[64];
};
static_assert(sizeof(ChnOutNameRec) == 76);

// recs must hold kAlarmOuts records; recs[i] is output i.
int read_alarm_outs(const char* path, AlarmOutRec* recs, int* count);
// recs[n] for every bit n (0..3) of mask, in one transaction.
int write_alarm_outs(const char* path, const AlarmOutRec* recs, uint64_t mask);
inline constexpr const char* kAlarmOutScheduleTable = "alarm_out_schedule";
// Names of camera input `input` (output `output`) of every channel; recs must
// hold kAlarmChannels records, recs[c] is channel c (zero record when unnamed).
int read_alarm_chnIn_event_names(const char* path, int input, ChnInNameRec* recs);
int read_alarm_chnOut_event_names(const char* path, int output, ChnOutNameRec* recs);
int write_alarm_chnIn_event_name(const char* path, const ChnInNameRec* rec);
int write_alarm_chnOut_event_name(const char* path, const ChnOutNameRec* rec);
