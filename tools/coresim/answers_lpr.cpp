// Simulated plate cameras and camera-side analytics: cameras online in the
// camera network remember their fisheye mode, zoom, privacy editing, plate
// recognition settings and second-form line crossing and analysis settings,
// and report plate support (even channels support plate recognition, as
// cameras of our own make with four normal polygons); a fisheye camera found
// by address reports the layout it was last given. Channels without an online
// camera stay silent.
#include <cstdio>
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
  lpr::AnprSettings settings{};
  lpr::IpcLine2 line2{};
  lpr::IpcVcaSettings2 vca2{};
};

constexpr int kFrameWidth = 1920;
constexpr int kFrameHeight = 1080;

// Plate settings as a camera ships them; plate cameras are of our own make.
void init_plate_settings(lpr::AnprSettings& s, int ch) {
  s.chnid = ch;
  s.resolution_width = kFrameWidth;
  s.resolution_height = kFrameHeight;
  s.area_width = kFrameWidth;
  s.area_height = kFrameHeight;
  s.repeat_check_time_value = 30;
  s.post_tcp_port = 8080;
  s.confidence = 80;
  for (int i = 0; i < lpr::kAnprRegions; ++i) snprintf(s.region[i].name, sizeof s.region[i].name, "Area%d", i + 1);
  bool plate = ch % 2 == 0;
  s.json_support = plate;
  s.aitype = plate ? 12 : 0;
  for (int i = 0; i < lpr::kNormalPolygons; ++i)
    snprintf(s.normal_polygons[i].name, sizeof s.normal_polygons[i].name, "Polygon%d", i + 1);
}

// One line across the middle of the frame; analysis boxes from a tenth of
// the frame up to all of it.
void init_analytics(LprCamera& c, int ch) {
  c.line2.chnid = ch;
  c.line2.sensitivity = 5;
  c.line2.width = kFrameWidth;
  c.line2.height = kFrameHeight;
  c.line2.line[0] = {1, kFrameWidth / 2, 100, kFrameWidth / 2, kFrameHeight - 100, 0, 1, {}};
  c.line2.line_type = 1;
  c.vca2.chnid = ch;
  c.vca2.fps = 10;
  c.vca2.width = kFrameWidth;
  c.vca2.height = kFrameHeight;
  for (int i = 0; i < lpr::kAreas; ++i) {
    int32_t box[lpr::kBoxValues] = {0, 0, kFrameWidth / 10, kFrameHeight / 10, 0, 0, kFrameWidth, kFrameHeight};
    for (int j = 0; j < lpr::kBoxValues; ++j) c.vca2.box[j][i] = box[j];
  }
}

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
      init_plate_settings(it->second.settings, ch);
      init_analytics(it->second, ch);
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

// A set keeps the record the camera was told, under its own channel.
template <class Rec, Rec LprCamera::*Member>
std::string keep(LprCamera& c, const CoreRequest& req) {
  int32_t ch = (c.*Member).chnid;
  c.*Member = read_as<Rec>(req);
  (c.*Member).chnid = ch;
  return status_word(0);
}

template <class Rec, Rec LprCamera::*Member>
std::string report(LprCamera& c, const CoreRequest&) {
  return bytes_of(c.*Member);
}

std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }

std::string describe_mode(const CoreRequest& req) {
  auto n = read_as<lpr::AnprModeNotice>(req);
  return "channel " + std::to_string(n.chnid) + " mode " + std::to_string(n.mode);
}

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
    {lpr::kReqAnprSettingsGet, for_lpr_camera(report<lpr::AnprSettings, &LprCamera::settings>), describe_channel},
    {kReqAnprSettingsSet, for_lpr_camera(keep<lpr::AnprSettings, &LprCamera::settings>), describe_channel},
    {lpr::kReqAnprModeChanged, silent<LprState>([](LprState&, const CoreRequest&) {}), describe_mode},
    {lpr::kReqIpcLine2Get, for_lpr_camera(report<lpr::IpcLine2, &LprCamera::line2>), describe_channel},
    {kReqIpcLine2Set, for_lpr_camera(keep<lpr::IpcLine2, &LprCamera::line2>), describe_channel},
    {lpr::kReqIpcVcaSettings2Get, for_lpr_camera(report<lpr::IpcVcaSettings2, &LprCamera::vca2>), describe_channel},
    {kReqIpcVcaSettings2Set, for_lpr_camera(keep<lpr::IpcVcaSettings2, &LprCamera::vca2>), describe_channel},
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
