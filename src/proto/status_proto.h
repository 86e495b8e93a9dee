// Device status requests and the records the core daemon answers them with.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace status {
inline constexpr int kCapabilityEntries = 64;
inline constexpr int kStateChannels = 64;
inline constexpr int kCameraAlarmIns = 4;
inline constexpr int kCameraAlarmOuts = 2;
inline constexpr int kRecorderAlarmIns = 16;
inline constexpr int kRecorderAlarmOuts = 4;

// Request codes (replies are code + 5000); all of them waited.
inline constexpr IpcCode kReqOnlineUsers{1719};
inline constexpr IpcCode kReqCapabilities{3263};
inline constexpr IpcCode kReqCameraStatus{3300};
inline constexpr IpcCode kReqInterfaces{3301};
inline constexpr IpcCode kReqTraffic{3302};
inline constexpr IpcCode kReqAlarmStates{3305};
inline constexpr IpcCode kReqMemory{3306};

struct NetInterface {
  char ifname[12];
  int32_t id;
  int32_t state;
  int32_t speedMode;
  int32_t duplex;
  int32_t enable;
  int32_t dhcpEnable;
  char ipAddr[24];
  char MAC[24];
  char primaryDNS[24];
  char secondDNS[24];
  char gateway[24];
  char netmask[24];
  int32_t mtu;
  uint8_t ip6mode;
  char ip6address[67];
  int32_t ip6prefix;
  char ip6gateway[64];
};
static_assert(sizeof(NetInterface) == 320);
static_assert(offsetof(NetInterface, id) == 12 && offsetof(NetInterface, dhcpEnable) == 32 &&
              offsetof(NetInterface, ipAddr) == 36 && offsetof(NetInterface, MAC) == 60 &&
              offsetof(NetInterface, netmask) == 156 && offsetof(NetInterface, mtu) == 180 &&
              offsetof(NetInterface, ip6mode) == 184 && offsetof(NetInterface, ip6address) == 185 &&
              offsetof(NetInterface, ip6prefix) == 252 && offsetof(NetInterface, ip6gateway) == 256);

struct Traffic {
  char ifname[12];
  int32_t RxSpeed;
  int32_t TxSpeed;
  int32_t id;
};
static_assert(sizeof(Traffic) == 24 && offsetof(Traffic, RxSpeed) == 12 && offsetof(Traffic, id) == 20);

struct StreamState {
  int32_t width;
  int32_t height;
  int32_t framerate;
  int32_t bitrate;
  int32_t connection;
  int32_t reserved;
  int32_t connectStatus;
};
static_assert(sizeof(StreamState) == 28);

struct CameraStatus {
  StreamState main;
  StreamState sub;
  int32_t recordOn;
  int32_t alarmOn;
  int32_t chn;
  int32_t reserved;
};
static_assert(sizeof(CameraStatus) == 72);
static_assert(offsetof(CameraStatus, main.connectStatus) == 24 && offsetof(CameraStatus, sub) == 28 &&
              offsetof(CameraStatus, sub.connectStatus) == 52 && offsetof(CameraStatus, recordOn) == 56 &&
              offsetof(CameraStatus, alarmOn) == 60 && offsetof(CameraStatus, chn) == 64);

struct Memory {
  int32_t total;
  int32_t free;
  int32_t used;
};
static_assert(sizeof(Memory) == 12);

struct Capability {
  int32_t chn;
  int32_t supported;  // 1: yes
  int32_t kind;       // 0, 1 or 2
  uint8_t reserved[32];
};
static_assert(sizeof(Capability) == 44 && offsetof(Capability, supported) == 4 && offsetof(Capability, kind) == 8);

struct OnlineUser {
  char userName[64];
  int32_t userLevel;
  char ipaddr[64];
  char loginTime[32];
};
static_assert(sizeof(OnlineUser) == 164 && offsetof(OnlineUser, userLevel) == 64 &&
              offsetof(OnlineUser, ipaddr) == 68 && offsetof(OnlineUser, loginTime) == 132);

struct PeopleCount {
  int32_t in;
  int32_t out;
};

// Alarm and analytics states; masks hold a bit per channel unless said otherwise.
struct AlarmStates {
  uint64_t videoloss;
  uint64_t motion;
  int32_t alarm_out;  // bit per recorder output
  int32_t alarm_in;   // bit per recorder input
  uint64_t entrance;
  uint64_t exiting;
  uint64_t advanced_motion;
  uint64_t tampering;
  uint64_t line_crossing;
  uint64_t loitering;
  uint64_t human;
  uint64_t object_left_removed;
  uint8_t reserved0[8];
  PeopleCount people[kStateChannels];
  uint64_t cam_in_state[kCameraAlarmIns];
  uint64_t cam_out_state[kCameraAlarmOuts];
  uint64_t cam_in_type[kCameraAlarmIns];
  uint64_t cam_out_type[kCameraAlarmOuts];
  uint8_t reserved1[70344 - 704];
};
static_assert(sizeof(AlarmStates) == 70344);
static_assert(offsetof(AlarmStates, motion) == 8 && offsetof(AlarmStates, alarm_out) == 16 &&
              offsetof(AlarmStates, alarm_in) == 20 && offsetof(AlarmStates, entrance) == 24 &&
              offsetof(AlarmStates, exiting) == 32 && offsetof(AlarmStates, advanced_motion) == 40 &&
              offsetof(AlarmStates, tampering) == 48 && offsetof(AlarmStates, line_crossing) == 56 &&
              offsetof(AlarmStates, loitering) == 64 && offsetof(AlarmStates, human) == 72 &&
              offsetof(AlarmStates, object_left_removed) == 80 && offsetof(AlarmStates, people) == 96 &&
              offsetof(AlarmStates, cam_in_state) == 608 && offsetof(AlarmStates, cam_out_state) == 640 &&
              offsetof(AlarmStates, cam_in_type) == 656 && offsetof(AlarmStates, cam_out_type) == 688);
}  // namespace status
