// Simulated regional people counting: every online camera of the camera
// network counts in four regions and keeps the settings it is told; the
// camera on channel 3 has no analytics and answers "not supported" (-1).
// Channels without a camera stay silent.
#include <map>
#include <mutex>
#include <string>

#include "answers_video.h"
#include "base/text.h"
#include "coresim_registry.h"
#include "proto/people_region_proto.h"
#include "proto/video_proto.h"

using pcnt::RegionalCount;

namespace {
constexpr int kPlainCamera = 3;  // as the analytics answers
constexpr int32_t kNotSupported = -1;

struct RegionalState {
  std::map<int, RegionalCount> cameras;  // settings last told, per channel
};

// Out of the box: person-sized object boxes, four regions off, counting all
// day on the seven days.
RegionalCount defaults() {
  RegionalCount r{};
  r.sensitivity = 5;
  r.min_obj_width = 20, r.min_obj_height = 40;
  r.max_obj_width = 400, r.max_obj_height = 800;
  for (int d = 0; d < 7; ++d) {
    ScheduleDay& day = r.effective.day[d];
    day.whole_day_enable = 1;  // the day is valid
    copy_text(day.period[0].start, "00:00");
    copy_text(day.period[0].end, "24:00");
  }
  return r;
}

int32_t channel_of_get(const CoreRequest& req) { return read_as<int32_t>(req); }
int32_t channel_of_set(const CoreRequest& req) { return read_as<RegionalCount>(req).chnid; }

// Runs fn(state, req, chn, analytics) for an online camera; silence otherwise.
template <class Fn>
Answer for_camera(int32_t (*channel_of)(const CoreRequest&), Fn fn) {
  return [channel_of, fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    int chn = channel_of(req);
    if (coresim_camera_link(dev, chn) != CoreCameraLink::kOnline) return {};
    return {reply_to(req, fn(dev.part<RegionalState>(), req, chn, chn != kPlainCamera))};
  };
}

std::string regional_get(RegionalState& s, const CoreRequest&, int chn, bool analytics) {
  auto it = s.cameras.find(chn);
  RegionalCount r = !analytics ? RegionalCount{} : it != s.cameras.end() ? it->second : defaults();
  r.result = analytics ? 0 : kNotSupported;
  r.chnid = chn;
  return bytes_of(r);
}

std::string regional_set(RegionalState& s, const CoreRequest& req, int chn, bool analytics) {
  if (!analytics) return status_word(kNotSupported);
  s.cameras[chn] = read_as<RegionalCount>(req);
  return status_word(0);
}

template <int32_t (*ChannelOf)(const CoreRequest&)>
std::string describe(const CoreRequest& req) {
  return "channel " + std::to_string(ChannelOf(req));
}

const CoreAnswerTable kPeopleRegionAnswers{
    {pcnt::kReqRegionalGet, for_camera(channel_of_get, regional_get), describe<channel_of_get>},
    {video::kReqIpcRegionalSet, for_camera(channel_of_set, regional_set), describe<channel_of_set>},
};
}  // namespace
