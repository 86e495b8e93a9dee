#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "platform/kvdb.h"

// "webcgi --routes" lists the route table instead of serving a request; never
// under a web server, which may pass query words as arguments.
int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--routes") == 0 && !getenv("GATEWAY_INTERFACE")) return ListWebRoutes(stdout) > 0 ? 0 : 1;
#ifndef NVR_RECORDER_BUILD
  // Off the recorder an empty root would be the host's own /mnt/nand and /tmp.
  const char* root = getenv("NVR_ROOT");
  if (!root || !*root) {
    fputs("webcgi: NVR_ROOT is not set: a host build runs only on a device root (NVR_ROOT=DIR)\n", stderr);
    return 2;
  }
#endif
  kvdb::keep_connections(true);  // one request: read each schema once
  // The kept connections stay open to the end: no transaction is open between
  // calls, and the process's exit releases the files at no cost.
  return cgiMainRun(stdin, stdout);
}
