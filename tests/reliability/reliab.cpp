// reliab --root DIR --bin DIR [--writers N] [--rounds N] [--smoke]
//
// Runs the built webcgi as the web server does (one process per request, CGI
// environment, body on standard input) on a prepared device root and prints
// three sets of figures:
//   writers  N set requests at once on several database families, every
//            acknowledged write read back, PRAGMA integrity_check;
//   kill     rounds of writers of which a random half get SIGKILL at a random
//            moment; after each round the integrity check, every acknowledged
//            write present and the next request served;
//   daemon   waited routes of each answer form against a daemon that is
//            silent, cuts, pads, repeats or mislabels its replies: the answer
//            webcgi gives, which must be one answer from a process that exited.
// The daemon of the first two is the simulator, in this process; the third
// wraps the simulator's answers. Exit status 1 when any check failed.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <json-c/json.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "coresim_registry.h"
#include "coresim_server.h"
#include "platform/kvdb.h"
#include "platform/kvdb_storage.h"
#include "platform/kvdb_users.h"
#include "platform/kvdb_video.h"
#include "proto/kvsock_proto.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDiskPorts = 36;  // "/6101" ports 0..35

std::string g_root, g_bin, g_scratch;
int g_failures = 0;

void fail(const std::string& what) {
  ++g_failures;
  fprintf(stderr, "reliab: FAILED: %s\n", what.c_str());
}

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string slurp(const std::string& path) {
  std::string s;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    fclose(f);
  }
  return s;
}

// ---- one webcgi process per request ----

struct Request {
  std::string route;
  std::string body;  // POST body; GET when empty
};

struct Run {
  pid_t pid = -1;
  std::string out_path;
  int status = 0;
  std::string out;
  bool exited() const { return WIFEXITED(status); }
  bool killed() const { return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL; }
};

Run start(const Request& r, int slot, const char* time_scale) {
  Run run;
  const std::string base = g_scratch + "/" + std::to_string(slot);
  const std::string in_path = base + ".in";
  run.out_path = base + ".out";
  if (FILE* f = fopen(in_path.c_str(), "wb")) {
    fwrite(r.body.data(), 1, r.body.size(), f);
    fclose(f);
  }
  const bool post = !r.body.empty();
  std::vector<std::string> env = {
      "NVR_ROOT=" + g_root,
      std::string("NVR_TIME_SCALE=") + time_scale,
      "PATH=" + g_bin + ":/usr/sbin:/usr/bin:/sbin:/bin",
      "GATEWAY_INTERFACE=CGI/1.1",
      "SERVER_PROTOCOL=HTTP/1.1",
      "SERVER_NAME=127.0.0.1",
      "SERVER_PORT=80",
      "REMOTE_ADDR=127.0.0.1",
      "SCRIPT_NAME=/cgi-bin/webcgi",
      std::string("REQUEST_METHOD=") + (post ? "POST" : "GET"),
      "PATH_INFO=" + r.route.substr(0, r.route.find('?')),
      "QUERY_STRING=" + (r.route.find('?') == std::string::npos ? "" : r.route.substr(r.route.find('?') + 1)),
  };
  if (post) {
    env.push_back("CONTENT_TYPE=application/x-www-form-urlencoded");
    env.push_back("CONTENT_LENGTH=" + std::to_string(r.body.size()));
  }
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string prog = g_bin + "/webcgi";
  char* argv[] = {prog.data(), nullptr};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, run.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawn(&run.pid, prog.c_str(), &fa, nullptr, argv, envp.data()) != 0) run.pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return run;
}

// Waits (killing it after limit_s) and reads what it wrote.
void finish(Run* run, double limit_s = 60) {
  if (run->pid < 0) return;
  auto t0 = Clock::now();
  while (waitpid(run->pid, &run->status, WNOHANG) == 0) {
    if (seconds_since(t0) > limit_s) {
      kill(run->pid, SIGKILL);
      waitpid(run->pid, &run->status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  run->out = slurp(run->out_path);
  unlink(run->out_path.c_str());
}

Run call(const Request& r, const char* time_scale = "1") {
  Run run = start(r, 9999, time_scale);
  finish(&run);
  return run;
}

const std::string kText = "Content-type: text/plain\r\n\r\n";

// ---- the writes and their read-back ----

// One set request and the state it leaves when acknowledged.
struct Write {
  enum Kind { kDisk, kUser, kLossInfo, kLossSchedule, kCameraIo, kLanguages } kind;
  int key;      // port, channel
  int value;    // tag stored
  std::string name;
  Request req;
  int user_id = -1;  // from the answer "id=N"
};

Write disk_write(int port, int tag) {
  char b[128];
  snprintf(b, sizeof b, R"({"portId":%d,"property":%d,"group":%d,"private":0})", port, tag % 2, tag);
  return {Write::kDisk, port, tag, "", {"/6101", b}};
}
Write user_write(const std::string& name) {
  std::string b = R"({"name":")" + name + R"(","type":1,"permission":0,"remotePermission":0})";
  return {Write::kUser, 0, 0, name, {"/6071", b}};
}
// Video loss: "/6016" stores alarms and interval, "/6017" the enable flag and the
// schedule, both in the channel's one record: read-modify-write of one row.
Write loss_info_write(int chn, int tag) {
  char b[128];
  snprintf(b, sizeof b, R"({"camId":%d,"enable":1,"triAlarms":%d,"interval":%d})", chn, tag, tag % 1000);
  return {Write::kLossInfo, chn, tag, "", {"/6016", b}};
}
Write loss_schedule_write(int chn, int enable) {
  char b[160];
  snprintf(b, sizeof b, R"({"camId":%d,"enable":%d,"schedule":[[["08:00","18:00",1]]]})", chn, enable);
  return {Write::kLossSchedule, chn, enable, "", {"/6017", b}};
}
Write camera_io_write(int chn, int tag) {
  char b[128];
  snprintf(b, sizeof b, R"({"camId":%d,"enable":1,"type":2,"triActions":%d,"triChannels":"0101"})", chn, tag);
  return {Write::kCameraIo, chn, tag, "", {"/6091", b}};
}

// "/1001" replaces the web client's language list (a file, not the database).
const char* const kLanguageCodes[] = {"en-US", "de-DE", "fr-FR", "ja-JP"};
Write languages_write(int tag) {
  const char* lan = kLanguageCodes[tag % 4];
  std::string b = std::string(R"({"defaultLan":")") + lan + R"(","list":[)";
  for (const char* code : kLanguageCodes)
    b += std::string(code == kLanguageCodes[0] ? "" : ",") + R"({"value":")" + code + R"(","name":")" + code +
         R"(","isDefault":)" + (code == lan ? "true" : "false") + "}";
  for (int i = 0; i < 16; ++i)  // the list holds at least 19 languages
    b += R"(,{"value":"x)" + std::to_string(i) + R"(","name":"x","isDefault":false})";
  return {Write::kLanguages, 0, tag % 4, "", {"/1001", b + "]}"}};
}

// The default language of the live list; empty when it does not parse.
std::string live_default_language() {
  std::string text = slurp(dev_path(devpaths::kLanguages));
  json_object* o = json_tokener_parse(text.c_str());
  json_object* lan = nullptr;
  std::string v = o && json_object_object_get_ex(o, "defaultLan", &lan) ? json_object_get_string(lan) : "";
  json_object_put(o);
  return v;
}

// The whole answer of an acknowledged write.
bool acknowledged(Write* w, const std::string& out) {
  if (w->kind != Write::kUser) return out == kText + "OK";
  if (out.rfind(kText + "id=", 0) != 0) return false;
  char* end = nullptr;
  long id = strtol(out.c_str() + kText.size() + 3, &end, 10);
  if (*end || id < 0 || id >= kMaxUsers) return false;
  w->user_id = static_cast<int>(id);
  return true;
}

// True when the database holds what w stored.
bool present(const Write& w) {
  const char* db = devpaths::kKvdb;
  switch (w.kind) {
    case Write::kDisk: {
      StoredDisk d{};
      return read_disk(db, &d, w.key) == 0 && d.group == w.value && d.property == w.value % 2;
    }
    case Write::kUser: {
      UserRec u{};
      return read_user(db, &u, w.user_id) == 0 && u.enable == 1 && w.name == u.name;
    }
    case Write::kLossInfo: {
      VideoLossRec r{};
      return read_video_lost(db, &r, w.key) == 0 && r.tri_alarms == w.value && r.interval == w.value % 1000;
    }
    case Write::kLossSchedule: {
      VideoLossRec r{};
      return read_video_lost(db, &r, w.key) == 0 && r.enable == w.value;
    }
    case Write::kCameraIo: {
      CameraIoRec r{};
      return read_cameraio(db, &r, w.key) == 0 && r.tri_actions == w.value;
    }
    case Write::kLanguages:
      return live_default_language() == kLanguageCodes[w.value];
  }
  return false;
}

// SQLite's own check of every file of kvdb.db (attached together).
std::string integrity() {
  kvdb::Txn t(devpaths::kKvdb, kvdb::Txn::kRead);
  if (!t.ok()) return "cannot open";
  sqlite3_stmt* st = nullptr;
  std::string result = "no answer";
  if (sqlite3_prepare_v2(t.db(), "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  sqlite3_finalize(st);
  return result;
}

// Journal files beside kvdb.db's files that a killed writer may leave.
bool journal_left() {
  for (const std::string& file : kvdb::database_files(devpaths::kKvdb)) {
    const std::string db = dev_path(file.c_str());
    if (fs::exists(db + "-journal") || fs::exists(db + "-wal")) return true;
  }
  return false;
}

// What a batch of writers did.
struct Batch {
  int killed = 0;       // processes that SIGKILL ended
  int acked = 0;
  int lost = 0;         // acknowledged, not present
  int crashed = 0;      // ended by another signal, or exited non-zero
};

// Runs every write at once, kill_share of them get SIGKILL within kill_ms;
// then every acknowledged write must be present.
Batch run_batch(std::vector<Write>& writes, double kill_share, int kill_ms, std::mt19937& rng) {
  std::vector<Run> runs;
  runs.reserve(writes.size());
  for (size_t i = 0; i < writes.size(); ++i) runs.push_back(start(writes[i].req, static_cast<int>(i), "1"));
  if (kill_share > 0) {
    std::vector<std::pair<int, size_t>> plan;  // (ms after start, run)
    std::uniform_real_distribution<double> coin(0, 1);
    std::uniform_int_distribution<int> when(0, kill_ms);
    for (size_t i = 0; i < runs.size(); ++i)
      if (coin(rng) < kill_share) plan.push_back({when(rng), i});
    std::sort(plan.begin(), plan.end());
    auto t0 = Clock::now();
    for (auto [ms, i] : plan) {
      std::this_thread::sleep_until(t0 + std::chrono::milliseconds(ms));
      if (runs[i].pid > 0) kill(runs[i].pid, SIGKILL);
    }
  }
  Batch b;
  std::vector<bool> ok(writes.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    finish(&runs[i]);
    if (runs[i].killed()) ++b.killed;
    else if (!runs[i].exited() || WEXITSTATUS(runs[i].status) != 0) ++b.crashed;
    // A writer killed after its whole answer went out was acknowledged too.
    ok[i] = acknowledged(&writes[i], runs[i].out);
  }
  for (size_t i = 0; i < writes.size(); ++i) {
    if (!ok[i]) continue;
    ++b.acked;
    if (!present(writes[i])) {
      ++b.lost;
      fail("acknowledged write lost: " + writes[i].req.route + " " + writes[i].req.body);
    }
  }
  if (b.crashed) fail(std::to_string(b.crashed) + " writers crashed");
  return b;
}

// ---- phase 1: N writers at once ----

void writers_phase(int n) {
  std::vector<Write> writes;
  int disks = 0, users = 0, pairs = 0;
  for (int i = 0; i < n; ++i) {
    switch (i % 4) {
      case 0: writes.push_back(disk_write(disks++, 700 + i)); break;
      case 1: writes.push_back(user_write("rw" + std::to_string(users++))); break;
      // both pages of one channel, in the same instant
      case 2: writes.push_back(loss_info_write(i / 4, 500 + i)); break;
      default: writes.push_back(loss_schedule_write(i / 4, 2)); ++pairs;
    }
  }
  std::mt19937 rng(1);
  auto t0 = Clock::now();
  Batch b = run_batch(writes, 0, 0, rng);
  double took = seconds_since(t0);
  std::set<int> ids;
  int user_acks = 0;
  for (const Write& w : writes)
    if (w.kind == Write::kUser && w.user_id >= 0) {
      ++user_acks;
      ids.insert(w.user_id);
    }
  if (static_cast<int>(ids.size()) != user_acks) fail("two new users got one slot");
  if (b.acked != n) fail(std::to_string(n - b.acked) + " writers of " + std::to_string(n) + " not acknowledged");
  std::string check = integrity();
  if (check != "ok") fail("integrity_check after the writers: " + check);
  printf("writers  %d at once: %d /6101 disk (one port each), %d /6071 new user, %d channels written by\n"
         "         /6016 and /6017 together (one video loss row each)\n"
         "         %d acknowledged, %d lost, %d distinct user slots, integrity_check %s, %.2f s\n",
         n, disks, users, pairs, b.acked, b.lost, static_cast<int>(ids.size()), check.c_str(), took);
}

// ---- phase 2: kill -9 at random ----

void kill_phase(int rounds, int per_round) {
  std::mt19937 rng(29);
  int killed = 0, acked = 0, lost = 0, bad_integrity = 0, journals = 0, next_failed = 0, total = 0;
  int staging = 0, bad_lists = 0;
  auto t0 = Clock::now();
  for (int r = 1; r <= rounds; ++r) {
    std::vector<Write> writes;
    for (int i = 0; static_cast<int>(writes.size()) < per_round; ++i) {
      int tag = r * 1000 + i;
      switch (i % 3) {
        case 0: writes.push_back(disk_write(i / 3 % kDiskPorts, tag)); break;
        case 1: writes.push_back(camera_io_write(32 + i / 3 % 31, tag)); break;
        default:
          writes.push_back(loss_info_write(i / 3 % 32, tag));
          // enable 0, 1, 2 in turn: a lost row shows the previous round's value
          if (static_cast<int>(writes.size()) < per_round) writes.push_back(loss_schedule_write(i / 3 % 32, r % 3));
      }
    }
    writes.back() = languages_write(r);
    Batch b = run_batch(writes, 0.5, 40, rng);
    total += static_cast<int>(writes.size());
    killed += b.killed;
    acked += b.acked;
    lost += b.lost;
    if (journal_left()) ++journals;
    if (fs::exists(dev_path(devpaths::kLanguagesBak))) ++staging;
    if (live_default_language().empty()) {
      ++bad_lists;
      fail("round " + std::to_string(r) + ": the live language list does not parse");
    }
    std::string check = integrity();
    if (check != "ok") {
      ++bad_integrity;
      fail("round " + std::to_string(r) + ": integrity_check " + check);
    }
    // The next request after the killed ones: a write that must land.
    for (Write next : {camera_io_write(63, r), languages_write(r + 1)}) {
      Run run = call(next.req);
      if (!acknowledged(&next, run.out) || !present(next)) {
        ++next_failed;
        fail("round " + std::to_string(r) + ": the next write " + next.req.route + " was not served");
      }
    }
    if (fs::exists(dev_path(devpaths::kLanguagesBak))) fail("the next language write left the staging file");
  }
  printf("kill -9  %d rounds of %d writers (/6101, /6091, /6016 + /6017 on shared rows, one /1001), half\n"
         "         killed at random within 40 ms: %d of %d killed, %d acknowledged, %d lost;\n"
         "         integrity_check ok after %d of %d rounds; database journal left after %d rounds;\n"
         "         language list whole after %d of %d, its staging file left by a killed writer after %d\n"
         "         (removed by the next write each time); next writes served after %d of %d; %.1f s\n",
         rounds, per_round, killed, total, acked, lost, rounds - bad_integrity, rounds, journals, rounds - bad_lists,
         rounds, staging, rounds - next_failed, rounds, seconds_since(t0));
}

// ---- phase 3: a daemon that misbehaves ----

enum class Fault { kNone, kSilent, kShort, kCut, kOversize, kTooLarge, kRepeated, kWrongCode };
struct FaultName {
  Fault f;
  const char* name;
};
constexpr FaultName kFaults[] = {
    {Fault::kNone, "right reply"},
    {Fault::kSilent, "silent"},
    {Fault::kShort, "truncated (half the record)"},
    {Fault::kCut, "cut (header tells more)"},
    {Fault::kOversize, "oversize (+100000 bytes)"},
    {Fault::kTooLarge, "over 1 MiB (bad frame)"},
    {Fault::kRepeated, "same reply 3 times"},
    {Fault::kWrongCode, "wrong code (request code)"},
};

// The simulator's answers, passed through one fault.
class FaultyDaemon {
 public:
  explicit FaultyDaemon(Fault f) : fault_(f) {
    path_ = dev_path(devpaths::kKvSocket);
    unlink(path_.c_str());
    listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", path_.c_str());
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listen_fd_, 16) != 0)
      fail("cannot listen on " + path_);
    thread_ = std::thread([this] { accept_loop(); });
  }
  ~FaultyDaemon() {
    stop_ = true;
    shutdown(listen_fd_, SHUT_RDWR);
    thread_.join();
    for (std::thread& t : conns_) t.join();
    close(listen_fd_);
    unlink(path_.c_str());
  }

 private:
  void accept_loop() {
    while (!stop_) {
      pollfd p{listen_fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      conns_.emplace_back([this, fd] { serve(fd); });
    }
  }
  void serve(int fd) {
    KvSockHeader h{};
    std::vector<char> payload;
    bool stalled = false;
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      if (kv_read_msg(fd, &h, &payload) != kKvReadOk) break;
      if (stalled) continue;
      std::vector<CoreReply> replies;
      if (auto row = coresim_find(h.code); row && row->answer) {
        CoreRequest req{h.code, h.seq, std::string_view(payload.data(), payload.size()), 1};
        replies = row->answer(device_, req);
      }
      for (const CoreReply& r : replies) stalled = send(fd, h, r) || stalled;
    }
    close(fd);
  }
  // True when the stream is left in the middle of a message.
  bool send(int fd, const KvSockHeader& h, const CoreReply& r) {
    std::string p = r.payload;
    int32_t code = r.code;
    switch (fault_) {
      case Fault::kNone: break;
      case Fault::kSilent: return false;
      case Fault::kShort: p.resize(p.size() / 2); break;
      case Fault::kCut: {
        KvSockHeader out{{'K', 'V', 'S', 'K'}, kKvSockKindReply, h.seq, code, 0, static_cast<int32_t>(p.size()) + 64};
        kv_write_full(fd, &out, sizeof out);
        kv_write_full(fd, p.data(), p.size() / 2);
        return true;
      }
      case Fault::kOversize: p.append(100000, 'Z'); break;
      case Fault::kTooLarge: {
        KvSockHeader out{{'K', 'V', 'S', 'K'}, kKvSockKindReply, h.seq, code, 0, 2 << 20};
        kv_write_full(fd, &out, sizeof out);
        kv_write_full(fd, p.data(), p.size());
        return true;
      }
      case Fault::kRepeated:
        kv_write_msg(fd, kKvSockKindReply, h.seq, code, 0, p.data(), static_cast<int32_t>(p.size()));
        kv_write_msg(fd, kKvSockKindReply, h.seq, code, 0, p.data(), static_cast<int32_t>(p.size()));
        break;
      case Fault::kWrongCode: code -= kKvSockReplyOffset; break;
    }
    kv_write_msg(fd, kKvSockKindReply, h.seq, code, 0, p.data(), static_cast<int32_t>(p.size()));
    return false;
  }

  Fault fault_;
  std::string path_;
  int listen_fd_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::thread> conns_;
  CoreDevice device_;
};

struct WaitedRoute {
  const char* form;
  Request req;
};

// Header lines of the answer: each block ends at an empty line.
int header_blocks(const std::string& out) {
  int n = 0;
  for (const char* h : {"Content-type: ", "Content-Type:"}) {
    for (size_t at = out.find(h); at != std::string::npos; at = out.find(h, at + 1))
      if (at == 0 || out[at - 1] == '\n') ++n;
  }
  return n;
}

std::string shown(const std::string& out) {
  size_t body_at = out.find("\r\n\r\n");
  std::string head = body_at == std::string::npos ? "" : out.substr(0, body_at);
  std::string body = body_at == std::string::npos ? out : out.substr(body_at + 4);
  if (head.rfind("Content-type: ", 0) == 0) head = head.substr(14);
  else if (head.rfind("Content-Type:application/octet-stream", 0) == 0) head = "attachment";
  if (out.empty()) return "(nothing)";
  std::string b;
  for (char c : body.substr(0, 40)) b += (c >= 32 && c < 127) ? c : '.';
  if (body.size() > 40) b += "... (" + std::to_string(body.size()) + " bytes)";
  return head + " | " + b;
}

void daemon_phase(bool smoke) {
  const WaitedRoute routes[] = {
      {"JSON", {"/6090", "1"}},
      {"JSON list", {"/6100", ""}},
      {"text", {"/7070", R"({"ip":"192.168.1.20"})"}},
      {"download", {"/4013", R"({"id":3,"startTime":"2026-12-01T00:00:00Z","endTime":"2026-12-01T00:00:02Z"})"}},
  };
  printf("daemon   misbehaviour (NVR_TIME_SCALE 0.01): answer as header | body; every run one process\n"
         "         that exited 0 with at most one answer\n");
  printf("         %-9s %-6s %-28s %-6s %s\n", "form", "route", "daemon", "time", "answer");
  for (const WaitedRoute& w : routes) {
    if (smoke && w.req.route == "/6100") continue;
    for (const FaultName& f : kFaults) {
      Run run;
      double took;
      {
        FaultyDaemon d(f.f);
        auto t0 = Clock::now();
        run = call(w.req, "0.01");
        took = seconds_since(t0);
      }
      int blocks = header_blocks(run.out);
      bool clean = run.exited() && WEXITSTATUS(run.status) == 0;
      printf("         %-9s %-6s %-28s %4.2fs %s%s\n", w.form, w.req.route.c_str(), f.name, took, shown(run.out).c_str(),
             clean ? "" : "  << did not exit cleanly");
      if (!clean) fail(w.req.route + " with a daemon " + f.name + ": status " + std::to_string(run.status));
      if (blocks > 1) fail(w.req.route + " with a daemon " + f.name + ": " + std::to_string(blocks) + " answers");
    }
  }
}

int usage() {
  fputs("usage: reliab --root DIR --bin DIR [--writers N] [--rounds N] [--per-round N] [--smoke]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int writers = 100, rounds = 40, per_round = 40;
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto number = [&](int* v) {
      if (i + 1 >= argc) return false;
      char* end = nullptr;
      long n = strtol(argv[++i], &end, 10);
      if (*end || n < 1 || n > 1000) return false;
      *v = static_cast<int>(n);
      return true;
    };
    if (a == "--root" && i + 1 < argc) g_root = argv[++i];
    else if (a == "--bin" && i + 1 < argc) g_bin = argv[++i];
    else if (a == "--writers") { if (!number(&writers) || writers > 4 * kDiskPorts) return usage(); }
    else if (a == "--rounds") { if (!number(&rounds)) return usage(); }
    else if (a == "--per-round") { if (!number(&per_round)) return usage(); }
    else if (a == "--smoke") smoke = true;
    else return usage();
  }
  if (g_root.empty() || g_bin.empty()) return usage();
  setenv("NVR_ROOT", g_root.c_str(), 1);
  nvr_env_reload();
  signal(SIGPIPE, SIG_IGN);
  char tmpl[] = "/tmp/reliab-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  g_scratch = tmpl;

  {
    CoreSim sim(nullptr);
    if (sim.start() != 0) {
      fprintf(stderr, "reliab: %s\n", sim.error().c_str());
      return 1;
    }
    writers_phase(writers);
    kill_phase(rounds, per_round);
  }
  daemon_phase(smoke);
  fs::remove_all(g_scratch);
  printf("%s\n", g_failures ? "reliability: FAILED" : "reliability: all checks held");
  return g_failures ? 1 : 0;
}
