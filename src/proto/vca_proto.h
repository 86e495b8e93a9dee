// Smart analytics (VCA) requests and records exchanged with the core daemon.
// The set codes share the video module's reply table (proto/video_proto.h).
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace vca {
inline constexpr int kRegions = 4;
inline constexpr int kPolygons = 5;
inline constexpr int kPolygonText = 64;
inline constexpr int kPageWidth = 460;  // frame the page draws in
inline constexpr int kPageHeight = 260;
inline constexpr int kLines = 4;
inline constexpr int kPositionText = 31;  // "x1;y1;x2;y2"

inline constexpr IpcCode kReqRegionInGet{3237};
inline constexpr IpcCode kReqRegionOutGet{3238};
inline constexpr IpcCode kReqMotionGet{3239};
inline constexpr IpcCode kReqTamperGet{3240};
inline constexpr IpcCode kReqLineGet{3241};
inline constexpr IpcCode kReqLoiteringGet{3242};
inline constexpr IpcCode kReqHumanGet{3243};
inline constexpr IpcCode kReqLeftRemoveGet{3268};
// Action sets of events changed: 8-byte channel mask, no reply.
inline constexpr IpcCode kReqSmartEventsChanged{1412};

// Smart events: the "event" value and the record table selector.
enum Event : int32_t {
  kRegionIn = 0,
  kRegionOut = 1,
  kAdvancedMotion = 2,
  kTamper = 3,
  kLineCrossing = 4,
  kLoitering = 5,
  kHuman = 6,
  kPeopleCount = 7,
  kLeftRemove = 8,
};

// One region of the detection settings: five polygons, each an X text at
// 80 + 192 j and a Y text at 144 + 192 j of the block.
struct Region {
  int32_t enable;
  int32_t reserved0;
  int32_t time;
  int32_t obj_type;
  char reserved1[64];
  char polygons[896];
  char* x(int j) { return polygons + 192 * j; }
  char* y(int j) { return polygons + 192 * j + 64; }
  const char* x(int j) const { return polygons + 192 * j; }
  const char* y(int j) const { return polygons + 192 * j + 64; }
};
static_assert(sizeof(Region) == 976 && offsetof(Region, time) == 8 && offsetof(Region, obj_type) == 12 &&
              offsetof(Region, polygons) == 80);

// 3244-3247, 3249, 3250 and replies 8237-8240, 8242, 8243.
struct Detection {
  int32_t chnid;
  int32_t enable;
  int32_t reserved0[4];
  int32_t sensitivity;
  int32_t time;
  int32_t size;
  int32_t tracks;
  char region[300];
  int32_t ignore_time;
  int32_t objtype;
  char polygon_x[64];
  char polygon_y[64];
  char copy_chn[65];
  char reserved1[23];
  int32_t region_type;  // 0 none, 1 one polygon per region, 2.. up to five
  int32_t region_scene;
  Region regions[kRegions];
  int32_t reserved2;
};
static_assert(sizeof(Detection) == 4480);
static_assert(offsetof(Detection, enable) == 4 && offsetof(Detection, sensitivity) == 24 &&
              offsetof(Detection, time) == 28 && offsetof(Detection, size) == 32 && offsetof(Detection, tracks) == 36 &&
              offsetof(Detection, region) == 40 && offsetof(Detection, ignore_time) == 340 &&
              offsetof(Detection, objtype) == 344 && offsetof(Detection, polygon_x) == 348 &&
              offsetof(Detection, polygon_y) == 412 && offsetof(Detection, copy_chn) == 476 &&
              offsetof(Detection, region_type) == 564 && offsetof(Detection, region_scene) == 568 &&
              offsetof(Detection, regions) == 572);

// One line of the line-crossing settings, in camera pixels.
struct Line {
  int32_t x1;
  int32_t y1;
  int32_t x2;
  int32_t y2;
  int32_t direction;
  char reserved[104];
};
static_assert(sizeof(Line) == 124 && offsetof(Line, direction) == 16);

// 3248 and reply 8241.
struct LineCrossing {
  int32_t chnid;
  int32_t enable;
  int32_t width;  // camera frame, reply only
  int32_t height;
  Line lines[kLines];
  int32_t objtype;
  char copy_chn[65];
  char reserved[31];
};
static_assert(sizeof(LineCrossing) == 612);
static_assert(offsetof(LineCrossing, width) == 8 && offsetof(LineCrossing, height) == 12 &&
              offsetof(LineCrossing, lines) == 16 && offsetof(LineCrossing, objtype) == 512 &&
              offsetof(LineCrossing, copy_chn) == 516);

// One region of the left/removed-object settings; polygons as in Region.
struct LeftRemoveRegion {
  int32_t left_enable;
  int32_t remove_enable;
  char reserved[72];
  char polygons[896];
  char* x(int j) { return polygons + 192 * j; }
  char* y(int j) { return polygons + 192 * j + 64; }
};
static_assert(sizeof(LeftRemoveRegion) == 976 && offsetof(LeftRemoveRegion, remove_enable) == 4 &&
              offsetof(LeftRemoveRegion, polygons) == 80);

// 3269 and reply 8268. The layout before region_type is ours and the daemon's.
struct LeftRemove {
  int32_t chnid;
  int32_t sensitivity;
  char region[300];
  char polygon_x[64];
  char polygon_y[64];
  int32_t min_time;
  int32_t left_enable;
  int32_t remove_enable;
  char copy_chn[65];
  char reserved0[39];
  int32_t region_type;
  int32_t region_scene;
  LeftRemoveRegion regions[kRegions];
  int32_t reserved1;
};
static_assert(sizeof(LeftRemove) == 4468);
static_assert(offsetof(LeftRemove, sensitivity) == 4 && offsetof(LeftRemove, region) == 8 &&
              offsetof(LeftRemove, polygon_x) == 308 && offsetof(LeftRemove, polygon_y) == 372 &&
              offsetof(LeftRemove, min_time) == 436 && offsetof(LeftRemove, left_enable) == 440 &&
              offsetof(LeftRemove, remove_enable) == 444 && offsetof(LeftRemove, copy_chn) == 448 &&
              offsetof(LeftRemove, region_type) == 552 && offsetof(LeftRemove, region_scene) == 556 &&
              offsetof(LeftRemove, regions) == 560);

// 3260 and reply 8259: analysis settings, boxes in camera pixels.
inline constexpr int kBoxValues = 8;  // minimum x, y, width, height, then maximum
struct AnalysisSettings {
  int32_t chnid;
  int32_t vca_type;  // reply only
  int32_t fps;
  int32_t mode;
  int32_t installation;
  int32_t analysis;
  int32_t width;  // camera frame
  int32_t height;
  int32_t boxes[kBoxValues];
};
static_assert(sizeof(AnalysisSettings) == 64);
static_assert(offsetof(AnalysisSettings, vca_type) == 4 && offsetof(AnalysisSettings, fps) == 8 &&
              offsetof(AnalysisSettings, mode) == 12 && offsetof(AnalysisSettings, installation) == 16 &&
              offsetof(AnalysisSettings, analysis) == 20 && offsetof(AnalysisSettings, width) == 24 &&
              offsetof(AnalysisSettings, height) == 28 && offsetof(AnalysisSettings, boxes) == 32);

// 3261: reset people counters.
struct ClearCount {
  int32_t chnid;
  int32_t reserved[2];
  int32_t line;
  int32_t resetdb;
};
static_assert(sizeof(ClearCount) == 20 && offsetof(ClearCount, line) == 12 && offsetof(ClearCount, resetdb) == 16);
}  // namespace vca
