// Simulated certificate side of the device: certificates and requests made
// with libcrypto, installed certificates checked against the keys it holds.
#pragma once
#include <cstdint>

#include "coresim_registry.h"

struct CoreCertState {
  int32_t https = 0;  // last HTTPS switch told
  int created = 0;    // certificates and requests made
  int installs = 0;   // certificates accepted
  int refused = 0;    // certificates put back
};

CoreCertState coresim_cert_state(CoreDevice& dev);
