// Form accessors, cookies, header lines, escapes and the capture file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "cgi/cgic.h"
#include "support/test_root.h"
#include "unit/multipart_body.h"

namespace {
using namespace std::string_literals;

std::vector<std::string> strings(char** arr) {
  std::vector<std::string> v;
  for (char** p = arr; p && *p; ++p) v.push_back(*p);
  cgiStringArrayFree(arr);
  return v;
}

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(parse_body(multipart("B", {{"text", "a\r\nb\rc\nd\r\r\ne\n\r\nf"},
                                         {"empty", ""},
                                         {"num", "  -42"},
                                         {"plus", "+7"},
                                         {"huge", "99999999999"},
                                         {"word", "x1"},
                                         {"blank", "   "},
                                         {"real", ".5"},
                                         {"color", "green"},
                                         {"color", "blue"},
                                         {"color", "mauve"},
                                         {"upload", "FILEDATA", "pic.png", "image/png"},
                                         {"bare", "x", "n.bin"}}),
                         "B"),
              cgiParseSuccess);
  }
  void TearDown() override { cgiFreeResources(); }
  TestRoot root_;
};

TEST_F(FormTest, StringCopiesFoldLineBreakRuns) {
  char buf[64];
  EXPECT_EQ(cgiFormString("text", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "a\nb\nc\nd\n\ne\n\nf");
  EXPECT_EQ(cgiFormStringNoNewlines("text", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "abcdef");
  EXPECT_EQ(cgiFormString("text", buf, 4), cgiFormTruncated);
  EXPECT_STREQ(buf, "a\nb");
  EXPECT_EQ(cgiFormString("empty", buf, sizeof buf), cgiFormEmpty);
  EXPECT_EQ(cgiFormString("Text", buf, sizeof buf), cgiFormNotFound);  // names are case-sensitive
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(cgiFormString("color", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "green");

  int need = 0;
  EXPECT_EQ(cgiFormStringSpaceNeeded("text", &need), cgiFormSuccess);
  EXPECT_EQ(need, 17);
  EXPECT_EQ(cgiFormStringSpaceNeeded("nope", &need), cgiFormNotFound);
  EXPECT_EQ(need, 1);
}

TEST_F(FormTest, MultipleValuesAndEntryNames) {
  char** arr = nullptr;
  EXPECT_EQ(cgiFormStringMultiple("color", &arr), cgiFormSuccess);
  EXPECT_EQ(strings(arr), (std::vector<std::string>{"green", "blue", "mauve"}));
  EXPECT_EQ(cgiFormStringMultiple("nope", &arr), cgiFormNotFound);
  EXPECT_TRUE(strings(arr).empty());
  EXPECT_EQ(cgiFormEntries(&arr), cgiFormSuccess);
  EXPECT_EQ(strings(arr), (std::vector<std::string>{"text", "empty", "num", "plus", "huge", "word", "blank",
                                                    "real", "color", "upload", "bare"}));
}

TEST_F(FormTest, Numbers) {
  int n = 0;
  EXPECT_EQ(cgiFormInteger("num", &n, 5), cgiFormSuccess);
  EXPECT_EQ(n, -42);
  EXPECT_EQ(cgiFormInteger("plus", &n, 5), cgiFormSuccess);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(cgiFormInteger("huge", &n, 5), cgiFormSuccess);
  EXPECT_EQ(n, INT_MAX);
  EXPECT_EQ(cgiFormInteger("word", &n, 5), cgiFormBadType);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(cgiFormInteger("blank", &n, 6), cgiFormBadType);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(cgiFormInteger("empty", &n, 7), cgiFormEmpty);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(cgiFormInteger("nope", &n, 8), cgiFormNotFound);
  EXPECT_EQ(n, 8);
  EXPECT_EQ(cgiFormInteger("real", &n, 9), cgiFormBadType);  // '.' only starts a double
  EXPECT_EQ(cgiFormIntegerBounded("num", &n, -10, 10, 0), cgiFormConstrained);
  EXPECT_EQ(n, -10);
  EXPECT_EQ(cgiFormIntegerBounded("plus", &n, 0, 5, 0), cgiFormConstrained);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(cgiFormIntegerBounded("plus", &n, 0, 10, 0), cgiFormSuccess);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(cgiFormIntegerBounded("nope", &n, 0, 10, 99), cgiFormNotFound);
  EXPECT_EQ(n, 99);

  double d = 0;
  EXPECT_EQ(cgiFormDouble("real", &d, 1.0), cgiFormSuccess);
  EXPECT_DOUBLE_EQ(d, 0.5);
  EXPECT_EQ(cgiFormDouble("word", &d, 1.5), cgiFormBadType);
  EXPECT_DOUBLE_EQ(d, 1.5);
  EXPECT_EQ(cgiFormDoubleBounded("num", &d, 0.0, 1.0, 0.0), cgiFormConstrained);
  EXPECT_DOUBLE_EQ(d, 0.0);
}

TEST(FormNumbers, BoundedDoubleClampsNotANumber) {
  TestRoot root;
  ASSERT_EQ(parse_body(multipart("B", {{"x", "+nan"}}), "B"), cgiParseSuccess);
  double d = 9;
  EXPECT_EQ(cgiFormDoubleBounded("x", &d, -1.0, 1.0, 0.0), cgiFormConstrained);
  EXPECT_DOUBLE_EQ(d, -1.0);
  cgiFreeResources();
}

TEST_F(FormTest, Choices) {
  const char* colors[] = {"red", "green", "blue"};
  int i = -1;
  EXPECT_EQ(cgiFormSelectSingle("color", colors, 3, &i, 9), cgiFormSuccess);
  EXPECT_EQ(i, 1);
  const char* upper[] = {"GREEN"};
  EXPECT_EQ(cgiFormRadio("color", upper, 1, &i, 9), cgiFormNoSuchChoice);
  EXPECT_EQ(i, 9);
  EXPECT_EQ(cgiFormRadio("nope", colors, 3, &i, 8), cgiFormNotFound);
  EXPECT_EQ(i, 8);

  int flags[3] = {7, 7, 7}, invalid = -1;
  EXPECT_EQ(cgiFormSelectMultiple("color", colors, 3, flags, &invalid), cgiFormSuccess);
  EXPECT_EQ(std::vector<int>(flags, flags + 3), (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(invalid, 1);  // mauve
  EXPECT_EQ(cgiFormCheckboxMultiple("color", upper, 1, flags, &invalid), cgiFormNotFound);
  EXPECT_EQ(flags[0], 0);
  EXPECT_EQ(invalid, 3);
  EXPECT_EQ(cgiFormCheckboxSingle("empty"), cgiFormSuccess);
  EXPECT_EQ(cgiFormCheckboxSingle("nope"), cgiFormNotFound);
}

TEST_F(FormTest, FileEntries) {
  char buf[64];
  EXPECT_EQ(cgiFormFileName("upload", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "pic.png");
  EXPECT_EQ(cgiFormFileName("upload", buf, 4), cgiFormTruncated);
  EXPECT_STREQ(buf, "pic");
  EXPECT_EQ(cgiFormFileName("text", buf, sizeof buf), cgiFormNoFileName);
  EXPECT_EQ(cgiFormFileName("nope", buf, sizeof buf), cgiFormNotFound);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(cgiFormFileContentType("upload", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "image/png");
  EXPECT_EQ(cgiFormFileContentType("bare", buf, sizeof buf), cgiFormNoContentType);

  EXPECT_EQ(cgiFormString("upload", buf, sizeof buf), cgiFormEmpty);  // the bytes are in the file only
  int size = -1;
  EXPECT_EQ(cgiFormFileSize("upload", &size), cgiFormSuccess);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(cgiFormFileSize("text", &size), cgiFormNotAFile);
  EXPECT_EQ(cgiFormFileSize("nope", &size), cgiFormNotFound);

  cgiFilePtr f = nullptr;
  EXPECT_EQ(cgiFormFileOpen("text", &f), cgiFormNotAFile);
  EXPECT_EQ(cgiFormFileOpen("nope", &f), cgiFormNotFound);
  ASSERT_EQ(cgiFormFileOpen("upload", &f), cgiFormSuccess);
  int got = 0;
  EXPECT_EQ(cgiFormFileRead(f, buf, 5, &got), cgiFormSuccess);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(got)), "FILED");
  EXPECT_EQ(cgiFormFileRead(f, buf, sizeof buf, &got), cgiFormSuccess);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(got)), "ATA");
  EXPECT_EQ(cgiFormFileRead(f, buf, sizeof buf, &got), cgiFormEOF);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(cgiFormFileClose(f), cgiFormSuccess);
  EXPECT_EQ(cgiFormFileRead(nullptr, buf, sizeof buf, &got), cgiFormOpenFailed);

  unlink(cgiFormEntryFind("upload")->tfileName);
  EXPECT_EQ(cgiFormFileOpen("upload", &f), cgiFormIO);
}

// ---- Cookies and header lines ----

class HeaderTest : public ::testing::Test {
 protected:
  CgiOutput out_;
};

TEST_F(HeaderTest, Cookies) {
  char* saved = cgiCookie;
  char jar[] = "userName=admin; sessionId=42;lang=en-US;  flag; empty=";
  cgiCookie = jar;
  char buf[8];
  EXPECT_EQ(cgiCookieString("userName", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "admin");
  EXPECT_EQ(cgiCookieString("lang", buf, 3), cgiFormTruncated);
  EXPECT_STREQ(buf, "en");
  EXPECT_EQ(cgiCookieString("empty", buf, sizeof buf), cgiFormSuccess);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(cgiCookieString("user", buf, sizeof buf), cgiFormNotFound);
  EXPECT_STREQ(buf, "");
  int n = 0;
  EXPECT_EQ(cgiCookieInteger("sessionId", &n, 1), cgiFormSuccess);
  EXPECT_EQ(n, 42);
  EXPECT_EQ(cgiCookieInteger("nope", &n, 3), cgiFormNotFound);
  EXPECT_EQ(n, 3);
  char** arr = nullptr;
  EXPECT_EQ(cgiCookies(&arr), cgiFormSuccess);
  EXPECT_EQ(strings(arr), (std::vector<std::string>{"userName", "sessionId", "lang", "flag", "empty"}));
  cgiCookie = saved;
}

std::string expires(time_t when) {
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  struct tm t {};
  gmtime_r(&when, &t);
  char s[64];
  snprintf(s, sizeof s, "%s, %02d-%s-%04d %02d:%02d:%02d GMT", days[t.tm_wday], t.tm_mday, months[t.tm_mon],
           t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  return s;
}

TEST_F(HeaderTest, HeaderLinesAreExact) {
  time_t before = time(nullptr);
  cgiHeaderCookieSetString("userName", "temp", 600, "/", "192.168.1.10");
  cgiHeaderCookieSetInteger("userType", 2, 600, "/", "192.168.1.10");
  time_t after = time(nullptr);
  std::string text = out_.text();
  std::string a = "Set-Cookie: userName=temp; domain=192.168.1.10; expires=";
  std::string b = "; path=/\r\nSet-Cookie: userType=2; domain=192.168.1.10; expires=";
  std::vector<std::string> allowed;
  for (time_t t1 = before; t1 <= after; ++t1)
    for (time_t t2 = t1; t2 <= after; ++t2)
      allowed.push_back(a + expires(t1 + 600) + b + expires(t2 + 600) + "; path=/\r\n");
  EXPECT_NE(std::find(allowed.begin(), allowed.end(), text), allowed.end()) << text;

  CgiOutput more;
  cgiHeaderLocation("../../html/index.html");
  cgiHeaderStatus(404, "Not Found");
  cgiHeaderContentType("text/html");
  EXPECT_EQ(more.text(),
            "Location: ../../html/index.html\r\n\r\n"
            "Status: 404 Not Found\r\n\r\n"
            "Content-type: text/html\r\n\r\n");
}

TEST_F(HeaderTest, RequestTextCannotAddHeaderLines) {
  cgiHeaderLocation("/x\r\nSet-Cookie: a=b");
  cgiHeaderCookieSetString("n", "v", 0, "/", "evil\r\nX-Injected: 1");
  std::string text = out_.text();
  EXPECT_EQ(text.rfind("Location: /xSet-Cookie: a=b\r\n\r\n", 0), 0u);
  EXPECT_NE(text.find("domain=evilX-Injected: 1; expires="), std::string::npos);
}

TEST_F(HeaderTest, Escapes) {
  EXPECT_EQ(cgiHtmlEscape("<a href=\"x\">&</a>"), cgiFormSuccess);
  EXPECT_EQ(cgiValueEscape("say \"hi\" <b>"), cgiFormSuccess);
  EXPECT_EQ(cgiHtmlEscapeData("<\0>", 3), cgiFormSuccess);
  EXPECT_EQ(out_.text(), "&lt;a href=\"x\"&gt;&amp;&lt;/a&gt;say &#34;hi&#34; <b>&lt;\0&gt;"s);

  FILE* saved = cgiOut;
  cgiOut = fopen("/dev/null", "r");  // every write fails
  ASSERT_NE(cgiOut, nullptr);
  EXPECT_EQ(cgiHtmlEscape("x"), cgiFormIO);
  EXPECT_EQ(cgiValueEscape("\""), cgiFormIO);
  fclose(cgiOut);
  cgiOut = saved;
}

// ---- Capture file ----

class EnvFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CgiEnv env;
    env.method = "POST";
    env.path_info = "/6101";
    env.query = "q=1";
    env.content_type = "multipart/form-data; boundary=B";
    env.cookie = "userName=admin";
    env.host = "nvr.local:8080";
    env.apply();
    cgiInitFromEnvironment(stdin, stdout);
    body_ =
        multipart("B", {{"field", std::string("v\0al", 4)}, {"file", std::string("BIN\0ARY", 7), "a.bin"}});
    ASSERT_EQ(parse_body(body_, "B"), cgiParseSuccess);
    cap_ = root_.path("/capture");
  }
  void TearDown() override { cgiFreeResources(); }

  // Replaces the current request by a bare GET without entries.
  void forget_request() {
    cgiFreeResources();
    CgiEnv other;
    other.path_info = "/1";
    other.apply();
    cgiInitFromEnvironment(stdin, stdout);
  }
  std::vector<std::string> tmp_names() const { return dir_names(root_.path("/tmp")); }

  TestRoot root_;
  std::string body_, cap_;
};

TEST_F(EnvFileTest, RoundTripRestoresGlobalsAndEntries) {
  ASSERT_EQ(cgiWriteEnvironment(cap_.c_str()), cgiEnvironmentSuccess);
  std::string raw = root_.read_file("/capture");
  EXPECT_EQ(raw.substr(0, 11), std::string("\x07\0\0\0CGIC2.0", 11));
  forget_request();
  ASSERT_EQ(cgiReadEnvironment(cap_.c_str()), cgiEnvironmentSuccess);
  EXPECT_EQ(cgiRestored, 1);
  EXPECT_STREQ(cgiRequestMethod, "POST");
  EXPECT_STREQ(cgiPathInfo, "/6101");
  EXPECT_STREQ(cgiQueryString, "q=1");
  EXPECT_STREQ(cgiContentType, "multipart/form-data");
  EXPECT_STREQ(cgiCookie, "userName=admin");
  EXPECT_STREQ(cgiServerAddr, "nvr.local:8080");
  EXPECT_STREQ(cgiRemoteAddr, "127.0.0.1");
  EXPECT_EQ(cgiContentLength, static_cast<int>(body_.size()));
  cgiFormEntry* f = cgiFormEntryFind("field");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::string(f->value, 4), std::string("v\0al", 4));
  int size = 0;
  EXPECT_EQ(cgiFormFileSize("file", &size), cgiFormSuccess);
  EXPECT_EQ(size, 7);
  std::string tfile = cgiFormEntryFind("file")->tfileName;
  EXPECT_EQ(root_.read_file(tfile.substr(root_.dir().size())), std::string("BIN\0ARY", 7));

  cgiFreeResources();
  EXPECT_EQ(cgiRestored, 0);
  EXPECT_STREQ(cgiPathInfo, "");
  EXPECT_TRUE(tmp_names().empty());
}

TEST_F(EnvFileTest, WriteFailureLeavesNoFile) {
  unlink(cgiFormEntryFind("file")->tfileName);
  EXPECT_EQ(cgiWriteEnvironment(cap_.c_str()), cgiEnvironmentIO);
  EXPECT_FALSE(root_.exists("/capture"));
  EXPECT_EQ(cgiWriteEnvironment(root_.path("/no/such/dir/c").c_str()), cgiEnvironmentIO);
}

// A corrupt capture changes nothing: same globals, same entries, no new files.
TEST_F(EnvFileTest, CorruptCapturesAreRefusedWhole) {
  ASSERT_EQ(cgiWriteEnvironment(cap_.c_str()), cgiEnvironmentSuccess);
  const std::string good = root_.read_file("/capture");
  auto patch_int = [&](size_t at, int32_t v) {
    std::string s = good;
    memcpy(&s[at], &v, 4);
    return s;
  };
  // Offset of the length of the first entry's name, and of the file entry's value length.
  size_t entries = good.find(std::string("\x05\0\0\0field", 9));
  size_t file_len = good.rfind(std::string("\x07\0\0\0\x01\0\0\0", 8));
  ASSERT_NE(entries, std::string::npos);
  ASSERT_NE(file_len, std::string::npos);
  struct Case {
    const char* what;
    std::string bytes;
    cgiEnvironmentResultType want;
  } cases[] = {
      {"empty file", "", cgiEnvironmentIO},
      {"other version", patch_int(0, 6), cgiEnvironmentWrongVersion},
      {"other version text", "\x07\0\0\0CGIC1.0" + good.substr(11), cgiEnvironmentWrongVersion},
      {"negative text length", patch_int(11, -1), cgiEnvironmentIO},
      {"huge text length", patch_int(11, 0x7fffffff), cgiEnvironmentIO},
      {"text beyond the end", patch_int(entries, static_cast<int32_t>(good.size())), cgiEnvironmentIO},
      {"file beyond the end", patch_int(file_len, 1 << 20), cgiEnvironmentIO},
      {"negative file length", patch_int(file_len, -7), cgiEnvironmentIO},
      {"bad file flag", patch_int(file_len + 4, 2), cgiEnvironmentIO},
      {"value length not its text", patch_int(good.find("field") + 5 + 4 + 4 + 4 + 4, 3), cgiEnvironmentIO},
      {"cut in the file bytes", good.substr(0, good.size() - 2), cgiEnvironmentIO},
      {"cut in a length", good.substr(0, entries + 2), cgiEnvironmentIO},
  };
  std::string file_before = cgiFormEntryFind("file")->tfileName;
  for (const Case& c : cases) {
    root_.write_file("/capture", c.bytes);
    EXPECT_EQ(cgiReadEnvironment(cap_.c_str()), c.want) << c.what;
    EXPECT_EQ(cgiRestored, 0) << c.what;
    EXPECT_STREQ(cgiPathInfo, "/6101") << c.what;
    EXPECT_STREQ(cgiFormEntryFind("file")->tfileName, file_before.c_str()) << c.what;
    EXPECT_EQ(tmp_names().size(), 1u) << c.what;  // only the parsed file
  }
  EXPECT_EQ(cgiReadEnvironment(root_.path("/missing").c_str()), cgiEnvironmentIO);
  EXPECT_EQ(cgiReadEnvironment(root_.path("/tmp").c_str()), cgiEnvironmentIO);
}
}  // namespace
