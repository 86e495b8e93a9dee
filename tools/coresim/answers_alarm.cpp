// Simulated core daemon: the alarm pages. The device remembers which
// recorder outputs are switched on; camera alarm ports live on the simulated
// cameras (camera_net.h), which report and keep what the pages set on them.
#include <algorithm>
#include <cstdio>
#include <string>

#include "camera_net.h"
#include "coresim_registry.h"
#include "proto/alarm_proto.h"

using namespace alarmio;

namespace {
constexpr int kOuts = 4;

struct AlarmState {
  bool out_on[kOuts] = {};
};

std::string on_off(bool on) { return on ? "on" : "off"; }

std::string hex_mask(uint64_t mask) {
  char buf[24];
  snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(mask));
  return buf;
}

void switch_out(AlarmState& st, const CoreRequest& req) {
  OutputControl c = read_as<OutputControl>(req);
  if (c.id >= 0 && c.id < kOuts) st.out_on[c.id] = c.enable != 0;
}

// Ports of an online camera, else null (an offline camera reports none).
CameraAlarmPorts* online_ports(CameraNet& net, int ch) { return net.online(ch) ? net.ports(ch) : nullptr; }

void switch_camera_out(CameraNet& net, const CoreRequest& req) {
  CameraOutControl c = read_as<CameraOutControl>(req);
  CameraAlarmPorts* p = net.ports(c.chn);
  if (p && c.alarm_id >= 0 && c.alarm_id < p->outputs) p->out_state[c.alarm_id] = c.state != 0;
}

std::string camera_in_status(CameraNet& net, const CoreRequest& req) {
  CameraInStatus st{};
  st.chn = read_as<CameraInStatus>(req).chn;
  if (CameraAlarmPorts* p = online_ports(net, st.chn)) {
    st.alarmCnt = p->inputs;
    for (int i = 0; i < std::min(p->inputs, kCameraIns); ++i) {
      st.alarmEnable[i] = p->in_enable[i];
      st.alarmType[i] = p->in_type[i];
      // A disarmed input reports no alarm.
      st.alarmStatus[i] = p->in_enable[i] ? p->in_state[i] : 0;
    }
  }
  return bytes_of(st);
}

std::string camera_out_status(CameraNet& net, const CoreRequest& req) {
  CameraOutStatus st{};
  st.chn = read_as<int32_t>(req);
  if (CameraAlarmPorts* p = online_ports(net, st.chn)) {
    st.alarmCnt = p->outputs;
    for (int i = 0; i < std::min(p->outputs, kCameraOuts); ++i) {
      st.alarmType[i] = p->out_type[i];
      st.alarmStatus[i] = p->out_state[i];
    }
  }
  return bytes_of(st);
}

// Pushes the settings to the camera of every channel of the mask.
template <class Fn>
void for_masked_ports(CameraNet& net, uint64_t mask, Fn fn) {
  for (int ch = 0; ch < 64; ++ch)
    if (mask >> ch & 1)
      if (CameraAlarmPorts* p = net.ports(ch)) fn(*p);
}

void set_camera_ins(CameraNet& net, const CoreRequest& req) {
  CameraInSet msg = read_as<CameraInSet>(req);
  const int n = std::clamp(msg.count, 0, kCameraIns);
  for_masked_ports(net, msg.mask, [&](CameraAlarmPorts& p) {
    for (int i = 0; i < n; ++i) {
      const CameraInEntry& e = msg.in[i];
      if (e.id < 0 || e.id >= p.inputs) continue;
      p.in_enable[e.id] = e.alarmEnable;
      p.in_type[e.id] = e.alarmType;
    }
  });
}

void set_camera_outs(CameraNet& net, const CoreRequest& req) {
  CameraOutSet msg = read_as<CameraOutSet>(req);
  const int n = std::clamp(msg.count, 0, kCameraOuts);
  for_masked_ports(net, msg.mask, [&](CameraAlarmPorts& p) {
    for (int i = 0; i < n; ++i)
      if (msg.out[i].id >= 0 && msg.out[i].id < p.outputs) p.out_type[msg.out[i].id] = msg.out[i].alarmType;
  });
}

std::string describe_mask(const CoreRequest& req) { return "channels " + hex_mask(read_as<uint64_t>(req)); }

const CoreAnswerTable kAlarmAnswers{
    {kReqAlarmOutChanged, silent<AlarmState>([](AlarmState&, const CoreRequest&) {}),
     [](const CoreRequest& req) { return "alarm output " + std::to_string(read_as<int32_t>(req)); }},
    {kReqAlarmOutManual, silent<AlarmState>(switch_out),
     [](const CoreRequest& req) {
       OutputControl c = read_as<OutputControl>(req);
       return "alarm output " + std::to_string(c.id) + " " + on_off(c.enable != 0);
     }},
    {kReqCameraOutControl, silent<CameraNet>(switch_camera_out),
     [](const CoreRequest& req) {
       CameraOutControl c = read_as<CameraOutControl>(req);
       return "channel " + std::to_string(c.chn) + " output " + std::to_string(c.alarm_id) + " " +
              on_off(c.state != 0);
     }},
    {kReqCameraInStatus, on_state<CameraNet>(camera_in_status),
     [](const CoreRequest& req) { return "channel " + std::to_string(read_as<CameraInStatus>(req).chn); }},
    {kReqCameraOutStatus, on_state<CameraNet>(camera_out_status),
     [](const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }},
    {kReqCameraInSet, silent<CameraNet>(set_camera_ins),
     [](const CoreRequest& req) {
       CameraInSet m = read_as<CameraInSet>(req);
       return std::to_string(m.count) + " inputs to " + hex_mask(m.mask);
     }},
    {kReqCameraOutSet, silent<CameraNet>(set_camera_outs),
     [](const CoreRequest& req) {
       CameraOutSet m = read_as<CameraOutSet>(req);
       return std::to_string(m.count) + " outputs to " + hex_mask(m.mask);
     }},
    {kReqCameraInsChanged, silent<AlarmState>([](AlarmState&, const CoreRequest&) {}), describe_mask},
    {kReqCameraOutsChanged, silent<AlarmState>([](AlarmState&, const CoreRequest&) {}), describe_mask},
};
}  // namespace
