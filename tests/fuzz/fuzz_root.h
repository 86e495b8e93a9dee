// A private device root for one fuzz process, and small checks that abort
// (so that libFuzzer reports the input).
#pragma once
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/paths.h"

namespace fuzz {

inline std::string& root_dir() {
  static std::string dir;
  return dir;
}

inline void remove_root() {
  if (root_dir().empty()) return;
  nftw(
      root_dir().c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
      FTW_DEPTH | FTW_PHYS);
}

// NVR_ROOT := a fresh directory (under $TMPDIR) with an empty /tmp; removed at exit.
inline void make_root() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/nvrfuzz.XXXXXX";
  if (!mkdtemp(tmpl.data())) abort();
  root_dir() = tmpl;
  if (mkdir((root_dir() + "/tmp").c_str(), 0700) != 0) abort();
  setenv("NVR_ROOT", tmpl.c_str(), 1);
  nvr_env_reload();
  atexit(remove_root);
}

// Entries of the root's /tmp.
inline int tmp_file_count() {
  DIR* d = opendir((root_dir() + "/tmp").c_str());
  if (!d) abort();
  int n = 0;
  while (dirent* e = readdir(d))
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) ++n;
  closedir(d);
  return n;
}

[[noreturn]] inline void fail(const char* what) {
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

}  // namespace fuzz
