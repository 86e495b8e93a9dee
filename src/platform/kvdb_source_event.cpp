#include "platform/kvdb_source_event.h"

#include "platform/kvdb_event_rows.h"

int source_event_defaults(kvdb::Txn& t, const kvdb::Family& f, int n) {
  for (int i = 0; i < n; ++i) {
    SourceEventRec r{};
    r.id = i;
    set_factory_intervals(r);
    if (t.put(f, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

int read_source_event(const char* path, const kvdb::Family& f, int n, SourceEventRec* rec, int id) {
  return id >= 0 && id < n ? kvdb::read_one(path, f, nullptr, {{"id", id}}, rec) : -1;
}

int write_source_event(const char* path, const kvdb::Family& f, int n, const SourceEventRec* rec) {
  return rec->id >= 0 && rec->id < n ? kvdb::write_one(path, f, nullptr, {}, rec) : -1;
}
