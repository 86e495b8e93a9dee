// Scheduled snapshots (/6174-/6178): per-channel settings and schedules,
// saved for a channel list, and the start/stop of snapshots on channels.
#include <json-c/json.h>

#include <memory>
#include <new>

#include "base/paths.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_action.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr Field kSnapshotFields[] = {
    FIELD_REQ(SnapshotRec, resolution, "resolution", INT32_MIN, INT32_MAX),
    FIELD_REQ(SnapshotRec, quality, "quality", INT32_MIN, INT32_MAX),
    FIELD_REQ(SnapshotRec, interval, "interval", INT32_MIN, INT32_MAX),
    FIELD_REQ(SnapshotRec, interval_unit, "interval_unit", INT32_MIN, INT32_MAX),
    FIELD_REQ(SnapshotRec, expiration_date, "expiration_date", INT32_MIN, INT32_MAX),
};

// The channels of the first "cnt" elements of "chnid" that are 0..63, each
// once, in request order; their mask.
uint64_t channel_list(json_object* req, ChannelList* list) {
  *list = ChannelList{};
  uint64_t mask = 0;
  int cnt = 0;
  json_object* ids = nullptr;
  if (json_get_int(req, "cnt", &cnt) != JsonGet::kOk || json_get_array(req, "chnid", &ids) != JsonGet::kOk) return 0;
  for (size_t i = 0; i < static_cast<size_t>(cnt > 0 ? cnt : 0) && i < json_array_size(ids); ++i) {
    int c = -1;
    if (!json_value_int(json_array_at(ids, i), &c) || c < 0 || c >= kChannels || (mask >> c & 1)) continue;
    mask |= uint64_t{1} << c;
    list->chn[list->count++] = c;
  }
  return mask;
}
}  // namespace

void on_get_snapshot_schedule(char* text) {
  int chn = channel_of_text(text);
  if (chn >= 0) answer_schedule(kSnapshotScheduleTable, chn);
}

void on_set_snapshot_schedule(char* text) {
  JsonPtr req = json_parse(text);
  ScheduleRec sched{};
  if (!req || get_schedule_by_json(req.get(), "schedule", &sched) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  std::unique_ptr<SnapshotSchedule[]> slots(new (std::nothrow) SnapshotSchedule[kChannels]());
  if (!slots) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ChannelList list{};
  uint64_t mask = channel_list(req.get(), &list);
  for (int i = 0; i < list.count; ++i) {
    SnapshotSchedule& slot = slots[list.chn[i]];
    slot.chn = list.chn[i];
    slot.schedule = sched;
  }
  if (write_snapshot_schedules(devpaths::kKvdb, slots.get(), mask) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  slots.reset();
  ipc_send(on_video_ipc_callback, kReqSnapshotSchedules, list);
  answer_ok();
}

void on_get_snapshot_setting_params(char* text) {
  int chn = channel_of_text(text);
  if (chn < 0) return;
  SnapshotRec rec{};
  read_snapshot(devpaths::kKvdb, &rec, chn);
  answer_json(fields_json(&rec, kSnapshotFields));
}

void on_set_snapshot_setting_params(char* text) {
  JsonPtr req = json_parse(text);
  SnapshotRec rec{};
  if (!req || !fields_apply(req.get(), &rec, kSnapshotFields)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ChannelList list{};
  uint64_t mask = channel_list(req.get(), &list);
  if (copy_snapshots(devpaths::kKvdb, &rec, mask) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqSnapshotSettings, list);
  answer_ok();
}

void on_set_snapshot_batch_setting(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_object_is_type(req.get(), json_type_object)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  struct Switch {
    const char* count_key;
    const char* list_key;
    int32_t action;
  };
  constexpr Switch kSwitches[] = {{"snapshotCnt", "snapshotChnId", kSnapshotStart},
                                  {"stopCnt", "stopChnId", kSnapshotStop}};
  for (const Switch& s : kSwitches) {
    int count = 0;
    if (json_get_int(req.get(), s.count_key, &count) != JsonGet::kOk || count <= 0) continue;
    uint64_t mask = get_copy_flag_by_json(req.get(), s.list_key, s.count_key);
    SnapshotSwitch msg{};
    msg.action = s.action;
    for (int c = 0; c < kChannels; ++c) msg.flag[c] = mask >> c & 1;
    ipc_send(on_video_ipc_callback, kReqSnapshotSwitch, msg);
  }
  answer_ok();
}
