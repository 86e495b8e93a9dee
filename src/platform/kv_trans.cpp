// Translation stand-in: one language at a time, loaded into a sorted table.
#include "platform/kv_trans.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "base/text.h"

namespace {
std::vector<std::pair<int, std::string>> g_words;

bool plain_name(const char* s) {
  size_t n = s ? strlen(s) : 0;
  if (n == 0 || n > 31) return false;
  for (size_t i = 0; i < n; ++i)
    if (!isalnum(static_cast<unsigned char>(s[i])) && s[i] != '-' && s[i] != '_') return false;
  return true;
}

bool load(const char* language) {
  std::string path = dev_path(devpaths::kLangDir) + "/" + language + ".lang";
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return false;
  g_words.clear();
  char line[512];
  while (fgets(line, sizeof line, f)) {
    char* eq = strchr(line, '=');
    if (line[0] == '#' || !eq) continue;
    *eq = '\0';
    char* end = nullptr;
    long id = strtol(line, &end, 10);
    if (end == line || *end) continue;
    std::string word(eq + 1);
    while (!word.empty() && (word.back() == '\n' || word.back() == '\r')) word.pop_back();
    g_words.emplace_back(static_cast<int>(id), std::move(word));
  }
  fclose(f);
  std::stable_sort(g_words.begin(), g_words.end(), [](auto& a, auto& b) { return a.first < b.first; });
  return true;
}
}  // namespace

int trans_init(const char* language) {
  g_words.clear();
  if (plain_name(language) && load(language)) return 0;
  load(kTransDefaultLanguage);
  return -1;
}

int trans_get_value(int id, char* buf, int size) {
  if (!buf || size <= 0) return -1;
  auto it = std::lower_bound(g_words.begin(), g_words.end(), id, [](auto& e, int v) { return e.first < v; });
  bool found = it != g_words.end() && it->first == id;
  copy_text(buf, static_cast<size_t>(size), found ? it->second.c_str() : "");
  return found ? 0 : -1;
}

void trans_deinit() { g_words.clear(); }

int log_channo_is_disk(int main_type, int sub_type) {
  switch (main_type) {
    case 4:  // operations on disks: format, NAS, removal
      return sub_type == 207 || (sub_type >= 219 && sub_type <= 221) || sub_type == 224;
    case 32:  // disk full, disk error, no disk, disk removed
      return sub_type >= 400 && sub_type <= 403;
    default:
      return 0;
  }
}
