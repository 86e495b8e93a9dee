#include "platform/kvdb_lpr.h"

#include "base/paths.h"
#include "platform/kvdb.h"
#include "platform/kvdb_event_rows.h"

namespace {
constexpr kvdb::Column kAnprListCols[] = {KVDB_COL(AnprListRec, plate), KVDB_COL(AnprListRec, type)};
constexpr kvdb::Family kAnprListFamily =
    kvdb::family<AnprListRec>("anpr_list", "anpr_list", kAnprListCols, 1, nullptr, devpaths::kAnprDb);
KVDB_REGISTER(kAnprListFamily);

int remove_plate(kvdb::Txn& t, const char* plate) {
  return t.remove(kAnprListFamily, nullptr, {{"plate", 0, plate}}) < 0 ? -1 : 0;
}
}  // namespace

int delete_anpr_lists(const char* path, const AnprListRec* recs, int n) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (remove_plate(t, recs[i].plate) != 0) return -1;
    return 0;
  });
}

int write_anpr_list_replace_batch(const char* path, const AnprListRec* recs, int n) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (t.put(kAnprListFamily, nullptr, {}, &recs[i]) != 0) return -1;
    return 0;
  });
}

int update_anpr_lists(const char* path, const char (*old_plates)[64], const AnprListRec* recs, int n) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (remove_plate(t, old_plates[i]) != 0 || t.put(kAnprListFamily, nullptr, {}, &recs[i]) != 0) return -1;
    return 0;
  });
}

int read_anpr_list_plate(const char* path, const char* plate, AnprListRec* rec) {
  return kvdb::read_one(path, kAnprListFamily, nullptr, {{"plate", 0, plate}}, rec);
}

// ---- Action sets of the list modes ----

namespace {
bool valid_pair(int chn, int mode) {
  return chn >= 0 && chn < kKvdbChannels && mode >= kAnprModeFirst && mode <= kAnprModeLast;
}

constexpr kvdb::Column kAnprEventCols[] = {
    KVDB_COL(AnprEventRec, chnid),
    KVDB_COL(AnprEventRec, mode),
    KVDB_COL(AnprEventRec, enable),
    KVDB_COL(AnprEventRec, tri_alarms),
    KVDB_COL(AnprEventRec, interval),
    KVDB_COL(AnprEventRec, audio_id),
    KVDB_COL(AnprEventRec, email_interval),
    KVDB_COL(AnprEventRec, email_pic_enable),
    KVDB_COL(AnprEventRec, tri_mask),
    KVDB_COL(AnprEventRec, tri_channels_pic),
    KVDB_COL(AnprEventRec, tri_channels),
    KVDB_BLOB(AnprEventRec, tri_chn_alarms, "tri_chn_alarms"),
    KVDB_COL(AnprEventRec, ptz_interval),
    KVDB_COL(AnprEventRec, alarmout_interval),
    KVDB_COL(AnprEventRec, white_interval),
    KVDB_COL(AnprEventRec, warning_light_interval),
    KVDB_COL(AnprEventRec, http_notification_interval),
};
int anpr_event_defaults(kvdb::Txn& t);
constexpr kvdb::Family kAnprEventFamily =
    kvdb::family<AnprEventRec>("anpr_event", "anpr_event", kAnprEventCols, 2, anpr_event_defaults);
KVDB_REGISTER(kAnprEventFamily);

// Off, with the intervals of the other event sources and no audio file.
int anpr_event_defaults(kvdb::Txn& t) {
  return put_event_rows(t, kAnprEventFamily, kKvdbChannels, &AnprEventRec::mode, kAnprModeFirst, kAnprModeLast);
}

}  // namespace

int read_anpr_event(const char* path, AnprEventRec* rec, int chn, int mode) {
  *rec = AnprEventRec{};
  int r = valid_pair(chn, mode)
              ? kvdb::read_one(path, kAnprEventFamily, nullptr, {{"chnid", chn}, {"mode", mode}}, rec)
              : -1;
  rec->chnid = chn;
  rec->mode = mode;
  return r;
}

int write_anpr_event(const char* path, const AnprEventRec* rec) {
  return valid_pair(rec->chnid, rec->mode) ? kvdb::write_one(path, kAnprEventFamily, nullptr, {}, rec) : -1;
}

int copy_anpr_events(const char* path, int mode, int src, uint64_t mask) {
  return valid_pair(src, mode) ? kvdb::copy_rows(path, kAnprEventFamily, nullptr, {{"mode", mode}}, "chnid", src, mask)
                               : -1;
}
