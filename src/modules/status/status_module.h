// Status module: the device status pages and the packet capture.
#pragma once
#include "cgi/dispatchreq.h"

#include <span>

#include "common/ipc.h"
#include "common/json_util.h"
#include "proto/status_proto.h"

void on_status_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_status_ipc_callback.
std::span<const IpcReplyRoute> status_reply_table();

void on_get_network_interfaces(char* text);
void on_get_network_traffic(char* text);
void on_get_camera_status(char* text);
void on_get_alarm_status(char* text);
void on_status_reserved(char* text);
void on_start_packet_capture(char* text);
void on_stop_packet_capture(char* text);
void on_download_packet_capture(char* text);
void on_get_memory_status(char* text);
void on_get_channel_capability(char* text);
void on_get_disk_group_status(char* text);
void on_cgi_get_online_user_status(char* text);

// Answer bodies that join daemon entries with the stored camera settings.
JsonPtr camera_status_json(const status::CameraStatus* entries, int count);
JsonPtr alarm_status_json(const status::AlarmStates& st);
