// Route table: route code -> handler, filled by the modules before main.
#pragma once
#include <array>
#include <cstddef>
#include <cstdio>

#include "proto/ipc_code.h"

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

// What a route takes and answers. kUnset: not filled in yet (a route line with
// only a path and a handler).
enum class Form : unsigned char { kUnset, kNone, kText, kJson, kQuery, kUpload, kDownload, kRedirect };
const char* form_name(Form f);

// The reference facts of a route: its input and answer forms and the daemon
// request codes it sends, each with its wait. No pointers: the facts stay in
// read-only data and cost the program's start-up nothing.
inline constexpr int kRouteMaxCodes = 8;
struct RouteFacts {
  Form in = Form::kUnset;
  Form out = Form::kUnset;
  unsigned char code_count = 0;
  IpcCode codes[kRouteMaxCodes]{};
};

consteval RouteFacts route_facts() { return RouteFacts{}; }
template <class... Codes>
consteval RouteFacts route_facts(Form in, Form out, Codes... codes) {
  static_assert(sizeof...(Codes) <= kRouteMaxCodes, "too many request codes on one route line");
  RouteFacts f{in, out, static_cast<unsigned char>(sizeof...(Codes)), {IpcCode(codes)...}};
  return f;
}

// One route as a module writes it: code, handler and, for the route reference,
// input form, answer form and request codes:
//   ROUTE("/6102", on_format_disk, Form::kText, Form::kText, storage::kReqFormat)
// ROUTE(path, handler) alone compiles too, with the facts unset.
struct RouteDef {
  const char* path;
  WebReqHandler handler;
  const char* name;
  RouteFacts facts;
};
#define ROUTE(path, handler, ...) ::RouteDef{path, handler, #handler, ::route_facts(__VA_ARGS__)}

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

// Path and handler name of a route, for the listing and the tests.
struct RouteName {
  const char* path;
  const char* name;
};
template <size_t N>
consteval std::array<RouteName, N> route_names_of(const RouteDef (&defs)[N]) {
  std::array<RouteName, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = {defs[i].path, defs[i].name};
  return out;
}
template <size_t N>
consteval std::array<RouteFacts, N> route_facts_of(const RouteDef (&defs)[N]) {
  std::array<RouteFacts, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = defs[i].facts;
  return out;
}

// A handler module: its name, its route entries, their names and facts (three
// arrays made at compile time; the RouteDef array itself is not kept).
struct WebModule {
  const char* name;
  const WebRes* routes;
  int count;
  const RouteName* defs;
  const RouteFacts* facts;
};

// Defines the module object `var` (the name module_list.cpp expects) from a
// RouteDef array:  WEB_MODULE(storage_module, "storage", kStorageRoutes);
#define WEB_MODULE(var, name, defs)                                                         \
  namespace {                                                                               \
  constexpr auto var##_entries = web_res_of(defs);                                          \
  constexpr auto var##_names = route_names_of(defs);                                        \
  constexpr auto var##_facts = route_facts_of(defs);                                        \
  }                                                                                         \
  extern const WebModule var = {name, var##_entries.data(), static_cast<int>(var##_entries.size()), \
                                var##_names.data(), var##_facts.data()}
// A module whose routes are not built yet: linked, with no routes.
#define WEB_MODULE_EMPTY(var, name) extern const WebModule var = {name, nullptr, 0, nullptr, nullptr}

// Registers / unregisters the modules in their fixed order (storage first,
// alarm last). Run by a start-up constructor and its mirror destructor.
void RegisterWebModules();
void UnregisterWebModules();

// The modules in registration order (11 slots; null for one not linked).
int WebModuleCount();
const WebModule* WebModuleAt(int i);
// "route<TAB>module<TAB>handler<TAB>input<TAB>answer<TAB>codes" per registered
// route, in table order; codes as "3434/600s" separated by spaces, "-" for
// none. Returns the number of routes listed.
int ListWebRoutes(FILE* out);

// Debug log line: "[quill debug] <time>  file:line in func: message".
int cgi_log(const char* file, int line, const char* func, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
