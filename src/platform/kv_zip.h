// Zip archives of branding packages: the directory of an archive and the
// bytes of its stored entries. Nothing here trusts the archive: every offset
// and length is checked against the data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
  std::string name;  // as stored, unchecked
  uint16_t method;   // 0 stored, 8 deflated
  uint32_t crc;
  uint32_t csize;
  uint32_t usize;
  uint32_t local_offset;
  bool is_link;      // a symbolic link made on a Unix system
};

// Entries of the central directory; false for a damaged archive.
bool zip_list(const std::string& data, std::vector<ZipEntry>* out);
// The bytes of a stored entry, checked against its CRC; false otherwise.
bool zip_stored_data(const std::string& data, const ZipEntry& e, std::string* out);
uint32_t zip_crc32(const std::string& bytes);

// One entry for zip_build: a file, or a symbolic link to `data`.
struct ZipSource {
  std::string name;
  std::string data;
  bool link = false;
};
// An archive of stored entries.
std::string zip_build(const std::vector<ZipSource>& entries);
