// Plate lists (anpr.db), the camera's plate support and the camera-side
// fisheye, zoom and privacy-edit pages forwarded through the daemon.
#include <json-c/json.h>

#include <cstring>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "common/reply.h"
#include "modules/video/lpr_handlers.h"
#include "modules/video/video_module.h"
#include "platform/kv_crypto.h"
#include "platform/kvdb_lpr.h"
#include "proto/lpr_proto.h"

using namespace video;
using lpr::FisheyeAddr;
using lpr::FisheyeAddrSet;
using lpr::PrivacyEdit;

namespace {
// ---- Plate lists ----

// The "plate" array of a batch whose "cnt" is 1..10000, else null.
json_object* plate_array(const json_object* req, int* cnt) {
  const JsonRule rules[] = {{"cnt", true, JsonType::kInt, 1, lpr::kMaxPlates},
                            {"plate", true, JsonType::kArray, 0, INT32_MAX}};
  json_object* arr = nullptr;
  if (!req || !json_check(req, rules)) return nullptr;
  json_get_int(req, "cnt", cnt);
  json_get_array(req, "plate", &arr);
  return arr;
}

// Text v cut to its field (cut before decoding, so an escape may be lost
// but the field never overflows); plates arrive percent-encoded.
bool take_text(const json_object* v, char* out, size_t size, bool decode) {
  if (!v || json_object_get_type(v) != json_type_string) return false;
  if (!decode) {
    copy_text(out, size, json_object_get_string(const_cast<json_object*>(v)));
    return true;
  }
  char raw[64];
  copy_text(raw, json_object_get_string(const_cast<json_object*>(v)));
  get_url_decode(raw, out, static_cast<int>(size));
  return true;
}

// Elements 0..cnt-1 of the batch, up to the first that is missing or not of
// the shape fill accepts; the entries taken, 0 when none.
template <class Fill>
int collect(json_object* arr, int cnt, Fill fill) {
  int n = 0;
  while (n < cnt && fill(json_array_at(arr, static_cast<size_t>(n)), n)) ++n;
  return n;
}

// Element i of a [a, b, ...] element, or null.
const json_object* part(const json_object* el, size_t i) {
  return el && json_object_get_type(el) == json_type_array ? json_array_at(el, i) : nullptr;
}
}  // namespace

void on_set_anpr_del_lpr_plate(char* text) {
  JsonPtr req = json_parse(text);
  int cnt = 0;
  json_object* arr = plate_array(req.get(), &cnt);
  std::vector<AnprListRec> recs(arr ? static_cast<size_t>(cnt) : 0);
  int n = arr ? collect(arr, cnt, [&](const json_object* el, int i) {
    return take_text(el, recs[i].plate, sizeof recs[i].plate, true);
  }) : 0;
  answer_ok_or(n > 0 && delete_anpr_lists(devpaths::kAnprDb, recs.data(), n) == 0, ErrMode::kText);
}

void on_set_anpr_add_lpr_plate(char* text) {
  JsonPtr req = json_parse(text);
  int cnt = 0;
  json_object* arr = plate_array(req.get(), &cnt);
  std::vector<AnprListRec> recs(arr ? static_cast<size_t>(cnt) : 0);
  int n = arr ? collect(arr, cnt, [&](const json_object* el, int i) {
    return take_text(part(el, 0), recs[i].type, sizeof recs[i].type, false) &&
           take_text(part(el, 1), recs[i].plate, sizeof recs[i].plate, true);
  }) : 0;
  if (n == 0 || write_anpr_list_replace_batch(devpaths::kAnprDb, recs.data(), n) != 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  JsonPtr out(json_object_new_object());
  json_add_int(out.get(), "count", n);
  answer_json(out);
}

void on_set_anpr_update_lpr_plate(char* text) {
  JsonPtr req = json_parse(text);
  int cnt = 0;
  json_object* arr = plate_array(req.get(), &cnt);
  size_t size = arr ? static_cast<size_t>(cnt) : 0;
  std::vector<AnprListRec> recs(size);
  std::vector<char[64]> old(size);
  int n = arr ? collect(arr, cnt, [&](const json_object* el, int i) {
    return take_text(part(el, 0), old[i], sizeof old[i], true) &&
           take_text(part(el, 1), recs[i].type, sizeof recs[i].type, false) &&
           take_text(part(el, 2), recs[i].plate, sizeof recs[i].plate, true);
  }) : 0;
  answer_ok_or(n > 0 && update_anpr_lists(devpaths::kAnprDb, old.data(), recs.data(), n) == 0, ErrMode::kText);
}

void on_get_anpr_support_anpr(char* text) { forward_json_channel(text, "chnid", kReqAnprSupport, ErrMode::kJson); }

// ---- Camera-side settings ----

namespace {
constexpr Field kFisheyeModeSetFields[] = {
    FIELD_REQ(FisheyeMode, chnid, "chnid", 0, kChannels - 1), FIELD(FisheyeMode, fishcorrect, "fishcorrect"),
    FIELD(FisheyeMode, fishmount, "fishmount"), FIELD(FisheyeMode, fishdisplay, "fishdisplay")};

// Texts of at most 63 characters, cut by their fields.
#define ADDR_FIELDS(Rec)                                                                  \
  FIELD(Rec, ddns, "ddns"), FIELD(Rec, ipaddr, "ipaddr"), FIELD(Rec, username, "username"), \
      FIELD(Rec, password, "password"), FIELD(Rec, port, "port")
constexpr Field kFisheyeAddrFields[] = {ADDR_FIELDS(FisheyeAddr)};
constexpr Field kFisheyeAddrSetFields[] = {
    ADDR_FIELDS(FisheyeAddrSet), FIELD(FisheyeAddrSet, transfer, "transfer"),
    FIELD(FisheyeAddrSet, install, "install"), FIELD(FisheyeAddrSet, display, "display")};
#undef ADDR_FIELDS

constexpr Field kPrivacyEditFields[] = {FIELD_REQ(PrivacyEdit, chnid, "chnid", 0, kChannels - 1),
                                        FIELD(PrivacyEdit, maskid, "maskid")};
}  // namespace

void on_cgi_get_fisheye_mode(char* text) { forward_json_channel(text, "id", kReqFisheyeModeGet, ErrMode::kText); }

void on_cgi_set_fisheye_mode(char* text) {
  forward_fields(text, kFisheyeModeSetFields, sizeof(FisheyeMode), kReqFisheyeModeSet, ErrMode::kJson);
}

void on_get_ipc_zoom_state(char* text) {
  forward_json_channel_or_error(text, "chnid", kReqZoomState, ErrMode::kJson);
}

void on_cgi_check_fisheye_info(char* text) {
  forward_fields(text, kFisheyeAddrFields, sizeof(FisheyeAddr), kReqFisheyeInfo, ErrMode::kJson);
}

void on_cgi_set_fisheye_info(char* text) {
  forward_fields(text, kFisheyeAddrSetFields, sizeof(FisheyeAddrSet), kReqFisheyeInfoSet, ErrMode::kJson);
}

void on_cgi_set_privacy_edit(char* text) {
  forward_fields(text, kPrivacyEditFields, sizeof(PrivacyEdit), kReqPrivacyEdit, ErrMode::kJson);
}

// ---- Plate wildcards ----

void on_get_ipc_anpr_wildcards_cb(const IpcReply& r) {
  if (r.count < 1) return;
  lpr::PlateWildcards w{};
  memcpy(&w, r.payload, sizeof w);
  JsonPtr out(json_object_new_object());
  json_add_int(out.get(), "chnid", w.chnid);
  json_add_int(out.get(), "filter", w.filter);
  json_add_int(out.get(), "maxPlateCharNum", w.max_plate_char_num);
  json_object* list = json_object_new_array();
  for (int i = 0; i < lpr::kWildcards; ++i) {
    json_object* one = json_object_new_object();
    json_add_int(one, "enable", w.enable[i]);
    json_add_int(one, "cr_count", w.cr_count[i]);
    json_add_field(one, "format", w.format[i]);
    json_object_array_add(list, one);
  }
  json_object_object_add(out.get(), "wildcards", list);
  answer_json(out);
}

void on_get_ipc_anpr_wildcards(char* text) {
  forward_json_channel(text, "chnid", lpr::kReqIpcWildcardsGet, ErrMode::kJson);
}

namespace {
constexpr Field kWildcardTop[] = {FIELD_REQ(lpr::PlateWildcards, chnid, "chnid", 0, kChannels - 1),
                                  FIELD(lpr::PlateWildcards, filter, "filter"),
                                  FIELD(lpr::PlateWildcards, max_plate_char_num, "maxPlateCharNum")};
}  // namespace

// Wildcards past the ninth are ignored; formats are cut to 15 characters.
bool anpr_wildcards_from_json(const json_object* obj, lpr::PlateWildcards* w) {
  const JsonRule rule[] = {{"wildcards", false, JsonType::kArray, 0, INT32_MAX}};
  if (!obj || !json_check(obj, rule) || !fields_apply(obj, w, kWildcardTop)) return false;
  json_object* list = nullptr;
  json_get_array(obj, "wildcards", &list);
  for (int i = 0; i < lpr::kWildcards; ++i) {
    json_object* one = json_array_at(list, static_cast<size_t>(i));
    if (!one) break;
    if (json_get_int(one, "enable", &w->enable[i]) == JsonGet::kBadType ||
        json_get_int(one, "cr_count", &w->cr_count[i]) == JsonGet::kBadType ||
        json_get_text(one, "format", w->format[i], sizeof w->format[i]) == JsonGet::kBadType)
      return false;
  }
  return true;
}

void on_set_ipc_anpr_wildcards(char* text) {
  JsonPtr req = json_parse(text);
  lpr::PlateWildcards w{};
  if (anpr_wildcards_from_json(req.get(), &w))
    ipc_request(on_video_ipc_callback, video::kReqIpcWildcardsSet, w, ErrMode::kJson);
}
