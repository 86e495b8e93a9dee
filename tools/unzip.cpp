// Archive tool stand-in for branding packages: "unzip -o ZIP -d DIR" writes
// the stored entries of ZIP under DIR (device paths, under NVR_ROOT),
// replacing files. Like the device's tool it skips entries that would leave
// DIR (absolute names, "..", links); it knows stored entries only.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kv_zip.h"

namespace {
bool inside(const ZipEntry& e) {
  if (e.is_link || e.name.empty() || e.name[0] == '/') return false;
  std::string n = "/" + e.name + "/";
  return n.find("/../") == std::string::npos && n.find('\\') == std::string::npos;
}

bool make_dirs(const std::string& path) {
  for (size_t at = 1; (at = path.find('/', at)) != std::string::npos; ++at) {
    if (mkdir(path.substr(0, at).c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || strcmp(argv[1], "-o") != 0 || strcmp(argv[3], "-d") != 0) {
    fprintf(stderr, "usage: unzip -o ZIP -d DIR\n");
    return 2;
  }
  std::ifstream in(dev_path(argv[2]), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string zip = ss.str();
  std::vector<ZipEntry> entries;
  if (!in || !zip_list(zip, &entries)) {
    fprintf(stderr, "unzip: %s: not an archive\n", argv[2]);
    return 9;
  }
  std::string dir = dev_path(argv[4]);
  int rc = 0;
  for (const ZipEntry& e : entries) {
    std::string data;
    std::string path = dir + "/" + e.name;
    if (!inside(e)) {
      fprintf(stderr, "unzip: skipped %s\n", e.name.c_str());
      rc = 1;
    } else if (e.name.back() == '/') {
      if (!make_dirs(path)) rc = 2;
    } else if (!zip_stored_data(zip, e, &data) || !make_dirs(path)) {
      fprintf(stderr, "unzip: %s: cannot extract\n", e.name.c_str());
      rc = 2;
    } else {
      unlink(path.c_str());  // never write through a link left in the target
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(data.data(), static_cast<std::streamsize>(data.size()));
      if (!out) rc = 2;
    }
  }
  return rc;
}
