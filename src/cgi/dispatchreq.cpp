#include "cgi/dispatchreq.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/paths.h"

namespace {
WebRes g_table[MAX_WEBREQ_COUNT];
unsigned char g_in_use[MAX_WEBREQ_COUNT];
uint64_t g_key[MAX_WEBREQ_COUNT];  // each slot's path as one number, for unregistering
int g_count = 0;
int g_low_free = 0;  // no free slot below it: registering starts there, not at slot 0

// A path as one number: its eight bytes with everything from the first NUL on
// cleared (the bytes after a terminator are not always zero).
uint64_t path_key(const char (&path)[8]) {
  uint64_t key;
  memcpy(&key, path, sizeof key);
  const uint64_t zero = (key - 0x0101010101010101ull) & ~key & 0x8080808080808080ull;
  if (zero == 0) return key;
  const int first = __builtin_ctzll(zero) / 8;  // little-endian: the lowest byte comes first
  return first == 0 ? 0 : key & (~0ull >> (64 - 8 * first));
}
}  // namespace

int WebResRegister(const WebRes* res, int count) {
  if (!res || count <= 0) return -1;
  if (count + g_count > MAX_WEBREQ_COUNT - 1) {
    cgi_log("dispatchreq.c", 62, "", "[ora debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)");
    return -1;
  }
  int next = 0;
  for (int slot = g_low_free; slot < MAX_WEBREQ_COUNT && next < count; ++slot) {
    if (g_in_use[slot]) continue;
    g_table[slot] = res[next++];
    g_table[slot].path[sizeof g_table[slot].path - 1] = '\0';
    g_key[slot] = path_key(g_table[slot].path);
    g_in_use[slot] = 1;
    ++g_count;
    if (slot == g_low_free) ++g_low_free;
  }
  return 0;
}

// The array's paths go into an open-addressed set once, then each slot in use
// is one probe: unregistering every module at exit stays linear in the slots.
int WebResUnregister(const WebRes* res, int count) {
  if (!res || count <= 0) return -1;
  size_t cap = 16;
  while (cap < 2 * static_cast<size_t>(count)) cap <<= 1;
  std::vector<uint64_t> set(cap, 0);  // 0 marks a free place; the empty path is kept aside
  bool empty_path = false;
  auto place = [cap](uint64_t key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & (cap - 1); };
  for (int i = 0; i < count; ++i) {
    uint64_t key = path_key(res[i].path);
    if (key == 0) {
      empty_path = true;
      continue;
    }
    size_t at = place(key);
    while (set[at] != 0 && set[at] != key) at = (at + 1) & (cap - 1);
    set[at] = key;
  }
  for (int slot = 0; slot < MAX_WEBREQ_COUNT && g_count > 0; ++slot) {
    if (!g_in_use[slot]) continue;
    uint64_t key = g_key[slot];
    bool found = key == 0 && empty_path;
    for (size_t at = place(key); key != 0 && set[at] != 0; at = (at + 1) & (cap - 1))
      if (set[at] == key) {
        found = true;
        break;
      }
    if (!found) continue;
    g_table[slot] = WebRes{};
    g_in_use[slot] = 0;
    g_key[slot] = 0;
    --g_count;
    if (slot < g_low_free) g_low_free = slot;
  }
  return 0;
}

WebRes* FindWebRes(const char* path) {
  if (!path) return nullptr;
  for (auto& e : g_table)
    if (strcmp(e.path, path) == 0) return &e;
  return nullptr;
}

namespace {
WebReqGuard g_guard = nullptr;
}

void WebReqSetGuard(WebReqGuard guard) { g_guard = guard; }

void DispatchWebReq(const char* route, char* text) {
  if (!route) return;
  for (int slot = 0; slot < MAX_WEBREQ_COUNT; ++slot) {
    if (g_in_use[slot] && strcmp(g_table[slot].path, route) == 0) {
      if (g_table[slot].handler && (!g_guard || g_guard(route))) g_table[slot].handler(text);
      return;
    }
  }
}

int WebResRegisteredCount() { return g_count; }

int cgi_log(const char* file, int line, const char* func, const char* fmt, ...) {
  char msg[2048];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(msg, sizeof msg, fmt, ap);
  va_end(ap);

  time_t now = time(nullptr);
  struct tm tmv{};
  localtime_r(&now, &tmv);
  char stamp[64];
  snprintf(stamp, sizeof stamp, "%4d-%02d-%02d %02d:%02d:%02d", tmv.tm_year + 1900, tmv.tm_mon + 1,
           tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec);
  char out[2048];
  snprintf(out, sizeof out, "[quill debug] %s  %s:%d in %s: %s\n", stamp, file ? file : "", line,
           func ? func : "", msg);

  FILE* f = fopen(dev_path(devpaths::kCgiLog).c_str(), "a");
  if (!f) return -1;
  fputs(out, f);
  fflush(f);
  fclose(f);
  return 0;
}
