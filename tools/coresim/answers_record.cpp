// Simulated recording: each channel records what its stored schedule gives
// for the current local day and time (day 7, holidays, is never today); the
// schedule and mode notices make it read the database again.
#include "answers_record.h"

#include <cstdio>
#include <ctime>

#include "base/paths.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_record.h"

using namespace record;

namespace {
int minutes_of(const char* hhmm) {
  int h = 0, m = 0;
  return sscanf(hhmm, "%d:%d", &h, &m) == 2 ? h * 60 + m : -1;
}

int32_t action_now(const ScheduleRec& s) {
  time_t now = time(nullptr);
  struct tm t {};
  localtime_r(&now, &t);
  const ScheduleDay& d = s.day[t.tm_wday];
  if (d.whole_day_enable) return d.whole_day_action;
  int minute = t.tm_hour * 60 + t.tm_min;
  for (const SchedulePeriod& p : d.period) {
    int from = minutes_of(p.start), to = minutes_of(p.end);
    if (from >= 0 && from <= minute && minute < to) return p.action;
  }
  return 0;
}

void load_channels(CoreRecordState& st, uint64_t mask) {
  static ScheduleRec sched;
  for (int n = 0; n < kChannels; ++n) {
    if (!(mask >> n & 1)) continue;
    read_record_schedule(devpaths::kKvdb, n, &sched);
    st.action[n] = action_now(sched);
    RecordRec rec{};
    read_record(devpaths::kKvdb, &rec, n);
    st.mode[n] = rec.mode;
  }
}

CoreRecordState& loaded(CoreRecordState& st) {
  if (!st.loaded) {
    load_channels(st, ~0ull);
    st.loaded = true;
  }
  return st;
}

std::string set_anr(CoreRecordState& st, const CoreRequest& req) {
  auto r = read_as<AnrRequest>(req);
  AnrReply rep{};
  rep.count = r.count < 0 ? 0 : (r.count > kChannels ? kChannels : r.count);
  for (int i = 0; i < rep.count; ++i) {
    rep.primary[i] = r.chn[i];
    if (r.chn[i] >= 0 && r.chn[i] < kChannels) st.anr[r.chn[i]] = r.anr;
  }
  return bytes_of(rep);
}

// Cameras of our own make that are not behind a PoE port support ANR.
std::string anr_support(CoreRecordState&, const CoreRequest& req) {
  AnrSupport rep{read_as<int32_t>(req), 0};
  CameraRec cam{};
  if (rep.chn >= 0 && rep.chn < kChannels && read_camera(devpaths::kKvdb, &cam, rep.chn) == 0)
    rep.support = cam.poe_channel == 0 && cam.protocol != 1 ? 1 : 0;
  return bytes_of(rep);
}

// Per channel: main stream and sub stream being recorded now.
std::string channel_lists(CoreRecordState& st, const CoreRequest&) {
  loaded(st);
  ChannelLists rep{};
  int max = get_param_int(devpaths::kKvdb, "max_cameras", 32);
  rep.count = max < 0 ? 0 : (max > kChannels ? kChannels : max);
  static CameraRec cams[kCameraChannels];
  read_cameras(devpaths::kKvdb, cams, nullptr);
  for (int n = 0; n < rep.count; ++n) {
    bool on = st.action[n] != 0;
    rep.primary[n] = on && cams[n].record_stream != 1 ? 1 : 0;
    rep.secondary[n] = on && cams[n].record_stream != 0 ? 1 : 0;
  }
  return bytes_of(rep);
}

std::string describe_mask(const CoreRequest& req) {
  char text[48];
  snprintf(text, sizeof text, "channels 0x%llx", static_cast<unsigned long long>(read_as<uint64_t>(req)));
  return text;
}

const CoreAnswerTable kRecordAnswers{
    {kReqHolidayChanged, silent<CoreRecordState>([](CoreRecordState& s, const CoreRequest&) { ++s.holidays_changed; }), {}},
    {kReqParamsChanged, silent<CoreRecordState>([](CoreRecordState& s, const CoreRequest&) { ++s.params_changed; }), {}},
    {kReqScheduleChanged,
     silent<CoreRecordState>([](CoreRecordState& s, const CoreRequest& r) { load_channels(loaded(s), read_as<uint64_t>(r)); }),
     describe_mask},
    {kReqModeMask,
     silent<CoreRecordState>([](CoreRecordState& s, const CoreRequest& r) { load_channels(loaded(s), read_as<uint64_t>(r)); }),
     describe_mask},
    {kReqModeChanged,
     silent<CoreRecordState>([](CoreRecordState& s, const CoreRequest& r) {
       int n = read_as<int32_t>(r);
       if (n >= 0 && n < kChannels) load_channels(loaded(s), 1ull << n);
     }),
     {}},
    {kReqSetAnr, on_state<CoreRecordState>(set_anr), {}},
    {kReqAnrSupport, on_state<CoreRecordState>(anr_support), {}},
    {kReqChannelLists, on_state<CoreRecordState>(channel_lists), {}},
};
}  // namespace

CoreRecordState coresim_record_state(CoreDevice& dev) {
  std::lock_guard<std::mutex> lock(dev.mu);
  CoreRecordState& st = loaded(dev.part<CoreRecordState>());
  load_channels(st, ~0ull);
  return st;
}
