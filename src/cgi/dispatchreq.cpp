#include "cgi/dispatchreq.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/paths.h"

namespace {
WebRes g_table[MAX_WEBREQ_COUNT];
unsigned char g_in_use[MAX_WEBREQ_COUNT];
int g_count = 0;
int g_low_free = 0;  // no free slot below it: registering starts there, not at slot 0

// Slots in use by path, so that dispatching and unregistering look at the
// slots of one path instead of walking the table: a bucket per path hash
// holds its slots in a list (slot + 1; 0 ends it).
constexpr int kBuckets = 1024;
uint16_t g_bucket[kBuckets];
uint16_t g_next[MAX_WEBREQ_COUNT];
uint64_t g_key[MAX_WEBREQ_COUNT];

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

int bucket_of(uint64_t key) { return static_cast<int>((key * 0x9E3779B97F4A7C15ull) >> 54); }

// Lowest slot in use whose path is key; -1 when none.
int first_slot(uint64_t key) {
  int found = -1;
  for (int s = g_bucket[bucket_of(key)]; s; s = g_next[s - 1])
    if (g_key[s - 1] == key && (found < 0 || s - 1 < found)) found = s - 1;
  return found;
}
}  // namespace

static_assert(MAX_WEBREQ_COUNT < 65535);

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
    uint16_t& head = g_bucket[bucket_of(g_key[slot])];
    g_next[slot] = head;
    head = static_cast<uint16_t>(slot + 1);
    g_in_use[slot] = 1;
    ++g_count;
    if (slot == g_low_free) ++g_low_free;
  }
  return 0;
}

// Removal is by path: every slot of each of the array's paths goes, whichever
// array registered it.
int WebResUnregister(const WebRes* res, int count) {
  if (!res || count <= 0) return -1;
  for (int i = 0; i < count; ++i) {
    const uint64_t key = path_key(res[i].path);
    for (uint16_t* link = &g_bucket[bucket_of(key)]; *link;) {
      const int slot = *link - 1;
      if (g_key[slot] != key) {
        link = &g_next[slot];
        continue;
      }
      *link = g_next[slot];
      g_table[slot] = WebRes{};
      g_in_use[slot] = 0;
      g_key[slot] = 0;
      g_next[slot] = 0;
      --g_count;
      if (slot < g_low_free) g_low_free = slot;
    }
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
  // The first slot in use with exactly this path; no path is longer than 7.
  char path[8] = {};
  const size_t n = strnlen(route, sizeof path);
  if (n == sizeof path) return;
  memcpy(path, route, n);
  const int slot = first_slot(path_key(path));
  if (slot < 0) return;
  if (g_table[slot].handler && (!g_guard || g_guard(route))) g_table[slot].handler(text);
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
