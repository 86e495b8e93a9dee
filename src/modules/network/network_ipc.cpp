// Network replies, notices, log records and the port check the pages share.
#include <cstring>

#include "base/text.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/network/network_module.h"
#include "platform/net_helpers.h"
#include "proto/cert_proto.h"
#include "proto/network_proto.h"
#include "proto/p2p_proto.h"

using namespace net;

namespace {
// The clock is set: the daemon applies it everywhere once told so. The wait
// ends here; the handler writes the answer.
void on_set_systime_cb(const IpcReply&) {
  ipc_send(on_network_ipc_callback, kReqTimeApplied);
  g_callback_done = 1;
}

void on_ip_conflict_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "0" : "-1");
}

void on_test_email_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "ERROR");
}

const IpcReplyRoute kNetworkReplies[] = {
    {reply_of(kReqSetTime), 4, on_set_systime_cb},
    res_row(kReqDefaultRoute),
    res_row(kReqMulticast),
    {reply_of(kReqIpConflict), 4, on_ip_conflict_cb},
    {reply_of(kReqIpConflictDev), 4, on_ip_conflict_cb},
    word_row(kReqDdnsStatus, "status"),
    {reply_of(kReqTestMail), 4, on_test_email_cb},
    {reply_of(cert::kReqCreate), 4, on_create_https_cert_cb},
    {reply_of(cert::kReqInstall), 4, on_install_cert_cb},
    {reply_of(p2p::kReqEnable), 4, on_enable_p2p_cb},
    {reply_of(p2p::kReqDisable), 4, on_disable_p2p_cb},
    {reply_of(p2p::kReqStatus), sizeof(p2p::P2pStatus), on_p2p_status_info_cb},
    {reply_of(p2p::kReqUnbind), 4, on_cgi_p2p_unbind_device_cb},
};

// Ports the PoE cameras use, by the recorder's PoE port count.
struct PoeRange {
  int ports;
  int first;
  int last;
};
constexpr PoeRange kPoeRanges[] = {{4, 23001, 23004}, {8, 23001, 23008}, {16, 23001, 23016}};
}  // namespace

std::span<const IpcReplyRoute> network_reply_table() { return kNetworkReplies; }

void on_network_ipc_callback(void*, void* head, void* payload) {
  ipc_dispatch_reply(kNetworkReplies, head, payload);
}

void send_settings_changed(const char* what) {
  SettingsNotice n{};
  copy_text(n.name, what);
  ipc_send(on_network_ipc_callback, kReqSettingsChanged, n);
}

void send_net_log(int32_t main_type, int64_t sub_type, int param_type) {
  OpLogRecord rec;
  cgi_init_log_info(&rec);
  rec.main_type = main_type;
  rec.sub_type = sub_type;
  rec.param_type = param_type;
  ipc_send(on_network_ipc_callback, kReqOpLog, rec);
}

bool port_refused(int port, int stored, int poe_ports) {
  if (port == stored) return false;
  for (const PoeRange& r : kPoeRanges)
    if (r.ports == poe_ports && port >= r.first && port <= r.last) return true;
  return is_port_use(port) != 0;
}
