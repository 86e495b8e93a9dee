// Cookies in, response header lines and HTML escapes out.
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "cgi/cgic.h"

namespace {
struct Span {
  const char* p;
  size_t n;
};

// Calls fn(name, value) for each cookie of cgiCookie until fn returns true.
template <typename Fn>
bool for_each_cookie(Fn fn) {
  const char* p = cgiCookie ? cgiCookie : "";
  while (*p) {
    while (isspace(static_cast<unsigned char>(*p))) ++p;
    const char* end = strchr(p, ';');
    if (!end) end = p + strlen(p);
    const char* eq = static_cast<const char*>(memchr(p, '=', static_cast<size_t>(end - p)));
    Span name{p, static_cast<size_t>((eq ? eq : end) - p)};
    Span value{eq ? eq + 1 : end, eq ? static_cast<size_t>(end - eq - 1) : 0};
    if (name.n && fn(name, value)) return true;
    p = *end ? end + 1 : end;
  }
  return false;
}

char* dup_span(Span s) {
  char* d = static_cast<char*>(malloc(s.n + 1));
  if (!d) return nullptr;
  memcpy(d, s.p, s.n);
  d[s.n] = '\0';
  return d;
}

// Header texts never carry a line break: a request-supplied host or URL must
// not be able to add header lines of its own.
std::string one_line(const char* s) {
  std::string out;
  for (; s && *s; ++s)
    if (*s != '\r' && *s != '\n') out += *s;
  return out;
}

struct Entity {
  char c;
  const char* text;
};
constexpr Entity kHtmlEntities[] = {{'<', "&lt;"}, {'&', "&amp;"}, {'>', "&gt;"}};
constexpr Entity kValueEntities[] = {{'"', "&#34;"}};

template <size_t N>
cgiFormResultType write_escaped(const char* data, int len, const Entity (&table)[N]) {
  for (int i = 0; i < len; ++i) {
    const char* rep = nullptr;
    for (const Entity& e : table)
      if (e.c == data[i]) rep = e.text;
    int r = rep ? fputs(rep, cgiOut) : putc(data[i], cgiOut);
    if (r == EOF) return cgiFormIO;
  }
  return cgiFormSuccess;
}

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

// ---- Cookies ----

cgiFormResultType cgiCookieString(const char* name, char* result, int max) {
  if (!result || max <= 0) return cgiFormTruncated;
  result[0] = '\0';
  cgiFormResultType r = cgiFormNotFound;
  size_t want = strlen(name);
  for_each_cookie([&](Span n, Span v) {
    if (n.n != want || memcmp(n.p, name, want) != 0) return false;
    size_t keep = v.n < static_cast<size_t>(max) ? v.n : static_cast<size_t>(max) - 1;
    memcpy(result, v.p, keep);
    result[keep] = '\0';
    r = keep < v.n ? cgiFormTruncated : cgiFormSuccess;
    return true;
  });
  return r;
}

cgiFormResultType cgiCookieInteger(const char* name, int* result, int defaultV) {
  char text[256];
  cgiFormResultType r = cgiCookieString(name, text, sizeof text);
  if (r != cgiFormSuccess) {
    *result = defaultV;
    return r;
  }
  long long v = strtoll(text, nullptr, 10);
  *result = static_cast<int>(v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v);
  return cgiFormSuccess;
}

cgiFormResultType cgiCookies(char*** ptrToStringArray) {
  *ptrToStringArray = nullptr;
  size_t n = 0;
  for_each_cookie([&](Span, Span) { return ++n, false; });
  auto** arr = static_cast<char**>(calloc(n + 1, sizeof(char*)));
  if (!arr) return cgiFormMemory;
  size_t i = 0;
  bool failed = for_each_cookie([&](Span name, Span) { return !(arr[i++] = dup_span(name)); });
  if (failed) {
    cgiStringArrayFree(arr);
    return cgiFormMemory;
  }
  *ptrToStringArray = arr;
  return cgiFormSuccess;
}

// ---- Header lines ----

void cgiHeaderCookieSetString(const char* name, const char* value, int secondsToLive, const char* path,
                              const char* domain) {
  time_t when = time(nullptr) + secondsToLive;
  struct tm t {};
  gmtime_r(&when, &t);
  fprintf(cgiOut, "Set-Cookie: %s=%s; domain=%s; expires=%s, %02d-%s-%04d %02d:%02d:%02d GMT; path=%s\r\n",
          one_line(name).c_str(), one_line(value).c_str(), one_line(domain).c_str(), kDays[t.tm_wday],
          t.tm_mday, kMonths[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec,
          one_line(path).c_str());
}

void cgiHeaderCookieSetInteger(const char* name, int value, int secondsToLive, const char* path,
                               const char* domain) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  cgiHeaderCookieSetString(name, text, secondsToLive, path, domain);
}

void cgiHeaderLocation(const char* redirectUrl) {
  fprintf(cgiOut, "Location: %s\r\n\r\n", one_line(redirectUrl).c_str());
}

void cgiHeaderStatus(int status, const char* statusMessage) {
  fprintf(cgiOut, "Status: %d %s\r\n\r\n", status, one_line(statusMessage).c_str());
}

void cgiHeaderContentType(const char* mimeType) {
  fprintf(cgiOut, "Content-type: %s\r\n\r\n", one_line(mimeType).c_str());
}

// ---- Escapes ----

cgiFormResultType cgiHtmlEscapeData(const char* data, int len) {
  return write_escaped(data, len, kHtmlEntities);
}

cgiFormResultType cgiHtmlEscape(const char* s) { return cgiHtmlEscapeData(s, static_cast<int>(strlen(s))); }

cgiFormResultType cgiValueEscapeData(const char* data, int len) {
  return write_escaped(data, len, kValueEntities);
}

cgiFormResultType cgiValueEscape(const char* s) { return cgiValueEscapeData(s, static_cast<int>(strlen(s))); }
