// Network answers: settings are applied to the simulated device (the
// interfaces read back from the stored records when announced), the clock
// takes a manual time, an e-mail test succeeds only with a complete account,
// DDNS reports its state and the neighbours' addresses conflict.
#include "answers_network.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kvdb.h"

using namespace net;

namespace {
constexpr int32_t kDdnsOff = 0;
constexpr int32_t kDdnsOnline = 1;
constexpr int32_t kDdnsFailed = 2;
constexpr int32_t kMailNoAccount = -1;

std::string text_of(const char* p, size_t width) { return std::string(p, strnlen(p, width)); }

template <class Fn>
Answer on_state(Fn fn) {
  return ::on_state<CoreNetworkState>(fn);
}
template <class Fn>
Answer silent(Fn fn) {
  return ::silent<CoreNetworkState>(fn);
}

std::string set_time(CoreNetworkState& s, const CoreRequest& req) {
  auto p = read_as<TimePayload>(req);
  std::string t = text_of(p.text, sizeof p.text);
  s.manual_time = t.size() >= 2 && t.front() == '"' && t.back() == '"' ? t.substr(1, t.size() - 2) : "";
  return status_word(0);
}

void settings_changed(CoreNetworkState& s, const CoreRequest& req) {
  auto n = read_as<SettingsNotice>(req);
  std::string what = text_of(n.name, sizeof n.name);
  ++s.changed[what];
  if (what == kChangedNetwork) read_network(devpaths::kKvdb, &s.applied);
}

bool neighbour(const std::string& ip) {
  for (const char* n : kCoreNeighbours)
    if (ip == n) return true;
  return false;
}

std::string ip_conflict(CoreNetworkState&, const CoreRequest& req) {
  auto q = read_as<IpConflictQuery>(req);
  return status_word(neighbour(text_of(q.ip, sizeof q.ip)) ? 1 : 0);
}

std::string ip_conflict_dev(CoreNetworkState&, const CoreRequest& req) {
  auto q = read_as<IpConflictDevQuery>(req);
  return status_word(neighbour(text_of(q.ip, sizeof q.ip)) ? 1 : 0);
}

std::string multicast(CoreNetworkState& s, const CoreRequest& req) {
  auto m = read_as<MulticastRec>(req);
  int first = atoi(text_of(m.ip, sizeof m.ip).c_str());
  if (m.enable && (first < 224 || first > 239)) return status_word(-1);  // not a group address
  s.multicast = m;
  return status_word(0);
}

std::string ddns_status(CoreNetworkState&, const CoreRequest&) {
  DdnsRec d{};
  read_ddns(devpaths::kKvdb, &d);
  if (!d.enable) return status_word(kDdnsOff);
  return status_word(d.domain[0] && d.hostName[0] ? kDdnsOnline : kDdnsFailed);
}

std::string test_mail(CoreNetworkState&, const CoreRequest&) {
  EmailRec m{};
  read_email(devpaths::kKvdb, &m);
  bool complete = m.smtpServer[0] && strchr(m.senderAddr, '@') && strchr(m.receivers[0].receiverAddr, '@');
  return status_word(complete ? 0 : kMailNoAccount);
}

void channel_access(CoreNetworkState& s, const CoreRequest& req) {
  s.channel_access = read_as<int32_t>(req);
  set_param_int(devpaths::kKvdb, "ch_access", s.channel_access);
}

std::string describe_notice(const CoreRequest& req) {
  auto n = read_as<SettingsNotice>(req);
  return "changed " + text_of(n.name, sizeof n.name);
}

// Listeners held for the simulator's lifetime on the ports the environment names.
struct HeldPorts {
  std::vector<int> fds;
  HeldPorts() {
    const char* list = getenv(kCorePortsInUseEnv);
    for (const char* p = list; p && *p;) {
      char* end = nullptr;
      long port = strtol(p, &end, 10);
      if (end == p) break;
      if (port > 0 && port <= 65535) hold(static_cast<int>(port));
      p = *end == ',' ? end + 1 : end;
      if (*end && *end != ',') break;
    }
  }
  ~HeldPorts() {
    for (int fd : fds) close(fd);
  }
  void hold(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 && listen(fd, 1) == 0)
      fds.push_back(fd);
    else if (fd >= 0)
      close(fd);
  }
};
const HeldPorts kHeldPorts;

const CoreAnswerTable kNetworkAnswers = {
    {kReqSetTime, on_state(set_time), nullptr},
    {kReqSettingsChanged, silent(settings_changed), describe_notice},
    {kReqTimeApplied, silent([](CoreNetworkState& s, const CoreRequest&) { ++s.time_applied; }), nullptr},
    {kReqRestartNetwork, silent([](CoreNetworkState& s, const CoreRequest&) { ++s.restarts; }), nullptr},
    {kReqDefaultRoute, on_state([](CoreNetworkState& s, const CoreRequest& r) {
       s.default_route = read_as<int32_t>(r);
       return status_word(0);
     }), nullptr},
    {kReqMulticast, on_state(multicast), nullptr},
    {kReqIpConflict, on_state(ip_conflict), nullptr},
    {kReqIpConflictDev, on_state(ip_conflict_dev), nullptr},
    {kReqSlaveClear, silent([](CoreNetworkState& s, const CoreRequest& r) { s.slave_clear = read_as<int32_t>(r); }), nullptr},
    {kReqDdnsStatus, on_state(ddns_status), nullptr},
    {kReqTestMail, on_state(test_mail), nullptr},
    {kReqPushMsg, silent([](CoreNetworkState& s, const CoreRequest& r) {
       auto sw = read_as<PushMsgSwitch>(r);
       s.push_msg = text_of(sw.text, sizeof sw.text);
     }), nullptr},
    {kReqChannelAccess, silent(channel_access), nullptr},
};
}  // namespace

CoreNetworkState coresim_network_state(CoreDevice& dev) {
  std::lock_guard<std::mutex> lk(dev.mu);
  return dev.part<CoreNetworkState>();
}
