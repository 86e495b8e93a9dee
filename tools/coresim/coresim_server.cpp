#include "coresim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "base/paths.h"
#include "common/json_util.h"

namespace {
bool make_addr(const std::string& path, sockaddr_un* addr) {
  *addr = sockaddr_un{};
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
  memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

// True when some process accepts connections on the socket file.
bool someone_listens(const sockaddr_un& addr) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool live = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return live;
}
}  // namespace

CoreSim::CoreSim(FILE* log) : log_(log) {}

CoreSim::~CoreSim() { stop(); }

int CoreSim::start() {
  if (listen_fd_ >= 0) return 0;
  path_ = dev_path(devpaths::kKvSocket);
  sockaddr_un addr;
  if (!make_addr(path_, &addr)) {
    error_ = "socket path too long: " + path_;
    return -1;
  }
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  struct stat st;
  if (lstat(path_.c_str(), &st) == 0) {
    // Only a socket that nobody serves is ours to replace.
    if (!S_ISSOCK(st.st_mode)) {
      error_ = "not a socket: " + path_;
      return -1;
    }
    if (someone_listens(addr)) {
      error_ = "another daemon listens on " + path_;
      return -1;
    }
    unlink(path_.c_str());
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 128) != 0 ||
      pipe2(wake_, O_CLOEXEC) != 0) {
    error_ = std::string("cannot listen on ") + path_ + ": " + strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  listen_fd_ = fd;
  stopping_ = false;
  acceptor_ = std::thread(&CoreSim::accept_loop, this);
  return 0;
}

void CoreSim::stop() {
  if (listen_fd_ < 0) return;
  {
    std::lock_guard<std::mutex> lk(mu_);
    stopping_ = true;
    for (auto& c : conns_) shutdown(c->fd, SHUT_RDWR);
  }
  char b = 0;
  (void)!write(wake_[1], &b, 1);
  acceptor_.join();
  {
    std::lock_guard<std::mutex> lk(mu_);
    reap_locked(true);
  }
  close(listen_fd_);
  close(wake_[0]);
  close(wake_[1]);
  listen_fd_ = wake_[0] = wake_[1] = -1;
  unlink(path_.c_str());
}

void CoreSim::reap_locked(bool all) {
  for (auto it = conns_.begin(); it != conns_.end();) {
    Conn& c = **it;
    if (!all && !c.done.load()) {
      ++it;
      continue;
    }
    c.thread.join();
    close(c.fd);
    it = conns_.erase(it);
  }
}

void CoreSim::accept_loop() {
  pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
  int next_id = 1;
  for (;;) {
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> lk(mu_);
    reap_locked(false);  // one CGI process per request: finished connections pile up otherwise
    if (stopping_) {
      close(fd);
      return;
    }
    auto c = std::make_unique<Conn>();
    c->fd = fd;
    Conn* raw = c.get();
    conns_.push_back(std::move(c));
    raw->thread = std::thread(&CoreSim::serve, this, raw, next_id++);
  }
}

void CoreSim::serve(Conn* c, int id) {
  KvSockHeader h{};
  std::vector<char> payload;
  while (kv_read_msg(c->fd, &h, &payload) == kKvReadOk) {
    requests_.fetch_add(1);
    CoreRequest req{h.code, h.seq, std::string_view(payload.data(), payload.size()), id};
    auto row = coresim_find(h.code);
    std::vector<CoreReply> replies;
    if (row && row->answer) replies = row->answer(device_, req);
    log_request(id, h, req, row.get(), replies);
    bool ok = true;
    for (const CoreReply& r : replies) {
      ok = kv_write_msg(c->fd, kKvSockKindReply, h.seq, r.code, 0, r.payload.data(),
                        static_cast<int32_t>(r.payload.size())) == 0;
      if (!ok) break;
    }
    if (!ok) break;
  }
  // Peer gone or a frame we cannot follow: hang up now, the fd is closed when reaped.
  shutdown(c->fd, SHUT_RDWR);
  c->done.store(true);
}

void CoreSim::log_request(int id, const KvSockHeader& h, const CoreRequest& req, const CoreAnswerRow* row,
                          const std::vector<CoreReply>& replies) {
  if (!log_ && !json_log_) return;
  std::string fields = row && row->describe ? row->describe(req) : "";
  if (log_) {
    std::string line = "coresim: conn " + std::to_string(id) + " seq " + std::to_string(h.seq) + " code " +
                       std::to_string(h.code) + " size " + std::to_string(h.size);
    if (!row) {
      line += " -> unknown, silent";
    } else if (replies.empty()) {
      line += " -> silent";
    } else {
      line += " -> " + std::to_string(replies.front().code);
      if (replies.size() > 1) line += " x" + std::to_string(replies.size());
    }
    if (!fields.empty()) line += " (" + fields + ")";
    line += "\n";
    fputs(line.c_str(), log_);  // one call: lines of concurrent connections stay whole
    fflush(log_);
  }
  if (json_log_) {
    JsonPtr j(json_object_new_object());
    json_add_int(j.get(), "time_ms", std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::system_clock::now().time_since_epoch()).count());
    json_add_int(j.get(), "conn", id);
    json_add_int(j.get(), "seq", h.seq);
    json_add_int(j.get(), "code", h.code);
    json_add_int(j.get(), "size", h.size);
    json_add_int(j.get(), "reply", replies.empty() ? 0 : replies.front().code);
    json_add_int(j.get(), "replies", static_cast<int64_t>(replies.size()));
    json_object_object_add(j.get(), "known", json_object_new_boolean(row != nullptr));
    if (!fields.empty()) {
      json_object_object_add(j.get(), "fields", json_object_new_string(fields.c_str()));
    } else {
      // An undecoded record: its first bytes in hex.
      static const char kHex[] = "0123456789abcdef";
      std::string hex;
      for (size_t i = 0; i < req.payload.size() && i < 64; ++i) {
        auto b = static_cast<unsigned char>(req.payload[i]);
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
      }
      json_object_object_add(j.get(), "payload", json_object_new_string(hex.c_str()));
    }
    std::string line = json_object_to_json_string_ext(j.get(), JSON_C_TO_STRING_PLAIN);
    line += "\n";
    fputs(line.c_str(), json_log_);
    fflush(json_log_);
  }
}
