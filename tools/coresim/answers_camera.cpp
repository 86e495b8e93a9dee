// Simulated camera pages: the search finds the LAN of camera_net; adding,
// editing and deleting a channel connects and disconnects its camera; the
// cameras report their streams and answer every camera-side get with what
// was last set (a channel without an online camera stays silent).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "camera_net.h"
#include "coresim_registry.h"
#include "platform/kvdb_camera.h"
#include "proto/camera_proto.h"

using namespace camera;

namespace {
struct CameraPages {
  std::map<std::pair<int32_t, int>, std::string> stored;  // (get code, channel) -> last set record
  std::map<int, StreamSet> streams;
  std::vector<UpgradeState> upgrades;
};

struct Sim {
  CameraNet& net;
  CameraPages& pages;
};

// fn(Sim&, req) -> payload, or nullopt for silence.
template <class Fn>
Answer cam(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    Sim sim{dev.part<CameraNet>(), dev.part<CameraPages>()};
    std::optional<std::string> out = fn(sim, req);
    if (!out) return {};
    return {reply_to(req, std::move(*out))};
  };
}

std::optional<std::string> none() { return std::nullopt; }

int32_t channel_of(const CoreRequest& req) { return read_as<int32_t>(req); }

// A list without entries still needs a payload: a reply without one is ignored.
std::string nothing_found() { return status_word(0); }

std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(channel_of(req)); }

// ---- Membership ----

void connect_stored(Sim& s, const CoreRequest& req) {
  CameraRec rec{};
  int ch = channel_of(req);
  if (ch < 0 || ch >= kChannels) return;
  read_camera(devpaths::kKvdb, &rec, ch);
  s.net.connect(rec);
}

std::optional<std::string> search(Sim& s, const CoreRequest& req) {
  int protocol = channel_of(req);
  std::string out;
  // Every camera answers the open standard's search; the others only their own.
  for (const LanCamera& c : s.net.lan)
    if (protocol == 0 || c.found.protocol == protocol) out += bytes_of(c.found);
  return out.empty() ? nothing_found() : out;
}

std::optional<std::string> states(Sim& s, const CoreRequest&) {
  std::string out;
  for (const auto& [ch, st] : s.net.channels) out += bytes_of(st);
  return out.empty() ? nothing_found() : out;
}

// 0 OK, 1 unreachable, 2 wrong user or password.
int32_t login_result(Sim& s, const char* ip, const char* user, const char* password) {
  LanCamera* c = s.net.find(ip);
  if (!c) return 1;
  return c->user == user && c->password == password ? 0 : 2;
}

std::optional<std::string> login_test(Sim& s, const CoreRequest& req) {
  auto t = read_as<LoginTest>(req);
  char ip[sizeof t.ip + 1], user[sizeof t.user + 1], password[sizeof t.password + 1];
  copy_field(ip, t.ip);
  copy_field(user, t.user);
  copy_field(password, t.password);
  return status_word(login_result(s, ip, user, password));
}

std::optional<std::string> login_test2(Sim& s, const CoreRequest& req) {
  auto t = read_as<LoginTest2>(req);
  char ip[sizeof t.ip + 1], user[sizeof t.user + 1], password[sizeof t.password + 1];
  copy_field(ip, t.ip);
  copy_field(user, t.user);
  copy_field(password, t.password);
  return status_word(login_result(s, ip, user, password));
}

// ---- Streams ----

constexpr int32_t kResolutions[][2] = {{2560, 1440}, {1920, 1080}, {1280, 720}};
constexpr int32_t kSubResolutions[][2] = {{704, 576}, {640, 360}};

StreamSet default_stream(int ch) {
  StreamSet s{};
  s.channel = ch;
  s.main = {1920, 1080, 25, 4096, 50, 0, 0, 0, 0, 50};
  s.sub = {640, 360, 15, 512, 30, 0, 0, 0, 0, 30};
  s.sub_enable = 1;
  return s;
}

template <size_t N>
void fill_stream(int32_t* slot, const int32_t (&res)[N][2], const StreamConfig& cfg, int32_t fmax, int32_t bmax) {
  for (size_t i = 0; i < N; ++i) {
    slot[2 * i] = res[i][0];
    slot[2 * i + 1] = res[i][1];
  }
  int32_t* v = slot + 2 * kResPairs;
  v[0] = fmax;
  v[1] = 1;
  v[2] = bmax;
  v[3] = 64;
  v[4] = cfg.video_type;
  v[5] = cfg.width;
  v[6] = cfg.height;
  v[7] = cfg.framerate;
  v[8] = cfg.bitrate;
  v[9] = cfg.iframe_interval;
  v[10] = cfg.bitrate_ctrl;
  v[11] = 1;
  v[12] = 120;
}

std::optional<std::string> stream_get(Sim& s, const CoreRequest& req) {
  int ch = channel_of(req);
  StreamSettings out{};
  if (!s.net.online(ch)) {
    out.slot[0] = -1;  // no camera to ask
    return bytes_of(out);
  }
  auto it = s.pages.streams.find(ch);
  StreamSet cfg = it == s.pages.streams.end() ? default_stream(ch) : it->second;
  out.slot[1] = ch;
  fill_stream(out.slot + kMainStreamSlot, kResolutions, cfg.main, 30, 8192);
  fill_stream(out.slot + kSubStreamSlot, kSubResolutions, cfg.sub, 30, 2048);
  out.slot[124] = cfg.sub_enable;
  out.slot[125] = cfg.audio_enable;
  out.slot[126] = 1;  // video type selectable
  out.slot[128] = 1;
  out.slot[129] = 1;
  out.slot[130] = 1;  // smart stream supported
  out.slot[131] = cfg.main.smart_stream;
  out.slot[132] = cfg.main.smart_stream_level;
  out.slot[133] = 1;
  out.slot[134] = cfg.sub.smart_stream;
  out.slot[135] = cfg.sub.smart_stream_level;
  out.slot[136] = cfg.main.gop;
  out.slot[137] = cfg.sub.gop;
  return bytes_of(out);
}

std::optional<std::string> stream_set(Sim& s, const CoreRequest& req) {
  auto set = read_as<StreamSet>(req);
  if (!s.net.online(set.channel)) return bytes_of(StreamResult{set.channel, -1});
  s.pages.streams[set.channel] = set;
  return bytes_of(StreamResult{set.channel, 0});
}

// ---- Addresses ----

int32_t move_camera(Sim& s, const AddressSet& a) {
  CameraState* st = s.net.at(a.channel);
  if (!st || st->state != kCamOnline) return -1;
  char new_ip[sizeof a.ip + 1];
  copy_field(new_ip, a.ip);
  if (LanCamera* c = s.net.find(st->ip)) copy_text(c->found.ip, new_ip);
  copy_text(st->ip, new_ip);
  return 0;
}

std::optional<std::string> macs(Sim& s, const CoreRequest&) {
  MacList out{};
  for (const auto& [ch, st] : s.net.channels) {
    if (out.count >= kMacEntries) break;
    MacEntry& e = out.entry[out.count++];
    copy_text(e.mac, st.mac);
    e.result = st.state == kCamOnline ? 0 : -1;
  }
  return bytes_of(out);
}

// ---- Camera-side pages: a get answers the last set (its leading bytes) ----

struct Page {
  IpcCode get;
  IpcCode set;
  size_t get_size;
  bool set_replies;
};
constexpr Page kPages[] = {
    {kReqEnhanceGet, kReqEnhanceSet, sizeof(ImageEnhancement), false},
    {kReqDisplayGet, kReqDisplaySet, sizeof(ImageDisplay), true},
    {kReqAreaGet, kReqAreaSet, sizeof(AreaRecord), false},
    {kReqScheduleAGet, kReqScheduleASet, sizeof(CamSchedule), false},
    {kReqScheduleBGet, kReqScheduleBSet, sizeof(CamScheduleEx), false},
    {kReqScheduleCGet, kReqScheduleCSet, sizeof(CamSchedule), false},
    {kReqExposureScheduleGet, kReqExposureScheduleSet, sizeof(ExposureSchedule), false},
    {kReqMotionMapGet, kReqMotionMapSet, sizeof(MotionMap), true},
    {kReqTrackingGet, kReqTrackingSet, sizeof(AutoTracking), true},
    {kReqWatermarkGet, kReqWatermarkSet, sizeof(Watermark), true},
    {kReqEventStreamGet, kReqEventStreamSet, sizeof(EventStream), true},
    {kReqAudioGet, kReqAudioSet, sizeof(AudioInfo), true},
};

// What a camera reports before anything was set on a page.
std::string page_default(const Page& p, int ch) {
  std::string out(p.get_size, '\0');
  memcpy(out.data(), &ch, sizeof ch);
  if (p.get == kReqDisplayGet) {
    ImageDisplay d{ch, 50, 50, 50, 50, 50, 0, 0, 50, 0, {}};
    out = bytes_of(d);
  } else if (p.get == kReqAudioGet) {
    AudioInfo a{};
    a.channel = ch;
    a.sample_rate = 8000;
    a.input_volume = 80;
    a.output_volume = 80;
    copy_text(a.encode_list, "G711A,G711U,AAC");
    out = bytes_of(a);
  } else if (p.get == kReqMotionMapGet) {
    MotionMap m{};
    m.channel = ch;
    m.sensitivity = 5;
    memset(m.map_mask, '0', 22 * 13);
    out = bytes_of(m);
  }
  return out;
}

Answer page_get(const Page& p) {
  return cam([p](Sim& s, const CoreRequest& req) -> std::optional<std::string> {
    int ch = channel_of(req);
    if (!s.net.online(ch)) return none();
    auto it = s.pages.stored.find({p.get.code, ch});
    std::string out = page_default(p, ch);
    if (it != s.pages.stored.end()) memcpy(out.data(), it->second.data(), std::min(out.size(), it->second.size()));
    return out;
  });
}

Answer page_set(const Page& p) {
  return cam([p](Sim& s, const CoreRequest& req) -> std::optional<std::string> {
    int ch = channel_of(req);
    bool ok = s.net.online(ch);
    if (ok) s.pages.stored[{p.get.code, ch}] = std::string(req.payload);
    if (!p.set_replies) return none();
    return status_word(ok ? 0 : -1);
  });
}

void remove_area(Sim& s, const CoreRequest& req) {
  auto d = read_as<AreaDelete>(req);
  auto it = s.pages.stored.find({kReqAreaGet.code, d.channel});
  if (it == s.pages.stored.end()) return;
  AreaSet set{};
  record_from(it->second, &set);
  for (Area& a : set.rec.area)
    if (a.area_id == d.area_id) a = Area{};
  it->second = bytes_of(set);
}

const struct PageRows {
  PageRows() {
    for (const Page& p : kPages) {
      coresim_register({p.get, page_get(p), describe_channel});
      coresim_register({p.set, page_set(p), describe_channel});
    }
  }
} kPageRows;

// ---- Single answers ----

std::optional<std::string> common_get(Sim& s, const CoreRequest& req) {
  auto rec = read_as<CameraSettingRecord>(req);
  if (!s.net.online(rec.channel)) return none();
  char page[sizeof rec.http_page + 1], key[sizeof rec.key + 1];
  copy_field(page, rec.http_page);
  copy_field(key, rec.key);
  auto it = s.net.settings.find({rec.channel, page, key});
  copy_text(rec.value, it == s.net.settings.end() ? "" : it->second.c_str());
  return bytes_of(rec);
}

ChannelModel model_of(const CameraState& st) {
  ChannelModel m{};
  m.channel = st.id;
  copy_text(m.model, st.model);
  copy_text(m.ip, st.ip);
  copy_text(m.fw_version, st.fw_version);
  return m;
}

std::optional<std::string> channel_models(Sim& s, const CoreRequest&) {
  ChannelModels out{};
  for (int ch = 0; ch < kChannels; ++ch) {
    out.chn[ch].channel = ch;
    if (CameraState* st = s.net.at(ch)) out.chn[ch] = model_of(*st);
  }
  return bytes_of(out);
}

std::optional<std::string> camera_type(Sim& s, const CoreRequest& req) {
  CameraState* st = s.net.at(channel_of(req));
  if (!st || st->state != kCamOnline) return none();
  return bytes_of(model_of(*st));
}

std::optional<std::string> record_text(Sim& s, const CoreRequest& req) {
  auto r = read_as<RecordTextReq>(req);
  if (!s.net.online(r.channel)) return none();
  char time[sizeof r.time + 1];
  copy_field(time, r.time);
  return "Motion detected " + std::string(time) + std::string(1, '\0');
}

std::optional<std::string> system_info(Sim& s, const CoreRequest& req) {
  int ch = channel_of(req);
  if (!s.net.online(ch)) return none();
  SystemInfo i{};
  i.audio_support = 1;
  i.alarm_in_support = 1;
  i.alarm_out_support = 1;
  i.white_led_support = ch % 2;
  i.ptz_support = ch == 0;
  i.smart_support = 1;
  i.system_auto_tracking_support = ch == 0;
  return bytes_of(i);
}

std::optional<std::string> custom_param(Sim& s, const CoreRequest& req) {
  auto r = read_as<CustomParamReq>(req);
  CustomParam out{};
  out.channel = r.channel;
  if (!s.net.online(r.channel)) {
    out.res = -1;
    return bytes_of(out);
  }
  char url[sizeof r.url + 1];
  copy_field(url, r.url);
  snprintf(out.data, sizeof out.data, "url=%s&result=ok", url);
  return bytes_of(out);
}

std::optional<std::string> upgrade(Sim& s, const CoreRequest& req) {
  auto r = read_as<UpgradeReq>(req);
  s.pages.upgrades.clear();
  UpgradeState first{};
  first.status = -1;
  first.chn_mask = r.chn_mask;
  for (int ch = 0; ch < kChannels; ++ch) {
    if (!(r.chn_mask >> ch & 1)) continue;
    UpgradeState u{};
    u.channel = ch;
    u.chn_mask = r.chn_mask;
    u.status = s.net.online(ch) ? 0 : -1;
    u.progress = s.net.online(ch) ? 100 : 0;
    s.pages.upgrades.push_back(u);
    if (first.status != 0) first = u;
  }
  return bytes_of(first);
}

std::optional<std::string> upgrade_state(Sim& s, const CoreRequest&) {
  std::string out;
  for (const UpgradeState& u : s.pages.upgrades) out += bytes_of(u);
  return out.empty() ? nothing_found() : out;
}

std::optional<std::string> stream_by_time(Sim& s, const CoreRequest& req) {
  auto r = read_as<StreamByTimeReq>(req);
  StreamByTime out{r.channel, r.stream_type, -1, {}};
  if (CameraState* st = s.net.at(r.channel); st && st->state == kCamOnline) {
    char time[sizeof r.time + 1];
    copy_field(time, r.time);
    char ip[sizeof st->ip + 1];
    copy_field(ip, st->ip);
    out.res = 0;
    snprintf(out.url, sizeof out.url, "rtsp://%s:554/playback/%d?time=%.40s", ip, r.stream_type, time);
  }
  return bytes_of(out);
}

std::optional<std::string> motion_status(Sim& s, const CoreRequest&) {
  // Camera 2 sees motion.
  return status_word(s.net.online(2) ? 1 << 2 : 0);
}

std::optional<std::string> night_mode(Sim& s, const CoreRequest& req) {
  int ch = channel_of(req);
  if (!s.net.online(ch)) return none();
  return bytes_of(NightMode{ch, 0});
}

template <class Fn>
Answer notice(Fn fn) {
  return cam([fn](Sim& s, const CoreRequest& req) -> std::optional<std::string> {
    fn(s, req);
    return none();
  });
}

const CoreAnswerTable kCameraAnswers{
    {kReqAddCamera, notice(connect_stored), describe_channel},
    {kReqEditCamera, notice(connect_stored), describe_channel},
    {kReqDelCamera, notice([](Sim& s, const CoreRequest& r) { s.net.disconnect(channel_of(r)); }), describe_channel},
    {kReqPoeChannel, notice([](Sim&, const CoreRequest&) {}), describe_channel},
    {kReqSearch, cam(search), {}},
    {kReqCameraState, cam(states), {}},
    {kReqLoginTest, cam(login_test), {}},
    {kReqLoginTest2, cam(login_test2), {}},
    {kReqStreamGet, cam(stream_get), describe_channel},
    {kReqStreamSet, cam(stream_set), describe_channel},
    {kReqAddressSet, cam([](Sim& s, const CoreRequest& r) -> std::optional<std::string> {
       return status_word(move_camera(s, read_as<AddressSet>(r)));
     }), describe_channel},
    {kReqMultiAddressSet, notice([](Sim& s, const CoreRequest& r) { move_camera(s, read_as<MultiAddressSet>(r).addr); }),
     describe_channel},
    {kReqMacs, cam(macs), {}},
    {kReqCameraSettingGet, cam(common_get), describe_channel},
    {kReqAreaDel, notice(remove_area), {}},
    {kReqChannelModels, cam(channel_models), {}},
    {kReqCameraType, cam(camera_type), describe_channel},
    {kReqMotionStatus, cam(motion_status), {}},
    {kReqRecordText, cam(record_text), describe_channel},
    {kReqSystemInfo, cam(system_info), describe_channel},
    {kReqCustomParam, cam(custom_param), describe_channel},
    {kReqUpgrade, cam(upgrade), {}},
    {kReqFirmwareReset, cam([](Sim&, const CoreRequest&) -> std::optional<std::string> { return status_word(0); }), {}},
    {kReqUpgradeState, cam(upgrade_state), {}},
    {kReqUpgradeStop, notice([](Sim& s, const CoreRequest&) { s.pages.upgrades.clear(); }), {}},
    {kReqStreamByTime, cam(stream_by_time), describe_channel},
    {kReqQtCmd, cam([](Sim&, const CoreRequest&) -> std::optional<std::string> { return status_word(0); }), {}},
    {kReqChipCode, cam([](Sim&, const CoreRequest&) -> std::optional<std::string> { return status_word(0x3536); }), {}},
    {kReqLprNightMode, cam(night_mode), describe_channel},
};
}  // namespace

// Camera setting records the PTZ pages send are remembered too, so a get
// through the camera pages reads them back.
void remember_camera_setting(CoreDevice& dev, const CoreRequest& req) {
  auto rec = read_as<CameraSettingRecord>(req);
  char page[sizeof rec.http_page + 1], key[sizeof rec.key + 1], value[sizeof rec.value + 1];
  copy_field(page, rec.http_page);
  copy_field(key, rec.key);
  copy_field(value, rec.value);
  dev.part<CameraNet>().settings[{rec.channel, page, key}] = value;
}
