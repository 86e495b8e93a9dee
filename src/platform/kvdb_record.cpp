// Recording families: holidays, record settings, record schedules, with the
// factory defaults of a recorder that records continuously on every channel.
#include "platform/kvdb_record.h"

#include <cstring>

#include "base/text.h"

namespace {
int factory_holidays(kvdb::Txn& t);
int factory_records(kvdb::Txn& t);
int factory_schedules(kvdb::Txn& t);

constexpr kvdb::Column kHolidayCols[] = {
    KVDB_COL(HolidayRec, id),          KVDB_COL(HolidayRec, name),        KVDB_COL(HolidayRec, enable),
    KVDB_COL(HolidayRec, type),        KVDB_COL(HolidayRec, start_year),  KVDB_COL(HolidayRec, start_mon),
    KVDB_COL(HolidayRec, start_mday),  KVDB_COL(HolidayRec, start_mweek), KVDB_COL(HolidayRec, start_wday),
    KVDB_COL(HolidayRec, end_year),    KVDB_COL(HolidayRec, end_mon),     KVDB_COL(HolidayRec, end_mday),
    KVDB_COL(HolidayRec, end_mweek),   KVDB_COL(HolidayRec, end_wday),
};
constexpr kvdb::Family kHolidayFamily =
    kvdb::family<HolidayRec>("holiday", "holiday", kHolidayCols, 1, factory_holidays);
KVDB_REGISTER(kHolidayFamily);

constexpr kvdb::Column kRecordCols[] = {
    KVDB_COL(RecordRec, id),
    KVDB_COL(RecordRec, mode),
    KVDB_BLOB(RecordRec, reserved0, "reserved0"),
    KVDB_COL(RecordRec, audio_enable),
    KVDB_BLOB(RecordRec, reserved1, "reserved1"),
    KVDB_COL(RecordRec, prev_record_on),
    KVDB_COL(RecordRec, prev_record_duration),
    KVDB_COL(RecordRec, post_record_on),
    KVDB_COL(RecordRec, post_record_duration),
    KVDB_COL(RecordRec, record_exp_date),
    KVDB_BLOB(RecordRec, reserved2, "reserved2"),
};
constexpr kvdb::Family kRecordFamily = kvdb::family<RecordRec>("record", "record", kRecordCols, 1, factory_records);
KVDB_REGISTER(kRecordFamily);

constexpr kvdb::Column kScheduleCols[] = {KVDB_KEY("chn"), KVDB_WHOLE(ScheduleRec, "schedule")};
constexpr kvdb::Family kScheduleFamily =
    kvdb::family<ScheduleRec>("record_schedule", "record_schedule", kScheduleCols, 1, factory_schedules);
KVDB_REGISTER(kScheduleFamily);

bool valid_chn(int chn) { return chn >= 0 && chn < kRecordChannels; }

int factory_holidays(kvdb::Txn& t) {
  for (int i = 0; i < kRecordHolidays; ++i) {
    HolidayRec h{};
    h.id = i;
    h.start_year = h.end_year = 2026;
    h.start_mon = h.end_mon = 1;
    h.start_mday = h.end_mday = 1;
    if (t.put(kHolidayFamily, nullptr, {}, &h) != 0) return -1;
  }
  return 0;
}

// Main-stream recording with 5 s before and 10 s after an event, audio on.
int factory_records(kvdb::Txn& t) {
  for (int i = 0; i < kRecordChannels; ++i) {
    RecordRec r{};
    r.id = i;
    r.audio_enable = 1;
    r.prev_record_on = 1;
    r.prev_record_duration = 5;
    r.post_record_on = 1;
    r.post_record_duration = 10;
    if (t.put(kRecordFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

// Every day continuous, whole day, in both forms the page edits.
int factory_schedules(kvdb::Txn& t) {
  static ScheduleRec s;
  s = ScheduleRec{};
  for (ScheduleDay& d : s.day) {
    copy_text(d.period[0].start, "00:00");
    copy_text(d.period[0].end, "24:00");
    d.period[0].action = kRecordActionContinuous;
    d.whole_day_enable = 1;
    d.whole_day_action = kRecordActionContinuous;
  }
  for (int i = 0; i < kRecordChannels; ++i) {
    kvdb::Match m{"chn", i};
    if (t.put(kScheduleFamily, nullptr, kvdb::Where(&m, 1), &s) != 0) return -1;
  }
  return 0;
}
}  // namespace

int read_holidays(const char* path, HolidayRec* recs, int* count) {
  int r = kvdb::read_slots(path, kHolidayFamily, nullptr, "id", recs, kRecordHolidays);
  for (int i = 0; i < kRecordHolidays; ++i) recs[i].id = i;
  if (count) *count = kRecordHolidays;
  return r;
}

int read_holiday(const char* path, HolidayRec* rec, int id) {
  int r = kvdb::read_one(path, kHolidayFamily, nullptr, {{"id", id}}, rec);
  if (rec) rec->id = id;
  return r;
}

int write_holiday(const char* path, const HolidayRec* rec) {
  if (!rec || rec->id < 0 || rec->id >= kRecordHolidays) return -1;
  return kvdb::write_one(path, kHolidayFamily, nullptr, {}, rec);
}

int read_record(const char* path, RecordRec* rec, int chn) {
  int r = kvdb::read_one(path, kRecordFamily, nullptr, {{"id", chn}}, rec);
  if (rec) rec->id = chn;
  return r;
}

int read_records(const char* path, RecordRec* recs, int* count) {
  int r = kvdb::read_slots(path, kRecordFamily, nullptr, "id", recs, kRecordChannels);
  for (int i = 0; i < kRecordChannels; ++i) recs[i].id = i;
  if (count) *count = kRecordChannels;
  return r;
}

int write_records(const char* path, const RecordRec* recs, uint64_t mask) {
  return kvdb::write_masked(path, kRecordFamily, nullptr, "id", recs, kRecordChannels, mask);
}

int read_record_schedule(const char* path, int chn, ScheduleRec* rec) {
  if (!valid_chn(chn)) {
    if (rec) *rec = ScheduleRec{};
    return -1;
  }
  return kvdb::read_one(path, kScheduleFamily, nullptr, {{"chn", chn}}, rec);
}

int store_record_plan(const char* path, const ScheduleRec* sched, uint64_t chn_mask, int mode, uint64_t mode_mask) {
  int r = kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int n = 0; n < kRecordChannels; ++n) {
      if (!(chn_mask >> n & 1)) continue;
      kvdb::Match m{"chn", n};
      if (t.put(kScheduleFamily, nullptr, kvdb::Where(&m, 1), sched) != 0) return -1;
    }
    return mode_mask ? t.set_int_column("record", "mode", mode, "id", mode_mask) : 0;
  });
  return r < 0 ? -1 : 0;
}

int store_record_params(const char* path, const RecordParamsWrite& w) {
  int r = kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    if (t.put_masked(kRecordFamily, nullptr, "id", w.recs, kRecordChannels, w.write_mask) != 0) return -1;
    if (w.anr_mask && t.set_int_column("camera", "anr", w.anr, "id", w.anr_mask) != 0) return -1;
    if (w.stream_mask && t.set_int_column("camera", "record_stream", w.stream, "id", w.stream_mask) != 0) return -1;
    return 0;
  });
  return r < 0 ? -1 : 0;
}
