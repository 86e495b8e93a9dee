// Storage module: handlers, reply converters and shared state.
#pragma once
#include "cgi/dispatchreq.h"

#include <span>

#include "common/ipc.h"

void on_storage_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_storage_ipc_callback.
std::span<const IpcReplyRoute> storage_reply_table();

// True when the last format request's reply reported success.
bool format_succeeded();

void on_get_disk_info(char* text);
void on_set_disk_info(char* text);
void on_format_disk(char* text);
void on_get_format_progress(char* text);
void on_create_raid(char* text);
void on_remove_raid(char* text);
void on_set_hot_space(char* text);
void on_rebuild_raid(char* text);
void on_get_raid_mode(char* text);
void on_set_raid_mode(char* text);
void on_del_disk_nas(char* text);
void on_add_disk_nas(char* text);
void on_search_disk_nas(char* text);
void on_update_disk_nas(char* text);
void on_set_recycle_mode(char* text);
void on_get_recycle_mode(char* text);
void on_get_smart_attr(char* text);
void on_del_disk(char* text);
void on_get_quota_info(char* text);
void on_set_quota_info(char* text);
void on_set_disk_group(char* text);
void on_get_esata_auto_backup_info(char* text);
void on_set_esata_auto_backup_info(char* text);
void on_get_esata_auto_backup_status(char* text);
void on_get_export_disk_info(char* text);
void on_format_esata_disk_web(char* text);
void on_cgi_get_auto_backup_status(char* text);
void on_cgi_set_auto_backup_stop(char* text);
void on_cgi_get_format_info(char* text);

#include "common/json_util.h"
#include "proto/storage_proto.h"

// Answer bodies built from daemon records and the stored disks and groups.
JsonPtr disk_list_json(const storage::DiskInfo* disks, int count);
JsonPtr quota_json(const storage::QuotaRecord* quota);
