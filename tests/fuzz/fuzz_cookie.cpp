// Cookie accessors and the session user over a fuzzed HTTP_COOKIE text.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cgi/cgic.h"
#include "common/web_utils.h"
#include "fuzz_root.h"

using fuzz::check;

namespace {
// A found value is a piece of the cookie text that holds no ';'.
void check_value(const std::string& cookie, const char* value, int size) {
  check(strnlen(value, size) < static_cast<size_t>(size), "unterminated cookie value");
  check(!strchr(value, ';'), "value runs past ';'");
  check(cookie.find(value) != std::string::npos, "value not in the cookie");
}

void check_cookie(const std::string& cookie, const char* name) {
  std::vector<char> big(cookie.size() + 1);
  int size = static_cast<int>(big.size());
  cgiFormResultType r = cgiCookieString(name, big.data(), size);
  check(r == cgiFormSuccess || r == cgiFormNotFound, "whole-cookie buffer cut a value");
  check_value(cookie, big.data(), size);
  for (int small_size : {1, 2, 9}) {
    char small[9];
    r = cgiCookieString(name, small, small_size);
    check(r == cgiFormSuccess || r == cgiFormTruncated || r == cgiFormNotFound, "small result");
    check_value(cookie, small, small_size);
  }
  int v = 7;
  r = cgiCookieInteger(name, &v, 7);
  check(r != cgiFormSuccess ? v == 7 : true, "default not kept");
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::make_root();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The environment gives a terminated text: the input up to its first zero byte.
  std::string cookie(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  cgiCookie = cookie.data();

  char** names = nullptr;
  check(cgiCookies(&names) == cgiFormSuccess, "cookie names");
  for (int i = 0; names[i]; ++i) {
    check(names[i][0] && !strchr(names[i], ';') && !strchr(names[i], '='), "cookie name shape");
    char probe[2];
    check(cgiCookieString(names[i], probe, sizeof probe) != cgiFormNotFound, "listed cookie not found");
    if (i < 16) check_cookie(cookie, names[i]);
  }
  cgiStringArrayFree(names);
  for (const char* name : {"userName", "session", ""}) check_cookie(cookie, name);

  for (size_t user_size : {size_t{1}, size_t{5}, size_t{64}}) {
    char user[64];
    memset(user, 'x', sizeof user);
    int r = get_current_username(user, user_size);
    check(r == 0 || r == -1, "user result");
    check(strnlen(user, user_size) < user_size, "unterminated user");
    check(r == 0 || !user[0], "user text without a user");
    check(!strchr(user, ';'), "user runs past ';'");
    if (r == 0) check(cookie.find(user) != std::string::npos, "user not in the cookie");
  }
  static char empty[1] = "";
  cgiCookie = empty;
  return 0;
}
