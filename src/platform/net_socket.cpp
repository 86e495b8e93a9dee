#include "platform/net_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/kv_p2p.h"

namespace {
// Non-blocking connect bounded by timeout_ms, then back to blocking.
bool connect_within(int fd, const sockaddr* a, socklen_t len, int timeout_ms) {
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
  bool ok = connect(fd, a, len) == 0;
  if (!ok && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int err = 0;
    socklen_t elen = sizeof err;
    ok = poll(&p, 1, timeout_ms) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &elen) == 0 && err == 0;
  }
  return fcntl(fd, F_SETFL, flags) == 0 && ok;
}
}  // namespace

int socket_create() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }

int socket_connect(int fd, const char* host, int port, int timeout_ms) {
  if (fd < 0 || !host || !*host || port <= 0 || port > 65535) return -1;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  char service[8];
  snprintf(service, sizeof service, "%d", port);
  addrinfo* list = nullptr;
  if (getaddrinfo(host, service, &hints, &list) != 0) return -1;
  bool ok = false;
  for (addrinfo* p = list; p && !ok; p = p->ai_next) ok = connect_within(fd, p->ai_addr, p->ai_addrlen, timeout_ms);
  freeaddrinfo(list);
  if (!ok) return -1;
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  return 0;
}

void socket_destroy(int fd) {
  if (fd < 0) return;
  p2p_forget_keys(fd);
  close(fd);
}
