// One action schedule at a time (/6118-/6129, /6152-/6170): the schedule of
// one channel or of a channel list, with the record members and PTZ entries
// that go with it, and the trigger outputs of many channels at once.
#include <json-c/json.h>

#include <cstring>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_action.h"
#include "platform/kvdb_video.h"
#include "proto/oplog.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
// The records of an event source: one channel at a time, or all 64.
struct SourceRecords {
  size_t size;
  int (*read)(const char* path, void* rec, int chn);
  int (*write)(const char* path, const void* rec);
  int (*read_all)(const char* path, void* recs);
  int (*write_all)(const char* path, const void* recs, uint64_t mask);
};

int read_all_video_losts(const char* path, void* recs) {
  return read_video_losts(path, static_cast<VideoLossRec*>(recs));
}
int write_all_video_losts(const char* path, const void* recs, uint64_t mask) {
  return write_video_losts(path, static_cast<const VideoLossRec*>(recs), mask);
}
int read_all_alarm_ins(const char* path, void* recs) {
  return read_alarm_ins(path, static_cast<AlarmInRec*>(recs), nullptr);
}
int write_all_alarm_ins(const char* path, const void* recs, uint64_t mask) {
  return write_alarm_ins(path, static_cast<const AlarmInRec*>(recs), mask);
}

constexpr SourceRecords kMotionRecs = {sizeof(MotionRec), db_read<MotionRec, read_motion>,
                                       db_write<MotionRec, write_motion>, nullptr, nullptr};
constexpr SourceRecords kVideoLossRecs = {sizeof(VideoLossRec), nullptr, nullptr, read_all_video_losts,
                                          write_all_video_losts};
constexpr SourceRecords kAlarmInRecs = {sizeof(AlarmInRec), nullptr, nullptr, read_all_alarm_ins,
                                        write_all_alarm_ins};

enum class Form {
  kOne,      // "camId" only
  kList,     // "cnt" + "chnid": the members into each record, the schedule to each
  kListPtz,  // as kList, with the PTZ entries of "camId" copied to each
};

struct ScheduleRoute {
  const char* table;
  Form form;
  const SourceRecords* records;  // for the members, or null
  Fields members;
  int ptz_type;
  IpcCode notice;  // kOne: the channel; lists: the mask
};

constexpr Field kMotionEmail[] = {
    FIELD(MotionRec, email_enable, "enable"),
    FIELD(MotionRec, email_interval, "interval"),
};
constexpr Field kVideoLossAudible[] = {
    FIELD(VideoLossRec, enable, "enable"),
    FIELD(VideoLossRec, interval, "interval"),
};
constexpr Field kVideoLossEmail[] = {
    FIELD(VideoLossRec, email_enable, "enable"),
    FIELD(VideoLossRec, email_interval, "interval"),
};
constexpr Field kAlarmInAudible[] = {
    FIELD(AlarmInRec, enable, "enable"),
    FIELD(AlarmInRec, interval, "interval"),
};
constexpr Field kAlarmInEmail[] = {
    FIELD(AlarmInRec, email_enable, "enable"),
    FIELD(AlarmInRec, email_interval, "interval"),
    FIELD(AlarmInRec, tri_snapshot, "triSnapshot"),
};

constexpr ScheduleRoute kMotionEffectiveSet = {kMotionEffectiveTable, Form::kOne, nullptr, {}, 0, kReqMotionChanged};
constexpr ScheduleRoute kMotionEmailSet = {kMotionEmailTable, Form::kOne, &kMotionRecs, kMotionEmail, 0,
                                           kReqMotionChanged};
constexpr ScheduleRoute kMotionPtzSet = {kMotionPtzTable, Form::kOne, nullptr, {}, 0, kReqMotionChanged};
constexpr ScheduleRoute kAlarmInEffectiveSet = {kAlarmInEffectiveTable, Form::kOne, nullptr, {}, 0,
                                                kReqAlarmInChanged};
constexpr ScheduleRoute kVideoLossAudibleSet = {kVideoLossScheduleTable, Form::kList, &kVideoLossRecs,
                                                kVideoLossAudible, 0, kReqVideoLossesChanged};
constexpr ScheduleRoute kVideoLossEmailSet = {kVideoLossEmailTable, Form::kList, &kVideoLossRecs, kVideoLossEmail, 0,
                                              kReqVideoLossesChanged};
constexpr ScheduleRoute kVideoLossPtzSet = {kVideoLossPtzTable, Form::kListPtz, nullptr, {}, kPtzTypeVideoLoss,
                                            kReqVideoLossesChanged};
constexpr ScheduleRoute kAlarmInAudibleSet = {kAlarmInAudibleTable, Form::kList, &kAlarmInRecs, kAlarmInAudible, 0,
                                              kReqAlarmInsChanged};
constexpr ScheduleRoute kAlarmInEmailSet = {kAlarmInEmailTable, Form::kList, &kAlarmInRecs, kAlarmInEmail, 0,
                                            kReqAlarmInsChanged};
constexpr ScheduleRoute kAlarmInPtzSet = {kAlarmInPtzTable, Form::kListPtz, nullptr, {}, kPtzTypeAlarmIn,
                                          kReqAlarmInsChanged};

bool in_channels(int chn) { return chn >= 0 && chn < kChannels; }

// The members into the record of chn.
bool store_one(const ScheduleRoute& r, json_object* req, int chn) {
  if (!r.records) return true;
  alignas(8) unsigned char rec[1024] = {};
  r.records->read(devpaths::kKvdb, rec, chn);
  memcpy(rec, &chn, sizeof chn);
  fields_from_json(req, rec, r.members);
  return r.records->write(devpaths::kKvdb, rec) == 0;
}

// The members into the record of every channel of mask; only the records
// they changed are written.
bool store_list(const ScheduleRoute& r, json_object* req, uint64_t mask) {
  if (!r.records) return true;
  const size_t size = r.records->size;
  std::vector<unsigned char> recs(size * kChannels);
  if (r.records->read_all(devpaths::kKvdb, recs.data()) != 0) return false;  // never write back zeros
  uint64_t changed = 0;
  std::vector<unsigned char> before(size);
  for (int c = 0; c < kChannels; ++c) {
    if (!(mask >> c & 1)) continue;
    unsigned char* rec = recs.data() + c * size;
    memcpy(before.data(), rec, size);
    fields_from_json(req, rec, r.members);
    if (memcmp(before.data(), rec, size) != 0) changed |= uint64_t{1} << c;
  }
  return !changed || r.records->write_all(devpaths::kKvdb, recs.data(), changed) == 0;
}

// The PTZ entries of src to every other channel of mask, each its own source.
bool copy_ptz_entries(int type, int src, uint64_t mask) {
  PtzParams entries{};
  int count = 0;
  read_ptz_params(devpaths::kKvdb, type, src, &entries, &count);
  bool ok = true;
  for (int c = 0; c < kChannels; ++c) {
    if (c == src || !(mask >> c & 1)) continue;
    for (PtzActionEntry& e : entries.entry) e.chn_id = c;
    ok &= write_ptz_params_all(devpaths::kKvdb, type, c, &entries) == 0;
  }
  return ok;
}

void schedule_set(const ScheduleRoute& r, const char* text) {
  JsonPtr req = json_parse(text);
  ScheduleRec sched{};
  if (!req || get_schedule_by_json(req.get(), "schedule", &sched) != 0 || !fields_check(req.get(), r.members)) return;
  int cam = -1;
  if (r.form != Form::kList && (json_get_int(req.get(), "camId", &cam) != JsonGet::kOk || !in_channels(cam))) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  bool ok = true;
  if (r.form == Form::kOne) {
    ok = store_one(r, req.get(), cam) && write_schedule(devpaths::kKvdb, r.table, cam, &sched) == 0;
    if (ok) ipc_send(on_video_ipc_callback, r.notice, int32_t{cam});
  } else {
    uint64_t mask = get_copy_flag_by_json(req.get(), "chnid", "cnt");
    ok = r.form == Form::kList ? store_list(r, req.get(), mask) : copy_ptz_entries(r.ptz_type, cam, mask);
    ok = ok && write_schedule_masked(devpaths::kKvdb, r.table, &sched, mask) == 0;
    if (ok) ipc_send(on_video_ipc_callback, r.notice, mask);
  }
  answer_ok_or(ok, ErrMode::kText);
}

void schedule_get(const char* table, const char* text) {
  int chn = channel_of_text(text);
  if (chn >= 0) answer_schedule(table, chn);
}

// The channels of "chnid" (first "cnt" elements, 0..63) and the request, or
// null for bad input.
JsonPtr list_request(const char* text, const JsonRule* rules, size_t n, uint64_t* mask) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), rules, n)) return nullptr;
  *mask = get_copy_flag_by_json(req.get(), "chnid", "cnt");
  return req;
}
}  // namespace

void on_set_move_effective_sche(char* text) { schedule_set(kMotionEffectiveSet, text); }
void on_set_move_email_sche(char* text) { schedule_set(kMotionEmailSet, text); }
void on_set_move_ptz_sche(char* text) { schedule_set(kMotionPtzSet, text); }
void on_set_alarmin_effective_sche(char* text) { schedule_set(kAlarmInEffectiveSet, text); }
void on_set_videolost_audible_sche(char* text) { schedule_set(kVideoLossAudibleSet, text); }
void on_set_videolost_email_sche(char* text) { schedule_set(kVideoLossEmailSet, text); }
void on_set_videoloss_ptz_sche(char* text) { schedule_set(kVideoLossPtzSet, text); }
void on_set_alarmin_audible_sche(char* text) { schedule_set(kAlarmInAudibleSet, text); }
void on_set_alarmin_email_sche(char* text) { schedule_set(kAlarmInEmailSet, text); }
void on_set_alarmin_ptz_sche(char* text) { schedule_set(kAlarmInPtzSet, text); }

void on_get_move_email_sche(char* text) { schedule_get(kMotionEmailTable, text); }
void on_get_videolost_email_sche(char* text) { schedule_get(kVideoLossEmailTable, text); }
void on_get_alarmin_email_sche(char* text) { schedule_get(kAlarmInEmailTable, text); }
void on_get_alarmin_audible_sche(char* text) { schedule_get(kAlarmInAudibleTable, text); }
void on_get_move_effective_sche(char* text) { schedule_get(kMotionEffectiveTable, text); }
void on_get_move_ptz_sche(char* text) { schedule_get(kMotionPtzTable, text); }
void on_get_videoloss_ptz_sche(char* text) { schedule_get(kVideoLossPtzTable, text); }
void on_get_alarmin_ptz_sche(char* text) { schedule_get(kAlarmInPtzTable, text); }
void on_get_alarmin_effective_sche(char* text) { schedule_get(kAlarmInEffectiveTable, text); }

void on_set_move_others(char* text) {
  JsonPtr req = json_parse(text);
  constexpr JsonRule kRules[] = {
      {"type", true, JsonType::kInt, INT32_MIN, INT32_MAX},
      {"triChannels", false, JsonType::kText, 0, 64},
      {"triAlarms", false, JsonType::kInt, INT32_MIN, INT32_MAX},
  };
  if (!req || !json_check(req.get(), kRules)) return;
  int chn = -1, type = 0;
  if (json_get_int(req.get(), "camId", &chn) != JsonGet::kOk || !in_channels(chn)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  json_get_int(req.get(), "type", &type);
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, chn);
  rec.chn = chn;
  if (type == 1 && json_get_text(req.get(), "triChannels", rec.tri_channels, sizeof rec.tri_channels) == JsonGet::kOk)
    rec.tri_mask = channel_string_mask(rec.tri_channels);
  if (type == 2) json_get_int(req.get(), "triAlarms", &rec.tri_alarms);
  if (write_motion(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqMotionChanged, chn);
  log_channel_setting(kLogParamMotion, chn);
  answer_ok();
}

void on_set_videolost_others(char* text) {
  constexpr JsonRule kRules[] = {{"triAlarms", true, JsonType::kInt, INT32_MIN, INT32_MAX}};
  uint64_t mask = 0;
  JsonPtr req = list_request(text, kRules, std::size(kRules), &mask);
  if (!req) return;
  int value = 0;
  json_get_int(req.get(), "triAlarms", &value);
  VideoLossRec recs[kChannels] = {};
  read_video_losts(devpaths::kKvdb, recs);
  uint64_t changed = 0;
  for (int c = 0; c < kChannels; ++c)
    if ((mask >> c & 1) && recs[c].tri_alarms != value) changed |= uint64_t{1} << c;
  if (changed && copy_table_column_int(devpaths::kKvdb, "video_loss", "tri_alarms", value, changed, "id") != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqVideoLossesChanged, changed);
  send_op_log_mask(on_video_ipc_callback, kLogSubSetting, kLogParamMotion, 0, mask);
  answer_ok();
}

void on_set_alarm_others(char* text) {
  constexpr JsonRule kRules[] = {
      {"camId", true, JsonType::kInt, 0, kChannels - 1},
      {"type", true, JsonType::kInt, INT32_MIN, INT32_MAX},
      {"triChannels", false, JsonType::kText, 0, 64},
      {"triAlarms", false, JsonType::kInt, INT32_MIN, INT32_MAX},
  };
  uint64_t mask = 0;
  JsonPtr req = list_request(text, kRules, std::size(kRules), &mask);
  if (!req) return;
  int cam = 0, type = 0;
  json_get_int(req.get(), "camId", &cam);
  json_get_int(req.get(), "type", &type);
  std::vector<AlarmInRec> recs(kAlarmInRecords);
  if (read_alarm_ins(devpaths::kKvdb, recs.data(), nullptr) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  for (int c = 0; c < kChannels; ++c) {
    if (!(mask >> c & 1)) continue;
    AlarmInRec& r = recs[c];
    if (type != 0) {
      json_get_int(req.get(), "triAlarms", &r.tri_alarms);
    } else if (json_get_text(req.get(), "triChannels", r.tri_channels, sizeof r.tri_channels) == JsonGet::kOk) {
      r.tri_mask = channel_string_mask(r.tri_channels);
    }
  }
  if (copy_schedules(devpaths::kKvdb, kAlarmInEffectiveTable, cam, mask) != 0 ||
      write_alarm_ins(devpaths::kKvdb, recs.data(), mask) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqAlarmInsChanged, mask);
  send_op_log_mask(on_video_ipc_callback, kLogSubSetting, kLogParamMotion, 0, mask);
  answer_ok();
}
