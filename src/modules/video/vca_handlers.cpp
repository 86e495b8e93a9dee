// Smart analytics detection pages: forwarded gets and sets of the 4480-byte
// detection settings (region entrance/exiting, advanced motion, tamper,
// loitering, human detection) and of the left/removed-object settings,
// people counter reset and the support query.
#include <json-c/json.h>

#include "base/text.h"
#include "common/reply.h"
#include "modules/video/vca_handlers.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_vca.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"

using vca::Detection;
using vca::Region;

namespace {
constexpr Field kDetectionFields[] = {
    FIELD(Detection, chnid, "chnid"),
    FIELD(Detection, enable, "enable"),
    FIELD(Detection, sensitivity, "sensitivity"),
    FIELD(Detection, objtype, "objtype"),
    FIELD(Detection, region, "region"),
    FIELD(Detection, polygon_x, "polygonX"),
    FIELD(Detection, polygon_y, "polygonY"),
};
constexpr Field kIgnoreTime[] = {FIELD(Detection, ignore_time, "ignore_time")};
constexpr Field kLoiterFields[] = {FIELD(Detection, time, "time"), FIELD(Detection, size, "size")};
constexpr Field kTracks[] = {FIELD(Detection, tracks, "tracks")};
// What the get pages print of a reply, before its regions.
constexpr Field kDetectionReplyFields[] = {
    FIELD(Detection, chnid, "chnid"),         FIELD(Detection, enable, "enable"),
    FIELD(Detection, sensitivity, "sensitivity"), FIELD(Detection, time, "time"),
    FIELD(Detection, size, "size"),           FIELD(Detection, tracks, "tracks"),
    FIELD(Detection, region, "region"),       FIELD(Detection, ignore_time, "ignore_time"),
    FIELD(Detection, objtype, "objtype"),     FIELD(Detection, polygon_x, "polygonX"),
    FIELD(Detection, polygon_y, "polygonY"),  FIELD(Detection, region_type, "regionType"),
    FIELD(Detection, region_scene, "regionScene"),
};

// One detection set route: its request code, its event when "type" is absent,
// the members only it takes, and whether it carries regions.
struct DetectionSet {
  IpcCode code;
  int event;
  Fields extra;
  bool regions;
};
constexpr DetectionSet kMotionSet{video::kReqVcaMotionSet, vca::kAdvancedMotion, kIgnoreTime, true};
constexpr DetectionSet kTamperSet{video::kReqVcaTamperSet, vca::kTamper, {}, false};
constexpr DetectionSet kLoiterSet{video::kReqVcaLoiteringSet, vca::kLoitering, kLoiterFields, true};
constexpr DetectionSet kHumanSet{video::kReqVcaHumanSet, vca::kHuman, kTracks, false};

// "regionType", "regionScene" and up to four "regionInfo" regions into the
// message's region blocks; take(element, block) reads a block's own members.
// regionType 0 takes no regions, 1 the first polygon of each region only.
template <class Msg, class Take>
void fill_regions(const json_object* req, Msg* msg, Take take) {
  json_get_int(req, "regionType", &msg->region_type);
  json_get_int(req, "regionScene", &msg->region_scene);
  json_object* info = nullptr;
  if (msg->region_type == 0 || json_get_array(req, "regionInfo", &info) != JsonGet::kOk) return;
  const int polygons = msg->region_type == 1 ? 1 : vca::kPolygons;
  for (int i = 0; i < vca::kRegions; ++i) {
    json_object* r = json_array_at(info, i);
    if (!r) break;
    auto& out = msg->regions[i];
    take(r, out);
    json_object* polys = nullptr;
    json_get_array(r, "region", &polys);
    for (int j = 0; j < polygons; ++j) {
      json_object* p = json_array_at(polys, j);
      if (!p) break;
      json_get_text(p, "polygonX", out.x(j), vca::kPolygonText);
      json_get_text(p, "polygonY", out.y(j), vca::kPolygonText);
    }
  }
}

void cgi_set_vca_common_info(const json_object* req, Detection* msg) {
  fill_regions(req, msg, [](const json_object* r, Region& out) {
    json_get_int(r, "enable", &out.enable);
    json_get_int(r, "objType", &out.obj_type);
    json_get_int(r, "time", &out.time);
  });
}

void cgi_set_left_remove_info(const json_object* req, vca::LeftRemove* msg) {
  fill_regions(req, msg, [](const json_object* r, vca::LeftRemoveRegion& out) {
    json_get_int(r, "leftEnable", &out.left_enable);
    json_get_int(r, "removeEnable", &out.remove_enable);
  });
}

void set_detection(const char* text, const DetectionSet& route, IpcCode code) {
  JsonPtr req = json_parse(text);
  Detection msg{};
  if (!req || !fields_apply(req.get(), &msg, kDetectionFields) || !fields_apply(req.get(), &msg, route.extra)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  if (route.regions) cgi_set_vca_common_info(req.get(), &msg);
  json_get_text(req.get(), "copyChn", msg.copy_chn, sizeof msg.copy_chn);
  int event = route.event;
  json_get_int(req.get(), "type", &event);
  save_dialog_action(req.get(), event, msg.copy_chn);
  ipc_request(on_video_ipc_callback, code, msg, ErrMode::kText);
}

constexpr Field kLeftRemoveFields[] = {
    FIELD(vca::LeftRemove, chnid, "chnid"),
    FIELD(vca::LeftRemove, sensitivity, "sensitivity"),
    FIELD(vca::LeftRemove, region, "region"),
    FIELD(vca::LeftRemove, polygon_x, "polygonX"),
    FIELD(vca::LeftRemove, polygon_y, "polygonY"),
    FIELD(vca::LeftRemove, min_time, "min_time"),
    FIELD(vca::LeftRemove, left_enable, "left_enable"),
    FIELD(vca::LeftRemove, remove_enable, "remove_enable"),
    FIELD(vca::LeftRemove, copy_chn, "copyChn"),
};
constexpr Field kLeftRemoveReplyFields[] = {
    FIELD(vca::LeftRemove, region, "region"),
    FIELD(vca::LeftRemove, left_enable, "left_enable"),
    FIELD(vca::LeftRemove, remove_enable, "remove_enable"),
    FIELD(vca::LeftRemove, min_time, "min_time"),
    FIELD(vca::LeftRemove, sensitivity, "sensitivity"),
    FIELD(vca::LeftRemove, polygon_x, "polygonX"),
    FIELD(vca::LeftRemove, polygon_y, "polygonY"),
};

JsonPtr regions_json(const Detection& d) {
  json_object* list = json_object_new_array();
  for (const Region& r : d.regions) {
    json_object* o = json_object_new_object();
    json_add_int(o, "enable", r.enable);
    json_add_int(o, "objType", r.obj_type);
    json_add_int(o, "time", r.time);
    json_object* polys = json_object_new_array();
    for (int j = 0; j < vca::kPolygons; ++j) {
      json_object* p = json_object_new_object();
      char x[vca::kPolygonText], y[vca::kPolygonText];
      copy_text(x, sizeof x, r.x(j));
      copy_text(y, sizeof y, r.y(j));
      json_add_text(p, "polygonX", x);
      json_add_text(p, "polygonY", y);
      json_object_array_add(polys, p);
    }
    json_object_object_add(o, "region", polys);
    json_object_array_add(list, o);
  }
  return JsonPtr(list);
}
}  // namespace

void get_detection(const char* text, IpcCode code) {
  JsonPtr req = json_parse(text);
  const JsonRule rule[] = {{"channel", true, JsonType::kInt, 0, video::kChannels - 1}};
  int chn = 0;
  if (!req || !json_check(req.get(), rule)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_get_int(req.get(), "channel", &chn);
  forward_channel(code, chn, ErrMode::kJson);
}

void save_dialog_action(const json_object* req, int event, const char* copy_chn) {
  json_object* dialog = nullptr;
  json_get_object(req, "dialog", &dialog);
  // An event past the table saves no action set; the camera still gets its settings.
  if (event >= 0 && event < kSmartEvents) save_smart_event_action(event, dialog, channel_string_mask(copy_chn));
}

void on_get_vca_detection_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const Detection* d = r.as<Detection>();
  JsonPtr obj = fields_json(d, kDetectionReplyFields);
  json_object_object_add(obj.get(), "regionInfo", regions_json(*d).release());
  answer_json(obj);
}

void on_get_vca_region(char* text) {
  JsonPtr req = json_parse(text);
  int type = 0;
  const JsonRule rule[] = {{"type", false, JsonType::kInt, 0, 1}};
  if (!req || !json_check(req.get(), rule)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_get_int(req.get(), "type", &type);
  get_detection(text, type == 0 ? vca::kReqRegionInGet : vca::kReqRegionOutGet);
}
void on_get_vca_motion(char* text) { get_detection(text, vca::kReqMotionGet); }
void on_get_vca_tamper(char* text) { get_detection(text, vca::kReqTamperGet); }
void on_get_vca_loitering(char* text) { get_detection(text, vca::kReqLoiteringGet); }
void on_get_vca_human(char* text) { get_detection(text, vca::kReqHumanGet); }

void on_set_vca_region(char* text) {
  // "type" 0 entrance, 1 exiting: both the event and the request code.
  JsonPtr req = json_parse(text);
  const JsonRule rule[] = {{"type", false, JsonType::kInt, 0, 1}};
  if (!req || !json_check(req.get(), rule)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  int type = 0;
  json_get_int(req.get(), "type", &type);
  const DetectionSet route{type == 0 ? video::kReqVcaRegionInSet : video::kReqVcaRegionOutSet, type, {}, true};
  set_detection(text, route, route.code);
}
void on_set_vca_motion(char* text) { set_detection(text, kMotionSet, kMotionSet.code); }
void on_set_vca_tamper(char* text) { set_detection(text, kTamperSet, kTamperSet.code); }
void on_set_vca_loitering(char* text) { set_detection(text, kLoiterSet, kLoiterSet.code); }
void on_set_vca_human(char* text) { set_detection(text, kHumanSet, kHumanSet.code); }

void on_get_vca_leftremove(char* text) { get_detection(text, vca::kReqLeftRemoveGet); }

void on_set_vca_leftremove(char* text) {
  JsonPtr req = json_parse(text);
  vca::LeftRemove msg{};
  if (!req || !fields_apply(req.get(), &msg, kLeftRemoveFields)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  cgi_set_left_remove_info(req.get(), &msg);
  save_dialog_action(req.get(), vca::kLeftRemove, msg.copy_chn);
  ipc_request(on_video_ipc_callback, video::kReqVcaLeftRemoveSet, msg, ErrMode::kJson);
}

void on_get_vca_leftremove_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, kLeftRemoveReplyFields));
}

void on_vca_clear_people_count(char* text) {
  constexpr Field kClear[] = {FIELD_REQ(vca::ClearCount, chnid, "channel", 0, video::kChannels - 1),
                              FIELD(vca::ClearCount, line, "line"), FIELD(vca::ClearCount, resetdb, "resetdb")};
  vca::ClearCount msg{};
  if (!fields_parse(text, &msg, kClear)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_video_ipc_callback, video::kReqVcaClearCount, msg, ErrMode::kJson);
}

void on_get_vca_support(char* text) {
  JsonPtr req = json_parse(text);
  int chn = 0;
  if (!req || json_get_int(req.get(), "channel", &chn) != JsonGet::kOk) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_video_ipc_callback, video::kReqVcaSupport, chn, ErrMode::kJson);
}
