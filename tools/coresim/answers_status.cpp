// Status answers: two interfaces whose traffic moves between calls, the
// stream state of the simulated cameras (channel 4 offline, no entry for
// empty channels), memory, channel capabilities, alarm states and the users
// whose sign-in the operation log holds.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "answers_log.h"
#include "answers_video.h"
#include "base/paths.h"
#include "base/text.h"
#include "coresim_registry.h"
#include "platform/kvdb_users.h"
#include "proto/aging_proto.h"
#include "proto/status_proto.h"

using namespace status;

namespace {
struct StatusState {
  uint32_t traffic_calls = 0;
};

std::string interfaces(StatusState&, const CoreRequest&) {
  NetInterface nics[2]{};
  for (int i = 0; i < 2; ++i) {
    NetInterface& n = nics[i];
    snprintf(n.ifname, sizeof n.ifname, "eth%d", i);
    n.id = i;
    n.state = i == 0 ? 1 : 0;
    n.speedMode = i == 0 ? 1000 : 0;
    n.duplex = 1;
    n.enable = 1;
    snprintf(n.ipAddr, sizeof n.ipAddr, "192.168.%d.100", 1 + i);
    snprintf(n.MAC, sizeof n.MAC, "00:1a:2b:3c:4d:%02x", 0x5e + i);
    copy_text(n.primaryDNS, "8.8.8.8");
    copy_text(n.secondDNS, "8.8.4.4");
    snprintf(n.gateway, sizeof n.gateway, "192.168.%d.1", 1 + i);
    copy_text(n.netmask, "255.255.255.0");
    n.mtu = 1500;
    n.ip6mode = 0;
    snprintf(n.ip6address, sizeof n.ip6address, "fe80::21a:2bff:fe3c:4d%02x", 0x5e + i);
    n.ip6prefix = 64;
  }
  return bytes_of(nics);
}

// Speeds in kbit/s that wander from call to call, as a live link does.
std::string traffic(StatusState& s, const CoreRequest&) {
  uint32_t t = ++s.traffic_calls;
  Traffic rows[2]{};
  for (int i = 0; i < 2; ++i) {
    snprintf(rows[i].ifname, sizeof rows[i].ifname, "eth%d", i);
    rows[i].id = i;
  }
  rows[0].RxSpeed = static_cast<int32_t>(2048 + (t * 373) % 1024);
  rows[0].TxSpeed = static_cast<int32_t>(512 + (t * 131) % 256);
  return bytes_of(rows);
}

std::vector<CoreReply> camera_status(CoreDevice& dev, const CoreRequest& req) {
  std::lock_guard<std::mutex> lock(dev.mu);
  std::string out;
  for (int ch = 0; ch < kStateChannels; ++ch) {
    CoreCameraLink link = coresim_camera_link(dev, ch);
    if (link == CoreCameraLink::kNone) continue;
    CameraStatus e{};
    e.chn = ch;
    if (link == CoreCameraLink::kOnline) {
      e.main = {1920, 1080, 25, 4096, 1, 0, 1};
      e.sub = {704, 576, 15, 512, 1, 0, 1};
      e.recordOn = 1;
      e.alarmOn = ch == 1 ? 1 : 0;
    }
    out += bytes_of(e);
  }
  return {reply_to(req, out)};
}

std::string memory(StatusState& s, const CoreRequest&) {
  Memory m{};
  m.total = 2048000;
  m.used = 812000 + static_cast<int32_t>((s.traffic_calls * 4096) % 65536);
  m.free = m.total - m.used;
  return bytes_of(m);
}

std::vector<CoreReply> capabilities(CoreDevice& dev, const CoreRequest& req) {
  std::lock_guard<std::mutex> lock(dev.mu);
  Capability caps[kCapabilityEntries]{};
  for (int ch = 0; ch < kCapabilityEntries; ++ch) {
    caps[ch].chn = ch;
    if (coresim_camera_link(dev, ch) == CoreCameraLink::kOnline) {
      caps[ch].supported = 1;
      caps[ch].kind = ch == 3 ? 2 : 1;
    }
  }
  return {reply_to(req, bytes_of(caps))};
}

// Motion on camera 1, video loss on the offline camera, people counted on
// camera 0, recorder input 0 and output 1 active.
std::vector<CoreReply> alarm_states(CoreDevice& dev, const CoreRequest& req) {
  std::lock_guard<std::mutex> lock(dev.mu);
  auto st = std::make_unique<AlarmStates>();
  memset(st.get(), 0, sizeof *st);
  for (int ch = 0; ch < kStateChannels; ++ch)
    if (coresim_camera_link(dev, ch) == CoreCameraLink::kOffline) st->videoloss |= 1ull << ch;
  st->motion = 1ull << 1;
  st->line_crossing = 1ull << 2;
  st->alarm_in = 1 << 0;
  st->alarm_out = 1 << 1;
  st->people[0] = {12, 7};
  st->cam_in_state[0] = 1ull << 0;
  st->cam_in_type[0] = 1ull << 0;
  st->cam_out_type[1] = 1ull << 2;
  return {reply_to(req, bytes_of(*st))};
}

// One entry per user and address that signed in, with the latest time.
std::vector<CoreReply> online_users(CoreDevice& dev, const CoreRequest& req) {
  std::vector<OnlineUser> users;
  for (const CoreLogEntry& e : coresim_oplogs(dev)) {
    if (e.sub_type != kLogSubSignIn) continue;
    OnlineUser u{};
    memcpy(u.userName, e.user, std::min(sizeof u.userName - 1, strnlen(e.user, sizeof e.user)));
    memcpy(u.ipaddr, e.remote_addr, std::min(sizeof u.ipaddr - 1, strnlen(e.remote_addr, sizeof e.remote_addr)));
    UserRec rec{};
    u.userLevel = read_user_by_name(devpaths::kKvdb, &rec, u.userName) == 0 ? rec.type : 0;
    time_t t = static_cast<time_t>(e.time);
    struct tm tm {};
    localtime_r(&t, &tm);
    strftime(u.loginTime, sizeof u.loginTime, "%Y-%m-%d %H:%M:%S", &tm);
    auto same = std::find_if(users.begin(), users.end(), [&](const OnlineUser& o) {
      return strcmp(o.userName, u.userName) == 0 && strcmp(o.ipaddr, u.ipaddr) == 0;
    });
    if (same != users.end())
      *same = u;
    else
      users.push_back(u);
  }
  std::string out;
  for (const OnlineUser& u : users) out += bytes_of(u);
  return {reply_to(req, out)};
}

const CoreAnswerTable kStatusAnswers{
    {kReqInterfaces, on_state<StatusState>(interfaces), {}},
    {kReqTraffic, on_state<StatusState>(traffic), {}},
    {kReqCameraStatus, camera_status, {}},
    {kReqAlarmStates, alarm_states, {}},
    {kReqMemory, on_state<StatusState>(memory), {}},
    {kReqCapabilities, capabilities, {}},
    {kReqOnlineUsers, online_users, {}},
};
}  // namespace
