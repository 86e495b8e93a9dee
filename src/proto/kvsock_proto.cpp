#include "proto/kvsock_proto.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

bool kv_write_full(int fd, const void* buf, size_t len) {
  const char* p = static_cast<const char*>(buf);
  while (len > 0) {
    ssize_t n = send(fd, p, len, MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK) n = write(fd, p, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

bool kv_read_full(int fd, void* buf, size_t len) {
  char* p = static_cast<char*>(buf);
  while (len > 0) {
    ssize_t n = read(fd, p, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

int kv_write_msg(int fd, int32_t kind, int32_t seq, int32_t code, int32_t flags, const void* payload,
                 int32_t len) {
  if (len < 0 || len > kKvSockMaxPayload || (len > 0 && !payload)) return -1;
  KvSockHeader h{};
  memcpy(h.magic, kKvSockMagic, sizeof h.magic);
  h.kind = kind;
  h.seq = seq;
  h.code = code;
  h.flags = flags;
  h.size = len;
  // Header and payload leave in one buffer; callers sharing a fd serialise writes.
  std::vector<char> msg(sizeof h + static_cast<size_t>(len));
  memcpy(msg.data(), &h, sizeof h);
  if (len > 0) memcpy(msg.data() + sizeof h, payload, static_cast<size_t>(len));
  return kv_write_full(fd, msg.data(), msg.size()) ? 0 : -1;
}

KvReadResult kv_read_msg(int fd, KvSockHeader* head, std::vector<char>* payload) {
  if (!kv_read_full(fd, head, sizeof *head)) return kKvReadClosed;
  if (memcmp(head->magic, kKvSockMagic, sizeof head->magic) != 0 || head->size < 0 ||
      head->size > kKvSockMaxPayload)
    return kKvReadBadFrame;
  payload->resize(static_cast<size_t>(head->size));
  if (head->size > 0 && !kv_read_full(fd, payload->data(), payload->size())) return kKvReadClosed;
  return kKvReadOk;
}
