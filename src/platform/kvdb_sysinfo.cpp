#include "platform/kvdb_sysinfo.h"

#include "platform/kvdb.h"
#include "platform/kvdb_network.h"

namespace sysinfo {
namespace {
int factory_display(kvdb::Txn& t);
constexpr kvdb::Column kDisplayCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(DisplayRec, main_resolution),
    KVDB_COL(DisplayRec, hdmi_audio),
    KVDB_COL(DisplayRec, audio_output),
    KVDB_COL(DisplayRec, audio_volume),
    KVDB_COL(DisplayRec, audio_stereo),
    KVDB_COL(DisplayRec, sub_enable),
    KVDB_COL(DisplayRec, sub_resolution),
    KVDB_COL(DisplayRec, cur_control),
};
constexpr kvdb::Family kDisplayFamily = kvdb::family<DisplayRec>("display", "display", kDisplayCols, 1, factory_display);
KVDB_REGISTER(kDisplayFamily);
// Main output at its first resolution with HDMI audio, secondary output off.
int factory_display(kvdb::Txn& t) {
  DisplayRec r{};
  r.hdmi_audio = 1;
  r.audio_output = 1;
  r.audio_volume = 50;
  r.cur_control = kOutputMain;
  return t.put(kDisplayFamily, nullptr, {{"id", 0}}, &r);
}

int factory_upnp(kvdb::Txn& t);
constexpr kvdb::Column kUpnpCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(UpnpRecord, enable),
    KVDB_COL(UpnpRecord, type),
    KVDB_COL(UpnpRecord, external_http_port),
    KVDB_COL(UpnpRecord, http_status),
    KVDB_COL(UpnpRecord, external_rtsp_port),
    KVDB_COL(UpnpRecord, rtsp_status),
};
constexpr kvdb::Family kUpnpFamily = kvdb::family<UpnpRecord>("upnp", "upnp", kUpnpCols, 1, factory_upnp);
KVDB_REGISTER(kUpnpFamily);
// Off, mapping the service ports to the same external ports.
int factory_upnp(kvdb::Txn& t) {
  UpnpRecord r{};
  r.external_http_port = 80;
  r.external_rtsp_port = 554;
  return t.put(kUpnpFamily, nullptr, {{"id", 0}}, &r);
}

constexpr kvdb::Column kFilterCols[] = {
    KVDB_COL(AccessFilterEntry, address_type),
    KVDB_COL(AccessFilterEntry, address),
};
// A plain list in stored order; the factory has none.
constexpr kvdb::Family kFilterFamily = kvdb::family<AccessFilterEntry>("access_filter", "access_filter", kFilterCols, 0);
KVDB_REGISTER(kFilterFamily);

int read_row(const char* db, const kvdb::Family& f, void* r) { return kvdb::read_one(db, f, nullptr, {{"id", 0}}, r); }
int write_row(const char* db, const kvdb::Family& f, const void* r) {
  return kvdb::write_one(db, f, nullptr, {{"id", 0}}, r);
}
}  // namespace

int read_display(const char* db, DisplayRec* r) { return read_row(db, kDisplayFamily, r); }
int write_display(const char* db, const DisplayRec* r) { return write_row(db, kDisplayFamily, r); }
int read_upnp(const char* db, UpnpRecord* r) { return read_row(db, kUpnpFamily, r); }
int write_upnp(const char* db, const UpnpRecord* r) { return write_row(db, kUpnpFamily, r); }

int read_access_filter(const char* db, AccessFilterEntry* entries, int* count) {
  return kvdb::read_list(db, kFilterFamily, nullptr, {}, entries, kMaxAccessFilters, count);
}

int write_settings(const char* db, const SettingsBatch& b) {
  if (b.filter_count > kMaxAccessFilters || (b.param_count > 0 && !b.params)) return -1;
  return kvdb::transact(db, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    if (b.display && t.put(kDisplayFamily, nullptr, {{"id", 0}}, b.display) != 0) return -1;
    if (b.host_name && net::put_network_host_name(t, b.host_name) != 0) return -1;
    if (b.filter_count >= 0 && t.put_list(kFilterFamily, nullptr, {}, b.filters, b.filter_count) != 0) return -1;
    for (int i = 0; i < b.param_count; ++i)
      if (kvdb::put_param(t, b.params[i].key, b.params[i].value) != 0) return -1;
    return 0;
  });
}
}  // namespace sysinfo
