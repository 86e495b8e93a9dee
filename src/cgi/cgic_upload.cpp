// Upload routes: the parsed "file" entry becomes the request text.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cgi/cgic.h"
#include "cgi/cgic_internal.h"
#include "cgi/dispatchreq.h"
#include "base/text.h"

namespace {
constexpr size_t kRouteSize = 128;
constexpr size_t kNameSize = 128;
constexpr size_t kTextSize = 1088;
constexpr size_t kParamMax = 256;
constexpr size_t kExtMax = 32;  // extensions this long or longer are dropped
constexpr int kNameAttempts = 1000;

// Routes whose handler reads the body itself or needs no file.
const char* const kTempRoutes[] = {"/1010", "/6082", "/2079"};
// Routes that take the temporary file where it lies.
const char* const kInPlaceRoutes[] = {"/1019", "/oem"};
// Files in the temporary directory that other routes trust: an upload never
// takes their names, not even while they are absent.
const char* const kReservedNames[] = {"kvcore",  "pbdownload",     "cgilockfile", "chipinfo.txt",
                                      "oem.zip", "tmp_diagnostic", "log"};

template <size_t N>
bool listed(const char* text, const char* const (&list)[N]) {
  for (const char* s : list)
    if (strcmp(text, s) == 0) return true;
  return false;
}

bool is_dropped(unsigned char c) { return c < 32 || c == '/' || c == '\\'; }

// Copies src without control characters and path separators.
void copy_clean(char* dst, size_t size, const char* src) {
  size_t n = 0;
  for (; *src && n + 1 < size; ++src)
    if (!is_dropped(static_cast<unsigned char>(*src))) dst[n++] = *src;
  dst[n] = '\0';
}

const char* base_name(const char* file_name) {
  const char* base = file_name;
  for (const char* p = file_name; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  return base;
}

// The client's own name when it is harmless here; false otherwise.
bool client_name(const char* base, char (&safe)[kNameSize]) {
  if (!base[0] || strlen(base) >= kNameSize || strstr(base, "..")) return false;
  copy_clean(safe, sizeof safe, base);
  return safe[0] && safe[0] != '.' && !listed(safe, kReservedNames);
}

// "upload_<time><ext>", with "_<n>" before the extension from the second try.
void generated_name(const char* base, long now, int attempt, char (&out)[kNameSize]) {
  char ext[kExtMax] = "";
  const char* dot = strrchr(base, '.');
  if (dot && strlen(dot) < kExtMax) copy_clean(ext, sizeof ext, dot);
  if (attempt == 0)
    snprintf(out, sizeof out, "upload_%ld%s", now, ext);
  else
    snprintf(out, sizeof out, "upload_%ld_%d%s", now, attempt, ext);
}

// Renames from -> to unless `to` exists; errno EEXIST when it does.
bool move_no_replace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  if (link(from, to) != 0) return false;
  unlink(from);
  return true;
}

// Moves the entry's temporary file to a name of its own in the same
// directory, never replacing a file. Writes the new path into path.
bool move_to_safe_name(cgiFormEntry* e, const char* base, char* path, size_t size) {
  const char* slash = strrchr(e->tfileName, '/');
  if (!slash) return false;
  int dir_len = static_cast<int>(slash - e->tfileName);
  char name[kNameSize];
  long now = static_cast<long>(time(nullptr));
  // Attempt -1 is the client's own name, when usable.
  for (int attempt = client_name(base, name) ? -1 : 0; attempt < kNameAttempts; ++attempt) {
    if (attempt >= 0) generated_name(base, now, attempt, name);
    int n = snprintf(path, size, "%.*s/%s", dir_len, e->tfileName, name);
    if (n < 0 || static_cast<size_t>(n) >= size) return false;
    if (move_no_replace(e->tfileName, path)) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// " & <text after "param:" up to '&'>", or "" without one.
void param_suffix(char (&out)[kParamMax + 4]) {
  out[0] = '\0';
  const char* p = strstr(cgiQueryString, "param:");
  if (!p) return;
  p += strlen("param:");
  size_t n = strcspn(p, "&");
  if (n > kParamMax) n = kParamMax;
  snprintf(out, sizeof out, " & %.*s", static_cast<int>(n), p);
}
bool g_upload_kept = false;
}  // namespace

void cgiKeepUpload() { g_upload_kept = true; }

void cgiDealUpload() {
  char route[kRouteSize];
  copy_text(route, cgiPathInfo);
  if (!route[0]) return;
  char text[kTextSize];
  if (listed(route, kTempRoutes)) {
    snprintf(text, sizeof text, "%s & %s", "temp", cgiQueryString);
    DispatchWebReq(route, text);
    return;
  }
  char file_name[kNameSize];
  if (cgiFormFileName("file", file_name, sizeof file_name) != cgiFormSuccess) return;
  const char* base = base_name(file_name);
  cgiFormEntry* e = cgiFormEntryFind("file");
  if (!e || !e->tfileName[0]) return;
  // Without a handler nobody would ever remove a kept file.
  if (!FindWebRes(route)) return;

  if (listed(route, kInPlaceRoutes)) {
    snprintf(text, sizeof text, "%s & %s", e->tfileName, cgiQueryString);
    DispatchWebReq(route, text);
    return;
  }
  char suffix[kParamMax + 4];
  param_suffix(suffix);
  char path[kTextSize];
  // The path must reach the handler whole, with room for the suffix.
  if (!move_to_safe_name(e, base, path, sizeof text - strlen(suffix))) return;
  // The file is the route's now: release must neither remove it nor, once its
  // old name is reused by another request, that request's file.
  char* moved = strdup(path);
  if (moved) {
    free(e->tfileName);
    e->tfileName = moved;
  }
  e->keepFile = 1;
  snprintf(text, sizeof text, "%s%s", path, suffix);
  g_upload_kept = false;
  DispatchWebReq(route, text);
  // Not taken over: the release removes it (the entry now names the moved file).
  if (!g_upload_kept) e->keepFile = 0;
}
