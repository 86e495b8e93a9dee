#include "platform/kvdb_people_region.h"

#include "platform/kvdb_event_rows.h"

namespace {
bool valid(int chn, int region) {
  return chn >= 0 && chn < kKvdbChannels && region >= 0 && region < kRegionalPcntRegions;
}

constexpr kvdb::Column kEventCols[] = {
    KVDB_COL(RegionalPcntEventRec, chnid),
    KVDB_COL(RegionalPcntEventRec, region),
    KVDB_COL(RegionalPcntEventRec, tri_alarms),
    KVDB_COL(RegionalPcntEventRec, interval),
    KVDB_COL(RegionalPcntEventRec, audio_id),
    KVDB_COL(RegionalPcntEventRec, email_interval),
    KVDB_COL(RegionalPcntEventRec, email_pic_enable),
    KVDB_COL(RegionalPcntEventRec, ptz_interval),
    KVDB_COL(RegionalPcntEventRec, white_interval),
    KVDB_COL(RegionalPcntEventRec, warning_light_interval),
    KVDB_COL(RegionalPcntEventRec, http_notification_interval),
    KVDB_COL(RegionalPcntEventRec, alarmout_interval),
    KVDB_COL(RegionalPcntEventRec, tri_mask),
    KVDB_COL(RegionalPcntEventRec, tri_channels_pic),
    KVDB_COL(RegionalPcntEventRec, tri_channels),
    KVDB_BLOB(RegionalPcntEventRec, tri_chn_alarms, "tri_chn_alarms"),
};
int event_defaults(kvdb::Txn& t);
constexpr kvdb::Family kEventFamily = kvdb::family<RegionalPcntEventRec>("regional_pcnt_event", "regional_pcnt_event",
                                                                         kEventCols, 2, event_defaults);
KVDB_REGISTER(kEventFamily);

// Like the smart events: no actions, 10 s between them, a minute between e-mails.
int event_defaults(kvdb::Txn& t) {
  return put_event_rows(t, kEventFamily, kKvdbChannels, &RegionalPcntEventRec::region, 0, kRegionalPcntRegions - 1);
}
}  // namespace

int read_regional_pcnt_event(const char* path, RegionalPcntEventRec* rec, int chn, int region) {
  *rec = RegionalPcntEventRec{};
  int r = valid(chn, region)
              ? kvdb::read_one(path, kEventFamily, nullptr, {{"chnid", chn}, {"region", region}}, rec)
              : -1;
  rec->chnid = chn;
  rec->region = region;
  return r;
}

int write_regional_pcnt_event(const char* path, const RegionalPcntEventRec* rec) {
  return valid(rec->chnid, rec->region) ? kvdb::write_one(path, kEventFamily, nullptr, {}, rec) : -1;
}

int copy_regional_pcnt_event(const char* path, int region, int src, uint64_t mask) {
  return valid(src, region)
             ? kvdb::copy_rows(path, kEventFamily, nullptr, {{"region", region}}, "chnid", src, mask)
             : -1;
}
