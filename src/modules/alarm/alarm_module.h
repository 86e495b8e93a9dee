// Alarm module: recorder alarm inputs and outputs, camera alarm ports.
#pragma once
#include "cgi/dispatchreq.h"

#include <json-c/json.h>

#include <cstdint>
#include <span>

#include "common/ipc.h"

void on_alarm_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_alarm_ipc_callback: the camera port states.
std::span<const IpcReplyRoute> alarm_reply_table();
void on_camera_in_status_cb(const IpcReply& r);
void on_camera_out_status_cb(const IpcReply& r);

// Bit n for character n == '1' of a channel string (at most 64 characters).
uint64_t alarm_channel_mask(const char* s);
// Adds src's members named in keys to dst, in the order of keys (absent ones skipped).
void json_take_keys(json_object* dst, json_object* src, std::span<const char* const> keys);

void on_get_alarm_out_list(char* text);
void on_get_alarm_out(char* text);
void on_set_alarm_out(char* text);
void on_set_alarm_out_manual(char* text);
void on_get_all_alarmout_names(char* text);
void on_set_camera_alarm_output_state(char* text);
void on_get_all_alarmin_names(char* text);
void on_get_alarm_in_list(char* text);
void on_get_alarm_in(char* text);
void on_set_alarm_in(char* text);
void on_set_alarm_in_name(char* text);
void on_set_alarm_in_actions(char* text);
void on_get_camera_alarm_input(char* text);
void on_set_camera_alarm_input(char* text);
void on_get_nvr_alarm_input(char* text);
void on_set_nvr_alarm_input(char* text);
void on_get_camera_alarm_output(char* text);
void on_set_camera_alarm_output(char* text);
