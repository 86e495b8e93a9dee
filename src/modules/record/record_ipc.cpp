// Record replies: one table row per reply code, one converter per answer.
#include <json-c/json.h>

#include "common/reply.h"
#include "modules/record/record_module.h"
#include "proto/record_proto.h"

using namespace record;

namespace {
int bounded_count(int32_t count) { return count < 0 ? 0 : (count > kChannels ? kChannels : count); }

// Refused only when the daemon flags a failure for a list of several
// channels and one of the listed cameras reports an error.
void on_set_anr_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* rep = r.as<AnrReply>();
  bool refused = false;
  if (rep->flag != 0 && rep->count > 1)
    for (int i = 0; i < bounded_count(rep->count); ++i) refused = refused || rep->secondary[i] != 0;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "resp", refused ? -1 : 0);
  answer_json(obj);
}

void on_get_anr_support_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* rep = r.as<AnrSupport>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "chnid", rep->chn);
  json_add_int(obj.get(), "support", rep->support);
  answer_json(obj);
}

json_object* words_json(const int32_t* words, int n) {
  json_object* arr = json_object_new_array();
  for (int i = 0; i < n; ++i) json_object_array_add(arr, json_object_new_int(words[i]));
  return arr;
}

void on_get_channel_lists_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* rep = r.as<ChannelLists>();
  int n = bounded_count(rep->count);
  JsonPtr obj(json_object_new_object());
  json_object_object_add(obj.get(), "primary", words_json(rep->primary, n));
  json_object_object_add(obj.get(), "secondary", words_json(rep->secondary, n));
  json_add_int(obj.get(), "size", n);
  answer_json(obj);
}

const IpcReplyRoute kRecordReplies[] = {
    {reply_of(kReqSetAnr), sizeof(AnrReply), on_set_anr_cb},
    {reply_of(kReqAnrSupport), sizeof(AnrSupport), on_get_anr_support_cb},
    {reply_of(kReqChannelLists), sizeof(ChannelLists), on_get_channel_lists_cb},
};
}  // namespace

std::span<const IpcReplyRoute> record_reply_table() { return kRecordReplies; }

void on_record_ipc_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kRecordReplies, head, payload); }
