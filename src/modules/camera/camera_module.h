// Camera parameter module: camera channels (add, edit, delete, search) and
// the settings the daemon forwards to the cameras.
#pragma once
#include "cgi/dispatchreq.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/fields.h"
#include "common/ipc.h"
#include "common/json_util.h"
#include "proto/camera_proto.h"

void on_camera_param_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_camera_param_ipc_callback.
std::span<const IpcReplyRoute> camera_reply_table();

// Channels and membership
void on_get_camera_list(char* text);
void on_get_camera_state(char* text);
void on_edit_camera(char* text);
void on_add_camera(char* text);
void on_del_camera(char* text);
void on_search_camera(char* text);
void on_get_camera_protocols(char* text);
void on_get_camera_names(char* text);
void on_test_camera_login(char* text);
void on_test_camera_login2(char* text);
void on_get_poe_password(char* text);
void on_set_camera_login(char* text);
void on_get_poe_count(char* text);
void on_set_camera_transport(char* text);
void on_get_ipv6_support(char* text);
void on_get_schedule_action(char* text);
void on_set_schedule_action_range(char* text);
void on_set_exposure(char* text);
void on_get_exposure(char* text);
// Streams and addresses
void on_get_stream_params(char* text);
void on_set_stream_params(char* text);
void on_set_camera_network(char* text);
void on_get_stream_by_time(char* text);
void on_set_multi_stream_params(char* text);
void on_set_multi_camera_network(char* text);
void on_get_camera_macs(char* text);
// Camera-side pages
void on_get_ipc_image_enhancement(char* text);
void on_set_ipc_image_enhancement(char* text);
void on_get_ipc_image_display(char* text);
void on_set_ipc_image_display(char* text);
void on_get_ipc_common_param(char* text);
void on_set_ipc_common_param(char* text);
void on_web_get_ipc_model_type(char* text);
void on_web_sendto_qt_cmd(char* text);
void on_web_get_chip_code(char* text);
void on_web_get_motion_status(char* text);
void on_web_get_channels_model(char* text);
void on_get_ipc_exposure_schedule(char* text);
void on_set_ipc_exposure_schedule(char* text);
void on_get_ipc_area(char* text);
void on_set_ipc_area(char* text);
void on_get_ipc_schedule_a(char* text);
void on_set_ipc_schedule_a(char* text);
void on_get_ipc_schedule_b(char* text);
void on_set_ipc_schedule_b(char* text);
void on_get_ipc_schedule_c(char* text);
void on_set_ipc_schedule_c(char* text);
void on_del_ipc_area(char* text);
void on_get_ipc_motion_map(char* text);
void on_set_ipc_motion_map(char* text);
void on_get_ipc_record_text(char* text);
void on_cgi_get_auto_tracking_status(char* text);
void on_cgi_set_auto_tracking_status(char* text);
void on_cgi_get_ptz_support(char* text);
void on_cgi_get_ipc_type(char* text);
void on_cgi_get_watermark(char* text);
void on_cgi_set_watermark(char* text);
void on_cgi_get_ipc_event_stream(char* text);
void on_cgi_set_ipc_event_stream(char* text);
void on_cgi_get_ipc_lpr_night_mode(char* text);
void on_cgi_get_ipc_audio_info(char* text);
void on_cgi_set_ipc_audio_info(char* text);
void on_cgi_get_ipc_system_info(char* text);
void on_cgi_get_ipc_custom_param(char* text);
// People counting, POS, report backup and face detection
void on_cgi_get_peoplecnt_settings(char* text);
void on_cgi_set_peoplecnt_settings(char* text);
void on_cgi_get_peoplecnt_action(char* text);
void on_cgi_set_peoplecnt_action(char* text);
void on_cgi_set_peoplecnt_db_reset(char* text);
void on_cgi_set_peoplecnt_liveview_reset(char* text);
void on_cgi_get_pos_info(char* text);
void on_cgi_set_pos_info(char* text);
void on_cgi_get_report_auto_backup(char* text);
void on_cgi_set_report_auto_backup(char* text);
void on_cgi_set_face_config(char* text);
// Camera firmware
void on_set_ipc_firmware_reset(char* text);
void on_get_ipc_upgrade_state(char* text);
void on_upgrade_ipc_firmware(char* text);
void on_stop_ipc_upgrade(char* text);
void on_check_upload_result(char* text);

// ---- Family helpers ----

// Channel "key" of a JSON request within 0..max-1, or -1.
int camera_channel_of(const char* text, const char* key, int max = camera::kChannels);
// Channels the recorder has ("max_cameras", at most 64).
int camera_channel_count();
// Forwarded get of {"<key>": channel}: bad input gets no answer.
void forward_camera_channel(const char* text, const char* key, IpcCode code, ErrMode err);
// Forwarded set: the request's fields into a zeroed record of `size`
// bytes (bad input: no answer); waited for (the converter answers) or,
// with err kNone, sent without waiting and answered "OK".
void forward_camera_fields(const char* text, Fields fields, size_t size, IpcCode code, ErrMode err);
// A fixed-width text of the daemon or the database as JSON: only its longest
// valid UTF-8 prefix, so a cut or foreign name never breaks the answer.
void json_add_utf8(json_object* obj, const char* key, const char* field, size_t width);
template <size_t N>
void json_add_utf8(json_object* obj, const char* key, const char (&field)[N]) {
  json_add_utf8(obj, key, field, N);
}
// Bytes of text that form whole UTF-8 characters, at most max.
size_t utf8_prefix(const char* text, size_t max);
// fields_to_json / fields_json with every text as json_add_utf8 prints it.
void camera_fields_to_json(json_object* obj, const void* rec, Fields f);
JsonPtr camera_fields_json(const void* rec, Fields f);
// The channel's on-screen name into obj under "name".
void add_channel_name(json_object* obj, int chn);

// Converters the handlers' files own.
void on_search_camera_cb(const IpcReply& r);
void on_get_camera_state_cb(const IpcReply& r);
void on_get_stream_params_cb(const IpcReply& r);
void on_report_backup_cb(const IpcReply& r);
