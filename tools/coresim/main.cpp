// coresim [--root DIR] [--log FILE] [--json-log FILE] [--quiet] [--relay PORT]:
// the core daemon simulator, with the stand-in P2P relay on 127.0.0.1:PORT
// (default 9999, the relay port of the recorder; 0: none). --json-log adds one
// JSON line per request for the developer console.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/paths.h"
#include "base/paths_maint.h"
#include "answers_system.h"
#include "coresim_server.h"
#include "proto/p2p_proto.h"
#include "relay.h"

namespace {
int usage() {
  fputs("usage: coresim [--root DIR] [--log FILE] [--json-log FILE] [--quiet] [--relay PORT]\n", stderr);
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  const char* log_path = nullptr;
  const char* json_log_path = nullptr;
  bool quiet = false;
  int relay_port = p2p::kRelayPort;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--root") && i + 1 < argc) {
      setenv("NVR_ROOT", argv[++i], 1);
    } else if (!strcmp(argv[i], "--log") && i + 1 < argc) {
      log_path = argv[++i];
    } else if (!strcmp(argv[i], "--json-log") && i + 1 < argc) {
      json_log_path = argv[++i];
    } else if (!strcmp(argv[i], "--relay") && i + 1 < argc) {
      char* end = nullptr;
      long v = strtol(argv[++i], &end, 10);
      if (*end || v < 0 || v > 65535) return usage();
      relay_port = static_cast<int>(v);
    } else if (!strcmp(argv[i], "--quiet")) {
      quiet = true;
    } else {
      return usage();
    }
  }
  nvr_env_reload();
  FILE* log = quiet ? nullptr : stderr;
  if (log_path && !(log = fopen(log_path, "a"))) {
    perror(log_path);
    return 1;
  }

  // Every thread inherits the mask; the main thread alone takes the signals.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  FILE* json_log = nullptr;
  if (json_log_path && !(json_log = fopen(json_log_path, "a"))) {
    perror(json_log_path);
    return 1;
  }
  CoreSim sim(log);
  sim.set_json_log(json_log);
  if (sim.start() != 0) {
    fprintf(stderr, "coresim: %s\n", sim.error().c_str());
    return 1;
  }
  if (!quiet) {
    fprintf(stderr, "coresim: listening on %s\n", sim.socket_path().c_str());
    fprintf(stderr, "coresim: the e-mail sign-in link \"/1018\" takes the query token=%s\n", kCoreMailDemoToken);
  }
  // The web pages learn from this marker that the daemon runs (again, after a reboot).
  if (FILE* marker = fopen(dev_path(devpaths::kCoreRunning).c_str(), "a")) fclose(marker);
  // Without the relay the simulator still serves: the P2P test answers 3.
  CoreRelay relay(log);
  if (relay_port > 0 && relay.start(relay_port) != 0)
    fprintf(stderr, "coresim: no P2P relay: %s\n", relay.error().c_str());
  else if (relay_port > 0 && !quiet)
    fprintf(stderr, "coresim: P2P relay on 127.0.0.1:%d\n", relay.port());
  int sig = 0;
  sigwait(&stop_signals, &sig);
  relay.stop();
  sim.stop();
  if (!quiet) fprintf(stderr, "coresim: stopped by signal %d\n", sig);
  if (log && log != stderr) fclose(log);
  if (json_log) fclose(json_log);
  return 0;
}
