// System and user answers: the e-mail sign-in link, the PoE-camera password
// operations and the users-changed notice.
#pragma once
#include <cstdint>
#include <set>
#include <string>

#include "coresim_registry.h"
#include "proto/system_proto.h"

// Always-valid token of the simulated e-mail sign-in link, so that a demo
// can open "/1018?token=<it>" without a mail server.
inline constexpr const char* kCoreMailDemoToken = "5f2b9c0e7d4a41e8a3c6b1d09e8f7a62";

struct CoreSystemState {
  std::set<std::string> mail_tokens;  // issued and not yet used
  uint64_t users_changed = 0;         // 3505 notices seen
  uint64_t poe_pwd_applied = 0;       // 3267 notices seen
};

// A fresh single-use sign-in token (32 lowercase hex digits), as a mail the
// device sends would carry it.
std::string coresim_issue_mail_token(CoreDevice& dev);
// A copy of the state, taken under the device lock.
CoreSystemState coresim_system_state(CoreDevice& dev);
