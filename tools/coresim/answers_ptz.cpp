// Simulated PTZ cameras: the first four channels are PTZ domes that keep
// their position, presets, tours (starting from the stored tour tables),
// patterns, basic settings and the speed their settings page was given.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "camera_net.h"
#include "coresim_registry.h"
#include "platform/kvdb_ptz.h"
#include "proto/ptz_proto.h"

using namespace ptz;

namespace {
constexpr int kPtzCameras = 4;
constexpr int kLedOn = 1;

// The simulator's reading of the action codes the daemon owns.
enum SimAction : int32_t {
  kUp = 1,
  kDown = 2,
  kLeft = 3,
  kRight = 4,
  kZoomIn = 7,
  kZoomOut = 8,
  kCallPreset = 23,
  kDeletePreset = 24,
  kPatternRun = 21,
  kPatternStop = 25,
  kPatternRecord = 26,
  kPatternDelete = 27,
};

struct Camera {
  int pan = 0, tilt = 0, zoom = 1;
  int camera_speed = 4;
  int last_action = -1;
  StateReply state{};
  BasicRecord basic{};
  bool loaded = false;
};

struct PtzState {
  std::map<int, Camera> cameras;
  Camera nowhere;  // what a channel the recorder cannot have is told

  Camera& at(int channel) {
    if (channel < 0 || channel >= kMaxChannels) return nowhere = Camera{};
    Camera& c = cameras[channel];
    if (!c.loaded) load(c, channel);
    return c;
  }

  // A camera starts from the tours the recorder stored for it.
  static void load(Camera& c, int channel) {
    c.loaded = true;
    c.basic.channel = channel;
    if (channel >= kPtzCameras) return;
    c.basic.zoom_status = 1;
    c.basic.pan_tilt_status = 1;
    c.basic.preset_speed = 5;
    c.basic.manual_speed = 5;
    c.basic.resume_time = 30;
    c.state.presets[0].enable = 1;
    copy_text(c.state.presets[0].name, "Home");
    TourTable stored;
    if (channel < 0 || channel >= kMaxChannels || read_ptz_tour(devpaths::kKvdb, &stored, channel) != 0) return;
    for (int t = 0; t < kTours; ++t)
      for (int i = 0; i < kTourPoints; ++i) {
        const TourPoint& p = stored.points[t * kTourPoints + i];
        c.state.tours[t].preset[i] = p.preset;
        c.state.tours[t].dwell[i] = p.dwell;
        c.state.tours[t].speed[i] = p.speed;
      }
  }
};

template <class Fn>
Answer silent(Fn fn) {
  return ::silent<PtzState>(fn);
}

template <class Fn>
Answer on_state(Fn fn) {
  return ::on_state<PtzState>(fn);
}

bool valid_tour(int tour) { return tour >= 1 && tour <= kTours; }

void move(PtzState& s, const CoreRequest& req) {
  auto cmd = read_as<Command>(req);
  Camera& c = s.at(cmd.channel);
  c.last_action = cmd.action;
  switch (cmd.action) {
    case kUp: c.tilt = std::min(c.tilt + std::max(cmd.tilt_speed, 1), 90); break;
    case kDown: c.tilt = std::max(c.tilt - std::max(cmd.tilt_speed, 1), -90); break;
    case kLeft: c.pan = (c.pan + 360 - std::max(cmd.pan_speed, 1) % 360) % 360; break;
    case kRight: c.pan = (c.pan + std::max(cmd.pan_speed, 1)) % 360; break;
    case kZoomIn: c.zoom = std::min(c.zoom + 1, 30); break;
    case kZoomOut: c.zoom = std::max(c.zoom - 1, 1); break;
    default: break;
  }
}

void preset(PtzState& s, const CoreRequest& req) {
  auto cmd = read_as<Command>(req);
  if (cmd.preset < 1 || cmd.preset > kPresets) return;
  PresetSlot& slot = s.at(cmd.channel).state.presets[cmd.preset - 1];
  if (cmd.action == kActionSetPreset) {
    slot.enable = 1;
    copy_field(slot.name, cmd.name);
  } else if (cmd.action == kDeletePreset) {
    slot = PresetSlot{};
  }
}

void pattern(PtzState& s, const CoreRequest& req) {
  auto cmd = read_as<Command>(req);
  if (cmd.preset < 1 || cmd.preset > kPatterns) return;
  int32_t& enable = s.at(cmd.channel).state.patterns[cmd.preset - 1];
  if (cmd.action == kPatternRecord) enable = 1;
  if (cmd.action == kPatternDelete) enable = 0;
}

void tour_run(PtzState& s, const CoreRequest& req, int running) {
  auto cmd = read_as<TourCommand>(req);
  if (valid_tour(cmd.tour)) s.at(cmd.channel).state.tour_status[0][cmd.tour - 1] = running;
}

void tour_clear(PtzState& s, const CoreRequest& req) {
  auto cmd = read_as<TourCommand>(req);
  if (valid_tour(cmd.tour)) s.at(cmd.channel).state.tours[cmd.tour - 1] = TourColumns{};
}

void tour_set(PtzState& s, const CoreRequest& req) {
  auto set = read_as<TourSetRequest>(req);
  if (!valid_tour(set.tour)) return;
  TourColumns& t = s.at(set.channel).state.tours[set.tour - 1];
  t = TourColumns{};
  for (int i = 0; i < std::clamp(set.count, 0, kTourPoints); ++i) {
    t.preset[i] = set.points[i].preset;
    t.dwell[i] = set.points[i].dwell;
    t.speed[i] = set.points[i].speed;
  }
}

void fish_tour(PtzState& s, const CoreRequest& req) {
  auto fish = read_as<FishTourRequest>(req);
  if (fish.tour_index >= 0 && fish.tour_index < kTours)
    s.at(fish.channel).state.tours[fish.tour_index] = fish.tours[fish.tour_index];
}

std::string ptz_state(PtzState& s, int channel) {
  if (channel < 0 || channel >= kPtzCameras) return status_word(-1);  // no PTZ camera: no state record
  return bytes_of(s.at(channel).state);
}

std::string camera_setting(PtzState& s, const CoreRequest& req) {
  auto rec = read_as<CameraSettingRecord>(req);
  char key[sizeof rec.key + 1], value[sizeof rec.value + 1];
  copy_field(key, rec.key);
  copy_field(value, rec.value);
  if (strcmp(key, "ptzspeed") == 0) s.at(rec.channel).camera_speed = static_cast<int>(strtol(value, nullptr, 10));
  return status_word(0);
}

std::string set_basic(PtzState& s, const CoreRequest& req) {
  auto basic = read_as<BasicRecord>(req);
  s.at(basic.channel).basic = basic;
  return status_word(0);
}

std::string led_status(PtzState& s, const CoreRequest& req) {
  LedStatus led{read_as<int32_t>(req), 0};
  led.status = led.channel >= 0 && led.channel < kPtzCameras && s.at(led.channel).zoom > 1 ? kLedOn : 0;
  return bytes_of(led);
}

std::string describe_command(const CoreRequest& req) {
  auto cmd = read_as<Command>(req);
  return "channel " + std::to_string(cmd.channel) + " action " + std::to_string(cmd.action) + " id " +
         std::to_string(cmd.preset);
}

const CoreAnswerTable kPtzAnswers{
    {kReqMove, silent(move), describe_command},
    {kReqPortChanged, silent([](PtzState&, const CoreRequest&) {}), {}},
    {kReqPreset, silent(preset), describe_command},
    {kReqPattern, silent(pattern), describe_command},
    {kReqTourClear, silent(tour_clear), {}},
    {kReqTourRun, silent([](PtzState& s, const CoreRequest& r) { tour_run(s, r, 1); }), {}},
    {kReqTourStop, silent([](PtzState& s, const CoreRequest& r) { tour_run(s, r, 0); }), {}},
    {kReqSupport, on_state([](PtzState&, const CoreRequest& r) {
       int channel = read_as<int32_t>(r);
       return status_word(channel >= 0 && channel < kPtzCameras ? 0 : -1);
     }), {}},
    {kReqTourSet, silent(tour_set), {}},
    {kReqInfo, on_state([](PtzState& s, const CoreRequest& r) { return ptz_state(s, read_as<int32_t>(r)); }), {}},
    {kReqPresetCall, silent([](PtzState& s, const CoreRequest& r) {
       auto call = read_as<PresetCall>(r);
       s.at(call.channel).last_action = call.action;
     }), {}},
    {kReqZoom, silent([](PtzState& s, const CoreRequest& r) {
       auto z = read_as<ZoomRequest>(r);
       s.at(z.channel).zoom = std::clamp(z.zoom, 1, 30);
     }), {}},
    {kReqFishInfo, on_state([](PtzState& s, const CoreRequest& r) {
       return ptz_state(s, read_as<FishInfoRequest>(r).channel);
     }), {}},
    {kReqFishTour, silent(fish_tour), {}},
    {kReqGetBasic, on_state([](PtzState& s, const CoreRequest& r) { return bytes_of(s.at(read_as<int32_t>(r)).basic); }), {}},
    {kReqSetBasic, on_state(set_basic), {}},
    {kReqCameraSettingSet,
     [](CoreDevice& dev, const CoreRequest& r) -> std::vector<CoreReply> {
       std::lock_guard<std::mutex> lock(dev.mu);
       remember_camera_setting(dev, r);
       return {reply_to(r, camera_setting(dev.part<PtzState>(), r))};
     },
     {}},
    {kReqControl, on_state([](PtzState& s, const CoreRequest& r) {
       auto c = read_as<ControlRequest>(r);
       s.at(c.channel).last_action = c.command;
       return status_word(0);
     }), {}},
    {kReqLedStatus, on_state(led_status), {}},
};
}  // namespace
