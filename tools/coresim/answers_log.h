// Operation log records (request 3485) the simulator keeps for log search.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "coresim_registry.h"

inline constexpr int32_t kCoreOpLogCode = 3485;
inline constexpr size_t kCoreOpLogKeep = 10000;  // oldest records go first

// The 680-byte log entry as the daemon stores and serves it.
struct CoreLogEntry {
  int32_t main_type;
  uint8_t reserved0[4];
  int64_t sub_type;
  uint8_t reserved1[8];
  int64_t time;  // seconds since the epoch; stamped on arrival when 0
  int32_t param_type;
  int32_t remote;
  int32_t channel;
  char address[46];
  char user[64];
  uint8_t reserved2[2];
  int32_t detail_size;
  char detail[512];
  uint8_t reserved3[8];
};
static_assert(sizeof(CoreLogEntry) == 680);
static_assert(offsetof(CoreLogEntry, sub_type) == 8);
static_assert(offsetof(CoreLogEntry, time) == 24);
static_assert(offsetof(CoreLogEntry, param_type) == 32);
static_assert(offsetof(CoreLogEntry, remote) == 36);
static_assert(offsetof(CoreLogEntry, channel) == 40);
static_assert(offsetof(CoreLogEntry, address) == 44);
static_assert(offsetof(CoreLogEntry, user) == 90);
static_assert(offsetof(CoreLogEntry, detail_size) == 156);
static_assert(offsetof(CoreLogEntry, detail) == 160);

// The stored records, oldest first.
std::vector<CoreLogEntry> coresim_oplogs(CoreDevice& dev);
