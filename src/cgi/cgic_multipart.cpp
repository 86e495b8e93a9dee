// Multipart body pre-parse: every form-data part becomes a form entry, its
// body in memory or, for a file part, in a temporary file.
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "cgi/cgic.h"
#include "cgi/cgic_internal.h"

namespace {
constexpr int kRingSize = 1024;
constexpr size_t kFieldSize = 1024;  // header names, values and parameters
constexpr size_t kFirstValueSize = 256;
constexpr size_t kPathSize = 4096;

// The body on cgiIn, never read beyond cgiContentLength, with a ring of
// bytes put back for rescanning (they are read again first, in order).
struct Input {
  unsigned char ring[kRingSize];
  int readPos = 0;
  int held = 0;
  int taken = 0;  // bytes taken from cgiIn

  int get() {
    if (held) {
      unsigned char c = ring[readPos];
      readPos = (readPos + 1) % kRingSize;
      --held;
      return c;
    }
    if (taken >= cgiContentLength) return EOF;
    int c = getc(cgiIn);
    if (c != EOF) ++taken;
    return c;
  }

  // Puts n bytes back in front of what is still unread.
  bool put_back(const unsigned char* b, int n) {
    if (held + n > kRingSize) return false;
    for (int i = n - 1; i >= 0; --i) {
      readPos = (readPos + kRingSize - 1) % kRingSize;
      ring[readPos] = b[i];
      ++held;
    }
    return true;
  }

  int read(unsigned char* b, int n) {
    int got = 0;
    for (int c; got < n && (c = get()) != EOF;) b[got++] = static_cast<unsigned char>(c);
    return got;
  }
};

// Where a part's body goes.
struct Sink {
  FILE* file = nullptr;  // file part
  char* mem = nullptr;   // memory part; both null: discard
  size_t len = 0;
  size_t cap = 0;
  bool keep_memory = false;

  bool put(unsigned char c) {
    if (file) {
      if (putc(c, file) == EOF) return false;
      ++len;
      return true;
    }
    if (!keep_memory) return true;
    if (len + 1 >= cap) {
      size_t ncap = cap ? cap * 2 : kFirstValueSize;
      char* n = static_cast<char*>(realloc(mem, ncap));
      if (!n) return false;
      mem = n;
      cap = ncap;
    }
    mem[len++] = static_cast<char>(c);
    return true;
  }
};

// Copies body bytes to the sink up to the terminator, which is consumed.
// A partial match that fails gives its first byte to the sink and is rescanned.
cgiParseResultType scan_to(Input& in, const char* term, size_t term_len, Sink& sink, bool* found) {
  *found = false;
  size_t matched = 0;
  for (;;) {
    int c = in.get();
    if (c == EOF) return cgiParseSuccess;
    if (static_cast<unsigned char>(term[matched]) == c) {
      if (++matched == term_len) {
        *found = true;
        return cgiParseSuccess;
      }
      continue;
    }
    if (matched == 0) {
      if (!sink.put(static_cast<unsigned char>(c))) return sink.file ? cgiParseIO : cgiParseMemory;
      continue;
    }
    if (!sink.put(static_cast<unsigned char>(term[0]))) return sink.file ? cgiParseIO : cgiParseMemory;
    unsigned char back[kRingSize];
    size_t n = matched - 1;
    if (n + 1 > sizeof back) return cgiParseIO;
    memcpy(back, term + 1, n);
    back[n] = static_cast<unsigned char>(c);
    if (!in.put_back(back, static_cast<int>(n + 1))) return cgiParseIO;
    matched = 0;
  }
}

// After a boundary: CR LF is consumed; the "--" of the closing boundary is
// put back for the part loop to see.
bool after_boundary(Input& in) {
  unsigned char d[2];
  int got = in.read(d, 2);
  if (got == 2 && d[0] == '\r' && d[1] == '\n') return true;
  return in.put_back(d, got);
}

void append_text(char* dst, size_t& len, int c) {
  if (len < kFieldSize - 1) dst[len++] = static_cast<char>(c);
  dst[len] = '\0';
}

// One header line: name without white space, value after the ':' with
// leading white space skipped, each kept to kFieldSize - 1 characters.
void read_header_line(Input& in, char* name, char* value) {
  size_t nlen = 0, vlen = 0;
  name[0] = value[0] = '\0';
  bool in_value = false;
  for (int c; (c = in.get()) != EOF;) {
    if (c == '\r') {
      int next = in.get();
      unsigned char b = static_cast<unsigned char>(next);
      if (next != EOF && next != '\n') in.put_back(&b, 1);
      break;
    }
    if (c == '\n') break;
    if (!in_value && c == ':') {
      in_value = true;
    } else if (!in_value) {
      if (!isspace(c)) append_text(name, nlen, c);
    } else if (vlen || !isspace(c)) {
      append_text(value, vlen, c);
    }
  }
}

// Reads a quoted value or one running to ';' into out; returns the position after it.
const char* header_value(const char* p, char* out) {
  size_t len = 0;
  out[0] = '\0';
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) append_text(out, len, *p);
    return *p ? p + 1 : p;
  }
  for (; *p && *p != ';'; ++p) append_text(out, len, *p);
  while (len && isspace(static_cast<unsigned char>(out[len - 1]))) out[--len] = '\0';
  return p;
}

struct PartHeaders {
  char disposition[kFieldSize] = "";
  char name[kFieldSize] = "";
  char file_name[kFieldSize] = "";
  char content_type[kFieldSize] = "";
};

// "form-data; name=\"x\"; filename=\"y\"": the main value and two parameters.
void parse_disposition(const char* v, PartHeaders& h) {
  const char* p = header_value(v, h.disposition);
  while (*p) {
    while (*p && *p != ';') ++p;
    if (!*p) break;
    ++p;
    while (isspace(static_cast<unsigned char>(*p))) ++p;
    char param[kFieldSize];
    size_t plen = 0;
    param[0] = '\0';
    for (; isalnum(static_cast<unsigned char>(*p)); ++p) append_text(param, plen, *p);
    while (isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p != '=') continue;
    ++p;
    while (isspace(static_cast<unsigned char>(*p))) ++p;
    char* target = cgiTextEqualNoCase(param, "name")       ? h.name
                   : cgiTextEqualNoCase(param, "filename") ? h.file_name
                                                           : nullptr;
    char ignored[kFieldSize];
    p = header_value(p, target ? target : ignored);
  }
}

void read_part_headers(Input& in, PartHeaders& h) {
  char name[kFieldSize], value[kFieldSize];
  for (;;) {
    read_header_line(in, name, value);
    if (!name[0] || !value[0]) return;
    if (cgiTextEqualNoCase(name, "Content-Disposition"))
      parse_disposition(value, h);
    else if (cgiTextEqualNoCase(name, "Content-Type"))
      header_value(value, h.content_type);
  }
}

// Reads one part's body into a new entry appended at *tail.
cgiParseResultType read_part(Input& in, const char* term, size_t term_len, cgiFormEntry**& tail) {
  PartHeaders h;
  read_part_headers(in, h);
  bool store = cgiTextEqualNoCase(h.disposition, "form-data");
  Sink sink;
  char tpath[kPathSize] = "";
  if (store && h.file_name[0]) {
    sink.file = cgiTempFileCreate(tpath, sizeof tpath);
    if (!sink.file) return cgiParseIO;
  } else {
    sink.keep_memory = store;
  }
  bool found = false;
  cgiParseResultType r = scan_to(in, term, term_len, sink, &found);
  if (r == cgiParseSuccess && !found) r = cgiParseIO;  // input ended inside the part
  if (r == cgiParseSuccess && sink.len > static_cast<size_t>(INT_MAX)) r = cgiParseIO;
  if (sink.file && fclose(sink.file) != 0 && r == cgiParseSuccess) r = cgiParseIO;
  if (r == cgiParseSuccess && !after_boundary(in)) r = cgiParseIO;
  if (r == cgiParseSuccess && store) {
    cgiFormEntry* e = cgiFormEntryNew(h.name, "", 0, h.file_name, h.content_type, tpath);
    if (e && sink.mem) {
      // The value keeps the buffer it was read into, shrunk to fit.
      char* fit = static_cast<char*>(realloc(sink.mem, sink.len + 1));
      if (fit) sink.mem = fit;
      sink.mem[sink.len] = '\0';
      free(e->value);
      e->value = sink.mem;
      sink.mem = nullptr;
    }
    if (e) {
      e->valueLength = static_cast<int>(sink.len);
      *tail = e;
      tail = &e->next;
    } else {
      r = cgiParseMemory;
    }
  }
  free(sink.mem);
  if (r != cgiParseSuccess && tpath[0]) unlink(tpath);
  return r;
}

cgiParseResultType parse_parts(Input& in, cgiFormEntry**& tail) {
  const char* boundary = cgiMultipartBoundary ? cgiMultipartBoundary : "";
  size_t blen = strlen(boundary);
  // "\r\n--" + boundary; the first boundary is matched without its CR LF.
  char* term = static_cast<char*>(malloc(blen + 5));
  if (!term) return cgiParseMemory;
  snprintf(term, blen + 5, "\r\n--%s", boundary);
  size_t term_len = blen + 4;

  Sink preamble;
  bool found = false;
  cgiParseResultType r = scan_to(in, term + 2, term_len - 2, preamble, &found);
  if (r == cgiParseSuccess && found && !after_boundary(in)) r = cgiParseIO;
  while (r == cgiParseSuccess && found) {
    unsigned char d[2];
    if (in.read(d, 2) < 2 || (d[0] == '-' && d[1] == '-')) break;
    if (!in.put_back(d, 2)) {
      r = cgiParseIO;
      break;
    }
    r = read_part(in, term, term_len, tail);
  }
  free(term);
  return r;
}
}  // namespace

int cgiParseMultipartBody() {
  if (cgiContentLength <= 0) return cgiParseSuccess;
  Input in;
  cgiFormEntry** tail = &cgiFormEntryFirst;
  while (*tail) tail = &(*tail)->next;
  cgiFormEntry** first_new = tail;
  cgiParseResultType r = parse_parts(in, tail);
  if (r != cgiParseSuccess) {
    // Nothing of a failed body stays behind, not even its earlier parts' files.
    cgiFormEntryListDelete(*first_new);
    *first_new = nullptr;
  }
  return r;
}
