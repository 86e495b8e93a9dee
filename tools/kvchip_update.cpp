// Chip tool stand-in: keeps the 32-character chip text in a file under the
// device root. "-r 32" prints it as "Read old:<text>"; one argument writes it.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/paths.h"

namespace {
constexpr size_t kChipLen = 32;
constexpr const char* kFactoryChip = "KVN000000H00E0000000S00000000000";

std::string read_chip() {
  std::string text = kFactoryChip;
  if (FILE* f = fopen(dev_path(devpaths::kChipStore).c_str(), "r")) {
    char buf[64] = {0};
    if (fgets(buf, sizeof buf, f)) {
      buf[strcspn(buf, "\r\n")] = '\0';
      if (strlen(buf) == kChipLen) text = buf;
    }
    fclose(f);
  }
  return text;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "-r") == 0) {
    printf("Read old:%s\n", read_chip().c_str());
    return 0;
  }
  if (argc == 2 && strlen(argv[1]) == kChipLen) {
    FILE* f = fopen(dev_path(devpaths::kChipStore).c_str(), "w");
    if (!f) return 1;
    fprintf(f, "%s\n", argv[1]);
    return fclose(f) == 0 ? 0 : 1;
  }
  fprintf(stderr, "usage: kvchip_update -r 32 | kvchip_update <32-character chip text>\n");
  return 2;
}
