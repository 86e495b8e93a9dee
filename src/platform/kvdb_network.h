// Network records of the configuration database: time, PPPoE, DDNS, e-mail,
// ports, interfaces, multicast, SNMP and push-message events.
#pragma once
#include <cstdint>

#include "proto/network_proto.h"

namespace kvdb {
class Txn;
}

namespace net {
inline constexpr int kIfaceEth0 = 0;
inline constexpr int kIfaceEth1 = 1;
inline constexpr int kIfaceBond = 2;
inline constexpr int kIfaceCount = 3;
inline constexpr int kReceivers = 3;
inline constexpr int kModeSeparate = 0;  // eth0 and eth1 on their own
inline constexpr int kModePrimary = 2;   // bonded with a primary interface

struct TimeRec {
  int32_t ntpEnable;
  int32_t dstEnable;
  char timeZone[32];
  char timeZoneName[32];
  char ntpServer[64];
  int32_t syncEnable;
  int32_t syncInterval;
  int32_t syncPc;
};

struct PppoeRec {
  int32_t enable;
  int32_t autoConnect;
  char userName[64];
  char password[64];
};

struct DdnsRec {
  int32_t enable;
  char domain[64];
  char userName[32];
  char password[32];
  char hostName[128];
  char freeDNSHash[128];
  int32_t updateFreq;
  int32_t http_port;
  int32_t rtsp_port;
  char ddnsurl[128];
};

struct MailReceiver {
  char receiverAddr[65];
  char receiverName[65];
};

struct EmailRec {
  int32_t enable;
  char userName[65];
  char password[65];
  char smtpServer[65];
  int32_t smtpPort;
  char senderAddr[65];
  char senderName[65];
  int32_t enableTls;  // 0-2
  int32_t enableAttach;
  int32_t captureInterval;
  MailReceiver receivers[kReceivers];
};

struct PortRec {
  int32_t enableSsh;
  int32_t sshPort;
  int32_t httpPort;
  int32_t rtspPort;
  int32_t servicePort;
  char hostName[256];
  int32_t enableHostName;
  int32_t httpsPort;
};

// One interface: eth0, eth1 (mode 0) or bond0 (modes 1 and 2).
struct NetIface {
  int32_t enableNetwork;
  int32_t networkType;  // 0 static, 1 DHCP
  char ipAddr[16];
  char netmask[16];
  char gateway[16];
  char dns1[16];
  char dns2[16];
  int32_t mtu;
  int32_t ip6Type;  // 0 static, 1 DHCP, 2 automatic
  char ip6Addr[64];
  char ip6Prefix[16];
  char ip6Gateway[64];
};

struct NetworkRec {
  int32_t mode;
  char hostName[64];
  int32_t primaryNet;
  int32_t defaultRoute;
  NetIface iface[kIfaceCount];
};

struct SnmpRec {
  int32_t v1_enable;
  int32_t v2c_enable;
  char write_community[64];
  char read_community[64];
  int32_t v3_enable;
  char read_security_name[64];
  int32_t read_level_security;
  int32_t read_auth_algorithm;
  char read_auth_password[64];
  int32_t read_pri_algorithm;
  char read_pri_password[64];
  char write_security_name[64];
  int32_t write_level_security;
  int32_t write_auth_algorithm;
  char write_auth_password[64];
  int32_t write_pri_algorithm;
  char write_pri_password[64];
  int32_t port;
};

// Push-message events of one channel.
struct PushEvent {
  int32_t channel;
  int32_t mask;
};

struct PushNvrEvent {
  char events[65];
};

// Zero-filled record and -1 when nothing is stored.
int read_time(const char* db, TimeRec* r);
int write_time(const char* db, const TimeRec* r);
int read_pppoe(const char* db, PppoeRec* r);
int write_pppoe(const char* db, const PppoeRec* r);
int read_ddns(const char* db, DdnsRec* r);
int write_ddns(const char* db, const DdnsRec* r);
int read_email(const char* db, EmailRec* r);
int write_email(const char* db, const EmailRec* r);
int read_port(const char* db, PortRec* r);
int write_port(const char* db, const PortRec* r);
int read_multicast(const char* db, MulticastRec* r);
int write_multicast(const char* db, const MulticastRec* r);
int read_snmp(const char* db, SnmpRec* r);
int write_snmp(const char* db, const SnmpRec* r);

// The whole network record; the views write the mode with their interfaces
// only: eth0 and eth1 with the default route, or bond0 with the primary one.
int read_network(const char* db, NetworkRec* r);
int write_network_muti(const char* db, const NetworkRec* r);
int write_network_bond(const char* db, const NetworkRec* r);
// Stored mode, or -1 when it cannot be read.
int read_network_mode(const char* db);
// Stores the default route alone.
int write_network_default_route(const char* db, int route);
// Stores the host name alone, within the caller's write transaction.
int put_network_host_name(kvdb::Txn& t, const char* name);

// masks[0..n-1] for channels 0..n-1 (n at most max); missing ones are 0.
int read_push_msg_events(const char* db, int32_t* masks, int n);
int write_push_msg_event(const char* db, const PushEvent* e);
int read_push_msg_nvr_event(const char* db, PushNvrEvent* r);
int write_push_msg_nvr_event(const char* db, const PushNvrEvent* r);
}  // namespace net
