// Network requests and records exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/device_proto.h"
#include "proto/ipc_code.h"
#include "proto/oplog.h"

namespace net {
// Request codes (replies are code + 5000) with their waits.
inline constexpr IpcCode kReqSetTime{1701, kPolls240s};  // TimePayload; reply any word
using ::kReqReboot;
using ::kReqSettingsChanged;
using ::SettingsNotice;
inline constexpr IpcCode kReqTimeApplied{1711};          // no payload, sent from the time reply
inline constexpr IpcCode kReqRestartNetwork{1712};       // 32 zero bytes
inline constexpr IpcCode kReqDefaultRoute{1724};         // int32 defaultRoute; reply int32 res
inline constexpr IpcCode kReqMulticast{1729};            // MulticastRec; reply int32 res
inline constexpr IpcCode kReqIpConflict{3005};           // IpConflictQuery; reply int32 (0: free)
inline constexpr IpcCode kReqIpConflictDev{3006};        // IpConflictDevQuery; reply int32
inline constexpr IpcCode kReqSlaveClear{3023};           // int32 slaveClear
inline constexpr IpcCode kReqDdnsStatus{3309};           // no payload; reply int32 status
inline constexpr IpcCode kReqTestMail{3409, kPolls240s};  // TestMailRequest; reply int32 (0: sent)
inline constexpr IpcCode kReqPushMsg{3617};              // PushMsgSwitch
inline constexpr IpcCode kReqChannelAccess{3618};        // int32 enableAccess

// Operation log codes of this module (main type 4 unless said otherwise;
// a changed setting is kLogSubSetting of the shared log header).
inline constexpr int32_t kLogMainIpConflict = 32;
inline constexpr int64_t kLogSubReboot = 200;
inline constexpr int64_t kLogSubTime = 225;
inline constexpr int64_t kLogSubIpConflict = 406;
inline constexpr int32_t kLogParamGeneral = 900;
inline constexpr int32_t kLogParamNetwork = 914;
inline constexpr int32_t kLogParamPppoe = 915;
inline constexpr int32_t kLogParamDdns = 916;
inline constexpr int32_t kLogParamEmail = 917;
inline constexpr int32_t kLogParamPorts = 918;

// What a settings-changed notice names.
inline constexpr const char* kChangedNetwork = "network";
inline constexpr const char* kChangedPppoe = "pppoe";
inline constexpr const char* kChangedDdns = "ddns";
inline constexpr const char* kChangedMail = "mail";
inline constexpr const char* kChangedMore = "more";  // ports and push messages
inline constexpr const char* kChangedSnmp = "snmp";


// Manual time in double quotes, or empty when the clock follows NTP.
struct TimePayload {
  char text[32];
};
static_assert(sizeof(TimePayload) == 32);

struct RestartNetworkRequest {
  char reserved[32];
};
static_assert(sizeof(RestartNetworkRequest) == 32);

struct TestMailRequest {
  char text[32];  // "testmail"
};
static_assert(sizeof(TestMailRequest) == 32);

struct IpConflictQuery {
  char ip[20];
};
static_assert(sizeof(IpConflictQuery) == 20);

struct IpConflictDevQuery {
  char dev[16];
  char ip[16];
};
static_assert(sizeof(IpConflictDevQuery) == 32);
static_assert(offsetof(IpConflictDevQuery, ip) == 16);

// Push switch as decimal text.
struct PushMsgSwitch {
  char text[10];
};
static_assert(sizeof(PushMsgSwitch) == 10);

// Stored and sent whole with 1729.
struct MulticastRec {
  int32_t enable;
  char ip[65];
};
static_assert(sizeof(MulticastRec) == 72);
static_assert(offsetof(MulticastRec, ip) == 4);
}  // namespace net
