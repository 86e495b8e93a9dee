// Service commands of "/vb.htm": name=value pairs joined by '&', each run
// through a small hashed command table.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/ipc.h"
#include "base/paths.h"
#include "base/text.h"
#include "common/spawn.h"
#include "common/web_utils.h"
#include "modules/system/system_module.h"
#include "proto/system_proto.h"
#include "modules/system/vb_htm.h"
#include "platform/kv_std.h"
#include "platform/kvdb.h"

namespace {
constexpr int kChipLen = 32;
constexpr size_t kScanLimit = 255;   // characters of the text looked at
constexpr size_t kSplitLimit = 64;   // every copied character must lie before this

// One reply per command; the first one opens the text answer, later ones append.
bool g_answer_begun = false;
void reply(const char* text) {
  cgi_writeback_webserver(g_answer_begun ? 2 : 0, text);
  g_answer_begun = true;
}

const char* const kNoArgNames[HTTP_OPTION_NO_ARG_SLOTS] = {"oemclean", "pendle", "debug", "softversion"};

bool chip_char_ok(char c) {
  return isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

bool chip_text_ok(const char* s) {
  for (; *s; ++s)
    if (!chip_char_ok(*s)) return false;
  return true;
}

int write_chip_info(const char* chip) {
  if (strlen(chip) != kChipLen || !chip_text_ok(chip)) return -1;
  return run_argv({"kvchip_update", chip}) == 0 ? 0 : -1;
}

void cmd_setlang(ArgPair* arg) {
  int32_t lang = atoi(arg->value);
  ipc_send(on_system_ipc_callback, sys::kReqSetLanguage, lang);
  reply("OK");
}

void cmd_setdefault(ArgPair*) {}

void cmd_decode(ArgPair* arg) {
  store_param_text("decode", arg->value);
  reply("OK");
}

void cmd_hotplug(ArgPair* arg) {
  store_param_text("hdmihotplug", arg->value);
  reply("OK");
}

void cmd_oemclean(ArgPair*) {
  const std::string nand2 = dev_path(devpaths::kNand2);
  const std::string bin = dev_path(devpaths::kAppBin);
  const std::string www = dev_path(devpaths::kAppWww);
  const std::string app = dev_path(devpaths::kNandApp);
  run_argv({"cp", (nand2 + "/logo.jpg_bk").c_str(), (bin + "/logo.jpg").c_str()});
  run_argv({"cp", (nand2 + "/gui.rcc_bk").c_str(), (bin + "/gui.rcc").c_str()});
  // The one step that needs the shell: its wildcard. The directory is quoted.
  kv_system(("rm " + shell_quote(nand2) + "/* > /dev/null 2>&1").c_str());
  run_argv({"tar", "-zxvf", (www + "/web.tar.gz").c_str(), "-C", (www + "/").c_str()});
  run_argv({"touch", (app + "/eraseip").c_str()});
  run_argv({"touch", (app + "/eraseuser").c_str()});
  set_param_int(devpaths::kKvdb, "oem_type", 0);
  run_argv({"touch", (app + "/eraseall").c_str()});
  run_argv({"sync"});
  reply("OK");
}

void cmd_paratest(ArgPair* arg) {
  if (strcmp(arg->value, "chipinfo") != 0) {
    reply("Param ERROR");
    return;
  }
  char chip[128] = {0};
  if (get_chip_info(chip, sizeof chip) != 0) {
    reply("ERROR");
    return;
  }
  if (strlen(chip) > kChipLen) chip[kChipLen] = '\r';
  char out[192];
  snprintf(out, sizeof out, "OK chipinfo=%s\n", chip);
  reply(out);
}

// Reads the current chip text into a 33-byte buffer (line end removed).
int read_chip(char (&chip)[kChipLen + 1]) {
  char line[128] = {0};
  if (get_chip_info(line, sizeof line) != 0) return -1;
  line[strcspn(line, "\r\n")] = '\0';
  if (strlen(line) != kChipLen) return -1;
  copy_text(chip, line);
  return 0;
}

void cmd_chipupdate(ArgPair* arg) {
  char value[kSplitLimit] = {0};
  copy_text(value, arg->value);
  size_t len = strlen(value);
  if (len >= 21 && len <= 31) {
    memset(value + len, '0', kChipLen - len);
    len = kChipLen;
  }
  char chip[kChipLen + 1] = {0};
  bool ok = len > 0 && len <= kChipLen && chip_text_ok(value);
  if (ok && strncmp(value, "KVN", 3) == 0) {
    ok = len == kChipLen;
    copy_text(chip, value);
  } else if (ok) {
    // (value characters from index 1) -> chip index, count
    struct Field {
      char letter;
      int chip_at;
      int count;
    };
    static const Field kFields[] = {{'N', 3, 6}, {'H', 9, 2}, {'E', 12, 7}, {'S', 20, 11}};
    const Field* f = nullptr;
    for (const auto& k : kFields)
      if (value[0] == k.letter) f = &k;
    ok = f && len >= static_cast<size_t>(1 + f->count) && read_chip(chip) == 0;
    if (ok) memcpy(chip + f->chip_at, value + 1, static_cast<size_t>(f->count));
  }
  ok = ok && write_chip_info(chip) == 0;
  reply(ok ? "OK chipupdate" : "NG chipupdate");
}

void cmd_modelupdate(ArgPair* arg) {
  struct Field {
    char letter;
    size_t width;
    int chip_at;
  };
  static const Field kFields[] = {{'N', 7, 2}, {'H', 3, 9}, {'E', 8, 12}, {'S', 12, 20}};
  const char* value = arg->value;
  const Field* f = nullptr;
  for (const auto& k : kFields)
    if (value[0] == k.letter) f = &k;
  char chip[kChipLen + 1] = {0};
  bool ok = f && strlen(value) <= f->width && chip_text_ok(value) && read_chip(chip) == 0;
  if (ok) {
    char field[16];
    memset(field, '0', sizeof field);
    memcpy(field, value, strlen(value));
    memcpy(chip + f->chip_at, field, f->width);
    ok = write_chip_info(chip) == 0;
  }
  reply(ok ? "OK modelupdate" : "NG modelupdate");
}

void cmd_softversion(ArgPair*) {
  char version[256];
  get_param_value(devpaths::kKvdb, "software_version", version, sizeof version, "7x.7.0.9");
  reply(version);
}
}  // namespace

HttpOption HttpOptionTable[HTTP_OPTION_COUNT] = {
    {"setlang", cmd_setlang, nullptr},       {"setdefault", cmd_setdefault, nullptr},
    {"decode", cmd_decode, nullptr},         {"hotplug", cmd_hotplug, nullptr},
    {"oemclean", cmd_oemclean, nullptr},     {"paratest", cmd_paratest, nullptr},
    {"chipupdate", cmd_chipupdate, nullptr}, {"modelupdate", cmd_modelupdate, nullptr},
    {"softversion", cmd_softversion, nullptr},
};

HttpOption** cmd_hash = nullptr;

uint32_t hash_cal_value(const char* name) {
  uint32_t h = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) h = h * 37 + *p;
  return h;
}

void hash_insert_entry(HttpOption* row) {
  uint32_t b = hash_cal_value(row->name) & (HTTP_HASH_BUCKETS - 1);
  row->next = cmd_hash[b];
  cmd_hash[b] = row;
}

int hash_table_init() {
  cmd_hash = static_cast<HttpOption**>(calloc(HTTP_HASH_BUCKETS, sizeof(HttpOption*)));
  if (!cmd_hash) return -1;
  for (auto& row : HttpOptionTable) hash_insert_entry(&row);
  return 0;
}

void hash_table_destory() {
  free(cmd_hash);
  cmd_hash = nullptr;
  for (auto& row : HttpOptionTable) row.next = nullptr;
}

HttpOption* http_option_search(const ArgPair* arg) {
  if (!arg || !cmd_hash) return nullptr;
  for (HttpOption* r = cmd_hash[hash_cal_value(arg->name) & (HTTP_HASH_BUCKETS - 1)]; r; r = r->next)
    if (strcmp(r->name, arg->name) == 0) return r;
  return nullptr;
}

int get_httpoption_argnum(const char* text) {
  int n = 0;
  for (size_t i = 0; i < kScanLimit && text[i]; ++i) n += text[i] == '=';
  return n;
}

int ui_decodeing(const char* text, ArgPair* pairs, int count) {
  if (!text || !pairs || count <= 0 || count > HTTP_MAX_ARGS) return -1;
  size_t len = strnlen(text, kScanLimit), pos = 0;
  auto take = [&](char* dst, char stop) {
    size_t n = 0;
    for (; pos < len && text[pos] != stop; ++pos) {
      if (pos >= kSplitLimit || n >= HTTP_ARG_TEXT - 1) return false;
      dst[n++] = text[pos];
    }
    dst[n] = '\0';
    if (pos < len) ++pos;  // the separator
    return true;
  };
  for (int i = 0; i < count; ++i)
    if (!take(pairs[i].name, '=') || !take(pairs[i].value, '&')) return -1;
  return 0;
}

int is_httpoption_no_arg(const char* text) {
  for (const char* name : kNoArgNames)
    if (name && strcmp(text, name) == 0) return 1;
  return 0;
}

int get_chip_info(char* buf, int size) {
  if (!buf || size <= 0) return -1;
  const std::string file = dev_path(devpaths::kChipInfo);
  run_argv({"kvchip_update", "-r", "32"}, file.c_str());
  FILE* f = fopen(file.c_str(), "r");
  if (!f) return -1;
  char line[128];
  int rc = -1;
  while (fgets(line, sizeof line, f)) {
    if (strstr(line, "Read old:")) {
      copy_text(buf, static_cast<size_t>(size), line + 9);
      rc = 0;
      break;
    }
  }
  fclose(f);
  unlink(file.c_str());
  return rc;
}

void on_http_option(char* text) {
  g_answer_begun = false;
  if (!text || hash_table_init() != 0) {
    reply("ERROR");
    return;
  }
  auto pairs = std::make_unique<ArgPair[]>(HTTP_MAX_ARGS);
  int count;
  if (is_httpoption_no_arg(text)) {
    count = 1;
    copy_text(pairs[0].name, text);
    copy_text(pairs[0].value, "1");
  } else {
    count = get_httpoption_argnum(text);
    if (count == 0 || ui_decodeing(text, pairs.get(), count) != 0) {
      reply("PARAM ERROR");
      hash_table_destory();
      return;
    }
  }
  for (int i = 0; i < count; ++i) {
    HttpOption* row = http_option_search(&pairs[i]);
    if (!row) {
      reply("ERROR");
      break;
    }
    row->func(&pairs[i]);
  }
  hash_table_destory();
}
