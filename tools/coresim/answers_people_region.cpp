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

// Out of the box: whole-frame object boxes, four regions off, counting all week.
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

// Runs fn for an online camera with analytics; -1 for the plain camera.
template <class Fn>
Answer for_camera(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    int chn = req.code == video::kReqIpcRegionalSet ? read_as<RegionalCount>(req).chnid : read_as<int32_t>(req);
    if (coresim_camera_link(dev, chn) != CoreCameraLink::kOnline) return {};
    if (chn == kPlainCamera) {
      RegionalCount none{};
      none.result = kNotSupported;
      none.chnid = chn;
      return {reply_to(req, req.code == video::kReqIpcRegionalSet ? status_word(kNotSupported) : bytes_of(none))};
    }
    return {reply_to(req, fn(dev.part<RegionalState>(), req, chn))};
  };
}

std::string regional_get(RegionalState& s, const CoreRequest&, int chn) {
  auto it = s.cameras.find(chn);
  RegionalCount r = it != s.cameras.end() ? it->second : defaults();
  r.result = 0;
  r.chnid = chn;
  return bytes_of(r);
}

std::string regional_set(RegionalState& s, const CoreRequest& req, int chn) {
  s.cameras[chn] = read_as<RegionalCount>(req);
  return status_word(0);
}

std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }
std::string describe_set(const CoreRequest& req) {
  return "channel " + std::to_string(read_as<RegionalCount>(req).chnid);
}

const CoreAnswerTable kPeopleRegionAnswers{
    {pcnt::kReqRegionalGet, for_camera(regional_get), describe_channel},
    {video::kReqIpcRegionalSet, for_camera(regional_set), describe_set},
};
}  // namespace
