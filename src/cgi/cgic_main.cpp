// Request intake: environment, method/content-type decision, GET and POST text.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "base/text.h"

namespace {
char g_empty[1] = "";
}

char* cgiServerSoftware = g_empty;
char* cgiServerName = g_empty;
char* cgiGatewayInterface = g_empty;
char* cgiServerProtocol = g_empty;
char* cgiServerPort = g_empty;
char* cgiRequestMethod = g_empty;
char* cgiPathInfo = g_empty;
char* cgiPathTranslated = g_empty;
char* cgiScriptName = g_empty;
char* cgiQueryString = g_empty;
char* cgiRemoteHost = g_empty;
char* cgiRemoteAddr = g_empty;
char* cgiAuthType = g_empty;
char* cgiRemoteUser = g_empty;
char* cgiRemoteIdent = g_empty;
char* cgiServerAddr = g_empty;
char* cgiAccept = g_empty;
char* cgiUserAgent = g_empty;
char* cgiReferrer = g_empty;
char* cgiCookie = g_empty;

char cgiContentTypeData[1024];
char* cgiContentType = cgiContentTypeData;
char* cgiMultipartBoundary = g_empty;
int cgiContentLength = 0;
FILE* cgiIn = stdin;
FILE* cgiOut = stdout;
int cgiHexValue[256];

namespace {
constexpr size_t kRouteSize = 128;
constexpr size_t kQuerySize = 1024;
constexpr size_t kPostSize = 30720;
constexpr int kPostMaxLines = 128;

char* env_text(const char* name) {
  char* v = getenv(name);
  return v ? v : g_empty;
}

void build_hex_table() {
  for (int i = 0; i < 256; ++i) cgiHexValue[i] = 0;
  for (int i = 0; i < 10; ++i) cgiHexValue['0' + i] = i;
  for (int i = 0; i < 6; ++i) {
    cgiHexValue['A' + i] = 10 + i;
    cgiHexValue['a' + i] = 10 + i;
  }
}

// Cuts the content type at each ';' and finds the boundary parameter.
void scan_content_type() {
  cgiMultipartBoundary = g_empty;
  char* sat = strchr(cgiContentTypeData, ';');
  while (sat) {
    *sat++ = '\0';
    while (isspace(static_cast<unsigned char>(*sat))) ++sat;
    if (cgiTextBeginsNoCase(sat, "boundary=")) {
      cgiMultipartBoundary = sat + strlen("boundary=");
      char* s = cgiMultipartBoundary;
      while (*s && !isspace(static_cast<unsigned char>(*s))) ++s;
      *s = '\0';
      break;
    }
    sat = strchr(sat, ';');
  }
}

// Copies PATH_INFO into route; false when it is empty.
bool route_of_request(char (&route)[kRouteSize]) {
  copy_text(route, cgiPathInfo);
  return route[0] != '\0';
}

int fold(unsigned char c) { return isalpha(c) ? tolower(c) : c; }
}  // namespace

bool cgiTextEqualNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (fold(static_cast<unsigned char>(*a)) != fold(static_cast<unsigned char>(*b))) return false;
    if (!*a) return true;
  }
}

bool cgiTextBeginsNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (fold(static_cast<unsigned char>(*text)) != fold(static_cast<unsigned char>(*prefix))) return false;
  return true;
}

void strrpl(char* dst, const char* src, const char* pattern, const char* rep) {
  size_t plen = strlen(pattern), rlen = strlen(rep);
  while (*src) {
    if (plen && strncmp(src, pattern, plen) == 0) {
      memcpy(dst, rep, rlen);
      dst += rlen;
      src += plen;
    } else {
      *dst++ = *src++;
    }
  }
  *dst = '\0';
}

void cgiInitFromEnvironment(FILE* in, FILE* out) {
  build_hex_table();
  cgiServerSoftware = env_text("SERVER_SOFTWARE");
  cgiServerName = env_text("SERVER_NAME");
  cgiGatewayInterface = env_text("GATEWAY_INTERFACE");
  cgiServerProtocol = env_text("SERVER_PROTOCOL");
  cgiServerPort = env_text("SERVER_PORT");
  cgiRequestMethod = env_text("REQUEST_METHOD");
  cgiPathInfo = env_text("PATH_INFO");
  cgiPathTranslated = env_text("PATH_TRANSLATED");
  cgiScriptName = env_text("SCRIPT_NAME");
  cgiQueryString = env_text("QUERY_STRING");
  cgiRemoteHost = env_text("REMOTE_HOST");
  cgiRemoteAddr = env_text("REMOTE_ADDR");
  cgiAuthType = env_text("AUTH_TYPE");
  cgiRemoteUser = env_text("REMOTE_USER");
  cgiRemoteIdent = env_text("REMOTE_IDENT");
  cgiServerAddr = env_text("HTTP_HOST");

  copy_text(cgiContentTypeData, getenv("CONTENT_TYPE"));
  cgiContentType = cgiContentTypeData;
  scan_content_type();

  cgiContentLength = atoi(env_text("CONTENT_LENGTH"));
  cgiAccept = env_text("HTTP_ACCEPT");
  cgiUserAgent = env_text("HTTP_USER_AGENT");
  cgiReferrer = env_text("HTTP_REFERER");
  cgiCookie = env_text("HTTP_COOKIE");

  cgiFormEntryFirst = nullptr;
  cgiIn = in;
  cgiOut = out;
  cgiRestored = 0;
}

void cgiDealGet() {
  char route[kRouteSize];
  if (!route_of_request(route)) return;
  char query[kQuerySize];
  char replaced[kQuerySize];
  copy_text(query, cgiQueryString);
  strrpl(replaced, query, "%22", "\"");
  DispatchWebReq(route, replaced);
}

void cgiDealPost() {
  char route[kRouteSize];
  if (!route_of_request(route)) return;
  // Lives until the process ends, as handlers may keep pointers into it.
  static char* body = nullptr;
  free(body);
  body = static_cast<char*>(calloc(kPostSize, 1));
  if (!body) return;
  size_t used = 0;
  for (int line = 0; line < kPostMaxLines && used < kPostSize - 1; ++line) {
    if (!fgets(body + used, static_cast<int>(kPostSize - used), cgiIn)) break;
    used += strlen(body + used);
  }
  DispatchWebReq(route, body);
}

int cgiMainRun(FILE* in, FILE* out) {
  cgiInitFromEnvironment(in, out);
  if (cgiTextEqualNoCase(cgiRequestMethod, "post")) {
    if (cgiTextEqualNoCase(cgiContentType, "application/x-www-form-urlencoded") ||
        cgiTextEqualNoCase(cgiContentType, "application/json")) {
      cgiDealPost();
    } else if (cgiTextEqualNoCase(cgiContentType, "multipart/form-data")) {
      if (strcmp(cgiPathInfo, "/1010") != 0 && cgiParseMultipartBody() != cgiParseSuccess) return -1;
      cgiDealUpload();
    }
  } else if (cgiTextEqualNoCase(cgiRequestMethod, "get")) {
    cgiContentLength = static_cast<int>(strlen(cgiQueryString));
    cgiDealGet();
  }
  cgiFreeResources();
  return 0;
}
