// Exception (system fault) actions and their HTTP targets (/6998, /6999).
#include <json-c/json.h>

#include "base/paths.h"
#include "base/text.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
// Fewer values than this is a page that does not know the exception kinds.
constexpr size_t kMinExceptionValues = 8;
}  // namespace

void on_get_exception(char*) {
  TriggerAlarmsRec alarms{};
  HttpNotifyParams http[kExceptionNames];
  read_trigger_alarms(devpaths::kKvdb, &alarms);
  read_http_notification_params_init(devpaths::kKvdb, http);
  JsonPtr obj(json_object_new_object());
  json_object* targets = json_object_new_object();
  for (int i = 0; i < kExceptionNames; ++i) {
    char name[32];
    if (get_exception_name(i, name, sizeof name) != 0 || !name[0]) continue;
    json_object* t = json_object_new_object();
    json_add_field(t, "url", http[i].url);
    json_add_field(t, "username", http[i].username);
    json_add_field(t, "password", http[i].password);
    json_object_object_add(targets, name, t);
  }
  json_object_object_add(obj.get(), "httpParams", targets);
  json_object* values = json_object_new_array();
  for (int v : alarms.value) json_object_array_add(values, json_object_new_int(v));
  json_object_object_add(obj.get(), "exception", values);
  json_add_int(obj.get(), "recordFailedMailInterval", alarms.record_failed_mail_interval);
  answer_json(obj);
}

void on_set_exception(char* text) {
  JsonPtr req = json_parse(text);
  json_object* values = nullptr;
  if (!req || json_get_array(req.get(), "exception", &values) != JsonGet::kOk ||
      json_array_size(values) < kMinExceptionValues)
    return;
  TriggerAlarmsRec alarms{};
  read_trigger_alarms(devpaths::kKvdb, &alarms);
  for (int i = 0; i < kExceptionKinds; ++i) {
    alarms.value[i] = 0;
    json_value_int(json_array_at(values, static_cast<size_t>(i)), &alarms.value[i]);
  }
  json_get_int(req.get(), "recordFailedMailInterval", &alarms.record_failed_mail_interval);
  if (write_trigger_alarms(devpaths::kKvdb, &alarms) != 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqExceptionChanged);
  json_object* targets = nullptr;
  if (json_get_object(req.get(), "httpParams", &targets) == JsonGet::kOk) {
    HttpNotifyParams http[kExceptionNames] = {};
    for (int i = 0; i < kExceptionNames; ++i) {
      char name[32];
      json_object* t = nullptr;
      get_exception_name(i, name, sizeof name);
      http[i].chn = -1;
      if (!name[0] || json_get_object(targets, name, &t) != JsonGet::kOk) continue;
      http[i].chn = i;
      json_get_text(t, "url", http[i].url, sizeof http[i].url);
      json_get_text(t, "username", http[i].username, sizeof http[i].username);
      json_get_text(t, "password", http[i].password, sizeof http[i].password);
    }
    if (write_http_notification_params_batch(devpaths::kKvdb, http) != 0) {
      cgi_error_to_webserver(ErrMode::kJson);
      return;
    }
    ipc_send(on_video_ipc_callback, kReqExceptHttpChanged);
  }
  JsonPtr ok(json_object_new_object());
  json_add_text(ok.get(), "status", "CGI SUCCESS");
  answer_json(ok);
}
