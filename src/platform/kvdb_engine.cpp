// The generic kvdb engine: records <-> rows through the family descriptors.
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "base/text.h"
#include "platform/kvdb.h"

namespace kvdb {
namespace {

constexpr int kBusyTimeoutMs = 5000;
// 1: one file; 2: kvdb.db split into its files (a 1 there is the earlier
// layout, every table in kvdb.db). Databases of one file stay at 1.
constexpr int kOneFileVersion = 1;
constexpr int kSplitVersion = 2;

std::vector<const Family*>& registry() {
  static std::vector<const Family*> r;
  return r;
}

// Connections a process that lives for one request keeps open between its
// transactions, and the statements prepared on them.
struct Kept {
  std::string key;     // its file's path, with "*" when every file is attached
  std::string device;  // device path of the database
  sqlite3* db;
  bool busy;  // a transaction of this process runs on it
};
struct Cached {
  sqlite3* db;
  std::string sql;
  sqlite3_stmt* s;
  bool busy;
};
bool g_keep = false;
std::mutex g_kept_mu;  // the reply thread may read the database too; guards both lists
// Never destroyed: webcgi leaves its connections to the process's exit, and
// they stay reachable to the end.
std::vector<Kept>& g_kept = *new std::vector<Kept>;
std::vector<Cached>& g_cached = *new std::vector<Cached>;

bool kept_locked(sqlite3* db) {
  for (const Kept& k : g_kept)
    if (k.db == db) return true;
  return false;
}

// A statement of a kept connection stays prepared for the rest of the
// request, reset after each use: a page that reads per channel parses its
// query once. Others are finalized after use.
sqlite3_stmt* prepare(sqlite3* db, const std::string& sql, bool* cached) {
  {
    std::lock_guard<std::mutex> lk(g_kept_mu);
    *cached = kept_locked(db);
    if (*cached)
      for (Cached& c : g_cached)
        if (c.db == db && !c.busy && c.sql == sql) {
          c.busy = true;
          return c.s;
        }
  }
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db, sql.c_str(), -1, *cached ? SQLITE_PREPARE_PERSISTENT : 0, &s, nullptr) != SQLITE_OK ||
      !s) {
    sqlite3_finalize(s);
    return nullptr;
  }
  if (*cached) {
    std::lock_guard<std::mutex> lk(g_kept_mu);
    g_cached.push_back({db, sql, s, true});
  }
  return s;
}

void release(sqlite3_stmt* s, bool cached) {
  if (!s) return;
  if (cached) {
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    std::lock_guard<std::mutex> lk(g_kept_mu);
    for (Cached& c : g_cached)
      if (c.s == s) {
        c.busy = false;
        return;
      }
  }
  sqlite3_finalize(s);
}

// Closes a connection with its kept statements (SQLite keeps a connection
// open while any of its statements is).
void close_locked(sqlite3* db) {
  for (size_t i = 0; i < g_cached.size();)
    if (g_cached[i].db == db) {
      sqlite3_finalize(g_cached[i].s);
      g_cached.erase(g_cached.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  sqlite3_close(db);
}

class Stmt {
 public:
  Stmt(sqlite3* db, const std::string& sql) : s_(prepare(db, sql, &cached_)) {}
  ~Stmt() { release(s_, cached_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  bool ok() const { return s_ != nullptr; }
  sqlite3_stmt* get() const { return s_; }
  int step() { return sqlite3_step(s_); }
  // Runs to completion: true unless an error occurred.
  bool run() {
    int rc;
    while ((rc = sqlite3_step(s_)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
  }
  void reset() { sqlite3_reset(s_); }

 private:
  bool cached_ = false;
  sqlite3_stmt* s_ = nullptr;
};

std::string quoted(const char* name) { return std::string("\"") + name + "\""; }

const Column* find_col(const Family& f, const char* name) {
  if (!name) return nullptr;
  for (uint32_t i = 0; i < f.ncols; ++i)
    if (strcmp(f.cols[i].name, name) == 0) return &f.cols[i];
  return nullptr;
}

std::string col_list(const Family& f) {
  std::string s;
  for (uint32_t i = 0; i < f.ncols; ++i) s += (i ? "," : "") + quoted(f.cols[i].name);
  return s;
}

// " WHERE a=?N AND b=?N+1 ..." (or "" for no conditions), extra appended.
std::string where_sql(Where w, int first, const char* extra = nullptr) {
  std::string s;
  int n = first;
  for (const Match& m : w) s += (s.empty() ? " WHERE " : " AND ") + quoted(m.col) + "=?" + std::to_string(n++);
  if (extra) s += (s.empty() ? " WHERE " : " AND ") + std::string(extra);
  return s;
}

void bind_match(sqlite3_stmt* s, int idx, const Match& m) {
  if (m.text)
    sqlite3_bind_text(s, idx, m.text, -1, SQLITE_TRANSIENT);
  else
    sqlite3_bind_int64(s, idx, m.num);
}

void bind_where(sqlite3_stmt* s, Where w, int first) {
  int n = first;
  for (const Match& m : w) bind_match(s, n++, m);
}

bool matches_known(const Family& f, Where w) {
  for (const Match& m : w)
    if (!find_col(f, m.col)) return false;
  return true;
}

template <class T>
T field(const void* rec, const Column& c) {
  T v;
  memcpy(&v, static_cast<const char*>(rec) + c.offset, sizeof v);
  return v;
}

template <class T>
void set_field(void* rec, const Column& c, T v) {
  memcpy(static_cast<char*>(rec) + c.offset, &v, sizeof v);
}

// Binds column i of the record (or its override) to parameter i + 1.
bool bind_record(sqlite3_stmt* s, const Family& f, const void* rec, Where set) {
  const char* base = static_cast<const char*>(rec);
  for (uint32_t i = 0; i < f.ncols; ++i) {
    const Column& c = f.cols[i];
    int idx = static_cast<int>(i) + 1;
    if (const Match* m = set.find(c.name)) {
      bind_match(s, idx, *m);
      continue;
    }
    switch (c.type) {
      case ColType::kInt32: sqlite3_bind_int64(s, idx, field<int32_t>(rec, c)); break;
      case ColType::kInt64: sqlite3_bind_int64(s, idx, field<int64_t>(rec, c)); break;
      case ColType::kUint64: sqlite3_bind_int64(s, idx, static_cast<int64_t>(field<uint64_t>(rec, c))); break;
      case ColType::kFloat: sqlite3_bind_double(s, idx, field<float>(rec, c)); break;
      case ColType::kText:
        sqlite3_bind_text(s, idx, base + c.offset, static_cast<int>(strnlen(base + c.offset, c.width)),
                          SQLITE_TRANSIENT);
        break;
      case ColType::kBlob: sqlite3_bind_blob(s, idx, base + c.offset, static_cast<int>(c.width), SQLITE_TRANSIENT); break;
      case ColType::kKey: return false;  // a key outside the record needs a value
    }
  }
  return true;
}

// Result column i (in descriptor order) into the record.
void fill_record(sqlite3_stmt* s, const Family& f, void* rec) {
  char* base = static_cast<char*>(rec);
  for (uint32_t i = 0; i < f.ncols; ++i) {
    const Column& c = f.cols[i];
    int idx = static_cast<int>(i);
    switch (c.type) {
      case ColType::kInt32: set_field(rec, c, static_cast<int32_t>(sqlite3_column_int64(s, idx))); break;
      case ColType::kInt64: set_field(rec, c, static_cast<int64_t>(sqlite3_column_int64(s, idx))); break;
      case ColType::kUint64: set_field(rec, c, static_cast<uint64_t>(sqlite3_column_int64(s, idx))); break;
      case ColType::kFloat: set_field(rec, c, static_cast<float>(sqlite3_column_double(s, idx))); break;
      case ColType::kText: {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(s, idx));
        copy_text(base + c.offset, c.width, t);
        break;
      }
      case ColType::kBlob: {
        const void* b = sqlite3_column_blob(s, idx);
        size_t n = static_cast<size_t>(sqlite3_column_bytes(s, idx));
        if (n > c.width) n = c.width;
        memset(base + c.offset, 0, c.width);
        if (b && n) memcpy(base + c.offset, b, n);
        break;
      }
      case ColType::kKey: break;
    }
  }
}

const char* sql_type(ColType t) {
  switch (t) {
    case ColType::kFloat: return "REAL";
    case ColType::kText: return "TEXT";
    case ColType::kBlob: return "BLOB";
    default: return "INTEGER";
  }
}

bool same_db(const Family& f, const char* device_path) {
  return strcmp(f.db ? f.db : devpaths::kKvdb, device_path) == 0;
}

// One statement through the kept statements (BEGIN, COMMIT on every call);
// several at once through sqlite3_exec.
bool exec(sqlite3* db, const char* sql) {
  if (strchr(sql, ';')) return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  Stmt s(db, sql);
  return s.ok() && s.run();
}

int user_version(sqlite3* db, const std::string& schema = "main") {
  Stmt s(db, "PRAGMA " + quoted(schema.c_str()) + ".user_version");
  if (!s.ok() || s.step() != SQLITE_ROW) return -1;
  return sqlite3_column_int(s.get(), 0);
}

// SQLite resolves every directory of a database path with lstat on each open, so
// that a journal lands beside the real file of a symbolic link. Only the last
// name decides that (the journal shares its directory), so a plain absolute path
// whose file is no link is used as it stands; anything else is resolved as before.
sqlite3_vfs g_vfs;     // the system's VFS with plain_full_pathname (its own data kept)
sqlite3_vfs* g_base;  // the system's VFS

bool plain_absolute(const char* p) {
  if (!p || p[0] != '/') return false;
  for (const char* c = p; *c; ++c)
    if (c[0] == '/' && (c[1] == '/' || (c[1] == '.' && (!c[2] || c[2] == '/' || (c[2] == '.' && (!c[3] || c[3] == '/'))))))
      return false;
  return true;
}

int plain_full_pathname(sqlite3_vfs*, const char* name, int n_out, char* out) {
  struct stat st;
  size_t len = name ? strlen(name) : 0;
  if (plain_absolute(name) && len < static_cast<size_t>(n_out) &&
      (lstat(name, &st) == 0 ? !S_ISLNK(st.st_mode) : errno == ENOENT)) {
    memcpy(out, name, len + 1);
    return SQLITE_OK;
  }
  return g_base->xFullPathname(g_base, name, n_out, out);
}

void use_plain_paths() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_base = sqlite3_vfs_find(nullptr);
    if (!g_base) return;
    g_vfs = *g_base;
    g_vfs.zName = "kvdb";
    g_vfs.xFullPathname = plain_full_pathname;
    sqlite3_vfs_register(&g_vfs, 1);
  });
}

const char* rec_at(const void* recs, const Family& f, int i) {
  return static_cast<const char*>(recs) + static_cast<size_t>(i) * f.size;
}

char* rec_at(void* recs, const Family& f, int i) { return static_cast<char*>(recs) + static_cast<size_t>(i) * f.size; }

}  // namespace

Registration::Registration(const Family& f) { registry().push_back(&f); }

const std::vector<const Family*>& families() { return registry(); }

const Family* find_family(const char* name) {
  if (!name) return nullptr;
  for (const Family* f : registry())
    if (strcmp(f->name, name) == 0) return f;
  return nullptr;
}

const Family* family_of_fixed_table(const char* table) {
  if (!table) return nullptr;
  for (const Family* f : registry())
    if (f->table && strcmp(f->table, table) == 0) return f;
  return nullptr;
}

bool valid_identifier(const char* name) {
  if (!name || !*name || strncmp(name, "sqlite_", 7) == 0) return false;
  size_t n = 0;
  for (const char* p = name; *p; ++p, ++n) {
    char c = *p;
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok || n >= 63) return false;
  }
  return true;
}

const Match* Where::find(const char* col) const {
  for (const Match& m : *this)
    if (strcmp(m.col, col) == 0) return &m;
  return nullptr;
}

// ---- Txn ----

namespace {
// The kept connection of key, marked busy; null when none is free.
sqlite3* take_kept(const std::string& key) {
  std::lock_guard<std::mutex> lk(g_kept_mu);
  for (Kept& k : g_kept)
    if (k.key == key && !k.busy) {
      k.busy = true;
      return k.db;
    }
  return nullptr;
}

// Keeps a new connection (in use) when none of its key is kept yet.
void keep_new(const std::string& key, const char* device, sqlite3* db) {
  std::lock_guard<std::mutex> lk(g_kept_mu);
  if (!g_keep) return;
  for (const Kept& k : g_kept)
    if (k.key == key) return;
  g_kept.push_back({key, device, db, true});
}

// Hands a kept connection back, or closes it (with its statements) when it is
// not kept or failed.
void give_back(sqlite3* db, bool ok) {
  std::lock_guard<std::mutex> lk(g_kept_mu);
  for (size_t i = 0; i < g_kept.size(); ++i)
    if (g_kept[i].db == db) {
      if (ok) {
        g_kept[i].busy = false;
        return;
      }
      g_kept.erase(g_kept.begin() + static_cast<long>(i));
      break;
    }
  close_locked(db);
}
}  // namespace

void keep_connections(bool on) {
  std::lock_guard<std::mutex> lk(g_kept_mu);
  g_keep = on;
  if (on) return;
  for (const Kept& k : g_kept) close_locked(k.db);
  g_kept.clear();
}

void drop_kept_connection(const char* device_path) {
  std::lock_guard<std::mutex> lk(g_kept_mu);
  for (size_t i = 0; i < g_kept.size();)
    if (g_kept[i].device == device_path && !g_kept[i].busy) {
      close_locked(g_kept[i].db);
      g_kept.erase(g_kept.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
}

// The write scope of this thread, and its database file.
static thread_local Txn* t_scope = nullptr;
static thread_local std::string t_scope_path;

namespace {
int current_version(const char* device_path) {
  return files_of_database(device_path).size() > 1 ? kSplitVersion : kOneFileVersion;
}

std::string alias_of(const char* file) { return *file ? std::string("f_") + file : std::string("main"); }
}  // namespace

Txn::Txn(const char* device_path, Mode mode, const Family* only) : device_path_(device_path ? device_path : "") {
  if (t_scope && t_scope != this && t_scope->db_ && *device_path_ && dev_path(device_path_) == t_scope_path) {
    // Inside the scope's transaction: a savepoint, so that a failed call
    // still leaves the rows as they were.
    db_ = t_scope->db_;
    all_ = t_scope->all_;
    nested_ = true;
    if (!exec(db_, "SAVEPOINT kvdb_call")) db_ = nullptr;
    return;
  }
  if (only && same_db(*only, device_path_))
    file_ = file_of(*only);
  else
    all_ = files_of_database(device_path_).size() > 1;
  if (open(mode) != 0 && db_) {
    give_back(db_, false);
    db_ = nullptr;
  }
}

Txn::~Txn() {
  if (!db_) return;
  if (nested_) {
    if (!done_) exec(db_, "ROLLBACK TO kvdb_call; RELEASE kvdb_call");
    return;
  }
  if (!done_) exec(db_, "ROLLBACK");
  give_back(db_, true);
}

std::vector<std::string> Txn::schemas() const {
  if (!all_) return {"main"};
  std::vector<std::string> out;
  for (const char* f : files_of_database(device_path_)) out.push_back(alias_of(f));
  return out;
}

std::string Txn::key() const {
  const std::string path = dev_path(file_path(device_path_, file_).c_str());
  return all_ ? path + "*" : path;  // an all-files connection is another one
}

std::string Txn::schema_of(const Family& f) const { return all_ ? alias_of(file_of(f)) : "main"; }

// The lowest version of the files held; -1 on error.
int Txn::stored_version() {
  int low = -1;
  for (const std::string& schema : schemas()) {
    int v = user_version(db_, schema);
    if (v < 0) return -1;
    if (low < 0 || v < low) low = v;
  }
  return low;
}

int Txn::open(Mode mode) {
  if (!*device_path_) return -1;
  const std::string path = dev_path(file_path(device_path_, file_).c_str());
  const char* begin = mode == kWrite ? "BEGIN IMMEDIATE" : "BEGIN";
  if ((db_ = take_kept(key()))) return exec(db_, begin) ? 0 : -1;  // its version was read when it was opened
  use_plain_paths();
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    // A first start: the directory is made only then, not walked on every open.
    sqlite3_close(db_);
    db_ = nullptr;
    if (make_dirs(path.substr(0, path.rfind('/'))) != 0 ||
        sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
      return -1;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  keep_new(key(), device_path_, db_);
  if (all_) {
    for (const char* f : files_of_database(device_path_)) {
      if (!*f) continue;
      Stmt a(db_, "ATTACH ?1 AS " + quoted(alias_of(f).c_str()));
      if (!a.ok()) return -1;
      sqlite3_bind_text(a.get(), 1, dev_path(file_path(device_path_, f).c_str()).c_str(), -1, SQLITE_TRANSIENT);
      if (!a.run()) return -1;
    }
  }
  const int want = current_version(device_path_);
  // The version is read inside the caller's transaction: one lock for the request.
  if (!exec(db_, begin)) return -1;
  int v = stored_version();
  if (v >= want) return 0;
  exec(db_, "ROLLBACK");
  if (v < 0) return -1;
  if (!all_ && files_of_database(device_path_).size() > 1) {
    // A new file, or the earlier layout: the whole database is brought up to
    // date at once, with every file held.
    Txn whole(device_path_, kWrite);
    if (!whole.ok() || whole.commit() != 0) return -1;
    return exec(db_, begin) && stored_version() >= want ? 0 : -1;
  }
  // New files: factory defaults (or the earlier layout's tables), once, whoever gets here first.
  if (!exec(db_, "BEGIN IMMEDIATE")) return -1;
  v = stored_version();
  if (v < 0 || (v < want && install() != 0) || !exec(db_, "COMMIT")) {
    exec(db_, "ROLLBACK");
    return -1;
  }
  return exec(db_, begin) ? 0 : -1;
}

// Every file held gets its tables. A family whose table is missing from its
// file takes it from kvdb.db when the earlier layout kept it there (rows as
// they were), else starts from its factory rows.
int Txn::install() {
  std::vector<const Family*> fresh;
  for (const Family* f : registry()) {
    if (!f->table || !same_db(*f, device_path_) || table_in(schema_of(*f), f->table)) continue;
    if (schema_of(*f) != "main" && table_in("main", f->table)) {
      if (move_table(*f, f->table) != 0) return -1;
      continue;
    }
    if (ensure_table(*f, nullptr) != 0) return -1;
    fresh.push_back(f);
  }
  // Tables named by their callers (schedules): listed with their family.
  std::vector<std::pair<std::string, const Family*>> named;
  if (all_ && table_in("main", "kv_tables")) {
    Stmt s(db_, "SELECT name,family FROM main.kv_tables ORDER BY rowid");
    if (!s.ok()) return -1;
    while (s.step() == SQLITE_ROW) {
      const Family* f = find_family(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)));
      if (f && schema_of(*f) != "main")
        named.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)), f);
    }
  }
  for (const auto& [name, f] : named)
    if (move_table(*f, name.c_str()) != 0) return -1;
  if (!named.empty()) {  // the list left behind goes once it is empty
    int left = -1;
    {
      Stmt s(db_, "SELECT COUNT(*) FROM main.kv_tables");
      if (s.ok() && s.step() == SQLITE_ROW) left = sqlite3_column_int(s.get(), 0);
    }
    if (left < 0 || (left == 0 && !exec(db_, "DROP TABLE main.kv_tables"))) return fail();
  }
  for (const Family* f : fresh)
    if (f->defaults && f->defaults(*this) != 0) return fail();
  if (!ok()) return -1;
  const std::string v = std::to_string(current_version(device_path_));
  for (const std::string& schema : schemas())
    if (!exec(db_, ("PRAGMA " + quoted(schema.c_str()) + ".user_version=" + v).c_str())) return -1;
  return 0;
}

// A table of kvdb.db's earlier layout into the family's own file, rows in order.
int Txn::move_table(const Family& f, const char* table) {
  if (ensure_table(f, table) != 0) return -1;
  const std::string cols = col_list(f), dst = quoted(schema_of(f).c_str()) + "." + quoted(table),
                    src = "main." + quoted(table);
  if (!exec(db_, ("INSERT INTO " + dst + "(" + cols + ") SELECT " + cols + " FROM " + src + " ORDER BY rowid").c_str()) ||
      !exec(db_, ("DROP TABLE " + src).c_str()))
    return fail();
  if (f.table) return 0;
  Stmt del(db_, "DELETE FROM main.kv_tables WHERE name=?1");
  if (!del.ok()) return fail();
  sqlite3_bind_text(del.get(), 1, table, -1, SQLITE_TRANSIENT);
  return del.run() ? 0 : fail();
}

int run_factory_defaults(Txn& t) {
  for (const Family* f : registry())
    if (f->defaults && same_db(*f, t.device_path()) && f->defaults(t) != 0) return t.fail();
  return t.ok() ? 0 : -1;
}

int Txn::commit() {
  if (!db_ || done_) return -1;
  done_ = true;
  if (nested_) {
    if (!failed_ && exec(db_, "RELEASE kvdb_call")) return 0;
    exec(db_, "ROLLBACK TO kvdb_call; RELEASE kvdb_call");
    return -1;
  }
  if (failed_ || !exec(db_, "COMMIT")) {
    exec(db_, "ROLLBACK");
    return -1;
  }
  return 0;
}

WriteScope::WriteScope(const char* device_path) : txn_(device_path, Txn::kWrite) {
  if (!txn_.ok() || t_scope) return;
  t_scope = &txn_;
  t_scope_path = dev_path(device_path);
}

WriteScope::~WriteScope() {
  if (t_scope == &txn_) t_scope = nullptr;
}

int WriteScope::commit() {
  if (t_scope == &txn_) t_scope = nullptr;
  return txn_.commit();
}

int Txn::fail() {
  failed_ = true;
  return -1;
}

const char* Txn::table_of(const Family& f, const char* table) {
  const char* t = table ? table : f.table;
  // A transaction of one file serves that file's families only.
  if (!all_ && same_db(f, device_path_) && strcmp(file_of(f), file_) != 0) return nullptr;
  return valid_identifier(t) ? t : nullptr;
}

bool Txn::table_in(const std::string& schema, const char* table) {
  if (!ok()) return false;
  Stmt s(db_, "SELECT 1 FROM " + quoted(schema.c_str()) + ".sqlite_master WHERE type='table' AND name=?1");
  if (!s.ok()) return false;
  sqlite3_bind_text(s.get(), 1, table, -1, SQLITE_TRANSIENT);
  return s.step() == SQLITE_ROW;
}

bool Txn::has_table(const char* table) {
  for (const std::string& schema : schemas())
    if (table_in(schema, table)) return true;
  return false;
}

int Txn::table_names(std::vector<std::string>* names) {
  if (!ok()) return -1;
  for (const std::string& schema : schemas()) {
    Stmt s(db_, "SELECT name FROM " + quoted(schema.c_str()) +
                    ".sqlite_master WHERE type='table' AND name!='kv_tables' ORDER BY name");
    if (!s.ok()) return fail();
    while (s.step() == SQLITE_ROW) names->emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)));
  }
  std::sort(names->begin(), names->end());
  return 0;
}

int Txn::ensure_table(const Family& f, const char* table) {
  const char* t = table_of(f, table);
  if (!ok() || !t) return fail();
  const std::string schema = quoted(schema_of(f).c_str());
  std::string sql = "CREATE TABLE IF NOT EXISTS " + schema + "." + quoted(t) + "(";
  for (uint32_t i = 0; i < f.ncols; ++i)
    sql += (i ? "," : "") + quoted(f.cols[i].name) + " " + sql_type(f.cols[i].type);
  if (f.nkeys) {
    sql += ",PRIMARY KEY(";
    for (uint32_t i = 0; i < f.nkeys; ++i) sql += (i ? "," : "") + quoted(f.cols[i].name);
    sql += ")";
  }
  sql += ")";
  if (!exec(db_, sql.c_str())) return fail();
  if (!f.table) {
    // The family of a table named by its caller, made with the file's first such table.
    if (!exec(db_, ("CREATE TABLE IF NOT EXISTS " + schema + ".kv_tables(name TEXT PRIMARY KEY, family TEXT NOT NULL)").c_str()))
      return fail();
    Stmt s(db_, "INSERT OR IGNORE INTO " + schema + ".kv_tables(name,family) VALUES(?1,?2)");
    if (!s.ok()) return fail();
    sqlite3_bind_text(s.get(), 1, t, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s.get(), 2, f.name, -1, SQLITE_STATIC);
    if (!s.run()) return fail();
  }
  return 0;
}

const Family* Txn::family_of_table(const char* table) {
  if (const Family* f = family_of_fixed_table(table)) return f;
  if (!ok()) return nullptr;
  for (const std::string& schema : schemas()) {
    Stmt s(db_, "SELECT family FROM " + quoted(schema.c_str()) + ".kv_tables WHERE name=?1");
    if (!s.ok()) continue;
    sqlite3_bind_text(s.get(), 1, table, -1, SQLITE_TRANSIENT);
    if (s.step() == SQLITE_ROW) return find_family(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)));
  }
  return nullptr;
}

int Txn::get(const Family& f, const char* table, Where where, void* rec) {
  const char* t = table_of(f, table);
  if (!ok() || !t || !rec || !matches_known(f, where)) return fail();
  Stmt s(db_, "SELECT " + col_list(f) + " FROM " + quoted(t) + where_sql(where, 1) + " ORDER BY rowid LIMIT 1");
  if (!s.ok()) return has_table(t) ? fail() : 1;
  bind_where(s.get(), where, 1);
  int rc = s.step();
  if (rc == SQLITE_ROW) {
    fill_record(s.get(), f, rec);
    return 0;
  }
  return rc == SQLITE_DONE ? 1 : fail();
}

int Txn::get_list(const Family& f, const char* table, Where where, void* recs, int max, int* count) {
  const char* t = table_of(f, table);
  if (count) *count = 0;
  if (!ok() || !t || !recs || max < 0 || !matches_known(f, where)) return fail();
  Stmt s(db_, "SELECT " + col_list(f) + " FROM " + quoted(t) + where_sql(where, 1) + " ORDER BY rowid");
  if (!s.ok()) return has_table(t) ? fail() : 0;
  bind_where(s.get(), where, 1);
  int n = 0, rc = SQLITE_DONE;
  while (n < max && (rc = s.step()) == SQLITE_ROW)
    fill_record(s.get(), f, rec_at(recs, f, n++));
  if (n < max && rc != SQLITE_DONE) return fail();
  if (count) *count = n;
  return 0;
}

int Txn::get_slots(const Family& f, const char* table, const char* slot_col, void* recs, int nslots) {
  const char* t = table_of(f, table);
  if (!ok() || !t || !recs || nslots < 0 || !find_col(f, slot_col)) return fail();
  Stmt s(db_, "SELECT " + col_list(f) + "," + quoted(slot_col) + " FROM " + quoted(t) + " ORDER BY rowid");
  if (!s.ok()) return has_table(t) ? fail() : 0;
  int rc;
  while ((rc = s.step()) == SQLITE_ROW) {
    int64_t slot = sqlite3_column_int64(s.get(), static_cast<int>(f.ncols));
    if (slot >= 0 && slot < nslots) fill_record(s.get(), f, rec_at(recs, f, static_cast<int>(slot)));
  }
  return rc == SQLITE_DONE ? 0 : fail();
}

int Txn::put(const Family& f, const char* table, Where set, const void* rec) {
  const char* t = table_of(f, table);
  if (!ok() || !t || !rec || !matches_known(f, set)) return fail();
  if (ensure_table(f, t) != 0) return -1;
  std::string sql = "INSERT INTO " + quoted(t) + "(" + col_list(f) + ") VALUES(";
  for (uint32_t i = 0; i < f.ncols; ++i) sql += i ? ",?" : "?";
  sql += ")";
  if (f.nkeys) {
    std::string keys, updates;
    for (uint32_t i = 0; i < f.ncols; ++i) {
      std::string q = quoted(f.cols[i].name);
      if (i < f.nkeys)
        keys += (keys.empty() ? "" : ",") + q;
      else
        updates += (updates.empty() ? "" : ",") + q + "=excluded." + q;
    }
    sql += " ON CONFLICT(" + keys + ") DO " + (updates.empty() ? "NOTHING" : "UPDATE SET " + updates);
  }
  Stmt s(db_, sql);
  if (!s.ok() || !bind_record(s.get(), f, rec, set) || !s.run()) return fail();
  return 0;
}

int Txn::put_list(const Family& f, const char* table, Where group, const void* recs, int n) {
  if (n < 0 || (n > 0 && !recs)) return fail();
  if (remove(f, table, group) < 0) return -1;
  if (n == 0) return ensure_table(f, table);
  for (int i = 0; i < n; ++i)
    if (put(f, table, group, rec_at(recs, f, i)) != 0) return -1;
  return 0;
}

int Txn::put_masked(const Family& f, const char* table, const char* slot_col, const void* recs, int n,
                    uint64_t mask) {
  if (!recs || n < 0 || !find_col(f, slot_col)) return fail();
  for (int i = 0; i < n && i < 64; ++i) {
    if (!(mask >> i & 1)) continue;
    Match m{slot_col, i};
    if (put(f, table, Where(&m, 1), rec_at(recs, f, i)) != 0) return -1;
  }
  return 0;
}

int Txn::remove(const Family& f, const char* table, Where where) {
  const char* t = table_of(f, table);
  if (!ok() || !t || !matches_known(f, where)) return fail();
  Stmt s(db_, "DELETE FROM " + quoted(t) + where_sql(where, 1));
  if (!s.ok()) return has_table(t) ? fail() : 0;
  bind_where(s.get(), where, 1);
  if (!s.run()) return fail();
  return sqlite3_changes(db_);
}

int Txn::count(const Family& f, const char* table, Where where) {
  const char* t = table_of(f, table);
  if (!ok() || !t || !matches_known(f, where)) return fail();
  Stmt s(db_, "SELECT COUNT(*) FROM " + quoted(t) + where_sql(where, 1));
  if (!s.ok()) return has_table(t) ? fail() : 0;
  bind_where(s.get(), where, 1);
  if (s.step() != SQLITE_ROW) return fail();
  return sqlite3_column_int(s.get(), 0);
}

int Txn::copy_group(const Family& f, const char* table, Where fixed, const char* group_col, int64_t src,
                    uint64_t mask) {
  const char* t = table_of(f, table);
  if (!ok() || !t || !matches_known(f, fixed) || !find_col(f, group_col)) return fail();
  if (ensure_table(f, t) != 0) return -1;
  bool any = false;
  for (int n = 0; n < 64; ++n) any = any || ((mask >> n & 1) && n != src);
  if (!any) return 0;
  // ?1 is the target, then the fixed values, then the source.
  int src_idx = static_cast<int>(fixed.size()) + 2;
  std::string g = quoted(group_col);
  std::string del = "DELETE FROM " + quoted(t) + where_sql(fixed, 2, (g + "=?1").c_str());
  std::string exprs;
  for (uint32_t i = 0; i < f.ncols; ++i)
    exprs += (i ? "," : "") + (strcmp(f.cols[i].name, group_col) == 0 ? std::string("?1") : quoted(f.cols[i].name));
  std::string ins = "INSERT INTO " + quoted(t) + "(" + col_list(f) + ") SELECT " + exprs + " FROM " + quoted(t) +
                    where_sql(fixed, 2, (g + "=?" + std::to_string(src_idx)).c_str()) + " ORDER BY rowid";
  Stmt sd(db_, del), si(db_, ins);
  if (!sd.ok() || !si.ok()) return fail();
  for (int n = 0; n < 64; ++n) {
    if (!(mask >> n & 1) || n == src) continue;
    sqlite3_bind_int64(sd.get(), 1, n);
    bind_where(sd.get(), fixed, 2);
    sqlite3_bind_int64(si.get(), 1, n);
    bind_where(si.get(), fixed, 2);
    sqlite3_bind_int64(si.get(), src_idx, src);
    if (!sd.run() || !si.run()) return fail();
    sd.reset();
    si.reset();
  }
  return 0;
}

int Txn::first_free(const Family& f, const char* table, const char* slot_col, int nslots, const char* free_col) {
  const char* t = table_of(f, table);
  if (!ok() || !t || nslots < 0 || !find_col(f, slot_col) || (free_col && !find_col(f, free_col))) return fail();
  std::vector<bool> used(static_cast<size_t>(nslots), false);
  std::string sql = "SELECT " + quoted(slot_col) + " FROM " + quoted(t);
  if (free_col) sql += " WHERE " + quoted(free_col) + "!=0";
  Stmt s(db_, sql);
  if (!s.ok() && has_table(t)) return fail();
  if (s.ok()) {
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
      int64_t slot = sqlite3_column_int64(s.get(), 0);
      if (slot >= 0 && slot < nslots) used[static_cast<size_t>(slot)] = true;
    }
    if (rc != SQLITE_DONE) return fail();
  }
  for (int i = 0; i < nslots; ++i)
    if (!used[static_cast<size_t>(i)]) return i;
  return -1;
}

int Txn::set_int_column(const char* table, const char* column, int64_t value, const char* key_col,
                        uint64_t mask) {
  if (!ok() || !valid_identifier(table) || !valid_identifier(column) || !valid_identifier(key_col) ||
      !has_table(table))
    return fail();
  Stmt s(db_, "UPDATE " + quoted(table) + " SET " + quoted(column) + "=?1 WHERE " + quoted(key_col) + "=?2");
  if (!s.ok()) return fail();
  for (int n = 0; n < 64; ++n) {
    if (!(mask >> n & 1)) continue;
    sqlite3_bind_int64(s.get(), 1, value);
    sqlite3_bind_int64(s.get(), 2, n);
    if (!s.run()) return fail();
    s.reset();
  }
  return 0;
}

// ---- One-shot forms ----

int read_one(const char* path, const Family& f, const char* table, Where where, void* rec) {
  if (!rec) return -1;
  memset(rec, 0, f.size);
  Txn t(path, Txn::kRead, &f);
  return t.get(f, table, where, rec) == 0 ? 0 : -1;
}

int read_list(const char* path, const Family& f, const char* table, Where where, void* recs, int max,
              int* count) {
  if (count) *count = 0;
  if (!recs || max < 0) return -1;
  memset(recs, 0, static_cast<size_t>(max) * f.size);
  Txn t(path, Txn::kRead, &f);
  return t.get_list(f, table, where, recs, max, count);
}

int read_slots(const char* path, const Family& f, const char* table, const char* slot_col, void* recs,
               int nslots) {
  if (!recs || nslots < 0) return -1;
  memset(recs, 0, static_cast<size_t>(nslots) * f.size);
  Txn t(path, Txn::kRead, &f);
  return t.get_slots(f, table, slot_col, recs, nslots);
}

int write_one(const char* path, const Family& f, const char* table, Where set, const void* rec) {
  return transact(path, Txn::kWrite, [&](Txn& t) { return t.put(f, table, set, rec); }, &f);
}

int write_list(const char* path, const Family& f, const char* table, Where group, const void* recs, int n) {
  return transact(path, Txn::kWrite, [&](Txn& t) { return t.put_list(f, table, group, recs, n); }, &f);
}

int write_masked(const char* path, const Family& f, const char* table, const char* slot_col,
                 const void* recs, int n, uint64_t mask) {
  return transact(path, Txn::kWrite, [&](Txn& t) { return t.put_masked(f, table, slot_col, recs, n, mask); }, &f);
}

int copy_rows(const char* path, const Family& f, const char* table, Where fixed, const char* group_col,
              int64_t src, uint64_t mask) {
  return transact(path, Txn::kWrite,
                  [&](Txn& t) { return t.copy_group(f, table, fixed, group_col, src, mask); }, &f);
}

int remove_rows(const char* path, const Family& f, const char* table, Where where) {
  int r = transact(path, Txn::kWrite, [&](Txn& t) { return t.remove(f, table, where); }, &f);
  return r < 0 ? -1 : 0;
}

int count_rows(const char* path, const Family& f, const char* table, Where where) {
  Txn t(path, Txn::kRead, &f);
  return t.count(f, table, where);
}

int first_free_slot(const char* path, const Family& f, const char* table, const char* slot_col, int nslots,
                    const char* free_col) {
  Txn t(path, Txn::kRead, &f);
  return t.first_free(f, table, slot_col, nslots, free_col);
}

}  // namespace kvdb

int copy_table_column_int(const char* path, const char* table, const char* column, int value, uint64_t mask,
                          const char* key_col) {
  int r = kvdb::transact(path, kvdb::Txn::kWrite,
                         [&](kvdb::Txn& t) { return t.set_int_column(table, column, value, key_col, mask); });
  return r < 0 ? -1 : 0;
}
