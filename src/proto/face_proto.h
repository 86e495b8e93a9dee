// Face detection settings of a camera channel, forwarded by the daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace face {
inline constexpr int kChannels = 16;
inline constexpr IpcCode kReqFaceSet{3381};     // FaceConfig; answers a status word
inline constexpr IpcCode kReqFaceAction{3383};  // int32 channel, not waited for

struct FaceShield {
  int32_t enable;
  char polygon_x[64];
  char polygon_y[64];
};
static_assert(sizeof(FaceShield) == 132);

struct FaceCapture {
  int32_t capture_quality;
  int32_t snapshot;
};

// Members in the order the page lists them.
struct FaceConfig {
  int32_t chn_id;
  int32_t enable;
  int32_t width;
  int32_t height;
  int32_t min_pixel;
  int32_t capture_mode;
  int32_t snapshot_type;
  int32_t pose_yaw;
  int32_t pose_roll;
  int32_t pose_pitch;
  int32_t blur_limit;
  char polygon_x[64];
  char polygon_y[64];
  int32_t upload_enable;
  int32_t upload_file_type;
  int32_t nas_enable;
  int32_t nas_file_type;
  int32_t email_enable;
  int32_t email_file_type;
  int32_t http_enable;
  int32_t http_notify_interval;
  char http_url[256];
  char http_user[64];
  char http_password[64];
  int32_t attribute_enable;
  int32_t attribute_type;
  int32_t mosaic_enable;
  int32_t mosaic_mode_status;
  int32_t mutually_exclusive;
  FaceShield shield[4];
  FaceCapture capture[3];
  char reserved[460];
};
static_assert(sizeof(FaceConfig) == 1620);
static_assert(offsetof(FaceConfig, polygon_x) == 44 && offsetof(FaceConfig, upload_enable) == 172 &&
              offsetof(FaceConfig, http_url) == 204 && offsetof(FaceConfig, attribute_enable) == 588 &&
              offsetof(FaceConfig, mutually_exclusive) == 604 && offsetof(FaceConfig, shield) == 608 &&
              offsetof(FaceConfig, capture) == 1136);
}  // namespace face
