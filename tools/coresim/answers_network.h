// Simulated network side of the device: what it was told and what it holds.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "coresim_registry.h"
#include "platform/kvdb_network.h"

struct CoreNetworkState {
  std::map<std::string, int> changed;  // settings-changed notices by name
  std::string manual_time;             // last manual time set, "" for NTP
  int time_applied = 0;
  net::NetworkRec applied{};           // the interfaces as last applied
  int32_t slave_clear = 0;
  int32_t channel_access = 0;
  std::string push_msg = "0";
  int32_t default_route = 0;
  net::MulticastRec multicast{};
  int restarts = 0;
};

CoreNetworkState coresim_network_state(CoreDevice& dev);

// Other hosts of the simulated network: an address of theirs is a conflict.
inline constexpr const char* kCoreNeighbours[] = {"192.168.1.1", "192.168.1.20", "192.168.2.1"};
// Ports (comma-separated) that the simulator keeps a listener on, so that a
// recorder page sees them in use.
inline constexpr const char* kCorePortsInUseEnv = "CORESIM_PORTS_IN_USE";
