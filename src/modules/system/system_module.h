// System and user module: shared declarations of its page families.
#pragma once
#include "common/ipc.h"

#include <cstdint>
#include <span>

void on_system_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_system_ipc_callback.
std::span<const IpcReplyRoute> system_reply_table();

// Service commands ("/vb.htm").
void on_http_option(char* text);

// Sign-in and session (login.cpp).
void on_user_login(char* text);            // "/1000"
void on_user_login_from_mail(char* text);  // "/1018"
void on_change_language(char* text);       // "/1001"
void on_user_login_from_mail_cb(const IpcReply& r);
// Makes sure the certificate directories exist.
void config_ssl_params();
// 32 random decimal digits and NUL into buf (at least 33 bytes); -1 when the
// system's random source failed.
int get_session_id(char* buf);
// Local time as "YYYY-MM-DD_hh_mm_ss" into buf (at least 32 bytes).
int time_to_string_local_ex(long seconds, char* buf);

// User accounts (users.cpp).
void on_get_user_list(char* text);                 // "/6070"
void on_add_new_user(char* text);                  // "/6071"
void on_set_user_info(char* text);                 // "/6072"
void on_del_user_info(char* text);                 // "/6073"
void on_get_oem_user_list(char* text);             // "/6074"
void on_modify_poe_camera_pwd(char* text);         // "/6075"
void on_apply_poe_camera_pwd(char* text);          // "/6076"
void on_cgi_set_user_info(char* text);             // "/6077"
void on_reset_kvfs_dbup(char* text);               // "/1023"
void on_reset_permission_update(char* text);       // "/1024"
void on_modify_poe_camera_pwd_cb(const IpcReply& r);
// Log search and export (log_handlers.cpp).
void on_get_log_info(char* text);        // "/1002"
void on_get_log_details(char* text);     // "/1021"
void on_download_logfile(char* text);    // "/1003"
void on_check_download_log(char* text);  // "/1022"
void on_get_log_type_list(char* text);   // "/1015"
void on_log_search_info_cb(const IpcReply& r);
void on_log_web_get_log_detail_cb(const IpcReply& r);
void on_log_web_export_info_cb(const IpcReply& r);

// Device information and host name (device_info_handlers.cpp).
void on_get_system_info(char* text);    // "/1009", "/1020"
void on_set_system_info(char* text);    // "/1012"
void on_add_operation_log(char* text);  // "/1014"
void on_get_system_info_cb(const IpcReply& r);
// The device number (1705) and the "hostname" notice (1702), without waiting.
void announce_device_number(int32_t number);
// General settings (general_handlers.cpp).
void on_get_general_info(char* text);  // "/6080"
void on_set_general_info(char* text);  // "/6081"
// UPnP and the address filter (access_handlers.cpp).
void on_get_upnp_info(char* text);      // "/1030"
void on_set_upnp_info(char* text);      // "/1031"
void on_get_access_filter(char* text);  // "/6300"
void on_set_access_filter(char* text);  // "/6301"
// Entry points of other clients (compat_handlers.cpp).
void on_get_lang_section(char* text);  // "/json"
void on_dw_download(char* text);       // "/dw.cgi"
void on_set_ipc_batch(char* text);     // "/ipc"

// One side of an account (permission under the given key, the ten rights,
// the two channel lists), shared by the account list and the sign-in reply.
struct json_object;
struct UserRec;
struct UserSide;
void add_user_side_json(json_object* o, const UserRec& u, const UserSide& side, const char* permission_key);
