#include "base/paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
struct Knobs {
  bool loaded = false;
  std::string root;
  double scale = 1.0;
};
Knobs& knobs() {
  static Knobs k;
  if (!k.loaded) {
    const char* r = getenv("NVR_ROOT");
    k.root = r ? r : "";
    while (k.root.size() > 1 && k.root.back() == '/') k.root.pop_back();
    if (k.root == "/") k.root.clear();
    k.scale = 1.0;
    if (const char* s = getenv("NVR_TIME_SCALE")) {
      char* end = nullptr;
      double v = strtod(s, &end);
      if (end != s && v >= 0.0 && v <= 1000.0) k.scale = v;
    }
    k.loaded = true;
  }
  return k;
}
}  // namespace

const char* nvr_root() { return knobs().root.c_str(); }

std::string dev_path(const char* device_path) {
  return knobs().root + (device_path ? device_path : "");
}

int dev_path_buf(char* buf, size_t size, const char* device_path) {
  if (!buf || size == 0) return -1;
  int n = snprintf(buf, size, "%s%s", nvr_root(), device_path ? device_path : "");
  return (n < 0 || static_cast<size_t>(n) >= size) ? -1 : 0;
}

double nvr_time_scale() { return knobs().scale; }

void nvr_env_reload() { knobs().loaded = false; }
