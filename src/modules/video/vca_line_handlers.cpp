// Smart analytics pages that draw on the page frame: line crossing (lines as
// "position" texts) and the analysis settings (object size boxes). The page
// works in 460 x 260, the camera in its own pixels.
#include <json-c/json.h>

#include "common/reply.h"
#include "modules/video/vca_coords.h"
#include "modules/video/vca_handlers.h"
#include "modules/video/video_module.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"

using vca::AnalysisSettings;
using vca::LineCrossing;

namespace {
constexpr int kPageW = vca::kPageWidth;
constexpr int kPageH = vca::kPageHeight;

constexpr Field kLineFields[] = {
    FIELD(LineCrossing, chnid, "chnid"),
    FIELD(LineCrossing, enable, "enable"),
    FIELD(LineCrossing, objtype, "objtype"),
    FIELD(LineCrossing, copy_chn, "copyChn"),
};
constexpr Field kLineReplyFields[] = {
    FIELD(LineCrossing, chnid, "chnid"),   FIELD(LineCrossing, enable, "enable"),
    FIELD(LineCrossing, width, "width"),   FIELD(LineCrossing, height, "height"),
    FIELD(LineCrossing, objtype, "objtype"),
};
// The frame the request's page coordinates refer to, and its lines.
constexpr JsonRule kFrameRules[] = {
    {"width", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"height", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"line", false, JsonType::kArray, 0, INT32_MAX},
};

constexpr Field kSettingsFields[] = {
    FIELD(AnalysisSettings, chnid, "chnid"),
    FIELD(AnalysisSettings, fps, "fps"),
    FIELD(AnalysisSettings, mode, "mode"),
    FIELD(AnalysisSettings, installation, "installation"),
    FIELD(AnalysisSettings, analysis, "analysis"),
    FIELD(AnalysisSettings, width, "width"),
    FIELD(AnalysisSettings, height, "height"),
};
constexpr Field kSettingsReplyFields[] = {
    FIELD(AnalysisSettings, fps, "fps"),          FIELD(AnalysisSettings, mode, "mode"),
    FIELD(AnalysisSettings, installation, "installation"), FIELD(AnalysisSettings, analysis, "analysis"),
    FIELD(AnalysisSettings, width, "width"),      FIELD(AnalysisSettings, height, "height"),
    FIELD(AnalysisSettings, vca_type, "vcaType"),
};
// Keys of the boxes, in the message's order: x and width follow the frame's
// width, y and height its height.
constexpr const char* kBoxKeys[vca::kBoxValues] = {"minStartX", "minStartY", "minWidth", "minHeight",
                                                   "maxStartX", "maxStartY", "maxWidth", "maxHeight"};
constexpr int kMinStartValues = 2;  // reported as at least 1

int32_t box_frame(const AnalysisSettings& s, int i) { return i % 2 == 0 ? s.width : s.height; }
int32_t box_page(int i) { return i % 2 == 0 ? kPageW : kPageH; }

// The four lines of the request ("line"[i]: "position", "direction") in
// camera pixels of the request's frame; false for bad input.
bool read_lines(const json_object* req, LineCrossing* msg) {
  if (!json_check(req, kFrameRules)) return false;
  int w = 0, h = 0;
  json_object* lines = nullptr;
  json_get_int(req, "width", &w);
  json_get_int(req, "height", &h);
  json_get_array(req, "line", &lines);
  for (int i = 0; i < vca::kLines; ++i) {
    const json_object* in = json_array_at(lines, i);
    int32_t p[4] = {};
    vca::Line& out = msg->lines[i];
    if (!vca_json_line(in, "position", w, h, p) ||
        (in && json_get_int(in, "direction", &out.direction) == JsonGet::kBadType))
      return false;
    out.x1 = p[0], out.y1 = p[1], out.x2 = p[2], out.y2 = p[3];
  }
  return true;
}

// "position"[0] of the request: the eight box values in page coordinates.
bool read_boxes(const json_object* req, AnalysisSettings* msg) {
  json_object* list = nullptr;
  if (json_get_array(req, "position", &list) == JsonGet::kBadType) return false;
  const json_object* box = json_array_at(list, 0);
  for (int i = 0; i < vca::kBoxValues; ++i) {
    int v = 0;
    if (box && json_get_int(box, kBoxKeys[i], &v) == JsonGet::kBadType) return false;
    msg->boxes[i] = vca_to_camera(v, box_frame(*msg, i), box_page(i));
  }
  return true;
}
}  // namespace

void on_get_vca_line(char* text) { get_detection(text, vca::kReqLineGet); }

void on_set_vca_line(char* text) {
  JsonPtr req = json_parse(text);
  LineCrossing msg{};
  if (!req || !fields_apply(req.get(), &msg, kLineFields) || !read_lines(req.get(), &msg)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  save_dialog_action(req.get(), vca::kLineCrossing, msg.copy_chn);
  ipc_request(on_video_ipc_callback, video::kReqVcaLineSet, msg, ErrMode::kText);
}

void on_get_vca_line_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const LineCrossing* m = r.as<LineCrossing>();
  JsonPtr obj = fields_json(m, kLineReplyFields);
  json_object* lines = json_object_new_array();
  for (const vca::Line& l : m->lines) {
    json_object* o = json_object_new_object();
    json_add_text(o, "position", vca_line_text(l.x1, l.y1, l.x2, l.y2, m->width, m->height).c_str());
    json_add_int(o, "direction", l.direction);
    json_object_array_add(lines, o);
  }
  json_object_object_add(obj.get(), "line", lines);
  answer_json(obj);
}

void on_get_vca_settings(char* text) { get_detection(text, video::kReqVcaSettingsGet); }

void on_set_vca_settings(char* text) {
  JsonPtr req = json_parse(text);
  AnalysisSettings msg{};
  if (!req || !fields_apply(req.get(), &msg, kSettingsFields) || !read_boxes(req.get(), &msg)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_video_ipc_callback, video::kReqVcaSettingsSet, msg, ErrMode::kJson);
}

void on_get_vca_settings_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const AnalysisSettings* s = r.as<AnalysisSettings>();
  JsonPtr obj = fields_json(s, kSettingsReplyFields);
  json_object* box = json_object_new_object();
  for (int i = 0; i < vca::kBoxValues; ++i) {
    int32_t v = vca_to_page(s->boxes[i], box_frame(*s, i), box_page(i));
    json_add_int(box, kBoxKeys[i], i < kMinStartValues && v < 1 ? 1 : v);
  }
  json_object* list = json_object_new_array();
  json_object_array_add(list, box);
  json_object_object_add(obj.get(), "position", list);
  answer_json(obj);
}
