// Camera-side line crossing and analysis settings, second form (/6192-/6195).
// Line positions are drawn in the page frame and travel in camera pixels;
// the analysis boxes pass unconverted.
#include <json-c/json.h>

#include <cstring>

#include "common/reply.h"
#include "modules/video/lpr_handlers.h"
#include "modules/video/vca_coords.h"
#include "modules/video/vca_handlers.h"
#include "modules/video/video_module.h"
#include "proto/lpr_proto.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"

using lpr::IpcLine2;
using lpr::IpcVcaSettings2;
using lpr::Line2;
using lpr::LineSegment;

namespace {
constexpr Field kLine2Fields[] = {
    FIELD_REQ(IpcLine2, chnid, "chnid", 0, video::kChannels - 1),
    FIELD(IpcLine2, sensitivity, "sensitivity"),
    FIELD(IpcLine2, width, "width"),
    FIELD(IpcLine2, height, "height"),
    FIELD(IpcLine2, line_type, "lineType"),
    FIELD(IpcLine2, line_scene, "lineScene"),
    FIELD(IpcLine2, copy_chn, "copyChn"),
};
// What the get page prints before the lines.
constexpr Field kLine2ReplyFields[] = {
    FIELD(IpcLine2, chnid, "chnid"),
    FIELD(IpcLine2, width, "width"),
    FIELD(IpcLine2, height, "height"),
    FIELD(IpcLine2, sensitivity, "sensitivity"),
};
constexpr Field kLineFields[] = {
    FIELD(Line2, enable, "enable"),
    FIELD(Line2, objtype, "objtype"),
    FIELD(Line2, direction, "direction"),
};
constexpr Field kSegmentFields[] = {FIELD(LineSegment, direction, "direction")};

constexpr Field kSettings2Fields[] = {
    FIELD_REQ(IpcVcaSettings2, chnid, "chnid", 0, video::kChannels - 1),
    FIELD(IpcVcaSettings2, fps, "fps"),
    FIELD(IpcVcaSettings2, mode, "mode"),
    FIELD(IpcVcaSettings2, installation, "installation"),
    FIELD(IpcVcaSettings2, analysis, "analysis"),
    FIELD(IpcVcaSettings2, width, "width"),
    FIELD(IpcVcaSettings2, height, "height"),
    FIELD(IpcVcaSettings2, copy_chn, "copyChn"),
};
// Keys of box value j.
constexpr const char* kBoxKeys[lpr::kBoxValues] = {"minStartX", "minStartY", "minWidth", "minHeight",
                                                   "maxStartX", "maxStartY", "maxWidth", "maxHeight"};

// The "position" text of obj, in camera pixels; false for a bad one.
bool camera_position(const json_object* obj, const IpcLine2& msg, int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) {
  int32_t p[4];
  if (!vca_json_line(obj, "position", msg.width, msg.height, p)) return false;
  *x1 = p[0], *y1 = p[1], *x2 = p[2], *y2 = p[3];
  return true;
}

// One "line" object: its position, members and, for lineType 2, its segments.
bool line_from_json(const json_object* obj, const IpcLine2& msg, Line2* line) {
  if (!camera_position(obj, msg, &line->x1, &line->y1, &line->x2, &line->y2) || !fields_apply(obj, line, kLineFields))
    return false;
  json_object* segments = nullptr;
  if (msg.line_type != lpr::kLineTypeSegments || json_get_array(obj, "line", &segments) != JsonGet::kOk) return true;
  for (int j = 0; j < lpr::kLineSegments; ++j) {
    json_object* one = json_array_at(segments, static_cast<size_t>(j));
    LineSegment& s = line->segment[j];
    if (!one) break;
    if (!camera_position(one, msg, &s.x1, &s.y1, &s.x2, &s.y2) || !fields_apply(one, &s, kSegmentFields)) return false;
  }
  return true;
}
}  // namespace

void on_get_ipc_vca_line2_cb(const IpcReply& r) {
  if (r.count < 1) return;
  IpcLine2 msg{};
  memcpy(&msg, r.payload, sizeof msg);
  JsonPtr out = fields_json(&msg, kLine2ReplyFields);
  json_object* lines = json_object_new_array();
  for (const Line2& l : msg.line) {
    JsonPtr one = fields_json(&l, kLineFields);
    json_add_text(one.get(), "position", vca_line_text(l.x1, l.y1, l.x2, l.y2, msg.width, msg.height).c_str());
    json_object_array_add(lines, one.release());
  }
  json_object_object_add(out.get(), "line", lines);
  answer_json(out);
}

void on_get_ipc_vca_line2(char* text) { forward_json_channel(text, "chnid", lpr::kReqIpcLine2Get, ErrMode::kJson); }

void on_set_ipc_vca_line2(char* text) {
  JsonPtr req = json_parse(text);
  IpcLine2 msg{};
  const JsonRule rules[] = {{"line", false, JsonType::kArray, 0, INT32_MAX},
                            {"dialog", false, JsonType::kObject, 0, 0}};
  bool ok = req && json_check(req.get(), rules) && fields_apply(req.get(), &msg, kLine2Fields);
  json_object* lines = nullptr;
  if (ok) json_get_array(req.get(), "line", &lines);
  for (int i = 0; ok && i < lpr::kLines; ++i) {
    json_object* one = json_array_at(lines, static_cast<size_t>(i));
    if (!one) break;
    ok = line_from_json(one, msg, &msg.line[i]);
  }
  if (!ok) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  json_object* dialog = nullptr;
  if (json_get_object(req.get(), "dialog", &dialog) == JsonGet::kOk)
    save_smart_event_action(vca::kLineCrossing, dialog, channel_string_mask(msg.copy_chn));
  ipc_request(on_video_ipc_callback, video::kReqIpcLine2Set, msg, ErrMode::kText);
}

void on_get_ipc_vca_settings2_cb(const IpcReply& r) {
  if (r.count < 1) return;
  IpcVcaSettings2 msg{};
  memcpy(&msg, r.payload, sizeof msg);
  // "fps" to "height": the set's members without the channel and copy string.
  JsonPtr out = fields_json(&msg, Fields(kSettings2Fields).subspan(1, 6));
  json_object* areas = json_object_new_array();
  for (int i = 0; i < lpr::kAreas; ++i) {
    json_object* one = json_object_new_object();
    for (int j = 0; j < lpr::kBoxValues; ++j) json_add_int(one, kBoxKeys[j], msg.box[j][i]);
    json_add_int(one, "width", msg.width);
    json_add_int(one, "height", msg.height);
    json_object_array_add(areas, one);
  }
  json_object_object_add(out.get(), "position", areas);
  answer_json(out);
}

void on_get_ipc_vca_settings2(char* text) {
  forward_json_channel(text, "channel", lpr::kReqIpcVcaSettings2Get, ErrMode::kJson);
}

void on_set_ipc_vca_settings2(char* text) {
  JsonPtr req = json_parse(text);
  IpcVcaSettings2 msg{};
  const JsonRule rules[] = {{"position", false, JsonType::kArray, 0, INT32_MAX}};
  if (!req || !json_check(req.get(), rules) || !fields_apply(req.get(), &msg, kSettings2Fields)) return;
  json_object* areas = nullptr;
  json_get_array(req.get(), "position", &areas);
  for (int i = 0; i < lpr::kAreas; ++i) {
    json_object* one = json_array_at(areas, static_cast<size_t>(i));
    if (!one) break;
    for (int j = 0; j < lpr::kBoxValues; ++j)
      if (json_get_int(one, kBoxKeys[j], &msg.box[j][i]) == JsonGet::kBadType) return;
  }
  ipc_request(on_video_ipc_callback, video::kReqIpcVcaSettings2Set, msg, ErrMode::kJson);
}
