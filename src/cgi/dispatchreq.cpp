#include "cgi/dispatchreq.h"

#include <algorithm>
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
int g_count = 0;
}  // namespace

int WebResRegister(const WebRes* res, int count) {
  if (!res || count <= 0) return -1;
  if (count + g_count > MAX_WEBREQ_COUNT - 1) {
    cgi_log("dispatchreq.c", 62, "", "[ora debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)");
    return -1;
  }
  int next = 0;
  for (int slot = 0; slot < MAX_WEBREQ_COUNT && next < count; ++slot) {
    if (g_in_use[slot]) continue;
    g_table[slot] = res[next++];
    g_table[slot].path[sizeof g_table[slot].path - 1] = '\0';
    g_in_use[slot] = 1;
    ++g_count;
  }
  return 0;
}

namespace {
// A path as one number: its characters up to the terminator, zero-padded.
uint64_t path_key(const char (&path)[8]) {
  char padded[8] = {};
  memcpy(padded, path, strnlen(path, sizeof path));
  uint64_t key;
  memcpy(&key, padded, sizeof key);
  return key;
}
}  // namespace

// Every slot against a sorted list of the array's paths, so that unregistering
// all modules at exit costs slots x log(routes), not slots x routes.
int WebResUnregister(const WebRes* res, int count) {
  if (!res || count <= 0) return -1;
  std::vector<uint64_t> keys(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) keys[static_cast<size_t>(i)] = path_key(res[i].path);
  std::sort(keys.begin(), keys.end());
  for (int slot = 0; slot < MAX_WEBREQ_COUNT; ++slot) {
    if (!g_in_use[slot] || !std::binary_search(keys.begin(), keys.end(), path_key(g_table[slot].path))) continue;
    g_table[slot] = WebRes{};
    g_in_use[slot] = 0;
    --g_count;
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
