// System and user requests exchanged with the core daemon.
#pragma once
#include <cstdint>

#include "proto/ipc_code.h"

namespace sys {
// Request codes (replies are code + 5000) with their waits.
inline constexpr IpcCode kReqPoePwdChange{3265};  // reply: int32 status
inline constexpr IpcCode kReqPoePwdApply{3267};
inline constexpr IpcCode kReqMailLogin{3504};      // 256-byte link text; reply: int32 status
inline constexpr IpcCode kReqUsersChanged{3505};   // no payload, or the int32 user id
inline constexpr IpcCode kReqSetLanguage{4000};    // int32 language

inline constexpr int kMailLinkBytes = 256;
}  // namespace sys
