// Simulated P2P side of the device: the registration the relay granted, the
// switch and the unbinding.
#pragma once
#include <string>

#include "coresim_registry.h"

struct CoreP2pState {
  std::string register_code;  // the relay's grant, passed on by the relay test
  int enables = 0;
  int disables = 0;
  int unbinds = 0;
};

CoreP2pState coresim_p2p_state(CoreDevice& dev);

// Regions that have a relay server: 0 .. kCoreP2pRegions - 1.
inline constexpr int kCoreP2pRegions = 4;
