// Route table: route code -> handler, filled by the modules before main.
#pragma once
#include <array>
#include <cstddef>
#include <cstdio>

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

// A check every dispatched request passes before its handler runs (the
// session check). It answers a refusal itself and returns false; null: none.
using WebReqGuard = bool (*)(const char* route);
void WebReqSetGuard(WebReqGuard guard);

// One route as a module writes it: code and handler, with the handler's name
// for the route listing. ROUTE("/6100", on_get_disk_info).
struct RouteDef {
  const char* path;
  WebReqHandler handler;
  const char* name;
};
#define ROUTE(path, handler) ::RouteDef{path, handler, #handler}

// The 16-byte entries registered in the route table, made at compile time
// from a module's RouteDef array; a path over 7 characters does not compile.
template <size_t N>
consteval std::array<WebRes, N> web_res_of(const RouteDef (&defs)[N]) {
  std::array<WebRes, N> out{};
  for (size_t i = 0; i < N; ++i) {
    size_t n = 0;
    while (defs[i].path[n]) ++n;
    if (n == 0 || n > 7) throw "route code must have 1 to 7 characters";
    for (size_t j = 0; j < n; ++j) out[i].path[j] = defs[i].path[j];
    out[i].handler = defs[i].handler;
  }
  return out;
}

// A handler module: its name, its route entries and their definitions.
struct WebModule {
  const char* name;
  const WebRes* routes;
  int count;
  const RouteDef* defs;
};

// Defines the module object `var` (the name module_list.cpp expects) from a
// RouteDef array:  WEB_MODULE(storage_module, "storage", kStorageRoutes);
#define WEB_MODULE(var, name, defs)                                    \
  namespace {                                                          \
  constexpr auto var##_entries = web_res_of(defs);                     \
  }                                                                    \
  extern const WebModule var = {name, var##_entries.data(),            \
                                static_cast<int>(var##_entries.size()), defs}
// A module whose routes are not built yet: linked, with no routes.
#define WEB_MODULE_EMPTY(var, name) extern const WebModule var = {name, nullptr, 0, nullptr}

// Registers / unregisters the modules in their fixed order (storage first,
// alarm last). Run by a start-up constructor and its mirror destructor.
void RegisterWebModules();
void UnregisterWebModules();

// The modules in registration order (11 slots; null for one not linked).
int WebModuleCount();
const WebModule* WebModuleAt(int i);
// "route<TAB>module<TAB>handler" per registered route, in table order;
// returns the number of routes listed.
int ListWebRoutes(FILE* out);

// Debug log line: "[quill debug] <time>  file:line in func: message".
int cgi_log(const char* file, int line, const char* func, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
