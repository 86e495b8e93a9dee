// Daemon requests of the alarm pages: recorder outputs switched by hand,
// camera outputs switched through the daemon, and the change notices of
// recorder inputs and outputs.
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

}  // namespace alarmio
