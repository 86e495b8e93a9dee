// Every registered route in-process, against a daemon that answers with
// fuzzed replies: none, short, oversized, repeated or of another code.
//
// Input: byte 0 picks the route (its index in the table, modulo the count),
// byte 1 the daemon's behaviour (bits 0-1: replies per request, bit 2: reply
// with another code as well, bit 3: an empty payload first), then the request
// text up to the first zero byte, then the reply payload.
//
// Checks after every input: no crash or sanitizer report, no shell command
// ran with request text (a canary tool on PATH leaves a file when it runs),
// and nothing new appeared beside the device root.
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "fuzz_root.h"
#include "proto/kvsock_proto.h"

using fuzz::check;

namespace {
std::vector<std::string> g_routes;

// What the daemon answers for the current input.
std::mutex g_mu;
int g_replies = 0;
bool g_stray = false;
bool g_empty_first = false;
std::string g_payload;

int count_entries(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return -1;
  int n = 0;
  while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
  closedir(d);
  return n;
}

void serve(int fd) {
  KvSockHeader h;
  std::vector<char> payload;
  while (kv_read_msg(fd, &h, &payload) == kKvReadOk) {
    std::lock_guard<std::mutex> lk(g_mu);
    const int32_t reply = h.code + kKvSockReplyOffset;
    if (g_empty_first) kv_write_msg(fd, kKvSockKindReply, h.seq, reply, 0, nullptr, 0);
    if (g_stray) kv_write_msg(fd, kKvSockKindReply, h.seq, reply + 1, 0, g_payload.data(), int32_t(g_payload.size()));
    for (int i = 0; i < g_replies; ++i)
      kv_write_msg(fd, kKvSockKindReply, h.seq, reply, 0, g_payload.data(), int32_t(g_payload.size()));
  }
  close(fd);
}

void start_daemon() {
  std::string path = dev_path("/var/run/kvsocket");
  int lfd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  check(path.size() < sizeof addr.sun_path, "socket path too long");
  memcpy(addr.sun_path, path.data(), path.size());
  check(lfd >= 0 && bind(lfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(lfd, 64) == 0,
        "daemon socket");
  std::thread([lfd] {
    for (;;) {
      int fd = accept(lfd, nullptr, nullptr);
      if (fd >= 0)
        std::thread(serve, fd).detach();
      else
        usleep(1000);  // out of descriptors for a moment: the clients close theirs
    }
  }).detach();
}

std::string g_canary;
std::string g_parent;
int g_parent_entries = 0;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::make_root();
  const std::string& root = fuzz::root_dir();
  for (const char* d : {"/var", "/var/run", "/mnt", "/mnt/nand", "/mnt/nand/app", "/mnt/nand2", "/opt", "/opt/app",
                        "/opt/app/bin", "/opt/app/www", "/opt/app/www/webfile", "/opt/app/www/webfile/json", "/bin"})
    mkdir((root + d).c_str(), 0755);
  // The only tool on PATH: a canary that marks that a shell ran request text.
  g_canary = root + "/CANARY";
  std::string tool = root + "/bin/canary";
  FILE* f = fopen(tool.c_str(), "w");
  check(f != nullptr, "canary tool");
  fprintf(f, "#!/bin/sh\ntouch '%s'\n", g_canary.c_str());
  fclose(f);
  chmod(tool.c_str(), 0755);
  setenv("PATH", (root + "/bin").c_str(), 1);
  setenv("NVR_TIME_SCALE", "0.0001", 1);
  nvr_env_reload();
  start_daemon();
  cgiOut = fopen("/dev/null", "w");
  cgiIn = fopen("/dev/null", "r");
  check(cgiOut && cgiIn, "null streams");
  for (int i = 0; i < WebModuleCount(); ++i)
    if (const WebModule* m = WebModuleAt(i))
      for (int r = 0; r < m->count; ++r) g_routes.push_back(m->defs[r].path);
  check(!g_routes.empty(), "no routes");
  g_parent = root.substr(0, root.rfind('/'));
  g_parent_entries = count_entries(g_parent);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string& route = g_routes[data[0] % g_routes.size()];
  const char* rest = reinterpret_cast<const char*>(data) + 2;
  size_t text_len = strnlen(rest, size - 2);
  std::string text(rest, text_len);
  {
    std::lock_guard<std::mutex> lk(g_mu);
    g_replies = data[1] & 3;
    g_stray = data[1] & 4;
    g_empty_first = data[1] & 8;
    g_payload.assign(rest + text_len, size - 2 - text_len);
  }
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  DispatchWebReq(route.c_str(), buf.data());
  check(access(g_canary.c_str(), F_OK) != 0, "a shell ran request text");
  check(count_entries(g_parent) <= g_parent_entries, "a file appeared beside the device root");
  return 0;
}
