// Configuration database (kvdb) on SQLite.
//
// Every call takes the DEVICE path of its database first (devpaths::kKvdb,
// kAnprDb, kOemDb) and resolves it under the device root itself. A missing
// file is created, parent directories included, with the factory defaults.
// Every call is one transaction: a failed write leaves the stored rows as they
// were; a writer waits up to 5 s for another process instead of failing.
// C-style results: 0 success, -1 failure, unless a function says otherwise.
//
// Adding a record family (a struct, a descriptor, one registration line):
//
//   struct DiskRec { int32_t port; int32_t enable; char vendor[64]; ... };
//   static_assert(sizeof(DiskRec) == ...);
//   constexpr kvdb::Column kDiskCols[] = {
//       KVDB_COL(DiskRec, port),                 // first nkeys columns form the key
//       KVDB_COL(DiskRec, enable), KVDB_COL(DiskRec, vendor), ...};
//   constexpr kvdb::Family kDiskFamily =
//       kvdb::family<DiskRec>("disk", "disk", kDiskCols, 1);
//   KVDB_REGISTER(kDiskFamily);
//
//   int read_disk(const char* path, DiskRec* r, int port) {
//     return kvdb::read_one(path, kDiskFamily, nullptr, {{"port", port}}, r);
//   }
//   int read_disks(const char* path, DiskRec* r, int* n) {
//     return kvdb::read_list(path, kDiskFamily, nullptr, {}, r, 36, n);
//   }
//
// Fixed slots (users 0..99): key the slot column, read with read_slots(),
// find a place with first_free_slot(); give the family factory rows through
// Family::defaults. Per-channel lists (PTZ entries, LED entries) need no key:
// write_list() replaces a group, copy_rows() copies it. Families whose table
// name is chosen by the caller (schedules) pass table == nullptr in the
// descriptor and the name in each call; the table is made on first write.
// A family of another database sets Family::db (e.g. devpaths::kOemDb).
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

struct sqlite3;

namespace kvdb {

class Txn;

enum class ColType : uint8_t {
  kInt32,
  kInt64,
  kUint64,
  kFloat,
  kText,  // char[width], stored as TEXT, read back cut at width - 1
  kBlob,  // width bytes, stored exactly
  kKey,   // an integer column that is not in the record (e.g. the channel of a schedule)
};

struct Column {
  const char* name;
  ColType type;
  uint32_t offset;  // in the record; 0 for kKey
  uint32_t width;   // bytes in the record; 0 for kKey
};

struct Family {
  const char* name;       // as kvdbctl knows it
  const char* table;      // its table; nullptr when every call names one
  const char* db;         // device path of its database; nullptr: devpaths::kKvdb
  uint32_t size;          // record size
  const Column* cols;
  uint32_t ncols;
  uint32_t nkeys;         // leading columns forming the primary key; 0: a plain list
  int (*defaults)(Txn& t);  // factory rows written when the database is created
};

template <class T>
constexpr ColType col_type_of() {
  if constexpr (std::is_same_v<T, int32_t>) return ColType::kInt32;
  else if constexpr (std::is_same_v<T, int64_t>) return ColType::kInt64;
  else if constexpr (std::is_same_v<T, uint64_t>) return ColType::kUint64;
  else if constexpr (std::is_same_v<T, float>) return ColType::kFloat;
  else {
    static_assert(std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, char>,
                  "field type has no column type: use KVDB_BLOB");
    return ColType::kText;
  }
}

template <class Rec, size_t N>
constexpr Family family(const char* name, const char* table, const Column (&cols)[N], uint32_t nkeys,
                        int (*defaults)(Txn&) = nullptr, const char* db = nullptr) {
  return Family{name, table, db, sizeof(Rec), cols, N, nkeys, defaults};
}

// Column named like its field, typed from the field.
#define KVDB_COL(Rec, field) KVDB_COL_AS(Rec, field, #field)
#define KVDB_COL_AS(Rec, field, name)                                                      \
  ::kvdb::Column {                                                                         \
    name, ::kvdb::col_type_of<decltype(Rec::field)>(), static_cast<uint32_t>(offsetof(Rec, field)), \
        static_cast<uint32_t>(sizeof(Rec::field))                                          \
  }
#define KVDB_BLOB(Rec, field, name) \
  ::kvdb::Column { name, ::kvdb::ColType::kBlob, offsetof(Rec, field), sizeof(Rec::field) }
#define KVDB_WHOLE(Rec, name) \
  ::kvdb::Column { name, ::kvdb::ColType::kBlob, 0, sizeof(Rec) }
#define KVDB_KEY(name) \
  ::kvdb::Column { name, ::kvdb::ColType::kKey, 0, 0 }

// Makes a family known to kvdbctl and to the factory defaults.
class Registration {
 public:
  explicit Registration(const Family& f);
};
#define KVDB_REGISTER_NAMED(fam, tag) static const ::kvdb::Registration kvdb_registration_##tag{fam}
#define KVDB_REGISTER(fam) KVDB_REGISTER_NAMED(fam, fam)

const std::vector<const Family*>& families();
const Family* find_family(const char* name);
// The family owning a fixed table of that name, else nullptr.
const Family* family_of_fixed_table(const char* table);

// kvdb.db is kept in several files. kvdb.db itself holds what nearly every
// request reads (the parameters); each module's families live in
// a file beside it ("kvdb-camera.db", ...), so that a call parses the schema
// of its own file only. A transaction of several calls (transact() without a
// family, WriteScope) holds every file, attached, and commits them together.
// An earlier kvdb.db that held every table is split on its first open.
//
// The file of a family: "" for the database's own file, else the part of the
// name after "kvdb-".
const char* file_of(const Family& f);
// Files of a database by that name part, "" (its own) first.
std::vector<const char*> files_of_database(const char* device_path);
// Device path of one file of a database.
std::string file_path(const char* device_path, const char* file);
// Device paths of every file of a database (its own first).
std::vector<std::string> database_files(const char* device_path);

// Letters, digits and '_', 1..63 characters, not starting with "sqlite_".
bool valid_identifier(const char* name);

// Column = value condition (or value to store for a column, see Txn::put).
struct Match {
  const char* col;
  int64_t num;
  const char* text = nullptr;  // a text value when set
};

class Where {
 public:
  Where() = default;
  // Lives as long as the full expression of the call, which is all a Where needs.
  Where(std::initializer_list<Match> l) {
    p_ = l.begin();
    n_ = l.size();
  }
  Where(const Match* p, size_t n) : p_(p), n_(n) {}
  Where(const std::vector<Match>& v) : p_(v.data()), n_(v.size()) {}
  const Match* begin() const { return p_; }
  const Match* end() const { return p_ + n_; }
  size_t size() const { return n_; }
  const Match* find(const char* col) const;

 private:
  const Match* p_ = nullptr;
  size_t n_ = 0;
};

// One transaction on one database. Operations return -1 on error and mark
// the transaction failed; commit() then rolls back and returns -1.
// `table` nullptr means the family's own table. Given `only`, the transaction
// opens that family's file alone and serves the calls of the families kept
// there only.
class Txn {
 public:
  enum Mode { kRead, kWrite };
  Txn(const char* device_path, Mode mode, const Family* only = nullptr);
  ~Txn();
  Txn(const Txn&) = delete;
  Txn& operator=(const Txn&) = delete;

  bool ok() const { return db_ != nullptr && !failed_; }
  int commit();
  int fail();  // marks the transaction failed, returns -1
  const char* device_path() const { return device_path_; }
  sqlite3* db() { return db_; }

  bool has_table(const char* table);
  // Record tables of every file held, by name (kv_tables left out).
  int table_names(std::vector<std::string>* names);
  int ensure_table(const Family& f, const char* table);
  // Family a table belongs to: fixed table, or recorded when first written.
  const Family* family_of_table(const char* table);

  // First row matching `where` into rec: 0 found, 1 none (rec untouched).
  int get(const Family& f, const char* table, Where where, void* rec);
  // Up to max rows in stored order into recs[]; *count = rows filled.
  int get_list(const Family& f, const char* table, Where where, void* recs, int max, int* count);
  // Row whose slot_col is i into recs[i] for i in 0..nslots-1 (others untouched).
  int get_slots(const Family& f, const char* table, const char* slot_col, void* recs, int nslots);
  // Insert or replace (by key) one row. `set` gives the kKey columns and may
  // override record fields (e.g. the channel).
  int put(const Family& f, const char* table, Where set, const void* rec);
  // Replaces the rows matching `group` by recs[0..n-1], `group` stored in each.
  int put_list(const Family& f, const char* table, Where group, const void* recs, int n);
  // put() of recs[i] with slot_col = i for every bit i of mask below n.
  int put_masked(const Family& f, const char* table, const char* slot_col, const void* recs, int n,
                 uint64_t mask);
  // Rows removed, or -1.
  int remove(const Family& f, const char* table, Where where);
  int count(const Family& f, const char* table, Where where);
  // Rows matching fixed + group_col = src, copied to group_col = n for every
  // bit n of mask other than src (the target's rows replaced).
  int copy_group(const Family& f, const char* table, Where fixed, const char* group_col, int64_t src,
                 uint64_t mask);
  // Lowest i in 0..nslots-1 without a row in use (free_col != 0, or any row
  // when free_col is nullptr); -1 when all are taken.
  int first_free(const Family& f, const char* table, const char* slot_col, int nslots, const char* free_col);
  // UPDATE table SET column = value WHERE key_col = n, for every bit n of mask.
  int set_int_column(const char* table, const char* column, int64_t value, const char* key_col,
                     uint64_t mask);

 private:
  const char* table_of(const Family& f, const char* table);
  // Schema name of the family's file on this connection ("main" or an attached one).
  std::string schema_of(const Family& f) const;
  std::vector<std::string> schemas() const;
  std::string key() const;  // of its kept connection
  bool table_in(const std::string& schema, const char* table);
  int open(Mode mode);
  int stored_version();
  int install();
  int move_table(const Family& f, const char* table);
  sqlite3* db_ = nullptr;
  const char* device_path_;
  const char* file_ = "";  // the file opened alone, when not all_
  bool all_ = false;       // every file of the database attached
  bool failed_ = false;
  bool done_ = false;
  bool nested_ = false;  // a savepoint in this thread's WriteScope
};

// One write transaction held while alive: every call of this thread on the
// same database meanwhile runs inside it. A page read, changed and written
// back with separate calls then cannot overwrite what another request stored
// in between (it waits for the scope, as for any writer). Not committed, it
// rolls back whatever the calls stored.
class WriteScope {
 public:
  explicit WriteScope(const char* device_path);
  ~WriteScope();
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;
  bool ok() const { return txn_.ok(); }
  int commit();

 private:
  Txn txn_;
};

// A process that lives for one request (webcgi) keeps each file's connection
// (and the all-files one) open between transactions, with the statements
// prepared on it, so a schema is read and a query parsed once per request
// instead of once per call. Off by default (long-lived programs and tests
// open a connection per transaction). Off closes the kept connections.
void keep_connections(bool on);
// Closes the kept connections of a database (before its files are replaced).
void drop_kept_connection(const char* device_path);

// Runs body(Txn&) in one transaction; commits when it returns >= 0. Given
// `only`, body may touch the families of its file alone (all that is opened).
template <class Body>
int transact(const char* device_path, Txn::Mode mode, Body&& body, const Family* only = nullptr) {
  Txn t(device_path, mode, only);
  if (!t.ok()) return -1;
  int r = body(t);
  if (r < 0) {
    t.fail();
    return -1;
  }
  return t.commit() == 0 ? r : -1;
}

// Writes the factory rows of every family of t's database (as on creation);
// other rows stay. kvdbctl runs it again after storing factory parameters.
int run_factory_defaults(Txn& t);

// One-shot forms, each one transaction.
// Zero-fills rec; 0 when a row was found, -1 when none or on error.
int read_one(const char* path, const Family& f, const char* table, Where where, void* rec);
// Zero-fills recs[0..max-1]; stores the row count.
int read_list(const char* path, const Family& f, const char* table, Where where, void* recs, int max,
              int* count);
// Zero-fills recs[0..nslots-1], then places each row at its slot.
int read_slots(const char* path, const Family& f, const char* table, const char* slot_col, void* recs,
               int nslots);
int write_one(const char* path, const Family& f, const char* table, Where set, const void* rec);
int write_list(const char* path, const Family& f, const char* table, Where group, const void* recs, int n);
int write_masked(const char* path, const Family& f, const char* table, const char* slot_col,
                 const void* recs, int n, uint64_t mask);
int copy_rows(const char* path, const Family& f, const char* table, Where fixed, const char* group_col,
              int64_t src, uint64_t mask);
int remove_rows(const char* path, const Family& f, const char* table, Where where);
// Row count, or -1.
int count_rows(const char* path, const Family& f, const char* table, Where where);
int first_free_slot(const char* path, const Family& f, const char* table, const char* slot_col, int nslots,
                    const char* free_col);

}  // namespace kvdb

// ---- Key/value parameters (table "params" of the database) ----

// Stored integer, or def when the key is not stored or not a number.
int get_param_int(const char* path, const char* key, int def);
// Copies the stored text (cut to size - 1), or def when the key is not
// stored: 0 when a stored value was copied, -1 when def was.
int get_param_value(const char* path, const char* key, char* buf, int size, const char* def);
// Store a value, replacing the key's old one (a key not yet stored is added).
int set_param_int(const char* path, const char* key, int value);
int set_param_value(const char* path, const char* key, const char* value);
// Non-zero when the key does not exist.
int check_param_key(const char* path, const char* key);
// Adds a new key; -1 when it exists already.
int add_param_value(const char* path, const char* key, const char* value);
// Stores a value within a write transaction (added when missing), so that a
// page's parameters and records are saved together or not at all.
namespace kvdb {
int put_param(Txn& t, const char* key, const char* value);
}

// Sets one integer column for the rows whose key_col ("id") is a bit of
// mask, e.g. ("video_loss", "tri_alarms", 3, mask, "id"). Table and column
// names must be identifiers.
int copy_table_column_int(const char* path, const char* table, const char* column, int value, uint64_t mask,
                          const char* key_col);

// Record families.
#include "platform/kvdb_families_event.h"
