// Micro measurements of what one request is made of:
//   nvrbench startup WEBCGI MINCGI [runs]  process start to exit, unknown route vs a minimal C CGI
//   nvrbench ipc [runs]                     waited daemon round trip against the simulator
//   nvrbench db [runs]                      open the database and read one parameter
//   nvrbench pairs RUNS B0 NAME PROGRAM ROUTE [NAME PROGRAM ROUTE...]
//                                           each program (GET of ROUTE, "/6011?0" with a
//                                           query, under the NVR_ROOT
//                                           of the environment) alternated with B0 in one
//                                           series: median time, median of the pairwise
//                                           ratios, median page faults (peak RSS: the
//                                           spawn shares this process's memory until the
//                                           exec, so scripts/bench takes it from time -v)
//   nvrbench tables N [FILE]                adds N tables of a typical family shape to a
//                                           file of kvdb.db under NVR_ROOT: kvdb.db itself,
//                                           or FILE's ("event": kvdb-event.db); schema cost
// Each prints the median over its runs. Waits are real: NVR_TIME_SCALE is ignored.
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cgi/cgic.h"
#include "common/ipc.h"
#include "base/paths.h"
#include "coresim_server.h"
#include "platform/kvdb.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

template <class Fn>
double time_ms(Fn fn) {
  auto t0 = Clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A private device root for the run.
std::string make_root() {
  char tmpl[] = "/tmp/nvrbench.XXXXXX";
  if (!mkdtemp(tmpl)) {
    perror("mkdtemp");
    exit(1);
  }
  for (const char* d : {"/tmp", "/var/run", "/mnt/nand/app"}) std::filesystem::create_directories(std::string(tmpl) + d);
  setenv("NVR_ROOT", tmpl, 1);
  unsetenv("NVR_TIME_SCALE");
  nvr_env_reload();
  return tmpl;
}

// Runs the program once with stdout to /dev/null; returns its exit status.
int run_once(const char* program) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t pid;
  int st = -1;
  if (posix_spawn(&pid, program, &fa, nullptr, argv, environ) == 0) waitpid(pid, &st, 0);
  posix_spawn_file_actions_destroy(&fa);
  return st;
}

struct Run {
  double ms;
  long faults;
};

// One start to exit of PROGRAM with PATH_INFO=route (and QUERY_STRING the text
// after a '?' in it), its own page faults and peak RSS.
Run run_measured(const char* program, const char* route) {
  const char* query = strchr(route, '?');
  setenv("PATH_INFO", std::string(route, query ? static_cast<size_t>(query - route) : strlen(route)).c_str(), 1);
  setenv("QUERY_STRING", query ? query + 1 : "", 1);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  char* argv[] = {const_cast<char*>(program), nullptr};
  Run r{0, 0};
  pid_t pid;
  auto t0 = Clock::now();
  if (posix_spawn(&pid, program, &fa, nullptr, argv, environ) == 0) {
    int st;
    rusage ru{};
    wait4(pid, &st, 0, &ru);
    r.faults = ru.ru_minflt + ru.ru_majflt;
  }
  r.ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  posix_spawn_file_actions_destroy(&fa);
  return r;
}

int bench_pairs(int runs, const char* b0, int n, char** specs) {
  setenv("REQUEST_METHOD", "GET", 1);
  setenv("QUERY_STRING", "", 1);
  unsetenv("NVR_TIME_SCALE");
  for (int i = 0; i < n; ++i) {
    const char *name = specs[3 * i], *prog = specs[3 * i + 1], *route = specs[3 * i + 2];
    std::vector<double> t, ratio, faults, b;
    for (int k = 0; k < runs; ++k) {  // alternated, so both see the same machine
      Run p = run_measured(prog, route), q = run_measured(b0, "/");
      t.push_back(p.ms);
      b.push_back(q.ms);
      ratio.push_back(p.ms / q.ms);
      faults.push_back(static_cast<double>(p.faults));
    }
    printf("%-34s %8.3f ms  B0 %6.3f ms  %5.2fx B0  +%7.3f ms  %5.0f faults\n", name, median(t), median(b),
           median(ratio), median(t) - median(b), median(faults));
  }
  return 0;
}

// Tables shaped like a family of the database, named so that nothing reads
// them, in one file of kvdb.db ("" for kvdb.db itself, or a module's file).
int bench_tables(int n, const char* file) {
  nvr_env_reload();
  bool ok = kvdb::transact(devpaths::kKvdb, kvdb::Txn::kRead, [](kvdb::Txn&) { return 0; }) == 0;  // every file made
  sqlite3* db = nullptr;
  ok = ok && sqlite3_open(dev_path(kvdb::file_path(devpaths::kKvdb, file).c_str()).c_str(), &db) == SQLITE_OK;
  sqlite3_busy_timeout(db, 5000);
  ok = ok && sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  for (int i = 0; i < n && ok; ++i) {
    std::string sql = "CREATE TABLE IF NOT EXISTS \"bench_extra_" + std::to_string(i) +
                      "\"(\"chn\" INTEGER,\"enable\" INTEGER,\"name\" TEXT,\"mode\" INTEGER,\"value\" REAL,"
                      "\"data\" BLOB,PRIMARY KEY(\"chn\"))";
    ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  if (!ok) {
    fprintf(stderr, "nvrbench: cannot add the tables\n");
    return 1;
  }
  return 0;
}

int bench_startup(const char* webcgi, const char* mincgi, int runs) {
  std::string root = make_root();
  setenv("REQUEST_METHOD", "GET", 1);
  setenv("PATH_INFO", "/9999", 1);
  std::vector<double> w, m;
  for (int i = 0; i < runs; ++i) {  // interleaved, so both see the same machine
    w.push_back(time_ms([&] { run_once(webcgi); }));
    m.push_back(time_ms([&] { run_once(mincgi); }));
  }
  double mw = median(w), mm = median(m);
  printf("startup (unknown route, %d runs): webcgi %.3f ms, minimal C %.3f ms, ratio %.2fx\n", runs, mw, mm,
         mw / mm);
  std::filesystem::remove_all(root);
  return 0;
}

void answer_cb(void*, void*, void* payload) {
  if (payload) g_callback_done = 1;
}

int bench_ipc(int runs) {
  std::string root = make_root();
  CoreSim sim;
  if (sim.start() != 0) {
    fprintf(stderr, "nvrbench: %s\n", sim.error().c_str());
    return 1;
  }
  std::vector<double> t;
  int32_t zero = 0;
  for (int i = 0; i < runs; ++i)
    t.push_back(time_ms([&] { ipc_request(answer_cb, IpcCode{3431}, zero, ErrMode::kNone); }));
  sim.stop();
  double med = median(t);
  printf("daemon round trip (request 3431, immediate reply, %d runs): median %.3f ms, of which 10 ms is the "
         "pause after the send (%.0f%%)\n",
         runs, med, 100.0 * 10.0 / med);
  std::filesystem::remove_all(root);
  return 0;
}

int bench_db(int runs) {
  std::string root = make_root();
  get_param_int(devpaths::kKvdb, "raidmode", 0);  // creates the file with its defaults
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) t.push_back(time_ms([] { get_param_int(devpaths::kKvdb, "raidmode", 0); }));
  printf("database open + one parameter (%d runs): median %.3f ms\n", runs, median(t));
  std::filesystem::remove_all(root);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  auto runs = [&](int i, int def) { return argc > i ? std::max(1, atoi(argv[i])) : def; };
  if (argc >= 4 && strcmp(argv[1], "startup") == 0) return bench_startup(argv[2], argv[3], runs(4, 300));
  if (argc >= 2 && strcmp(argv[1], "ipc") == 0) return bench_ipc(runs(2, 100));
  if (argc >= 2 && strcmp(argv[1], "db") == 0) return bench_db(runs(2, 1000));
  if (argc >= 7 && strcmp(argv[1], "pairs") == 0 && (argc - 4) % 3 == 0)
    return bench_pairs(runs(2, 300), argv[3], (argc - 4) / 3, argv + 4);
  if ((argc == 3 || argc == 4) && strcmp(argv[1], "tables") == 0) return bench_tables(runs(2, 100), argc == 4 ? argv[3] : "");
  fprintf(stderr,
          "usage: nvrbench startup WEBCGI MINCGI [runs] | ipc [runs] | db [runs] | "
          "pairs RUNS B0 NAME PROGRAM ROUTE... | tables N [FILE]\n");
  return 2;
}
