// Video and event requests and replies exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace video {
inline constexpr int kChannels = 64;
inline constexpr int kMaskAreas = 28;      // area slots of the privacy mask messages
inline constexpr int kMaskRefWidth = 460;  // page frame the mask areas are drawn in
inline constexpr int kMaskRefHeight = 260;

// ---- Request codes (replies are code + 5000) ----
// Notices: the channel's stored settings changed.
inline constexpr IpcCode kReqOsdChanged{1007};
inline constexpr IpcCode kReqVideoLossChanged{1402};
inline constexpr IpcCode kReqMotionsChanged{1410};  // 8-byte channel mask
inline constexpr IpcCode kReqMotionChanged{1403};
inline constexpr IpcCode kReqExceptionChanged{2104};
inline constexpr IpcCode kReqAlarmInChanged{1404};      // 4-byte alarm input index
inline constexpr IpcCode kReqVideoLossesChanged{1414};  // 8-byte channel mask
inline constexpr IpcCode kReqAlarmInsChanged{1415};     // 8-byte alarm input mask
inline constexpr IpcCode kReqSnapshotSettings{1311};    // ChannelList
inline constexpr IpcCode kReqSnapshotSchedules{1312};   // ChannelList
inline constexpr IpcCode kReqSnapshotSwitch{1313};      // SnapshotSwitch
inline constexpr IpcCode kReqExceptHttpChanged{3394};
// Camera-side settings.
inline constexpr IpcCode kReqCamPrivacyMasks{2502};
inline constexpr IpcCode kReqModelType{2503};
inline constexpr IpcCode kReqDelPrivacyMask{2508};
inline constexpr IpcCode kReqPrivacyMask{2509};
inline constexpr IpcCode kReqMotionMapGet{3206};
inline constexpr IpcCode kReqMotionMapSet{3207};
inline constexpr IpcCode kReqFullTimeSchedule{3209};
inline constexpr IpcCode kReqOsdConfigSet{3210};
inline constexpr IpcCode kReqOsdConfigGet{3211};
inline constexpr IpcCode kReqMotionEnable{3212};
inline constexpr IpcCode kReqCamMotionSet{3251};
inline constexpr IpcCode kReqFullTimeScheduleCopy{3252};
inline constexpr IpcCode kReqCamIoGet{3213};
inline constexpr IpcCode kReqCamIoSet{3214};
inline constexpr IpcCode kReqVolumeGet{3215};
inline constexpr IpcCode kReqVolumeSet{3216};

// Codes of the analytics, plate and fisheye pages whose replies share the
// module's reply table.
inline constexpr IpcCode kReqIpcWildcardsSet{1208};
inline constexpr IpcCode kReqIpcLine2Set{1210};
inline constexpr IpcCode kReqIpcVcaSettings2Set{1212};
inline constexpr IpcCode kReqZoomState{1215};
inline constexpr IpcCode kReqIpcRegionalSet{1221};
inline constexpr IpcCode kReqFisheyeModeSet{3231};
inline constexpr IpcCode kReqFisheyeModeGet{3232};
inline constexpr IpcCode kReqVcaRegionInSet{3244};
inline constexpr IpcCode kReqVcaRegionOutSet{3245};
inline constexpr IpcCode kReqVcaMotionSet{3246};
inline constexpr IpcCode kReqVcaTamperSet{3247};
inline constexpr IpcCode kReqVcaLineSet{3248};
inline constexpr IpcCode kReqVcaLoiteringSet{3249};
inline constexpr IpcCode kReqVcaHumanSet{3250};
inline constexpr IpcCode kReqVcaPeopleSet{3254};
inline constexpr IpcCode kReqVcaSupport{3257};
inline constexpr IpcCode kReqVcaSettingsGet{3259, kPolls120s};
inline constexpr IpcCode kReqVcaSettingsSet{3260};
inline constexpr IpcCode kReqVcaClearCount{3261};
inline constexpr IpcCode kReqVcaLeftRemoveSet{3269};
inline constexpr IpcCode kReqAnprSettingsSet{3290};
inline constexpr IpcCode kReqAnprSupport{3293};
inline constexpr IpcCode kReqPrivacyEdit{3353};
inline constexpr IpcCode kReqFisheyeInfo{3373};
inline constexpr IpcCode kReqFisheyeInfoSet{3374};

// ---- Operation log: parameter types of the settings this module changes ----
inline constexpr int32_t kLogParamVideoLoss = 908;
inline constexpr int32_t kLogParamMotion = 909;
inline constexpr int32_t kLogParamAlarmIn = 910;
inline constexpr int32_t kLogParamAlarmOut = 911;
inline constexpr int32_t kLogParamCameraIo = 923;
inline constexpr int32_t kLogParamVolume = 924;

// ---- Records ----

// 1007: the OSD of a channel changed.
struct OsdNotice {
  int32_t chn;
  int32_t changed;  // 1
  int32_t reserved;
};
static_assert(sizeof(OsdNotice) == 12);

// 3210 payload and 8211 reply.
struct OsdConfig {
  int32_t ch;  // reply: a status, negative when the camera did not answer
  int32_t enable_text;
  char text_name[256];
  int32_t textpos;
  int32_t enable_date;
  int32_t datepos;
  int32_t dateformat;
  int32_t font_size;
  int32_t enable_text_sub;
  char text_name_sub[256];
  int32_t textpos_sub;
  int32_t enable_date_sub;
  int32_t datepos_sub;
  int32_t dateformat_sub;
  int32_t font_size_sub;
  uint8_t reserved[280];
  int32_t type;
};
static_assert(sizeof(OsdConfig) == 848);
static_assert(offsetof(OsdConfig, text_name) == 8 && offsetof(OsdConfig, textpos) == 264 &&
              offsetof(OsdConfig, font_size) == 280 && offsetof(OsdConfig, enable_text_sub) == 284 &&
              offsetof(OsdConfig, text_name_sub) == 288 && offsetof(OsdConfig, textpos_sub) == 544 &&
              offsetof(OsdConfig, font_size_sub) == 560 && offsetof(OsdConfig, type) == 844);

// 3207 payload and 8206 reply.
struct MotionMap {
  int32_t enable;  // reply only
  char map[300];
  int32_t sensitivity;
  int32_t chn;
  int32_t result;
  int32_t model_type;
  int32_t fishdisplay;
  int32_t fishtransfer;
  int32_t fishinstall;
  int32_t enable_ai;
  int32_t reserved;
};
static_assert(sizeof(MotionMap) == 340);
static_assert(offsetof(MotionMap, map) == 4 && offsetof(MotionMap, sensitivity) == 304 &&
              offsetof(MotionMap, chn) == 308 && offsetof(MotionMap, result) == 312 &&
              offsetof(MotionMap, model_type) == 316 && offsetof(MotionMap, enable_ai) == 332);

// 3212: camera-side motion detection on or off, for the channel and its copies.
struct MotionEnable {
  int32_t chn;
  int32_t flag;
  int32_t copy[kChannels];
  int32_t copy_count;
};
static_assert(sizeof(MotionEnable) == 268);
static_assert(offsetof(MotionEnable, copy) == 8 && offsetof(MotionEnable, copy_count) == 264);

// 3251: the motion page's detection settings for the channel and its copies.
struct CamMotionSettings {
  char motion_table[300];
  int32_t sensitivity;
  int32_t chn;
  int32_t enable_ms;
  int32_t copy[kChannels];
  int32_t copy_count;
  int32_t enable_ai;
  int32_t detection;
};
static_assert(sizeof(CamMotionSettings) == 580);
static_assert(offsetof(CamMotionSettings, sensitivity) == 300 && offsetof(CamMotionSettings, chn) == 304 &&
              offsetof(CamMotionSettings, enable_ms) == 308 && offsetof(CamMotionSettings, copy) == 312 &&
              offsetof(CamMotionSettings, copy_count) == 568 && offsetof(CamMotionSettings, enable_ai) == 572 &&
              offsetof(CamMotionSettings, detection) == 576);

// 3209 / 3252: detection all day, every day.
struct FullTimePeriod {
  int32_t start_hour;
  int32_t start_minute;
  int32_t end_hour;
  int32_t end_minute;
};
struct FullTimeDay {
  int32_t day;
  int32_t enabled;
  FullTimePeriod period[8];  // the first four used
};
static_assert(sizeof(FullTimeDay) == 136);
struct FullTimeSchedule {
  int32_t chn;
  uint8_t reserved[64];
  FullTimeDay days[7];
  uint8_t tail[196];
};
static_assert(sizeof(FullTimeSchedule) == 1216);
static_assert(offsetof(FullTimeSchedule, days) == 68);

// One privacy mask area, as sent (2509) and as reported (7502).
struct MaskArea {
  int32_t area_id;
  int32_t enable;
  int32_t start_x;
  int32_t start_y;
  int32_t area_width;
  int32_t area_height;
  int32_t fill_color;
  int32_t ratio;
  char name[64];
};
static_assert(sizeof(MaskArea) == 96 && offsetof(MaskArea, name) == 32);

// 2508: remove one area from a camera's masks.
struct PrivacyMaskDel {
  int32_t chan_id;
  int32_t area_id;
};
static_assert(sizeof(PrivacyMaskDel) == 8 && offsetof(PrivacyMaskDel, area_id) == 4);

// 2509: masks for the cameras of the listed channels.
struct PrivacyMaskMsg {
  char channels[kChannels];  // '1' per target channel, no terminator
  uint8_t reserved0[12];
  int32_t enable;
  int32_t num;
  int32_t cgi_sdk_flag;
  uint8_t reserved1[36];
  int32_t area_mask_enable;
  uint8_t reserved2[64];
  MaskArea area[kMaskAreas];
  int32_t mosaic_support;
  int32_t mosaic_num;
  int64_t del_mask;
  uint8_t reserved3[8];
};
static_assert(sizeof(PrivacyMaskMsg) == 2904);
static_assert(offsetof(PrivacyMaskMsg, enable) == 76 && offsetof(PrivacyMaskMsg, num) == 80 &&
              offsetof(PrivacyMaskMsg, cgi_sdk_flag) == 84 && offsetof(PrivacyMaskMsg, area_mask_enable) == 124 &&
              offsetof(PrivacyMaskMsg, area) == 192 && offsetof(PrivacyMaskMsg, mosaic_support) == 2880 &&
              offsetof(PrivacyMaskMsg, mosaic_num) == 2884 && offsetof(PrivacyMaskMsg, del_mask) == 2888);

// 7502: one per camera.
struct CamPrivacyMask {
  int32_t id;
  int32_t enable;
  int32_t num;
  int32_t cgi_sdk_flag;
  char sdkversion[32];
  int32_t max_ptz_zoom_ratio;
  int32_t area_enable;
  char color_list[64];
  MaskArea area[kMaskAreas];
  int32_t mosaic_support;
  int32_t mosaic_num;
  int32_t reserved[2];
  int32_t color_support;
  int32_t max_mask_sum;  // valid areas
};
static_assert(sizeof(CamPrivacyMask) == 2832);
static_assert(offsetof(CamPrivacyMask, sdkversion) == 16 && offsetof(CamPrivacyMask, max_ptz_zoom_ratio) == 48 &&
              offsetof(CamPrivacyMask, area_enable) == 52 && offsetof(CamPrivacyMask, color_list) == 56 &&
              offsetof(CamPrivacyMask, area) == 120 && offsetof(CamPrivacyMask, mosaic_support) == 2808 &&
              offsetof(CamPrivacyMask, mosaic_num) == 2812 && offsetof(CamPrivacyMask, color_support) == 2824 &&
              offsetof(CamPrivacyMask, max_mask_sum) == 2828);

// 3214: camera alarm I/O linkage changed.
struct CamIoNotice {
  int32_t chn;
  int32_t enable;
  int32_t type;
};
static_assert(sizeof(CamIoNotice) == 12);

// 8213.
struct CamIoReply {
  int32_t reserved0;
  int32_t chn;
  int32_t enable;
  int32_t type;
  int32_t tri_actions;
  int32_t reserved1;
  char tri_channels[65];
};
static_assert(sizeof(CamIoReply) == 92);
static_assert(offsetof(CamIoReply, chn) == 4 && offsetof(CamIoReply, tri_actions) == 16 &&
              offsetof(CamIoReply, tri_channels) == 24);

// 3216: audio volume alarm changed.
struct VolumeNotice {
  int32_t chn;
  int32_t enable;
  int32_t type;
  int32_t volume;
  int32_t duration;
  int32_t on_event;
  int32_t off_event;
  int32_t ongoing_event;
};
static_assert(sizeof(VolumeNotice) == 32);

// 8215.
struct VolumeReply {
  int32_t reserved0;
  int32_t chn;
  int32_t enable;
  int32_t type;
  int32_t volume;
  int32_t duration;
  int32_t on_event;
  int32_t off_event;
  int32_t ongoing_event;
  int32_t tri_actions;
  int32_t reserved1;
  char tri_channels[65];
};
static_assert(sizeof(VolumeReply) == 112);
static_assert(offsetof(VolumeReply, chn) == 4 && offsetof(VolumeReply, enable) == 8 &&
              offsetof(VolumeReply, tri_actions) == 36 && offsetof(VolumeReply, tri_channels) == 44);

// Small replies of the analytics, plate and fisheye pages.
struct ZoomState {  // 6215
  int32_t chnid;
  int32_t state;
  int32_t zoom_number;
};
static_assert(sizeof(ZoomState) == 12);

struct FisheyeMode {  // 3231, 8232
  int32_t chnid;
  int32_t fishmount;
  int32_t fishdisplay;
  int32_t fishcorrect;
  int32_t result;  // reply only
};
static_assert(sizeof(FisheyeMode) == 20);
static_assert(offsetof(FisheyeMode, fishmount) == 4 && offsetof(FisheyeMode, fishdisplay) == 8 &&
              offsetof(FisheyeMode, fishcorrect) == 12 && offsetof(FisheyeMode, result) == 16);

struct VcaSupport {  // 8257
  int32_t support;
  int32_t type;
  uint8_t reserved[36];
};
static_assert(sizeof(VcaSupport) == 44);

struct AnprSupport {  // 8293
  int32_t chnid;
  int32_t vca_support;
  int32_t vca_version;
};
static_assert(sizeof(AnprSupport) == 12);

struct FisheyeInfo {  // 8373
  int32_t support;
  int32_t transfer;
  int32_t install;
  int32_t display;
  int32_t stream_cnt;
};
static_assert(sizeof(FisheyeInfo) == 20);
// 1311, 1312: the channels whose snapshot settings or schedule changed.
struct ChannelList {
  int32_t chn[kChannels];
  int32_t count;
};
static_assert(sizeof(ChannelList) == 260 && offsetof(ChannelList, count) == 256);

// 1313: start (1) or stop (0) scheduled snapshots on the flagged channels.
struct SnapshotSwitch {
  int32_t action;
  int32_t flag[kChannels];  // 1: channel n selected
};
static_assert(sizeof(SnapshotSwitch) == 260 && offsetof(SnapshotSwitch, flag) == 4);

inline constexpr int32_t kSnapshotStart = 1;
inline constexpr int32_t kSnapshotStop = 0;

}  // namespace video
