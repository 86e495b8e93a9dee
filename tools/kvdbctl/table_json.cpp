#include "table_json.h"

#include <sqlite3.h>

#include <cinttypes>
#include <climits>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char kHex[] = "0123456789abcdef";

std::string to_hex(const void* data, size_t n) {
  std::string s;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; ++i) {
    s += kHex[p[i] >> 4];
    s += kHex[p[i] & 15];
  }
  return s;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool from_hex(const char* s, unsigned char* out, size_t width) {
  size_t n = strlen(s);
  if (n % 2 || n / 2 > width) return false;
  for (size_t i = 0; i < n / 2; ++i) {
    int hi = hex_digit(s[2 * i]), lo = hex_digit(s[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<unsigned char>(hi << 4 | lo);
  }
  return true;
}

json_object* cell_json(sqlite3_stmt* s, int i, const kvdb::Column& c) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return nullptr;
  switch (c.type) {
    case kvdb::ColType::kUint64:
      return json_object_new_uint64(static_cast<uint64_t>(sqlite3_column_int64(s, i)));
    case kvdb::ColType::kFloat:
      return json_object_new_double(sqlite3_column_double(s, i));
    case kvdb::ColType::kText:
      return json_object_new_string(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
    case kvdb::ColType::kBlob:
      return json_object_new_string(to_hex(sqlite3_column_blob(s, i), static_cast<size_t>(sqlite3_column_bytes(s, i))).c_str());
    default:
      return json_object_new_int64(sqlite3_column_int64(s, i));
  }
}

bool int_in(json_object* v, int64_t lo, int64_t hi, int64_t* out) {
  if (json_object_get_type(v) != json_type_int) return false;
  int64_t n = json_object_get_int64(v);
  if (n < lo || n > hi) return false;
  *out = n;
  return true;
}

// One cell into the record (or, for a key outside it, into *key).
bool cell_from_json(json_object* v, const kvdb::Column& c, char* rec, int64_t* key) {
  char* at = rec + c.offset;
  int64_t n = 0;
  switch (c.type) {
    case kvdb::ColType::kInt32: {
      if (!int_in(v, INT32_MIN, INT32_MAX, &n)) return false;
      int32_t x = static_cast<int32_t>(n);
      memcpy(at, &x, sizeof x);
      return true;
    }
    case kvdb::ColType::kInt64:
    case kvdb::ColType::kKey:
      if (!int_in(v, INT64_MIN, INT64_MAX, &n)) return false;
      if (c.type == kvdb::ColType::kKey)
        *key = n;
      else
        memcpy(at, &n, sizeof n);
      return true;
    case kvdb::ColType::kUint64: {
      if (json_object_get_type(v) != json_type_int) return false;
      uint64_t u = json_object_get_uint64(v);
      memcpy(at, &u, sizeof u);
      return true;
    }
    case kvdb::ColType::kFloat: {
      json_type t = json_object_get_type(v);
      if (t != json_type_double && t != json_type_int) return false;
      float f = static_cast<float>(json_object_get_double(v));
      memcpy(at, &f, sizeof f);
      return true;
    }
    case kvdb::ColType::kText:
      if (json_object_get_type(v) != json_type_string || json_object_get_string_len(v) >= static_cast<int>(c.width))
        return false;
      memcpy(at, json_object_get_string(v), static_cast<size_t>(json_object_get_string_len(v)));
      return true;
    case kvdb::ColType::kBlob:
      return json_object_get_type(v) == json_type_string &&
             from_hex(json_object_get_string(v), reinterpret_cast<unsigned char*>(at), c.width);
  }
  return false;
}

const kvdb::Column* column_named(const kvdb::Family& f, const char* name) {
  for (uint32_t i = 0; i < f.ncols; ++i)
    if (strcmp(f.cols[i].name, name) == 0) return &f.cols[i];
  return nullptr;
}

}  // namespace

JsonPtr dump_table(kvdb::Txn& t, const kvdb::Family& f, const char* table, std::string* err) {
  JsonPtr out(json_object_new_object());
  json_add_text(out.get(), "table", table);
  json_add_text(out.get(), "family", f.name);
  json_object* rows = json_object_new_array();
  json_object_object_add(out.get(), "rows", rows);
  if (!t.has_table(table)) return out;
  std::string sql = "SELECT ";
  for (uint32_t i = 0; i < f.ncols; ++i) sql += std::string(i ? "," : "") + "\"" + f.cols[i].name + "\"";
  sql += std::string(" FROM \"") + table + "\" ORDER BY rowid";
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(t.db(), sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    *err = sqlite3_errmsg(t.db());
    sqlite3_finalize(s);
    return nullptr;
  }
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    json_object* row = json_object_new_object();
    for (uint32_t i = 0; i < f.ncols; ++i)
      json_object_object_add(row, f.cols[i].name, cell_json(s, static_cast<int>(i), f.cols[i]));
    json_object_array_add(rows, row);
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) {
    *err = sqlite3_errmsg(t.db());
    return nullptr;
  }
  return out;
}

int load_rows(kvdb::Txn& t, const kvdb::Family& f, const char* table, json_object* rows, std::string* err) {
  if (json_object_get_type(rows) != json_type_array) {
    *err = "rows must be an array";
    return -1;
  }
  if (t.remove(f, table, {}) < 0 || t.ensure_table(f, table) != 0) {
    *err = "cannot clear table";
    return -1;
  }
  std::vector<char> rec(f.size);
  for (size_t r = 0; r < json_object_array_length(rows); ++r) {
    json_object* row = json_object_array_get_idx(rows, r);
    std::string where = "row " + std::to_string(r) + ": ";
    if (json_object_get_type(row) != json_type_object) {
      *err = where + "not an object";
      return -1;
    }
    std::fill(rec.begin(), rec.end(), 0);
    std::vector<kvdb::Match> keys;
    json_object_object_foreach(row, name, value) {
      const kvdb::Column* c = column_named(f, name);
      int64_t key = 0;
      if (!c) {
        *err = where + "no column " + name;
        return -1;
      }
      if (!cell_from_json(value, *c, rec.data(), &key)) {
        *err = where + "bad value for " + name;
        return -1;
      }
      if (c->type == kvdb::ColType::kKey) keys.push_back({c->name, key});
    }
    for (uint32_t i = 0; i < f.ncols; ++i) {
      if (f.cols[i].type != kvdb::ColType::kKey || kvdb::Where(keys).find(f.cols[i].name)) continue;
      *err = where + "missing " + f.cols[i].name;
      return -1;
    }
    if (t.put(f, table, keys, rec.data()) != 0) {
      *err = where + "cannot store (" + sqlite3_errmsg(t.db()) + ")";
      return -1;
    }
  }
  return 0;
}
