#include "platform/kvsock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "proto/kvsock_proto.h"

namespace {
struct KvSock {
  std::mutex mu;  // everything below, for the sending side
  bool inited = false;
  KvSockCallback cb = nullptr;
  void* ctx = nullptr;
  int mode = 0;
  std::string path;
  int fd = -1;
  int32_t seq = 0;
  std::thread reader;
  std::atomic<bool> broken{false};  // reader saw the end, or a write failed
};

// Never destroyed: a reader still running at exit must not meet a dead object.
KvSock& sock() {
  static KvSock& s = *new KvSock;
  return s;
}

void reader_loop(int fd, KvSockCallback cb, void* ctx, std::atomic<bool>* broken) {
  KvSockHeader head{};
  std::vector<char> payload;
  while (kv_read_msg(fd, &head, &payload) == kKvReadOk)
    if (cb) cb(ctx, &head, head.size > 0 ? payload.data() : nullptr);
  // End of stream or a frame we cannot follow: the connection is finished.
  // Marked before the peer can see it closed, so a send after that reconnects.
  broken->store(true);
  shutdown(fd, SHUT_RDWR);
}

void disconnect_locked(KvSock& s) {
  if (s.fd < 0) return;
  shutdown(s.fd, SHUT_RDWR);
  if (s.reader.joinable() && s.reader.get_id() == std::this_thread::get_id()) {
    // Called from a callback: the loop ends on its own once it returns. The
    // descriptor stays open so that its number cannot be reused under the loop.
    s.reader.detach();
    s.fd = -1;
    return;
  }
  if (s.reader.joinable()) s.reader.join();
  close(s.fd);
  s.fd = -1;
}

std::atomic<int> g_connections{0};

int connect_locked(KvSock& s) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::string p = dev_path(s.path.c_str());
  if (p.empty() || p.size() >= sizeof addr.sun_path) return -1;
  memcpy(addr.sun_path, p.data(), p.size());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  s.fd = fd;
  ++g_connections;
  s.seq = 0;
  s.broken.store(false);
  s.reader = std::thread(reader_loop, fd, s.cb, s.ctx, &s.broken);
  return 0;
}
}  // namespace

int kv_sock_connections() { return g_connections.load(); }

int kv_sock_init(KvSockCallback cb, void* ctx, int mode, const char* path) {
  KvSock& s = sock();
  std::lock_guard<std::mutex> lk(s.mu);
  disconnect_locked(s);
  s.inited = true;
  s.cb = cb;
  s.ctx = ctx;
  s.mode = mode;
  s.path = path ? path : devpaths::kKvSocket;
  return connect_locked(s);
}

int kv_sock_send_msg(int kind, int code, const void* payload, int len, int flags) {
  if (len < 0 || len > kKvSockMaxPayload || (len > 0 && !payload)) return -1;
  KvSock& s = sock();
  std::lock_guard<std::mutex> lk(s.mu);
  if (!s.inited) return -1;
  if (s.fd < 0 || s.broken.load()) {
    // The daemon was not there yet, or went away: try a fresh connection.
    disconnect_locked(s);
    if (connect_locked(s) != 0) return -1;
  }
  if (kv_write_msg(s.fd, kind, ++s.seq, code, flags, payload, len) != 0) {
    // A half-written message leaves the stream unusable.
    shutdown(s.fd, SHUT_RDWR);
    s.broken.store(true);
    return -1;
  }
  return 0;
}

int kv_sock_uninit() {
  KvSock& s = sock();
  std::lock_guard<std::mutex> lk(s.mu);
  disconnect_locked(s);
  s.inited = false;
  s.cb = nullptr;
  s.ctx = nullptr;
  return 0;
}
