// Log search, entry detail, CSV export and the log type catalogue
// (/1002, /1021, /1003, /1022, /1015).
#include <json-c/json.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/system/system_module.h"
#include "platform/kv_trans.h"
#include "platform/kvdb.h"
#include "proto/log_proto.h"

using namespace logs;

namespace {
// What a handler hands to its reply converter.
struct LogQuery {
  char language[32];
  int page;
  int main_type;
};
LogQuery g_log_query;

struct Category {
  int32_t main_type;
  int id;  // translation identifier
  const char* file_word;
};
constexpr Category kCategories[] = {
    {kMainAll, 1, "All"},           {kMainEvent, 2, "Event"},          {kMainOperation, 3, "Operation"},
    {kMainInformation, 4, "Information"}, {kMainException, 5, "Exception"}, {kMainDebug, 6, "Debug"},
};

const Category* category_of(int main_type) {
  for (const Category& c : kCategories)
    if (c.main_type == main_type) return &c;
  return nullptr;
}

std::string word_of(int id) {
  char buf[256];
  trans_get_value(id, buf, sizeof buf);
  return buf;
}

std::string category_word(int main_type) {
  const Category* c = category_of(main_type);
  return c ? word_of(c->id) : std::string();
}

// "::ffff:a.b.c.d" -> "a.b.c.d"; "fe80::1%eth0" -> "fe80::1".
std::string normalise_address(const char* addr) {
  std::string a(addr);
  if (a.rfind("::ffff:", 0) == 0 && a.find('.') != std::string::npos) return a.substr(7);
  size_t pct = a.find('%');
  return pct == std::string::npos ? a : a.substr(0, pct);
}

template <size_t N>
std::string field_text(const char (&f)[N]) {
  return std::string(f, strnlen(f, N));
}

std::string local_time_text(int64_t t) {
  time_t tt = static_cast<time_t>(t);
  struct tm tm {};
  localtime_r(&tt, &tm);
  char buf[64];
  snprintf(buf, sizeof buf, "%4d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
           tm.tm_min, tm.tm_sec);
  return buf;
}

// ---- Search record ----

constexpr JsonRule kSearchRules[] = {
    {"language", true, JsonType::kText, 0, INT32_MAX},
    {"mainType", true, JsonType::kInt, 1, 64},
    {"subTypeArr", true, JsonType::kArray, 1, INT32_MAX},
    {"startTime", true, JsonType::kText, 0, INT32_MAX},
    {"endTime", true, JsonType::kText, 0, INT32_MAX},
    {"curPageNum", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

bool parse_time(const json_object* req, const char* key, const char* fmt, int32_t* out) {
  char text[64] = "";
  json_get_text(req, key, text, sizeof text);
  struct tm tm {};
  const char* end = strptime(text, fmt, &tm);
  if (!end || *end) return false;
  tm.tm_isdst = -1;
  *out = static_cast<int32_t>(mktime(&tm));
  return true;
}

// The fields both searches share; false for input to refuse.
bool build_search(const json_object* req, const char* time_fmt, LogSearch* s) {
  json_object* subs = nullptr;
  int first = 0;
  if (!json_check(req, kSearchRules) || json_get_array(req, "subTypeArr", &subs) != JsonGet::kOk ||
      !json_value_int(json_array_at(subs, 0), &first) || first < kSubTypeAll)
    return false;
  *s = LogSearch{};
  if (!parse_time(req, "startTime", time_fmt, &s->start_time) || !parse_time(req, "endTime", time_fmt, &s->end_time))
    return false;
  json_get_int(req, "mainType", &s->main_type);
  json_get_int(req, "curPageNum", &s->page);
  size_t n = json_array_size(subs);
  if (n > kMaxSubTypes) n = kMaxSubTypes;  // the record's room
  for (size_t i = 0; i < n; ++i) {
    int64_t v = 0;
    json_value_int64(json_array_at(subs, i), &v);
    s->sub_types[i] = v;
  }
  s->sub_count = static_cast<int32_t>(n);
  g_log_query = LogQuery{};
  json_get_text(req, "language", g_log_query.language, sizeof g_log_query.language);
  g_log_query.page = s->page;
  g_log_query.main_type = s->main_type;
  return true;
}

// Operation-log downloads name their sub types as three bit sets offset by
// 10: bit b of value k - 10 lists code base[k] + b.
void expand_operation_subtypes(const json_object* req, LogSearch* s) {
  static constexpr int kBase[] = {101, 131, 200};
  json_object* subs = nullptr;
  json_get_array(req, "subTypeArr", &subs);
  int n = 0;
  for (int k = 0; k < 3; ++k) {
    int v = 0;
    // A missing value or one below 10 selects nothing.
    if (!json_value_int(json_array_at(subs, static_cast<size_t>(k)), &v) || v < kSubTypeAll) continue;
    uint32_t bits = static_cast<uint32_t>(v - kSubTypeAll);
    for (int b = 0; b < 30; ++b)
      if (bits >> b & 1) s->sub_types[n++] = kBase[k] + b;
  }
  for (int i = n; i < kMaxSubTypes; ++i) s->sub_types[i] = 0;
  s->sub_count = n;
}

}  // namespace

// ---- Converters ----

void on_log_search_info_cb(const IpcReply& r) {
  if (r.count < 1) {
    cgi_writeback_webserver(1, "ERROR");
    g_callback_done = 1;
    return;
  }
  const auto* rep = r.as<SearchReply>();
  int num = rep->count < 0 ? 0 : (rep->count > kPageEntries ? kPageEntries : rep->count);
  trans_init(g_log_query.language);
  JsonPtr answer(json_object_new_object());
  json_add_int(answer.get(), "count", rep->total);
  json_add_int(answer.get(), "num", num);
  json_add_int(answer.get(), "curPageNum", g_log_query.page);
  json_object* list = json_object_new_array();
  for (int i = 0; i < num; ++i) {
    const OpLogRecord& e = rep->entries[i];
    const int sub = static_cast<int32_t>(e.sub_type);
    json_object* o = json_object_new_object();
    json_add_int(o, "no", i);
    json_add_int(o, "mainTypeValue", e.main_type);
    json_add_text(o, "mainType", category_word(e.main_type).c_str());
    json_add_int(o, "subTypeValue", sub);
    json_add_text(o, "subType", word_of(sub).c_str());
    json_add_int(o, "pts", e.time);
    json_add_text(o, "ptc", local_time_text(e.time).c_str());
    json_add_int(o, "parameterValue", e.param_type);
    json_add_text(o, "parameter", word_of(e.param_type).c_str());
    json_add_int(o, "remote", e.remote);
    json_add_int(o, "chanNo", e.channel);
    json_add_int(o, "disk", log_channo_is_disk(e.main_type, sub));
    json_add_int(o, "size", e.detail_size);
    std::string detail(reinterpret_cast<const char*>(e.detail), strnlen(reinterpret_cast<const char*>(e.detail), sizeof e.detail));
    json_add_text(o, "detail", detail.c_str());
    json_object* words = json_object_new_array();
    for (size_t b = 0; b < sizeof e.detail; b += 4) {
      const uint8_t* p = e.detail + b;
      int32_t v = static_cast<int32_t>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
      json_object_array_add(words, json_object_new_int(v));
    }
    json_object_object_add(o, "detail2", words);
    json_add_text(o, "ip", normalise_address(field_text(e.remote_addr).c_str()).c_str());
    json_add_text(o, "user", field_text(e.user).c_str());
    json_object_array_add(list, o);
  }
  json_object_object_add(answer.get(), "log", list);
  trans_deinit();
  answer_json(answer);
}

void on_log_web_get_log_detail_cb(const IpcReply& r) {
  const char* text = static_cast<const char*>(r.payload);
  std::string detail(text, strnlen(text, static_cast<size_t>(r.count > 0 ? r.count : 0)));
  answer_text(detail.empty() ? "N/A" : detail.c_str());
}

namespace {
// ---- CSV ----

// A cell of text that users choose: quoted when needed, embedded quotes
// doubled, and a leading character a spreadsheet would run as a formula
// made inert with an apostrophe.
std::string csv_cell(const std::string& text, bool always_quote) {
  bool formula = !text.empty() && strchr("=+-@\t\r\n", text[0]) != nullptr;
  bool quote = always_quote || formula || text.find_first_of(",\"\r\n") != std::string::npos;
  std::string out = formula ? "'" + text : text;
  if (!quote) return out;
  std::string q = "\"";
  for (char c : out) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

std::string csv_row(int number, const OpLogRecord& e, const char* detail) {
  std::string param = word_of(e.param_type);
  char head[32];
  snprintf(head, sizeof head, "%d,", number);
  std::string row = head;
  row += local_time_text(e.time) + ",";
  row += category_word(e.main_type) + ",";
  row += word_of(static_cast<int32_t>(e.sub_type)) + ",";
  row += (param.empty() ? "N/A" : param) + ",";
  row += csv_cell(field_text(e.user), false) + ",";
  row += normalise_address(field_text(e.remote_addr).c_str()) + ",";
  snprintf(head, sizeof head, "%d,", e.channel);
  row += head;
  row += (*detail ? csv_cell(detail, true) : std::string("N/A")) + ",\r\n";
  return row;
}

// Export files of the daemon live in its log directory only.
bool export_path_ok(const std::string& p) {
  std::string dir = std::string(kLogDir) + "/";
  return p.size() > dir.size() && p.compare(0, dir.size(), dir) == 0 && p.find("..") == std::string::npos;
}

void write_csv_entries(FILE* f, std::string& out) {
  int32_t count = 0;
  if (fread(&count, sizeof count, 1, f) != 1) return;
  static OpLogRecord e;
  static char detail[kExportDetailBytes + 1];
  for (int i = 0; i < count; ++i) {
    if (fread(&e, sizeof e, 1, f) != 1 || fread(detail, kExportDetailBytes, 1, f) != 1) break;
    detail[kExportDetailBytes] = '\0';
    out += csv_row(i + 1, e, detail);
    if (out.size() > 65536) {
      cgi_writeback_webserver(2, out.c_str());
      out.clear();
    }
  }
}

}  // namespace

void on_log_web_export_info_cb(const IpcReply& r) {
  std::string path;
  if (r.count > 4) {
    const char* p = static_cast<const char*>(r.payload) + 4;
    path.assign(p, strnlen(p, static_cast<size_t>(r.count - 4)));
  }
  trans_init(g_log_query.language);
  const Category* c = category_of(g_log_query.main_type);
  char mac[18] = "", mac_text[18] = "";
  get_mac_addr(mac, nullptr);
  for (char *s = mac, *d = mac_text; *s; ++s)
    if (*s != ':') *d++ = *s;
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  char head[256];
  snprintf(head, sizeof head,
           "Content-Type:application/octet-stream\r\n"
           "Content-Disposition: attachment; filename= %s_log_%s_%4d%02d%02d%02d%02d%02d.csv\r\n\r\n",
           c ? c->file_word : "All", mac_text, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
           tm.tm_sec);
  std::string out = head;
  for (const char* col : {"Number", "Time", "Main", "Sub", "Parameter", "User", "Ip", "Channel", "Log information"})
    out += std::string(col) + ",";
  out += "\r\n";
  if (!path.empty() && export_path_ok(path)) {
    std::string file = dev_path(path.c_str());
    if (FILE* f = fopen(file.c_str(), "rb")) {
      write_csv_entries(f, out);
      fclose(f);
    }
    unlink(file.c_str());
  }
  cgi_writeback_webserver(2, out.c_str());
  trans_deinit();
  g_callback_done = 1;
}

void on_get_log_info(char* text) {
  JsonPtr req = json_parse(text);
  static LogSearch s;
  if (!req || !build_search(req.get(), "%Y-%m-%d %H:%M:%S", &s)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  char mask[65] = "";
  json_get_text(req.get(), "chnMask", mask, sizeof mask);
  for (int i = 0; mask[i]; ++i)
    if (mask[i] == '1') s.chn_mask |= 1ull << i;
  json_get_int(req.get(), "searchNoChn", &s.no_chn);
  ipc_request(on_system_ipc_callback, kReqSearch, s, ErrMode::kJson);
}

void on_get_log_details(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || json_object_get_type(req.get()) != json_type_object) return;
  OpLogRecord e{};
  int64_t v = 0;
  json_get_int(req.get(), "mainTypeValue", &e.main_type);
  if (json_value_int64(json_object_object_get(req.get(), "subTypeValue"), &v)) e.sub_type = v;
  if (json_value_int64(json_object_object_get(req.get(), "pts"), &v)) e.time = v;
  json_get_int(req.get(), "parameterValue", &e.param_type);
  json_get_int(req.get(), "remote", &e.remote);
  json_get_int(req.get(), "chanNo", &e.channel);
  json_get_int(req.get(), "size", &e.detail_size);
  json_object* words = nullptr;
  json_get_array(req.get(), "detail2", &words);
  for (size_t i = 0; i < sizeof e.detail / 4 && i < json_array_size(words); ++i) {
    int w = 0;
    json_value_int(json_array_at(words, i), &w);
    auto u = static_cast<uint32_t>(w);
    uint8_t* p = e.detail + 4 * i;
    p[0] = static_cast<uint8_t>(u >> 24), p[1] = static_cast<uint8_t>(u >> 16), p[2] = static_cast<uint8_t>(u >> 8),
    p[3] = static_cast<uint8_t>(u);
  }
  json_get_text(req.get(), "ip", e.remote_addr, 46);
  json_get_text(req.get(), "user", e.user, 64);
  ipc_request(on_system_ipc_callback, kReqDetail, e, ErrMode::kText);
}

void on_download_logfile(char* text) {
  JsonPtr req = json_parse(text);
  static LogSearch s;
  if (!req || !build_search(req.get(), "%Y-%m-%dT%H:%M:%S", &s)) return;
  json_object* ch = json_object_object_get(req.get(), "ch");
  int64_t mask = 0;
  if (ch && !(json_object_get_type(ch) == json_type_string ? text_int(json_object_get_string(ch), 0, INT64_MAX, &mask)
                                                           : json_value_int64(ch, &mask)))
    return;
  s.chn_mask = static_cast<uint64_t>(mask);
  json_get_int(req.get(), "na", &s.no_chn);
  s.page = 1;
  if (s.main_type == kMainOperation && s.sub_types[0] != kSubTypeAll) expand_operation_subtypes(req.get(), &s);
  std::string marker = dev_path(kDownloadMarker);
  mkdir(dev_path(kLogDir).c_str(), 0755);
  FILE* m = fopen(marker.c_str(), "wb");
  ipc_request(on_system_ipc_callback, kReqExport, s, ErrMode::kJson);
  if (m) fclose(m);
  unlink(marker.c_str());
}

void on_check_download_log(char*) { answer_text(access(dev_path(kDownloadMarker).c_str(), F_OK) == 0 ? "OK" : "NO"); }

namespace {
struct KeyRange {
  int from, to;
};

void add_keys(json_object* arr, std::initializer_list<KeyRange> ranges, std::initializer_list<int> without = {}) {
  for (const KeyRange& r : ranges)
    for (int k = r.from; k <= r.to; ++k) {
      bool skip = false;
      for (int w : without) skip = skip || w == k;
      if (skip) continue;
      json_object* o = json_object_new_object();
      json_add_int(o, "key", k);
      json_add_text(o, "name", word_of(k).c_str());
      json_object_array_add(arr, o);
    }
}

void add_sub_types(json_object* arr, int main_type, bool oem90) {
  add_keys(arr, {{kSubTypeAll, kSubTypeAll}});
  switch (main_type) {
    case kMainEvent:
      if (oem90) add_keys(arr, {{11, 36}}, {31, 32});
      else add_keys(arr, {{11, 36}}, {31, 32, 15, 16});
      add_keys(arr, {{38, 41}, {37, 37}, {42, 42}, {43, 44}});
      break;
    case kMainOperation: add_keys(arr, {{101, 144}, {200, 228}}); break;
    case kMainInformation: add_keys(arr, {{500, 521}}, {507, 508, 509, 510}); break;
    case kMainException: add_keys(arr, {{400, 413}}, {408}); break;
    case kMainDebug: add_keys(arr, {{600, 603}}); break;
    default: break;
  }
}
}  // namespace

void on_get_log_type_list(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  char lan[16] = "";
  json_get_text(req.get(), "lan", lan, sizeof lan);
  trans_init(lan);
  bool oem90 = get_param_int(devpaths::kKvdb, "oem_type", 0) == 90;
  JsonPtr answer(json_object_new_object());
  json_object* mains = json_object_new_array();
  json_object* subs = json_object_new_array();
  for (const Category& c : kCategories) {
    json_object* o = json_object_new_object();
    json_add_int(o, "key", c.main_type);
    json_add_text(o, "name", word_of(c.id).c_str());
    json_object_array_add(mains, o);
    json_object* list = json_object_new_array();
    add_sub_types(list, c.main_type, oem90);
    json_object_array_add(subs, list);
  }
  json_object_object_add(answer.get(), "mainType", mains);
  json_object_object_add(answer.get(), "subType", subs);
  trans_deinit();
  answer_json(answer);
}
