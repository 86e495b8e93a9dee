// The event record of a source that is neither a camera event nor an alarm
// input: a POS device, a face detection channel. One table per source kind.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"

// Starts with its source, as every action-set record does.
struct SourceEventRec {
  int32_t id;
  int32_t tri_alarms;
  int32_t interval;
  int32_t email_interval;
  int32_t email_pic_enable;
  int32_t ptz_interval;
  int32_t alarmout_interval;
  int32_t white_interval;
  int32_t http_notification_interval;
  int32_t audio_id;
  uint64_t tri_mask;  // from tri_channels: bit n for character n = '1'
  char tri_channels[65];
  char tri_channels_pic[65];
  char tri_chn_alarms[2][65];
};
static_assert(sizeof(SourceEventRec) == 312);
static_assert(offsetof(SourceEventRec, tri_mask) == 40 && offsetof(SourceEventRec, tri_channels) == 48 &&
              offsetof(SourceEventRec, tri_chn_alarms) == 178);

inline constexpr kvdb::Column kSourceEventCols[] = {
    KVDB_COL(SourceEventRec, id),
    KVDB_COL(SourceEventRec, tri_alarms),
    KVDB_COL(SourceEventRec, interval),
    KVDB_COL(SourceEventRec, email_interval),
    KVDB_COL(SourceEventRec, email_pic_enable),
    KVDB_COL(SourceEventRec, ptz_interval),
    KVDB_COL(SourceEventRec, alarmout_interval),
    KVDB_COL(SourceEventRec, white_interval),
    KVDB_COL(SourceEventRec, http_notification_interval),
    KVDB_COL(SourceEventRec, audio_id),
    KVDB_COL(SourceEventRec, tri_mask),
    KVDB_COL(SourceEventRec, tri_channels),
    KVDB_COL(SourceEventRec, tri_channels_pic),
    KVDB_BLOB(SourceEventRec, tri_chn_alarms, "tri_chn_alarms"),
};

// Factory rows 0..n-1 of family f: common intervals, no audio file.
int source_event_defaults(kvdb::Txn& t, const kvdb::Family& f, int n);
// The row of source id (zero record and -1 when none) / the row of rec->id,
// for ids 0..n-1.
int read_source_event(const char* path, const kvdb::Family& f, int n, SourceEventRec* rec, int id);
int write_source_event(const char* path, const kvdb::Family& f, int n, const SourceEventRec* rec);
