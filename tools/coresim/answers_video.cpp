// Simulated cameras for the video pages, those camera_net has online: at
// first channels 0-3 hold cameras that remember their motion map, privacy masks, OSD configuration, alarm I/O and
// volume detection; channel 4 holds a camera that is offline (its OSD
// configuration reports so); every other channel has no camera and stays
// silent, so the program's error answers show.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "base/text.h"
#include "answers_video.h"
#include "camera_net.h"
#include "coresim_registry.h"
#include "base/paths.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr int kOfflineCamera = 4;

struct Camera {
  MotionMap map{};
  CamPrivacyMask masks{};
  OsdConfig osd{};
  CamIoReply io{};
  VolumeReply volume{};
  int32_t model_type = 0;
};

struct VideoState {
  std::map<int, Camera> cameras;

  // A camera as it comes out of the box (or is first connected).
  static Camera make(int ch) {
    Camera c;
    c.map.chn = ch;
    c.map.sensitivity = 5;
    memset(c.map.map, '0', 22 * 13);  // 22 x 13 grid, nothing marked
    c.map.model_type = ch == 3 ? 1 : 0;
    c.masks.id = ch;
    c.masks.max_ptz_zoom_ratio = 1;
    copy_text(c.masks.sdkversion, "2.4.1");
    copy_text(c.masks.color_list, "0,1,2");
    c.masks.color_support = 1;
    c.masks.mosaic_support = ch % 2;
    c.osd.enable_text = 1;
    snprintf(c.osd.text_name, sizeof c.osd.text_name, "Camera %d", ch + 1);
    c.osd.enable_date = 1;
    c.osd.font_size = 2;
    c.io.chn = ch;
    c.volume.chn = ch;
    c.volume.volume = 60;
    c.volume.duration = 5;
    c.model_type = 100 + ch;
    return c;
  }

  // The cameras are those the camera network has online.
  void sync(const CameraNet& net) {
    for (int ch = 0; ch < kChannels; ++ch) {
      bool online = net.online(ch);
      if (online && !cameras.count(ch)) cameras[ch] = make(ch);
      if (!online) cameras.erase(ch);
    }
  }

  static_assert(22 * 13 < sizeof(MotionMap::map));

  Camera* camera(int ch) {
    auto it = cameras.find(ch);
    return it == cameras.end() ? nullptr : &it->second;
  }
};

VideoState& video_state(CoreDevice& dev) {
  VideoState& s = dev.part<VideoState>();
  s.sync(dev.part<CameraNet>());
  return s;
}

// Answers only for a channel with a camera; silence otherwise.
template <class Fn>
Answer for_camera(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    VideoState& s = video_state(dev);
    Camera* c = s.camera(read_as<int32_t>(req));
    if (!c) return {};
    return {reply_to(req, fn(*c, req))};
  };
}

template <class Fn>
Answer notice(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    fn(video_state(dev), req);
    return {};
  };
}

std::string osd_config(VideoState& s, const CoreRequest& req) {
  int ch = read_as<int32_t>(req);
  OsdConfig out{};
  if (Camera* c = s.camera(ch)) {
    out = c->osd;
    out.ch = 0;
  } else {
    out.ch = -1;  // offline
  }
  return bytes_of(out);
}

Answer osd_config_get() {
  return [](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    VideoState& s = video_state(dev);
    int ch = read_as<int32_t>(req);
    if (!s.camera(ch) && ch != kOfflineCamera) return {};
    return {reply_to(req, osd_config(s, req))};
  };
}

std::string osd_config_set(Camera& c, const CoreRequest& req) {
  auto cfg = read_as<OsdConfig>(req);
  c.osd = cfg;
  return status_word(0);
}

void motion_map_set(VideoState& s, const CoreRequest& req) {
  auto m = read_as<MotionMap>(req);
  if (Camera* c = s.camera(m.chn)) {
    copy_text(c->map.map, m.map);
    c->map.sensitivity = m.sensitivity;
  }
}

// The motion page's settings reach the channel's camera and those of its copies.
void camera_motion_set(VideoState& s, const CoreRequest& req) {
  auto m = read_as<CamMotionSettings>(req);
  int n = std::clamp(m.copy_count, 0, kChannels);
  for (int i = -1; i < n; ++i) {
    Camera* c = s.camera(i < 0 ? m.chn : m.copy[i]);
    if (!c) continue;
    copy_text(c->map.map, m.motion_table);
    c->map.sensitivity = m.sensitivity;
    c->map.enable_ai = m.enable_ai;
  }
}

void motion_enable(VideoState& s, const CoreRequest& req) {
  auto me = read_as<MotionEnable>(req);
  int n = std::clamp(me.copy_count, 0, kChannels);
  for (int i = -1; i < n; ++i)
    if (Camera* c = s.camera(i < 0 ? me.chn : me.copy[i])) c->map.enable = me.flag;
}

void privacy_mask_set(VideoState& s, const CoreRequest& req) {
  auto msg = read_as<PrivacyMaskMsg>(req);
  int areas = std::clamp(msg.num, 0, kMaskAreas) + std::clamp(msg.mosaic_num, 0, kMaskAreas);
  areas = std::min(areas, kMaskAreas);
  for (int ch = 0; ch < kChannels; ++ch) {
    Camera* c = msg.channels[ch] == '1' ? s.camera(ch) : nullptr;
    if (!c) continue;
    c->masks.enable = msg.enable;
    c->masks.num = msg.num;
    c->masks.mosaic_num = msg.mosaic_num;
    c->masks.area_enable = msg.area_mask_enable;
    c->masks.cgi_sdk_flag = msg.cgi_sdk_flag;
    c->masks.max_mask_sum = areas;
    std::copy(msg.area, msg.area + kMaskAreas, c->masks.area);
  }
}

void privacy_mask_delete(VideoState& s, const CoreRequest& req) {
  auto del = read_as<PrivacyMaskDel>(req);
  Camera* c = s.camera(del.chan_id);
  if (!c) return;
  for (MaskArea& a : c->masks.area)
    if (a.area_id == del.area_id) a = MaskArea{};
}

void camera_io_set(VideoState& s, const CoreRequest& req) {
  auto n = read_as<CamIoNotice>(req);
  if (Camera* c = s.camera(n.chn)) {
    c->io.enable = n.enable;
    c->io.type = n.type;
  }
}

void volume_set(VideoState& s, const CoreRequest& req) {
  auto n = read_as<VolumeNotice>(req);
  if (Camera* c = s.camera(n.chn)) {
    c->volume.enable = n.enable;
    c->volume.type = n.type;
    c->volume.volume = n.volume;
    c->volume.duration = n.duration;
    c->volume.on_event = n.on_event;
    c->volume.off_event = n.off_event;
    c->volume.ongoing_event = n.ongoing_event;
  }
}

// The trigger actions live in the recorder's database; the camera reports them.
template <class Reply>
std::string with_triggers(Reply r, int (*read)(const char*, CameraIoRec*, int)) {
  CameraIoRec stored{};
  read(devpaths::kKvdb, &stored, r.chn);
  r.tri_actions = stored.tri_actions;
  copy_text(r.tri_channels, stored.tri_channels);
  return bytes_of(r);
}

std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }

const CoreAnswerTable kVideoAnswers{
    {kReqMotionMapGet, for_camera([](Camera& c, const CoreRequest&) { return bytes_of(c.map); }), describe_channel},
    {kReqCamPrivacyMasks, for_camera([](Camera& c, const CoreRequest&) { return bytes_of(c.masks); }),
     describe_channel},
    {kReqModelType, for_camera([](Camera& c, const CoreRequest&) { return status_word(c.model_type); }),
     describe_channel},
    {kReqOsdConfigGet, osd_config_get(), describe_channel},
    {kReqOsdConfigSet, for_camera(osd_config_set), describe_channel},
    {kReqCamIoGet, for_camera([](Camera& c, const CoreRequest&) { return with_triggers(c.io, read_cameraio); }), describe_channel},
    {kReqVolumeGet, for_camera([](Camera& c, const CoreRequest&) { return with_triggers(c.volume, read_volumedetect); }), describe_channel},
    {kReqMotionMapSet, notice(motion_map_set), {}},
    {kReqMotionEnable, notice(motion_enable), {}},
    {kReqCamMotionSet, notice(camera_motion_set), {}},
    {kReqMotionsChanged, notice([](VideoState&, const CoreRequest&) {}), {}},
    {kReqFullTimeScheduleCopy, notice([](VideoState&, const CoreRequest&) {}), describe_channel},
    {kReqPrivacyMask, notice(privacy_mask_set), {}},
    {kReqDelPrivacyMask, notice(privacy_mask_delete), {}},
    {kReqCamIoSet, notice(camera_io_set), {}},
    {kReqVolumeSet, notice(volume_set), {}},
    {kReqOsdChanged, notice([](VideoState&, const CoreRequest&) {}), describe_channel},
    {kReqMotionChanged, notice([](VideoState&, const CoreRequest&) {}), describe_channel},
    {kReqVideoLossChanged, notice([](VideoState&, const CoreRequest&) {}), describe_channel},
    {kReqFullTimeSchedule, notice([](VideoState&, const CoreRequest&) {}), describe_channel},
    {kReqExceptionChanged, notice([](VideoState&, const CoreRequest&) {}), {}},
    {kReqExceptHttpChanged, notice([](VideoState&, const CoreRequest&) {}), {}},
};
}  // namespace

CoreCameraLink coresim_camera_link(CoreDevice& dev, int chn) {
  CameraNet& net = dev.part<CameraNet>();
  if (net.online(chn)) return CoreCameraLink::kOnline;
  return net.at(chn) ? CoreCameraLink::kOffline : CoreCameraLink::kNone;
}
