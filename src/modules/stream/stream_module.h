// Stream module: live view and playback session handlers, reply converters
// and the session memory they share.
#pragma once
#include "cgi/dispatchreq.h"

#include <cstdint>
#include <span>

#include "common/ipc.h"

void on_stream_callback(void* ctx, void* head, void* payload);
// The rows behind on_stream_callback.
std::span<const IpcReplyRoute> stream_reply_table();

// What the opening reply of a playback (1162, 3109) hands back through ipc_result().
inline constexpr int32_t kSessionOpened = 1;
inline constexpr int32_t kSessionRefused = 2;

// The session being opened, kept for the rest of the request: the start
// request's own or the one the daemon opened.
struct SessionMemory {
  int32_t sid;
  char play_time[32];
};
void session_remember(int32_t sid, const char* play_time);
SessionMemory session_recalled();

void on_search_playback(char* text);
void on_search_playback_page(char* text);
void on_start_playback(char* text);
void on_start_playback_mask(char* text);
void on_get_playback_time(char* text);
void on_stop_playback(char* text);
void on_pause_playback(char* text);
void on_resume_playback(char* text);
void on_step_foward_playback(char* text);
void on_step_playback_batch(char* text);
void on_fastforward_playback(char* text);
void on_slowforward_playback(char* text);
void on_set_speed_playback(char* text);
void on_jump_playback(char* text);
void on_start_live(char* text);
void on_stop_live(char* text);
void on_stop_all_live(char* text);
void on_log_live_view(char* text);
void on_log_channel_event(char* text);
void on_log_channel_user_event(char* text);
void on_check_channel_a(char* text);
void on_check_channel_b(char* text);
void on_set_playback_transcoding(char* text);
void on_get_playback_transcoding(char* text);
void on_download_playback(char* text);
void on_get_download_status(char* text);
void on_stop_download(char* text);
void on_get_rtsp_addr(char* text);
void on_get_extern_ports(char* text);
void on_get_image_param(char* text);
void on_set_image_param(char* text);
void on_reset_image_param(char* text);
void on_get_stream_busy(char* text);

// The download busy marker exists.
bool download_busy();
// Image value 0..255 as the percent the operation log shows (128 -> 50).
int32_t image_percent(int32_t value);
