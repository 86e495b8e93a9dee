// Playback sessions: search, open, play time and the session commands
// (/4000-/4009, /4020, /4022, /4023, /3003).
#include <json-c/json.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <iterator>

#include "base/paths.h"
#include "base/text.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/stream/stream_module.h"
#include "platform/kvdb_stream.h"
#include "proto/stream_proto.h"

using namespace stream;

namespace {
constexpr IpcCallback kCb = on_stream_callback;
constexpr int64_t kAnyInt = INT32_MAX;

JsonPtr parse_checked(const char* text, const JsonRule* rules, size_t n) {
  JsonPtr req = json_parse(text);
  if (req && !json_check(req.get(), rules, n)) req.reset();
  return req;
}
template <size_t N>
JsonPtr parse_checked(const char* text, const JsonRule (&rules)[N]) {
  return parse_checked(text, rules, N);
}

int get_int(const json_object* req, const char* key) {
  int v = 0;
  json_get_int(req, key, &v);
  return v;
}

// Integers of array `key`: as many as `num` names, the array holds and a
// record takes (64). False when an element is not an integer.
bool read_ints(const json_object* req, const char* key, int num, int32_t* out, int* count) {
  json_object* arr = nullptr;
  if (json_get_array(req, key, &arr) != JsonGet::kOk) return false;
  int n = static_cast<int>(std::min<size_t>(json_array_size(arr), kMaxSessions));
  if (num < n) n = num < 0 ? 0 : num;
  for (int i = 0; i < n; ++i)
    if (!json_value_int(json_array_at(arr, i), &out[i])) return false;
  *count = n;
  return true;
}

// Arrays a and b read pairwise: as many pairs as `num` names and both hold.
bool read_pairs(const json_object* req, const char* ka, const char* kb, int num, int32_t* a, int32_t* b, int* count) {
  int na = 0, nb = 0;
  if (!read_ints(req, ka, num, a, &na) || !read_ints(req, kb, na, b, &nb)) return false;
  for (int i = nb; i < na; ++i) a[i] = 0;
  *count = nb;
  return true;
}

bool read_sessions(const json_object* req, const char* key, int num, SessionList* list) {
  return read_ints(req, key, num, list->ids, &list->count);
}

// Channel string of a search: '1' at the searched channel, '0' for the
// device's other channels.
void channel_text(char (&out)[68], int channel) {
  StoredDevice dev{};
  int channels = db_get_device(devpaths::kKvdb, &dev) == 0 ? dev.max_cameras : kChannels;
  channels = std::clamp(channels, 0, kMaxChannelText);
  memset(out, 0, sizeof out);
  for (int i = 0; i < channels; ++i) out[i] = i == channel ? '1' : '0';
}

void close_session(int32_t sid) {
  SessionList list{};
  list.ids[0] = sid;
  list.count = 1;
  ipc_send(kCb, kReqCloseSearch, list);
  ipc_send(kCb, kReqCloseSession, sid);
}

// After the opening reply: ask for the session's stream, then log the playback.
void open_stream(int log_channel) {
  if (ipc_result() != kSessionOpened) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(kCb, kReqPlaybackStream, session_recalled().sid, ErrMode::kJson);
  send_op_log(kCb, kLogSubPlayback, kLogParamStream, log_channel);
}

constexpr JsonRule kSessionsRules[] = {
    {"num", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"sid", true, JsonType::kArray, 0, kAnyInt},
};

// A command naming "num" sessions of "sid".
void send_sessions(const char* text, IpcCode code) {
  JsonPtr req = parse_checked(text, kSessionsRules);
  SessionList list{};
  if (!req || !read_sessions(req.get(), "sid", get_int(req.get(), "num"), &list)) return;
  ipc_send(kCb, code, list);
  answer_ok();
}
}  // namespace

namespace {
constexpr JsonRule kSearchRules[] = {
    {"channelId", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"sid", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"streamType", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"time", true, JsonType::kText, 0, kAnyInt},
    {"endTime", true, JsonType::kText, 0, kAnyInt},
};
}  // namespace

void on_search_playback(char* text) {
  JsonPtr req = parse_checked(text, kSearchRules);
  if (!req) return;
  SearchRequest s{};
  channel_text(s.channels, get_int(req.get(), "channelId"));
  s.one = 1;
  s.sub_stream = get_int(req.get(), "streamType") == 1 ? 1 : 0;
  s.minus1[0] = s.minus1[1] = -1;
  json_get_text(req.get(), "time", s.start, sizeof s.start);
  json_get_text(req.get(), "endTime", s.end, sizeof s.end);
  int32_t sid = get_int(req.get(), "sid");
  if (sid >= 0) close_session(sid);
  ipc_request(kCb, kReqSearch, s, ErrMode::kJson);
}

namespace {
// A negative page names no page.
constexpr JsonRule kPageRules[] = {
    {"sid", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"page", true, JsonType::kInt, 0, kAnyInt},
};
}  // namespace

void on_search_playback_page(char* text) {
  JsonPtr req = parse_checked(text, kPageRules);
  if (!req) return;
  SearchPageRequest p{};
  p.sid = get_int(req.get(), "sid");
  p.page = get_int(req.get(), "page");
  ipc_request(kCb, kReqSearchPage, p, ErrMode::kJson);
}

namespace {
constexpr JsonRule kStartRules[] = {
    {"channelId", true, JsonType::kInt, 0, kChannels - 1},
    {"playTime", true, JsonType::kText, 0, kAnyInt},
    {"startTime", true, JsonType::kText, 0, kAnyInt},
    {"endTime", true, JsonType::kText, 0, kAnyInt},
    {"sid", true, JsonType::kInt, INT32_MIN, kAnyInt},
};
}  // namespace

void on_start_playback(char* text) {
  JsonPtr req = parse_checked(text, kStartRules);
  if (!req) return;
  OpenPlaybackRequest o{};
  o.channel = get_int(req.get(), "channelId");
  o.sid = get_int(req.get(), "sid");
  json_get_text(req.get(), "startTime", o.start, sizeof o.start);
  json_get_text(req.get(), "endTime", o.end, sizeof o.end);
  json_get_text(req.get(), "playTime", o.play, sizeof o.play);
  if (!ipc_request(kCb, kReqOpenPlayback, o, ErrMode::kJson)) return;
  if (ipc_result() == kSessionOpened) session_remember(o.sid, o.play);
  open_stream(o.channel + 1);
}

namespace {
constexpr JsonRule kMaskRules[] = {
    {"mask0", true, JsonType::kInt, INT32_MIN, kAnyInt}, {"mask1", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"mask2", true, JsonType::kInt, INT32_MIN, kAnyInt}, {"mask3", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"mask4", true, JsonType::kInt, INT32_MIN, kAnyInt}, {"mask5", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"mask6", true, JsonType::kInt, INT32_MIN, kAnyInt}, {"mask7", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"playTime", true, JsonType::kText, 0, kAnyInt},
};

// "%Y-%m-%d %H:%M:%S" in local time; -1 when it is not one.
int64_t local_seconds(const char* text) {
  struct tm tm {};
  const char* end = strptime(text, "%Y-%m-%d %H:%M:%S", &tm);
  if (!end || *end) return -1;
  tm.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&tm));
}

bool check_start_playback_mask(const json_object* req, MaskPlaybackRequest* m) {
  if (!json_check(req, kMaskRules)) return false;
  for (int i = 0; i < 8; ++i) m->masks[i] = get_int(req, kMaskRules[i].key);
  json_get_text(req, "playTime", m->play, sizeof m->play);
  m->play_seconds = local_seconds(m->play);
  return m->play_seconds >= 0;
}
}  // namespace

void on_start_playback_mask(char* text) {
  JsonPtr req = json_parse(text);
  MaskPlaybackRequest m{};
  if (!req || !check_start_playback_mask(req.get(), &m)) return;
  if (!ipc_request(kCb, kReqOpenMaskPlayback, m, ErrMode::kJson)) return;
  open_stream(0);  // several channels: the entry names none
}

void on_get_playback_time(char* text) {
  int32_t sid;
  if (text_int(text, INT32_MIN, INT32_MAX, &sid)) ipc_request(kCb, kReqPlayTime, sid, ErrMode::kJson);
}

namespace {
constexpr JsonRule kStopRules[] = {
    {"close", false, JsonType::kInt, INT32_MIN, kAnyInt},
    {"num", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"sid", true, JsonType::kArray, 0, kAnyInt},
};
}  // namespace

void on_stop_playback(char* text) {
  JsonPtr req = parse_checked(text, kStopRules);
  SessionList list{};
  if (!req || !read_sessions(req.get(), "sid", get_int(req.get(), "num"), &list)) return;
  for (int i = 0; i < list.count; ++i)
    if (list.ids[i] >= 0) ipc_send(kCb, kReqCloseSession, list.ids[i]);
  ipc_send(kCb, kReqStopPlayback, list);
  if (get_int(req.get(), "close") == 1) ipc_send(kCb, kReqCloseSearch, list);
  answer_ok();
}

void on_pause_playback(char* text) { send_sessions(text, kReqPause); }
void on_step_foward_playback(char* text) { send_sessions(text, kReqStep); }

namespace {
constexpr JsonRule kResumeRules[] = {
    {"sid", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"direction", true, JsonType::kInt, INT32_MIN, kAnyInt},
};
}  // namespace

void on_resume_playback(char* text) {
  JsonPtr req = parse_checked(text, kResumeRules);
  if (!req) return;
  ResumeRequest r{get_int(req.get(), "sid"), get_int(req.get(), "direction")};
  ipc_send(kCb, kReqResume, r);
  answer_ok();
}

void on_step_playback_batch(char* text) {
  JsonPtr req = json_parse(text);
  SessionList list{};
  if (!req || !read_sessions(req.get(), "sessionId", kMaxSessions, &list)) return;
  ipc_send(kCb, kReqStepBatch, list);
  answer_ok();
}

namespace {
constexpr JsonRule kFastRules[] = {
    {"chind", true, JsonType::kInt, 0, kAnyInt},
    {"num", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"sessionId", true, JsonType::kArray, 0, kAnyInt},
    {"speed", true, JsonType::kArray, 0, kAnyInt},
};
}  // namespace

void on_fastforward_playback(char* text) {
  JsonPtr req = parse_checked(text, kFastRules);
  SessionList list{};
  if (!req || !read_pairs(req.get(), "sessionId", "speed", get_int(req.get(), "num"), list.ids, list.speeds,
                          &list.count))
    return;
  ipc_send(kCb, kReqFastForward, list);
  answer_ok();
}

namespace {
// "chind" carries the sessions here.
constexpr JsonRule kSlowRules[] = {
    {"chind", true, JsonType::kArray, 0, kAnyInt},
    {"num", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"speed", true, JsonType::kInt, INT32_MIN, kAnyInt},
};
constexpr JsonRule kSpeedRules[] = {
    {"num", true, JsonType::kInt, INT32_MIN, kAnyInt},
    {"sid", true, JsonType::kArray, 0, kAnyInt},
    {"speed", true, JsonType::kInt, INT32_MIN, kAnyInt},
};

// The speed of "num" sessions of array `key`; `flag` lets the daemon apply
// double speed to a lone session.
void send_speed(const char* text, const JsonRule* rules, size_t nrules, const char* key, IpcCode code, bool flag) {
  JsonPtr req = parse_checked(text, rules, nrules);
  SpeedRequest s{};
  if (!req || !read_ints(req.get(), key, get_int(req.get(), "num"), s.ids, &s.count)) return;
  s.speed = get_int(req.get(), "speed");
  s.flag = flag && s.speed == 2 && s.count == 1 ? 1 : 0;
  ipc_send(kCb, code, s);
  answer_ok();
}
}  // namespace

void on_slowforward_playback(char* text) {
  send_speed(text, kSlowRules, std::size(kSlowRules), "chind", kReqSlowForward, false);
}

void on_set_speed_playback(char* text) {
  send_speed(text, kSpeedRules, std::size(kSpeedRules), "sid", kReqSetSpeed, true);
}

namespace {
constexpr JsonRule kJumpRules[] = {
    {"jumpTime", true, JsonType::kText, 0, kAnyInt},
    {"sid", true, JsonType::kArray, 0, kAnyInt},
    {"chnid", true, JsonType::kArray, 0, kAnyInt},
    {"num", true, JsonType::kInt, INT32_MIN, kAnyInt},
};
}  // namespace

void on_jump_playback(char* text) {
  JsonPtr req = parse_checked(text, kJumpRules);
  if (!req) return;
  JumpRequest j{};
  if (!read_pairs(req.get(), "sid", "chnid", get_int(req.get(), "num"), j.ids, j.channels, &j.count)) return;
  if (j.count < 1) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_get_text(req.get(), "jumpTime", j.time, sizeof j.time);
  ipc_request(kCb, kReqJump, j, ErrMode::kJson);
}
