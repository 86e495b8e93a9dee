// Analytics coordinates: the page draws on a 460 x 260 frame, a camera uses
// its own W x H pixels; lines travel as "x1;y1;x2;y2" texts.
#pragma once
#include <json-c/json.h>

#include <cstdint>
#include <string>

// Page to camera, (frame * v + page / 2) / page, at least 1.
int32_t vca_to_camera(int64_t v, int64_t frame, int64_t page);
// Camera to page, (v * page + frame / 2) / frame; 0 for a zero frame.
int32_t vca_to_page(int64_t v, int64_t frame, int64_t page);

// A "position" text: up to four integers split at ';', missing ones 0. False
// for more than four, a piece that is not an integer or a text longer than
// 31 characters.
bool vca_parse_position(const char* text, int32_t out[4]);
// The member `key` of obj as a position; a missing member is four zeros, one
// that is not a text is refused.
bool vca_json_position(const json_object* obj, const char* key, int32_t out[4]);
// "%d;%d;%d;%d"
std::string vca_format_position(const int32_t v[4]);
// The line `key` of obj (absent, or obj null: four zeros) in camera pixels of
// a w x h frame: x1, y1, x2, y2; false as for vca_json_position.
bool vca_json_line(const json_object* obj, const char* key, int32_t w, int32_t h, int32_t out[4]);
// A line in camera pixels of a w x h frame as its page "position" text.
std::string vca_line_text(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h);
