// Recording requests and replies exchanged with the core daemon: holidays,
// schedules, recording modes and parameters, audio noise reduction (ANR).
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"
#include "proto/oplog.h"

namespace record {
inline constexpr int kChannels = 64;
inline constexpr int kHolidays = 32;
inline constexpr int kPlans = 48;  // periods of a record schedule day

// Request codes (replies are code + 5000).
inline constexpr IpcCode kReqParamsChanged{1310};   // ChannelList
inline constexpr IpcCode kReqHolidayChanged{1401};  // no payload
inline constexpr IpcCode kReqModeChanged{1407};     // one channel index
inline constexpr IpcCode kReqScheduleChanged{1411}; // channel mask
inline constexpr IpcCode kReqModeMask{1413};        // channels whose plan mode changed
inline constexpr IpcCode kReqSetAnr{2285};          // AnrRequest -> AnrReply
inline constexpr IpcCode kReqAnrSupport{2286};      // channel -> AnrSupport
inline constexpr IpcCode kReqChannelLists{3218};    // no payload -> ChannelLists

// Operation log: sub type 204 (a setting), these parameters.
inline constexpr int32_t kLogParamModes = 905;
inline constexpr int32_t kLogParamParams = 906;
inline constexpr int32_t kLogParamSchedule = 907;
inline constexpr int32_t kLogParamHoliday = 920;

struct ChannelList {
  int32_t chn[kChannels];
  int32_t count;
};
static_assert(sizeof(ChannelList) == 260 && offsetof(ChannelList, count) == 256);

struct AnrRequest {
  int32_t chn[kChannels];
  int32_t count;
  int32_t anr;
};
static_assert(sizeof(AnrRequest) == 264 && offsetof(AnrRequest, count) == 256 && offsetof(AnrRequest, anr) == 260);

struct AnrReply {
  int32_t primary[kChannels];
  int32_t secondary[kChannels];  // per listed channel: non-zero when the camera refused
  int32_t count;
  int32_t flag;
};
static_assert(sizeof(AnrReply) == 520 && offsetof(AnrReply, secondary) == 256 && offsetof(AnrReply, count) == 512 &&
              offsetof(AnrReply, flag) == 516);

struct ChannelLists {
  int32_t primary[kChannels];
  int32_t secondary[kChannels];
  int32_t count;
};
static_assert(sizeof(ChannelLists) == 516 && offsetof(ChannelLists, secondary) == 256 &&
              offsetof(ChannelLists, count) == 512);

struct AnrSupport {
  int32_t chn;
  int32_t support;
};
static_assert(sizeof(AnrSupport) == 8 && offsetof(AnrSupport, support) == 4);
}  // namespace record
