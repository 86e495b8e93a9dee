#include "modules/video/vca_coords.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "common/json_util.h"
#include "proto/vca_proto.h"

namespace {
// Values from requests and replies are int32 but their products are not.
int32_t saturate(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}
}  // namespace

int32_t vca_to_camera(int64_t v, int64_t frame, int64_t page) {
  int64_t r = (frame * v + page / 2) / page;
  return r < 1 ? 1 : saturate(r);
}

int32_t vca_to_page(int64_t v, int64_t frame, int64_t page) {
  if (frame == 0) return 0;
  return saturate((v * page + frame / 2) / frame);
}

bool vca_parse_position(const char* text, int32_t out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = 0;
  if (!text || strlen(text) > static_cast<size_t>(vca::kPositionText)) return false;
  if (!*text) return true;
  const char* s = text;
  for (int i = 0;; ++i) {
    const char* end = strchr(s, ';');
    size_t n = end ? static_cast<size_t>(end - s) : strlen(s);
    char piece[vca::kPositionText + 1];
    memcpy(piece, s, n);
    piece[n] = '\0';
    // An empty piece ("1;2;;") is a missing value; a fifth value has no place.
    if (n && (i >= 4 || !text_int(piece, std::numeric_limits<int32_t>::min(),
                                  std::numeric_limits<int32_t>::max(), &out[i])))
      return false;
    if (!end) return true;
    s = end + 1;
  }
}

bool vca_json_position(const json_object* obj, const char* key, int32_t out[4]) {
  char text[vca::kPositionText + 2];  // one more than allowed, to see a longer one
  switch (json_get_text(obj, key, text, sizeof text)) {
    case JsonGet::kOk: return vca_parse_position(text, out);
    case JsonGet::kMissing: return vca_parse_position("", out);
    default: return false;
  }
}

std::string vca_format_position(const int32_t v[4]) {
  char buf[64];
  snprintf(buf, sizeof buf, "%d;%d;%d;%d", v[0], v[1], v[2], v[3]);
  return buf;
}

bool vca_json_line(const json_object* obj, const char* key, int32_t w, int32_t h, int32_t out[4]) {
  if (!(obj ? vca_json_position(obj, key, out) : vca_parse_position("", out))) return false;
  for (int i = 0; i < 4; ++i) out[i] = vca_to_camera(out[i], i % 2 ? h : w, i % 2 ? vca::kPageHeight : vca::kPageWidth);
  return true;
}

std::string vca_line_text(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h) {
  const int32_t p[4] = {vca_to_page(x1, w, vca::kPageWidth), vca_to_page(y1, h, vca::kPageHeight),
                        vca_to_page(x2, w, vca::kPageWidth), vca_to_page(y2, h, vca::kPageHeight)};
  return vca_format_position(p);
}
