// Network module: handlers, the reply callback and the helpers its pages share.
#pragma once
#include "cgi/dispatchreq.h"

#include <span>

#include "common/ipc.h"

void on_network_ipc_callback(void* ctx, void* head, void* payload);
// The rows behind on_network_ipc_callback.
std::span<const IpcReplyRoute> network_reply_table();

void on_get_time_info(char* text);
void on_set_time_info(char* text);
void on_get_pppoe_info(char* text);
void on_set_pppoe_info(char* text);
void on_get_ddns_info(char* text);
void on_set_ddns_info(char* text);
void on_get_email_info(char* text);
void on_set_email_info(char* text);
void on_test_email(char* text);
void on_cgi_get_multicast(char* text);
void on_cgi_set_multicast(char* text);
void on_get_network_info(char* text);
void on_set_network_info(char* text);
void on_get_network_mode(char* text);
void on_restart_network(char* text);
void on_get_mac0(char* text);
void on_get_port_info(char* text);
void on_set_port_info(char* text);
void on_ip_conflict(char* text);
void on_ip_conflict_by_dev(char* text);
void on_get_snmp_info(char* text);
void on_set_snmp_info(char* text);
void on_get_access_info(char* text);
void on_get_poe_max(char* text);
void on_get_ddns_status(char* text);
void on_cgi_set_default_route(char* text);

// HTTPS certificates.
void on_create_https_cert(char* text);
void on_get_cert_info(char* text);
void on_download_cert_req(char* text);
void on_delete_cert_req(char* text);
void on_install_cert(char* text);
void on_delete_cert(char* text);
void on_set_https_enable(char* text);
void on_get_https_enable(char* text);
void on_get_cert_req_info(char* text);
void on_create_https_cert_cb(const IpcReply& r);
void on_install_cert_cb(const IpcReply& r);

// P2P registration.
void on_get_p2p_info(char* text);
void on_set_p2p_info(char* text);
void on_test_p2p(char* text);
void on_cgi_p2p_unbind_device(char* text);
void on_p2p_status_info_cb(const IpcReply& r);
void on_enable_p2p_cb(const IpcReply& r);
void on_disable_p2p_cb(const IpcReply& r);
void on_cgi_p2p_unbind_device_cb(const IpcReply& r);

// Settings-changed notice (1702), never waited.
void send_settings_changed(const char* what);
// A log record of this module with its own main type (the IP-conflict entry).
void send_net_log(int32_t main_type, int64_t sub_type, int param_type);

// True when a changed port may not be taken: inside the PoE cameras' range
// for `poe_ports`, or in use on this machine. An unchanged port is never tested.
bool port_refused(int port, int stored, int poe_ports);
