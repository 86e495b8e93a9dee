// Simulated system side of the device: its identity and what the general
// settings, UPnP and address filter pages told it.
#pragma once
#include <cstdint>

#include "coresim_registry.h"
#include "proto/sysinfo_proto.h"

struct CoreSysinfoState {
  int32_t device_number = -1;  // last 1705; -1: the stored "deviceid"
  int32_t sub_output = -1;     // last 1023, once stored
  sysinfo::ResolutionRequest resolution[2]{};  // last 1001 per output
  int display_applied = 0;     // 1015 notices
  sysinfo::AudioRequest audio{};
  sysinfo::UpnpRecord upnp{};  // as last stored
  int filter_changes = 0;      // 1722 notices
};

CoreSysinfoState coresim_sysinfo_state(CoreDevice& dev);

// The simulated recorder's model when the database names none.
inline constexpr const char* kCoreModel = "NVR-3204R";
