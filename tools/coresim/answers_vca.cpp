// Simulated analytics cameras: every online camera of the camera network runs
// the smart events and keeps the detection, line-crossing, left/removed-object,
// analysis and people counting settings it is told; the camera on channel 3
// has no analytics and refuses them. Channels without a camera stay silent.
// Cameras draw on a 1920 x 1080 frame.
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "answers_video.h"
#include "coresim_registry.h"
#include "proto/people_region_proto.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"

using vca::Detection;

namespace {
constexpr int kPlainCamera = 3;
constexpr int kCounterLines = 4;
constexpr int32_t kFrameWidth = 1920;
constexpr int32_t kFrameHeight = 1080;

struct VcaState {
  // (channel, set request code) -> settings last told.
  std::map<std::pair<int, int32_t>, Detection> settings;
  std::map<int, int32_t[kCounterLines]> counters;
  std::map<int, vca::LineCrossing> lines;
  std::map<int, vca::LeftRemove> left_remove;
  std::map<int, vca::AnalysisSettings> analysis;
  std::map<int, pcnt::PeopleCount> people;
};

CoreCameraLink link_of(CoreDevice& dev, int chn) { return coresim_camera_link(dev, chn); }

// Runs fn(state, chn, analytics) for an online camera; silence otherwise.
template <class Fn>
Answer for_camera(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    int chn = read_as<int32_t>(req);
    if (link_of(dev, chn) != CoreCameraLink::kOnline) return {};
    return {reply_to(req, fn(dev.part<VcaState>(), req, chn, chn != kPlainCamera))};
  };
}

// A get answers what the matching set stored (nothing stored: off, middle sensitivity).
Answer detection_get(IpcCode set) {
  return for_camera([set](VcaState& s, const CoreRequest&, int chn, bool analytics) {
    auto it = s.settings.find({chn, set.code});
    Detection d{};
    if (it != s.settings.end()) {
      d = it->second;
    } else if (analytics) {
      d.sensitivity = 5;
      d.time = 10;
    }
    d.chnid = chn;
    return bytes_of(d);
  });
}

Answer detection_set(IpcCode set) {
  return for_camera([set](VcaState& s, const CoreRequest& req, int chn, bool analytics) {
    if (!analytics) return status_word(-1);
    s.settings[{chn, set.code}] = read_as<Detection>(req);
    return status_word(0);
  });
}

// Records a camera keeps one of per channel: what it reports before any set,
// and which members of a set it takes (the frame and its kind are its own).
template <class Rec>
struct Kept {
  std::map<int, Rec> VcaState::*slot;
  Rec (*initial)(bool analytics);
  void (*take)(Rec& kept, const Rec& told);
};

template <class Rec>
Answer kept_get(Kept<Rec> k) {
  return for_camera([k](VcaState& s, const CoreRequest&, int chn, bool analytics) {
    auto it = (s.*k.slot).find(chn);
    Rec r = it != (s.*k.slot).end() ? it->second : k.initial(analytics);
    r.chnid = chn;
    return bytes_of(r);
  });
}

template <class Rec>
Answer kept_set(Kept<Rec> k) {
  return for_camera([k](VcaState& s, const CoreRequest& req, int chn, bool analytics) {
    if (!analytics) return status_word(-1);
    auto it = (s.*k.slot).try_emplace(chn, k.initial(true)).first;
    k.take(it->second, read_as<Rec>(req));
    return status_word(0);
  });
}

vca::LineCrossing initial_lines(bool) {
  vca::LineCrossing l{};
  l.width = kFrameWidth;
  l.height = kFrameHeight;
  return l;
}
void take_lines(vca::LineCrossing& kept, const vca::LineCrossing& told) {
  vca::LineCrossing frame = kept;
  kept = told;
  kept.width = frame.width;
  kept.height = frame.height;
}

vca::LeftRemove initial_left_remove(bool analytics) {
  vca::LeftRemove l{};
  l.sensitivity = analytics ? 5 : 0;
  l.min_time = analytics ? 10 : 0;
  return l;
}
void take_left_remove(vca::LeftRemove& kept, const vca::LeftRemove& told) { kept = told; }

// Objects from 5% of the frame up to all of it, 10 frames a second.
vca::AnalysisSettings initial_analysis(bool analytics) {
  vca::AnalysisSettings a{};
  a.width = kFrameWidth;
  a.height = kFrameHeight;
  if (!analytics) return a;
  a.vca_type = 1;
  a.fps = 10;
  a.boxes[2] = kFrameWidth / 20;
  a.boxes[3] = kFrameHeight / 20;
  a.boxes[6] = kFrameWidth;
  a.boxes[7] = kFrameHeight;
  return a;
}
void take_analysis(vca::AnalysisSettings& kept, const vca::AnalysisSettings& told) {
  vca::AnalysisSettings own = kept;
  kept = told;
  kept.vca_type = own.vca_type;
  kept.width = own.width;
  kept.height = own.height;
}

// One line across the middle of a 1080p frame until the page sets others.
pcnt::PeopleCount initial_people(bool analytics) {
  pcnt::PeopleCount p{};
  if (!analytics) return p;
  p.width = 1920;
  p.height = 1080;
  p.osd_enable = 1;
  p.osd_font_size = 1;
  p.sensitivity = 5;
  p.line_num = 1;
  pcnt::PeopleLine& l = p.lines[0];
  l.line_enable = 1;
  l.show_cnt_enable = 1;
  l.x1 = 480, l.y1 = 540, l.x2 = 1440, l.y2 = 540;
  return p;
}

void take_people(pcnt::PeopleCount& kept, const pcnt::PeopleCount& told) { kept = told; }

constexpr Kept<vca::LineCrossing> kLines{&VcaState::lines, initial_lines, take_lines};
constexpr Kept<vca::LeftRemove> kLeftRemove{&VcaState::left_remove, initial_left_remove, take_left_remove};
constexpr Kept<vca::AnalysisSettings> kAnalysis{&VcaState::analysis, initial_analysis, take_analysis};
constexpr Kept<pcnt::PeopleCount> kPeople{&VcaState::people, initial_people, take_people};

std::string support(VcaState&, const CoreRequest&, int, bool analytics) {
  video::VcaSupport v{};
  v.support = analytics ? 1 : 0;
  v.type = analytics ? 1 : 0;
  return bytes_of(v);
}

std::string clear_count(VcaState& s, const CoreRequest& req, int chn, bool analytics) {
  if (!analytics) return status_word(-1);
  auto msg = read_as<vca::ClearCount>(req);
  auto& lines = s.counters[chn];
  for (int i = 0; i < kCounterLines; ++i)
    if (msg.line == i || msg.line < 0 || msg.line >= kCounterLines) lines[i] = 0;
  return status_word(0);
}

std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }

std::string describe_mask(const CoreRequest& req) {
  char buf[32];
  snprintf(buf, sizeof buf, "mask %#llx", static_cast<unsigned long long>(read_as<uint64_t>(req)));
  return buf;
}

const CoreAnswerTable kVcaAnswers{
    {vca::kReqRegionInGet, detection_get(video::kReqVcaRegionInSet), describe_channel},
    {vca::kReqRegionOutGet, detection_get(video::kReqVcaRegionOutSet), describe_channel},
    {vca::kReqMotionGet, detection_get(video::kReqVcaMotionSet), describe_channel},
    {vca::kReqTamperGet, detection_get(video::kReqVcaTamperSet), describe_channel},
    {vca::kReqLoiteringGet, detection_get(video::kReqVcaLoiteringSet), describe_channel},
    {vca::kReqHumanGet, detection_get(video::kReqVcaHumanSet), describe_channel},
    {video::kReqVcaRegionInSet, detection_set(video::kReqVcaRegionInSet), describe_channel},
    {video::kReqVcaRegionOutSet, detection_set(video::kReqVcaRegionOutSet), describe_channel},
    {video::kReqVcaMotionSet, detection_set(video::kReqVcaMotionSet), describe_channel},
    {video::kReqVcaTamperSet, detection_set(video::kReqVcaTamperSet), describe_channel},
    {video::kReqVcaLoiteringSet, detection_set(video::kReqVcaLoiteringSet), describe_channel},
    {video::kReqVcaHumanSet, detection_set(video::kReqVcaHumanSet), describe_channel},
    {vca::kReqLineGet, kept_get(kLines), describe_channel},
    {video::kReqVcaLineSet, kept_set(kLines), describe_channel},
    {vca::kReqLeftRemoveGet, kept_get(kLeftRemove), describe_channel},
    {video::kReqVcaLeftRemoveSet, kept_set(kLeftRemove), describe_channel},
    {video::kReqVcaSettingsGet, kept_get(kAnalysis), describe_channel},
    {video::kReqVcaSettingsSet, kept_set(kAnalysis), describe_channel},
    {pcnt::kReqPeopleGet, kept_get(kPeople), describe_channel},
    {video::kReqVcaPeopleSet, kept_set(kPeople), describe_channel},
    {video::kReqVcaSupport, for_camera(support), describe_channel},
    {video::kReqVcaClearCount, for_camera(clear_count), describe_channel},
    {vca::kReqSmartEventsChanged, silent<VcaState>([](VcaState&, const CoreRequest&) {}), describe_mask},
};
}  // namespace
