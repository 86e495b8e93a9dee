// Route table: route code -> handler, filled by the modules before main.
#pragma once

using WebReqHandler = void (*)(char* text);

struct WebRes {
  char path[8];  // route code, at most 7 characters
  WebReqHandler handler;
};
static_assert(sizeof(WebRes) == 16);

inline constexpr int MAX_WEBREQ_COUNT = 512;

int WebResRegister(const WebRes* res, int count);
int WebResUnregister(const WebRes* res, int count);
WebRes* FindWebRes(const char* path);
void DispatchWebReq(const char* route, char* text);
int WebResRegisteredCount();

// A handler module's route array.
struct WebModule {
  const char* name;
  const WebRes* routes;
  int count;
};

// Registers / unregisters the modules in their fixed order (storage first,
// alarm last). Run by a start-up constructor and its mirror destructor.
void RegisterWebModules();
void UnregisterWebModules();

// Debug log line: "[quill debug] <time>  file:line in func: message".
int cgi_log(const char* file, int line, const char* func, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
