// Requests of the factory ageing test; all sent without waiting.
#pragma once
#include <cstdint>

#include "proto/ipc_code.h"

namespace aging {
inline constexpr IpcCode kReqCameraEnabled{1201};   // int32 slot
inline constexpr IpcCode kReqCameraDisabled{1202};  // int32 slot
}  // namespace aging
