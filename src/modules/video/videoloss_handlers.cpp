// Video loss (/6014-/6017).
#include <json-c/json.h>

#include "base/paths.h"
#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr Field kVideoLossGet[] = {
    FIELD(VideoLossRec, chn, "camId"),
    FIELD(VideoLossRec, enable, "enable"),
    FIELD(VideoLossRec, tri_alarms, "triAlarms"),
    FIELD(VideoLossRec, interval, "interval"),
};
// "enable" is checked but kept: the schedule page sets it.
constexpr JsonRule kVideoLossRules[] = {
    {"camId", true, JsonType::kInt, 0, kChannels - 1},
    {"enable", true, JsonType::kInt, 0, 2},
    {"triAlarms", true, JsonType::kInt, 0, INT32_MAX},
    {"interval", true, JsonType::kInt, 0, INT32_MAX},
};
constexpr Field kVideoLossSet[] = {
    FIELD(VideoLossRec, chn, "camId"),
    FIELD(VideoLossRec, tri_alarms, "triAlarms"),
    FIELD(VideoLossRec, interval, "interval"),
};

void notify_video_loss(const json_object*, const void* rec) {
  notify_channel(kReqVideoLossChanged, static_cast<const VideoLossRec*>(rec)->chn);
}

constexpr DbPage kVideoLossPage = {
    db_read<VideoLossRec, read_video_lost>, db_write<VideoLossRec, write_video_lost>,
    kVideoLossGet, kVideoLossRules, kVideoLossSet, nullptr, notify_video_loss, kLogParamVideoLoss,
};
}  // namespace

void on_get_videolost_info(char* text) { db_page_get(kVideoLossPage, text); }

void on_set_videolost_info(char* text) { db_page_set(kVideoLossPage, text); }

void on_get_videolost_schedule(char* text) {
  int chn = channel_of_text(text);
  if (chn >= 0) answer_schedule(kVideoLossScheduleTable, chn);
}

void on_set_videolost_schedule(char* text) {
  JsonPtr req = json_parse(text);
  constexpr JsonRule kRules[] = {
      {"camId", true, JsonType::kInt, 0, kChannels - 1},
      {"enable", false, JsonType::kInt, 0, 2},
  };
  ScheduleRec sched{};
  if (!req || !json_check(req.get(), kRules) || get_schedule_by_json(req.get(), "schedule", &sched) != 0) return;
  int chn = 0;
  json_get_int(req.get(), "camId", &chn);
  VideoLossRec rec{};
  kvdb::WriteScope scope(devpaths::kKvdb);  // "/6016" changes the same row
  read_video_lost(devpaths::kKvdb, &rec, chn);
  rec.chn = chn;
  json_get_int(req.get(), "enable", &rec.enable);
  if (write_schedule(devpaths::kKvdb, kVideoLossScheduleTable, chn, &sched) != 0 ||
      write_video_lost(devpaths::kKvdb, &rec) != 0 || scope.commit() != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  notify_channel(kReqVideoLossChanged, chn);
  answer_ok();
}
