// Configuration export and import tool stand-in.
//
//   kvprofile -e DIR    snapshot of the configuration databases, every file
//                       of each (SQLite's backup API, consistent while other
//                       processes write)
//                       into DIR/config_<time>.kvp; its device path goes to
//                       "/tmp/.export_down_file"
//   kvprofile -i FILE   verify the archive, then replace the databases; a
//                       damaged archive changes nothing
//
// Paths are device paths, resolved under NVR_ROOT. Archive: "KVPROFILE1\n",
// uint32 count, per database uint32 name length, its device path, uint64
// size, its bytes; then the SHA-256 of everything before.
#include <openssl/evp.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/paths_maint.h"
#include "platform/kvdb.h"

namespace {
constexpr char kMagic[] = "KVPROFILE1\n";
constexpr size_t kMagicLen = sizeof kMagic - 1;
constexpr size_t kDigestLen = 32;
const char* const kDatabases[] = {devpaths::kKvdb, devpaths::kAnprDb, devpaths::kOemDb};

// Device paths of every file of every database.
std::vector<std::string> all_files() {
  std::vector<std::string> files;
  for (const char* db : kDatabases)
    for (std::string& f : kvdb::database_files(db)) files.push_back(std::move(f));
  return files;
}

struct Entry {
  std::string name;
  std::string bytes;
};

int fail(const std::string& msg) {
  fprintf(stderr, "kvprofile: %s\n", msg.c_str());
  return 1;
}

bool read_file(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  *out = ss.str();
  return !in.bad();
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::string sha256(const std::string& bytes) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(bytes.data(), bytes.size(), md, &n, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(md), n);
}

template <class T>
void put(std::string& out, T v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <class T>
bool take(const std::string& in, size_t* at, T* v) {
  if (in.size() - *at < sizeof *v) return false;
  memcpy(v, in.data() + *at, sizeof *v);
  *at += sizeof *v;
  return true;
}

// A consistent copy of a live database, through a scratch file.
bool snapshot(const char* device_path, const std::string& scratch, std::string* out) {
  sqlite3* src = nullptr;
  sqlite3* dst = nullptr;
  bool ok = sqlite3_open_v2(dev_path(device_path).c_str(), &src, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_open(scratch.c_str(), &dst) == SQLITE_OK;
  if (ok) {
    sqlite3_busy_timeout(src, 5000);
    sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
    ok = b && sqlite3_backup_step(b, -1) == SQLITE_DONE;
    ok = sqlite3_backup_finish(b) == SQLITE_OK && ok;
  }
  sqlite3_close(src);
  sqlite3_close(dst);
  ok = ok && read_file(scratch, out);
  unlink(scratch.c_str());
  return ok;
}

// A database file that SQLite reads through without complaint.
bool sound_database(const std::string& path) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
  sqlite3_stmt* s = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK &&
       sqlite3_step(s) == SQLITE_ROW && strcmp(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok") == 0;
  sqlite3_finalize(s);
  sqlite3_close(db);
  return ok;
}

bool known_database(const std::string& name) {
  for (const std::string& f : all_files())
    if (name == f) return true;
  return false;
}

int export_profile(const char* dir) {
  std::string archive(kMagic, kMagicLen);
  std::vector<Entry> entries;
  std::string scratch = dev_path(dir) + "/.kvprofile." + std::to_string(getpid());
  for (const char* db : kDatabases) {
    if (access(dev_path(db).c_str(), F_OK) != 0) continue;
    // Every file read-locked meanwhile: no write lands between two files' copies.
    kvdb::Txn hold(db, kvdb::Txn::kRead);
    if (!hold.ok()) return fail(std::string("cannot read ") + dev_path(db));
    for (const std::string& file : kvdb::database_files(db)) {
      Entry e{file, {}};
      if (!snapshot(file.c_str(), scratch, &e.bytes)) return fail("cannot read " + dev_path(file.c_str()));
      entries.push_back(std::move(e));
    }
  }
  put(archive, static_cast<uint32_t>(entries.size()));
  for (const Entry& e : entries) {
    put(archive, static_cast<uint32_t>(e.name.size()));
    archive += e.name;
    put(archive, static_cast<uint64_t>(e.bytes.size()));
    archive += e.bytes;
  }
  archive += sha256(archive);

  char stamp[32];
  time_t now = time(nullptr);
  strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", localtime(&now));
  std::string device_file = std::string(dir) + "/config_" + stamp + ".kvp";
  std::string tmp = dev_path(device_file.c_str()) + ".part";
  if (!write_file(tmp, archive) || rename(tmp.c_str(), dev_path(device_file.c_str()).c_str()) != 0)
    return fail("cannot write " + dev_path(device_file.c_str()));
  if (!write_file(dev_path(devpaths::kExportDownFile), device_file + "\n")) return fail("cannot note the export");
  printf("%s\n", device_file.c_str());
  return 0;
}

bool parse(const std::string& a, std::vector<Entry>* out) {
  if (a.size() < kMagicLen + kDigestLen || a.compare(0, kMagicLen, kMagic) != 0) return false;
  std::string body = a.substr(0, a.size() - kDigestLen);
  if (sha256(body) != a.substr(a.size() - kDigestLen)) return false;
  size_t at = kMagicLen;
  uint32_t count = 0;
  if (!take(body, &at, &count) || count > all_files().size()) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t name_len = 0;
    uint64_t size = 0;
    if (!take(body, &at, &name_len) || name_len > body.size() - at) return false;
    Entry e{body.substr(at, name_len), {}};
    at += name_len;
    if (!take(body, &at, &size) || size > body.size() - at || !known_database(e.name)) return false;
    e.bytes = body.substr(at, size);
    at += size;
    out->push_back(std::move(e));
  }
  return at == body.size() && !out->empty();
}

int import_profile(const char* file) {
  std::string archive;
  std::vector<Entry> entries;
  if (!read_file(dev_path(file), &archive) || !parse(archive, &entries)) return fail("not a configuration archive");
  // Every database is written and checked beside its target before any replaces one.
  std::vector<std::string> staged;
  bool ok = true;
  for (const Entry& e : entries) {
    std::string tmp = dev_path(e.name.c_str()) + ".import";
    staged.push_back(tmp);
    ok = ok && write_file(tmp, e.bytes) && sound_database(tmp);
  }
  for (size_t i = 0; ok && i < entries.size(); ++i) {
    std::string target = dev_path(entries[i].name.c_str());
    for (const char* suffix : {"-journal", "-wal", "-shm"}) unlink((target + suffix).c_str());
    ok = rename(staged[i].c_str(), target.c_str()) == 0;
  }
  // Files of an imported database that the archive lacks go: an archive of the
  // one-file layout is split again on the first open, not mixed with these.
  for (const char* db : kDatabases) {
    bool imported = false;
    for (const Entry& e : entries) imported = imported || e.name == db;
    for (const std::string& file : kvdb::database_files(db)) {
      bool listed = false;
      for (const Entry& e : entries) listed = listed || e.name == file;
      if (!ok || !imported || listed) continue;
      for (const char* suffix : {"", "-journal", "-wal", "-shm"}) unlink((dev_path(file.c_str()) + suffix).c_str());
    }
  }
  for (const std::string& tmp : staged) unlink(tmp.c_str());
  return ok ? 0 : fail("configuration not imported");
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "-e") == 0) return export_profile(argv[2]);
  if (argc == 3 && strcmp(argv[1], "-i") == 0) return import_profile(argv[2]);
  fprintf(stderr, "usage: kvprofile -e DIR | kvprofile -i FILE\n");
  return 2;
}
