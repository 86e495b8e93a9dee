// The four page families of the module: database get and set, forwarded get and set.
#include <json-c/json.h>

#include <cstring>

#include "base/paths.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/video/video_module.h"
#include "platform/kvdb.h"
#include "proto/oplog.h"
#include "proto/video_proto.h"

namespace {
// Largest record a database page holds.
constexpr size_t kMaxPageRecord = 1024;
// Largest settings message a forwarded set sends.
constexpr size_t kMaxForwardRecord = 32768;
}  // namespace

int channel_of_text(const char* text) {
  int chn = -1;
  return text_int(text, 0, video::kChannels - 1, &chn) ? chn : -1;
}

uint64_t channel_string_mask(const char* s) {
  uint64_t mask = 0;
  for (int i = 0; s && s[i] && i < video::kChannels; ++i)
    if (s[i] == '1') mask |= uint64_t{1} << i;
  return mask;
}

void notify_channel(IpcCode code, int32_t chn) { ipc_send(on_video_ipc_callback, code, chn); }

void log_channel_setting(int32_t param, int chn) {
  send_op_log(on_video_ipc_callback, kLogSubSetting, param, chn + 1);
}

void forward_channel(IpcCode code, int32_t chn, ErrMode err) { ipc_request(on_video_ipc_callback, code, chn, err); }

namespace {
// The channel (0..63) of a JSON request {"<key>": channel}, or -1.
int json_channel(const char* text, const char* key) {
  JsonPtr req = json_parse(text);
  const JsonRule rule[] = {{key, true, JsonType::kInt, 0, video::kChannels - 1}};
  int chn = -1;
  if (!req || !json_check(req.get(), rule)) return -1;
  json_get_int(req.get(), key, &chn);
  return chn;
}
}  // namespace

void forward_json_channel(const char* text, const char* key, IpcCode code, ErrMode err) {
  int chn = json_channel(text, key);
  if (chn >= 0) forward_channel(code, chn, err);
}

void forward_json_channel_or_error(const char* text, const char* key, IpcCode code, ErrMode err) {
  int chn = json_channel(text, key);
  if (chn < 0)
    cgi_error_to_webserver(err);
  else
    forward_channel(code, chn, err);
}

void forward_fields(const char* text, Fields fields, size_t size, IpcCode code, ErrMode err) {
  JsonPtr req = json_parse(text);
  alignas(8) unsigned char rec[kMaxForwardRecord] = {};
  if (size > sizeof rec || !req || !fields_apply(req.get(), rec, fields)) return;
  ipc_request(on_video_ipc_callback, code, rec, static_cast<int>(size), err);
}

void answer_schedule(const char* table, int chn) {
  ScheduleRec rec{};
  read_schedule(devpaths::kKvdb, table, chn, &rec);
  JsonPtr list(get_schedule_json_object(&rec));
  answer_json(list);
}

void db_page_get(const DbPage& page, const char* text) {
  int chn = channel_of_text(text);
  if (chn < 0) return;
  alignas(8) unsigned char rec[kMaxPageRecord] = {};
  page.read(devpaths::kKvdb, rec, chn);
  answer_json(fields_json(rec, page.get_fields));
}

void db_page_set(const DbPage& page, const char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), page.rules.data(), page.rules.size())) return;
  if (!fields_check(req.get(), page.set_fields)) return;
  int chn = 0;
  json_get_int(req.get(), "camId", &chn);
  alignas(8) unsigned char rec[kMaxPageRecord] = {};
  kvdb::WriteScope scope(devpaths::kKvdb);  // no other page write between the read and ours
  page.read(devpaths::kKvdb, rec, chn);
  fields_from_json(req.get(), rec, page.set_fields);
  if (page.derive) page.derive(rec);
  if (page.write(devpaths::kKvdb, rec) != 0 || scope.commit() != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  page.notify(req.get(), rec);
  if (page.log_param) log_channel_setting(page.log_param, chn);
  answer_ok();
}
