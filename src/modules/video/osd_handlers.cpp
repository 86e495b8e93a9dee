// Channel OSD of the recorder (/6000-/6002) and the camera's own OSD
// configuration (/6996, /6997).
#include <json-c/json.h>

#include <cstdio>

#include "base/paths.h"
#include "base/text.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr JsonRule kOsdRules[] = {
    {"camId", true, JsonType::kInt, 0, kChannels - 1},
    {"camName", true, JsonType::kText, 0, INT32_MAX},
    {"showName", true, JsonType::kInt, 0, 1},
    {"showDate", true, JsonType::kInt, 0, 1},
    {"showWeek", true, JsonType::kInt, 0, 1},
    {"dateFormat", true, JsonType::kInt, 0, 3},
    {"timeFormat", true, JsonType::kInt, 0, 1},
    {"alpha", true, JsonType::kInt, 0, INT32_MAX},
};

struct OsdPosition {
  const char* key;
  double OsdRec::*member;
};
constexpr OsdPosition kOsdPositions[] = {
    {"datePosX", &OsdRec::date_pos_x},
    {"datePosY", &OsdRec::date_pos_y},
    {"namePosX", &OsdRec::name_pos_x},
    {"namePosY", &OsdRec::name_pos_y},
};

// A position is a number, not negative (and not NaN).
bool read_position(const json_object* req, const char* key, double* out) {
  json_object* v = nullptr;
  if (!json_object_object_get_ex(req, key, &v)) return false;
  json_type t = json_object_get_type(v);
  if (t != json_type_double && t != json_type_int) return false;
  double d = json_object_get_double(v);
  if (!(d >= 0)) return false;
  *out = d;
  return true;
}

// check_osd_info, and the record it describes.
bool check_osd_info(const json_object* req, OsdRec* rec) {
  if (!json_check(req, kOsdRules)) return false;
  double pos[4];
  for (size_t i = 0; i < 4; ++i)
    if (!read_position(req, kOsdPositions[i].key, &pos[i])) return false;
  int chn = 0;
  json_get_int(req, "camId", &chn);
  read_osd(devpaths::kKvdb, rec, chn);
  rec->chn = chn;
  json_get_text(req, "camName", rec->name, sizeof rec->name);
  json_get_int(req, "showName", &rec->show_name);
  json_get_int(req, "showDate", &rec->show_date);
  json_get_int(req, "showWeek", &rec->show_week);
  json_get_int(req, "dateFormat", &rec->date_format);
  json_get_int(req, "timeFormat", &rec->time_format);
  json_get_int(req, "alpha", &rec->alpha);
  for (size_t i = 0; i < 4; ++i) rec->*kOsdPositions[i].member = pos[i];
  return true;
}

// Camera OSD configuration keys in the page's order.
constexpr Field kOsdConfigFields[] = {
    FIELD_REQ(OsdConfig, ch, "ch", 0, kChannels - 1),
    FIELD_REQ(OsdConfig, enable_text, "enable_text", INT32_MIN, INT32_MAX),
    FIELD_REQ(OsdConfig, text_name, "text_name", 0, INT64_MAX),
    FIELD_REQ(OsdConfig, textpos, "textpos", INT32_MIN, INT32_MAX),
    FIELD_REQ(OsdConfig, enable_date, "enable_date", INT32_MIN, INT32_MAX),
    FIELD_REQ(OsdConfig, datepos, "datepos", INT32_MIN, INT32_MAX),
    FIELD_REQ(OsdConfig, dateformat, "dateformat", INT32_MIN, INT32_MAX),
    FIELD_REQ(OsdConfig, font_size, "fontSize", INT32_MIN, INT32_MAX),
    FIELD(OsdConfig, enable_text_sub, "enable_text_sub"),
    FIELD(OsdConfig, text_name_sub, "text_name_sub"),
    FIELD(OsdConfig, textpos_sub, "textpos_sub"),
    FIELD(OsdConfig, enable_date_sub, "enable_date_sub"),
    FIELD(OsdConfig, datepos_sub, "datepos_sub"),
    FIELD(OsdConfig, dateformat_sub, "dateformat_sub"),
    FIELD(OsdConfig, font_size_sub, "fontSizeSub"),
    FIELD(OsdConfig, type, "type"),
};
}  // namespace

void on_get_osdconfig_cb(const IpcReply& r) {
  if (r.count < 1) {
    answer_text("CGI ERROR");
    return;
  }
  const auto* cfg = r.as<OsdConfig>();
  JsonPtr obj(json_object_new_object());
  if (cfg->ch >= 0) fields_to_json(obj.get(), cfg, kOsdConfigFields);
  json_add_int(obj.get(), "disconnect", cfg->ch >= 0 ? 1 : 0);
  answer_json(obj);
}

void on_set_osdconfig_cb(const IpcReply& r) {
  if (r.count < 1) return;
  int32_t status = r.word();
  answer_text(status == 0 ? "OK" : status == -1 ? "NO_SUPPORT" : "ERROR");
}

void on_get_osd_info(char* text) {
  int chn = channel_of_text(text);
  if (chn < 0) return;
  OsdRec rec{};
  read_osd(devpaths::kKvdb, &rec, chn);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "camId", chn);
  json_add_field(obj.get(), "camName", rec.name);
  json_add_int(obj.get(), "showName", rec.show_name);
  json_add_int(obj.get(), "showDate", rec.show_date);
  json_add_int(obj.get(), "showWeek", rec.show_week);
  json_add_int(obj.get(), "dateFormat", rec.date_format);
  json_add_int(obj.get(), "timeFormat", rec.time_format);
  for (const OsdPosition& p : kOsdPositions) {
    // Shortest text that reads back as the stored value, not json-c's 17 digits.
    char num[32];
    snprintf(num, sizeof num, "%.15g", rec.*p.member);
    json_object_object_add(obj.get(), p.key, json_object_new_double_s(rec.*p.member, num));
  }
  json_add_int(obj.get(), "alpha", rec.alpha);
  answer_json(obj);
}

void on_set_osd_info(char* text) {
  JsonPtr req = json_parse(text);
  OsdRec rec{};
  if (!req || !check_osd_info(req.get(), &rec)) return;
  if (write_osd(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqOsdChanged, OsdNotice{rec.chn, 1, 0});
  answer_ok();
}

void OnSetOSDName(char* text) {
  JsonPtr req = json_parse(text);
  int chn = -1;
  char name[32];
  if (!req || json_get_int(req.get(), "camId", &chn) != JsonGet::kOk || chn < 0 || chn >= kChannels ||
      json_get_text(req.get(), "camName", name, sizeof name) != JsonGet::kOk)
    return;
  OsdRec rec{};
  read_osd(devpaths::kKvdb, &rec, chn);
  rec.chn = chn;
  copy_text(rec.name, name);
  answer_ok_or(write_osd(devpaths::kKvdb, &rec) == 0, ErrMode::kText);
}

void on_get_osdconfig(char* text) { forward_json_channel(text, "id", kReqOsdConfigGet, ErrMode::kText); }

void on_set_osdconfig(char* text) {
  forward_fields(text, kOsdConfigFields, sizeof(OsdConfig), kReqOsdConfigSet, ErrMode::kText);
}
