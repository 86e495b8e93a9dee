// Wired interfaces, MAC, IP conflicts and the default route (/7040-/7044,
// /7070, /7071, /7096).
#include <json-c/json.h>

#include <array>
#include <cctype>
#include <cstring>
#include <string>

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
constexpr int kIp6Auto = 2;  // the gateway is learnt, never taken from the page

// The page's keys of one interface: the first (and bond0) or the second.
struct IfaceKeys {
  const char* enable;
  const char* type;
  const char* ip;
  const char* netmask;
  const char* gateway;
  const char* mac;
  const char* dns1;
  const char* dns2;
  const char* mtu;
  const char* ip6type;
  const char* ip6addr;
  const char* ip6netmask;
  const char* ip6gateway;
};
constexpr IfaceKeys kFirstKeys = {"enableNetwork1", "networkType", "ipAddr",     "netmask",        "gateway",
                                  "macAddr",        "DNS1",        "DNS2",       "mtu",            "ip6networkType",
                                  "ip6Addr",        "ip6netmask",  "ip6gateway"};
constexpr IfaceKeys kSecondKeys = {"enableNetwork2", "networkType2", "ipAddr2",     "netmask2",        "gateway2",
                                   "macAddr2",       "DNS12",        "DNS22",       "mtu2",            "ip6networkType2",
                                   "ip6Addr2",       "ip6netmask2",  "ip6gateway2"};

// Everything the page sets on an interface but the IPv6 gateway.
constexpr std::array<Field, 11> iface_fields(const IfaceKeys& k) {
  return {{
      FIELD(NetIface, enableNetwork, k.enable),
      FIELD(NetIface, networkType, k.type),
      FIELD(NetIface, ipAddr, k.ip),
      FIELD(NetIface, netmask, k.netmask),
      FIELD(NetIface, gateway, k.gateway),
      FIELD(NetIface, mtu, k.mtu),
      FIELD(NetIface, dns1, k.dns1),
      FIELD(NetIface, dns2, k.dns2),
      FIELD(NetIface, ip6Type, k.ip6type),
      FIELD(NetIface, ip6Addr, k.ip6addr),
      FIELD(NetIface, ip6Prefix, k.ip6netmask),
  }};
}
constexpr auto kFirstFields = iface_fields(kFirstKeys);
constexpr auto kSecondFields = iface_fields(kSecondKeys);
constexpr Field kFirstGateway[] = {FIELD(NetIface, ip6Gateway, "ip6gateway")};
constexpr Field kSecondGateway[] = {FIELD(NetIface, ip6Gateway, "ip6gateway2")};

// Missing or mistyped keys leave the stored values.
void iface_from_json(const json_object* req, NetIface* f, Fields fields, Fields gateway) {
  fields_from_json(req, f, fields);
  if (f->ip6Type != kIp6Auto) fields_from_json(req, f, gateway);
}

void add_ipv4(json_object* o, const NetIface& f, const IfaceKeys& k) {
  json_add_int(o, k.enable, f.enableNetwork);
  json_add_int(o, k.type, f.networkType);
  json_add_field(o, k.ip, f.ipAddr);
  json_add_field(o, k.netmask, f.netmask);
  json_add_field(o, k.gateway, f.gateway);
}

void add_dns_mtu(json_object* o, const NetIface& f, const IfaceKeys& k) {
  json_add_field(o, k.dns1, f.dns1);
  json_add_field(o, k.dns2, f.dns2);
  json_add_int(o, k.mtu, f.mtu);
}

// Stored IPv6 values for a static address or a complete DHCP one; otherwise
// what the interface has now, each key only when it could be read.
void add_ipv6(json_object* o, const NetIface& f, const IfaceKeys& k, const char* ifname) {
  json_add_int(o, k.ip6type, f.ip6Type);
  if (f.ip6Type == 0 || (f.ip6Type == 1 && f.ip6Addr[0] && f.ip6Prefix[0])) {
    json_add_field(o, k.ip6addr, f.ip6Addr);
    json_add_field(o, k.ip6netmask, f.ip6Prefix);
    json_add_field(o, k.ip6gateway, f.ip6Gateway);
    return;
  }
  char addr[64], prefix[16], gateway[64];
  if (net_get_ipv6_ifaddr(f.ip6Type == 1 ? 1 : 0, ifname, addr, sizeof addr, prefix, sizeof prefix) == 0) {
    json_add_text(o, k.ip6addr, addr);
    json_add_text(o, k.ip6netmask, prefix);
  }
  if (net_get_ipv6_gateway2(ifname, 0, gateway, sizeof gateway) == 0 ||
      net_get_ipv6_gateway2(ifname, 1, gateway, sizeof gateway) == 0)
    json_add_text(o, k.ip6gateway, gateway);
}

void add_separate(json_object* o, const NetIface& f, const IfaceKeys& k, const char* ifname, const char* mac) {
  add_ipv4(o, f, k);
  add_ipv6(o, f, k, ifname);
  json_add_text(o, k.mac, mac);
  add_dns_mtu(o, f, k);
}

// "AABBCC..." as "AA:BB:CC...": a colon after every second character that
// is followed by a letter or digit.
std::string mac_with_colons(const char* raw) {
  std::string out;
  for (size_t i = 0; raw[i]; ++i) {
    out += raw[i];
    if (i % 2 == 1 && isalnum(static_cast<unsigned char>(raw[i + 1]))) out += ':';
  }
  return out;
}

void send_ip_query(const char* text, const char* dev) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  char ip[20] = "";
  if (json_get_text(req.get(), "ip", ip, sizeof ip) != JsonGet::kOk) return;
  if (!dev) {
    IpConflictQuery q{};
    copy_text(q.ip, ip);
    ipc_request(on_network_ipc_callback, kReqIpConflict, q, ErrMode::kText);
    return;
  }
  IpConflictDevQuery q{};
  if (json_get_text(req.get(), dev, q.dev, sizeof q.dev) != JsonGet::kOk) return;
  copy_text(q.ip, ip);
  ipc_request(on_network_ipc_callback, kReqIpConflictDev, q, ErrMode::kText);
}
}  // namespace

void on_get_network_info(char* text) {
  NetworkRec rec{};
  read_network(devpaths::kKvdb, &rec);
  int mode = 0;
  if (!text_int(text, 0, 2, &mode)) mode = rec.mode;
  char mac0[18] = "", mac1[18] = "";
  get_mac_addr(mac0, mac1);
  JsonPtr obj(json_object_new_object());
  json_object* o = obj.get();
  json_add_int(o, "mode", mode);
  json_add_field(o, "hostName", rec.hostName);
  if (mode != kModeSeparate) {
    const NetIface& bond = rec.iface[kIfaceBond];
    json_add_int(o, "primaryNet", rec.primaryNet);
    add_ipv4(o, bond, kFirstKeys);
    json_add_text(o, kFirstKeys.mac, mac0);
    add_dns_mtu(o, bond, kFirstKeys);
    add_ipv6(o, bond, kFirstKeys, "bond0");
  } else {
    add_separate(o, rec.iface[kIfaceEth0], kFirstKeys, "eth0", mac0);
    add_separate(o, rec.iface[kIfaceEth1], kSecondKeys, "eth1", mac1);
  }
  json_add_int(o, "defaultRoute", rec.defaultRoute);
  answer_json(obj);
}

void on_set_network_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  NetworkRec rec{};
  if (read_network(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  int mode = rec.mode, conflict = 0, slave_clear = 0;
  json_get_int(req.get(), "mode", &mode);
  json_get_int(req.get(), "Conflict", &conflict);
  json_get_int(req.get(), "slaveClear", &slave_clear);
  // Only the three modes exist; another number keeps the stored one.
  if (mode >= kModeSeparate && mode <= kModePrimary) rec.mode = mode;
  if (rec.mode == kModePrimary) json_get_int(req.get(), "primaryNet", &rec.primaryNet);
  int stored;
  if (rec.mode == kModeSeparate) {
    iface_from_json(req.get(), &rec.iface[kIfaceEth0], kFirstFields, kFirstGateway);
    iface_from_json(req.get(), &rec.iface[kIfaceEth1], kSecondFields, kSecondGateway);
    json_get_int(req.get(), "defaultRoute", &rec.defaultRoute);
    stored = write_network_muti(devpaths::kKvdb, &rec);
  } else {
    iface_from_json(req.get(), &rec.iface[kIfaceBond], kFirstFields, kFirstGateway);
    stored = write_network_bond(devpaths::kKvdb, &rec);
  }
  if (stored != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_network_ipc_callback, kReqSlaveClear, int32_t{slave_clear});
  send_settings_changed(kChangedNetwork);
  send_net_log(kLogMainOperation, kLogSubSetting, kLogParamNetwork);
  if (conflict == 1) send_net_log(kLogMainIpConflict, kLogSubIpConflict, kLogParamNetwork);
  answer_ok();
}

void on_get_network_mode(char*) {
  char text[16];
  snprintf(text, sizeof text, "%d", read_network_mode(devpaths::kKvdb));
  answer_text(text);
}

void on_restart_network(char*) {
  ipc_send(on_network_ipc_callback, kReqRestartNetwork, RestartNetworkRequest{});
  answer_ok();
}

void on_get_mac0(char*) {
  char raw[32] = "";
  read_mac_conf(raw, nullptr, sizeof raw);
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "mac0", mac_with_colons(raw).c_str());
  answer_json(obj);
}

void on_ip_conflict(char* text) { send_ip_query(text, nullptr); }

void on_ip_conflict_by_dev(char* text) { send_ip_query(text, "dev"); }

void on_cgi_set_default_route(char* text) {
  JsonPtr req = json_parse(text);
  int32_t route = 0;
  NetworkRec rec{};
  if (!req || json_get_int(req.get(), "defaultRoute", &route) != JsonGet::kOk ||
      read_network(devpaths::kKvdb, &rec) != 0 || write_network_default_route(devpaths::kKvdb, route) != 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_network_ipc_callback, kReqDefaultRoute, route, ErrMode::kJson);
}
