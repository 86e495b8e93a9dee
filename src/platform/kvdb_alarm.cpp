#include "platform/kvdb_alarm.h"

#include <cstdio>

#include "platform/kvdb.h"

namespace {
int factory_alarm_outs(kvdb::Txn& t);


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

int write_alarm_chnIn_event_name(const char* path, const ChnInNameRec* rec) {
  return kvdb::write_one(path, kChnInNameFamily, nullptr, {}, rec);
}

int write_alarm_chnOut_event_name(const char* path, const ChnOutNameRec* rec) {
  return kvdb::write_one(path, kChnOutNameFamily, nullptr, {}, rec);
}
