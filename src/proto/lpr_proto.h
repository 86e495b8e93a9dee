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

// ---- Plate recognition settings of a camera ----

inline constexpr IpcCode kReqAnprSettingsGet{3289};  // 4-byte channel; set: video::kReqAnprSettingsSet
// The action set of a list mode changed: AnprModeNotice, no reply.
inline constexpr IpcCode kReqAnprModeChanged{1416};

// List modes; kModeAny is the settings page's own part.
inline constexpr int kModeAny = -1;
inline constexpr int kModeBlack = 0;
inline constexpr int kModeWhite = 1;
inline constexpr int kModeVisitor = 2;
// PTZ action entry type of a mode's actions: mode + 15.
inline constexpr int kPtzTypeModeBase = 15;

struct AnprModeNotice {
  int32_t chnid;
  int32_t mode;
};
static_assert(sizeof(AnprModeNotice) == 8);

inline constexpr int kAnprRegions = 4;
inline constexpr int kNormalPolygons = 4;
// Camera types whose plate settings carry the four normal polygons.
inline constexpr int kOwnLprTypeFirst = 11;
inline constexpr int kOwnLprTypeLast = 14;

struct AnprRegion {
  char name[64];
  int32_t start_x;
  int32_t start_y;
  int32_t end_x;
  int32_t end_y;
  int32_t roi;
  int32_t preset;
  char polygon_x[64];
  char polygon_y[64];
  int32_t cur_area;
};
static_assert(sizeof(AnprRegion) == 220);
static_assert(offsetof(AnprRegion, start_x) == 64 && offsetof(AnprRegion, polygon_x) == 88 &&
              offsetof(AnprRegion, polygon_y) == 152 && offsetof(AnprRegion, cur_area) == 216);

struct NormalPolygon {
  char name[64];
  char polygon_x[64];
  char polygon_y[64];
};
static_assert(sizeof(NormalPolygon) == 192);

// 3290 payload and 8289 reply.
struct AnprSettings {
  int32_t chnid;
  int32_t enable;
  int32_t resolution_width;
  int32_t resolution_height;
  int32_t area_x;
  int32_t area_y;
  int32_t area_width;
  int32_t area_height;
  int32_t day_night_mode_enable;
  int32_t scene;
  int32_t direction_enable;
  int32_t region_enable;
  int32_t roiid_enable;
  int32_t process_mode;
  int32_t repeat_check_time_value;
  int32_t repeat_check_time_unit;
  int32_t post_enable;
  int32_t post_type;
  int32_t post_tcp_port;
  char post_http_user[64];
  char post_http_password[64];
  char post_http_url[64];
  int32_t confidence;
  int32_t night_mode_effective_mode;
  int32_t in_night_mode;
  AnprRegion region[kAnprRegions];
  uint8_t reserved[3536];
  int32_t platecolor_enable;
  int32_t vehicletype_enable;
  int32_t vehiclecolor_enable;
  int32_t json_support;
  int32_t ir_led_external_support;
  int32_t vehicle_enhancement;
  int32_t vehicle_brand_enable;
  NormalPolygon normal_polygons[kNormalPolygons];
  int32_t aitype;
};
static_assert(sizeof(AnprSettings) == 5496);
static_assert(offsetof(AnprSettings, post_tcp_port) == 72 && offsetof(AnprSettings, post_http_user) == 76 &&
              offsetof(AnprSettings, post_http_password) == 140 && offsetof(AnprSettings, post_http_url) == 204 &&
              offsetof(AnprSettings, confidence) == 268 && offsetof(AnprSettings, region) == 280 &&
              offsetof(AnprSettings, json_support) == 4708 && offsetof(AnprSettings, normal_polygons) == 4724 &&
              offsetof(AnprSettings, aitype) == 5492);

// ---- Camera-side analytics, second form (sets: video::kReqIpcLine2Set, kReqIpcVcaSettings2Set) ----

inline constexpr IpcCode kReqIpcLine2Get{1209};         // 4-byte channel
inline constexpr IpcCode kReqIpcVcaSettings2Get{1211};  // 4-byte channel
inline constexpr int kLines = 4;
inline constexpr int kLineSegments = 5;
inline constexpr int kAreas = 8;
inline constexpr int kBoxValues = 8;
inline constexpr int kLineTypeSegments = 2;  // lineType whose lines carry segments

struct LineSegment {
  int32_t x1;
  int32_t y1;
  int32_t x2;
  int32_t y2;
  int32_t direction;
};
static_assert(sizeof(LineSegment) == 20);

// The five segments fill the 128-byte block exactly (28 + 5 x 20).
struct Line2 {
  int32_t enable;
  int32_t x1;
  int32_t y1;
  int32_t x2;
  int32_t y2;
  int32_t direction;
  int32_t objtype;
  LineSegment segment[kLineSegments];
};
static_assert(sizeof(Line2) == 128);
static_assert(offsetof(Line2, x1) == 4 && offsetof(Line2, y2) == 16 && offsetof(Line2, direction) == 20 &&
              offsetof(Line2, objtype) == 24 && offsetof(Line2, segment) == 28);

// 1210 payload and 6209 reply. The channel string sits in the space before
// "lineType": after it only 20 bytes remain.
struct IpcLine2 {
  int32_t chnid;
  int32_t sensitivity;
  int32_t width;
  int32_t height;
  Line2 line[kLines];
  char copy_chn[65];
  char reserved0[7];
  int32_t line_type;
  int32_t line_scene;
  char reserved1[20];
};
static_assert(sizeof(IpcLine2) == 628);
static_assert(offsetof(IpcLine2, sensitivity) == 4 && offsetof(IpcLine2, width) == 8 &&
              offsetof(IpcLine2, height) == 12 && offsetof(IpcLine2, line) == 16 &&
              offsetof(IpcLine2, copy_chn) == 528 && offsetof(IpcLine2, line_type) == 600 &&
              offsetof(IpcLine2, line_scene) == 604);

// 1212 payload and 6211 reply. box[j][i] is value j of area i (32 + 32 j + 4 i):
// min start x, y, width, height, then max start x, y, width, height.
struct IpcVcaSettings2 {
  int32_t chnid;
  int32_t reserved0;
  int32_t fps;
  int32_t mode;
  int32_t installation;
  int32_t analysis;
  int32_t width;
  int32_t height;
  int32_t box[kBoxValues][kAreas];
  char copy_chn[65];
  char reserved1[3];
};
static_assert(sizeof(IpcVcaSettings2) == 356);
static_assert(offsetof(IpcVcaSettings2, fps) == 8 && offsetof(IpcVcaSettings2, mode) == 12 &&
              offsetof(IpcVcaSettings2, installation) == 16 && offsetof(IpcVcaSettings2, analysis) == 20 &&
              offsetof(IpcVcaSettings2, width) == 24 && offsetof(IpcVcaSettings2, height) == 28 &&
              offsetof(IpcVcaSettings2, box) == 32 && offsetof(IpcVcaSettings2, box[1][0]) == 64 &&
              offsetof(IpcVcaSettings2, box[7][7]) == 284 && offsetof(IpcVcaSettings2, copy_chn) == 288);

// 3353: enter privacy-mask editing on a camera.
struct PrivacyEdit {
  int32_t chnid;
  int32_t maskid;
};
static_assert(sizeof(PrivacyEdit) == 8);
}  // namespace lpr
