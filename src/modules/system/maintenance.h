// Maintenance and upgrade pages of the system module: restart and reset,
// configuration export and import, firmware and camera upgrade, branding
// package, automatic maintenance, diagnostics, alarm audio files.
#pragma once
#include <string>

#include "common/ipc.h"

// Restart, reset, configuration, retention, automatic reboot (maintenance.cpp).
void on_restart_device(char* text);             // "/1004"
void on_get_restart_state(char* text);          // "/1005"
void on_restore_device(char* text);             // "/1006"
void on_export_config(char* text);              // "/1007"
void on_import_config(char* text);              // "/1008"
void on_upgrade_system(char* text);             // "/1010"
void on_clean_upgrade_files(char* text);        // "/1011"
void on_download_config(char* text);            // "/1013"
void on_get_auto_maintenance(char* text);       // "/1016"
void on_set_auto_maintenance(char* text);       // "/1017"
void on_upgrade_nothing(char* text);            // "/1019"
void on_get_auto_reboot(char* text);            // "/1032"
void on_set_auto_reboot(char* text);            // "/1033"
void on_cgi_upgrade_system_init(char* text);    // "/1034"
void on_upgrade_result_cb(const IpcReply& r);   // 6713

// Camera and online upgrade (upgrade_online.cpp).
void on_upgrade_camera(char* text);             // "/6082"
void on_start_upgrade_camera(char* text);       // "/6083"
void on_stop_upgrade_camera(char* text);        // "/6084"
void on_get_online_upgrade(char* text);         // "/6085"
void on_del_online_upgrade(char* text);         // "/6086"
void on_check_nvr_online_upgrade(char* text);   // "/6087"
void on_nvr_online_upgrade(char* text);         // "/6088"
void on_check_ipc_online_upgrade(char* text);   // "/6089"
void on_start_upgrade_camera_cb(const IpcReply& r);
void on_check_nvr_online_upgrade_cb(const IpcReply& r);
void on_check_ipc_online_upgrade_cb(const IpcReply& r);

// Branding package, diagnostics, alarm audio files (maint_files.cpp).
void on_upload_oem(char* text);                 // "/oem"
void on_export_diagnosis(char* text);           // "/6310"
void on_download_diagnosis(char* text);         // "/6311"
void on_get_audio_file_list(char* text);        // "/6320"
void on_upload_audio_file(char* text);          // "/6321"
void on_add_audio_file(char* text);             // "/6322"
void on_del_audio_file(char* text);             // "/6323"
void on_rename_audio_file(char* text);          // "/6324"
void on_play_audio_file(char* text);            // "/6325"
void on_export_diagnosis_cb(const IpcReply& r);
void on_get_audio_file_list_cb(const IpcReply& r);
void on_audio_status_cb(const IpcReply& r);

// ---- Files the maintenance pages take from a request ----

// The part of an upload text before " & " (the stored path), and after it.
std::string upload_path_part(const char* text);
std::string upload_option_part(const char* text);
// The stored path of the upload text when it is the file the front end
// stored for this request, directly in the temporary directory; "" otherwise.
std::string own_upload(const char* text);
// Root path of a plain file named `name` directly in the temporary directory
// (no separator, no leading dot, not a link); "" otherwise.
std::string tmp_file_named(const char* name);
// The device path ("/tmp/x") of a path under the device root.
std::string device_path_of(const std::string& path);
// Writes the file as a download and removes it; false when it cannot be opened.
bool send_attachment_and_remove(const std::string& path);
