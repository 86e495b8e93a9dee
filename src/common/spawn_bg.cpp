#include "common/spawn_bg.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <cstdio>
#include <cstring>
#include <vector>

extern char** environ;

pid_t run_argv_background(std::initializer_list<const char*> args) {
  std::vector<const char*> v(args);
  if (v.empty() || !v[0]) return -1;
  v.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  if (posix_spawn_file_actions_init(&fa) != 0) return -1;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&fa);
    return -1;
  }
  for (int fd = 0; fd <= 2; ++fd) posix_spawn_file_actions_addopen(&fa, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, v[0], &fa, &attr, const_cast<char* const*>(v.data()), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

bool stop_background(pid_t pid, const char* comm) {
  if (pid <= 1 || !comm) return false;
  char path[64], name[64] = {};
  snprintf(path, sizeof path, "/proc/%d/comm", static_cast<int>(pid));
  FILE* f = fopen(path, "r");
  if (!f) return false;
  bool same = fgets(name, sizeof name, f) && strncmp(name, comm, strlen(comm)) == 0 &&
              (name[strlen(comm)] == '\n' || name[strlen(comm)] == '\0');
  fclose(f);
  return same && kill(pid, SIGTERM) == 0;
}
