// Event action families: descriptors, registrations and their named calls.
#include <cstring>

#include "platform/kvdb.h"

namespace {

bool valid_chn(int chn) { return chn >= 0 && chn < kKvdbChannels; }

constexpr kvdb::Column kScheduleCols[] = {KVDB_KEY("chn"), KVDB_WHOLE(ScheduleRec, "schedule")};
constexpr kvdb::Family kScheduleFamily = kvdb::family<ScheduleRec>("schedule", nullptr, kScheduleCols, 1);
KVDB_REGISTER(kScheduleFamily);

constexpr kvdb::Column kWhiteLedCols[] = {KVDB_COL(WhiteLedEntry, chn), KVDB_COL(WhiteLedEntry, chnid),
                                          KVDB_COL(WhiteLedEntry, mode), KVDB_COL(WhiteLedEntry, time)};
constexpr kvdb::Family kWhiteLedFamily = kvdb::family<WhiteLedEntry>("whiteled_params", nullptr, kWhiteLedCols, 0);
KVDB_REGISTER(kWhiteLedFamily);
constexpr kvdb::Family kPcntWhiteLedFamily =
    kvdb::family<WhiteLedEntry>("peoplecnt_wled_params", "peoplecnt_white_led_params", kWhiteLedCols, 0);
KVDB_REGISTER(kPcntWhiteLedFamily);

constexpr kvdb::Column kWarningLightCols[] = {
    KVDB_COL(WarningLightEntry, chn),       KVDB_COL(WarningLightEntry, chnid), KVDB_COL(WarningLightEntry, reserved1),
    KVDB_COL(WarningLightEntry, reserved2), KVDB_COL(WarningLightEntry, time),  KVDB_COL(WarningLightEntry, reserved3)};
constexpr kvdb::Family kWarningLightFamily =
    kvdb::family<WarningLightEntry>("warning_light_params", nullptr, kWarningLightCols, 0);
KVDB_REGISTER(kWarningLightFamily);

constexpr kvdb::Column kHttpCols[] = {KVDB_COL(HttpNotifyParams, chn), KVDB_COL(HttpNotifyParams, url),
                                      KVDB_COL(HttpNotifyParams, username), KVDB_COL(HttpNotifyParams, password)};
constexpr kvdb::Family kHttpFamily = kvdb::family<HttpNotifyParams>("http_notification_params", nullptr, kHttpCols, 1);
KVDB_REGISTER(kHttpFamily);

constexpr kvdb::Column kPtzCols[] = {
    KVDB_KEY("type"),
    KVDB_COL(PtzActionEntry, chn_id),
    KVDB_COL(PtzActionEntry, acto_ptz_channel),
    KVDB_COL(PtzActionEntry, reserved),
    KVDB_COL(PtzActionEntry, acto_ptz_type),
    KVDB_COL(PtzActionEntry, acto_ptz_preset),
    KVDB_COL(PtzActionEntry, acto_ptz_patrol),
    KVDB_COL(PtzActionEntry, acto_ptz_pattern),
};
constexpr kvdb::Family kPtzFamily = kvdb::family<PtzActionEntry>("ptz_params", "ptz_params", kPtzCols, 3);
KVDB_REGISTER(kPtzFamily);
constexpr kvdb::Family kPcntPtzFamily =
    kvdb::family<PtzActionEntry>("peoplecnt_ptz_params", "peoplecnt_ptz_params", kPtzCols, 3);
KVDB_REGISTER(kPcntPtzFamily);

constexpr kvdb::Column kAudioCols[] = {KVDB_COL(AlarmAudioFile, id), KVDB_COL(AlarmAudioFile, enable),
                                       KVDB_COL(AlarmAudioFile, name)};
constexpr kvdb::Family kAudioFamily = kvdb::family<AlarmAudioFile>("alarm_audio_file", "alarm_audio_file", kAudioCols, 1);
KVDB_REGISTER(kAudioFamily);

// ---- Per-channel entry lists (LED tables) ----

int read_entries(const char* path, const kvdb::Family& f, const char* table, int chn, void* recs, int* count) {
  if (!valid_chn(chn)) {
    if (recs) memset(recs, 0, f.size * kLedEntries);
    if (count) *count = 0;
    return -1;
  }
  return kvdb::read_list(path, f, table, {{"chn", chn}}, recs, kLedEntries, count);
}

int write_entries(const char* path, const kvdb::Family& f, const char* table, int chn, const void* recs, int count) {
  if (!valid_chn(chn) || count < 0 || count > kLedEntries) return -1;
  return kvdb::write_list(path, f, table, {{"chn", chn}}, recs, count);
}

int copy_entries(const char* path, const kvdb::Family& f, const char* table, int src, uint64_t mask) {
  if (!valid_chn(src)) return -1;
  return kvdb::copy_rows(path, f, table, {}, "chn", src, mask);
}

// ---- PTZ ----

struct PtzTable {
  const kvdb::Family* family;
  int max;
};

PtzTable ptz_table(int type) {
  if (type == kPtzTypePeoplecnt) return {&kPcntPtzFamily, kPeoplecntPtzEntries};
  return {&kPtzFamily, kPtzActionEntries};
}

bool valid_entry(int type, const PtzActionEntry* e) {
  return type >= 0 && e && valid_chn(e->chn_id) && e->acto_ptz_channel > 0;
}

// Stores one entry unless it would be one too many for its source.
int put_ptz_entry(kvdb::Txn& t, int type, const PtzActionEntry& e) {
  PtzTable pt = ptz_table(type);
  kvdb::Match key[] = {{"type", type}, {"chn_id", e.chn_id}, {"acto_ptz_channel", e.acto_ptz_channel}};
  int exists = t.count(*pt.family, nullptr, kvdb::Where(key, 3));
  int used = t.count(*pt.family, nullptr, kvdb::Where(key, 2));
  if (exists < 0 || used < 0 || (exists == 0 && used >= pt.max)) return -1;
  return t.put(*pt.family, nullptr, kvdb::Where(key, 1), &e);
}

}  // namespace

// ---- Schedules ----

int read_schedule(const char* path, const char* table, int chn, ScheduleRec* rec) {
  if (!valid_chn(chn)) {
    if (rec) *rec = ScheduleRec{};
    return -1;
  }
  return kvdb::read_one(path, kScheduleFamily, table, {{"chn", chn}}, rec);
}

int write_schedule(const char* path, const char* table, int chn, const ScheduleRec* rec) {
  if (!valid_chn(chn)) return -1;
  return kvdb::write_one(path, kScheduleFamily, table, {{"chn", chn}}, rec);
}

int copy_schedules(const char* path, const char* table, int src, uint64_t mask) {
  if (!valid_chn(src)) return -1;
  return kvdb::copy_rows(path, kScheduleFamily, table, {}, "chn", src, mask);
}

// ---- White LED and warning light ----

int read_whiteled_params(const char* path, const char* table, int chn, WhiteLedParams* rec, int* count) {
  return read_entries(path, kWhiteLedFamily, table, chn, rec, count);
}

int write_whiteled_params_all(const char* path, const char* table, int chn, const WhiteLedParams* rec,
                              int count) {
  return write_entries(path, kWhiteLedFamily, table, chn, rec, count);
}

int copy_whiteled_params(const char* path, const char* table, int src, uint64_t mask) {
  return copy_entries(path, kWhiteLedFamily, table, src, mask);
}

int read_peoplecnt_wled_params(const char* path, int group, WhiteLedParams* rec, int* count) {
  return read_entries(path, kPcntWhiteLedFamily, nullptr, group, rec, count);
}

int write_peoplecnt_wled_params_all(const char* path, int group, const WhiteLedParams* rec, int count) {
  return write_entries(path, kPcntWhiteLedFamily, nullptr, group, rec, count);
}

int read_warning_light_params(const char* path, const char* table, int chn, WarningLightParams* rec,
                              int* count) {
  return read_entries(path, kWarningLightFamily, table, chn, rec, count);
}

int write_warning_light_params_all(const char* path, const char* table, int chn, const WarningLightParams* rec,
                                   int count) {
  return write_entries(path, kWarningLightFamily, table, chn, rec, count);
}

int copy_warning_light_params(const char* path, const char* table, int src, uint64_t mask) {
  return copy_entries(path, kWarningLightFamily, table, src, mask);
}

// ---- HTTP notification ----

int read_http_notification_params(const char* path, const char* table, int chn, HttpNotifyParams* rec) {
  int r = valid_chn(chn) ? kvdb::read_one(path, kHttpFamily, table, {{"chn", chn}}, rec) : -1;
  if (r != 0 && rec) {
    *rec = HttpNotifyParams{};
    rec->chn = chn;
  }
  return r;
}

int write_http_notification_params(const char* path, const char* table, int chn, const HttpNotifyParams* rec) {
  if (!valid_chn(chn)) return -1;
  return kvdb::write_one(path, kHttpFamily, table, {{"chn", chn}}, rec);
}

int copy_http_notification_params(const char* path, const char* table, int src, uint64_t mask) {
  if (!valid_chn(src)) return -1;
  return kvdb::copy_rows(path, kHttpFamily, table, {}, "chn", src, mask);
}

// ---- PTZ action entries ----

int read_ptz_params(const char* path, int type, int chn, PtzParams* rec, int* count) {
  PtzTable pt = ptz_table(type);
  if (!rec) return -1;
  *rec = PtzParams{};
  if (count) *count = 0;
  if (type < 0 || !valid_chn(chn)) return -1;
  return kvdb::read_list(path, *pt.family, nullptr, {{"type", type}, {"chn_id", chn}}, rec->entry, pt.max, count);
}

int write_ptz_params(const char* path, int type, const PtzActionEntry* entry) {
  if (!valid_entry(type, entry)) return -1;
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) { return put_ptz_entry(t, type, *entry); },
                        ptz_table(type).family);
}

int update_ptz_params(const char* path, int type, int old_chn, const PtzActionEntry* entry) {
  if (!valid_entry(type, entry) || !valid_chn(old_chn)) return -1;
  const kvdb::Family& f = *ptz_table(type).family;
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    kvdb::Match old[] = {{"type", type}, {"chn_id", old_chn}, {"acto_ptz_channel", entry->acto_ptz_channel}};
    if (t.remove(f, nullptr, kvdb::Where(old, 3)) < 0) return -1;
    return put_ptz_entry(t, type, *entry);
  }, &f);
}

int delete_ptz_params(const char* path, int type, int chn, int ptz_channel) {
  if (type < 0 || !valid_chn(chn)) return -1;
  return kvdb::remove_rows(path, *ptz_table(type).family, nullptr,
                           {{"type", type}, {"chn_id", chn}, {"acto_ptz_channel", ptz_channel}});
}

int write_ptz_params_all(const char* path, int type, int chn, const PtzParams* rec) {
  if (type < 0 || !valid_chn(chn) || !rec) return -1;
  PtzTable pt = ptz_table(type);
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    if (t.remove(*pt.family, nullptr, {{"type", type}, {"chn_id", chn}}) < 0) return -1;
    int stored = 0;
    for (const PtzActionEntry& e : rec->entry) {
      if (e.acto_ptz_channel <= 0 || stored == pt.max) continue;
      PtzActionEntry copy = e;
      copy.chn_id = chn;
      if (t.put(*pt.family, nullptr, {{"type", type}}, &copy) != 0) return -1;
      stored = t.count(*pt.family, nullptr, {{"type", type}, {"chn_id", chn}});
    }
    return stored < 0 ? -1 : 0;
  }, pt.family);
}

int copy_ptz_params_all(const char* path, int type, int src, uint64_t mask) {
  if (type < 0 || !valid_chn(src)) return -1;
  return kvdb::copy_rows(path, *ptz_table(type).family, nullptr, {{"type", type}}, "chn_id", src, mask);
}

int read_peoplecnt_ptz_params(const char* path, int chn, PtzParams* rec, int* count) {
  return read_ptz_params(path, kPtzTypePeoplecnt, chn, rec, count);
}

int write_peoplecnt_ptz_params(const char* path, const PtzActionEntry* entry) {
  return write_ptz_params(path, kPtzTypePeoplecnt, entry);
}

int update_peoplecnt_ptz_params(const char* path, int old_chn, const PtzActionEntry* entry) {
  return update_ptz_params(path, kPtzTypePeoplecnt, old_chn, entry);
}

int delete_peoplecnt_ptz_params(const char* path, int chn, int ptz_channel) {
  return delete_ptz_params(path, kPtzTypePeoplecnt, chn, ptz_channel);
}

int write_peoplecnt_ptz_params_ex(const char* path, int chn, const PtzParams* rec) {
  return write_ptz_params_all(path, kPtzTypePeoplecnt, chn, rec);
}

// ---- Alarm audio files ----

int read_alarm_audio_file(const char* path, AlarmAudioFile files[kAlarmAudioSlots]) {
  return kvdb::read_slots(path, kAudioFamily, nullptr, "id", files, kAlarmAudioSlots);
}

int write_alarm_audio_file(const char* path, const AlarmAudioFile* file) {
  if (!file || file->id < 0 || file->id >= kAlarmAudioSlots) return -1;
  return kvdb::write_one(path, kAudioFamily, nullptr, {}, file);
}
