// Simulated core daemon: the alarm pages. Nothing is answered (the pages do
// not wait); the device remembers which recorder and camera outputs are
// switched on, so its log tells what it was told.
#include <string>

#include "coresim_registry.h"
#include "proto/alarm_proto.h"

using namespace alarmio;

namespace {
constexpr int kOuts = 4;
constexpr int kCameraChannels = 64;

struct AlarmState {
  bool out_on[kOuts] = {};
  bool camera_out_on[kCameraChannels][2] = {};
};

std::string on_off(bool on) { return on ? "on" : "off"; }

void switch_out(AlarmState& st, const CoreRequest& req) {
  OutputControl c = read_as<OutputControl>(req);
  if (c.id >= 0 && c.id < kOuts) st.out_on[c.id] = c.enable != 0;
}

void switch_camera_out(AlarmState& st, const CoreRequest& req) {
  CameraOutControl c = read_as<CameraOutControl>(req);
  if (c.chn >= 0 && c.chn < kCameraChannels && c.alarm_id >= 0 && c.alarm_id < 2)
    st.camera_out_on[c.chn][c.alarm_id] = c.state != 0;
}

const CoreAnswerTable kAlarmAnswers{
    {kReqAlarmOutChanged, silent<AlarmState>([](AlarmState&, const CoreRequest&) {}),
     [](const CoreRequest& req) { return "alarm output " + std::to_string(read_as<int32_t>(req)); }},
    {kReqAlarmOutManual, silent<AlarmState>(switch_out),
     [](const CoreRequest& req) {
       OutputControl c = read_as<OutputControl>(req);
       return "alarm output " + std::to_string(c.id) + " " + on_off(c.enable != 0);
     }},
    {kReqCameraOutControl, silent<AlarmState>(switch_camera_out),
     [](const CoreRequest& req) {
       CameraOutControl c = read_as<CameraOutControl>(req);
       return "channel " + std::to_string(c.chn) + " output " + std::to_string(c.alarm_id) + " " +
              on_off(c.state != 0);
     }},
};
}  // namespace
