// Form entry store and its accessors.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "cgi/cgic.h"
#include "cgi/cgic_internal.h"
#include "base/paths.h"

char cgiEmptyText[1] = "";
cgiFormEntry* cgiFormEntryFirst = nullptr;
int cgiRestored = 0;

struct cgiFile {
  FILE* in;
};

namespace {
// Copy of `len` bytes, terminated; null on memory failure.
char* dup_bytes(const char* s, size_t len) {
  char* d = static_cast<char*>(malloc(len + 1));
  if (!d) return nullptr;
  if (len) memcpy(d, s, len);
  d[len] = '\0';
  return d;
}

char* dup_text(const char* s) { return dup_bytes(s ? s : "", s ? strlen(s) : 0); }

bool is_file(const cgiFormEntry* e) { return e->tfileName && e->tfileName[0]; }

// Copies the entry's value into out (max bytes with terminator). Each run of
// CR and LF becomes as many '\n' as the larger of its two counts; none when
// drop_breaks.
cgiFormResultType copy_entry(const cgiFormEntry* e, char* out, int max, bool drop_breaks) {
  if (!out || max <= 0) return cgiFormTruncated;
  const char* v = e->value;
  int len = is_file(e) ? 0 : e->valueLength;  // a file's length is its file's, its text is ""
  int used = 0;
  bool truncated = false;
  auto put = [&](char c) {
    if (used < max - 1)
      out[used++] = c;
    else
      truncated = true;
  };
  for (int i = 0; i < len && !truncated;) {
    if (v[i] != '\r' && v[i] != '\n') {
      put(v[i++]);
      continue;
    }
    int cr = 0, lf = 0;
    for (; i < len && (v[i] == '\r' || v[i] == '\n'); ++i) (v[i] == '\r' ? cr : lf)++;
    if (drop_breaks) continue;
    for (int n = cr > lf ? cr : lf; n > 0; --n) put('\n');
  }
  out[used] = '\0';
  if (truncated) return cgiFormTruncated;
  return used ? cgiFormSuccess : cgiFormEmpty;
}

cgiFormResultType copy_value(const char* name, char* out, int max, bool drop_breaks) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  if (e) return copy_entry(e, out, max, drop_breaks);
  if (out && max > 0) out[0] = '\0';
  return cgiFormNotFound;
}

// First byte after white space, and whether a number may start there.
const char* number_start(const char* v, bool allow_dot) {
  while (isspace(static_cast<unsigned char>(*v))) ++v;
  unsigned char c = static_cast<unsigned char>(*v);
  bool ok = isdigit(c) || c == '-' || c == '+' || (allow_dot && c == '.');
  return ok ? v : nullptr;
}

// Finds the value of name for a numeric accessor: success, empty, bad type or not found.
cgiFormResultType numeric_text(const char* name, bool allow_dot, const char** start) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  if (!e) return cgiFormNotFound;
  if (e->valueLength == 0 || !e->value[0]) return cgiFormEmpty;
  *start = number_start(e->value, allow_dot);
  return *start ? cgiFormSuccess : cgiFormBadType;
}

// Index of the choice equal to text, or -1.
int choice_index(const char* text, const char** choices, int total) {
  for (int i = 0; i < total; ++i)
    if (choices[i] && strcmp(text, choices[i]) == 0) return i;
  return -1;
}

// Zero-terminated array of `n` slots, all null.
char** new_array(size_t n) { return static_cast<char**>(calloc(n + 1, sizeof(char*))); }

cgiFormResultType copy_field(const char* text, char* out, int max, cgiFormResultType when_empty) {
  if (!out || max <= 0) return cgiFormTruncated;
  size_t len = strlen(text);
  size_t keep = len < static_cast<size_t>(max) ? len : static_cast<size_t>(max) - 1;
  memcpy(out, text, keep);
  out[keep] = '\0';
  if (!len) return when_empty;
  return keep < len ? cgiFormTruncated : cgiFormSuccess;
}

// File name or content type accessor.
cgiFormResultType file_field(const char* name, char* out, int max, char* cgiFormEntry::*field,
                             cgiFormResultType when_empty) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  if (!e) {
    if (out && max > 0) out[0] = '\0';
    return cgiFormNotFound;
  }
  return copy_field(e->*field, out, max, when_empty);
}
}  // namespace

// ---- Entry store ----

cgiFormEntry* cgiFormEntryFind(const char* name) {
  for (cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next)
    if (name && strcmp(e->attr, name) == 0) return e;
  return nullptr;
}

cgiFormEntry* cgiFormEntryFindNext(cgiFormEntry* from, const char* name) {
  for (cgiFormEntry* e = from ? from->next : nullptr; e; e = e->next)
    if (name && strcmp(e->attr, name) == 0) return e;
  return nullptr;
}

cgiFormEntry* cgiFormEntryNew(const char* attr, const char* value, int value_length, const char* file_name,
                              const char* content_type, const char* tfile) {
  auto* e = static_cast<cgiFormEntry*>(calloc(1, sizeof(cgiFormEntry)));
  if (!e) return nullptr;
  e->attr = dup_text(attr);
  e->value = dup_bytes(value ? value : "", value ? static_cast<size_t>(value_length) : 0);
  e->valueLength = value_length;
  e->fileName = dup_text(file_name);
  e->contentType = dup_text(content_type);
  e->tfileName = dup_text(tfile);
  if (!e->attr || !e->value || !e->fileName || !e->contentType || !e->tfileName) {
    e->keepFile = 1;  // the caller still owns the file
    cgiFormEntryDelete(e);
    return nullptr;
  }
  return e;
}

void cgiFormEntryDelete(cgiFormEntry* e) {
  if (!e) return;
  if (e->tfileName && e->tfileName[0] && !e->keepFile) unlink(e->tfileName);
  free(e->attr);
  free(e->value);
  free(e->fileName);
  free(e->contentType);
  free(e->tfileName);
  free(e);
}

void cgiFormEntryListDelete(cgiFormEntry* head) {
  while (head) {
    cgiFormEntry* next = head->next;
    cgiFormEntryDelete(head);
    head = next;
  }
}

FILE* cgiTempFileCreate(char* path, size_t size) {
  if (dev_path_buf(path, size, devpaths::kUploadTemplate) != 0) return nullptr;
  int fd = mkstemp(path);
  if (fd < 0) return nullptr;
  fchmod(fd, 0600);
  FILE* f = fdopen(fd, "wb");
  if (!f) {
    close(fd);
    unlink(path);
  }
  return f;
}

void cgiFreeResources() {
  cgiFormEntryListDelete(cgiFormEntryFirst);
  cgiFormEntryFirst = nullptr;
  if (cgiRestored) cgiFreeRestoredEnvironment();
}

// ---- Text values ----

cgiFormResultType cgiFormString(const char* name, char* result, int max) {
  return copy_value(name, result, max, false);
}

cgiFormResultType cgiFormStringNoNewlines(const char* name, char* result, int max) {
  return copy_value(name, result, max, true);
}

cgiFormResultType cgiFormStringSpaceNeeded(const char* name, int* length) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  if (length) *length = e ? e->valueLength + 1 : 1;
  return e ? cgiFormSuccess : cgiFormNotFound;
}

cgiFormResultType cgiFormStringMultiple(const char* name, char*** ptrToStringArray) {
  *ptrToStringArray = nullptr;
  size_t n = 0;
  for (cgiFormEntry* e = cgiFormEntryFind(name); e; e = cgiFormEntryFindNext(e, name)) ++n;
  char** arr = new_array(n);
  if (!arr) return cgiFormMemory;
  size_t i = 0;
  for (cgiFormEntry* e = cgiFormEntryFind(name); e; e = cgiFormEntryFindNext(e, name), ++i) {
    // Line-break runs never grow, so value length + 1 always holds the copy.
    int size = (is_file(e) ? 0 : e->valueLength) + 1;
    arr[i] = static_cast<char*>(malloc(static_cast<size_t>(size)));
    if (!arr[i]) {
      cgiStringArrayFree(arr);
      return cgiFormMemory;
    }
    copy_entry(e, arr[i], size, false);
  }
  *ptrToStringArray = arr;
  return n ? cgiFormSuccess : cgiFormNotFound;
}

void cgiStringArrayFree(char** stringArray) {
  if (!stringArray) return;
  for (char** p = stringArray; *p; ++p) free(*p);
  free(stringArray);
}

// ---- Numbers ----

cgiFormResultType cgiFormInteger(const char* name, int* result, int defaultV) {
  const char* start = nullptr;
  cgiFormResultType r = numeric_text(name, false, &start);
  if (r != cgiFormSuccess) {
    *result = defaultV;
    return r;
  }
  errno = 0;
  long long v = strtoll(start, nullptr, 10);
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  *result = static_cast<int>(v);
  return cgiFormSuccess;
}

namespace {
// Clamps a value that was read (only) into min..max.
template <class T>
cgiFormResultType constrain(cgiFormResultType r, T* v, T min, T max) {
  if (r != cgiFormSuccess) return r;
  if (!(*v >= min)) {  // a NaN is not in bounds either: it becomes min
    *v = min;
    return cgiFormConstrained;
  }
  if (*v > max) {
    *v = max;
    return cgiFormConstrained;
  }
  return cgiFormSuccess;
}
}  // namespace

cgiFormResultType cgiFormIntegerBounded(const char* name, int* result, int min, int max, int defaultV) {
  return constrain(cgiFormInteger(name, result, defaultV), result, min, max);
}

cgiFormResultType cgiFormDouble(const char* name, double* result, double defaultV) {
  const char* start = nullptr;
  cgiFormResultType r = numeric_text(name, true, &start);
  if (r != cgiFormSuccess) {
    *result = defaultV;
    return r;
  }
  *result = strtod(start, nullptr);
  return cgiFormSuccess;
}

cgiFormResultType cgiFormDoubleBounded(const char* name, double* result, double min, double max,
                                       double defaultV) {
  return constrain(cgiFormDouble(name, result, defaultV), result, min, max);
}

// ---- Choices ----

cgiFormResultType cgiFormSelectSingle(const char* name, const char** choicesText, int choicesTotal,
                                      int* result, int defaultV) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  *result = defaultV;
  if (!e) return cgiFormNotFound;
  int i = choice_index(e->value, choicesText, choicesTotal);
  if (i < 0) return cgiFormNoSuchChoice;
  *result = i;
  return cgiFormSuccess;
}

cgiFormResultType cgiFormRadio(const char* name, const char** valuesText, int valuesTotal, int* result,
                               int defaultV) {
  return cgiFormSelectSingle(name, valuesText, valuesTotal, result, defaultV);
}

cgiFormResultType cgiFormSelectMultiple(const char* name, const char** choicesText, int choicesTotal,
                                        int* result, int* invalid) {
  for (int i = 0; i < choicesTotal; ++i) result[i] = 0;
  int hits = 0, bad = 0;
  for (cgiFormEntry* e = cgiFormEntryFind(name); e; e = cgiFormEntryFindNext(e, name)) {
    int i = choice_index(e->value, choicesText, choicesTotal);
    if (i < 0) {
      ++bad;
    } else {
      result[i] = 1;
      ++hits;
    }
  }
  if (invalid) *invalid = bad;
  return hits ? cgiFormSuccess : cgiFormNotFound;
}

cgiFormResultType cgiFormCheckboxMultiple(const char* name, const char** valuesText, int valuesTotal,
                                          int* result, int* invalid) {
  return cgiFormSelectMultiple(name, valuesText, valuesTotal, result, invalid);
}

cgiFormResultType cgiFormCheckboxSingle(const char* name) {
  return cgiFormEntryFind(name) ? cgiFormSuccess : cgiFormNotFound;
}

// ---- Files ----

cgiFormResultType cgiFormFileName(const char* name, char* fileName, int max) {
  return file_field(name, fileName, max, &cgiFormEntry::fileName, cgiFormNoFileName);
}

cgiFormResultType cgiFormFileContentType(const char* name, char* contentType, int max) {
  return file_field(name, contentType, max, &cgiFormEntry::contentType, cgiFormNoContentType);
}

cgiFormResultType cgiFormFileSize(const char* name, int* sizeP) {
  cgiFormEntry* e = cgiFormEntryFind(name);
  int size = 0;
  cgiFormResultType r = cgiFormNotFound;
  if (e) {
    r = is_file(e) ? cgiFormSuccess : cgiFormNotAFile;
    if (r == cgiFormSuccess) size = e->valueLength;
  }
  if (sizeP) *sizeP = size;
  return r;
}

cgiFormResultType cgiFormFileOpen(const char* name, cgiFilePtr* cfpp) {
  *cfpp = nullptr;
  cgiFormEntry* e = cgiFormEntryFind(name);
  if (!e) return cgiFormNotFound;
  if (!is_file(e)) return cgiFormNotAFile;
  auto* cfp = static_cast<cgiFile*>(malloc(sizeof(cgiFile)));
  if (!cfp) return cgiFormMemory;
  cfp->in = fopen(e->tfileName, "rb");
  if (!cfp->in) {
    free(cfp);
    return cgiFormIO;
  }
  *cfpp = cfp;
  return cgiFormSuccess;
}

cgiFormResultType cgiFormFileRead(cgiFilePtr cfp, char* buffer, int bufferSize, int* gotP) {
  if (gotP) *gotP = 0;
  if (!cfp) return cgiFormOpenFailed;
  if (bufferSize <= 0) return cgiFormSuccess;
  size_t got = fread(buffer, 1, static_cast<size_t>(bufferSize), cfp->in);
  if (gotP) *gotP = static_cast<int>(got);
  if (got) return cgiFormSuccess;
  return ferror(cfp->in) ? cgiFormIO : cgiFormEOF;
}

cgiFormResultType cgiFormFileClose(cgiFilePtr cfp) {
  if (!cfp) return cgiFormOpenFailed;
  fclose(cfp->in);
  free(cfp);
  return cgiFormSuccess;
}

cgiFormResultType cgiFormEntries(char*** ptrToStringArray) {
  *ptrToStringArray = nullptr;
  size_t n = 0;
  for (cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next) ++n;
  char** arr = new_array(n);
  if (!arr) return cgiFormMemory;
  size_t used = 0;
  for (cgiFormEntry* e = cgiFormEntryFirst; e; e = e->next) {
    bool seen = false;
    for (size_t i = 0; i < used && !seen; ++i) seen = strcmp(arr[i], e->attr) == 0;
    if (seen) continue;
    arr[used] = dup_text(e->attr);
    if (!arr[used]) {
      cgiStringArrayFree(arr);
      return cgiFormMemory;
    }
    ++used;
  }
  *ptrToStringArray = arr;
  return cgiFormSuccess;
}
