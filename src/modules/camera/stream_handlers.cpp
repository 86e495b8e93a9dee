// Camera streams and addresses: stream settings (one channel or several),
// the stream of a moment, address changes and the cameras' MAC addresses.
#include <json-c/json.h>

#include <cstdio>
#include <cstring>

#include "base/paths.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/camera/camera_fields.h"
#include "modules/camera/camera_module.h"
#include "platform/kvdb_camera.h"

using namespace camera;

namespace {
// Slot offsets within a stream's block of the 8204 record (main at 2, sub at 63).
enum StreamSlot : int {
  kLimits = 2 * kResPairs,  // framerateMax, framerateMin, bitrateMax, bitrateMin
  kVideoType = kLimits + 4,
  kCurWidth,
  kCurHeight,
  kFramerate,
  kBitrate,
  kIframeInterval,
  kBitrateCtrl,
  kIframeMin,
  kIframeMax,
};
static_assert(kMainStreamSlot + kIframeMax == 62 && kSubStreamSlot + kIframeMax == 123);

// Single values of slots 124..138, in slot order.
constexpr const char* kSingleSlots[] = {
    "subEnable",  "audioEnable",          "videoTypeEnable", "ipc_type",         "mainStream",
    "subStream",  "SupportSmartStream",   "SmartStream",     "SmartStreamLevel", "SubSupportSmartStream",
    "SubSmartStream", "SubSmartStreamLevel", "mainGop",      "subGop",           "thirdGop",
};
constexpr int kFirstSingleSlot = 124;
static_assert(kFirstSingleSlot + std::size(kSingleSlots) == kStreamSlotsUsed);

constexpr Field kStoredStreamFields[] = {
    FIELD(CameraRec, sync_time, "syncTime"),
    FIELD(CameraRec, protocol, "protocol"),
    FIELD(CameraRec, manage_port, "managePort"),
    FIELD(CameraRec, physical_port, "physicalport"),
    FIELD(CameraRec, poe_channel, "poechannel"),
    FIELD(CameraRec, mac, "mac_addr"),
    FIELD(CameraRec, transmit_protocol, "transmitProtocol"),
    FIELD(CameraRec, ddns, "ddns"),
    FIELD(CameraRec, https_port, "httpsPort"),
};

json_object* stream_json(const int32_t* s) {
  json_object* obj = json_object_new_object();
  json_object* res = json_object_new_array();
  int cur = 0;
  for (int i = 0; i < kResPairs && s[2 * i] != 0 && s[2 * i + 1] != 0; ++i) {
    int w = s[2 * i], h = s[2 * i + 1];
    if (w == s[kCurWidth] && h == s[kCurHeight]) cur = i;
    char name[32];
    snprintf(name, sizeof name, "%d*%d", w, h);
    json_object* item = json_object_new_object();
    json_add_int(item, "width", w);
    json_add_int(item, "height", h);
    json_add_text(item, "name", name);
    json_object_array_add(res, item);
  }
  json_add_int(obj, "curRes", cur);
  json_object_object_add(obj, "res", res);
  const std::pair<const char*, int> values[] = {
      {"framerateMax", kLimits},         {"framerateMin", kLimits + 1},    {"bitrateMax", kLimits + 2},
      {"bitrateMin", kLimits + 3},       {"framerate", kFramerate},        {"bitrate", kBitrate},
      {"iframeinterval", kIframeInterval}, {"iframeIntervalMin", kIframeMin}, {"iframeIntervalMax", kIframeMax},
      {"bitrateCtrl", kBitrateCtrl},
  };
  for (const auto& [key, slot] : values) json_add_int(obj, key, s[slot]);
  return obj;
}

// The request's stream settings into set; false when a member is refused.
bool stream_set_of(const json_object* req, StreamSet* set) {
  json_object* main = nullptr;
  json_object* sub = nullptr;
  json_get_object(req, "main", &main);
  json_get_object(req, "sub", &sub);
  return fields_apply(req, set, kStreamSetFields) && (!main || fields_apply(main, &set->main, kStreamConfigFields)) &&
         (!sub || fields_apply(sub, &set->sub, kStreamConfigFields));
}

// Several channels' sets: each reply only hands its result back.
void on_multi_stream_result_cb(const IpcReply& r) {
  if (r.count < 1) return;
  ipc_set_result(r.as<StreamResult>()->res);
  g_callback_done = 1;
}
const IpcReplyRoute kMultiStreamReplies[] = {{reply_of(kReqStreamSet), sizeof(StreamResult), on_multi_stream_result_cb}};
void on_multi_stream_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kMultiStreamReplies, head, payload); }
}  // namespace

void on_get_stream_params(char* text) { forward_camera_channel(text, "chnid", kReqStreamGet, ErrMode::kJson); }

void on_get_stream_params_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const int32_t* s = r.as<StreamSettings>()->slot;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "stateCode", s[0]);
  if (s[0] != 0) {
    answer_json(obj);
    return;
  }
  int chn = s[1];
  json_add_int(obj.get(), "id", chn);
  add_channel_name(obj.get(), chn);
  json_add_int(obj.get(), "mainVideoType", s[kMainStreamSlot + kVideoType]);
  json_add_int(obj.get(), "subVideoType", s[kSubStreamSlot + kVideoType]);
  for (size_t i = 0; i < std::size(kSingleSlots); ++i) json_add_int(obj.get(), kSingleSlots[i], s[kFirstSingleSlot + i]);
  // A channel the recorder cannot have reads as an empty camera.
  CameraRec c{};
  if (chn >= 0 && chn < kChannels) read_camera(devpaths::kKvdb, &c, chn);
  camera_fields_to_json(obj.get(), &c, kStoredStreamFields);
  json_object_object_add(obj.get(), "main", stream_json(s + kMainStreamSlot));
  json_object_object_add(obj.get(), "sub", stream_json(s + kSubStreamSlot));
  answer_json(obj);
}

void on_set_stream_params(char* text) {
  JsonPtr req = json_parse(text);
  StreamSet set{};
  if (!req || !stream_set_of(req.get(), &set)) return;
  ipc_request(on_camera_param_ipc_callback, kReqStreamSet, set, ErrMode::kJson);
  send_op_log(on_camera_param_ipc_callback, kLogSubCameraEdit, kLogParamCameraEdit, set.channel + 1);
}

void on_set_multi_stream_params(char* text) {
  static constexpr JsonRule kRules[] = {{"chans", true, JsonType::kArray, 1, kChannels}};
  JsonPtr req = json_parse(text);
  StreamSet set{};
  if (!req || !json_check(req.get(), kRules)) return;
  json_object* chans = nullptr;
  json_get_array(req.get(), "chans", &chans);
  // "id" is taken from the channel list, so the set needs none of its own.
  json_object_object_add(req.get(), "id", json_object_new_int(0));
  if (!stream_set_of(req.get(), &set)) return;
  int32_t res = 0;
  uint64_t done = 0;
  for (size_t i = 0; i < json_array_size(chans); ++i) {
    int chn = -1;
    if (!json_value_int(json_array_at(chans, i), &chn) || chn < 0 || chn >= kChannels) continue;
    set.channel = chn;
    if (!ipc_request(on_multi_stream_callback, kReqStreamSet, set, ErrMode::kNone)) {
      cgi_error_to_webserver(ErrMode::kJson);
      return;
    }
    if (res == 0) res = ipc_result();
    done |= uint64_t{1} << chn;
  }
  if (done == 0) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "res", res);
  answer_json(obj);
  send_op_log_mask(on_camera_param_ipc_callback, kLogSubCameraEdit, kLogParamCameraEdit, 0, done);
}

void on_set_camera_network(char* text) {
  forward_camera_fields(text, kAddressFields, sizeof(AddressSet), kReqAddressSet, ErrMode::kJson);
}

void on_get_stream_by_time(char* text) {
  forward_camera_fields(text, kStreamByTimeFields, sizeof(StreamByTimeReq), kReqStreamByTime, ErrMode::kJson);
}

// {"IPC": [address, ...]}: each valid entry goes to the daemon, numbered.
void on_set_multi_camera_network(char* text) {
  static constexpr JsonRule kRules[] = {{"IPC", true, JsonType::kArray, 1, kChannels}};
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kRules)) return;
  json_object* list = nullptr;
  json_get_array(req.get(), "IPC", &list);
  int count = static_cast<int>(json_array_size(list));
  for (int i = 0; i < count; ++i) {
    MultiAddressSet m{};
    if (!fields_apply(json_array_at(list, static_cast<size_t>(i)), &m.addr, kAddressFields)) continue;
    m.index = i;
    m.count = count;
    ipc_send(on_camera_param_ipc_callback, kReqMultiAddressSet, m);
  }
  answer_ok();
}

void on_get_camera_macs(char*) { ipc_request(on_camera_param_ipc_callback, kReqMacs, ErrMode::kJson); }
