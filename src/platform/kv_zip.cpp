#include "platform/kv_zip.h"

#include <cstring>

namespace {
constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr size_t kEndSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr uint32_t kUnixHost = 3;
constexpr uint32_t kTypeMask = 0170000;
constexpr uint32_t kTypeLink = 0120000;

uint32_t get(const std::string& d, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + static_cast<size_t>(i)]);
  return v;
}

void put(std::string& d, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) d += static_cast<char>((v >> (8 * i)) & 0xff);
}

bool fits(const std::string& d, size_t at, size_t len) { return at <= d.size() && len <= d.size() - at; }
}  // namespace

uint32_t zip_crc32(const std::string& bytes) {
  uint32_t c = 0xffffffffu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
  }
  return ~c;
}

bool zip_list(const std::string& d, std::vector<ZipEntry>* out) {
  out->clear();
  if (d.size() < kEndSize) return false;
  size_t end = d.size() - kEndSize;
  size_t lowest = d.size() > kEndSize + 0xffff ? d.size() - kEndSize - 0xffff : 0;
  while (get(d, end, 4) != kEndSig) {
    if (end == lowest) return false;
    --end;
  }
  uint32_t count = get(d, end + 10, 2);
  size_t at = get(d, end + 16, 4);
  for (uint32_t i = 0; i < count; ++i) {
    if (!fits(d, at, kCentralSize) || get(d, at, 4) != kCentralSig) return false;
    size_t name_len = get(d, at + 28, 2);
    size_t skip = name_len + get(d, at + 30, 2) + get(d, at + 32, 2);
    if (!fits(d, at + kCentralSize, skip)) return false;
    ZipEntry e;
    e.name.assign(d, at + kCentralSize, name_len);
    e.method = static_cast<uint16_t>(get(d, at + 10, 2));
    e.crc = get(d, at + 16, 4);
    e.csize = get(d, at + 20, 4);
    e.usize = get(d, at + 24, 4);
    e.local_offset = get(d, at + 42, 4);
    uint32_t host = get(d, at + 4, 2) >> 8;
    e.is_link = host == kUnixHost && ((get(d, at + 38, 4) >> 16) & kTypeMask) == kTypeLink;
    out->push_back(std::move(e));
    at += kCentralSize + skip;
  }
  return true;
}

bool zip_stored_data(const std::string& d, const ZipEntry& e, std::string* out) {
  size_t at = e.local_offset;
  if (e.method != 0 || e.csize != e.usize || !fits(d, at, kLocalSize) || get(d, at, 4) != kLocalSig) return false;
  size_t data_at = at + kLocalSize + get(d, at + 26, 2) + get(d, at + 28, 2);
  if (!fits(d, data_at, e.csize)) return false;
  out->assign(d, data_at, e.csize);
  return zip_crc32(*out) == e.crc;
}

std::string zip_build(const std::vector<ZipSource>& entries) {
  std::string body, dir;
  for (const ZipSource& s : entries) {
    uint32_t crc = zip_crc32(s.data);
    auto size = static_cast<uint32_t>(s.data.size());
    auto offset = static_cast<uint32_t>(body.size());
    auto name_len = static_cast<uint32_t>(s.name.size());
    put(body, kLocalSig, 4);
    for (uint32_t v : {10u, 0u, 0u, 0u, 0u}) put(body, v, 2);  // version, flags, method, time, date
    put(body, crc, 4);
    put(body, size, 4);
    put(body, size, 4);
    put(body, name_len, 2);
    put(body, 0, 2);
    body += s.name;
    body += s.data;

    put(dir, kCentralSig, 4);
    put(dir, kUnixHost << 8 | 20, 2);
    for (uint32_t v : {10u, 0u, 0u, 0u, 0u}) put(dir, v, 2);
    put(dir, crc, 4);
    put(dir, size, 4);
    put(dir, size, 4);
    put(dir, name_len, 2);
    for (int i = 0; i < 4; ++i) put(dir, 0, 2);  // extra, comment, disk, internal attributes
    put(dir, (s.link ? kTypeLink | 0777 : 0100644) << 16, 4);
    put(dir, offset, 4);
    dir += s.name;
  }
  std::string out = body + dir;
  put(out, kEndSig, 4);
  put(out, 0, 2);
  put(out, 0, 2);
  put(out, static_cast<uint32_t>(entries.size()), 2);
  put(out, static_cast<uint32_t>(entries.size()), 2);
  put(out, static_cast<uint32_t>(dir.size()), 4);
  put(out, static_cast<uint32_t>(body.size()), 4);
  put(out, 0, 2);
  return out;
}
