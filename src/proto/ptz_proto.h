// PTZ requests and replies exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/camera_setting.h"
#include "proto/ipc_code.h"

namespace ptz {
inline constexpr int kMaxChannels = 64;     // port settings, speeds and tours
inline constexpr int kPortChannels = 16;    // channels the port page reads
inline constexpr int kPresets = 300;
inline constexpr int kMaxPresetId = 300;
inline constexpr int kTours = 8;
inline constexpr int kTourPoints = 48;
inline constexpr int kPatterns = 4;
inline constexpr int kStatusRows = 5;
inline constexpr int kPresetNameChars = 30;

// Action codes the web program itself uses.
inline constexpr int32_t kActionFocusAuto = 12;
inline constexpr int32_t kActionAutoFocusTrigger = 21;
inline constexpr int32_t kActionSetPreset = 22;

// Request codes (replies are code + 5000); all wait the default.
inline constexpr IpcCode kReqMove{1251};
inline constexpr IpcCode kReqPortChanged{1252};
inline constexpr IpcCode kReqPreset{1253};
inline constexpr IpcCode kReqPattern{1254};
inline constexpr IpcCode kReqTourClear{1257};
inline constexpr IpcCode kReqTourRun{1260};
inline constexpr IpcCode kReqTourStop{1261};
inline constexpr IpcCode kReqSupport{1262};
inline constexpr IpcCode kReqTourSet{1264};
inline constexpr IpcCode kReqInfo{1265};
inline constexpr IpcCode kReqPresetCall{1266};
inline constexpr IpcCode kReqZoom{1267};
inline constexpr IpcCode kReqFishInfo{1268};
inline constexpr IpcCode kReqFishTour{1269};
inline constexpr IpcCode kReqGetBasic{1270};
inline constexpr IpcCode kReqSetBasic{1271};
inline constexpr IpcCode kReqControl{3361};
inline constexpr IpcCode kReqLedStatus{3363};

// Operation log: every PTZ entry has this sub type.
inline constexpr int64_t kLogSubPtz = 206;
inline constexpr int kLogParamPtzControl = 900;
inline constexpr int kLogParamPtzSetting = 904;

struct Command {  // 1251 move, 1253 preset, 1254 pattern
  int32_t channel;
  int32_t action;
  int32_t preset;  // pattern id for 1254
  int32_t pan_speed;
  int32_t tilt_speed;
  int32_t zoom_speed;
  int32_t focus_speed;
  char name[32];
  uint8_t reserved[4];
  int32_t fisheye_type;
  int32_t stream_id;
};
static_assert(sizeof(Command) == 72);
static_assert(offsetof(Command, action) == 4);
static_assert(offsetof(Command, preset) == 8);
static_assert(offsetof(Command, pan_speed) == 12);
static_assert(offsetof(Command, tilt_speed) == 16);
static_assert(offsetof(Command, zoom_speed) == 20);
static_assert(offsetof(Command, focus_speed) == 24);
static_assert(offsetof(Command, name) == 28);
static_assert(offsetof(Command, reserved) == 60);
static_assert(offsetof(Command, fisheye_type) == 64);
static_assert(offsetof(Command, stream_id) == 68);

struct TourCommand {  // 1257 clear, 1260 run, 1261 stop
  int32_t channel;
  int32_t tour;
  uint8_t reserved[16];
  int32_t fisheye_type;
  int32_t stream_id;
};
static_assert(sizeof(TourCommand) == 32);
static_assert(offsetof(TourCommand, tour) == 4);
static_assert(offsetof(TourCommand, fisheye_type) == 24);
static_assert(offsetof(TourCommand, stream_id) == 28);

struct TourPoint {
  int32_t preset;  // 0: an empty point
  int32_t dwell;
  int32_t speed;
};
static_assert(sizeof(TourPoint) == 12);

// Stored per channel: tour n (1..8) is points[(n - 1) * 48] onward.
struct TourTable {
  TourPoint points[kTours * kTourPoints];
};
static_assert(sizeof(TourTable) == 4608);

struct TourSetRequest {  // 1264
  int32_t channel;
  int32_t tour;
  int32_t count;
  TourPoint points[kTourPoints];
};
static_assert(sizeof(TourSetRequest) == 588);
static_assert(offsetof(TourSetRequest, count) == 8);
static_assert(offsetof(TourSetRequest, points) == 12);

// One tour as the daemon lists it: three columns of 48.
struct TourColumns {
  int32_t preset[kTourPoints];
  int32_t dwell[kTourPoints];
  int32_t speed[kTourPoints];
};
static_assert(sizeof(TourColumns) == 144 * 4);
static_assert(offsetof(TourColumns, dwell) == 48 * 4);
static_assert(offsetof(TourColumns, speed) == 96 * 4);

struct FishTourRequest {  // 1269
  int32_t channel;
  int32_t stream_id;
  int32_t tour_index;  // "tourid" - 1
  TourColumns tours[kTours];
};
static_assert(sizeof(FishTourRequest) == 4620);
static_assert(offsetof(FishTourRequest, stream_id) == 4);
static_assert(offsetof(FishTourRequest, tour_index) == 8);
static_assert(offsetof(FishTourRequest, tours) == 12);

// Stored per channel.
struct PortRecord {
  int32_t channel;
  int32_t baud_rate;
  int32_t data_bits;
  int32_t stop_bits;
  int32_t parity;
  int32_t protocol;
  int32_t address;
  int32_t reserved;
  int32_t connect_type;
};
static_assert(sizeof(PortRecord) == 36);
static_assert(offsetof(PortRecord, connect_type) == 32);

// Stored per channel.
struct SpeedRecord {
  int32_t channel;
  int32_t pan;
  int32_t tilt;
  int32_t zoom;
  int32_t focus;
};
static_assert(sizeof(SpeedRecord) == 20);

struct PresetSlot {
  int32_t enable;
  char name[32];
};
static_assert(sizeof(PresetSlot) == 9 * 4);

struct StateReply {  // 6265, 6268
  PresetSlot presets[kPresets];
  TourColumns tours[kTours];
  int32_t patterns[kPatterns];
  int32_t tour_status[kStatusRows][kTours];
  int32_t autoscan_status[kStatusRows];
};
static_assert(sizeof(StateReply) == 3901 * 4);
static_assert(sizeof(StateReply) == 15604);
static_assert(offsetof(StateReply, tours) == 2700 * 4);
static_assert(offsetof(StateReply, tours[1].preset) == (2700 + 144) * 4);
static_assert(offsetof(StateReply, tours[0].dwell) == 2748 * 4);
static_assert(offsetof(StateReply, tours[0].speed) == 2796 * 4);
static_assert(offsetof(StateReply, patterns) == 3852 * 4);
static_assert(offsetof(StateReply, tour_status) == 3856 * 4);
static_assert(offsetof(StateReply, autoscan_status) == 3896 * 4);

struct FishInfoRequest {  // 1268
  int32_t channel;
  int32_t stream_id;
};
static_assert(sizeof(FishInfoRequest) == 8);

struct PresetCall {  // 1266
  int32_t channel;
  int32_t action;
};
static_assert(sizeof(PresetCall) == 8);

struct ZoomRequest {  // 1267
  int32_t channel;
  int32_t zoom;
  int32_t speed;
};
static_assert(sizeof(ZoomRequest) == 12);

struct ControlRequest {  // 3361
  int32_t channel;
  int32_t command;
};
static_assert(sizeof(ControlRequest) == 8);

struct LedStatus {  // reply 8363
  int32_t channel;
  int32_t status;
};
static_assert(sizeof(LedStatus) == 8);

struct BasicRecord {  // 1271 and reply 6270
  int32_t status;
  int32_t channel;
  int32_t zoom_status;
  int32_t pan_tilt_status;
  int32_t preset_status;
  int32_t patrol_status;
  int32_t pattern_status;
  int32_t auto_scan_status;
  int32_t preset_freezing;
  int32_t preset_speed;
  int32_t manual_speed;
  int32_t patrol_recovering;
  int32_t patrol_recovery_time;
  int32_t focus_mode;
  int32_t min_focus_distance;
  int32_t resume_time;
  int32_t fan_working_mode;
  char channel_mask[65];
  uint8_t pad[3];
};
static_assert(sizeof(BasicRecord) == 136);
static_assert(offsetof(BasicRecord, channel) == 4);
static_assert(offsetof(BasicRecord, zoom_status) == 8);
static_assert(offsetof(BasicRecord, pan_tilt_status) == 12);
static_assert(offsetof(BasicRecord, preset_status) == 16);
static_assert(offsetof(BasicRecord, patrol_status) == 20);
static_assert(offsetof(BasicRecord, pattern_status) == 24);
static_assert(offsetof(BasicRecord, auto_scan_status) == 28);
static_assert(offsetof(BasicRecord, preset_freezing) == 32);
static_assert(offsetof(BasicRecord, preset_speed) == 36);
static_assert(offsetof(BasicRecord, manual_speed) == 40);
static_assert(offsetof(BasicRecord, patrol_recovering) == 44);
static_assert(offsetof(BasicRecord, patrol_recovery_time) == 48);
static_assert(offsetof(BasicRecord, focus_mode) == 52);
static_assert(offsetof(BasicRecord, min_focus_distance) == 56);
static_assert(offsetof(BasicRecord, resume_time) == 60);
static_assert(offsetof(BasicRecord, fan_working_mode) == 64);
static_assert(offsetof(BasicRecord, channel_mask) == 68);
}  // namespace ptz
