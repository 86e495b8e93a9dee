// Capture tool stand-in: keeps its arguments, one a line, in
// "/tmp/tcpdump.args" under the device root, writes the first rotating file
// ("-w NAME" with "-W" gives NAME0) as an empty capture with its file header,
// and runs until it is told to stop, as the real tool does.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/paths.h"

namespace {
volatile sig_atomic_t g_stop = 0;
void on_stop(int) { g_stop = 1; }

struct PcapHeader {
  uint32_t magic = 0xa1b2c3d4;
  uint16_t major = 2;
  uint16_t minor = 4;
  int32_t zone = 0;
  uint32_t sigfigs = 0;
  uint32_t snaplen = 262144;
  uint32_t link = 1;  // Ethernet
};
}  // namespace

int main(int argc, char** argv) {
  if (FILE* args = fopen(dev_path("/tmp/tcpdump.args").c_str(), "w")) {
    for (int i = 1; i < argc; ++i) fprintf(args, "%s\n", argv[i]);
    fclose(args);
  }
  std::string out;
  bool rotate = false;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-w") == 0 && i + 1 < argc) out = argv[++i];
    else if (strcmp(argv[i], "-W") == 0) rotate = true;
  }
  if (out.empty()) {
    fprintf(stderr, "tcpdump: no -w file\n");
    return 1;
  }
  if (rotate) out += "0";
  FILE* f = fopen(out.c_str(), "wb");
  if (!f) return 1;
  PcapHeader h;
  fwrite(&h, sizeof h, 1, f);
  fclose(f);
  signal(SIGTERM, on_stop);
  signal(SIGINT, on_stop);
  // A capture that nobody stops ends by itself, as the device watchdog would end it.
  for (int i = 0; i < 3000 && !g_stop; ++i) usleep(100000);
  return 0;
}
