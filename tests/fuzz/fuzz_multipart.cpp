// Multipart pre-parse and the form accessors over a fuzzed body.
//
// Input: one mode byte, then the body. Mode bits 0-1 pick the content
// length: 0, 1 the body's size, 2 half of it, 3 more than the body holds.
// Mode bit 2 set: the boundary is the text up to the first '\n' (at most
// 994 bytes, what fits the content type), the body follows it; else the
// boundary is "B0undary".
// Mode bit 3 set instead: round trip. The text is cut at '|' into up to 16
// values, sent as parts f0, f1, ... (odd ones as files) under "B0undary",
// and each must come back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cgi/cgic.h"
#include "fuzz_root.h"

using fuzz::check;

namespace {
constexpr size_t kMaxBoundary = 994;  // 1023 - strlen("multipart/form-data;boundary=")
constexpr int kMaxNames = 32;         // accessors run on this many names per input
constexpr size_t kMaxRoundTrip = 16;
const std::string kTerm = "\r\n--B0undary";

int entries_named(const char* name) {
  int n = 0;
  for (cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next) n += strcmp(e->attr, name) == 0;
  return n;
}

void check_text(const char* buf, int size) {
  check(strnlen(buf, size) < static_cast<size_t>(size), "unterminated copy");
}

void check_strings(const char* name) {
  int need = 0;
  check(cgiFormStringSpaceNeeded(name, &need) == cgiFormSuccess && need >= 1, "space needed");
  std::vector<char> big(static_cast<size_t>(need));
  cgiFormResultType r = cgiFormString(name, big.data(), need);
  check(r == cgiFormSuccess || r == cgiFormEmpty, "value does not fit its space needed");
  check_text(big.data(), need);
  r = cgiFormStringNoNewlines(name, big.data(), need);
  check(r == cgiFormSuccess || r == cgiFormEmpty, "value without breaks does not fit");
  check(!strpbrk(big.data(), "\r\n"), "line break kept");
  for (int size : {1, 2, 7}) {
    char small[8];
    r = cgiFormString(name, small, size);
    check(r == cgiFormSuccess || r == cgiFormEmpty || r == cgiFormTruncated, "small copy result");
    check_text(small, size);
  }
  char** all = nullptr;
  check(cgiFormStringMultiple(name, &all) == cgiFormSuccess, "multiple");
  int n = 0;
  while (all[n]) ++n;
  check(n == entries_named(name), "multiple count");
  cgiStringArrayFree(all);
}

void check_numbers_and_choices(const char* name) {
  int i = 0;
  cgiFormResultType r = cgiFormIntegerBounded(name, &i, -5, 5, 0);
  check(i >= -5 && i <= 5, "bounded integer");
  cgiFormInteger(name, &i, 0);
  double d = 0;
  r = cgiFormDoubleBounded(name, &d, -1.5, 1.5, 0);
  check(r == cgiFormEmpty || r == cgiFormBadType || (d >= -1.5 && d <= 1.5), "bounded double");
  cgiFormDouble(name, &d, 0);
  const char* choices[] = {"a", "", "0", nullptr};
  check(cgiFormSelectSingle(name, choices, 4, &i, -1) != cgiFormNotFound && i >= -1 && i < 4, "select");
  int flags[4], invalid = -1;
  cgiFormSelectMultiple(name, choices, 4, flags, &invalid);
  check(invalid >= 0 && invalid <= entries_named(name), "invalid count");
  check(cgiFormCheckboxSingle(name) == cgiFormSuccess, "checkbox");
}

void check_file(const char* name) {
  char buf[16];
  for (int size : {1, 3, 16}) {
    cgiFormFileName(name, buf, size);
    check_text(buf, size);
    cgiFormFileContentType(name, buf, size);
    check_text(buf, size);
  }
  int size = -1;
  cgiFormResultType r = cgiFormFileSize(name, &size);
  if (r != cgiFormSuccess) return;
  cgiFilePtr f = nullptr;
  check(cgiFormFileOpen(name, &f) == cgiFormSuccess, "file open");
  long total = 0;
  char chunk[512];
  for (int got = 0; cgiFormFileRead(f, chunk, sizeof chunk, &got) == cgiFormSuccess;) total += got;
  cgiFormFileClose(f);
  check(total == size, "file size differs from its content");
}

// Shape of the stored entries: terminated values, a temporary file per file part.
void check_entries(int content_length) {
  long total = 0;
  int files = 0;
  for (cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next) {
    check(e->valueLength >= 0, "negative length");
    total += e->valueLength;
    if (e->tfileName[0]) {
      ++files;
      check(e->fileName[0] && e->value[0] == '\0', "file entry shape");
    } else {
      check(e->value[e->valueLength] == '\0', "value not terminated");
    }
  }
  check(total <= content_length, "more value bytes than the body");
  check(fuzz::tmp_file_count() == files, "temporary files differ from file entries");
}
std::string stored_value(const char* name) {
  for (cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next) {
    if (strcmp(e->attr, name) != 0) continue;
    if (!e->tfileName[0]) return std::string(e->value, static_cast<size_t>(e->valueLength));
    std::string out;
    if (FILE* f = fopen(e->tfileName, "rb")) {
      for (int c; (c = getc(f)) != EOF;) out += static_cast<char>(c);
      fclose(f);
    }
    check(out.size() == static_cast<size_t>(e->valueLength), "file length");
    return out;
  }
  fuzz::fail("part not stored");
}

void round_trip(const char* p, size_t left) {
  std::vector<std::string> values;
  std::string text(p, left);
  for (size_t at = 0; values.size() < kMaxRoundTrip;) {
    size_t bar = text.find('|', at);
    std::string v = text.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
    if (v.find(kTerm) == std::string::npos) values.push_back(v);  // the terminator cannot be a value
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  std::string body = "preamble";
  for (size_t i = 0; i < values.size(); ++i) {
    body += kTerm + "\r\nContent-Disposition: form-data; name=\"f" + std::to_string(i) + "\"";
    if (i % 2) body += "; filename=\"v.bin\"\r\nContent-Type: application/octet-stream";
    body += "\r\n\r\n" + values[i];
  }
  body += kTerm + "--\r\n";

  FILE* in = fmemopen(body.data(), body.size(), "r");
  if (!in) return;
  cgiIn = in;
  cgiMultipartBoundary = const_cast<char*>("B0undary");
  cgiContentLength = static_cast<int>(body.size());
  check(cgiParseMultipartBody() == cgiParseSuccess, "round trip parse failed");
  for (size_t i = 0; i < values.size(); ++i)
    check(stored_value(("f" + std::to_string(i)).c_str()) == values[i], "round trip value differs");
  cgiFreeResources();
  check(fuzz::tmp_file_count() == 0, "temporary file left after release");
  fclose(in);
  cgiIn = stdin;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::make_root();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const char* p = reinterpret_cast<const char*>(data) + 1;
  size_t left = size - 1;
  unsigned mode = data[0];
  if (mode & 8) {
    round_trip(p, left);
    return 0;
  }

  static char boundary[kMaxBoundary + 1];
  snprintf(boundary, sizeof boundary, "B0undary");
  if (mode & 4) {
    const char* nl = static_cast<const char*>(memchr(p, '\n', left));
    size_t n = nl ? static_cast<size_t>(nl - p) : left;
    size_t keep = n < kMaxBoundary ? n : kMaxBoundary;
    memcpy(boundary, p, keep);
    boundary[keep] = '\0';
    size_t skip = nl ? n + 1 : n;
    p += skip;
    left -= skip;
  }
  int length = static_cast<int>(left);
  if ((mode & 3) == 2) length /= 2;
  if ((mode & 3) == 3) length += 65;

  FILE* in = fmemopen(const_cast<char*>(p), left, "r");
  if (!in) return 0;
  cgiIn = in;
  cgiMultipartBoundary = boundary;
  cgiContentLength = length;
  int r = cgiParseMultipartBody();
  check(r == cgiParseSuccess || r == cgiParseMemory || r == cgiParseIO, "parse result");
  if (r != cgiParseSuccess) {
    // The process ends without a release after a failed parse.
    check(fuzz::tmp_file_count() == 0, "failed parse left a temporary file");
  } else {
    check_entries(length);
    char** names = nullptr;
    check(cgiFormEntries(&names) == cgiFormSuccess, "entries");
    for (int i = 0; names[i] && i < kMaxNames; ++i) {
      check(entries_named(names[i]) > 0, "listed name has no entry");
      check_strings(names[i]);
      check_numbers_and_choices(names[i]);
      check_file(names[i]);
    }
    cgiStringArrayFree(names);
  }
  char buf[4];
  if (!entries_named("none"))
    check(cgiFormString("none", buf, sizeof buf) == cgiFormNotFound && !buf[0], "absent name");

  cgiFreeResources();
  check(cgiFormEntryFirst == nullptr, "entries after release");
  if (fuzz::tmp_file_count() != 0) fuzz::fail("temporary file left after release");
  fclose(in);
  cgiIn = stdin;
  return 0;
}
