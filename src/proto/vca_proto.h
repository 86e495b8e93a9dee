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

inline constexpr IpcCode kReqRegionInGet{3237};
inline constexpr IpcCode kReqRegionOutGet{3238};
inline constexpr IpcCode kReqMotionGet{3239};
inline constexpr IpcCode kReqTamperGet{3240};
inline constexpr IpcCode kReqLoiteringGet{3242};
inline constexpr IpcCode kReqHumanGet{3243};
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

// 3261: reset people counters.
struct ClearCount {
  int32_t chnid;
  int32_t reserved[2];
  int32_t line;
  int32_t resetdb;
};
static_assert(sizeof(ClearCount) == 20 && offsetof(ClearCount, line) == 12 && offsetof(ClearCount, resetdb) == 16);
}  // namespace vca
