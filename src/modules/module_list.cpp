// The one place that fixes the order in which the handler modules enter the
// route table. A module defines its WebModule object under the name below
// (WEB_MODULE); one that is not linked in is null here, which the route
// tests refuse.
#include <cstdio>
#include <iterator>
#include <vector>

#include "cgi/dispatchreq.h"

extern const WebModule storage_module __attribute__((weak));
extern const WebModule status_module __attribute__((weak));
extern const WebModule video_module __attribute__((weak));
extern const WebModule camera_module __attribute__((weak));
extern const WebModule record_module __attribute__((weak));
extern const WebModule network_module __attribute__((weak));
extern const WebModule stream_module __attribute__((weak));
extern const WebModule ptz_module __attribute__((weak));
extern const WebModule system_module __attribute__((weak));
extern const WebModule aging_module __attribute__((weak));
extern const WebModule alarm_module __attribute__((weak));

namespace {
const WebModule* const kModuleOrder[] = {
    &storage_module, &status_module, &video_module,  &camera_module, &record_module, &network_module,
    &stream_module,  &ptz_module,    &system_module, &aging_module,  &alarm_module,
};

__attribute__((constructor)) void register_at_start() { RegisterWebModules(); }
__attribute__((destructor)) void unregister_at_exit() { UnregisterWebModules(); }
}  // namespace

void RegisterWebModules() {
  for (const WebModule* m : kModuleOrder)
    if (m && m->routes && m->count > 0) WebResRegister(m->routes, m->count);
}

int WebModuleCount() { return static_cast<int>(sizeof kModuleOrder / sizeof kModuleOrder[0]); }

const WebModule* WebModuleAt(int i) { return i >= 0 && i < WebModuleCount() ? kModuleOrder[i] : nullptr; }

const char* form_name(Form f) {
  static const char* const kNames[] = {"?", "none", "text", "json", "query", "upload", "download", "redirect"};
  auto i = static_cast<size_t>(f);
  return i < std::size(kNames) ? kNames[i] : "?";
}

int ListWebRoutes(FILE* out) {
  int n = 0;
  for (const WebModule* m : kModuleOrder) {
    if (!m || !m->defs) continue;
    for (int i = 0; i < m->count; ++i, ++n) {
      const RouteFacts& f = m->facts[i];
      fprintf(out, "%s\t%s\t%s\t%s\t%s\t", m->defs[i].path, m->name, m->defs[i].name, form_name(f.in),
              form_name(f.out));
      if (f.code_count == 0) fputc('-', out);
      // Waits are counted in 40 ms polls.
      for (int c = 0; c < f.code_count && c < kRouteMaxCodes; ++c)
        fprintf(out, "%s%d/%ds", c ? " " : "", f.codes[c].code, f.codes[c].polls / 25);
      fputc('\n', out);
    }
  }
  return n;
}

void UnregisterWebModules() {
  // One pass over the table for all modules: removal is by path either way.
  std::vector<WebRes> all;
  for (const WebModule* m : kModuleOrder)
    if (m && m->routes && m->count > 0) all.insert(all.end(), m->routes, m->routes + m->count);
  if (!all.empty()) WebResUnregister(all.data(), static_cast<int>(all.size()));
}
