// Daemon requests of the alarm pages: recorder outputs switched by hand,
// camera outputs switched through the daemon, the camera alarm ports read
// and set through the daemon, and the change notices of recorder and
// camera inputs and outputs.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"
#include "proto/video_proto.h"

namespace alarmio {

// Input notices are shared with the event pages (same daemon codes).
inline constexpr IpcCode kReqAlarmInChanged = video::kReqAlarmInChanged;  // 4-byte input id
inline constexpr IpcCode kReqAlarmOutChanged{1405};                       // 4-byte output id
inline constexpr IpcCode kReqAlarmOutManual{1409};                        // OutputControl
inline constexpr IpcCode kReqCameraOutControl{3352};                      // CameraOutControl
inline constexpr IpcCode kReqAlarmInsChanged = video::kReqAlarmInsChanged;  // 8-byte input mask
inline constexpr IpcCode kReqCameraOutStatus{3296};  // 4-byte channel -> CameraOutStatus
inline constexpr IpcCode kReqCameraInStatus{3298};   // CameraInStatus -> CameraInStatus
inline constexpr IpcCode kReqCameraOutSet{3324};     // CameraOutSet
inline constexpr IpcCode kReqCameraInSet{3325};      // CameraInSet
inline constexpr IpcCode kReqCameraInsChanged{1417};   // 8-byte channel mask
inline constexpr IpcCode kReqCameraOutsChanged{1418};  // 8-byte channel mask

inline constexpr int kCameraIns = 4;   // alarm inputs a camera record holds
inline constexpr int kCameraOuts = 2;  // alarm outputs

// Operation log: alarm settings, input (910) and output (911) parameters.
inline constexpr int64_t kLogSubAlarm = 204;
inline constexpr int kLogParamAlarmIn = 910;
inline constexpr int kLogParamAlarmOut = 911;

struct OutputControl {
  int32_t id;
  int32_t enable;
};
static_assert(sizeof(OutputControl) == 8 && offsetof(OutputControl, enable) == 4);

struct CameraOutControl {
  int32_t chn;
  int32_t alarm_id;
  int32_t state;
};
static_assert(sizeof(CameraOutControl) == 12 && offsetof(CameraOutControl, alarm_id) == 4 &&
              offsetof(CameraOutControl, state) == 8);

// Camera alarm inputs: the request names the channel and asks for 4.
struct CameraInStatus {
  int32_t chn;
  int32_t alarmEnable[kCameraIns];
  int32_t alarmType[kCameraIns];
  int32_t alarmStatus[kCameraIns];
  int32_t alarmCnt;
};
static_assert(sizeof(CameraInStatus) == 56 && offsetof(CameraInStatus, alarmEnable) == 4 &&
              offsetof(CameraInStatus, alarmType) == 20 && offsetof(CameraInStatus, alarmStatus) == 36 &&
              offsetof(CameraInStatus, alarmCnt) == 52);

struct CameraOutStatus {
  int32_t chn;
  int32_t alarmType[kCameraOuts];
  int32_t alarmStatus[kCameraOuts];
  int32_t alarmCnt;
};
static_assert(sizeof(CameraOutStatus) == 24 && offsetof(CameraOutStatus, alarmType) == 4 &&
              offsetof(CameraOutStatus, alarmStatus) == 12 && offsetof(CameraOutStatus, alarmCnt) == 20);

// Camera input settings pushed to the cameras of `mask`; each entry's
// leading word stays zero.
struct CameraInEntry {
  int32_t reserved;
  int32_t alarmEnable;
  int32_t id;
  int32_t alarmType;
};
struct CameraInSet {
  CameraInEntry in[kCameraIns];
  int32_t count;
  int32_t reserved;
  uint64_t mask;
};
static_assert(sizeof(CameraInSet) == 80 && offsetof(CameraInSet, in[0].alarmEnable) == 4 &&
              offsetof(CameraInSet, in[0].id) == 8 && offsetof(CameraInSet, in[0].alarmType) == 12 &&
              offsetof(CameraInSet, in[1].alarmEnable) == 20 && offsetof(CameraInSet, in[3].alarmType) == 60 &&
              offsetof(CameraInSet, count) == 64 && offsetof(CameraInSet, mask) == 72);

struct CameraOutEntry {
  int32_t reserved;
  int32_t id;
  int32_t alarmType;
};
struct CameraOutSet {
  CameraOutEntry out[kCameraOuts];
  int32_t count;
  int32_t reserved;
  uint64_t mask;
};
static_assert(sizeof(CameraOutSet) == 40 && offsetof(CameraOutSet, out[0].id) == 4 &&
              offsetof(CameraOutSet, out[0].alarmType) == 8 && offsetof(CameraOutSet, out[1].id) == 16 &&
              offsetof(CameraOutSet, out[1].alarmType) == 20 && offsetof(CameraOutSet, count) == 24 &&
              offsetof(CameraOutSet, mask) == 32);

}  // namespace alarmio
