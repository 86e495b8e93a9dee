// PTZ module: handlers and reply converters.
#pragma once
#include "cgi/dispatchreq.h"

#include <span>

#include "common/ipc.h"

void on_ptz_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_ptz_ipc_callback.
std::span<const IpcReplyRoute> ptz_reply_table();

// Operation log entry of a PTZ change (main type 4, sub type 206) for a 0-based channel.
void ptz_log(int param, int channel);

void on_send_ptz_cmd(char* text);
void on_preset_op(char* text);
void on_set_ptz_tour_run(char* text);
void on_set_ptz_tour_stop(char* text);
void on_set_ptz_pattern(char* text);
void on_get_ptz_info(char* text);
void on_set_ptz_preset_call(char* text);
void on_set_ptz_zomm(char* text);
void on_set_ipc_speed(char* text);
void on_cgi_set_ptz_control(char* text);
void on_cgi_get_led_status(char* text);
void on_cgi_get_ptz_basic(char* text);
void on_cgi_set_ptz_basic(char* text);
void on_get_ptzport_info(char* text);
void on_set_ptzport_info(char* text);
void on_get_ptzsupport_info(char* text);
void on_get_ptz_speed(char* text);
void on_set_ptz_speed(char* text);
void on_set_ptz_tour_set(char* text);
void on_set_fish_ptz_tour_set(char* text);
void on_set_ptz_tour_clear(char* text);
