// Simulated live view and playback: a week of recordings on every channel
// (several files a day, of three types) that searches find and page through,
// 64 playback sessions that open, pause, step, change speed and jump, live
// streams per channel, image parameters that keep what was set, and the
// device's RTSP addresses and external ports.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/text.h"
#include "coresim_registry.h"
#include "proto/stream_proto.h"

using namespace stream;

namespace {
constexpr int kPageSize = 20;
constexpr int kDays = 7;
constexpr int kBusySessions = 8;  // playing sessions beyond which the device is busy
constexpr int kStepSeconds = 1;
// Speeds the daemon knows: a negative value plays at 1/|value|.
constexpr int kSpeeds[] = {-16, -8, -4, -2, 1, 2, 4, 8, 16};

enum RecordType { kContinuous = 1, kMotion = 2, kAlarm = 4 };

struct Recording {
  int channel;
  time_t start;
  time_t end;
  int type;
  int lock;
};

enum PlayState { kIdle, kPlaying, kPaused };

struct Session {
  bool used = false;
  int channel = 0;
  std::vector<Recording> found;
  PlayState state = kIdle;
  int speed = 1;
  int direction = 0;
  double play = 0;      // play position, seconds since the epoch
  time_t updated = 0;   // wall clock of the last position update
  int transcoding = 0;
};

struct StreamState {
  std::array<Session, kMaxSessions> sessions;
  std::array<ImageParams, kChannels> image{};
  std::array<std::array<bool, 2>, kChannels> live{};

  StreamState() {
    for (int ch = 0; ch < kChannels; ++ch) {
      image[ch] = ImageParams{ch, 128, 128, 128, 128, 128, 0};
    }
  }

  Session* session(int sid) { return sid >= 0 && sid < kMaxSessions && sessions[sid].used ? &sessions[sid] : nullptr; }

  int open_slot() {
    for (int i = 0; i < kMaxSessions; ++i)
      if (!sessions[i].used) {
        sessions[i] = Session{};
        sessions[i].used = true;
        return i;
      }
    return -1;
  }

  int playing() const {
    return static_cast<int>(std::count_if(sessions.begin(), sessions.end(),
                                          [](const Session& s) { return s.used && s.state == kPlaying; }));
  }
};

time_t midnight(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

// The files of one channel, oldest first: each day of the last week has a
// night, a motion clip, a morning, an alarm clip and an evening.
std::vector<Recording> recordings(int channel) {
  struct Piece {
    int from, to, type, lock;
  };
  static constexpr Piece kDay[] = {
      {0, 6 * 3600, kContinuous, 0},          {6 * 3600, 6 * 3600 + 900, kMotion, 0},
      {9 * 3600, 12 * 3600, kContinuous, 0},  {12 * 3600, 12 * 3600 + 300, kAlarm, 1},
      {18 * 3600, 24 * 3600 - 1, kContinuous, 0},
  };
  std::vector<Recording> out;
  time_t today = midnight(time(nullptr));
  for (int d = kDays - 1; d >= 0; --d) {
    time_t day = today - static_cast<time_t>(d) * 86400;
    for (const Piece& p : kDay) out.push_back({channel, day + p.from, day + p.to, p.type, p.lock});
  }
  return out;
}

bool parse_time(const char* text, time_t* out) {
  struct tm tm {};
  const char* end = strptime(text, "%Y-%m-%d %H:%M:%S", &tm);
  if (!end || *end) return false;
  tm.tm_isdst = -1;
  *out = mktime(&tm);
  return *out >= 0;
}

template <size_t N>
void format_time(char (&out)[N], time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  if (strftime(out, N, "%Y-%m-%d %H:%M:%S", &tm) == 0) out[0] = '\0';
}

template <size_t N>
std::string text_of(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// The position now, moved on by the time it has been playing.
void advance(Session& s) {
  time_t now = time(nullptr);
  if (s.state == kPlaying && s.updated) {
    double rate = s.speed > 0 ? s.speed : 1.0 / -s.speed;
    s.play += (s.direction < 0 ? -rate : rate) * static_cast<double>(now - s.updated);
  }
  s.updated = now;
}

// A reply shorter than one record: nothing found (an empty one would be no reply at all).
std::string nothing() { return status_word(0); }

std::string page_of(const Session& s, int sid, int page) {
  std::string out;
  if (page < 0 || static_cast<size_t>(page) * kPageSize >= s.found.size()) return nothing();  // past the last page
  size_t end = std::min(s.found.size(), static_cast<size_t>(page + 1) * kPageSize);
  for (size_t i = static_cast<size_t>(page) * kPageSize; i < end; ++i) {
    const Recording& r = s.found[i];
    SearchResult rec{};
    rec.channel = r.channel;
    rec.sid = sid;
    rec.lock = r.lock;
    rec.record_type = r.type;
    format_time(rec.start, r.start);
    format_time(rec.end, r.end);
    out += bytes_of(rec);
  }
  return out;
}

std::string search(StreamState& st, const CoreRequest& req) {
  auto q = read_as<SearchRequest>(req);
  std::string channels = text_of(q.channels);
  size_t channel = channels.find('1');
  time_t from, to;
  if (channel == std::string::npos || channel >= kChannels || !parse_time(text_of(q.start).c_str(), &from) ||
      !parse_time(text_of(q.end).c_str(), &to))
    return nothing();
  int sid = st.open_slot();
  if (sid < 0) return nothing();
  Session& s = st.sessions[sid];
  s.channel = static_cast<int>(channel);
  for (const Recording& r : recordings(s.channel))
    if (r.end > from && r.start < to) s.found.push_back(r);
  if (s.found.empty()) {
    s.used = false;
    return nothing();
  }
  return page_of(s, sid, 0);
}

std::string search_page(StreamState& st, const CoreRequest& req) {
  auto q = read_as<SearchPageRequest>(req);
  Session* s = st.session(q.sid);
  return s ? page_of(*s, q.sid, q.page) : nothing();
}

// Sessions named by a list, without the ids that name none.
template <class Fn>
void each_session(StreamState& st, const int32_t* ids, int32_t count, Fn fn) {
  int n = std::clamp(count, 0, kMaxSessions);
  for (int i = 0; i < n; ++i)
    if (Session* s = st.session(ids[i])) fn(*s, i);
}

void close_searches(StreamState& st, const CoreRequest& req) {
  auto l = read_as<SessionList>(req);
  each_session(st, l.ids, l.count, [](Session& s, int) { s = Session{}; });
}

void close_session(StreamState& st, const CoreRequest& req) {
  if (Session* s = st.session(read_as<int32_t>(req))) s->state = kIdle;
}

std::string open_playback(StreamState& st, const CoreRequest& req) {
  auto o = read_as<OpenPlaybackRequest>(req);
  Session* s = st.session(o.sid);
  time_t play;
  if (!s || (!parse_time(text_of(o.play).c_str(), &play) && !parse_time(text_of(o.start).c_str(), &play)))
    return status_word(-1);
  s->channel = o.channel;
  s->state = kPlaying;
  s->speed = 1;
  s->direction = 0;
  s->play = static_cast<double>(play);
  s->updated = time(nullptr);
  return status_word(0);
}

std::string open_mask_playback(StreamState& st, const CoreRequest& req) {
  auto m = read_as<MaskPlaybackRequest>(req);
  OpenedSession out{};
  out.failed = 1;
  int channel = -1;
  for (int i = 0; i < 8 && channel < 0; ++i)
    for (int bit = 0; bit < 32 && i * 32 + bit < kChannels; ++bit)
      if (m.masks[i] & (1 << bit)) {
        channel = i * 32 + bit;
        break;
      }
  int sid = channel >= 0 && m.play_seconds >= 0 ? st.open_slot() : -1;
  if (sid >= 0) {
    Session& s = st.sessions[sid];
    s.channel = channel;
    s.state = kPlaying;
    s.play = static_cast<double>(m.play_seconds);
    s.updated = time(nullptr);
    out.sid = sid;
    format_time(out.play, static_cast<time_t>(m.play_seconds));
    out.failed = 0;
  }
  return bytes_of(out);
}

std::string playback_stream(StreamState& st, const CoreRequest& req) {
  int sid = read_as<int32_t>(req);
  Session* s = st.session(sid);
  if (!s) return nothing();
  PlaybackStream p{};
  p.sid = sid;
  p.port = 554;
  p.external_port = 10554;
  p.external_http_port = 8080;
  p.ddns_port = 20554;
  p.ddns_http_port = 28080;
  snprintf(p.source_path, sizeof p.source_path, "/playback/ch%02d/session%d", s->channel + 1, sid);
  return bytes_of(p);
}

std::string play_time(StreamState& st, const CoreRequest& req) {
  Session* s = st.session(read_as<int32_t>(req));
  int64_t t = 0;
  if (s && s->state != kIdle) {
    advance(*s);
    t = static_cast<int64_t>(s->play);
  }
  return bytes_of(t);
}

void set_state(StreamState& st, const CoreRequest& req, PlayState to) {
  auto l = read_as<SessionList>(req);
  each_session(st, l.ids, l.count, [to](Session& s, int) {
    if (s.state == kIdle) return;
    advance(s);
    s.state = to;
  });
}

void step(StreamState& st, const CoreRequest& req) {
  auto l = read_as<SessionList>(req);
  each_session(st, l.ids, l.count, [](Session& s, int) {
    if (s.state == kIdle) return;
    advance(s);
    s.state = kPaused;
    s.play += kStepSeconds;
  });
}

void resume(StreamState& st, const CoreRequest& req) {
  auto r = read_as<ResumeRequest>(req);
  if (Session* s = st.session(r.sid); s && s->state != kIdle) {
    advance(*s);
    s->state = kPlaying;
    s->direction = r.direction;
  }
}

bool known_speed(int speed) { return std::find(std::begin(kSpeeds), std::end(kSpeeds), speed) != std::end(kSpeeds); }

void set_speed_of(Session& s, int speed) {
  if (s.state == kIdle || !known_speed(speed)) return;  // a speed outside the table changes nothing
  advance(s);
  s.speed = speed;
}

void fast_forward(StreamState& st, const CoreRequest& req) {
  auto l = read_as<SessionList>(req);
  each_session(st, l.ids, l.count, [&l](Session& s, int i) { set_speed_of(s, l.speeds[i]); });
}

void set_speed(StreamState& st, const CoreRequest& req) {
  auto r = read_as<SpeedRequest>(req);
  each_session(st, r.ids, r.count, [&r](Session& s, int) { set_speed_of(s, r.speed); });
}

std::string jump(StreamState& st, const CoreRequest& req) {
  auto j = read_as<JumpRequest>(req);
  time_t to;
  if (!parse_time(text_of(j.time).c_str(), &to) || j.count < 1) return status_word(-1);
  bool all = true;
  for (int i = 0; i < std::min(j.count, kMaxSessions); ++i) {
    Session* s = st.session(j.ids[i]);
    if (!s || s->state == kIdle) {
      all = false;
      continue;
    }
    advance(*s);
    s->play = static_cast<double>(to);
  }
  return status_word(all ? 0 : -1);
}

std::string transcode(StreamState& st, const CoreRequest& req, bool set) {
  auto t = read_as<TranscodeRequest>(req);
  TranscodeState out{t.ch, t.sid, -1};
  if (Session* s = st.session(t.sid)) {
    if (set) s->transcoding = t.mode != 0 ? 1 : 0;
    out.state = s->transcoding;
  }
  return bytes_of(out);
}

std::string start_live(StreamState& st, const CoreRequest& req) {
  auto l = read_as<LiveRequest>(req);
  LiveStream out{};
  out.channel = l.channel;
  if (l.channel < 0 || l.channel >= kChannels || (l.stream_type != 0 && l.stream_type != 1)) {
    out.result = -1;
    return bytes_of(out);
  }
  st.live[l.channel][l.stream_type] = true;
  out.port = 554;
  out.direct = l.stream_from;
  snprintf(out.rtsp_addr, sizeof out.rtsp_addr, "rtsp://192.0.2.10:554/ch%02d/%s", l.channel + 1,
           l.stream_type ? "sub" : "main");
  snprintf(out.res_path, sizeof out.res_path, "/ch%02d/%d", l.channel + 1, l.stream_type);
  return bytes_of(out);
}

void stop_live(StreamState& st, const CoreRequest& req) {
  auto l = read_as<LiveRequest>(req);
  if (l.channel >= 0 && l.channel < kChannels && (l.stream_type == 0 || l.stream_type == 1))
    st.live[l.channel][l.stream_type] = false;
}

std::string get_image(StreamState& st, const CoreRequest& req) {
  int ch = read_as<int32_t>(req);
  ImageReply out{};
  if (ch < 0 || ch >= kChannels) {
    out.result = -1;
    return bytes_of(out);
  }
  out.params = st.image[ch];
  return bytes_of(out);
}

void set_image(StreamState& st, const CoreRequest& req) {
  auto p = read_as<ImageParams>(req);
  if (p.channel >= 0 && p.channel < kChannels) st.image[p.channel] = p;
}

void fill_block(RtspStreamBlock& b, int port, const char* path) {
  b.port = port;
  b.external_port = port + 10000;
  b.ddns_port = port + 20000;
  b.external_http_port = 8080;
  b.ddns_http_port = 28080;
  copy_text(b.user, "admin");
  copy_text(b.password, "******");
  copy_text(b.res_path, path);
}

std::string rtsp_addr(StreamState&, const CoreRequest&) {
  RtspAddr a{};
  copy_text(a.main_addr, "rtsp://192.0.2.10:554/main");
  copy_text(a.sub_addr, "rtsp://192.0.2.10:554/sub");
  fill_block(a.main, 554, "/main");
  fill_block(a.sub, 554, "/sub");
  return bytes_of(a);
}

template <class Fn>
Answer on_state(Fn fn) {
  return ::on_state<StreamState>(fn);
}
template <class Fn>
Answer silent(Fn fn) {
  return ::silent<StreamState>(fn);
}

const CoreAnswerTable kStreamAnswers{
    {kReqSearch, on_state(search), {}},
    {kReqSearchPage, on_state(search_page), {}},
    {kReqCloseSearch, silent(close_searches), {}},
    {kReqCloseSession, silent(close_session), {}},
    {kReqOpenPlayback, on_state(open_playback), {}},
    {kReqOpenMaskPlayback, on_state(open_mask_playback), {}},
    {kReqPlaybackStream, on_state(playback_stream), {}},
    {kReqPlayTime, on_state(play_time), {}},
    {kReqStopPlayback, silent([](StreamState& st, const CoreRequest& r) { set_state(st, r, kIdle); }), {}},
    {kReqPause, silent([](StreamState& st, const CoreRequest& r) { set_state(st, r, kPaused); }), {}},
    {kReqResume, silent(resume), {}},
    {kReqStep, silent(step), {}},
    {kReqStepBatch, silent(step), {}},
    {kReqFastForward, silent(fast_forward), {}},
    {kReqSlowForward, silent(set_speed), {}},
    {kReqSetSpeed, silent(set_speed), {}},
    {kReqJump, on_state(jump), {}},
    {kReqTranscode, on_state([](StreamState& st, const CoreRequest& r) { return transcode(st, r, true); }), {}},
    {kReqTranscodeState, on_state([](StreamState& st, const CoreRequest& r) { return transcode(st, r, false); }), {}},
    {kReqStartLive, on_state(start_live), {}},
    {kReqStopLive, silent(stop_live), {}},
    {kReqStopAllLive, silent([](StreamState& st, const CoreRequest&) { st.live = {}; }), {}},
    {kReqGetImage, on_state(get_image), {}},
    {kReqSetImage, silent(set_image), {}},
    {kReqRtspAddr, on_state(rtsp_addr), {}},
    {kReqExternPorts, on_state([](StreamState&, const CoreRequest&) { return bytes_of(ExternPorts{10554, 20554}); }), {}},
    {kReqStreamBusy, on_state([](StreamState& st, const CoreRequest&) { return status_word(st.playing() >= kBusySessions ? 1 : 0); }), {}},
    {kReqStopDownload, silent([](StreamState&, const CoreRequest&) {}), {}},
};
}  // namespace
