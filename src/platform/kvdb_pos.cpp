#include "platform/kvdb_pos.h"

#include <cstdio>

#include "base/text.h"

namespace {
constexpr kvdb::Column kPosCols[] = {
    KVDB_COL(PosRec, id),
    KVDB_COL(PosRec, enable),
    KVDB_COL(PosRec, name),
    KVDB_COL(PosRec, protocol),
    KVDB_COL(PosRec, connection_mode),
    KVDB_COL(PosRec, ip),
    KVDB_COL(PosRec, liveview_display),
    KVDB_COL(PosRec, display_channel),
    KVDB_COL(PosRec, start_x),
    KVDB_COL(PosRec, start_y),
    KVDB_COL(PosRec, area_width),
    KVDB_COL(PosRec, area_height),
    KVDB_COL(PosRec, character_encoding),
    KVDB_COL(PosRec, font_size),
    KVDB_COL(PosRec, font_color),
    KVDB_COL(PosRec, overlay_mode),
    KVDB_COL(PosRec, display_time),
    KVDB_COL(PosRec, timeout),
    KVDB_COL(PosRec, privacy1),
    KVDB_COL(PosRec, privacy2),
    KVDB_COL(PosRec, privacy3),
    KVDB_COL(PosRec, nvr_port),
    KVDB_COL(PosRec, port),
    KVDB_COL(PosRec, clear_time),
};
int pos_defaults(kvdb::Txn& t);
constexpr kvdb::Family kPosFamily = kvdb::family<PosRec>("pos_settings", "pos_settings", kPosCols, 1, pos_defaults);
KVDB_REGISTER(kPosFamily);

int pos_defaults(kvdb::Txn& t) {
  for (int i = 0; i < kPosDevices; ++i) {
    PosRec r{};
    r.id = i;
    snprintf(r.name, sizeof r.name, "POS%d", i + 1);
    copy_text(r.ip, sizeof r.ip, "0.0.0.0");
    r.display_channel = i;
    r.area_width = 30;
    r.area_height = 50;
    r.font_size = 1;
    r.display_time = 10;
    r.timeout = 10;
    r.nvr_port = 9000 + i;
    r.port = 9000 + i;
    r.clear_time = 60;
    if (t.put(kPosFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

int event_defaults(kvdb::Txn& t);
constexpr kvdb::Family kEventFamily =
    kvdb::family<SourceEventRec>("pos_event", "pos_event", kSourceEventCols, 1, event_defaults);
KVDB_REGISTER(kEventFamily);
int event_defaults(kvdb::Txn& t) { return source_event_defaults(t, kEventFamily, kPosDevices); }

bool valid_id(int id) { return id >= 0 && id < kPosDevices; }
}  // namespace

int read_pos_settings(const char* path, PosRec recs[kPosDevices]) {
  return kvdb::read_slots(path, kPosFamily, nullptr, "id", recs, kPosDevices);
}

int read_pos_setting(const char* path, PosRec* rec, int id) {
  return valid_id(id) ? kvdb::read_one(path, kPosFamily, nullptr, {{"id", id}}, rec) : -1;
}

int write_pos_setting(const char* path, const PosRec* rec) {
  return valid_id(rec->id) ? kvdb::write_one(path, kPosFamily, nullptr, {}, rec) : -1;
}

int read_pos_event(const char* path, SourceEventRec* rec, int id) {
  return read_source_event(path, kEventFamily, kPosDevices, rec, id);
}

int write_pos_event(const char* path, const SourceEventRec* rec) {
  return write_source_event(path, kEventFamily, kPosDevices, rec);
}
