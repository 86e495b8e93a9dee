// Alarm input and output records of the configuration database: the
// recorder's inputs (0..15) and outputs (0..3), and the names of the camera
// inputs (0..3) and outputs (0..1) of every channel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb_action.h"
#include "platform/kvdb_vca.h"

inline constexpr int kAlarmIns = 16;
inline constexpr int kAlarmOuts = 4;
inline constexpr int kAlarmChannels = 64;
inline constexpr int kChnAlarmIns = 4;   // camera inputs per channel
inline constexpr int kChnAlarmOuts = 2;  // camera outputs per channel

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
// One name record (zero, channel and id set, when unnamed).
int read_alarm_chnIn_event_name(const char* path, ChnInNameRec* rec, int chn, int input);
int read_alarm_chnOut_event_name(const char* path, ChnOutNameRec* rec, int chn, int output);
int write_alarm_chnIn_event_name(const char* path, const ChnInNameRec* rec);
int write_alarm_chnOut_event_name(const char* path, const ChnOutNameRec* rec);
// Name and delay of output `output` of src to every channel of mask.
int copy_alarm_chnOut_event_names(const char* path, int output, int src, uint64_t mask);

// ---- Camera inputs: one action record per channel and input ----

// The action members of a smart event; `event` holds the camera input 0..3.
using ChnInEventRec = SmartEventRec;
// Zero record (channel and input set) and -1 when out of range or unstored.
int read_alarm_chnIn_event(const char* path, ChnInEventRec* rec, int chn, int input);
int write_alarm_chnIn_event(const char* path, const ChnInEventRec* rec);
// The input's record of src to every channel of mask.
int copy_alarm_chnIn_events(const char* path, int input, int src, uint64_t mask);
// Schedule and parameter tables of camera input n, all keyed by channel.
#define KVDB_CHNIN_TABLES(n)                                                                                    \
  {                                                                                                             \
    "alarm_chnIn" n "_effective_schedule", "alarm_chnIn" n "_audible_schedule", "alarm_chnIn" n "_mail_schedule", \
        "alarm_chnIn" n "_ptz_schedule", "alarm_chnIn" n "_whiteled_esche", "alarm_chnIn" n "_warning_light_esche", \
        "alarm_chnIn" n "_http_notification_sche", "alarm_chnIn" n "_white_led_params",                        \
        "alarm_chnIn" n "_warning_light_params", "alarm_chnIn" n "_http_notification_params"                    \
  }
inline constexpr SmartEventTables kChnInTables[kChnAlarmIns] = {
    KVDB_CHNIN_TABLES("0"), KVDB_CHNIN_TABLES("1"), KVDB_CHNIN_TABLES("2"), KVDB_CHNIN_TABLES("3"),
};
#undef KVDB_CHNIN_TABLES
// PTZ entry type of camera input n (0..3), -1 for others: 21..24, clear of
// the recorder's sources (0-2), POS (4), the analytics events (5-13), plate
// modes (15-17), people counting (20) and faces (26).
constexpr int converse_chn_alarmid_to_event_in(int input) { return input >= 0 && input < kChnAlarmIns ? 21 + input : -1; }

// ---- Camera outputs ----

// Effective schedule table of camera output n, keyed by channel.
inline constexpr const char* kChnOutEffectiveTables[kChnAlarmOuts] = {"alarm_chnOut0_effective_schedule",
                                                                      "alarm_chnOut1_effective_schedule"};

// ---- Disarming (belongs to recorder input 0) ----

struct DisarmingRec {
  int32_t id;  // always 0
  int32_t linkageAction;
  int32_t disarmActionMask;
  int32_t reserved;
};
static_assert(sizeof(DisarmingRec) == 16);
int read_disarming(const char* path, DisarmingRec* rec);
int write_disarming(const char* path, const DisarmingRec* rec);
