#include "platform/kvdb_vca.h"

#include <cstdio>

#include "base/text.h"
#include "platform/kvdb_event_rows.h"

namespace {
bool valid(int chn, int event) { return chn >= 0 && chn < kKvdbChannels && event >= 0 && event < kSmartEvents; }

constexpr kvdb::Column kSmartEventCols[] = {
    KVDB_COL(SmartEventRec, chnid),
    KVDB_COL(SmartEventRec, event),
    KVDB_COL(SmartEventRec, enable),
    KVDB_COL(SmartEventRec, tri_alarms),
    KVDB_COL(SmartEventRec, interval),
    KVDB_COL(SmartEventRec, email_interval),
    KVDB_COL(SmartEventRec, email_pic_enable),
    KVDB_COL(SmartEventRec, tri_mask),
    KVDB_COL(SmartEventRec, tri_channels_pic),
    KVDB_COL(SmartEventRec, tri_channels),
    KVDB_BLOB(SmartEventRec, tri_chn_alarms, "tri_chn_alarms"),
    KVDB_COL(SmartEventRec, ptz_interval),
    KVDB_COL(SmartEventRec, alarmout_interval),
    KVDB_COL(SmartEventRec, white_interval),
    KVDB_COL(SmartEventRec, warning_light_interval),
    KVDB_COL(SmartEventRec, audio_id),
    KVDB_COL(SmartEventRec, http_notification_interval),
};
int smart_event_defaults(kvdb::Txn& t);
constexpr kvdb::Family kSmartEventFamily =
    kvdb::family<SmartEventRec>("smart_event", "smart_event", kSmartEventCols, 2, smart_event_defaults);
KVDB_REGISTER(kSmartEventFamily);

// Off, 10 s between actions, a minute between e-mails, like the other events.
int smart_event_defaults(kvdb::Txn& t) {
  return put_event_rows(t, kSmartEventFamily, kKvdbChannels, &SmartEventRec::event, 0, kSmartEvents - 1);
}

const SmartEventTables* smart_event_tables(int event) {
  return event >= 0 && event < kSmartEvents ? &kSmartEventTables[event] : nullptr;
}

int table_name(const char* schedule, const char* params, int which, char* buf, size_t size) {
  const char* name = which == 0 ? schedule : which == 1 ? params : nullptr;
  copy_text(buf, size, name ? name : "");
  return name ? 0 : -1;
}
}  // namespace

int read_smart_event(const char* path, SmartEventRec* rec, int chn, int event) {
  *rec = SmartEventRec{};
  int r = valid(chn, event) ? kvdb::read_one(path, kSmartEventFamily, nullptr, {{"chnid", chn}, {"event", event}}, rec) : -1;
  rec->chnid = chn;
  rec->event = event;
  return r;
}

int write_smart_event(const char* path, const SmartEventRec* rec) {
  return valid(rec->chnid, rec->event) ? kvdb::write_one(path, kSmartEventFamily, nullptr, {}, rec) : -1;
}

int copy_smart_events(const char* path, int event, int src, uint64_t mask) {
  return valid(src, event) ? kvdb::copy_rows(path, kSmartEventFamily, nullptr, {{"event", event}}, "chnid", src, mask)
                           : -1;
}

int get_vca_white_table_name(int which, int event, char* buf, size_t size) {
  const SmartEventTables* t = smart_event_tables(event);
  return table_name(t ? t->white : nullptr, t ? t->white_params : nullptr, which, buf, size);
}
int get_vca_warning_light_table_name(int which, int event, char* buf, size_t size) {
  const SmartEventTables* t = smart_event_tables(event);
  return table_name(t ? t->warning : nullptr, t ? t->warning_params : nullptr, which, buf, size);
}
int get_vca_http_table_name(int which, int event, char* buf, size_t size) {
  const SmartEventTables* t = smart_event_tables(event);
  return table_name(t ? t->http_sche : nullptr, t ? t->http_params : nullptr, which, buf, size);
}
