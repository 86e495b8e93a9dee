#include "platform/kvdb_lpr.h"

#include "base/paths.h"
#include "platform/kvdb.h"

namespace {
constexpr kvdb::Column kAnprListCols[] = {KVDB_COL(AnprListRec, plate), KVDB_COL(AnprListRec, type)};
constexpr kvdb::Family kAnprListFamily =
    kvdb::family<AnprListRec>("anpr_list", "anpr_list", kAnprListCols, 1, nullptr, devpaths::kAnprDb);
KVDB_REGISTER(kAnprListFamily);

int remove_plate(kvdb::Txn& t, const char* plate) {
  return t.remove(kAnprListFamily, nullptr, {{"plate", 0, plate}}) < 0 ? -1 : 0;
}
}  // namespace

int delete_anpr_lists(const char* path, const AnprListRec* recs, int n) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (remove_plate(t, recs[i].plate) != 0) return -1;
    return 0;
  });
}

int write_anpr_list_replace_batch(const char* path, const AnprListRec* recs, int n) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (t.put(kAnprListFamily, nullptr, {}, &recs[i]) != 0) return -1;
    return 0;
  });
}

int update_anpr_lists(const char* path, const char (*old_plates)[64], const AnprListRec* recs, int n) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < n; ++i)
      if (remove_plate(t, old_plates[i]) != 0 || t.put(kAnprListFamily, nullptr, {}, &recs[i]) != 0) return -1;
    return 0;
  });
}

int read_anpr_list_plate(const char* path, const char* plate, AnprListRec* rec) {
  return kvdb::read_one(path, kAnprListFamily, nullptr, {{"plate", 0, plate}}, rec);
}
