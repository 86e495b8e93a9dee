#include "common/download.h"

#include <unistd.h>

#include <cstdio>

#include "cgi/cgic.h"
#include "common/ipc.h"

bool answer_attachment(const char* path, const char* name) {
  FILE* in = path ? fopen(path, "rbe") : nullptr;
  if (!in || !cgiOut) {
    if (in) fclose(in);
    return false;
  }
  fputs("Content-Type:application/octet-stream\r\n", cgiOut);
  fprintf(cgiOut, "Content-Disposition: attachment; filename= %s\r\n\r\n", name ? name : "");
  char buf[8192];
  size_t n;
  bool whole = true;
  while ((n = fread(buf, 1, sizeof buf, in)) > 0)
    if (fwrite(buf, 1, n, cgiOut) != n) whole = false;
  whole = whole && !ferror(in);
  fclose(in);
  fflush(cgiOut);
  g_callback_done = 1;
  // A download cut short keeps the file for another try.
  if (whole) unlink(path);
  return true;
}
