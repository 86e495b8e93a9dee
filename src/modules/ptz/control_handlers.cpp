// Moves, presets, patterns, tours run/stop, camera-side speed and basic
// settings (/5000-/5012).
#include <json-c/json.h>

#include <cstdio>
#include <iterator>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/ptz/ptz_fields.h"
#include "modules/ptz/ptz_module.h"
#include "platform/kvdb.h"
#include "proto/ptz_proto.h"

using namespace ptz;

namespace {
constexpr char kCameraPage[] = "vsetting.html";

// The speed the camera's own page takes: one below the web's, 1 for none.
int camera_speed(int web_speed) { return web_speed >= 1 ? web_speed - 1 : 1; }

// Forwards key=value to the camera's settings page and waits for the daemon.
bool send_camera_setting(int channel, const char* key, const char* value) {
  CameraSettingRecord rec{};
  rec.channel = channel;
  copy_text(rec.http_page, kCameraPage);
  copy_text(rec.key, key);
  copy_text(rec.value, value);
  return ipc_request(on_ptz_ipc_callback, kReqCameraSettingSet, rec, ErrMode::kText);
}

void send_camera_speed(int channel, int web_speed) {
  char value[16];
  snprintf(value, sizeof value, "%d", camera_speed(web_speed));
  send_camera_setting(channel, "ptzspeed", value);
}

bool below_max_cameras(int channel) { return channel < get_param_int(devpaths::kKvdb, "max_cameras", 32); }

constexpr Field kMoveFields[] = {
    FIELD_REQ(Command, channel, "channelId", 0, INT32_MAX),
    FIELD_REQ(Command, action, "action", 0, INT32_MAX),
    FIELD(Command, pan_speed, "panSpeed"),
    FIELD(Command, tilt_speed, "tiltSpeed"),
    FIELD(Command, zoom_speed, "zoomSpeed"),
    FIELD(Command, focus_speed, "focusSpeed"),
    FIELD(Command, fisheye_type, "fisheyeType"),
    FIELD(Command, stream_id, "streamId"),
};

constexpr Field kPresetFields[] = {
    FIELD_REQ(Command, channel, "channelId", 0, INT32_MAX),
    FIELD_REQ(Command, action, "action", 0, INT32_MAX),
    FIELD_REQ(Command, preset, "presetId", 0, kMaxPresetId),
    FIELD_REQ(Command, pan_speed, "panSpeed", 0, INT32_MAX),
    FIELD_REQ(Command, tilt_speed, "tiltSpeed", 0, INT32_MAX),
    FIELD_REQ(Command, zoom_speed, "zoomSpeed", 0, INT32_MAX),
    FIELD_REQ(Command, focus_speed, "focusSpeed", 0, INT32_MAX),
    FIELD(Command, fisheye_type, "fisheyeType"),
    FIELD(Command, stream_id, "streamId"),
};

// The parsed request when it fills cmd and names a channel below "max_cameras".
JsonPtr command_from(const char* text, Fields fields, Command* cmd) {
  JsonPtr req = json_parse(text);
  if (!req || !fields_apply(req.get(), cmd, fields) || !below_max_cameras(cmd->channel)) return nullptr;
  return req;
}

constexpr JsonRule kTourCommandRules[] = {
    {"chn", true, JsonType::kInt, 0, kMaxChannels - 1},
    {"tourid", true, JsonType::kInt, 1, kTours},
    {"fisheyeType", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"streamId", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};

// Run and stop: one tour of one channel, no wait.
void send_tour_command(const char* text, IpcCode code) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kTourCommandRules)) return;
  TourCommand cmd{};
  json_get_int(req.get(), "chn", &cmd.channel);
  json_get_int(req.get(), "tourid", &cmd.tour);
  json_get_int(req.get(), "fisheyeType", &cmd.fisheye_type);
  json_get_int(req.get(), "streamId", &cmd.stream_id);
  ipc_send(on_ptz_ipc_callback, code, cmd);
  answer_ok();
  ptz_log(kLogParamPtzControl, cmd.channel);
}

// Pattern page actions in the order of its buttons.
constexpr int32_t kPatternActions[] = {26, 21, 25, 27, 40};

constexpr JsonRule kPatternRules[] = {
    {"chn", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"action", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"tourid", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kInfoRules[] = {
    {"channelId", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"fisheyeType", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"streamId", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kPresetCallRules[] = {
    {"channelId", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"action", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kZoomRules[] = {
    {"camId", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"Zoom", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"ZoomSpeed", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kIpcSpeedRules[] = {
    {"chn", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"Speed", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kControlRules[] = {
    {"chnid", true, JsonType::kInt, 0, kMaxChannels - 1},
    {"ptzCmd", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kLedRules[] = {
    {"chnid", true, JsonType::kInt, 0, kMaxChannels - 1},
};

constexpr JsonRule kBasicGetRules[] = {
    {"chnId", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

// Parsed request that passes its rules, or null after the JSON error.
template <size_t N>
JsonPtr json_request_or_error(const char* text, const JsonRule (&rules)[N]) {
  JsonPtr req = json_parse(text);
  if (req && json_check(req.get(), rules)) return req;
  cgi_error_to_webserver(ErrMode::kJson);
  return nullptr;
}

int member_int(const json_object* req, const char* key) {
  int v = 0;
  json_get_int(req, key, &v);
  return v;
}
}  // namespace

void ptz_log(int param, int channel) { send_op_log(on_ptz_ipc_callback, kLogSubPtz, param, channel + 1); }

void on_send_ptz_cmd(char* text) {
  Command cmd{};
  JsonPtr req = command_from(text, kMoveFields, &cmd);
  if (!req) return;
  ipc_send(on_ptz_ipc_callback, kReqMove, cmd);
  if (cmd.action == kActionAutoFocusTrigger && member_int(req.get(), "isAutoFocus") == 1) {
    cmd.action = kActionFocusAuto;
    ipc_send(on_ptz_ipc_callback, kReqMove, cmd);
  }
  send_camera_speed(cmd.channel, cmd.pan_speed);
  ptz_log(kLogParamPtzControl, cmd.channel);
}

void on_preset_op(char* text) {
  Command cmd{};
  JsonPtr req = command_from(text, kPresetFields, &cmd);
  if (!req) return;
  const bool naming = cmd.action == kActionSetPreset;
  if (naming) {
    char name[kPresetNameChars + 1] = "";
    json_get_text(req.get(), "name", name, sizeof name);
    copy_text(cmd.name, name);
  }
  ipc_send(on_ptz_ipc_callback, kReqPreset, cmd);
  if (naming && cmd.fisheye_type == 1) {
    char value[128];
    snprintf(value, sizeof value, "%d:%d:%.31s", cmd.stream_id, cmd.preset, cmd.name);
    send_camera_setting(cmd.channel, "ipncptz=setfishpreset", value);
  } else {
    answer_ok();
  }
  ptz_log(kLogParamPtzSetting, cmd.channel);
}

void on_set_ptz_tour_run(char* text) { send_tour_command(text, kReqTourRun); }

void on_set_ptz_tour_stop(char* text) { send_tour_command(text, kReqTourStop); }

void on_set_ptz_pattern(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kPatternRules)) return;
  Command cmd{};
  cmd.channel = member_int(req.get(), "chn");
  cmd.preset = member_int(req.get(), "tourid");
  int action = member_int(req.get(), "action");
  cmd.action = action >= 0 && action < static_cast<int>(std::size(kPatternActions)) ? kPatternActions[action] : 0;
  ipc_send(on_ptz_ipc_callback, kReqPattern, cmd);
  answer_ok();
  ptz_log(kLogParamPtzSetting, cmd.channel);
}

void on_get_ptz_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kInfoRules)) return;
  FishInfoRequest info{member_int(req.get(), "channelId"), member_int(req.get(), "streamId")};
  if (member_int(req.get(), "fisheyeType") != 0)
    ipc_request(on_ptz_ipc_callback, kReqFishInfo, info, ErrMode::kJson);
  else
    ipc_request(on_ptz_ipc_callback, kReqInfo, info.channel, ErrMode::kJson);
}

void on_set_ptz_preset_call(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kPresetCallRules)) return;
  PresetCall call{member_int(req.get(), "channelId"), member_int(req.get(), "action")};
  ipc_send(on_ptz_ipc_callback, kReqPresetCall, call);
  answer_ok();
  ptz_log(kLogParamPtzControl, call.channel);
}

void on_set_ptz_zomm(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kZoomRules)) return;
  ZoomRequest zoom{member_int(req.get(), "camId"), member_int(req.get(), "Zoom"), member_int(req.get(), "ZoomSpeed")};
  ipc_send(on_ptz_ipc_callback, kReqZoom, zoom);
  answer_ok();
  ptz_log(kLogParamPtzControl, zoom.channel);
}

void on_set_ipc_speed(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kIpcSpeedRules)) return;
  int channel = member_int(req.get(), "chn");
  send_camera_speed(channel, member_int(req.get(), "Speed"));
  ptz_log(kLogParamPtzSetting, channel);
}

void on_cgi_set_ptz_control(char* text) {
  JsonPtr req = json_request_or_error(text, kControlRules);
  if (!req) return;
  ControlRequest control{member_int(req.get(), "chnid"), member_int(req.get(), "ptzCmd")};
  ipc_request(on_ptz_ipc_callback, kReqControl, control, ErrMode::kJson);
  ptz_log(kLogParamPtzSetting, control.channel);
}

void on_cgi_get_led_status(char* text) {
  JsonPtr req = json_request_or_error(text, kLedRules);
  if (req) ipc_request(on_ptz_ipc_callback, kReqLedStatus, int32_t{member_int(req.get(), "chnid")}, ErrMode::kJson);
}

void on_cgi_get_ptz_basic(char* text) {
  JsonPtr req = json_request_or_error(text, kBasicGetRules);
  if (req) ipc_request(on_ptz_ipc_callback, kReqGetBasic, int32_t{member_int(req.get(), "chnId")}, ErrMode::kJson);
}

void on_cgi_set_ptz_basic(char* text) {
  JsonPtr req = json_parse(text);
  BasicRecord basic{};
  if (!req || !fields_apply(req.get(), &basic, kBasicFields)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_ptz_ipc_callback, kReqSetBasic, basic, ErrMode::kJson);
}
