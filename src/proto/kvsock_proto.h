// Message socket framing, shared by the request program, the simulator and
// the test daemon: a 24-byte header and 0..1 MiB of payload, little-endian.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

static_assert(std::endian::native == std::endian::little, "records travel in host order");

inline constexpr char kKvSockMagic[4] = {'K', 'V', 'S', 'K'};
inline constexpr int32_t kKvSockKindRequest = 1;
inline constexpr int32_t kKvSockKindReply = 2;
inline constexpr int32_t kKvSockMaxPayload = 1 << 20;
inline constexpr int32_t kKvSockReplyOffset = 5000;  // reply code = request code + this

struct KvSockHeader {
  char magic[4];
  int32_t kind;
  int32_t seq;    // counted per connection from 1; a reply echoes its request's
  int32_t code;
  int32_t flags;
  int32_t size;   // payload bytes
};
static_assert(sizeof(KvSockHeader) == 24);
static_assert(offsetof(KvSockHeader, kind) == 4);
static_assert(offsetof(KvSockHeader, seq) == 8);
static_assert(offsetof(KvSockHeader, code) == 12);
static_assert(offsetof(KvSockHeader, flags) == 16);
static_assert(offsetof(KvSockHeader, size) == 20);

// Full-length transfers that retry on EINTR. Writes never raise SIGPIPE.
bool kv_write_full(int fd, const void* buf, size_t len);
bool kv_read_full(int fd, void* buf, size_t len);

// One framed message. Returns 0, or -1 for bad arguments or a failed write.
int kv_write_msg(int fd, int32_t kind, int32_t seq, int32_t code, int32_t flags, const void* payload,
                 int32_t len);

enum KvReadResult { kKvReadOk = 0, kKvReadClosed = -1, kKvReadBadFrame = -2 };

// Reads one message; payload gets exactly header.size bytes. A wrong magic or
// a size outside 0..1 MiB is kKvReadBadFrame: the stream cannot be resynchronised.
KvReadResult kv_read_msg(int fd, KvSockHeader* head, std::vector<char>* payload);

// Payload bytes of a record, and a record back from payload bytes (missing
// bytes stay zero; false when the sizes differ).
template <class T>
std::string bytes_of(const T& rec) {
  static_assert(std::is_trivially_copyable_v<T>);
  return std::string(reinterpret_cast<const char*>(&rec), sizeof rec);
}

template <class T>
bool record_from(std::string_view bytes, T* rec) {
  static_assert(std::is_trivially_copyable_v<T>);
  *rec = T{};
  memcpy(rec, bytes.data(), bytes.size() < sizeof(T) ? bytes.size() : sizeof(T));
  return bytes.size() == sizeof(T);
}
