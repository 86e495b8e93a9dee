#include "cgi/dispatchreq.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

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

int WebResUnregister(const WebRes* res, int count) {
  if (!res || count <= 0) return -1;
  for (int slot = 0; slot < MAX_WEBREQ_COUNT; ++slot) {
    if (!g_in_use[slot]) continue;
    for (int i = 0; i < count; ++i) {
      if (strncmp(g_table[slot].path, res[i].path, sizeof res[i].path) == 0) {
        g_table[slot] = WebRes{};
        g_in_use[slot] = 0;
        --g_count;
        break;
      }
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
