#include "platform/kvdb_action.h"

#include <cstdio>
#include <cstring>

namespace {
bool valid_chn(int chn) { return chn >= 0 && chn < kKvdbChannels; }

// ---- Alarm inputs ----
constexpr kvdb::Column kAlarmInCols[] = {
    KVDB_COL(AlarmInRec, id),
    KVDB_COL(AlarmInRec, enable),
    KVDB_COL(AlarmInRec, name),
    KVDB_COL(AlarmInRec, type),
    KVDB_COL(AlarmInRec, tri_mask),
    KVDB_COL(AlarmInRec, tri_alarms),
    KVDB_COL(AlarmInRec, interval),
    KVDB_COL(AlarmInRec, tri_channels),
    KVDB_COL(AlarmInRec, email_enable),
    KVDB_COL(AlarmInRec, email_interval),
    KVDB_COL(AlarmInRec, tri_snapshot),
    KVDB_COL(AlarmInRec, audio_id),
    KVDB_COL(AlarmInRec, email_pic_enable),
    KVDB_COL(AlarmInRec, tri_channels_pic),
    KVDB_COL(AlarmInRec, ptz_interval),
    KVDB_COL(AlarmInRec, alarmout_interval),
    KVDB_COL(AlarmInRec, white_interval),
    KVDB_COL(AlarmInRec, warning_light_interval),
    KVDB_COL(AlarmInRec, http_notification_interval),
    KVDB_BLOB(AlarmInRec, tri_chn_alarms, "tri_chn_alarms"),
};
int alarm_in_defaults(kvdb::Txn& t);
constexpr kvdb::Family kAlarmInFamily =
    kvdb::family<AlarmInRec>("alarm_in", "alarm_in", kAlarmInCols, 1, alarm_in_defaults);
KVDB_REGISTER(kAlarmInFamily);

int alarm_in_defaults(kvdb::Txn& t) {
  for (int i = 0; i < kFactoryAlarmIns; ++i) {
    AlarmInRec r{};
    r.id = i;
    snprintf(r.name, sizeof r.name, "AlarmIn%d", i + 1);
    r.interval = 10;
    r.email_interval = 60;
    if (t.put(kAlarmInFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

// ---- Snapshot settings ----
constexpr kvdb::Column kSnapshotCols[] = {
    KVDB_COL(SnapshotRec, chn),           KVDB_COL(SnapshotRec, resolution),     KVDB_COL(SnapshotRec, quality),
    KVDB_COL(SnapshotRec, interval),      KVDB_COL(SnapshotRec, interval_unit), KVDB_COL(SnapshotRec, expiration_date),
};
int snapshot_defaults(kvdb::Txn& t);
constexpr kvdb::Family kSnapshotFamily =
    kvdb::family<SnapshotRec>("snapshot", "snapshot", kSnapshotCols, 1, snapshot_defaults);
KVDB_REGISTER(kSnapshotFamily);

int snapshot_defaults(kvdb::Txn& t) {
  for (int i = 0; i < kKvdbChannels; ++i) {
    SnapshotRec r{};
    r.chn = i;
    r.quality = 1;
    r.interval = 5;
    r.expiration_date = 30;
    if (t.put(kSnapshotFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

const kvdb::Family& schedule_family() { return *kvdb::find_family("schedule"); }
}  // namespace

int read_alarm_in(const char* path, AlarmInRec* rec, int id) {
  if (!valid_chn(id)) {
    *rec = AlarmInRec{};
    return -1;
  }
  return kvdb::read_one(path, kAlarmInFamily, nullptr, {{"id", id}}, rec);
}

int write_alarm_in(const char* path, const AlarmInRec* rec) {
  return valid_chn(rec->id) ? kvdb::write_one(path, kAlarmInFamily, nullptr, {}, rec) : -1;
}

int read_alarm_ins(const char* path, AlarmInRec recs[kAlarmInRecords], int* count) {
  int r = kvdb::read_slots(path, kAlarmInFamily, nullptr, "id", recs, kAlarmInRecords);
  for (int i = 0; i < kAlarmInRecords; ++i) recs[i].id = i;
  if (count) *count = r == 0 ? kvdb::count_rows(path, kAlarmInFamily, nullptr, {}) : 0;
  return r;
}

int write_alarm_ins(const char* path, const AlarmInRec recs[kAlarmInRecords], uint64_t mask) {
  return kvdb::write_masked(path, kAlarmInFamily, nullptr, "id", recs, kAlarmInRecords, mask);
}

int write_schedule_masked(const char* path, const char* table, const ScheduleRec* rec, uint64_t mask) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int c = 0; c < kKvdbChannels; ++c)
      if ((mask >> c & 1) && t.put(schedule_family(), table, {{"chn", c}}, rec) != 0) return -1;
    return 0;
  }, &schedule_family());
}

int read_snapshot(const char* path, SnapshotRec* rec, int chn) {
  if (!valid_chn(chn)) {
    *rec = SnapshotRec{};
    return -1;
  }
  return kvdb::read_one(path, kSnapshotFamily, nullptr, {{"chn", chn}}, rec);
}

int copy_snapshots(const char* path, const SnapshotRec* rec, uint64_t mask) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int c = 0; c < kKvdbChannels; ++c) {
      if (!(mask >> c & 1)) continue;
      SnapshotRec r = *rec;
      r.chn = c;
      if (t.put(kSnapshotFamily, nullptr, {}, &r) != 0) return -1;
    }
    return 0;
  }, &kSnapshotFamily);
}

int read_snapshot_schedule(const char* path, ScheduleRec* rec, int chn) {
  return read_schedule(path, kSnapshotScheduleTable, chn, rec);
}

int write_snapshot_schedules(const char* path, const SnapshotSchedule* slots, uint64_t mask) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int c = 0; c < kKvdbChannels; ++c)
      if ((mask >> c & 1) && t.put(schedule_family(), kSnapshotScheduleTable, {{"chn", c}}, &slots[c].schedule) != 0)
        return -1;
    return 0;
  }, &schedule_family());
}
