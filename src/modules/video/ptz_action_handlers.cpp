// PTZ action entries of the event sources (/6160-/6164): one entry per PTZ
// camera a source channel moves. Entry type 20 is the people-counting table.
#include <json-c/json.h>

#include "base/paths.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr Field kEntryFields[] = {
    FIELD_REQ(PtzActionEntry, chn_id, "chn_id", 0, kChannels - 1),
    FIELD_REQ(PtzActionEntry, acto_ptz_channel, "acto_ptz_channel", 1, INT32_MAX),
    FIELD_REQ(PtzActionEntry, acto_ptz_type, "acto_ptz_type", 1, 3),
    FIELD(PtzActionEntry, acto_ptz_preset, "acto_ptz_preset"),
    FIELD(PtzActionEntry, acto_ptz_patrol, "acto_ptz_patrol"),
    FIELD(PtzActionEntry, acto_ptz_pattern, "acto_ptz_pattern"),
};
// What the list reports of an entry ("acto_ptz_pattern" is not among them).
constexpr Field kListFields[] = {
    FIELD(PtzActionEntry, acto_ptz_channel, "acto_ptz_channel"),
    FIELD(PtzActionEntry, acto_ptz_type, "acto_ptz_type"),
    FIELD(PtzActionEntry, acto_ptz_preset, "acto_ptz_preset"),
    FIELD(PtzActionEntry, acto_ptz_patrol, "acto_ptz_patrol"),
};
constexpr JsonRule kSourceRules[] = {
    {"type", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"chn_id", true, JsonType::kInt, 0, kChannels - 1},
};

bool peoplecnt(int type) { return type == kPtzTypePeoplecnt; }

// The request with its "type" and "chn_id", or null (plain error answered).
JsonPtr source_request(const char* text, int* type, int* chn) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kSourceRules)) {
    cgi_error_to_webserver(ErrMode::kText);
    return nullptr;
  }
  json_get_int(req.get(), "type", type);
  json_get_int(req.get(), "chn_id", chn);
  return req;
}

// The entry of the request, keeping only the value its action type uses.
bool entry_of(const json_object* req, PtzActionEntry* e) {
  if (!fields_apply(req, e, kEntryFields)) return false;
  if (e->acto_ptz_type != 1) e->acto_ptz_preset = 0;
  if (e->acto_ptz_type != 2) e->acto_ptz_patrol = 0;
  if (e->acto_ptz_type != 3) e->acto_ptz_pattern = 0;
  return true;
}

int delete_entry(int type, int chn, int ptz_channel) {
  return peoplecnt(type) ? delete_peoplecnt_ptz_params(devpaths::kKvdb, chn, ptz_channel)
                         : delete_ptz_params(devpaths::kKvdb, type, chn, ptz_channel);
}

// /6160 and /6163 (old_chn >= 0: the entry replaces that source's).
void store_entry(const char* text, bool update) {
  int type = 0, chn = 0, old_chn = 0;
  JsonPtr req = source_request(text, &type, &chn);
  PtzActionEntry e{};
  if (!req) return;
  if (!entry_of(req.get(), &e) ||
      (update && (json_get_int(req.get(), "old_chn_id", &old_chn) != JsonGet::kOk || old_chn < 0 ||
                  old_chn >= kChannels))) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  int r = 0;
  if (update)
    r = peoplecnt(type) ? update_peoplecnt_ptz_params(devpaths::kKvdb, old_chn, &e)
                        : update_ptz_params(devpaths::kKvdb, type, old_chn, &e);
  else
    r = peoplecnt(type) ? write_peoplecnt_ptz_params(devpaths::kKvdb, &e) : write_ptz_params(devpaths::kKvdb, type, &e);
  answer_ok_or(r == 0, ErrMode::kText);
}
}  // namespace

void on_set_ptz_params(char* text) { store_entry(text, false); }

void on_update_ptz_params(char* text) { store_entry(text, true); }

void on_get_ptz_params(char* text) {
  int type = 0, chn = 0;
  if (!source_request(text, &type, &chn)) return;
  PtzParams entries{};
  int count = 0;
  if (peoplecnt(type))
    read_peoplecnt_ptz_params(devpaths::kKvdb, chn, &entries, &count);
  else
    read_ptz_params(devpaths::kKvdb, type, chn, &entries, &count);
  const int max = peoplecnt(type) ? kPeoplecntPtzEntries : kPtzActionEntries;
  JsonPtr list(json_object_new_array());
  for (int i = 0; i < count && i < max; ++i)
    if (entries.entry[i].acto_ptz_channel > 0)
      json_object_array_add(list.get(), fields_json(&entries.entry[i], kListFields).release());
  JsonPtr obj(json_object_new_object());
  json_object_object_add(obj.get(), "ptzInfo", list.release());
  answer_json(obj);
}

void on_delete_ptz_params(char* text) {
  int type = 0, chn = 0, ptz_channel = -1;
  JsonPtr req = source_request(text, &type, &chn);
  if (!req) return;
  if (json_get_int(req.get(), "acto_ptz_channel", &ptz_channel) != JsonGet::kOk || ptz_channel < 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  answer_ok_or(delete_entry(type, chn, ptz_channel) == 0, ErrMode::kText);
}

void on_delete_ptz_params_batch(char* text) {
  int type = 0, chn = 0;
  JsonPtr req = source_request(text, &type, &chn);
  if (!req) return;
  json_object* list = nullptr;
  if (json_get_array(req.get(), "ptzChannel", &list) != JsonGet::kOk) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  bool ok = true;
  for (size_t i = 0; i < json_array_size(list); ++i) {
    int ptz_channel = 0;
    if (json_value_int(json_array_at(list, i), &ptz_channel)) ok &= delete_entry(type, chn, ptz_channel) == 0;
  }
  answer_ok_or(ok, ErrMode::kText);
}
