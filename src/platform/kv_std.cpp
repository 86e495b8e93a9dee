#include "platform/kv_std.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int kv_system(const char* cmd) {
  if (!cmd) return -1;
  fflush(nullptr);  // a child must not repeat buffered answer bytes
  int st = system(cmd);
  if (st == -1 || !WIFEXITED(st)) return -1;
  return WEXITSTATUS(st);
}

int kv_check_file_exist(const char* path) { return path && access(path, F_OK) == 0 ? 1 : 0; }
