// The one place that fixes the order in which the handler modules enter the
// route table. A module defines its WebModule object under the name below; a
// module that is not linked in is skipped.
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
    if (m && m->routes) WebResRegister(m->routes, m->count);
}

void UnregisterWebModules() {
  for (const WebModule* m : kModuleOrder)
    if (m && m->routes) WebResUnregister(m->routes, m->count);
}
