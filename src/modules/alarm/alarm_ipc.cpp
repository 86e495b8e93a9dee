// Alarm replies and the helpers the alarm pages share.
#include "modules/alarm/alarm_module.h"

uint64_t alarm_channel_mask(const char* s) {
  uint64_t mask = 0;
  for (int i = 0; i < 64 && s[i]; ++i)
    if (s[i] == '1') mask |= uint64_t{1} << i;
  return mask;
}

std::span<const IpcReplyRoute> alarm_reply_table() { return {}; }

void on_alarm_ipc_callback(void*, void* head, void* payload) {
  std::span<const IpcReplyRoute> t = alarm_reply_table();
  ipc_dispatch_reply(t.data(), t.size(), head, payload);
}
