// Video and event module: handlers, reply converters and the family helpers
// its pages share.
#pragma once
#include "cgi/dispatchreq.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/fields.h"
#include "common/ipc.h"
#include "common/json_util.h"

void on_video_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_video_ipc_callback.
std::span<const IpcReplyRoute> video_reply_table();

// OSD
void on_get_osd_info(char* text);
void on_set_osd_info(char* text);
void OnSetOSDName(char* text);
void on_get_osdconfig(char* text);
void on_set_osdconfig(char* text);
// Motion
void on_get_movedetect_info(char* text);
void save_motion_dialog_data(char* text);
void OnGetMotionSchedule(char* text);
void on_set_movedetect_info(char* text);
void OnSetMotionSchedule(char* text);
void on_get_motion_map(char* text);
void on_set_motion_sche_info(char* text);
void on_set_motion_trigger(char* text);
// Video loss
void on_get_videolost_info(char* text);
void on_get_videolost_schedule(char* text);
void on_set_videolost_info(char* text);
void on_set_videolost_schedule(char* text);
// Privacy masks
void on_get_privacy_masks(char* text);
void on_set_privacy_mask(char* text);
void on_get_privacy_mask_ovf(char* text);
void on_delete_privacy_mask(char* text);
void on_get_ipc_model_type(char* text);
// Exceptions
void on_get_exception(char* text);
void on_set_exception(char* text);
// Camera alarm I/O and audio volume detection
void on_get_camera_io(char* text);
void on_set_camera_io(char* text);
void on_get_volume_detect(char* text);
void on_set_volume_detect(char* text);

// Event action sets and schedules
void on_set_move_action(char* text);
void on_set_move_email_sche(char* text);
void on_set_move_others(char* text);
void on_get_move_email_sche(char* text);
void on_set_videolost_audible_sche(char* text);
void on_set_videolost_email_sche(char* text);
void on_set_videolost_others(char* text);
void on_get_videolost_email_sche(char* text);
void on_set_alarmin_audible_sche(char* text);
void on_set_alarmin_email_sche(char* text);
void on_set_alarm_others(char* text);
void on_get_alarmin_email_sche(char* text);
void on_get_alarmin_audible_sche(char* text);
void on_set_move_effective_sche(char* text);
void on_get_move_effective_sche(char* text);
void on_get_move_ptz_sche(char* text);
void on_set_move_ptz_sche(char* text);
void on_set_videoloss_ptz_sche(char* text);
void on_get_videoloss_ptz_sche(char* text);
void on_set_alarmin_ptz_sche(char* text);
void on_get_alarmin_ptz_sche(char* text);
void on_get_alarmin_effective_sche(char* text);
void on_set_alarmin_effective_sche(char* text);
void on_get_videoloss_info(char* text);
void on_set_videoloss_info(char* text);
// PTZ action entries
void on_set_ptz_params(char* text);
void on_get_ptz_params(char* text);
void on_delete_ptz_params(char* text);
void on_update_ptz_params(char* text);
void on_delete_ptz_params_batch(char* text);
// Snapshots
void on_get_snapshot_schedule(char* text);
void on_set_snapshot_schedule(char* text);
void on_get_snapshot_setting_params(char* text);
void on_set_snapshot_setting_params(char* text);
void on_set_snapshot_batch_setting(char* text);
// Plate lists and plate support
void on_set_anpr_del_lpr_plate(char* text);
void on_set_anpr_add_lpr_plate(char* text);
void on_set_anpr_update_lpr_plate(char* text);
void on_get_anpr_support_anpr(char* text);
// Camera-side fisheye, zoom and privacy edit
void on_cgi_get_fisheye_mode(char* text);
void on_cgi_set_fisheye_mode(char* text);
void on_get_ipc_zoom_state(char* text);
void on_get_ipc_anpr_wildcards(char* text);
void on_set_ipc_anpr_wildcards(char* text);
void on_get_ipc_anpr_wildcards_cb(const IpcReply& r);
void on_cgi_check_fisheye_info(char* text);
void on_cgi_set_fisheye_info(char* text);
void on_cgi_set_privacy_edit(char* text);

// ---- Family helpers ----

// Channel of a channel-text route, 0..63, or -1.
int channel_of_text(const char* text);
// Bit n for each '1' at position n of a channel string; positions past 63 are
// ignored (the mask has no bit for them).
uint64_t channel_string_mask(const char* s);
// Tells the daemon a channel's settings changed (no wait).
void notify_channel(IpcCode code, int32_t chn);
// Operation log of a setting of channel chn (3485, channel + 1).
void log_channel_setting(int32_t param, int chn);
// Forwarded get: sends the channel and waits for the converter's answer,
// else the error answer of err.
void forward_channel(IpcCode code, int32_t chn, ErrMode err);
// Forwarded get of a JSON request {"<key>": channel}; a request without the
// channel (0..63) gets no answer.
void forward_json_channel(const char* text, const char* key, IpcCode code, ErrMode err);
// As forward_json_channel; a request without the channel gets the error answer.
void forward_json_channel_or_error(const char* text, const char* key, IpcCode code, ErrMode err);
// Forwarded set: the request's fields into a zeroed record of `size` bytes
// (bad input: no answer), sent and waited for.
void forward_fields(const char* text, Fields fields, size_t size, IpcCode code, ErrMode err);
// The 8x12 schedule list of a channel's weekly schedule, with its header.
void answer_schedule(const char* table, int chn);

// A database page of one record per channel ("camId" picks the channel).
struct DbPage {
  int (*read)(const char* path, void* rec, int chn);
  int (*write)(const char* path, const void* rec);
  Fields get_fields;                  // printed by db_page_get
  std::span<const JsonRule> rules;    // checked before anything is stored
  Fields set_fields;                  // applied to the stored record
  void (*derive)(void* rec);          // members that follow others (masks), or null
  void (*notify)(const json_object* req, const void* rec);  // the daemon notice
  int32_t log_param;                  // operation log parameter, 0 for none
};
// Pattern A: channel text -> JSON of the record; no answer out of range.
void db_page_get(const DbPage& page, const char* text);
// Pattern B: check, read-modify-write, notice, log, "OK". Bad input gets no
// answer; a failed write gets the plain error answer and sends nothing.
void db_page_set(const DbPage& page, const char* text);

template <class Rec, int (*Read)(const char*, Rec*, int)>
int db_read(const char* path, void* rec, int chn) {
  return Read(path, static_cast<Rec*>(rec), chn);
}
template <class Rec, int (*Write)(const char*, const Rec*)>
int db_write(const char* path, const void* rec) {
  return Write(path, static_cast<const Rec*>(rec));
}

// Detection all day, every day (3209, 3252).
namespace video {
struct FullTimeSchedule;
}
video::FullTimeSchedule full_time_schedule(int chn);

// ---- Reply converters of the pages' files ----
struct IpcReply;
void on_get_osdconfig_cb(const IpcReply& r);
void on_set_osdconfig_cb(const IpcReply& r);
void on_get_motion_map_cb(const IpcReply& r);
void on_get_ipc_privacy_mask_cb(const IpcReply& r);
void on_get_camera_io_cb(const IpcReply& r);
void on_get_volume_detect_cb(const IpcReply& r);
