// People counting, POS and report backup requests of the camera module. Every
// one answers one status word.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace peoplecnt {
inline constexpr IpcCode kReqSettingsSet{2290};  // int32: groups taken from the request
inline constexpr IpcCode kReqDbReset{2291};      // int32: group
inline constexpr IpcCode kReqLiveviewReset{2292};  // int32: group
inline constexpr IpcCode kReqActionSet{2293};    // ActionNotice
inline constexpr IpcCode kReqReportBackup{1423};  // no payload

struct ActionNotice {
  int32_t group;
  int32_t channel;  // -1: the group's whole action set
};
static_assert(sizeof(ActionNotice) == 8 && offsetof(ActionNotice, channel) == 4);
}  // namespace peoplecnt

namespace pos {
inline constexpr IpcCode kReqPosSet{1421};  // int32: device
}  // namespace pos
