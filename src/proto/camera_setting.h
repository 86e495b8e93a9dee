// Camera setting record: a key and value the daemon forwards to one HTTP page
// of a camera. Shared by every module that sets or reads camera-side values.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

inline constexpr IpcCode kReqCameraSettingGet{3225};
inline constexpr IpcCode kReqCameraSettingSet{3226};

struct CameraSettingRecord {
  int32_t channel;
  char page[64];       // left empty by the PTZ routes
  char http_page[64];  // camera page, e.g. "vsetting.html"
  char key[128];
  char value[128];
  uint8_t reserved[4];
};
static_assert(sizeof(CameraSettingRecord) == 392);
static_assert(offsetof(CameraSettingRecord, page) == 4);
static_assert(offsetof(CameraSettingRecord, http_page) == 68);
static_assert(offsetof(CameraSettingRecord, key) == 132);
static_assert(offsetof(CameraSettingRecord, value) == 260);
static_assert(offsetof(CameraSettingRecord, reserved) == 388);
