// Whole event pages with their action sets: motion (/6010 load, /6112 save
// with the copy, /6117 action save) and video loss (/6094 load, /6095 save
// with the copy).
#include <json-c/json.h>

#include "base/paths.h"
#include "base/text.h"
#include "common/action_set.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/oplog.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
// ---- Motion ----
constexpr Field kMotionPageFields[] = {
    FIELD(MotionRec, chn, "chnid"),
    FIELD(MotionRec, enable, "enable"),
    FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, tri_channels, "triChannels"),
    FIELD(MotionRec, tri_alarms, "triAlarms"),
    FIELD(MotionRec, interval, "interval"),
    FIELD(MotionRec, enable_ms, "enableMS"),
    FIELD(MotionRec, motion_table, "motionTable"),
    FIELD(MotionRec, email_enable, "email_enable"),
    FIELD(MotionRec, email_interval, "email_interval"),
    FIELD(MotionRec, email_pic_enable, "email_pic_enable"),
    FIELD(MotionRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(MotionRec, ptz_interval, "ptz_interval"),
    FIELD(MotionRec, alarmout_interval, "alarmout_interval"),
    FIELD(MotionRec, http_notification_interval, "http_notification_interval"),
    FIELD(MotionRec, white_interval, "white_interval"),
    FIELD(MotionRec, warning_light_interval, "warning_light_interval"),
    FIELD(MotionRec, audio_id, "audioId"),
};
constexpr Field kMotionDialogFields[] = {
    FIELD(MotionRec, enable, "enable"),
    FIELD(MotionRec, tri_alarms, "triAlarms"),
    FIELD(MotionRec, tri_channels, "triChannels"),
    FIELD(MotionRec, interval, "interval"),
    FIELD(MotionRec, audio_id, "audioId"),
    FIELD(MotionRec, email_interval, "email_interval"),
    FIELD(MotionRec, email_pic_enable, "email_pic_enable"),
    FIELD(MotionRec, tri_channels_pic, "tri_channels_pic"),
    FIELD(MotionRec, ptz_interval, "ptz_interval"),
    FIELD(MotionRec, alarmout_interval, "alarmout_interval"),
    FIELD(MotionRec, white_interval, "white_interval"),
    FIELD(MotionRec, warning_light_interval, "warning_light_interval"),
    FIELD(MotionRec, http_notification_interval, "http_notification_interval"),
    FIELD(MotionRec, sensitivity, "sensitivity"),
    FIELD(MotionRec, enable_ms, "enableMS"),
    FIELD(MotionRec, motion_table, "motionTable"),
};
void motion_derive(void* rec) {
  auto* m = static_cast<MotionRec*>(rec);
  m->tri_mask = channel_string_mask(m->tri_channels);
}
int copy_motion_recs(const char* path, int src, uint64_t mask) { return copy_motions(path, src, mask); }

constexpr ActionRecord kMotionRecord = {
    sizeof(MotionRec), db_read<MotionRec, read_motion>, db_write<MotionRec, write_motion>, copy_motion_recs,
    kMotionPageFields, kMotionDialogFields, offsetof(MotionRec, tri_chn_alarms), motion_derive, nullptr,
};
constexpr ActionSchedule kMotionSchedules[] = {
    {"effective", kMotionEffectiveTable}, {"audible", kMotionScheduleTable},
    {"email", kMotionEmailTable},         {"ptz", kMotionPtzTable},
    {"white", kMotionWhiteTable},         {"warningLight", kMotionWarningTable},
    {"httpSche", kMotionHttpScheTable},
};
constexpr ActionSet kMotionActions = {
    kMotionRecord, kMotionSchedules, kMotionWhiteParams, kMotionWarningParams, kMotionHttpParams, kPtzTypeMotion, true,
};
// The action dialog of /6117 carries neither the HTTP target nor PTZ entries.
constexpr ActionSet kMotionDialogActions = {
    kMotionRecord, std::span(kMotionSchedules, 6), kMotionWhiteParams, kMotionWarningParams, nullptr,
    kPtzTypeMotion, false,
};

// ---- Video loss ----
constexpr Field kVideoLossPageFields[] = {
    FIELD(VideoLossRec, chn, "chnid"),
    FIELD(VideoLossRec, enable, "enable"),
    FIELD(VideoLossRec, tri_alarms, "triAlarms"),
    FIELD(VideoLossRec, interval, "interval"),
    FIELD(VideoLossRec, email_interval, "email_interval"),
    FIELD(VideoLossRec, ptz_interval, "ptz_interval"),
    FIELD(VideoLossRec, alarmout_interval, "alarmout_interval"),
    FIELD(VideoLossRec, white_interval, "white_interval"),
    FIELD(VideoLossRec, warning_light_interval, "warning_light_interval"),
    FIELD(VideoLossRec, http_notification_interval, "http_notification_interval"),
    FIELD(VideoLossRec, audio_id, "audioId"),
};
constexpr Field kVideoLossDialogFields[] = {
    FIELD(VideoLossRec, enable, "enable"),
    FIELD(VideoLossRec, tri_alarms, "triAlarms"),
    FIELD(VideoLossRec, interval, "interval"),
    FIELD(VideoLossRec, audio_id, "audioId"),
    FIELD(VideoLossRec, email_interval, "email_interval"),
    FIELD(VideoLossRec, ptz_interval, "ptz_interval"),
    FIELD(VideoLossRec, alarmout_interval, "alarmout_interval"),
    FIELD(VideoLossRec, white_interval, "white_interval"),
    FIELD(VideoLossRec, warning_light_interval, "warning_light_interval"),
    FIELD(VideoLossRec, http_notification_interval, "http_notification_interval"),
};
// What a page save leaves for the daemon: 2 in "enable" and in the word at
// byte 16, whatever the dialog said.
void video_loss_finish(void* rec) {
  auto* v = static_cast<VideoLossRec*>(rec);
  v->enable = 2;
  v->page_state = 2;
}
constexpr ActionRecord kVideoLossRecord = {
    sizeof(VideoLossRec), db_read<VideoLossRec, read_video_lost>, db_write<VideoLossRec, write_video_lost>,
    copy_video_losts, kVideoLossPageFields, kVideoLossDialogFields, offsetof(VideoLossRec, tri_chn_alarms),
    nullptr, video_loss_finish,
};
constexpr ActionSchedule kVideoLossSchedules[] = {
    {"audible", kVideoLossScheduleTable}, {"email", kVideoLossEmailTable},
    {"ptz", kVideoLossPtzTable},          {"white", kVideoLossWhiteTable},
    {"warningLight", kVideoLossWarningTable}, {"httpSche", kVideoLossHttpScheTable},
};
constexpr ActionSet kVideoLossActions = {
    kVideoLossRecord, kVideoLossSchedules, kVideoLossWhiteParams, kVideoLossWarningParams, kVideoLossHttpParams,
    kPtzTypeVideoLoss, true,
};

bool request_channel(const json_object* req, int* chn) {
  return json_get_int(req, "chnid", chn) == JsonGet::kOk && *chn >= 0 && *chn < kChannels;
}

// Parsed request of a page route with its channel, or null (bad input).
JsonPtr page_request(const char* text, int* chn) {
  JsonPtr req = json_parse(text);
  if (!req || !request_channel(req.get(), chn)) return nullptr;
  return req;
}

void page_get(const ActionSet& set, const char* text) {
  int chn = -1;
  JsonPtr req = page_request(text, &chn);
  if (!req) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  answer_json(action_set_json(set, chn));
}

// Channels of mask other than chn, as the camera messages list them.
int copy_list(uint64_t mask, int chn, int32_t (&list)[kChannels]) {
  int n = 0;
  for (int c = 0; c < kChannels; ++c)
    if (c != chn && (mask >> c & 1)) list[n++] = c;
  return n;
}
}  // namespace

void on_get_movedetect_info(char* text) { page_get(kMotionActions, text); }

void on_get_videoloss_info(char* text) { page_get(kVideoLossActions, text); }

void on_set_move_action(char* text) {
  int chn = -1;
  JsonPtr req = page_request(text, &chn);
  if (!req) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  if (!action_set_save(kMotionDialogActions, req.get(), chn)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  notify_channel(kReqMotionChanged, chn);
  answer_ok();
}

void on_set_videoloss_info(char* text) {
  int chn = -1;
  JsonPtr req = page_request(text, &chn);
  if (!req) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  uint64_t mask = get_copy_flag_by_json(req.get(), "copyChn", "copyCnt") & ~(uint64_t{1} << chn);
  if (!action_set_save(kVideoLossActions, req.get(), chn) || !action_set_copy(kVideoLossActions, chn, mask)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqVideoLossesChanged, mask | uint64_t{1} << chn);
  answer_ok();
}

void save_motion_dialog_data(char* text) {
  int chn = -1;
  JsonPtr req = page_request(text, &chn);
  if (!req) return;
  bool stored = action_set_save(kMotionActions, req.get(), chn);
  uint64_t mask = get_copy_flag_by_json(req.get(), "copyChn", "copyCnt");
  stored &= action_set_copy(kMotionActions, chn, mask);
  if (!stored) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, chn);
  notify_channel(kReqMotionChanged, chn);
  send_op_log_mask(on_video_ipc_callback, kLogSubSetting, kLogParamMotion, chn + 1, mask);

  CamMotionSettings cam{};
  copy_text(cam.motion_table, rec.motion_table);  // the page's grid, just stored
  cam.sensitivity = rec.sensitivity;
  cam.chn = chn;
  cam.enable_ms = rec.enable_ms;
  cam.copy_count = copy_list(mask, chn, cam.copy);
  json_get_int(req.get(), "enableAI", &cam.enable_ai);
  json_get_int(req.get(), "detection", &cam.detection);
  ipc_send(on_video_ipc_callback, kReqCamMotionSet, cam);
  ipc_send(on_video_ipc_callback, kReqMotionsChanged, mask);
  MotionEnable me{};
  me.chn = chn;
  me.flag = rec.enable_ms == 1 ? 1 : 0;
  me.copy_count = copy_list(mask, chn, me.copy);
  ipc_send(on_video_ipc_callback, kReqMotionEnable, me);
  if (me.flag) ipc_send(on_video_ipc_callback, kReqFullTimeScheduleCopy, full_time_schedule(chn));
  answer_ok();
}
