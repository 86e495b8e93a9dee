// Video and event records of the configuration database: channel OSD,
// motion, video loss, privacy masks, exception actions and their HTTP
// targets, camera alarm I/O and audio volume detection. One row per channel
// (0..63) unless said otherwise; reads of a channel without a row give a zero
// record and -1.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

struct OsdRec {
  int32_t chn;
  char name[64];
  int32_t show_name;
  int32_t show_date;
  int32_t show_week;
  int32_t date_format;
  int32_t time_format;
  double date_pos_x;
  double date_pos_y;
  double name_pos_x;
  double name_pos_y;
  int32_t alpha;
  int32_t reserved;
};
static_assert(sizeof(OsdRec) == 128);
static_assert(offsetof(OsdRec, name) == 4 && offsetof(OsdRec, show_name) == 68 && offsetof(OsdRec, date_pos_x) == 88 &&
              offsetof(OsdRec, alpha) == 120);

struct MotionRec {
  int32_t chn;
  int32_t enable;
  int32_t sensitivity;
  int32_t reserved0;
  uint64_t tri_mask;  // from tri_channels
  int32_t tri_alarms;
  char motion_table[368];
  int32_t interval;
  int32_t enable_ms;
  char tri_channels[65];
  int32_t email_enable;
  int32_t email_interval;
  char tri_chn_alarms[2][65];
  char reserved1[6];
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t warning_light_interval;
  int32_t email_pic_enable;
  char tri_channels_pic[65];
  int32_t audio_id;
  int32_t http_notification_interval;
};
static_assert(sizeof(MotionRec) == 712);
static_assert(offsetof(MotionRec, tri_mask) == 16 && offsetof(MotionRec, tri_alarms) == 24 &&
              offsetof(MotionRec, motion_table) == 28 && offsetof(MotionRec, interval) == 396 &&
              offsetof(MotionRec, enable_ms) == 400 && offsetof(MotionRec, tri_channels) == 404 &&
              offsetof(MotionRec, email_enable) == 472 && offsetof(MotionRec, tri_chn_alarms) == 480 &&
              offsetof(MotionRec, ptz_interval) == 616 && offsetof(MotionRec, email_pic_enable) == 632 &&
              offsetof(MotionRec, tri_channels_pic) == 636 && offsetof(MotionRec, audio_id) == 704 &&
              offsetof(MotionRec, http_notification_interval) == 708);

struct VideoLossRec {
  int32_t chn;
  int32_t enable;
  int32_t tri_alarms;
  int32_t interval;
  int32_t page_state;  // set to 2 by the action page save
  int32_t email_enable;
  int32_t email_interval;
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t warning_light_interval;
  int32_t http_notification_interval;
  int32_t audio_id;
  char tri_chn_alarms[2][65];
  char reserved[2];
};
static_assert(sizeof(VideoLossRec) == 184);
static_assert(offsetof(VideoLossRec, tri_alarms) == 8 && offsetof(VideoLossRec, interval) == 12 &&
              offsetof(VideoLossRec, page_state) == 16 && offsetof(VideoLossRec, tri_chn_alarms) == 52);

inline constexpr int kStoredMaskAreas = 24;

struct StoredMaskArea {
  int32_t area_id;
  int32_t enable;
  int32_t start_x;
  int32_t start_y;
  int32_t area_width;
  int32_t area_height;
  int32_t width;  // frame the area was drawn in
  int32_t height;
  int32_t fill_color;
};
static_assert(sizeof(StoredMaskArea) == 36);

struct PrivacyMaskRec {
  int32_t id;
  StoredMaskArea area[kStoredMaskAreas];
};
static_assert(sizeof(PrivacyMaskRec) == 868);

// Camera alarm I/O linkage, and the same shape for audio volume detection.
struct CameraIoRec {
  int32_t chn;
  int32_t enable;
  uint64_t tri_mask;  // from tri_channels
  int32_t tri_actions;
  char tri_channels[65];
};
static_assert(sizeof(CameraIoRec) == 88 && offsetof(CameraIoRec, tri_actions) == 16 &&
              offsetof(CameraIoRec, tri_channels) == 20);

inline constexpr int kExceptionKinds = 12;
inline constexpr int kExceptionNames = 14;

struct TriggerAlarmsRec {
  int32_t value[kExceptionKinds];
  int32_t record_failed_mail_interval;
};
static_assert(sizeof(TriggerAlarmsRec) == 52);

int read_osd(const char* path, OsdRec* rec, int chn);
int write_osd(const char* path, const OsdRec* rec);

int read_motion(const char* path, MotionRec* rec, int chn);
// All 64 channels in channel order; *count = rows read.
int read_motions(const char* path, MotionRec* recs, int* count);
int write_motion(const char* path, const MotionRec* rec);
// The record of src to every channel of mask (src itself skipped).
int copy_motions(const char* path, int src, uint64_t mask);

int read_video_lost(const char* path, VideoLossRec* rec, int chn);
int write_video_lost(const char* path, const VideoLossRec* rec);
// All 64 channels, recs[n] = channel n.
int read_video_losts(const char* path, VideoLossRec recs[kKvdbChannels]);
// recs[n] for every bit n of mask, in one transaction.
int write_video_losts(const char* path, const VideoLossRec recs[kKvdbChannels], uint64_t mask);
int copy_video_losts(const char* path, int src, uint64_t mask);

// Up to 64 records in channel order.
int read_privacy_masks(const char* path, PrivacyMaskRec* recs, int* count);
int write_privacy_mask(const char* path, const PrivacyMaskRec* rec);

int read_cameraio(const char* path, CameraIoRec* rec, int chn);
int write_cameraio(const char* path, const CameraIoRec* rec);
int read_volumedetect(const char* path, CameraIoRec* rec, int chn);
int write_volumedetect(const char* path, const CameraIoRec* rec);

int read_trigger_alarms(const char* path, TriggerAlarmsRec* rec);
int write_trigger_alarms(const char* path, const TriggerAlarmsRec* rec);

// Name of exception index 0..13 into buf (32 bytes); -1 and "" otherwise.
int get_exception_name(int index, char* buf, int size);
// recs[i] = target of exception i (zero, id -1, when none stored).
int read_http_notification_params_init(const char* path, HttpNotifyParams recs[kExceptionNames]);
// All 14 targets in one transaction.
int write_http_notification_params_batch(const char* path, const HttpNotifyParams recs[kExceptionNames]);

// Weekly schedules of the motion and video-loss pages, and the motion
// action blocks (white LED, warning light, HTTP target).
inline constexpr const char* kMotionScheduleTable = "motion_audible_schedule";
inline constexpr const char* kMotionEffectiveTable = "motion_effective_schedule";
inline constexpr const char* kMotionEmailTable = "motion_email_schedule";
inline constexpr const char* kMotionPtzTable = "motion_ptz_schedule";
inline constexpr const char* kMotionWhiteTable = "motion_whiteled_esche";
inline constexpr const char* kMotionWarningTable = "motion_warning_light_esche";
inline constexpr const char* kMotionHttpScheTable = "motion_http_notification_sche";
inline constexpr const char* kMotionWhiteParams = "motion_white_led_params";
inline constexpr const char* kMotionWarningParams = "motion_warning_light_params";
inline constexpr const char* kMotionHttpParams = "motion_http_notification_params";
inline constexpr int kPtzTypeMotion = 1;
inline constexpr const char* kVideoLossScheduleTable = "videoloss_audible_schedule";
inline constexpr const char* kVideoLossEmailTable = "videoloss_email_schedule";
inline constexpr const char* kVideoLossPtzTable = "videoloss_ptz_schedule";
inline constexpr const char* kVideoLossWhiteTable = "videoloss_whiteled_esche";
inline constexpr const char* kVideoLossWarningTable = "videoloss_warning_light_esche";
inline constexpr const char* kVideoLossHttpScheTable = "videoloss_http_notification_sche";
inline constexpr const char* kVideoLossWhiteParams = "video_loss_white_led_params";
inline constexpr const char* kVideoLossWarningParams = "video_loss_warning_light_params";
inline constexpr const char* kVideoLossHttpParams = "videoloss_http_notification_params";
inline constexpr int kPtzTypeVideoLoss = 2;
