// Requests every module may send to the core daemon about the device as a
// whole: the settings-changed notice and the reboot.
#pragma once
#include <cstdint>

#include "proto/ipc_code.h"

inline constexpr IpcCode kReqSettingsChanged{1702};  // SettingsNotice, never waited
inline constexpr IpcCode kReqReboot{1703};           // no payload, no reply

// What changed, by name ("hostname", "network", ...).
struct SettingsNotice {
  char name[32];
};
static_assert(sizeof(SettingsNotice) == 32);
