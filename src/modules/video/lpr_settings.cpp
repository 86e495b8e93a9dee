// A camera's plate recognition settings (/6181, /6182): the 5496-byte
// settings message both ways, with the settings page's action set and the
// camera's plate wildcards riding along on a set.
#include <json-c/json.h>

#include <cstring>

#include "common/converters.h"
#include "common/reply.h"
#include "modules/video/lpr_handlers.h"
#include "modules/video/video_module.h"
#include "proto/lpr_proto.h"
#include "proto/video_proto.h"

using lpr::AnprRegion;
using lpr::AnprSettings;
using lpr::NormalPolygon;

namespace {
// Members before the regions, in message order.
constexpr Field kHeadFields[] = {
    FIELD_REQ(AnprSettings, chnid, "chnid", 0, video::kChannels - 1),
    FIELD(AnprSettings, enable, "enable"),
    FIELD(AnprSettings, resolution_width, "resolution_width"),
    FIELD(AnprSettings, resolution_height, "resolution_height"),
    FIELD(AnprSettings, area_x, "area_x"),
    FIELD(AnprSettings, area_y, "area_y"),
    FIELD(AnprSettings, area_width, "area_width"),
    FIELD(AnprSettings, area_height, "area_height"),
    FIELD(AnprSettings, day_night_mode_enable, "day_night_mode_enable"),
    FIELD(AnprSettings, scene, "scene"),
    FIELD(AnprSettings, direction_enable, "direction_enable"),
    FIELD(AnprSettings, region_enable, "region_enable"),
    FIELD(AnprSettings, roiid_enable, "roiid_enable"),
    FIELD(AnprSettings, process_mode, "process_mode"),
    FIELD(AnprSettings, repeat_check_time_value, "repeat_check_time_value"),
    FIELD(AnprSettings, repeat_check_time_unit, "repeat_check_time_unit"),
    FIELD(AnprSettings, post_enable, "post_enable"),
    FIELD(AnprSettings, post_type, "post_type"),
    FIELD(AnprSettings, post_tcp_port, "post_tcp_port"),
    FIELD(AnprSettings, post_http_user, "post_http_user"),
    FIELD(AnprSettings, post_http_password, "post_http_password"),
    FIELD(AnprSettings, post_http_url, "post_http_url"),
    FIELD(AnprSettings, confidence, "confidence"),
    FIELD(AnprSettings, night_mode_effective_mode, "night_mode_effective_mode"),
    FIELD(AnprSettings, in_night_mode, "in_night_mode"),
};
constexpr Field kRegionFields[] = {
    FIELD(AnprRegion, name, "name"),           FIELD(AnprRegion, start_x, "startX"),
    FIELD(AnprRegion, start_y, "startY"),      FIELD(AnprRegion, end_x, "endX"),
    FIELD(AnprRegion, end_y, "endY"),          FIELD(AnprRegion, roi, "roi"),
    FIELD(AnprRegion, preset, "preset"),       FIELD(AnprRegion, polygon_x, "polygonX"),
    FIELD(AnprRegion, polygon_y, "polygonY"),  FIELD(AnprRegion, cur_area, "cur_area"),
};
// Capability flags after the regions.
constexpr Field kTailFields[] = {
    FIELD(AnprSettings, platecolor_enable, "platecolorEnable"),
    FIELD(AnprSettings, vehicletype_enable, "vehicletypeEnable"),
    FIELD(AnprSettings, vehiclecolor_enable, "vehiclecolorEnable"),
    FIELD(AnprSettings, json_support, "jsonSupport"),
    FIELD(AnprSettings, ir_led_external_support, "irLedExternalSupport"),
    FIELD(AnprSettings, vehicle_enhancement, "vehicleEnhancement"),
    FIELD(AnprSettings, vehicle_brand_enable, "vehicleBrandEnable"),
    FIELD(AnprSettings, aitype, "aitype"),
};
constexpr Field kPolygonFields[] = {
    FIELD(NormalPolygon, name, "name"),
    FIELD(NormalPolygon, polygon_x, "polygonX"),
    FIELD(NormalPolygon, polygon_y, "polygonY"),
};

// Records of an array member as objects, in order.
template <class Rec>
json_object* records_json(const Rec* recs, int n, Fields f) {
  json_object* list = json_object_new_array();
  for (int i = 0; i < n; ++i) json_object_array_add(list, fields_json(&recs[i], f).release());
  return list;
}

// Up to n objects of the array member key into recs; false when one is refused.
template <class Rec>
bool records_apply(const json_object* req, const char* key, Rec* recs, int n, Fields f) {
  json_object* list = nullptr;
  if (json_get_array(req, key, &list) == JsonGet::kBadType) return false;
  for (int i = 0; i < n; ++i) {
    json_object* one = json_array_at(list, static_cast<size_t>(i));
    if (!one) break;
    if (!fields_apply(one, &recs[i], f)) return false;
  }
  return true;
}

// The wildcards' own result must not become the answer of the settings.
void ignore_reply(void*, void*, void*) {}

// The camera's wildcards when "formatData" names a channel 0..63 (no wait).
void send_format_data(const json_object* req) {
  json_object* format = nullptr;
  lpr::PlateWildcards w{};
  if (json_get_object(req, "formatData", &format) == JsonGet::kOk && anpr_wildcards_from_json(format, &w))
    ipc_send(ignore_reply, video::kReqIpcWildcardsSet, w);
}
}  // namespace

void on_get_anpr_settings_cb(const IpcReply& r) {
  if (r.count < 1) return;
  AnprSettings s{};
  memcpy(&s, r.payload, sizeof s);
  JsonPtr out = fields_json(&s, kHeadFields);
  json_object_object_add(out.get(), "region", records_json(s.region, lpr::kAnprRegions, kRegionFields));
  fields_to_json(out.get(), &s, kTailFields);
  if (s.json_support != 0 && on_cgi_is_kv_lpr(s.aitype))
    json_object_object_add(out.get(), "normalPolygons",
                           records_json(s.normal_polygons, lpr::kNormalPolygons, kPolygonFields));
  answer_json(out);
}

void on_get_anpr_settings(char* text) {
  forward_json_channel_or_error(text, "chnid", lpr::kReqAnprSettingsGet, ErrMode::kJson);
}

void on_set_anpr_settings(char* text) {
  JsonPtr req = json_parse(text);
  AnprSettings msg{};
  const JsonRule rules[] = {{"dialog", false, JsonType::kObject, 0, 0}};
  if (!req || !json_check(req.get(), rules) || !fields_apply(req.get(), &msg, kHeadFields) ||
      !fields_apply(req.get(), &msg, kTailFields) ||
      !records_apply(req.get(), "region", msg.region, lpr::kAnprRegions, kRegionFields) ||
      !records_apply(req.get(), "normalPolygons", msg.normal_polygons, lpr::kNormalPolygons, kPolygonFields)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_object* dialog = nullptr;
  json_get_object(req.get(), "dialog", &dialog);
  if (!save_anpr_dialog_data(msg.chnid, lpr::kModeAny, dialog)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  send_format_data(req.get());
  ipc_request(on_video_ipc_callback, video::kReqAnprSettingsSet, msg, ErrMode::kJson);
}
