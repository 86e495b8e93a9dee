#include "relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "base/paths.h"
#include "platform/kv_p2p.h"
#include "platform/net_socket.h"
#include "proto/p2p_proto.h"

using namespace p2p;

namespace {
constexpr const char* kRelayKeyFile = "/tmp/p2p_relay_key.pem";
// A device makes its RSA key after connecting, which takes a slow CPU (or an
// emulated one) several seconds: the relay waits that long for it.
constexpr int kTimeoutMs = 30000;

std::string text_of(const char* p, size_t width) { return std::string(p, strnlen(p, width)); }

// A registration code of the device: the serial number and MAC hashed.
std::string grant_code(const std::string& sn, const std::string& mac) {
  uint64_t h = 1469598103934665603ull;
  for (char c : sn + "/" + mac) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char buf[40];
  snprintf(buf, sizeof buf, "VH-%016" PRIX64, h);
  return buf;
}

bool send_plain(int fd, const void* p, size_t n) { return send(fd, p, n, MSG_NOSIGNAL) == static_cast<ssize_t>(n); }
}  // namespace

int CoreRelay::start(int port, RelayMode mode) {
  mode_ = mode;
  key_path_ = dev_path(kRelayKeyFile);
  if (p2p_create_keyfile(key_path_.c_str()) != 0) {
    error_ = "cannot write the relay key " + key_path_;
    return -1;
  }
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listen_fd_, 8) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
    error_ = "relay port " + std::to_string(port) + ": " + strerror(errno);
    stop();
    return -1;
  }
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { loop(); });
  return 0;
}

void CoreRelay::stop() {
  if (thread_.joinable()) {
    (void)!write(wake_[1], "x", 1);
    thread_.join();
  }
  for (int* fd : {&listen_fd_, &wake_[0], &wake_[1]})
    if (*fd >= 0) {
      close(*fd);
      *fd = -1;
    }
  if (!key_path_.empty()) unlink(key_path_.c_str());
}

std::map<std::string, std::string> CoreRelay::registrations() const {
  std::lock_guard<std::mutex> lk(mu_);
  return granted_;
}

void CoreRelay::loop() {
  for (;;) {
    pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    timeval tv{kTimeoutMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    serve(fd);
    socket_destroy(fd);
  }
}

void CoreRelay::serve(int fd) {
  if (mode_ == RelayMode::kBadKey) {
    const char junk[] = "\x10\0\0\0not a public key";
    send_plain(fd, junk, sizeof junk - 1);
    return;
  }
  if (p2p_cli_switch_keyfile(fd, key_path_.c_str()) != 0 || mode_ == RelayMode::kDrop) return;
  char work[kWorkBuffer];
  RelayHeader head{};
  RelayRegistration reg{};
  if (p2p_recv(fd, &head, sizeof head, rsa_cal_ensize(sizeof head), work, sizeof work) != static_cast<int>(sizeof head) ||
      head.type != kMsgRegister || head.body_size <= 0 || head.body_size > kWorkBuffer ||
      p2p_recv(fd, &reg, sizeof reg, static_cast<int>(head.body_size), work, sizeof work) != static_cast<int>(sizeof reg))
    return;
  const std::string sn = text_of(reg.sn, sizeof reg.sn), mac = text_of(reg.mac, sizeof reg.mac);
  bool granted = false;
  {
    std::lock_guard<std::mutex> lk(mu_);
    auto it = granted_.find(sn);
    granted = !sn.empty() && (it == granted_.end() || it->second == mac);
    if (granted) granted_[sn] = mac;
  }
  RelayHeader answer{};
  answer.type = kMsgAnswer;
  answer.result = granted ? kRelayAccepted : kRelayRefused;
  RelayGrant grant{};
  if (granted) {
    snprintf(grant.text, sizeof grant.text, "%s", grant_code(sn, mac).c_str());
    answer.body_size = rsa_cal_ensize(sizeof grant);
    answer.count = 1;
  }
  if (log_)
    fprintf(log_, "relay: %s %s (%s, %s)\n", granted ? "granted" : "refused", sn.c_str(), mac.c_str(),
            text_of(reg.deviceName, sizeof reg.deviceName).c_str());
  if (log_) fflush(log_);
  if (p2p_send(fd, &answer, sizeof answer, work, sizeof work) < 0 || !granted) return;
  p2p_send(fd, &grant, sizeof grant, work, sizeof work);
}
