// The LAN of the simulator: six cameras of several protocols, one with a
// name that is not plain text; channels 0-3 connected, channel 4 holds a
// camera that went offline.
#include "camera_net.h"

#include <cstdio>
#include <cstring>

#include "base/text.h"

using namespace camera;

namespace {
struct LanEntry {
  const char* ip;
  const char* mac;
  int32_t protocol;
  const char* vendor;
  const char* model;
  const char* name;
  const char* password;
};
constexpr LanEntry kLan[] = {
    {"192.0.2.10", "02:4B:56:00:00:10", 2, "KVSF", "KV-B2041", "Gate", "admin123"},
    {"192.0.2.11", "02:4B:56:00:00:11", 2, "KVSF", "KV-D4052", "Lobby", "admin123"},
    {"192.0.2.12", "02:4B:56:00:00:12", 0, "Vendor A", "A-IPC200", "Yard", "admin123"},
    {"192.0.2.13", "02:4B:56:00:00:13", 0, "Vendor B", "B-DOME2", "Dock", "admin123"},
    {"192.0.2.14", "02:4B:56:00:00:14", 1, "Vendor C", "C-BOX1", "Store", "admin123"},
    {"192.0.2.15", "02:4B:56:00:00:15", 0, "Vendor D", "D-CAM7", "Caf\xe9", "admin123"},
};
constexpr int kConnected = 4;
constexpr int kOfflineChannel = 4;

CameraState state_of(int ch, const SearchResult& f, int32_t st) {
  CameraState s{};
  s.id = ch;
  copy_text(s.ip, f.ip);
  s.manage_port = f.manage_port;
  s.protocol = f.protocol;
  copy_text(s.vendor, f.vendor);
  copy_text(s.sn, f.sn);
  copy_text(s.sn_real, f.sn_real);
  copy_text(s.mac, f.mac);
  copy_text(s.model, f.model);
  copy_text(s.fw_version, f.fw_version);
  s.state = st;
  s.connect_state = st;
  s.main_rtsp_port = 554;
  return s;
}
}  // namespace

CameraNet::CameraNet() {
  for (const LanEntry& e : kLan) {
    LanCamera c{};
    copy_text(c.found.ip, e.ip);
    copy_text(c.found.mac, e.mac);
    c.found.manage_port = 80;
    c.found.protocol = e.protocol;
    copy_text(c.found.vendor, e.vendor);
    snprintf(c.found.sn, sizeof c.found.sn, "KV%010zu", 4017000 + lan.size());
    copy_text(c.found.fw_version, "45.7.0.79");
    copy_text(c.found.model, e.model);
    c.found.active_status = 1;
    copy_text(c.found.name, e.name);
    copy_text(c.found.sn_real, c.found.sn);
    c.user = "admin";
    c.password = e.password;
    lan.push_back(c);
  }
  for (int ch = 0; ch < kConnected; ++ch) channels[ch] = state_of(ch, lan[static_cast<size_t>(ch)].found, kCamOnline);
  channels[kOfflineChannel] = state_of(kOfflineChannel, lan[kConnected].found, 0);
}

bool CameraNet::online(int ch) const {
  auto it = channels.find(ch);
  return it != channels.end() && it->second.state == kCamOnline;
}

CameraState* CameraNet::at(int ch) {
  auto it = channels.find(ch);
  return it == channels.end() ? nullptr : &it->second;
}

LanCamera* CameraNet::find(const char* ip) {
  for (LanCamera& c : lan)
    if (strncmp(c.found.ip, ip, sizeof c.found.ip) == 0) return &c;
  return nullptr;
}

CameraAlarmPorts* CameraNet::ports(int ch) {
  const CameraState* cam = at(ch);
  if (!cam) return nullptr;
  auto [it, made] = alarm_ports.try_emplace(ch);
  if (made) {
    // Our own cameras have four inputs and two relays, the others one of each;
    // the door contact on channel 0 is open.
    const bool own = strncmp(cam->vendor, "KVSF", sizeof cam->vendor) == 0;
    it->second.inputs = own ? 4 : 1;
    it->second.outputs = own ? 2 : 1;
    for (int32_t& e : it->second.in_enable) e = 1;
    if (ch == 0) it->second.in_state[0] = 1;
  }
  return &it->second;
}

void CameraNet::connect(const CameraRec& rec) {
  if (rec.id < 0 || rec.id >= kChannels) return;
  LanCamera* c = find(rec.ip);
  if (c) {
    channels[rec.id] = state_of(rec.id, c->found, kCamOnline);
  } else {
    // Unreachable, or a camera without an address: known, online only without one.
    SearchResult none{};
    copy_text(none.ip, rec.ip);
    none.manage_port = rec.manage_port;
    none.protocol = rec.protocol;
    channels[rec.id] = state_of(rec.id, none, rec.protocol == kNoAddressProtocol ? kCamOnline : 0);
  }
  alarm_ports.erase(rec.id);
  CameraState& s = channels[rec.id];
  s.physical_port = rec.physical_port;
  s.poe_channel = rec.poe_channel;
  s.minor_id = rec.minor_id;
  copy_text(s.ddns, rec.ddns);
}
