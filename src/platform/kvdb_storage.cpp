#include "platform/kvdb_storage.h"

#include <cstddef>

#include "platform/kvdb.h"

using storage::GroupRecord;
using storage::kMaxDisks;
using storage::kMaxGroups;

namespace {
// Keyed by the port the record was written under; the record's own port
// field may be 0 (a removed disk).
constexpr kvdb::Column kDiskCols[] = {
    KVDB_KEY("slot_port"),         KVDB_COL(StoredDisk, port),     KVDB_COL(StoredDisk, enable),
    KVDB_COL(StoredDisk, vendor),  KVDB_COL(StoredDisk, address),  KVDB_COL(StoredDisk, directory),
    KVDB_COL(StoredDisk, type),    KVDB_COL(StoredDisk, group),    KVDB_COL(StoredDisk, property),
    KVDB_COL(StoredDisk, user),    KVDB_COL(StoredDisk, password),
};
constexpr kvdb::Family kDiskFamily = kvdb::family<StoredDisk>("disk", "disk", kDiskCols, 1);
KVDB_REGISTER(kDiskFamily);

constexpr kvdb::Column kGroupCols[] = {
    KVDB_COL(GroupRecord, id),
    KVDB_COL(GroupRecord, channels),
    KVDB_COL(GroupRecord, second),
};
constexpr kvdb::Family kGroupFamily = kvdb::family<GroupRecord>("disk_group", "disk_group", kGroupCols, 1);
KVDB_REGISTER(kGroupFamily);

constexpr kvdb::Column kEsataCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(EsataAutoBackup, enable),
    KVDB_COL_AS(EsataAutoBackup, stream_type, "streamType"),
    KVDB_COL_AS(EsataAutoBackup, file_type, "fileType"),
    KVDB_COL(EsataAutoBackup, recycle),
    KVDB_COL_AS(EsataAutoBackup, backup_time, "backupTime"),
    KVDB_COL(EsataAutoBackup, channel),
    KVDB_COL(EsataAutoBackup, device),
    KVDB_COL(EsataAutoBackup, port),
};
constexpr kvdb::Family kEsataFamily =
    kvdb::family<EsataAutoBackup>("esata_auto_backup", "esata_auto_backup", kEsataCols, 1);
KVDB_REGISTER(kEsataFamily);
}  // namespace

int read_disk(const char* db, StoredDisk* rec, int port) {
  return kvdb::read_one(db, kDiskFamily, nullptr, {{"slot_port", port}}, rec);
}

int read_disks(const char* db, StoredDisk* recs, int* count) {
  return kvdb::read_list(db, kDiskFamily, nullptr, {}, recs, kMaxDisks, count);
}

int write_disk(const char* db, const StoredDisk* rec, int port) {
  return kvdb::write_one(db, kDiskFamily, nullptr, {{"slot_port", port}}, rec);
}

int read_groups(const char* db, GroupRecord* recs, int* count) {
  int rc = kvdb::read_slots(db, kGroupFamily, nullptr, "id", recs, kMaxGroups);
  for (int i = 0; i < kMaxGroups; ++i) recs[i].id = i;
  if (count) *count = kMaxGroups;
  return rc;
}

int write_group(const char* db, const GroupRecord* rec) {
  return kvdb::write_one(db, kGroupFamily, nullptr, {}, rec);
}

int read_esata_auto_backup(const char* db, EsataAutoBackup* rec) {
  return kvdb::read_one(db, kEsataFamily, nullptr, {{"id", 0}}, rec);
}

int write_esata_auto_backup(const char* db, const EsataAutoBackup* rec) {
  return kvdb::write_one(db, kEsataFamily, nullptr, {{"id", 0}}, rec);
}
