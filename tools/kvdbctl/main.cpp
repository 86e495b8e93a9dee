// kvdbctl: creates, reads and seeds the configuration databases.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/json_util.h"
#include "base/paths.h"
#include "md5.h"
#include "platform/kvdb.h"
#include "platform/kvdb_factory.h"
#include "table_json.h"

namespace {

const char kUsage[] =
    "usage: kvdbctl [--root DIR] [--db DEVICE_PATH] COMMAND\n"
    "  init [--admin-password PASS]  recreate the database with factory defaults\n"
    "                                (without --db: kvdb.db and anpr.db)\n"
    "  get KEY                       print a parameter\n"
    "  set KEY VALUE                 store a parameter\n"
    "  tables                        list tables: name, family, rows\n"
    "  dump TABLE                    print a table as JSON\n"
    "  rows                          every row of every table, one line each: TABLE<TAB>JSON\n"
    "                                (without --db: kvdb.db and anpr.db; made for diffs)\n"
    "  load TABLE FILE|- [--family NAME]\n"
    "                                replace a table's rows from JSON (a dump, or an array of rows)\n";

int fail(const std::string& msg) {
  fprintf(stderr, "kvdbctl: %s\n", msg.c_str());
  return 1;
}

int usage() {
  fputs(kUsage, stderr);
  return 2;
}

struct Options {
  const char* db = nullptr;  // device path chosen with --db
  std::vector<std::string> args;
  const char* admin_password = nullptr;
  const char* family = nullptr;
};

// Database of a table: --db, else the database of the table's family.
const char* db_for(const Options& o, const char* table) {
  if (o.db) return o.db;
  const kvdb::Family* f = kvdb::family_of_fixed_table(table);
  return f && f->db ? f->db : devpaths::kKvdb;
}

int cmd_init(const Options& o) {
  std::vector<const char*> dbs;
  if (o.db)
    dbs.push_back(o.db);
  else
    dbs = {devpaths::kKvdb, devpaths::kAnprDb};
  for (const char* db : dbs)
    if (kvdb_recreate(db) != 0) return fail(std::string("cannot create ") + dev_path(db));
  if (o.admin_password) {
    std::string md5 = md5_hex(o.admin_password, strlen(o.admin_password));
    // Factory rows that depend on it (the administrator account) are written again.
    if (set_param_value(dbs[0], "factory_admin_md5", md5.c_str()) != 0 ||
        kvdb::transact(dbs[0], kvdb::Txn::kWrite, [](kvdb::Txn& t) { return kvdb::run_factory_defaults(t); }) != 0)
      return fail("cannot store factory_admin_md5");
  }
  return 0;
}

int cmd_get(const Options& o) {
  const char* db = o.db ? o.db : devpaths::kKvdb;
  const char* key = o.args[1].c_str();
  if (check_param_key(db, key) != 0) return fail(std::string("no parameter ") + key);
  char value[1024];
  if (get_param_value(db, key, value, sizeof value, "") != 0) return fail(std::string("cannot read ") + key);
  printf("%s\n", value);
  return 0;
}

int cmd_set(const Options& o) {
  const char* db = o.db ? o.db : devpaths::kKvdb;
  if (set_param_value(db, o.args[1].c_str(), o.args[2].c_str()) != 0)
    return fail("cannot store " + o.args[1]);
  return 0;
}

int cmd_tables(const Options& o) {
  kvdb::Txn t(o.db ? o.db : devpaths::kKvdb, kvdb::Txn::kRead);
  if (!t.ok()) return fail("cannot open database");
  std::vector<std::string> names;
  if (t.table_names(&names) != 0) return fail(sqlite3_errmsg(t.db()));
  for (const std::string& name : names) {
    const kvdb::Family* f = t.family_of_table(name.c_str());
    printf("%s\t%s\t%d\n", name.c_str(), f ? f->name : "-", f ? t.count(*f, name.c_str(), {}) : 0);
  }
  return 0;
}

int cmd_dump(const Options& o) {
  const char* table = o.args[1].c_str();
  if (!kvdb::valid_identifier(table)) return fail(std::string("bad table name ") + table);
  kvdb::Txn t(db_for(o, table), kvdb::Txn::kRead);
  if (!t.ok()) return fail("cannot open database");
  const kvdb::Family* f = t.family_of_table(table);
  if (!f) return fail(std::string("unknown table ") + table);
  std::string err;
  JsonPtr j = dump_table(t, *f, table, &err);
  if (!j) return fail(err);
  printf("%s\n", json_object_to_json_string_ext(j.get(), JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_NOSLASHESCAPE));
  return 0;
}

int cmd_rows(const Options& o) {
  std::vector<const char*> dbs = {devpaths::kKvdb, devpaths::kAnprDb};
  if (o.db) dbs = {o.db};
  for (const char* db : dbs) {
    kvdb::Txn t(db, kvdb::Txn::kRead);
    std::vector<std::string> names;
    if (!t.ok() || t.table_names(&names) != 0) return fail(std::string("cannot read ") + dev_path(db));
    for (const std::string& name : names) {
      const kvdb::Family* f = t.family_of_table(name.c_str());
      if (!f) continue;
      std::string err;
      JsonPtr j = dump_table(t, *f, name.c_str(), &err);
      if (!j) return fail(err);
      json_object* rows = json_object_object_get(j.get(), "rows");
      for (size_t i = 0; rows && i < json_object_array_length(rows); ++i)
        printf("%s\t%s\n", name.c_str(),
               json_object_to_json_string_ext(json_object_array_get_idx(rows, i), JSON_C_TO_STRING_NOSLASHESCAPE));
    }
  }
  return 0;
}

bool read_input(const std::string& name, std::string* out) {
  std::ostringstream ss;
  if (name == "-") {
    ss << std::cin.rdbuf();
  } else {
    FILE* f = fopen(name.c_str(), "rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) ss.write(buf, static_cast<std::streamsize>(n));
    fclose(f);
  }
  *out = ss.str();
  return true;
}

int cmd_load(const Options& o) {
  const char* table = o.args[1].c_str();
  if (!kvdb::valid_identifier(table)) return fail(std::string("bad table name ") + table);
  std::string text;
  if (!read_input(o.args[2], &text)) return fail("cannot read " + o.args[2]);
  JsonPtr j = json_parse(text.c_str());
  if (!j) return fail("input is not JSON");
  json_object* rows = j.get();
  const char* family = o.family;
  if (json_object_get_type(rows) == json_type_object) {
    json_object* v = nullptr;
    if (!family && json_object_object_get_ex(rows, "family", &v)) family = json_object_get_string(v);
    if (json_get_array(j.get(), "rows", &rows) != JsonGet::kOk) return fail("input has no \"rows\" array");
  }
  kvdb::Txn t(db_for(o, table), kvdb::Txn::kWrite);
  if (!t.ok()) return fail("cannot open database");
  const kvdb::Family* f = t.family_of_table(table);
  if (family) {
    const kvdb::Family* named = kvdb::find_family(family);
    if (!named) return fail(std::string("unknown family ") + family);
    if (f && f != named) return fail(std::string("table ") + table + " belongs to family " + f->name);
    if (named->table && strcmp(named->table, table) != 0) return fail(std::string("family ") + family + " has table " + named->table);
    f = named;
  }
  if (!f) return fail(std::string("unknown table ") + table + " (give --family)");
  std::string err;
  if (load_rows(t, *f, table, rows, &err) != 0) return fail(err);
  if (t.commit() != 0) return fail("cannot commit");
  return 0;
}

struct Command {
  const char* name;
  size_t nargs;  // including the command
  int (*run)(const Options&);
};

constexpr Command kCommands[] = {
    {"init", 1, cmd_init}, {"get", 2, cmd_get},   {"set", 3, cmd_set},
    {"tables", 1, cmd_tables}, {"dump", 2, cmd_dump}, {"rows", 1, cmd_rows}, {"load", 3, cmd_load},
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "--root" && has_value) {
      setenv("NVR_ROOT", argv[++i], 1);
      nvr_env_reload();
    } else if (a == "--db" && has_value) {
      o.db = argv[++i];
    } else if (a == "--admin-password" && has_value) {
      o.admin_password = argv[++i];
    } else if (a == "--family" && has_value) {
      o.family = argv[++i];
    } else if (a.rfind("--", 0) == 0) {
      return usage();
    } else {
      o.args.push_back(a);
    }
  }
  if (o.args.empty()) return usage();
  for (const Command& c : kCommands)
    if (o.args[0] == c.name) return o.args.size() == c.nargs ? c.run(o) : usage();
  return usage();
}
