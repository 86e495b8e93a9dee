// PPPoE, DDNS, e-mail and multicast (/7010-/7034, /7094).
#include <json-c/json.h>

#include <climits>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/network/network_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_network.h"
#include "platform/net_helpers.h"

using namespace net;

namespace {
constexpr Field kPppoeFields[] = {
    FIELD_REQ(PppoeRec, enable, "enable", 0, 1),
    FIELD(PppoeRec, autoConnect, "autoConnect"),
    FIELD(PppoeRec, userName, "userName"),
    FIELD(PppoeRec, password, "password"),
};

// The page reads the ports as http_port / rtsp_port and sends them as http / rtsp.
constexpr Field kDdnsFields[] = {
    FIELD_REQ(DdnsRec, enable, "enable", 0, 1),
    FIELD(DdnsRec, domain, "domain"),
    FIELD(DdnsRec, userName, "userName"),
    FIELD(DdnsRec, password, "password"),
    FIELD(DdnsRec, hostName, "hostName"),
    FIELD(DdnsRec, ddnsurl, "ddnsurl"),
    FIELD(DdnsRec, freeDNSHash, "freeDNSHash"),
    FIELD_REQ(DdnsRec, updateFreq, "updateFreq", 0, INT32_MAX),
    FIELD_GET(DdnsRec, http_port, "http_port"),
    FIELD_GET(DdnsRec, rtsp_port, "rtsp_port"),
    FIELD_ALL(DdnsRec, http_port, "http", kFieldSetOnly, INT32_MIN, INT32_MAX),
    FIELD_ALL(DdnsRec, rtsp_port, "rtsp", kFieldSetOnly, INT32_MIN, INT32_MAX),
};

constexpr Field kEmailFields[] = {
    FIELD(EmailRec, enable, "enable"),
    FIELD(EmailRec, userName, "userName"),
    FIELD(EmailRec, password, "password"),
    FIELD(EmailRec, smtpServer, "smtpServer"),
    FIELD_REQ(EmailRec, smtpPort, "smtpPort", 0, INT32_MAX),
    FIELD(EmailRec, senderAddr, "senderAddr"),
    FIELD(EmailRec, senderName, "senderName"),
    FIELD_REQ(EmailRec, enableTls, "enableTls", 0, 2),
    FIELD_REQ(EmailRec, enableAttach, "enableAttach", 0, 1),
    FIELD_REQ(EmailRec, captureInterval, "captureInterval", 0, INT32_MAX),
};

constexpr Field kMailHostFields[] = {
    FIELD(PortRec, enableHostName, "enableHostName"),
    FIELD(PortRec, hostName, "hostName"),
};

constexpr Field kReceiverFields[] = {
    FIELD(MailReceiver, receiverAddr, "receiverAddr"),
    FIELD(MailReceiver, receiverName, "receiverName"),
};

constexpr Field kMulticastFields[] = {
    FIELD(MulticastRec, enable, "enable"),
    FIELD(MulticastRec, ip, "ip"),
};

// Stored, announced and logged: the common end of the service pages.
void finish_set(bool stored, const char* changed, int log_param) {
  if (!stored) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  send_settings_changed(changed);
  send_op_log(on_network_ipc_callback, kLogSubSetting, log_param, 0);
  answer_ok();
}
}  // namespace

void on_get_pppoe_info(char*) {
  PppoeRec rec{};
  read_pppoe(devpaths::kKvdb, &rec);
  JsonPtr obj = fields_json(&rec, kPppoeFields);
  char ip[64];
  if (net_get_ifaddr("ppp0", ip, sizeof ip) != 0) copy_text(ip, "0.0.0.0");
  json_add_text(obj.get(), "pppoeipaddr", ip);
  answer_json(obj);
}

void on_set_pppoe_info(char* text) {
  JsonPtr req = json_parse(text);
  PppoeRec rec{};
  read_pppoe(devpaths::kKvdb, &rec);
  if (!req || !fields_apply(req.get(), &rec, kPppoeFields)) return;
  finish_set(write_pppoe(devpaths::kKvdb, &rec) == 0, kChangedPppoe, kLogParamPppoe);
}

void on_get_ddns_info(char*) {
  DdnsRec rec{};
  read_ddns(devpaths::kKvdb, &rec);
  JsonPtr obj = fields_json(&rec, kDdnsFields);
  char mac[18] = "";
  get_mac_addr(mac, nullptr);
  json_add_text(obj.get(), "mac", mac);
  answer_json(obj);
}

void on_set_ddns_info(char* text) {
  JsonPtr req = json_parse(text);
  DdnsRec rec{};
  if (!req || !fields_apply(req.get(), &rec, kDdnsFields)) return;
  finish_set(write_ddns(devpaths::kKvdb, &rec) == 0, kChangedDdns, kLogParamDdns);
}

void on_get_email_info(char*) {
  EmailRec mail{};
  PortRec port{};
  read_email(devpaths::kKvdb, &mail);
  read_port(devpaths::kKvdb, &port);
  JsonPtr obj = fields_json(&mail, kEmailFields);
  fields_to_json(obj.get(), &port, kMailHostFields);
  json_object* list = json_object_new_array();
  for (const MailReceiver& r : mail.receivers) json_object_array_add(list, fields_json(&r, kReceiverFields).release());
  json_object_object_add(obj.get(), "receivers", list);
  answer_json(obj);
}

void on_set_email_info(char* text) {
  JsonPtr req = json_parse(text);
  EmailRec mail{};
  PortRec port{};
  read_email(devpaths::kKvdb, &mail);
  read_port(devpaths::kKvdb, &port);
  if (!req || !fields_check(req.get(), kEmailFields) || !fields_check(req.get(), kMailHostFields)) return;
  fields_from_json(req.get(), &mail, kEmailFields);
  fields_from_json(req.get(), &port, kMailHostFields);
  json_object* list = nullptr;
  json_get_array(req.get(), "receivers", &list);
  for (int i = 0; i < kReceivers; ++i) {
    mail.receivers[i] = MailReceiver{};
    if (json_object* item = json_array_at(list, static_cast<size_t>(i))) fields_apply(item, &mail.receivers[i], kReceiverFields);
  }
  bool stored = write_email(devpaths::kKvdb, &mail) == 0 && write_port(devpaths::kKvdb, &port) == 0;
  finish_set(stored, kChangedMail, kLogParamEmail);
}

void on_test_email(char*) {
  TestMailRequest req{};
  copy_text(req.text, "testmail");
  ipc_request(on_network_ipc_callback, kReqTestMail, req, ErrMode::kText);
}

void on_cgi_get_multicast(char*) {
  MulticastRec rec{};
  read_multicast(devpaths::kKvdb, &rec);
  answer_json(fields_json(&rec, kMulticastFields));
}

void on_cgi_set_multicast(char* text) {
  JsonPtr req = json_parse(text);
  MulticastRec rec{};
  read_multicast(devpaths::kKvdb, &rec);
  if (!req || !fields_apply(req.get(), &rec, kMulticastFields) || write_multicast(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_network_ipc_callback, kReqMulticast, rec, ErrMode::kJson);
}

void on_get_ddns_status(char*) { ipc_request(on_network_ipc_callback, kReqDdnsStatus, ErrMode::kJson); }
