#include "platform/kvdb_peoplecnt.h"

#include <cstdio>

#include "base/text.h"
#include "platform/kvdb_event_rows.h"

namespace {
constexpr kvdb::Column kGroupCols[] = {
    KVDB_COL(PeoplecntGroupRec, id),
    KVDB_COL(PeoplecntGroupRec, enable),
    KVDB_COL(PeoplecntGroupRec, stays),
    KVDB_COL(PeoplecntGroupRec, liveview_auto_reset),
    KVDB_COL(PeoplecntGroupRec, auto_day),
    KVDB_COL(PeoplecntGroupRec, liveview_font_size),
    KVDB_COL(PeoplecntGroupRec, name),
    KVDB_COL(PeoplecntGroupRec, auto_day_time),
    KVDB_COL(PeoplecntGroupRec, tri_channels),
    KVDB_COL(PeoplecntGroupRec, liveview_green_tips),
    KVDB_COL(PeoplecntGroupRec, liveview_red_tips),
};
int group_defaults(kvdb::Txn& t);
constexpr kvdb::Family kGroupFamily =
    kvdb::family<PeoplecntGroupRec>("peoplecnt_settings", "peoplecnt_settings", kGroupCols, 1, group_defaults);
KVDB_REGISTER(kGroupFamily);

int group_defaults(kvdb::Txn& t) {
  for (int i = 0; i < kPeoplecntGroups; ++i) {
    PeoplecntGroupRec r{};
    r.id = i;
    snprintf(r.name, sizeof r.name, "Group%d", i + 1);
    copy_text(r.auto_day_time, sizeof r.auto_day_time, "00:00:00");
    r.liveview_font_size = 1;
    copy_text(r.liveview_green_tips, sizeof r.liveview_green_tips, "Welcome");
    copy_text(r.liveview_red_tips, sizeof r.liveview_red_tips, "Please wait");
    if (t.put(kGroupFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

constexpr kvdb::Column kEventCols[] = {
    KVDB_COL(PeoplecntEventRec, id),
    KVDB_COL(PeoplecntEventRec, tri_alarms),
    KVDB_COL(PeoplecntEventRec, interval),
    KVDB_COL(PeoplecntEventRec, email_interval),
    KVDB_COL(PeoplecntEventRec, email_pic_enable),
    KVDB_COL(PeoplecntEventRec, ptz_interval),
    KVDB_COL(PeoplecntEventRec, alarmout_interval),
    KVDB_COL(PeoplecntEventRec, white_interval),
    KVDB_COL(PeoplecntEventRec, http_notification_interval),
    KVDB_COL(PeoplecntEventRec, audio_id),
    KVDB_COL(PeoplecntEventRec, tri_channels_pic),
    KVDB_BLOB(PeoplecntEventRec, tri_chn_alarms, "tri_chn_alarms"),
};
int event_defaults(kvdb::Txn& t);
constexpr kvdb::Family kEventFamily =
    kvdb::family<PeoplecntEventRec>("peoplecnt_event", "peoplecnt_event", kEventCols, 1, event_defaults);
KVDB_REGISTER(kEventFamily);

int event_defaults(kvdb::Txn& t) {
  for (int i = 0; i < kPeoplecntGroups; ++i) {
    PeoplecntEventRec r{};
    r.id = i;
    set_factory_intervals(r);
    if (t.put(kEventFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

// The entry index is the row's key; the record has no member for it.
constexpr kvdb::Column kBackupCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(ReportBackupRec, report_type),
    KVDB_COL(ReportBackupRec, enable),
    KVDB_COL(ReportBackupRec, tri_channels),
    KVDB_COL(ReportBackupRec, tri_groups),
    KVDB_COL(ReportBackupRec, stay_length_type),
    KVDB_COL(ReportBackupRec, stay_length_value),
    KVDB_COL(ReportBackupRec, backup_day),
    KVDB_COL(ReportBackupRec, backup_time),
    KVDB_COL(ReportBackupRec, file_format),
    KVDB_COL(ReportBackupRec, time_range),
    KVDB_COL(ReportBackupRec, backup_to),
    KVDB_COL(ReportBackupRec, line_mask),
};
int backup_defaults(kvdb::Txn& t);
constexpr kvdb::Family kBackupFamily = kvdb::family<ReportBackupRec>(
    "peoplecnt_auto_backup", "peoplecnt_auto_backup", kBackupCols, 1, backup_defaults);
KVDB_REGISTER(kBackupFamily);

int put_backups(kvdb::Txn& t, const ReportBackupRec* recs) {
  for (int i = 0; i < kReportBackups; ++i)
    if (t.put(kBackupFamily, nullptr, {{"id", i}}, &recs[i]) != 0) return -1;
  return 0;
}

int backup_defaults(kvdb::Txn& t) {
  ReportBackupRec recs[kReportBackups] = {};
  for (int i = 0; i < kReportBackups; ++i) {
    recs[i].report_type = i;
    copy_text(recs[i].backup_time, sizeof recs[i].backup_time, "00:00");
  }
  return put_backups(t, recs);
}

bool valid_group(int g) { return g >= 0 && g < kPeoplecntGroups; }
}  // namespace

int read_peoplecnt_settings(const char* path, PeoplecntGroupRec recs[kPeoplecntGroups]) {
  return kvdb::read_slots(path, kGroupFamily, nullptr, "id", recs, kPeoplecntGroups);
}

int write_peoplecnt_settings(const char* path, const PeoplecntGroupRec recs[kPeoplecntGroups]) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < kPeoplecntGroups; ++i)
      if (t.put(kGroupFamily, nullptr, {{"id", i}}, &recs[i]) != 0) return -1;
    return 0;
  }, &kGroupFamily);
}

int read_peoplecnt_event(const char* path, PeoplecntEventRec* rec, int group) {
  if (!valid_group(group)) return -1;
  return kvdb::read_one(path, kEventFamily, nullptr, {{"id", group}}, rec);
}

int write_peoplecnt_event(const char* path, const PeoplecntEventRec* rec) {
  if (!valid_group(rec->id)) return -1;
  return kvdb::write_one(path, kEventFamily, nullptr, {}, rec);
}

int read_peoplecnt_auto_backup(const char* path, ReportBackupRec recs[kReportBackups]) {
  return kvdb::read_slots(path, kBackupFamily, nullptr, "id", recs, kReportBackups);
}

int write_peoplecnt_auto_backup(const char* path, const ReportBackupRec recs[kReportBackups]) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) { return put_backups(t, recs); }, &kBackupFamily);
}
