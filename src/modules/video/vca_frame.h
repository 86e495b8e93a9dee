// The analytics pages draw on a 460 x 260 frame; cameras measure in their own
// W x H pixels. Lines travel as "x1;y1;x2;y2" position texts.
#pragma once
#include <cstddef>
#include <cstdint>

// Page to camera, rounded to nearest; results below 1 become 1.
int32_t page_to_camera_x(int32_t x, int32_t width);
int32_t page_to_camera_y(int32_t y, int32_t height);
// Camera to page, rounded to nearest; 0 for a frame without width or height.
int32_t camera_to_page_x(int32_t x, int32_t width);
int32_t camera_to_page_y(int32_t y, int32_t height);

struct LinePosition {
  int32_t x1;
  int32_t y1;
  int32_t x2;
  int32_t y2;
};
// Up to four integers of a position text (its first 31 characters) split at
// ';'; a missing or unreadable one is 0.
LinePosition parse_line_position(const char* text);
// Page-frame line of a camera-frame one, and the reverse.
LinePosition line_to_page(LinePosition camera, int32_t width, int32_t height);
LinePosition line_to_camera(LinePosition page, int32_t width, int32_t height);
// "%d;%d;%d;%d".
inline constexpr size_t kLinePositionText = 48;
void format_line_position(const LinePosition& p, char (&out)[kLinePositionText]);
