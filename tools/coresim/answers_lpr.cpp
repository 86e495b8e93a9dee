// Simulated plate cameras and camera-side analytics: cameras online in the
// camera network remember their fisheye mode, zoom and privacy editing and
// report plate support (even channels support plate recognition); a fisheye
// camera found by address reports the layout it was last given. Channels
// without an online camera stay silent.
#include <map>
#include <string>

#include "answers_video.h"
#include "coresim_registry.h"
#include "proto/lpr_proto.h"

using namespace video;

namespace {
struct LprCamera {
  FisheyeMode fisheye{};
  ZoomState zoom{};
  int32_t editing_mask = -1;
  lpr::PlateWildcards wildcards{};
};

struct LprState {
  std::map<int, LprCamera> cameras;
  FisheyeInfo fisheye_by_address{1, 0, 1, 2, 4};

  LprCamera& camera(int ch) {
    auto [it, fresh] = cameras.try_emplace(ch);
    if (fresh) {
      it->second.fisheye = {ch, 1, 1, 0, 0};
      it->second.zoom = {ch, 0, 1};
      it->second.wildcards.chnid = ch;
      it->second.wildcards.max_plate_char_num = 8;
    }
    return it->second;
  }
};

// Answers for a channel whose camera is online; silence otherwise.
template <class Fn>
Answer for_lpr_camera(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    int ch = read_as<int32_t>(req);
    if (coresim_camera_link(dev, ch) != CoreCameraLink::kOnline) return {};
    return {reply_to(req, fn(dev.part<LprState>().camera(ch), req))};
  };
}

std::string fisheye_set(LprCamera& c, const CoreRequest& req) {
  auto m = read_as<FisheyeMode>(req);
  c.fisheye.fishmount = m.fishmount;
  c.fisheye.fishdisplay = m.fishdisplay;
  c.fisheye.fishcorrect = m.fishcorrect;
  return status_word(0);
}

std::string privacy_edit(LprCamera& c, const CoreRequest& req) {
  c.editing_mask = read_as<lpr::PrivacyEdit>(req).maskid;
  return status_word(0);
}

std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }

std::string describe_address(const CoreRequest& req) {
  auto a = read_as<lpr::FisheyeAddr>(req);
  a.ipaddr[sizeof a.ipaddr - 1] = '\0';
  return std::string("address ") + a.ipaddr + ":" + std::to_string(a.port);
}

const CoreAnswerTable kLprAnswers{
    {kReqFisheyeModeGet, for_lpr_camera([](LprCamera& c, const CoreRequest&) { return bytes_of(c.fisheye); }),
     describe_channel},
    {kReqFisheyeModeSet, for_lpr_camera(fisheye_set), describe_channel},
    {kReqZoomState, for_lpr_camera([](LprCamera& c, const CoreRequest&) { return bytes_of(c.zoom); }),
     describe_channel},
    {kReqAnprSupport, for_lpr_camera([](LprCamera& c, const CoreRequest&) {
       AnprSupport s{c.fisheye.chnid, c.fisheye.chnid % 2 == 0 ? 1 : 0, 2};
       return bytes_of(s);
     }), describe_channel},
    {lpr::kReqIpcWildcardsGet, for_lpr_camera([](LprCamera& c, const CoreRequest&) { return bytes_of(c.wildcards); }),
     describe_channel},
    {kReqIpcWildcardsSet, for_lpr_camera([](LprCamera& c, const CoreRequest& req) {
       c.wildcards = read_as<lpr::PlateWildcards>(req);
       return status_word(0);
     }), describe_channel},
    {kReqPrivacyEdit, for_lpr_camera(privacy_edit), describe_channel},
    {kReqFisheyeInfo, on_state<LprState>([](LprState& s, const CoreRequest&) { return bytes_of(s.fisheye_by_address); }),
     describe_address},
    {kReqFisheyeInfoSet, on_state<LprState>([](LprState& s, const CoreRequest& req) {
       auto m = read_as<lpr::FisheyeAddrSet>(req);
       s.fisheye_by_address.transfer = m.transfer;
       s.fisheye_by_address.install = m.install;
       s.fisheye_by_address.display = m.display;
       return status_word(0);
     }), describe_address},
};
}  // namespace
