#include "support/fake_daemon.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "base/paths.h"

FakeDaemon::FakeDaemon() : path_(dev_path(devpaths::kKvSocket)) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path_.size() >= sizeof addr.sun_path) throw std::runtime_error("socket path too long");
  memcpy(addr.sun_path, path_.data(), path_.size());
  unlink(path_.c_str());
  listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_fd_, 64) != 0 || pipe2(wake_, O_CLOEXEC) != 0)
    throw std::runtime_error("fake daemon cannot listen on " + path_);
  thread_ = std::thread(&FakeDaemon::loop, this);
}

FakeDaemon::~FakeDaemon() {
  {
    std::lock_guard<std::mutex> lk(mu_);
    stopping_ = true;
  }
  changed_.notify_all();
  char b = 0;
  (void)!write(wake_[1], &b, 1);
  thread_.join();
  close(listen_fd_);
  close(wake_[0]);
  close(wake_[1]);
  unlink(path_.c_str());
}

void FakeDaemon::loop() {
  std::vector<Conn> conns;
  for (;;) {
    std::vector<pollfd> fds = {{wake_[0], POLLIN, 0}, {listen_fd_, POLLIN, 0}};
    for (const Conn& c : conns) fds.push_back({c.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    // Data of an earlier connection was sent before a later one connected:
    // serving in connection order, before accepting, keeps the sending order.
    std::vector<Conn> open;
    for (size_t i = 0; i < conns.size(); ++i) {
      bool alive = !fds[i + 2].revents || serve_ready(conns[i]);
      if (alive) {
        open.push_back(conns[i]);
        continue;
      }
      close(conns[i].fd);
      std::lock_guard<std::mutex> lk(mu_);
      ++closed_;
    }
    conns = std::move(open);
    if (fds[1].revents & POLLIN) {
      int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        std::lock_guard<std::mutex> lk(mu_);
        conns.push_back({fd, static_cast<int>(++accepted_)});
      }
    }
    changed_.notify_all();
  }
  for (const Conn& c : conns) close(c.fd);
}

bool FakeDaemon::pause(int ms) {
  std::unique_lock<std::mutex> lk(mu_);
  changed_.wait_for(lk, std::chrono::milliseconds(ms), [&] { return stopping_; });
  return !stopping_;
}

bool FakeDaemon::serve_ready(const Conn& c) {
  for (;;) {
    if (!serve_one(c)) return false;
    pollfd p = {c.fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return true;
  }
}

bool FakeDaemon::serve_one(const Conn& c) {
  KvSockHeader h{};
  std::vector<char> payload;
  if (kv_read_msg(c.fd, &h, &payload) != kKvReadOk) return false;
  std::vector<FakeReply> replies;
  {
    std::lock_guard<std::mutex> lk(mu_);
    requests_.push_back({h.kind, h.seq, h.code, h.flags, std::string(payload.begin(), payload.end()), c.id});
    auto it = script_.find(h.code);
    if (it != script_.end()) replies = it->second;
  }
  changed_.notify_all();
  for (const FakeReply& r : replies) {
    if (r.delay_ms > 0 && !pause(r.delay_ms)) return false;
    bool ok;
    if (r.size >= 0) {
      KvSockHeader out{};
      memcpy(out.magic, kKvSockMagic, sizeof out.magic);
      out.kind = kKvSockKindReply;
      out.seq = h.seq;
      out.code = r.code;
      out.size = r.size;
      ok = kv_write_full(c.fd, &out, sizeof out) && kv_write_full(c.fd, r.payload.data(), r.payload.size());
    } else {
      ok = kv_write_msg(c.fd, kKvSockKindReply, h.seq, r.code, 0, r.payload.data(),
                        static_cast<int32_t>(r.payload.size())) == 0;
    }
    if (!ok) return false;
    {
      std::lock_guard<std::mutex> lk(mu_);
      ++replies_sent_;
    }
    changed_.notify_all();
  }
  return true;
}

FakeDaemon& FakeDaemon::reply(int32_t code, std::string payload, int delay_ms) {
  return reply_with(code, code + kKvSockReplyOffset, std::move(payload), delay_ms);
}

FakeDaemon& FakeDaemon::reply_with(int32_t code, int32_t reply_code, std::string payload, int delay_ms) {
  return reply_raw(code, FakeReply{reply_code, std::move(payload), delay_ms});
}

FakeDaemon& FakeDaemon::reply_raw(int32_t code, FakeReply r) {
  std::lock_guard<std::mutex> lk(mu_);
  script_[code].push_back(std::move(r));
  return *this;
}

FakeDaemon& FakeDaemon::silence(int32_t code) {
  std::lock_guard<std::mutex> lk(mu_);
  script_.erase(code);
  return *this;
}

std::vector<FakeRequest> FakeDaemon::requests() const {
  std::lock_guard<std::mutex> lk(mu_);
  return requests_;
}

std::vector<int32_t> FakeDaemon::codes() const {
  std::vector<int32_t> out;
  for (const FakeRequest& r : requests()) out.push_back(r.code);
  return out;
}

bool FakeDaemon::wait_count(const size_t& count, size_t n, int timeout_ms) const {
  std::unique_lock<std::mutex> lk(mu_);
  return changed_.wait_for(lk, std::chrono::milliseconds(timeout_ms), [&] { return count >= n; });
}

bool FakeDaemon::wait_requests(size_t n, int timeout_ms) const {
  std::unique_lock<std::mutex> lk(mu_);
  return changed_.wait_for(lk, std::chrono::milliseconds(timeout_ms), [&] { return requests_.size() >= n; });
}

bool FakeDaemon::wait_replies_sent(size_t n, int timeout_ms) const { return wait_count(replies_sent_, n, timeout_ms); }

bool FakeDaemon::wait_closed(size_t n, int timeout_ms) const { return wait_count(closed_, n, timeout_ms); }

size_t FakeDaemon::connections() const {
  std::lock_guard<std::mutex> lk(mu_);
  return accepted_;
}
