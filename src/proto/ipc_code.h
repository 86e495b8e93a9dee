// A daemon request code together with how long a waited request may take.
// Each module's protocol header defines its codes with this, so the wait of a
// code stands next to the code; handlers, reply tables and the simulator all
// use the same constants.
#pragma once
#include <cstdint>

#include "proto/kvsock_proto.h"

// Waits in 40 ms polls.
inline constexpr int32_t kPolls40s = 1000;  // every code not given another
inline constexpr int32_t kPolls60s = 1500;
inline constexpr int32_t kPolls120s = 3000;
inline constexpr int32_t kPolls240s = 6000;
inline constexpr int32_t kPolls600s = 15000;
inline constexpr int32_t kPolls1200s = 30000;

struct IpcCode {
  int32_t code;
  int32_t polls = kPolls40s;
  // Usable where a bare code is expected (case labels, the simulator's tables).
  constexpr operator int32_t() const { return code; }
};

constexpr int32_t reply_of(IpcCode c) { return c.code + kKvSockReplyOffset; }
