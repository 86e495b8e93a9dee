// People counting on cameras: the line counter of the smart analytics pages
// (3253 / 3254) and the regional counter of the camera-side pages (1220 /
// 1221). The set codes share the video module's reply table (video_proto.h).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb_families_event.h"
#include "proto/ipc_code.h"

namespace pcnt {
inline constexpr int kLines = 4;
inline constexpr int kThresholds = 4;
inline constexpr int kRegions = 4;

inline constexpr IpcCode kReqPeopleGet{3253};    // int32 channel -> PeopleCount
inline constexpr IpcCode kReqRegionalGet{1220};  // int32 channel -> RegionalCount

// One counting line, in camera pixels.
struct PeopleLine {
  int8_t line_enable;
  int8_t auto_reset_enable;
  int8_t direction;
  int8_t show_cnt_enable;
  int32_t x1, y1, x2, y2;
  int32_t auto_reset_weekday;
  int32_t auto_reset_hour;
  int32_t auto_reset_min;
  int32_t auto_reset_sec;
  int32_t alarm_enable;
  int32_t alarm_threshold[kThresholds];
};
static_assert(sizeof(PeopleLine) == 56);
static_assert(offsetof(PeopleLine, auto_reset_enable) == 1 && offsetof(PeopleLine, direction) == 2 &&
              offsetof(PeopleLine, show_cnt_enable) == 3 && offsetof(PeopleLine, x1) == 4 &&
              offsetof(PeopleLine, y1) == 8 && offsetof(PeopleLine, x2) == 12 && offsetof(PeopleLine, y2) == 16 &&
              offsetof(PeopleLine, auto_reset_weekday) == 20 && offsetof(PeopleLine, auto_reset_hour) == 24 &&
              offsetof(PeopleLine, auto_reset_min) == 28 && offsetof(PeopleLine, auto_reset_sec) == 32 &&
              offsetof(PeopleLine, alarm_enable) == 36 && offsetof(PeopleLine, alarm_threshold) == 40);

// 3254 and reply 8253.
struct PeopleCount {
  int32_t chnid;
  int32_t width;  // camera frame
  int32_t height;
  int32_t osd_enable;
  int32_t osd_font_size;
  int32_t osd_text_pos;
  int32_t sensitivity;
  int8_t osd_type;
  char reserved0[3];
  int32_t line_num;
  int32_t trigger_type;
  int32_t trigger_enable;
  int32_t total_alarm_enable;
  int32_t total_alarm_threshold[kThresholds];
  PeopleLine lines[kLines];
  char reserved1[72];
  ScheduleRec effective;  // the daemon's form
};
static_assert(sizeof(PeopleCount) == 28072);
static_assert(offsetof(PeopleCount, width) == 4 && offsetof(PeopleCount, height) == 8 &&
              offsetof(PeopleCount, osd_enable) == 12 && offsetof(PeopleCount, osd_font_size) == 16 &&
              offsetof(PeopleCount, osd_text_pos) == 20 && offsetof(PeopleCount, sensitivity) == 24 &&
              offsetof(PeopleCount, osd_type) == 28 && offsetof(PeopleCount, line_num) == 32 &&
              offsetof(PeopleCount, trigger_type) == 36 && offsetof(PeopleCount, trigger_enable) == 40 &&
              offsetof(PeopleCount, total_alarm_enable) == 44 && offsetof(PeopleCount, total_alarm_threshold) == 48 &&
              offsetof(PeopleCount, lines) == 64 && offsetof(PeopleCount, effective) == 360);

// One counting region of the camera.
struct RegionalArea {
  int32_t enable;
  char polygon_x[64];
  char polygon_y[64];
  int32_t max_stay_enable;
  int32_t max_stay_value;
  int32_t min_stay_enable;
  int32_t min_stay_value;
  int32_t max_stay_time_enable;
  int32_t max_stay_time_value;
};
static_assert(sizeof(RegionalArea) == 156);
static_assert(offsetof(RegionalArea, polygon_x) == 4 && offsetof(RegionalArea, polygon_y) == 68 &&
              offsetof(RegionalArea, max_stay_enable) == 132 && offsetof(RegionalArea, max_stay_value) == 136 &&
              offsetof(RegionalArea, min_stay_enable) == 140 && offsetof(RegionalArea, min_stay_value) == 144 &&
              offsetof(RegionalArea, max_stay_time_enable) == 148 && offsetof(RegionalArea, max_stay_time_value) == 152);

// 1221 and reply 6220.
struct RegionalCount {
  int32_t result;  // reply only
  int32_t chnid;
  int32_t sensitivity;
  int32_t min_obj_x, min_obj_y, min_obj_width, min_obj_height;
  int32_t max_obj_x, max_obj_y, max_obj_width, max_obj_height;
  RegionalArea regions[kRegions];
  char reserved[68];
  ScheduleRec effective;  // the daemon's form
};
static_assert(sizeof(RegionalCount) == 28448);
static_assert(offsetof(RegionalCount, chnid) == 4 && offsetof(RegionalCount, sensitivity) == 8 &&
              offsetof(RegionalCount, min_obj_x) == 12 && offsetof(RegionalCount, min_obj_height) == 24 &&
              offsetof(RegionalCount, max_obj_x) == 28 && offsetof(RegionalCount, max_obj_height) == 40 &&
              offsetof(RegionalCount, regions) == 44 && offsetof(RegionalCount, effective) == 736);
}  // namespace pcnt
