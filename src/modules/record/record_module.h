// Record module: holidays, record schedules, recording modes and parameters.
#pragma once
#include "cgi/dispatchreq.h"

#include <span>

#include "common/ipc.h"

void on_record_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_record_ipc_callback.
std::span<const IpcReplyRoute> record_reply_table();

void on_get_holiday_info(char* text);
void on_set_holiday_info(char* text);
void on_get_record_info(char* text);
void on_set_record_info(char* text);
void on_get_record_modes(char* text);
void on_set_record_modes(char* text);
void on_get_record_params(char* text);
void on_set_record_params(char* text);
void on_get_record_support(char* text);
void on_get_record_channel_lists(char* text);
