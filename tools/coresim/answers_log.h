// Operation log records (request 3485) the simulator keeps for log search.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "coresim_registry.h"
#include "proto/oplog.h"

inline constexpr size_t kCoreOpLogKeep = 10000;  // oldest records go first

// The daemon stores log entries as it receives them.
using CoreLogEntry = OpLogRecord;

// The stored records, oldest first.
std::vector<CoreLogEntry> coresim_oplogs(CoreDevice& dev);
