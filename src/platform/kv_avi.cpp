#include "platform/kv_avi.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "proto/stream_proto.h"

using stream::FrameHeader;

namespace {
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kIndexKeyFrame = 0x10;
constexpr uint32_t kHeaderBytes = 224;    // RIFF header up to the first frame chunk
constexpr uint32_t kHdrlBytes = 192;      // 'hdrl' list after its size word
constexpr uint64_t kMaxRiffBytes = 0xFFFFFFF0u;
// Used when the first frame leaves them out (or there is no frame at all).
constexpr int32_t kDefaultFps = 25;
constexpr int32_t kMaxFps = 240;
constexpr int32_t kMaxSide = 16384;

struct IndexEntry {
  uint32_t flags;
  uint32_t offset;
  uint32_t size;
};

void put_tag(std::string& b, const char* tag) { b.append(tag, 4); }
void put32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
}
void put16(std::string& b, uint16_t v) {
  b.push_back(static_cast<char>(v));
  b.push_back(static_cast<char>(v >> 8));
}

int32_t bounded(int32_t v, int32_t max, int32_t fallback) { return v > 0 && v <= max ? v : fallback; }

// Raw frames ("DIB ") are uncompressed bitmaps; every other code is a compressed stream.
bool raw_frames(const FrameHeader& h) { return memcmp(h.codec, "DIB ", 4) == 0; }
}  // namespace

struct KvAvi {
  FILE* fp = nullptr;
  long start = -1;  // offset of "RIFF" in the stream, -1 when it cannot seek
  bool begun = false;
  bool have_head = false;
  FrameHeader head{};   // header of the frame whose data comes next
  FrameHeader first{};  // the stream's description: the first frame's header
  std::vector<IndexEntry> index;
  uint64_t movi_bytes = 0;  // frame chunks written after the 'movi' tag
  bool failed = false;

  const char* chunk_id() const { return raw_frames(first) ? "00db" : "00dc"; }
  bool put(const std::string& b) { return put(b.data(), b.size()); }
  bool put(const void* p, size_t n) {
    if (!failed && n && fwrite(p, 1, n, fp) != n) failed = true;
    return !failed;
  }

  // The header up to the first frame; counts of 0 mean "unknown".
  std::string header(uint32_t frames, uint32_t riff_bytes, uint32_t movi_list_bytes) const {
    const int32_t w = bounded(first.width, kMaxSide, 0), h = bounded(first.height, kMaxSide, 0);
    const int32_t fps = bounded(first.fps, kMaxFps, kDefaultFps);
    const bool raw = raw_frames(first);
    const char* codec = first.codec[0] ? first.codec : "H264";
    const uint32_t image = static_cast<uint32_t>(w) * static_cast<uint32_t>(h) * 3;
    std::string b;
    put_tag(b, "RIFF"), put32(b, riff_bytes), put_tag(b, "AVI ");
    put_tag(b, "LIST"), put32(b, kHdrlBytes), put_tag(b, "hdrl");
    put_tag(b, "avih"), put32(b, 56);
    put32(b, static_cast<uint32_t>(1000000 / fps)), put32(b, 0), put32(b, 0), put32(b, kAvifHasIndex);
    put32(b, frames), put32(b, 0), put32(b, 1), put32(b, image), put32(b, w), put32(b, h);
    for (int i = 0; i < 4; ++i) put32(b, 0);
    put_tag(b, "LIST"), put32(b, 116), put_tag(b, "strl");
    put_tag(b, "strh"), put32(b, 56), put_tag(b, "vids");
    if (raw)
      put32(b, 0);
    else
      b.append(codec, 4);
    put32(b, 0), put32(b, 0), put32(b, 0);  // flags, priority and language, initial frames
    put32(b, 1), put32(b, static_cast<uint32_t>(fps)), put32(b, 0), put32(b, frames);  // scale, rate, start, length
    put32(b, image), put32(b, 0xFFFFFFFFu), put32(b, 0);  // buffer, quality, sample size
    put16(b, 0), put16(b, 0), put16(b, static_cast<uint16_t>(w)), put16(b, static_cast<uint16_t>(h));
    put_tag(b, "strf"), put32(b, 40);
    put32(b, 40), put32(b, w), put32(b, h), put16(b, 1), put16(b, 24);
    if (raw)
      put32(b, 0);
    else
      b.append(codec, 4);
    put32(b, image), put32(b, 0), put32(b, 0), put32(b, 0), put32(b, 0);
    put_tag(b, "LIST"), put32(b, movi_list_bytes), put_tag(b, "movi");
    return b;
  }

  bool begin() {
    long pos = ftell(fp);
    start = pos >= 0 && fseek(fp, pos, SEEK_SET) == 0 ? pos : -1;
    begun = true;
    return put(header(0, 0, 0));
  }

  int frame(const void* data, int len) {
    const uint64_t padded = static_cast<uint64_t>(len) + (len & 1);
    if (kHeaderBytes + movi_bytes + 8 + padded + 8 + 16 * (index.size() + 1) > kMaxRiffBytes) return -1;
    if (!begun && !begin()) return -1;
    std::string b;
    put_tag(b, chunk_id()), put32(b, static_cast<uint32_t>(len));
    static const char kPad = 0;
    if (!put(b) || !put(data, static_cast<size_t>(len)) || ((len & 1) && !put(&kPad, 1))) return -1;
    index.push_back({head.frame_type == stream::kKeyFrame ? kIndexKeyFrame : 0,
                     static_cast<uint32_t>(movi_bytes + 4), static_cast<uint32_t>(len)});
    movi_bytes += 8 + padded;
    return 0;
  }

  int finish() {
    if (!begun && !begin()) return -1;
    std::string b;
    put_tag(b, "idx1"), put32(b, static_cast<uint32_t>(16 * index.size()));
    for (const IndexEntry& e : index) put_tag(b, chunk_id()), put32(b, e.flags), put32(b, e.offset), put32(b, e.size);
    if (!put(b)) return -1;
    if (start >= 0) {
      const uint64_t total = kHeaderBytes + movi_bytes + b.size();
      long end = ftell(fp);
      if (end < 0 || fseek(fp, start, SEEK_SET) != 0) return -1;
      put(header(static_cast<uint32_t>(index.size()), static_cast<uint32_t>(total - 8),
                 static_cast<uint32_t>(4 + movi_bytes)));
      if (fseek(fp, end, SEEK_SET) != 0) failed = true;
    }
    if (fflush(fp) != 0) failed = true;
    return failed ? -1 : 0;
  }
};

KvAvi* kv_avi_open_fp(FILE* fp, int mode) {
  if (!fp || mode != 0) return nullptr;
  KvAvi* avi = new (std::nothrow) KvAvi;
  if (avi) avi->fp = fp;
  return avi;
}

int kv_avi_write_fp_ex(KvAvi* avi, const void* buf, int len) {
  if (!avi || !buf || len < 0 || avi->failed) return -1;
  if (!avi->have_head) {
    if (len != static_cast<int>(sizeof(FrameHeader))) return -1;
    memcpy(&avi->head, buf, sizeof avi->head);
    if (!avi->begun) avi->first = avi->head;
    avi->have_head = true;
    return 0;
  }
  avi->have_head = false;
  return avi->frame(buf, len);
}

int kv_avi_close_fp(KvAvi* avi) {
  if (!avi) return -1;
  int rc = avi->finish();
  delete avi;
  return rc;
}
