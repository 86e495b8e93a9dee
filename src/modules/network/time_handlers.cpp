// Date and time (/7000, /7001).
#include <json-c/json.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/network/network_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_network.h"

using namespace net;

namespace {
constexpr int kFailoverSpare = 2;  // a spare recorder takes its time from the main one

constexpr Field kTimeFields[] = {
    FIELD_REQ(TimeRec, ntpEnable, "ntpEnable", 0, 1),
    FIELD_REQ(TimeRec, dstEnable, "dstEnable", 0, 1),
    FIELD_REQ(TimeRec, timeZone, "timeZone", 0, INT64_MAX),
    FIELD_REQ(TimeRec, timeZoneName, "timeZoneName", 0, INT64_MAX),
    FIELD(TimeRec, ntpServer, "ntpServer"),
    FIELD_REQ(TimeRec, syncEnable, "syncEnable", INT32_MIN, INT32_MAX),
    FIELD_REQ(TimeRec, syncInterval, "syncInterval", INT32_MIN, INT32_MAX),
    FIELD_REQ(TimeRec, syncPc, "syncPc", INT32_MIN, INT32_MAX),
};

void add_time_part(json_object* obj, const char* key, const char* fmt, int v) {
  char text[16];
  snprintf(text, sizeof text, fmt, v);
  json_add_text(obj, key, text);
}
}  // namespace

void on_get_time_info(char*) {
  time_t now = time(nullptr);
  struct tm tm{};
  localtime_r(&now, &tm);
  char server[32];
  strftime(server, sizeof server, "%Y-%m-%d %H:%M:%S", &tm);
  JsonPtr obj(json_object_new_object());
  add_time_part(obj.get(), "dateYear", "%.4d", tm.tm_year + 1900);
  add_time_part(obj.get(), "dateMon", "%.2d", tm.tm_mon + 1);
  add_time_part(obj.get(), "dateDay", "%.2d", tm.tm_mday);
  add_time_part(obj.get(), "dateHour", "%.2d", tm.tm_hour);
  add_time_part(obj.get(), "dateMin", "%.2d", tm.tm_min);
  add_time_part(obj.get(), "dateSec", "%.2d", tm.tm_sec);
  json_add_text(obj.get(), "serverTime", server);
  TimeRec rec{};
  read_time(devpaths::kKvdb, &rec);
  fields_to_json(obj.get(), &rec, kTimeFields);
  answer_json(obj);
}

// The time is stored, then the daemon sets the clock; the answer waits for it
// so that a silent daemon gives the error reply alone, never after an "OK".
void on_set_time_info(char* text) {
  JsonPtr req = json_parse(text);
  TimeRec rec{};
  if (!req || !fields_apply(req.get(), &rec, kTimeFields)) return;
  int failover = get_param_int(devpaths::kKvdb, "failover_mode", 0);
  json_get_int(req.get(), "failoverMode", &failover);
  char manual[128] = "";
  json_get_text(req.get(), "manualTime", manual, sizeof manual);
  if (write_time(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  TimePayload p{};
  if (rec.ntpEnable == 0 && failover != kFailoverSpare) copy_text(p.text, ("\"" + std::string(manual) + "\"").c_str());
  if (ipc_request(on_network_ipc_callback, kReqSetTime, p, ErrMode::kText)) answer_ok();
  send_op_log(on_network_ipc_callback, kLogSubTime, kLogParamGeneral, 0);
}
