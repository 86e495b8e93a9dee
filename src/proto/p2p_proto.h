// P2P registration with the cloud relay: daemon requests and records, and the
// messages of the relay test.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace p2p {
inline constexpr IpcCode kReqEnable{3700, kPolls60s};   // P2pInfo; reply int32 result. Also the relay's text.
inline constexpr IpcCode kReqDisable{3701};             // P2pInfo; reply int32 (0: done)
inline constexpr IpcCode kReqStatus{3702, kPolls60s};   // no payload; reply P2pStatus
inline constexpr IpcCode kReqUnbind{2302};              // no payload; reply any

// Results of an enable (reply 8700) and their answers; any other is "ERR_UNKNOWN".
struct EnableResult {
  int32_t code;
  const char* text;
};
inline constexpr EnableResult kEnableResults[] = {
    {0, "ERR_OK"},         {2, "ERR_NOTFOUND"},     {3, "ERR_NETWORK"}, {5, "ERR_MAC_FORMAT"},
    {6, "ERR_AUTH_FAILED"}, {7, "ERR_NO_UUID"},
};
inline constexpr const char* kEnableUnknown = "ERR_UNKNOWN";

// Stored registration (read_p2p_info / write_p2p_info), payload of 3700 and 3701.
struct P2pInfo {
  int32_t enable;
  char reserved[32];
  char company[128];
  char email[128];
  char dealer[128];
  char cloudAccount[64];
  int32_t region;
};
static_assert(sizeof(P2pInfo) == 488);
static_assert(offsetof(P2pInfo, company) == 36);
static_assert(offsetof(P2pInfo, email) == 164);
static_assert(offsetof(P2pInfo, dealer) == 292);
static_assert(offsetof(P2pInfo, cloudAccount) == 420);
static_assert(offsetof(P2pInfo, region) == 484);

// Reply 8702.
struct P2pStatus {
  int32_t enable;
  int32_t p2pstatus;
  char model[32];
  char ipc[64];
  char cloudAccount[64];
  char cloudServer[64];
  char registerCode[128];
  char company[128];
  char email[128];
  char dealer[128];
  int32_t region;
};
static_assert(sizeof(P2pStatus) == 748);
static_assert(offsetof(P2pStatus, model) == 8);
static_assert(offsetof(P2pStatus, ipc) == 40);
static_assert(offsetof(P2pStatus, cloudAccount) == 104);
static_assert(offsetof(P2pStatus, cloudServer) == 168);
static_assert(offsetof(P2pStatus, registerCode) == 232);
static_assert(offsetof(P2pStatus, company) == 360);
static_assert(offsetof(P2pStatus, email) == 488);
static_assert(offsetof(P2pStatus, dealer) == 616);
static_assert(offsetof(P2pStatus, region) == 744);

// ---- Relay test: TCP port 9999 of the relay host, encrypted messages ----
inline constexpr int kRelayPort = 9999;
inline constexpr int kWorkBuffer = 2048;

// Results the test answers.
inline constexpr int kTestOk = 0;
inline constexpr int kTestRefused = 2;
inline constexpr int kTestNetwork = 3;
inline constexpr int kTestKeyExchange = 4;

inline constexpr int64_t kMsgRegister = 2;   // the recorder's registration
inline constexpr int64_t kMsgAnswer = 3;     // the relay's answer header
inline constexpr int64_t kRelayAccepted = 0;
inline constexpr int64_t kRelayRefused = 2;

struct RelayHeader {
  int64_t type;
  int64_t reserved;
  int64_t body_size;  // encrypted size of the message that follows
  int64_t result;     // answers: the relay's verdict
  int64_t count;      // messages that follow: 1
  int64_t spare[3];
};
static_assert(sizeof(RelayHeader) == 64);
static_assert(offsetof(RelayHeader, body_size) == 16);
static_assert(offsetof(RelayHeader, result) == 24);
static_assert(offsetof(RelayHeader, count) == 32);

struct RelayRegistration {
  char mac[24];
  char deviceName[32];
  char sn[64];
  char company[128];
  char email[128];
  char dealer[128];
  char cloudAccount[64];
};
static_assert(sizeof(RelayRegistration) == 568);
static_assert(offsetof(RelayRegistration, deviceName) == 24);
static_assert(offsetof(RelayRegistration, sn) == 56);
static_assert(offsetof(RelayRegistration, company) == 120);
static_assert(offsetof(RelayRegistration, cloudAccount) == 504);

// The message after an accepting answer: the registration code, whose first
// 128 bytes go to the daemon as text.
inline constexpr int kRegisterText = 128;
struct RelayGrant {
  char text[kRegisterText];
};
static_assert(sizeof(RelayGrant) == 128);
}  // namespace p2p
