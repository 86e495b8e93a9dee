// P2P registration (/7060-/7062, /7095): the daemon's registration state, the
// switch, the direct test against the relay and the unbinding.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/network/network_module.h"
#include "platform/kv_p2p.h"
#include "platform/kvdb.h"
#include "platform/kvdb_cert.h"
#include "platform/net_socket.h"

using namespace p2p;

namespace {
// The recorder's key for the relay test, removed after each test.
constexpr const char* kKeyFile = "/tmp/p2p_key.pem";
constexpr int kRelayTimeoutMs = 5000;

constexpr Field kStatusFields[] = {
    FIELD(P2pStatus, enable, "enable"),
    FIELD(P2pStatus, company, "company"),
    FIELD(P2pStatus, email, "email"),
    FIELD(P2pStatus, p2pstatus, "p2pstatus"),
    FIELD(P2pStatus, cloudAccount, "cloudAccount"),
    FIELD(P2pStatus, registerCode, "registerCode"),
    FIELD(P2pStatus, dealer, "dealer"),
    FIELD(P2pStatus, model, "model"),
    FIELD(P2pStatus, ipc, "ipc"),
    FIELD(P2pStatus, cloudServer, "cloudServer"),
    FIELD(P2pStatus, region, "region"),
};

struct P2pSwitch {
  int32_t enableP2P;
  int32_t region;
};
constexpr Field kSwitchFields[] = {
    FIELD_REQ(P2pSwitch, enableP2P, "enableP2P", INT32_MIN, INT32_MAX),
    FIELD(P2pSwitch, region, "region"),
};

struct RelayTest {
  char sn[64];
  char deviceName[32];
};
constexpr Field kRelayTestFields[] = {
    FIELD(RelayTest, sn, "sn"),
    FIELD(RelayTest, deviceName, "deviceName"),
};

const char* enable_text(int32_t code) {
  for (const EnableResult& r : kEnableResults)
    if (r.code == code) return r.text;
  return kEnableUnknown;
}

// Registration header, body and the relay's verdict over a connected socket.
int exchange(int fd, const RelayRegistration& body, RelayGrant* grant) {
  const std::string key = dev_path(kKeyFile);
  bool keyed = p2p_create_keyfile(key.c_str()) == 0 && p2p_cli_switch_keyfile(fd, key.c_str()) == 0;
  unlink(key.c_str());
  if (!keyed) return kTestKeyExchange;
  char work[kWorkBuffer];
  RelayHeader head{};
  head.type = kMsgRegister;
  head.body_size = rsa_cal_ensize(sizeof body);
  head.count = 1;
  RelayHeader answer{};
  if (p2p_send(fd, &head, sizeof head, work, sizeof work) < 0 || p2p_send(fd, &body, sizeof body, work, sizeof work) < 0 ||
      p2p_recv(fd, &answer, sizeof answer, rsa_cal_ensize(sizeof answer), work, sizeof work) != static_cast<int>(sizeof answer))
    return kTestNetwork;
  if (answer.result == kRelayRefused) return kTestRefused;
  if (answer.result != kRelayAccepted || answer.body_size <= 0 || answer.body_size > kWorkBuffer) return kTestNetwork;
  char plain[kWorkBuffer];
  int n = p2p_recv(fd, plain, sizeof plain, static_cast<int>(answer.body_size), work, sizeof work);
  if (n < 0) return kTestNetwork;
  memcpy(grant->text, plain, static_cast<size_t>(std::min(n, kRegisterText)));
  return kTestOk;
}

int register_with_relay(const RelayRegistration& body, RelayGrant* grant) {
  const P2pRelayAddress& relay = p2p_relay_address();
  int fd = socket_create();
  if (fd < 0) return kTestNetwork;
  int result = socket_connect(fd, relay.host.c_str(), relay.port, kRelayTimeoutMs) == 0 ? exchange(fd, body, grant)
                                                                                          : kTestNetwork;
  socket_destroy(fd);
  return result;
}
}  // namespace

void on_p2p_status_info_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, kStatusFields));
}

void on_enable_p2p_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(enable_text(r.word()));
}

void on_disable_p2p_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "ERR");
}

// The daemon's payload says nothing the page needs.
void on_cgi_p2p_unbind_device_cb(const IpcReply&) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "res", 0);
  answer_json(obj);
}

void on_get_p2p_info(char*) { ipc_request(on_network_ipc_callback, kReqStatus, ErrMode::kJson); }

void on_set_p2p_info(char* text) {
  P2pSwitch sw{};
  if (!fields_parse(text, &sw, kSwitchFields)) return;
  P2pInfo rec{};
  if (sw.enableP2P != 0) {
    rec.enable = sw.enableP2P;
    rec.region = sw.region;
    ipc_request(on_network_ipc_callback, kReqEnable, rec, ErrMode::kText);
    return;
  }
  if (read_p2p_info(devpaths::kKvdb, &rec) != 0 || write_p2p_info(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_request(on_network_ipc_callback, kReqDisable, rec, ErrMode::kText);
}

void on_test_p2p(char* text) {
  RelayTest in{};
  if (!fields_parse(text, &in, kRelayTestFields)) return;
  RelayRegistration body{};
  char mac[18] = "";
  get_mac_addr(mac, nullptr);
  copy_text(body.mac, mac);
  copy_field(body.deviceName, in.deviceName);
  copy_field(body.sn, in.sn);
  P2pInfo info{};
  read_p2p_info(devpaths::kKvdb, &info);
  copy_field(body.company, info.company);
  copy_field(body.email, info.email);
  copy_field(body.dealer, info.dealer);
  copy_field(body.cloudAccount, info.cloudAccount);
  RelayGrant grant{};
  int result = register_with_relay(body, &grant);
  // The relay's grant goes to the daemon as it came, up to its first NUL.
  if (result == kTestOk)
    ipc_send(on_network_ipc_callback, kReqEnable, grant.text, static_cast<int>(strnlen(grant.text, sizeof grant.text)));
  char answer[16];
  snprintf(answer, sizeof answer, "%d", result);
  answer_text(answer);
}

void on_cgi_p2p_unbind_device(char*) { ipc_request(on_network_ipc_callback, kReqUnbind, ErrMode::kJson); }
