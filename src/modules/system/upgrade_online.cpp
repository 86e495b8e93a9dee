// Camera upgrade and online upgrade of the recorder and its cameras (/6082-/6089).
#include <unistd.h>

#include <cstdint>

#include "base/paths.h"
#include "base/paths_maint.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/system/maintenance.h"
#include "modules/system/system_module.h"
#include "proto/maint_proto.h"

using namespace maint;

namespace {
constexpr size_t kUrlChars = 127;
constexpr int kImageRecorder = 0;
constexpr int kImageCamera = 1;

constexpr Field kOnlineInfoFields[] = {
    FIELD(OnlineUpgradeInfo, state, "state"),
    FIELD(OnlineUpgradeInfo, file_size, "fileSize"),
    FIELD(OnlineUpgradeInfo, softversion, "softversion"),
    FIELD(OnlineUpgradeInfo, url, "url"),
    FIELD(OnlineUpgradeInfo, description, "description"),
};

constexpr JsonRule kCamUpgradeRules[] = {
    {"chnid", true, JsonType::kInt, 0, kChannels - 1},
    {"reset", false, JsonType::kInt, 0, 1},
};
constexpr JsonRule kDownloadRules[] = {
    {"type", true, JsonType::kInt, kImageRecorder, kImageCamera},
    {"url", true, JsonType::kText, 1, kUrlChars},
};
constexpr JsonRule kTypeRules[] = {{"type", true, JsonType::kInt, kImageRecorder, kImageCamera}};
constexpr JsonRule kChannelTextRules[] = {{"ch", true, JsonType::kText, 0, kChannels}};

const char* image_of(int type) { return type == kImageCamera ? devpaths::kCameraImage : devpaths::kFirmwareImage; }

void answer_res(int32_t res) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "res", res);
  answer_json(obj);
}

// The request's JSON when it passes the rules; otherwise the JSON error answer.
template <size_t N>
JsonPtr checked_json(const char* text, const JsonRule (&rules)[N]) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), rules)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return nullptr;
  }
  return req;
}
}  // namespace

void on_upgrade_camera(char*) {
  answer_text(access(dev_path(devpaths::kCameraImage).c_str(), F_OK) == 0 ? "OK" : "Error");
}

void on_start_upgrade_camera_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", r.as<CamUpgradeReply>()->chnid);
  json_add_int(obj.get(), "status", r.as<CamUpgradeReply>()->status);
  answer_json(obj);
}

void on_start_upgrade_camera(char* text) {
  JsonPtr req = checked_json(text, kCamUpgradeRules);
  if (!req) return;
  CamUpgrade rec{};
  json_get_int(req.get(), "chnid", &rec.chnid);
  json_get_int(req.get(), "reset", &rec.reset);
  copy_text(rec.path, devpaths::kCameraImage);
  ipc_request(on_system_ipc_callback, kReqCamUpgrade, rec, ErrMode::kText);
}

void on_stop_upgrade_camera(char*) {
  unlink(dev_path(devpaths::kCameraImage).c_str());
  ipc_send(on_system_ipc_callback, kReqCamUpgradeStop);
  answer_ok();
}

void on_get_online_upgrade(char* text) {
  JsonPtr req = checked_json(text, kDownloadRules);
  if (!req) return;
  int type = 0;
  json_get_int(req.get(), "type", &type);
  OnlineDownload rec{};
  json_get_text(req.get(), "url", rec.url, sizeof rec.url);
  copy_text(rec.target, image_of(type));
  ipc_send(on_system_ipc_callback, kReqUpgradeInit);
  ipc_request(on_system_ipc_callback, kReqOnlineDownload, rec, ErrMode::kText);
}

void on_del_online_upgrade(char* text) {
  JsonPtr req = checked_json(text, kTypeRules);
  if (!req) return;
  int type = 0;
  json_get_int(req.get(), "type", &type);
  if (type == kImageRecorder) {
    unlink(dev_path(devpaths::kFirmwareImage).c_str());
    answer_res(0);
    return;
  }
  ipc_request(on_system_ipc_callback, kReqDropDownload, ErrMode::kText);
}

void on_check_nvr_online_upgrade_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, kOnlineInfoFields));
}

void on_check_nvr_online_upgrade(char*) {
  ipc_request(on_system_ipc_callback, kReqCheckOnline, ErrMode::kText);
}

void on_nvr_online_upgrade(char*) {
  ipc_send(on_system_ipc_callback, kReqUpgradeInit);
  send_op_log(on_system_ipc_callback, kLogSubUpgrade, kLogParamSystem, 0);
  int32_t reset = 0;
  if (!ipc_request(on_system_ipc_callback, kReqUpgrade, reset, ErrMode::kNone)) {
    // A silent daemon installed nothing: never "res": 0.
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  int32_t result = ipc_result();
  answer_res(result == 1 ? 0 : result);
  if (result != 1) return;
  send_op_log(on_system_ipc_callback, kLogSubReboot, kLogParamSystem, 0);
  ipc_send(on_system_ipc_callback, kReqReboot);
}

// One object per channel; channels the reply does not hold read as zero.
void on_check_ipc_online_upgrade_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  const OnlineUpgradeInfo none{};
  for (int i = 0; i < kChannels; ++i)
    json_object_array_add(list, fields_json(i < r.count ? &r.as<OnlineUpgradeInfo>()[i] : &none, kOnlineInfoFields)
                                    .release());
  json_object_object_add(obj.get(), "check", list);
  answer_json(obj);
}

void on_check_ipc_online_upgrade(char* text) {
  JsonPtr req = checked_json(text, kChannelTextRules);
  if (!req) return;
  char ch[kChannels + 1] = "";
  json_get_text(req.get(), "ch", ch, sizeof ch);
  uint64_t mask = 0;
  for (int i = 0; i < kChannels && (ch[i] == '0' || ch[i] == '1'); ++i)
    if (ch[i] == '1') mask |= uint64_t{1} << i;
  ipc_request(on_system_ipc_callback, kReqCamCheckOnline, mask, ErrMode::kText);
}
