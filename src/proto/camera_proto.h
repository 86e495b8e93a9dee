// Camera channel and camera-side parameter requests exchanged with the core
// daemon. Records whose layout the daemon owns keep the members the pages
// use and reserve the rest, so every size matches the daemon's.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb_families_event.h"
#include "proto/camera_setting.h"
#include "proto/ipc_code.h"

namespace camera {
inline constexpr int kChannels = 64;
inline constexpr int kRtspProtocol = 1;
inline constexpr int kNoAddressProtocol = 7;  // a camera without an address

// Request codes (replies are code + 5000) with their waits.
inline constexpr IpcCode kReqAddCamera{1201};
inline constexpr IpcCode kReqDelCamera{1202};
inline constexpr IpcCode kReqEditCamera{1203};
inline constexpr IpcCode kReqPoeChannel{1206};
inline constexpr IpcCode kReqWatermarkGet{1213};
inline constexpr IpcCode kReqWatermarkSet{1216};
inline constexpr IpcCode kReqEventStreamGet{1217};
inline constexpr IpcCode kReqEventStreamSet{1218};
inline constexpr IpcCode kReqLprNightMode{1219};
inline constexpr IpcCode kReqPtzSupport{1262};
inline constexpr IpcCode kReqModelType{2503};
inline constexpr IpcCode kReqChannelModels{2505};
inline constexpr IpcCode kReqCameraType{2507};
inline constexpr IpcCode kReqSearch{3200, kPolls240s};
inline constexpr IpcCode kReqCameraState{3201, kPolls240s};
inline constexpr IpcCode kReqLoginTest{3202, kPolls240s};
inline constexpr IpcCode kReqStreamSet{3203, kPolls240s};
inline constexpr IpcCode kReqStreamGet{3204, kPolls240s};
inline constexpr IpcCode kReqAddressSet{3205, kPolls240s};
inline constexpr IpcCode kReqEnhanceGet{3221};
inline constexpr IpcCode kReqDisplayGet{3223, kPolls120s};
inline constexpr IpcCode kReqDisplaySet{3224};
inline constexpr IpcCode kReqLoginTest2{3227, kPolls240s};
inline constexpr IpcCode kReqMultiAddressSet{3229};
inline constexpr IpcCode kReqMacs{3230, kPolls600s};
inline constexpr IpcCode kReqAreaGet{3271};
inline constexpr IpcCode kReqScheduleAGet{3273};
inline constexpr IpcCode kReqScheduleBGet{3275};
inline constexpr IpcCode kReqScheduleCGet{3277};
inline constexpr IpcCode kReqExposureScheduleGet{3278};
inline constexpr IpcCode kReqExposureScheduleSet{3279};
inline constexpr IpcCode kReqEnhanceSet{3280};
inline constexpr IpcCode kReqScheduleASet{3281};
inline constexpr IpcCode kReqScheduleBSet{3282};
inline constexpr IpcCode kReqScheduleCSet{3283};
inline constexpr IpcCode kReqAreaDel{3284};
inline constexpr IpcCode kReqAreaSet{3288};
inline constexpr IpcCode kReqTrackingGet{3294};
inline constexpr IpcCode kReqMotionStatus{3307};
inline constexpr IpcCode kReqMotionMapGet{3358};
inline constexpr IpcCode kReqRecordText{3360, kPolls120s};
inline constexpr IpcCode kReqMotionMapSet{3366};
inline constexpr IpcCode kReqAudioGet{3371};
inline constexpr IpcCode kReqAudioSet{3372};
inline constexpr IpcCode kReqTrackingSet{3375};
inline constexpr IpcCode kReqSystemInfo{3376};
inline constexpr IpcCode kReqCustomParam{3377};
inline constexpr IpcCode kReqUpgrade{3379, kPolls1200s};
inline constexpr IpcCode kReqFirmwareReset{3385};
inline constexpr IpcCode kReqUpgradeState{3386};
inline constexpr IpcCode kReqUpgradeStop{3390};
inline constexpr IpcCode kReqStreamByTime{3493};
inline constexpr IpcCode kReqQtCmd{4002};
inline constexpr IpcCode kReqQtCmdResult{4003};  // reply only: the command's late result
inline constexpr IpcCode kReqChipCode{4004};

// Operation log codes of the camera pages.
inline constexpr int32_t kLogSubCameraEdit = 204;
inline constexpr int32_t kLogSubCameraAdd = 210;
inline constexpr int32_t kLogSubCameraDelete = 211;
inline constexpr int32_t kLogParamCameraAdd = 901;
inline constexpr int32_t kLogParamCameraDelete = 902;
inline constexpr int32_t kLogParamCameraEdit = 903;

// Operation log detail of a camera change (kind 111).
struct CameraLogDetail {
  int32_t param;
  char ip[64];
  int32_t manage_port;
  int32_t channel;  // channel + 1
  uint8_t zero[64];
  char protocol[16];
  char transmit[16];
  int32_t sync_time;
};
static_assert(sizeof(CameraLogDetail) == 176);
static_assert(offsetof(CameraLogDetail, ip) == 4 && offsetof(CameraLogDetail, manage_port) == 68 &&
              offsetof(CameraLogDetail, channel) == 72 && offsetof(CameraLogDetail, zero) == 76 &&
              offsetof(CameraLogDetail, protocol) == 140 && offsetof(CameraLogDetail, transmit) == 156 &&
              offsetof(CameraLogDetail, sync_time) == 172);

// 1206: whether the channel's camera sits on another recorder's PoE port.
struct PoeNotice {
  int32_t channel;
  int32_t other_poe;
};
static_assert(sizeof(PoeNotice) == 8);

// 8200: one camera found on the network.
struct SearchResult {
  char ip[32];
  char mac[32];
  int32_t manage_port;
  int32_t protocol;
  char vendor[192];
  char sn[128];
  char fw_version[64];
  char model[64];
  int32_t model_id;
  int32_t sub_model_id;
  uint8_t reserved[96];
  int32_t netif;
  int32_t active_status;
  char name[64];
  char sn_real[64];
};
static_assert(sizeof(SearchResult) == 760);
static_assert(offsetof(SearchResult, mac) == 32 && offsetof(SearchResult, manage_port) == 64 &&
              offsetof(SearchResult, protocol) == 68 && offsetof(SearchResult, vendor) == 72 &&
              offsetof(SearchResult, sn) == 264 && offsetof(SearchResult, fw_version) == 392 &&
              offsetof(SearchResult, model) == 456 && offsetof(SearchResult, active_status) == 628 &&
              offsetof(SearchResult, name) == 632 && offsetof(SearchResult, sn_real) == 696);

// 8201: one connected camera.
struct CameraState {
  int32_t id;
  char ip[64];
  int32_t manage_port;
  int32_t protocol;
  char vendor[64];
  char sn[64];
  char sn_real[64];
  char mac[32];
  char model[64];
  char fw_version[64];
  int32_t state;
  int32_t main_rtsp_port;
  int32_t physical_port;
  int32_t poe_channel;
  int32_t alarm_in;
  int32_t alarm_out;
  int32_t white_led;
  int32_t led_alarm;
  int32_t led_manual;
  int32_t minor_id;
  int32_t sub_state;
  int32_t connect_state;
  char ddns[64];
  char chip_info[64];
  uint8_t reserved[436];
};
static_assert(sizeof(CameraState) == 1040);

// 3202: a login to try.
struct LoginTest {
  char ip[64];
  int32_t manage_port;
  int32_t protocol;
  char user[64];
  char password[64];
  int32_t transmit_protocol;
  int32_t channel;
  uint8_t reserved[4];
};
static_assert(sizeof(LoginTest) == 212);

// 3227: the same, as the PoE set-up page sends it.
struct LoginTest2 {
  int32_t channel;
  char ip[64];
  int32_t manage_port;
  char user[32];
  char password[32];
  int32_t protocol;
  int32_t transmit_protocol;
  uint8_t reserved[4];
};
static_assert(sizeof(LoginTest2) == 148);

// 3203: main and sub stream settings of one channel.
struct StreamConfig {
  int32_t width;
  int32_t height;
  int32_t framerate;
  int32_t bitrate;
  int32_t iframe_interval;
  int32_t bitrate_ctrl;
  int32_t video_type;
  int32_t smart_stream;
  int32_t smart_stream_level;
  int32_t gop;
};
static_assert(sizeof(StreamConfig) == 40);

struct StreamSet {
  int32_t channel;
  StreamConfig main;
  StreamConfig sub;
  int32_t sub_enable;
  int32_t audio_enable;
  uint8_t reserved[112];
};
static_assert(sizeof(StreamSet) == 204);
static_assert(offsetof(StreamSet, main) == 4 && offsetof(StreamSet, sub) == 44 && offsetof(StreamSet, sub_enable) == 84);

// 8203
struct StreamResult {
  int32_t channel;
  int32_t res;
};
static_assert(sizeof(StreamResult) == 8);

// 8204: stream settings as 156 int32 slots (see the slot constants below).
inline constexpr int kStreamSlots = 156;
struct StreamSettings {
  int32_t slot[kStreamSlots];
};
static_assert(sizeof(StreamSettings) == 624);
inline constexpr int kResPairs = 24;
inline constexpr int kMainStreamSlot = 2;  // resolution pairs, then the stream's values
inline constexpr int kSubStreamSlot = 63;
inline constexpr int kStreamSlotsUsed = 139;

// 3205: a camera's new address.
struct AddressSet {
  int32_t channel;
  char ip[64];
  char netmask[64];
  char gateway[64];
  char dns1[64];
  char dns2[64];
  int32_t manage_port;
  int32_t dhcp;
  char mac[32];
  uint8_t reserved[24];
};
static_assert(sizeof(AddressSet) == 388);

// 3229: one entry of a batch of address changes.
struct MultiAddressSet {
  AddressSet addr;
  int32_t index;
  int32_t count;
};
static_assert(sizeof(MultiAddressSet) == 396);

// 8230
inline constexpr int kMacEntries = 64;
struct MacEntry {
  char mac[48];
  int32_t result;
};
struct MacList {
  int32_t count;
  uint8_t reserved[12];
  MacEntry entry[kMacEntries];
};
static_assert(sizeof(MacList) == 3344);

// 3280 set, 8221 get.
struct ImageEnhancement {
  int32_t channel;
  int32_t white_balance;
  int32_t red_gain;
  int32_t blue_gain;
  int32_t day_night_mode;
  int32_t ir_cut_delay;
  int32_t wdr;
  int32_t wdr_level;
  int32_t blc;
  int32_t hlc;
  int32_t dnr;
  int32_t dnr_level;
  int32_t defog;
  int32_t anti_shake;
  uint8_t reserved[432];
};
static_assert(sizeof(ImageEnhancement) == 488);

// 3224 set, 8223 get.
struct ImageDisplay {
  int32_t channel;
  int32_t brightness;
  int32_t contrast;
  int32_t saturation;
  int32_t sharpness;
  int32_t hue;
  int32_t mirror;
  int32_t corridor;
  int32_t power_frequency;
  int32_t exposure_mode;
  uint8_t reserved[324];
};
static_assert(sizeof(ImageDisplay) == 364);

// 8505 / 7507: one channel's camera model.
struct ChannelModel {
  int32_t channel;
  char model[64];
  char ip[64];
  char fw_version[32];
};
static_assert(sizeof(ChannelModel) == 164);
struct ChannelModels {
  ChannelModel chn[kChannels];
};
static_assert(sizeof(ChannelModels) == 10496);

// 3278 / 3279: exposure or light schedule, 7 days x 10 periods.
inline constexpr int kExposureDays = 7;
inline constexpr int kExposurePeriods = 10;
struct ExposurePeriod {
  int32_t start;  // minutes of the day
  int32_t end;
  int32_t mode;
  int32_t reserved;
};
struct ExposureSchedule {
  int32_t channel;
  int32_t type;  // 0 exposure, 1 light
  ExposurePeriod period[kExposureDays][kExposurePeriods];
};
static_assert(sizeof(ExposureSchedule) == 1128);

// 8271: detection areas of a camera; 3288 sets them.
inline constexpr int kAreas = 8;
struct Area {
  int32_t area_id;
  int32_t enable;
  int32_t start_x;
  int32_t start_y;
  int32_t width;
  int32_t height;
  char name[20];
};
static_assert(sizeof(Area) == 44);
struct AreaRecord {
  int32_t channel;
  int32_t count;
  int32_t enable;
  Area area[kAreas];
};
static_assert(sizeof(AreaRecord) == 364);
struct AreaSet {
  AreaRecord rec;
  uint8_t reserved[220];
};
static_assert(sizeof(AreaSet) == 584);

// 3284
struct AreaDelete {
  int32_t area_id;
  int32_t channel;
};
static_assert(sizeof(AreaDelete) == 8);

// 3273 / 3277 (3281 / 3283) and 3275 (3282): camera-side weekly schedules.
struct CamSchedule {
  int32_t channel;
  ScheduleRec schedule;
};
static_assert(sizeof(CamSchedule) == 27716);
struct CamScheduleEx {
  int32_t channel;
  ScheduleRec schedule;
  uint8_t reserved[1472];
};
static_assert(sizeof(CamScheduleEx) == 29188);

// 8358 get, 3366 set (with the channels to copy to).
struct MotionMap {
  int32_t channel;
  int32_t enable;
  int32_t sensitivity;
  char map_mask[300];
  uint8_t reserved[27728];
};
static_assert(sizeof(MotionMap) == 28040);
struct MotionMapSet {
  MotionMap map;
  uint64_t copy;
};
static_assert(sizeof(MotionMapSet) == 28048);

// 3360: the text a camera shows in its record of an event.
struct RecordTextReq {
  int32_t channel;
  int32_t main_type;
  int32_t sub_type;
  char time[64];
};
static_assert(sizeof(RecordTextReq) == 76);

// 8294 get, 3375 set (with the channels to copy to).
struct AutoTracking {
  int32_t channel;
  int32_t enable;
  int32_t sensitivity;
  int32_t show_target;
  int32_t target_type;
  int32_t duration;
  uint8_t reserved[28032];
};
static_assert(sizeof(AutoTracking) == 28056);
struct AutoTrackingSet {
  AutoTracking tracking;
  uint64_t copy;
};
static_assert(sizeof(AutoTrackingSet) == 28064);

// 1213 reply; 1216 sets it with a copy channel string.
struct Watermark {
  int32_t channel;
  int32_t enable;
  char text[36];
};
static_assert(sizeof(Watermark) == 44);
struct WatermarkSet {
  int32_t channel;
  int32_t enable;
  char text[36];
  char copy[65];
  uint8_t reserved[3];
};
static_assert(sizeof(WatermarkSet) == 112);

// 1217
struct EventStreamReq {
  int32_t channel;
  int32_t fisheye_type;
};
static_assert(sizeof(EventStreamReq) == 8);
// 6217 reply and 1218 set.
struct EventStream {
  int32_t channel;
  int32_t enable;
  int32_t framerate;
  int32_t bitrate;
  int32_t iframe_interval;
  int32_t fisheye_type;
};
static_assert(sizeof(EventStream) == 24);

// 6219
struct NightMode {
  int32_t channel;
  int32_t night_mode;
};
static_assert(sizeof(NightMode) == 8);

// 8371 get
struct AudioInfo {
  int32_t channel;
  int32_t enable;
  int32_t encode;
  int32_t sample_rate;
  int32_t input_type;
  int32_t input_volume;
  int32_t output_volume;
  int32_t denoise;
  char encode_list[128];
  uint8_t reserved[5836];
};
static_assert(sizeof(AudioInfo) == 5996);
// 3372 set
struct AudioSet {
  int32_t channel;
  int32_t enable;
  int32_t encode;
  int32_t sample_rate;
  int32_t input_type;
  int32_t input_volume;
  int32_t output_volume;
  int32_t denoise;
  uint8_t reserved[32];
};
static_assert(sizeof(AudioSet) == 64);

// 8376: what a camera supports.
struct SystemInfo {
  int32_t res;
  int32_t audio_support;
  int32_t alarm_in_support;
  int32_t alarm_out_support;
  int32_t white_led_support;
  int32_t warning_light_support;
  int32_t ptz_support;
  int32_t fisheye_support;
  int32_t smart_support;
  int32_t system_auto_tracking_support;
  uint8_t reserved[872];
};
static_assert(sizeof(SystemInfo) == 912);

// 3377 and its reply 8377.
struct CustomParamReq {
  int32_t channel;
  char url[256];
};
static_assert(sizeof(CustomParamReq) == 260);
struct CustomParam {
  int32_t res;
  int32_t channel;
  char data[512];
};
static_assert(sizeof(CustomParam) == 520);

// 3385 and 3379: camera firmware of several channels.
struct FirmwareReset {
  uint64_t chn_mask;
  uint64_t reset_mask;
  int32_t file_size;
  uint8_t reserved[260];
};
static_assert(sizeof(FirmwareReset) == 280);
struct UpgradeReq {
  uint64_t chn_mask;
  int32_t reset;
  char url[256];
  uint8_t reserved[12];
};
static_assert(sizeof(UpgradeReq) == 280);
// 8379 and 8386: one channel's upgrade.
struct UpgradeState {
  int32_t channel;
  int32_t status;
  uint64_t chn_mask;
  int32_t progress;
  char text[52];
};
static_assert(sizeof(UpgradeState) == 72);

// 3493 and its reply 8493.
struct StreamByTimeReq {
  int32_t channel;
  int32_t stream_type;
  char time[72];
};
static_assert(sizeof(StreamByTimeReq) == 80);
struct StreamByTime {
  int32_t channel;
  int32_t stream_type;
  int32_t res;
  char url[120];
};
static_assert(sizeof(StreamByTime) == 132);

// 4002
struct QtCmd {
  char cmd[100];
};
static_assert(sizeof(QtCmd) == 100);
}  // namespace camera
