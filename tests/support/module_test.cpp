#include "support/module_test.h"

#include <sqlite3.h>
#include <stdlib.h>

#include "base/paths.h"
#include "platform/kvdb.h"

void kvdb_sql(const char* table, const char* statement) {
  std::string file;
  {
    kvdb::Txn t(devpaths::kKvdb, kvdb::Txn::kRead);  // creates the database with its defaults
    const kvdb::Family* f = t.family_of_table(table);
    file = dev_path(kvdb::file_path(devpaths::kKvdb, f ? kvdb::file_of(*f) : "").c_str());
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* err = nullptr;
  EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
  sqlite3_free(err);
  sqlite3_close(db);
}

void kvdb_fail_writes(const char* table) {
  for (const char* when : {"INSERT", "UPDATE"}) {
    std::string sql = std::string("CREATE TRIGGER IF NOT EXISTS refuse_") + when + "_" + table + " BEFORE " + when +
                      " ON " + table + " BEGIN SELECT RAISE(ABORT, 'refused'); END";
    kvdb_sql(table, sql.c_str());
  }
}

std::string ModuleTest::call(const char* route, const std::string& text) {
  std::string answer = call_route(route, text);
  // Requests sent without waiting may still be in flight: every channel the
  // request opened is closed, so the daemon has read it all once it saw the close.
  daemon_.wait_closed(static_cast<size_t>(kv_sock_connections() - base_connections_));
  return answer;
}

std::vector<FakeRequest> ModuleTest::work() const {
  std::vector<FakeRequest> out;
  for (auto& r : daemon_.requests())
    if (r.code != kReqOpLog && r.code != kReqOpLogMask) out.push_back(r);
  return out;
}

std::vector<int32_t> ModuleTest::work_codes() const {
  std::vector<int32_t> out;
  for (auto& r : work()) out.push_back(r.code);
  return out;
}

std::vector<OpLogRecord> ModuleTest::logs() const {
  std::vector<OpLogRecord> out;
  for (auto& r : daemon_.requests())
    if (r.code == kReqOpLog) out.push_back(payload_as<OpLogRecord>(r));
  return out;
}

std::vector<OpLogMaskRecord> ModuleTest::mask_logs() const {
  std::vector<OpLogMaskRecord> out;
  for (auto& r : daemon_.requests())
    if (r.code == kReqOpLogMask) out.push_back(payload_as<OpLogMaskRecord>(r));
  return out;
}

void ModuleTest::fast_silence() const {
  setenv("NVR_TIME_SCALE", "0.001", 1);
  nvr_env_reload();
}

#include <cstring>

#include "cgi/dispatchreq.h"

void expect_module_routes(const char* module, std::initializer_list<GoldenRoute> routes) {
  const WebModule* m = nullptr;
  for (int i = 0; i < WebModuleCount(); ++i)
    if (WebModuleAt(i) && strcmp(WebModuleAt(i)->name, module) == 0) m = WebModuleAt(i);
  ASSERT_NE(m, nullptr) << module << " is not linked";
  ASSERT_EQ(static_cast<size_t>(m->count), routes.size()) << module;
  int i = 0;
  for (const GoldenRoute& g : routes) {
    EXPECT_STREQ(m->defs[i].path, g.path) << module << " row " << i;
    EXPECT_STREQ(m->defs[i].name, g.handler) << g.path;
    EXPECT_STREQ(m->routes[i].path, g.path);
    const WebRes* found = FindWebRes(g.path);
    ASSERT_NE(found, nullptr) << g.path << " is not registered";
    EXPECT_EQ(found->handler, m->routes[i].handler) << g.path;
    ++i;
  }
}

void expect_codes(std::initializer_list<GoldenCode> codes) {
  for (const GoldenCode& g : codes) {
    EXPECT_EQ(g.code.code, g.value);
    EXPECT_EQ(g.code.polls, g.polls) << "wait of " << g.value;
  }
}

void expect_replies(std::span<const IpcReplyRoute> table, std::initializer_list<GoldenReply> rows, bool others) {
  if (!others) {
    EXPECT_EQ(table.size(), rows.size());
  }
  for (const GoldenReply& g : rows) {
    int found = 0;
    for (const IpcReplyRoute& r : table)
      if (r.reply_code == g.reply_code) {
        ++found;
        EXPECT_EQ(r.width, g.width) << "width of reply " << g.reply_code;
        EXPECT_NE(r.convert, nullptr) << g.reply_code;
      }
    EXPECT_EQ(found, 1) << "rows for reply " << g.reply_code;
  }
}
