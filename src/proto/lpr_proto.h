// Plate recognition and camera-side analytics records exchanged with the
// core daemon. Their request codes live beside the module's others in
// video_proto.h, since one reply table answers them all.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/video_proto.h"

namespace lpr {
// Plate list routes refuse larger batches as a whole.
inline constexpr int kMaxPlates = 10000;

inline constexpr IpcCode kReqIpcWildcardsGet{1207};  // 4-byte channel; set: video::kReqIpcWildcardsSet
inline constexpr int kWildcards = 9;

// 1208 and the 6207 reply: the camera's plate wildcards.
struct PlateWildcards {
  int32_t chnid;
  int32_t filter;
  int32_t enable[kWildcards];
  int32_t cr_count[kWildcards];
  char format[kWildcards][16];
  int32_t max_plate_char_num;
};
static_assert(sizeof(PlateWildcards) == 228);
static_assert(offsetof(PlateWildcards, filter) == 4 && offsetof(PlateWildcards, enable) == 8 &&
              offsetof(PlateWildcards, cr_count) == 44 && offsetof(PlateWildcards, format) == 80 &&
              offsetof(PlateWildcards, max_plate_char_num) == 224);

// 3373: a fisheye camera reached by address.
struct FisheyeAddr {
  char ddns[64];
  char ipaddr[64];
  char username[64];
  char password[64];
  int32_t port;
};
static_assert(sizeof(FisheyeAddr) == 260);
static_assert(offsetof(FisheyeAddr, ipaddr) == 64 && offsetof(FisheyeAddr, username) == 128 &&
              offsetof(FisheyeAddr, password) == 192 && offsetof(FisheyeAddr, port) == 256);

// 3374: the same camera with the stream layout to apply.
struct FisheyeAddrSet {
  char ddns[64];
  char ipaddr[64];
  char username[64];
  char password[64];
  int32_t port;
  int32_t transfer;
  int32_t install;
  int32_t display;
};
static_assert(sizeof(FisheyeAddrSet) == 272);
static_assert(offsetof(FisheyeAddrSet, transfer) == 260 && offsetof(FisheyeAddrSet, install) == 264 &&
              offsetof(FisheyeAddrSet, display) == 268);

// 3353: enter privacy-mask editing on a camera.
struct PrivacyEdit {
  int32_t chnid;
  int32_t maskid;
};
static_assert(sizeof(PrivacyEdit) == 8);
}  // namespace lpr
