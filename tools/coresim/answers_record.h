// Recording answers: the simulated device records what its schedules say,
// from the schedules and modes it was told about.
#pragma once
#include <cstdint>

#include "coresim_registry.h"
#include "proto/record_proto.h"

struct CoreRecordState {
  bool loaded = false;                      // schedules read from the database
  int32_t action[record::kChannels] = {};   // action type recorded now, 0 none
  int32_t mode[record::kChannels] = {};     // plan mode
  int32_t anr[record::kChannels] = {};
  uint64_t holidays_changed = 0;            // 1401 notices seen
  uint64_t params_changed = 0;              // 1310 notices seen
};

// A copy of the state, schedules evaluated at this moment.
CoreRecordState coresim_record_state(CoreDevice& dev);
