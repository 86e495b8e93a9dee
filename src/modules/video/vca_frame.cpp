#include "modules/video/vca_frame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "common/json_util.h"
#include "proto/vca_proto.h"

namespace {
// 64-bit products: a camera frame and a position are both request values.
int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

int32_t to_camera(int32_t v, int32_t frame, int32_t page) {
  return std::max<int32_t>(1, clamp32((int64_t{frame} * v + page / 2) / page));
}

int32_t to_page(int32_t v, int32_t frame, int32_t page) {
  return frame == 0 ? 0 : clamp32((int64_t{v} * page + frame / 2) / frame);
}

constexpr size_t kPositionChars = 31;
}  // namespace

int32_t page_to_camera_x(int32_t x, int32_t width) { return to_camera(x, width, vca::kPageWidth); }
int32_t page_to_camera_y(int32_t y, int32_t height) { return to_camera(y, height, vca::kPageHeight); }
int32_t camera_to_page_x(int32_t x, int32_t width) { return to_page(x, width, vca::kPageWidth); }
int32_t camera_to_page_y(int32_t y, int32_t height) { return to_page(y, height, vca::kPageHeight); }

LinePosition parse_line_position(const char* text) {
  int32_t v[4] = {};
  char buf[kPositionChars + 1];
  copy_text(buf, text);
  char* p = buf;
  for (int i = 0; i < 4 && p; ++i) {
    char* end = strchr(p, ';');
    if (end) *end = '\0';
    if (!text_int(p, INT32_MIN, INT32_MAX, &v[i])) v[i] = 0;
    p = end ? end + 1 : nullptr;
  }
  return {v[0], v[1], v[2], v[3]};
}

LinePosition line_to_page(LinePosition c, int32_t width, int32_t height) {
  return {camera_to_page_x(c.x1, width), camera_to_page_y(c.y1, height), camera_to_page_x(c.x2, width),
          camera_to_page_y(c.y2, height)};
}

LinePosition line_to_camera(LinePosition p, int32_t width, int32_t height) {
  return {page_to_camera_x(p.x1, width), page_to_camera_y(p.y1, height), page_to_camera_x(p.x2, width),
          page_to_camera_y(p.y2, height)};
}

void format_line_position(const LinePosition& p, char (&out)[kLinePositionText]) {
  snprintf(out, sizeof out, "%d;%d;%d;%d", p.x1, p.y1, p.x2, p.y2);
}
