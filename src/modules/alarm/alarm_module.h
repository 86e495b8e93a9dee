// Alarm module: recorder alarm inputs and outputs, camera output control.
#pragma once
#include "cgi/dispatchreq.h"

#include <cstdint>
#include <span>

#include "common/ipc.h"

void on_alarm_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_alarm_ipc_callback (none of these pages waits yet).
std::span<const IpcReplyRoute> alarm_reply_table();

// Bit n for character n == '1' of a channel string (at most 64 characters).
uint64_t alarm_channel_mask(const char* s);

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
