// Environment capture file: the request globals and the form entries, so a
// request can be replayed later.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cgi/cgic.h"
#include "cgi/cgic_internal.h"
#include "base/text.h"

namespace {
constexpr char kVersion[] = "CGIC2.0";
constexpr int32_t kMaxText = 1 << 20;  // no captured text is longer
constexpr size_t kPathSize = 4096;
constexpr size_t kCopyChunk = 8192;

// The texts in file order; the content type is kept in its fixed buffer.
char** const kTexts[] = {
    &cgiServerSoftware, &cgiServerName, &cgiGatewayInterface, &cgiServerProtocol, &cgiServerPort,
    &cgiRequestMethod,  &cgiPathInfo,   &cgiPathTranslated,   &cgiScriptName,     &cgiQueryString,
    &cgiRemoteHost,     &cgiRemoteAddr, &cgiAuthType,         &cgiRemoteUser,     &cgiRemoteIdent,
    &cgiContentType,    &cgiAccept,     &cgiUserAgent,        &cgiReferrer,       &cgiCookie,
};
constexpr size_t kTextCount = sizeof kTexts / sizeof kTexts[0];

// ---- Writing ----

bool put_int(FILE* f, int32_t v) { return fwrite(&v, sizeof v, 1, f) == 1; }

bool put_bytes(FILE* f, const char* s, int32_t len) {
  return put_int(f, len) &&
         (len == 0 || fwrite(s, 1, static_cast<size_t>(len), f) == static_cast<size_t>(len));
}

bool put_text(FILE* f, const char* s) {
  return put_bytes(f, s ? s : "", static_cast<int32_t>(strlen(s ? s : "")));
}

// Copies exactly len bytes from in to out; false when either side falls short.
bool copy_bytes(FILE* in, FILE* out, size_t len) {
  char buf[kCopyChunk];
  while (len) {
    size_t n = fread(buf, 1, len < sizeof buf ? len : sizeof buf, in);
    if (n == 0 || fwrite(buf, 1, n, out) != n) return false;
    len -= n;
  }
  return true;
}

// Appends exactly len bytes of the file at path.
bool put_file(FILE* f, const char* path, int32_t len) {
  FILE* in = fopen(path, "rb");
  if (!in) return false;
  bool ok = copy_bytes(in, f, static_cast<size_t>(len));
  fclose(in);
  return ok;
}

bool put_entry(FILE* f, const cgiFormEntry* e) {
  bool file = e->tfileName && e->tfileName[0];
  if (!put_text(f, e->attr)) return false;
  if (!put_bytes(f, e->value, file ? 0 : e->valueLength)) return false;
  if (!put_text(f, e->fileName) || !put_text(f, e->contentType)) return false;
  if (!put_int(f, e->valueLength) || !put_int(f, file ? 1 : 0)) return false;
  return !file || put_file(f, e->tfileName, e->valueLength);
}

bool put_all(FILE* f) {
  if (!put_text(f, kVersion)) return false;
  for (char** g : kTexts)
    if (!put_text(f, *g)) return false;
  if (!put_int(f, cgiContentLength) || !put_text(f, cgiServerAddr)) return false;
  for (const cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next)
    if (!put_entry(f, e)) return false;
  return true;
}

// ---- Reading ----

// A capture file being read; every length is checked against what is left.
struct Reader {
  FILE* f;
  long size;
  cgiEnvironmentResultType error = cgiEnvironmentIO;

  long left() const {
    long pos = ftell(f);
    return pos < 0 ? 0 : size - pos;
  }

  bool get_int(int32_t* v) { return fread(v, sizeof *v, 1, f) == 1; }

  // A byte count that this file can hold, within limit.
  bool get_length(int32_t* len, long limit) {
    return get_int(len) && *len >= 0 && *len <= limit && *len <= left();
  }

  // Text with its bytes, terminated; *len gets its length.
  char* get_text(int32_t* len = nullptr) {
    int32_t n;
    if (!get_length(&n, kMaxText)) return nullptr;
    char* s = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
    if (!s) {
      error = cgiEnvironmentMemory;
      return nullptr;
    }
    if (n && fread(s, 1, static_cast<size_t>(n), f) != static_cast<size_t>(n)) {
      free(s);
      return nullptr;
    }
    s[n] = '\0';
    if (len) *len = n;
    return s;
  }

  // Copies len bytes into a new temporary file; its path goes into path.
  bool get_file(int32_t len, char* path, size_t size) {
    FILE* out = cgiTempFileCreate(path, size);
    if (!out) return false;
    bool copied = copy_bytes(f, out, static_cast<size_t>(len));
    if (fclose(out) != 0 || !copied) {
      unlink(path);
      path[0] = '\0';
      return false;
    }
    return true;
  }
};

// Texts restored so far; owned until installed into the globals.
struct Restored {
  char* texts[kTextCount] = {};
  char* server_addr = nullptr;
  int32_t content_length = 0;
  cgiFormEntry* entries = nullptr;

  ~Restored() {
    for (char* t : texts) free(t);
    free(server_addr);
    cgiFormEntryListDelete(entries);
  }
};

struct EntryTexts {
  char* attr = nullptr;
  char* value = nullptr;
  char* file_name = nullptr;
  char* content_type = nullptr;
  ~EntryTexts() {
    free(attr);
    free(value);
    free(file_name);
    free(content_type);
  }
};

enum class EntryRead { Done, Added, Failed };

EntryRead read_entry(Reader& r, cgiFormEntry**& tail) {
  if (r.left() == 0) return EntryRead::Done;
  EntryTexts t;
  int32_t value_text_len = 0, value_length = 0, is_file = 0;
  if (!(t.attr = r.get_text()) || !(t.value = r.get_text(&value_text_len)) || !(t.file_name = r.get_text()) ||
      !(t.content_type = r.get_text()))
    return EntryRead::Failed;
  if (!r.get_int(&value_length) || !r.get_int(&is_file)) return EntryRead::Failed;
  char tpath[kPathSize] = "";
  if (is_file == 1) {
    if (value_text_len != 0 || value_length < 0 || value_length > r.left()) return EntryRead::Failed;
    if (!r.get_file(value_length, tpath, sizeof tpath)) return EntryRead::Failed;
  } else if (is_file != 0 || value_length != value_text_len) {
    return EntryRead::Failed;  // a memory value is exactly its text
  }
  cgiFormEntry* e = cgiFormEntryNew(t.attr, "", 0, t.file_name, t.content_type, tpath);
  if (!e) {
    if (tpath[0]) unlink(tpath);
    r.error = cgiEnvironmentMemory;
    return EntryRead::Failed;
  }
  free(e->value);
  e->value = t.value;
  t.value = nullptr;
  e->valueLength = value_length;
  *tail = e;
  tail = &e->next;
  return EntryRead::Added;
}

cgiEnvironmentResultType read_all(Reader& r, Restored& out) {
  int32_t vlen;
  char version[sizeof kVersion];
  if (!r.get_int(&vlen)) return cgiEnvironmentIO;
  if (vlen != static_cast<int32_t>(sizeof kVersion - 1)) return cgiEnvironmentWrongVersion;
  if (fread(version, 1, sizeof kVersion - 1, r.f) != sizeof kVersion - 1) return cgiEnvironmentIO;
  if (memcmp(version, kVersion, sizeof kVersion - 1) != 0) return cgiEnvironmentWrongVersion;
  for (char*& t : out.texts)
    if (!(t = r.get_text())) return r.error;
  if (!r.get_int(&out.content_length)) return cgiEnvironmentIO;
  if (!(out.server_addr = r.get_text())) return r.error;
  cgiFormEntry** tail = &out.entries;
  for (;;) {
    EntryRead e = read_entry(r, tail);
    if (e == EntryRead::Done) return cgiEnvironmentSuccess;
    if (e == EntryRead::Failed) return r.error;
  }
}

void install(Restored& in) {
  cgiFreeResources();
  for (size_t i = 0; i < kTextCount; ++i) {
    if (kTexts[i] == &cgiContentType) {
      copy_text(cgiContentTypeData, in.texts[i]);
      cgiContentType = cgiContentTypeData;
      free(in.texts[i]);
    } else {
      *kTexts[i] = in.texts[i];
    }
    in.texts[i] = nullptr;
  }
  // The boundary pointed into the old content type; the entries are parsed already.
  cgiMultipartBoundary = cgiEmptyText;
  cgiServerAddr = in.server_addr;
  in.server_addr = nullptr;
  cgiContentLength = in.content_length;
  cgiFormEntryFirst = in.entries;
  in.entries = nullptr;
  cgiRestored = 1;
}
}  // namespace

void cgiFreeRestoredEnvironment() {
  for (char** g : kTexts) {
    if (g == &cgiContentType) continue;
    if (*g != cgiEmptyText) free(*g);
    *g = cgiEmptyText;
  }
  if (cgiServerAddr != cgiEmptyText) free(cgiServerAddr);
  cgiServerAddr = cgiEmptyText;
  cgiRestored = 0;
}

cgiEnvironmentResultType cgiWriteEnvironment(const char* filename) {
  FILE* f = fopen(filename, "wb");
  if (!f) return cgiEnvironmentIO;
  bool ok = put_all(f);
  if (fclose(f) != 0) ok = false;
  if (!ok) {
    unlink(filename);
    return cgiEnvironmentIO;
  }
  return cgiEnvironmentSuccess;
}

cgiEnvironmentResultType cgiReadEnvironment(const char* filename) {
  FILE* f = fopen(filename, "rb");
  if (!f) return cgiEnvironmentIO;
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    fclose(f);
    return cgiEnvironmentIO;
  }
  Reader r{f, static_cast<long>(st.st_size)};
  Restored restored;
  cgiEnvironmentResultType result = read_all(r, restored);
  fclose(f);
  // Only a file read to its end replaces the current request.
  if (result == cgiEnvironmentSuccess) install(restored);
  return result;
}
