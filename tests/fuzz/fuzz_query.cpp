// GET intake (route + query, "%22" replaced) and the "/vb.htm" command split.
//
// Input: one mode byte, then text. Mode bit 0 set: the route is the text up
// to the first '\n' and the query follows it; else the route is the test
// route and the query is all of the text. A route that names a real handler
// is replaced by the test route: no handler of the program runs here.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "modules/system/vb_htm.h"
#include "fuzz_root.h"

using fuzz::check;

namespace {
constexpr char kRoute[] = "/fuzzq";
constexpr size_t kQueryMax = 1023;

std::string g_expected;
int g_calls = 0;

// Pairs as the service commands would see them; nothing is run.
void split(const char* text) {
  int count = get_httpoption_argnum(text);
  check(count >= 0, "negative pair count");
  is_httpoption_no_arg(text);
  auto pairs = std::make_unique<ArgPair[]>(count ? count : 1);  // exactly count slots
  int r = ui_decodeing(text, pairs.get(), count);
  check(r == 0 || r == -1, "split result");
  if (count == 0 || count > HTTP_MAX_ARGS) check(r == -1, "split accepted a bad count");
  if (r != 0) return;
  check(hash_table_init() == 0, "hash index");
  size_t copied = 0;
  for (int i = 0; i < count; ++i) {
    const ArgPair& a = pairs[i];
    check(strnlen(a.name, HTTP_ARG_TEXT) < HTTP_ARG_TEXT && strnlen(a.value, HTTP_ARG_TEXT) < HTTP_ARG_TEXT,
          "unterminated pair");
    check(!strchr(a.name, '=') && !strchr(a.value, '&'), "pair runs past its separator");
    copied += strlen(a.name) + strlen(a.value);
    if (HttpOption* row = http_option_search(&a)) check(strcmp(row->name, a.name) == 0, "wrong command row");
  }
  hash_table_destory();
  check(copied <= 64, "split copied text beyond position 63");
}

std::string replaced(std::string s) {
  for (size_t at = 0; (at = s.find("%22", at)) != std::string::npos; ++at) s.replace(at, 3, "\"");
  return s;
}

void on_query(char* text) {
  ++g_calls;
  size_t len = strnlen(text, kQueryMax + 1);
  check(len <= kQueryMax, "query text longer than 1023");
  check(!strstr(text, "%22"), "query text keeps %22");
  check(text == g_expected, "query text differs from the query with %22 replaced");
  split(text);
}

const WebRes kFuzzRoutes[] = {{"/fuzzq", on_query}};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::make_root();
  if (WebResRegister(kFuzzRoutes, 1) != 0) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // Environment texts end at their first zero byte.
  const char* in = reinterpret_cast<const char*>(data) + 1;
  std::string text(in, strnlen(in, size - 1));
  std::string route = kRoute, query = text;
  if (data[0] & 1) {
    size_t nl = text.find('\n');
    route = text.substr(0, nl);
    query = nl == std::string::npos ? "" : text.substr(nl + 1);
    std::string cut = route.substr(0, 127);
    if (!cut.empty() && cut != kRoute && FindWebRes(cut.c_str())) route = kRoute;
  }
  cgiPathInfo = route.data();
  cgiQueryString = query.data();
  cgiContentLength = static_cast<int>(query.size());
  g_expected = replaced(query.substr(0, kQueryMax));
  g_calls = 0;
  cgiDealGet();
  check(g_calls == (route.substr(0, 127) == kRoute ? 1 : 0), "dispatch count");

  // A POST body reaches "/vb.htm" as sent.
  split(query.c_str());

  static char empty[1] = "";
  cgiPathInfo = cgiQueryString = empty;
  return 0;
}
