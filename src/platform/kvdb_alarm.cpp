#include "platform/kvdb_alarm.h"

#include <cstdio>

#include "platform/kvdb.h"
#include "platform/kvdb_event_rows.h"

namespace {
int factory_alarm_outs(kvdb::Txn& t);
int factory_chn_in_events(kvdb::Txn& t);
int factory_disarming(kvdb::Txn& t);


constexpr kvdb::Column kAlarmOutCols[] = {
    KVDB_COL(AlarmOutRec, id),
    KVDB_COL(AlarmOutRec, name),
    KVDB_COL(AlarmOutRec, type),
    KVDB_COL(AlarmOutRec, enable),
    KVDB_COL(AlarmOutRec, durationTime),
};
constexpr kvdb::Family kAlarmOutFamily =
    kvdb::family<AlarmOutRec>("alarm_out", "alarm_out", kAlarmOutCols, 1, factory_alarm_outs);
KVDB_REGISTER(kAlarmOutFamily);

constexpr kvdb::Column kChnInNameCols[] = {
    KVDB_COL(ChnInNameRec, chn),
    KVDB_COL(ChnInNameRec, id),
    KVDB_COL(ChnInNameRec, name),
};
constexpr kvdb::Family kChnInNameFamily =
    kvdb::family<ChnInNameRec>("alarm_chnin_name", "alarm_chnin_name", kChnInNameCols, 2);
KVDB_REGISTER(kChnInNameFamily);

constexpr kvdb::Column kChnOutNameCols[] = {
    KVDB_COL(ChnOutNameRec, chn),
    KVDB_COL(ChnOutNameRec, id),
    KVDB_COL(ChnOutNameRec, delayTime),
    KVDB_COL(ChnOutNameRec, name),
};
constexpr kvdb::Family kChnOutNameFamily =
    kvdb::family<ChnOutNameRec>("alarm_chnout_name", "alarm_chnout_name", kChnOutNameCols, 2);
KVDB_REGISTER(kChnOutNameFamily);

constexpr kvdb::Column kChnInEventCols[] = {
    KVDB_COL(ChnInEventRec, chnid),
    KVDB_COL_AS(ChnInEventRec, event, "alarm_id"),
    KVDB_COL(ChnInEventRec, enable),
    KVDB_COL(ChnInEventRec, tri_alarms),
    KVDB_COL(ChnInEventRec, interval),
    KVDB_COL(ChnInEventRec, email_interval),
    KVDB_COL(ChnInEventRec, email_pic_enable),
    KVDB_COL(ChnInEventRec, tri_mask),
    KVDB_COL(ChnInEventRec, tri_channels_pic),
    KVDB_COL(ChnInEventRec, tri_channels),
    KVDB_BLOB(ChnInEventRec, tri_chn_alarms, "tri_chn_alarms"),
    KVDB_COL(ChnInEventRec, ptz_interval),
    KVDB_COL(ChnInEventRec, alarmout_interval),
    KVDB_COL(ChnInEventRec, white_interval),
    KVDB_COL(ChnInEventRec, warning_light_interval),
    KVDB_COL(ChnInEventRec, audio_id),
    KVDB_COL(ChnInEventRec, http_notification_interval),
};
constexpr kvdb::Family kChnInEventFamily = kvdb::family<ChnInEventRec>(
    "alarm_chnin_event", "alarm_chnin_event", kChnInEventCols, 2, factory_chn_in_events);
KVDB_REGISTER(kChnInEventFamily);

constexpr kvdb::Column kDisarmingCols[] = {
    KVDB_COL(DisarmingRec, id),
    KVDB_COL(DisarmingRec, linkageAction),
    KVDB_COL(DisarmingRec, disarmActionMask),
};
constexpr kvdb::Family kDisarmingFamily =
    kvdb::family<DisarmingRec>("alarm_disarming", "alarm_disarming", kDisarmingCols, 1, factory_disarming);
KVDB_REGISTER(kDisarmingFamily);

bool valid_chn_in(int chn, int input) {
  return chn >= 0 && chn < kAlarmChannels && input >= 0 && input < kChnAlarmIns;
}

// Camera inputs act like the other events: 10 s between actions, a minute
// between e-mails, no audio file.
int factory_chn_in_events(kvdb::Txn& t) {
  return put_event_rows(t, kChnInEventFamily, kAlarmChannels, &ChnInEventRec::event, 0, kChnAlarmIns - 1);
}

// Disarming off: no linked action is held back.
int factory_disarming(kvdb::Txn& t) {
  DisarmingRec r{};
  return t.put(kDisarmingFamily, nullptr, {}, &r);
}

// Inputs normally open and off, outputs off with a 10 s hold, all named by number.
int factory_alarm_outs(kvdb::Txn& t) {
  for (int i = 0; i < kAlarmOuts; ++i) {
    AlarmOutRec r{};
    r.id = i;
    snprintf(r.name, sizeof r.name, "AlarmOut%d", i + 1);
    r.durationTime = 10;
    if (t.put(kAlarmOutFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

// Rows of one camera input or output, placed by channel.
template <class Rec>
int read_names_by_channel(const char* path, const kvdb::Family& f, int id, Rec* recs) {
  static Rec rows[kAlarmChannels];
  int n = 0;
  for (int c = 0; c < kAlarmChannels; ++c) recs[c] = Rec{};
  int r = kvdb::read_list(path, f, nullptr, {{"id", id}}, rows, kAlarmChannels, &n);
  for (int i = 0; i < n; ++i)
    if (rows[i].chn >= 0 && rows[i].chn < kAlarmChannels) recs[rows[i].chn] = rows[i];
  for (int c = 0; c < kAlarmChannels; ++c) {
    recs[c].chn = c;
    recs[c].id = id;
  }
  return r;
}
}  // namespace

int read_alarm_outs(const char* path, AlarmOutRec* recs, int* count) {
  int r = kvdb::read_slots(path, kAlarmOutFamily, nullptr, "id", recs, kAlarmOuts);
  if (count) *count = r == 0 ? kAlarmOuts : 0;
  return r;
}

int write_alarm_outs(const char* path, const AlarmOutRec* recs, uint64_t mask) {
  return kvdb::write_masked(path, kAlarmOutFamily, nullptr, "id", recs, kAlarmOuts, mask & 0xF);
}

int read_alarm_chnIn_event_names(const char* path, int input, ChnInNameRec* recs) {
  return read_names_by_channel(path, kChnInNameFamily, input, recs);
}

int read_alarm_chnOut_event_names(const char* path, int output, ChnOutNameRec* recs) {
  return read_names_by_channel(path, kChnOutNameFamily, output, recs);
}

int read_alarm_chnIn_event_name(const char* path, ChnInNameRec* rec, int chn, int input) {
  int r = kvdb::read_one(path, kChnInNameFamily, nullptr, {{"chn", chn}, {"id", input}}, rec);
  rec->chn = chn;
  rec->id = input;
  return r;
}

int read_alarm_chnOut_event_name(const char* path, ChnOutNameRec* rec, int chn, int output) {
  int r = kvdb::read_one(path, kChnOutNameFamily, nullptr, {{"chn", chn}, {"id", output}}, rec);
  rec->chn = chn;
  rec->id = output;
  return r;
}

int copy_alarm_chnOut_event_names(const char* path, int output, int src, uint64_t mask) {
  return kvdb::copy_rows(path, kChnOutNameFamily, nullptr, {{"id", output}}, "chn", src, mask);
}

int write_alarm_chnIn_event_name(const char* path, const ChnInNameRec* rec) {
  return kvdb::write_one(path, kChnInNameFamily, nullptr, {}, rec);
}

int write_alarm_chnOut_event_name(const char* path, const ChnOutNameRec* rec) {
  return kvdb::write_one(path, kChnOutNameFamily, nullptr, {}, rec);
}

int read_alarm_chnIn_event(const char* path, ChnInEventRec* rec, int chn, int input) {
  *rec = ChnInEventRec{};
  int r = valid_chn_in(chn, input)
              ? kvdb::read_one(path, kChnInEventFamily, nullptr, {{"chnid", chn}, {"alarm_id", input}}, rec)
              : -1;
  rec->chnid = chn;
  rec->event = input;
  return r;
}

int write_alarm_chnIn_event(const char* path, const ChnInEventRec* rec) {
  return valid_chn_in(rec->chnid, rec->event) ? kvdb::write_one(path, kChnInEventFamily, nullptr, {}, rec) : -1;
}

int copy_alarm_chnIn_events(const char* path, int input, int src, uint64_t mask) {
  return valid_chn_in(src, input)
             ? kvdb::copy_rows(path, kChnInEventFamily, nullptr, {{"alarm_id", input}}, "chnid", src, mask)
             : -1;
}

int read_disarming(const char* path, DisarmingRec* rec) {
  return kvdb::read_one(path, kDisarmingFamily, nullptr, {{"id", 0}}, rec);
}

int write_disarming(const char* path, const DisarmingRec* rec) {
  DisarmingRec r = *rec;
  r.id = 0;
  return kvdb::write_one(path, kDisarmingFamily, nullptr, {}, &r);
}
