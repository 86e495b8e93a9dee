#include "platform/kvdb_network.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "base/text.h"
#include "platform/kvdb.h"

namespace net {
namespace {
// Families of one row (id 0) share the read and write pair.
int read_row(const char* db, const kvdb::Family& f, void* r) { return kvdb::read_one(db, f, nullptr, {{"id", 0}}, r); }
int write_row(const char* db, const kvdb::Family& f, const void* r) {
  return kvdb::write_one(db, f, nullptr, {{"id", 0}}, r);
}
template <class Rec>
int put_row(kvdb::Txn& t, const kvdb::Family& f, const Rec& r) {
  return t.put(f, nullptr, {{"id", 0}}, &r);
}

// ---- Time ----
int factory_time(kvdb::Txn& t);
constexpr kvdb::Column kTimeCols[] = {
    KVDB_KEY("id"),           KVDB_COL(TimeRec, ntpEnable),  KVDB_COL(TimeRec, dstEnable),
    KVDB_COL(TimeRec, timeZone), KVDB_COL(TimeRec, timeZoneName), KVDB_COL(TimeRec, ntpServer),
    KVDB_COL(TimeRec, syncEnable), KVDB_COL(TimeRec, syncInterval), KVDB_COL(TimeRec, syncPc),
};
constexpr kvdb::Family kTimeFamily = kvdb::family<TimeRec>("time", "time", kTimeCols, 1, factory_time);
KVDB_REGISTER(kTimeFamily);
int factory_time(kvdb::Txn& t) {
  TimeRec r{};
  r.ntpEnable = 1;
  copy_text(r.timeZone, "UTC0");
  copy_text(r.timeZoneName, "UTC");
  copy_text(r.ntpServer, "pool.ntp.org");
  r.syncInterval = 24;
  return put_row(t, kTimeFamily, r);
}

// ---- PPPoE ----
int factory_pppoe(kvdb::Txn& t);
constexpr kvdb::Column kPppoeCols[] = {
    KVDB_KEY("id"), KVDB_COL(PppoeRec, enable), KVDB_COL(PppoeRec, autoConnect),
    KVDB_COL(PppoeRec, userName), KVDB_COL(PppoeRec, password),
};
constexpr kvdb::Family kPppoeFamily = kvdb::family<PppoeRec>("pppoe", "pppoe", kPppoeCols, 1, factory_pppoe);
KVDB_REGISTER(kPppoeFamily);
int factory_pppoe(kvdb::Txn& t) {
  PppoeRec r{};
  r.autoConnect = 1;
  return put_row(t, kPppoeFamily, r);
}

// ---- DDNS ----
int factory_ddns(kvdb::Txn& t);
constexpr kvdb::Column kDdnsCols[] = {
    KVDB_KEY("id"),           KVDB_COL(DdnsRec, enable),     KVDB_COL(DdnsRec, domain),
    KVDB_COL(DdnsRec, userName), KVDB_COL(DdnsRec, password), KVDB_COL(DdnsRec, hostName),
    KVDB_COL(DdnsRec, freeDNSHash), KVDB_COL(DdnsRec, updateFreq), KVDB_COL(DdnsRec, http_port),
    KVDB_COL(DdnsRec, rtsp_port), KVDB_COL(DdnsRec, ddnsurl),
};
constexpr kvdb::Family kDdnsFamily = kvdb::family<DdnsRec>("ddns", "ddns", kDdnsCols, 1, factory_ddns);
KVDB_REGISTER(kDdnsFamily);
int factory_ddns(kvdb::Txn& t) {
  DdnsRec r{};
  r.updateFreq = 10;
  r.http_port = 80;
  r.rtsp_port = 554;
  return put_row(t, kDdnsFamily, r);
}

// ---- E-mail ----
int factory_email(kvdb::Txn& t);
#define MAIL_RECEIVER_COLS(i)                                                              \
  KVDB_COL_AS(EmailRec, receivers[i].receiverAddr, "receiverAddr" #i),                    \
      KVDB_COL_AS(EmailRec, receivers[i].receiverName, "receiverName" #i)
constexpr kvdb::Column kEmailCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(EmailRec, enable),
    KVDB_COL(EmailRec, userName),
    KVDB_COL(EmailRec, password),
    KVDB_COL(EmailRec, smtpServer),
    KVDB_COL(EmailRec, smtpPort),
    KVDB_COL(EmailRec, senderAddr),
    KVDB_COL(EmailRec, senderName),
    KVDB_COL(EmailRec, enableTls),
    KVDB_COL(EmailRec, enableAttach),
    KVDB_COL(EmailRec, captureInterval),
    MAIL_RECEIVER_COLS(0),
    MAIL_RECEIVER_COLS(1),
    MAIL_RECEIVER_COLS(2),
};
#undef MAIL_RECEIVER_COLS
static_assert(kReceivers == 3, "one column pair per receiver");
constexpr kvdb::Family kEmailFamily = kvdb::family<EmailRec>("email", "email", kEmailCols, 1, factory_email);
KVDB_REGISTER(kEmailFamily);
int factory_email(kvdb::Txn& t) {
  EmailRec r{};
  r.smtpPort = 25;
  r.enableAttach = 1;
  r.captureInterval = 2;
  return put_row(t, kEmailFamily, r);
}

// ---- Ports ----
int factory_port(kvdb::Txn& t);
constexpr kvdb::Column kPortCols[] = {
    KVDB_KEY("id"),           KVDB_COL(PortRec, enableSsh),   KVDB_COL(PortRec, sshPort),
    KVDB_COL(PortRec, httpPort), KVDB_COL(PortRec, rtspPort),  KVDB_COL(PortRec, servicePort),
    KVDB_COL(PortRec, hostName), KVDB_COL(PortRec, enableHostName), KVDB_COL(PortRec, httpsPort),
};
constexpr kvdb::Family kPortFamily = kvdb::family<PortRec>("port", "port", kPortCols, 1, factory_port);
KVDB_REGISTER(kPortFamily);
int factory_port(kvdb::Txn& t) {
  PortRec r{};
  r.sshPort = 22;
  r.httpPort = 80;
  r.rtspPort = 554;
  r.servicePort = 7100;
  copy_text(r.hostName, "nvr");
  r.httpsPort = 443;
  return put_row(t, kPortFamily, r);
}

// ---- Network: the head row and one row per interface ----
struct NetworkHead {
  int32_t mode;
  char hostName[64];
  int32_t primaryNet;
  int32_t defaultRoute;
};
int factory_network(kvdb::Txn& t);
constexpr kvdb::Column kNetworkCols[] = {
    KVDB_KEY("id"), KVDB_COL(NetworkHead, mode), KVDB_COL(NetworkHead, hostName),
    KVDB_COL(NetworkHead, primaryNet), KVDB_COL(NetworkHead, defaultRoute),
};
constexpr kvdb::Family kNetworkFamily =
    kvdb::family<NetworkHead>("network", "network", kNetworkCols, 1, factory_network);
KVDB_REGISTER(kNetworkFamily);

constexpr kvdb::Column kIfaceCols[] = {
    KVDB_KEY("iface"),          KVDB_COL(NetIface, enableNetwork), KVDB_COL(NetIface, networkType),
    KVDB_COL(NetIface, ipAddr),    KVDB_COL(NetIface, netmask),       KVDB_COL(NetIface, gateway),
    KVDB_COL(NetIface, dns1),      KVDB_COL(NetIface, dns2),          KVDB_COL(NetIface, mtu),
    KVDB_COL(NetIface, ip6Type),   KVDB_COL(NetIface, ip6Addr),       KVDB_COL(NetIface, ip6Prefix),
    KVDB_COL(NetIface, ip6Gateway),
};
// Its rows come with the network family's factory row.
constexpr kvdb::Family kIfaceFamily = kvdb::family<NetIface>("network_iface", "network_iface", kIfaceCols, 1);
KVDB_REGISTER(kIfaceFamily);

NetIface factory_iface(const char* ip, const char* gateway) {
  NetIface f{};
  f.enableNetwork = 1;
  copy_text(f.ipAddr, ip);
  copy_text(f.netmask, "255.255.255.0");
  copy_text(f.gateway, gateway);
  copy_text(f.dns1, gateway);
  f.mtu = 1500;
  return f;
}

int put_iface(kvdb::Txn& t, int i, const NetIface& f) { return t.put(kIfaceFamily, nullptr, {{"iface", i}}, &f); }

int factory_network(kvdb::Txn& t) {
  NetworkHead h{};
  copy_text(h.hostName, "NVR");
  const NetIface lan = factory_iface("192.168.1.100", "192.168.1.1");
  if (put_row(t, kNetworkFamily, h) != 0 || put_iface(t, kIfaceEth0, lan) != 0 ||
      put_iface(t, kIfaceEth1, factory_iface("192.168.2.100", "192.168.2.1")) != 0)
    return -1;
  return put_iface(t, kIfaceBond, lan);
}

// Stores the mode and the listed interfaces; `edit` changes the stored head.
template <class Edit>
int write_network_view(const char* db, const NetworkRec* r, std::initializer_list<int> ifaces, Edit edit) {
  if (!r) return -1;
  return kvdb::transact(db, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    NetworkHead h{};
    if (t.get(kNetworkFamily, nullptr, {{"id", 0}}, &h) < 0) return -1;
    h.mode = r->mode;
    edit(h);
    if (put_row(t, kNetworkFamily, h) != 0) return -1;
    for (int i : ifaces)
      if (put_iface(t, i, r->iface[i]) != 0) return -1;
    return 0;
  }, &kNetworkFamily);  // the interfaces are kept in the same file
}

// ---- Multicast ----
int factory_multicast(kvdb::Txn& t);
constexpr kvdb::Column kMulticastCols[] = {KVDB_KEY("id"), KVDB_COL(MulticastRec, enable), KVDB_COL(MulticastRec, ip)};
constexpr kvdb::Family kMulticastFamily =
    kvdb::family<MulticastRec>("multicast", "multicast", kMulticastCols, 1, factory_multicast);
KVDB_REGISTER(kMulticastFamily);
int factory_multicast(kvdb::Txn& t) {
  MulticastRec r{};
  copy_text(r.ip, "239.1.1.1");
  return put_row(t, kMulticastFamily, r);
}

// ---- SNMP ----
int factory_snmp(kvdb::Txn& t);
constexpr kvdb::Column kSnmpCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(SnmpRec, v1_enable),
    KVDB_COL(SnmpRec, v2c_enable),
    KVDB_COL(SnmpRec, write_community),
    KVDB_COL(SnmpRec, read_community),
    KVDB_COL(SnmpRec, v3_enable),
    KVDB_COL(SnmpRec, read_security_name),
    KVDB_COL(SnmpRec, read_level_security),
    KVDB_COL(SnmpRec, read_auth_algorithm),
    KVDB_COL(SnmpRec, read_auth_password),
    KVDB_COL(SnmpRec, read_pri_algorithm),
    KVDB_COL(SnmpRec, read_pri_password),
    KVDB_COL(SnmpRec, write_security_name),
    KVDB_COL(SnmpRec, write_level_security),
    KVDB_COL(SnmpRec, write_auth_algorithm),
    KVDB_COL(SnmpRec, write_auth_password),
    KVDB_COL(SnmpRec, write_pri_algorithm),
    KVDB_COL(SnmpRec, write_pri_password),
    KVDB_COL(SnmpRec, port),
};
constexpr kvdb::Family kSnmpFamily = kvdb::family<SnmpRec>("snmp", "snmp", kSnmpCols, 1, factory_snmp);
KVDB_REGISTER(kSnmpFamily);
int factory_snmp(kvdb::Txn& t) {
  SnmpRec r{};
  copy_text(r.write_community, "private");
  copy_text(r.read_community, "public");
  r.port = 161;
  return put_row(t, kSnmpFamily, r);
}

// ---- Push messages ----
constexpr kvdb::Column kPushCols[] = {KVDB_COL(PushEvent, channel), KVDB_COL(PushEvent, mask)};
constexpr kvdb::Family kPushFamily = kvdb::family<PushEvent>("push_msg_event", "push_msg_event", kPushCols, 1);
KVDB_REGISTER(kPushFamily);

int factory_push_nvr(kvdb::Txn& t);
constexpr kvdb::Column kPushNvrCols[] = {KVDB_KEY("id"), KVDB_COL(PushNvrEvent, events)};
constexpr kvdb::Family kPushNvrFamily =
    kvdb::family<PushNvrEvent>("push_msg_nvr_event", "push_msg_nvr_event", kPushNvrCols, 1, factory_push_nvr);
KVDB_REGISTER(kPushNvrFamily);
int factory_push_nvr(kvdb::Txn& t) { return put_row(t, kPushNvrFamily, PushNvrEvent{}); }
}  // namespace

int read_time(const char* db, TimeRec* r) { return read_row(db, kTimeFamily, r); }
int write_time(const char* db, const TimeRec* r) { return write_row(db, kTimeFamily, r); }
int read_pppoe(const char* db, PppoeRec* r) { return read_row(db, kPppoeFamily, r); }
int write_pppoe(const char* db, const PppoeRec* r) { return write_row(db, kPppoeFamily, r); }
int read_ddns(const char* db, DdnsRec* r) { return read_row(db, kDdnsFamily, r); }
int write_ddns(const char* db, const DdnsRec* r) { return write_row(db, kDdnsFamily, r); }
int read_email(const char* db, EmailRec* r) { return read_row(db, kEmailFamily, r); }
int write_email(const char* db, const EmailRec* r) { return write_row(db, kEmailFamily, r); }
int read_port(const char* db, PortRec* r) { return read_row(db, kPortFamily, r); }
int write_port(const char* db, const PortRec* r) { return write_row(db, kPortFamily, r); }
int read_multicast(const char* db, MulticastRec* r) { return read_row(db, kMulticastFamily, r); }
int write_multicast(const char* db, const MulticastRec* r) { return write_row(db, kMulticastFamily, r); }
int read_snmp(const char* db, SnmpRec* r) { return read_row(db, kSnmpFamily, r); }
int write_snmp(const char* db, const SnmpRec* r) { return write_row(db, kSnmpFamily, r); }

int read_network(const char* db, NetworkRec* r) {
  if (!r) return -1;
  *r = NetworkRec{};
  NetworkHead h{};
  int rc = kvdb::transact(db, kvdb::Txn::kRead, [&](kvdb::Txn& t) {
    if (t.get(kNetworkFamily, nullptr, {{"id", 0}}, &h) != 0) return -1;
    for (int i = 0; i < kIfaceCount; ++i)
      if (t.get(kIfaceFamily, nullptr, {{"iface", i}}, &r->iface[i]) < 0) return -1;
    return 0;
  }, &kNetworkFamily);
  if (rc != 0) {
    *r = NetworkRec{};
    return -1;
  }
  r->mode = h.mode;
  copy_field(r->hostName, h.hostName);
  r->primaryNet = h.primaryNet;
  r->defaultRoute = h.defaultRoute;
  return 0;
}

int write_network_muti(const char* db, const NetworkRec* r) {
  return write_network_view(db, r, {kIfaceEth0, kIfaceEth1},
                            [&](NetworkHead& h) { h.defaultRoute = r->defaultRoute; });
}

int write_network_bond(const char* db, const NetworkRec* r) {
  return write_network_view(db, r, {kIfaceBond}, [&](NetworkHead& h) { h.primaryNet = r->primaryNet; });
}

int read_network_mode(const char* db) {
  NetworkHead h{};
  return read_row(db, kNetworkFamily, &h) == 0 ? h.mode : -1;
}

int write_network_default_route(const char* db, int route) {
  return kvdb::transact(db, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    NetworkHead h{};
    if (t.get(kNetworkFamily, nullptr, {{"id", 0}}, &h) < 0) return -1;
    h.defaultRoute = route;
    return put_row(t, kNetworkFamily, h);
  }, &kNetworkFamily);
}

int put_network_host_name(kvdb::Txn& t, const char* name) {
  NetworkHead h{};
  if (t.get(kNetworkFamily, nullptr, {{"id", 0}}, &h) < 0) return -1;
  copy_text(h.hostName, name);
  return put_row(t, kNetworkFamily, h);
}

int read_push_msg_events(const char* db, int32_t* masks, int n) {
  if (!masks || n <= 0) return -1;
  std::vector<PushEvent> rows(static_cast<size_t>(n));
  int count = 0;
  for (int i = 0; i < n; ++i) masks[i] = 0;
  int rc = kvdb::read_list(db, kPushFamily, nullptr, {}, rows.data(), n, &count);
  for (int i = 0; i < count; ++i)
    if (rows[i].channel >= 0 && rows[i].channel < n) masks[rows[i].channel] = rows[i].mask;
  return rc;
}

int write_push_msg_event(const char* db, const PushEvent* e) {
  return e ? kvdb::write_one(db, kPushFamily, nullptr, {}, e) : -1;
}

int read_push_msg_nvr_event(const char* db, PushNvrEvent* r) { return read_row(db, kPushNvrFamily, r); }
int write_push_msg_nvr_event(const char* db, const PushNvrEvent* r) { return write_row(db, kPushNvrFamily, r); }
}  // namespace net
