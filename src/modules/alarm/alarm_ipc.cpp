// Alarm replies and the helpers the alarm pages share.
#include "modules/alarm/alarm_module.h"

#include "proto/alarm_proto.h"

using namespace alarmio;

namespace {
const IpcReplyRoute kReplies[] = {
    {reply_of(kReqCameraOutStatus), sizeof(CameraOutStatus), on_camera_out_status_cb},
    {reply_of(kReqCameraInStatus), sizeof(CameraInStatus), on_camera_in_status_cb},
};
}  // namespace

uint64_t alarm_channel_mask(const char* s) {
  uint64_t mask = 0;
  for (int i = 0; i < 64 && s[i]; ++i)
    if (s[i] == '1') mask |= uint64_t{1} << i;
  return mask;
}

void json_take_keys(json_object* dst, json_object* src, std::span<const char* const> keys) {
  for (const char* k : keys) {
    json_object* v = nullptr;
    if (json_object_object_get_ex(src, k, &v)) json_object_object_add(dst, k, json_object_get(v));
  }
}

std::span<const IpcReplyRoute> alarm_reply_table() { return kReplies; }

void on_alarm_ipc_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kReplies, head, payload); }
