// Request intake: environment, method/content-type decision, GET and POST text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "support/test_root.h"

namespace {
struct Seen {
  int calls = 0;
  std::string route, text, content_type, boundary;
  int content_length = 0;
};
Seen g_seen;

void remember(const char* route, char* text) {
  ++g_seen.calls;
  g_seen.route = route;
  g_seen.text = text;
  g_seen.content_type = cgiContentType;
  g_seen.boundary = cgiMultipartBoundary;
  g_seen.content_length = cgiContentLength;
  fputs("answer", cgiOut);
}
void on_9100(char* text) { remember("/9100", text); }
void on_2079(char* text) { remember("/2079", text); }

const WebRes kRoutes[] = {{"/9100", on_9100}, {"/2079", on_2079}};

class IntakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UnregisterWebModules();
    ASSERT_EQ(WebResRegister(kRoutes, 2), 0);
    g_seen = Seen{};
  }
  void TearDown() override {
    WebResUnregister(kRoutes, 2);
    RegisterWebModules();
  }
  std::pair<int, std::string> request(const std::string& method, const std::string& type,
                                      const std::string& body, const std::string& route = "/9100",
                                      const std::string& query = "") {
    CgiEnv env;
    env.method = method;
    env.path_info = route;
    env.query = query;
    env.content_type = type;
    env.content_length = std::to_string(body.size());
    g_seen = Seen{};
    return run_cgi(env, body);
  }
  TestRoot root_;
};

TEST_F(IntakeTest, MethodAndContentTypeChooseHowTheTextIsGathered) {
  const std::string multipart_body =
      "--abc\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--abc--\r\n";
  struct Row {
    const char* method;
    const char* type;
    const char* route;
    std::string body;
    int calls;
    std::string text;
  } rows[] = {
      {"POST", "application/x-www-form-urlencoded", "/9100", "a=1&b=2", 1, "a=1&b=2"},
      {"post", "Application/JSON; charset=utf-8", "/9100", "{\"x\":1}", 1, "{\"x\":1}"},
      {"Post", "application/json;", "/9100", "{}", 1, "{}"},
      {"POST", "Multipart/Form-Data; boundary=abc", "/2079", multipart_body, 1, "temp & q"},
      {"POST", "text/plain", "/9100", "a=1", 0, ""},
      {"POST", "", "/9100", "a=1", 0, ""},
      {"POST", "application/jsonx", "/9100", "{}", 0, ""},
      {"gEt", "application/json", "/9100", "ignored", 1, "q"},
      {"PUT", "application/json", "/9100", "{}", 0, ""},
      {"DELETE", "", "/9100", "", 0, ""},
      {"", "", "/9100", "", 0, ""},
      {"POST", "application/json", "", "{}", 0, ""},
      {"GET", "", "", "", 0, ""},
  };
  for (const Row& r : rows) {
    auto [status, out] = request(r.method, r.type, r.body, r.route, "q");
    std::string label = std::string(r.method) + " " + r.type + " " + r.route;
    EXPECT_EQ(status, 0) << label;
    EXPECT_EQ(g_seen.calls, r.calls) << label;
    EXPECT_EQ(g_seen.text, r.text) << label;
    EXPECT_EQ(out, r.calls ? "answer" : "") << label;  // the intake itself writes nothing
  }
  request("POST", "Multipart/Form-Data; boundary=abc", multipart_body, "/2079", "q");
  EXPECT_EQ(g_seen.content_type, "Multipart/Form-Data");
  EXPECT_EQ(g_seen.boundary, "abc");
}

TEST_F(IntakeTest, ContentTypeParametersAreCutAndTheBoundaryFound) {
  struct Row {
    std::string type, media, boundary;
  } rows[] = {
      {"multipart/form-data; charset=x; BOUNDARY=abc def", "multipart/form-data", "abc"},
      {"multipart/form-data;boundary=\"q b\"", "multipart/form-data", "\"q"},
      {"multipart/form-data; boundary=x;y", "multipart/form-data", "x;y"},
      {"multipart/form-data", "multipart/form-data", ""},
      {"text/plain;a=1;b=2", "text/plain", ""},
      {"multipart/form-data; boundary=" + std::string(2000, 'b'), "multipart/form-data",
       std::string(1023 - strlen("multipart/form-data; boundary="), 'b')},
  };
  for (const Row& r : rows) {
    CgiEnv env;
    env.content_type = r.type;
    env.apply();
    cgiInitFromEnvironment(stdin, stdout);
    EXPECT_STREQ(cgiContentType, r.media.c_str()) << r.type;
    EXPECT_STREQ(cgiMultipartBoundary, r.boundary.c_str()) << r.type;
  }
}

TEST_F(IntakeTest, EnvironmentGlobalsAreNeverNull) {
  CgiEnv env;
  env.host = "nvr.local:81";
  env.content_length = "12abc";
  env.apply();
  cgiInitFromEnvironment(stdin, stdout);
  EXPECT_STREQ(cgiServerAddr, "nvr.local:81");
  EXPECT_STREQ(cgiUserAgent, "");
  EXPECT_STREQ(cgiPathInfo, "");
  EXPECT_EQ(cgiContentLength, 12);
  EXPECT_EQ(cgiFormEntryFirst, nullptr);
  EXPECT_EQ(cgiHexValue[static_cast<unsigned char>('f')], 15);
  EXPECT_EQ(cgiHexValue[static_cast<unsigned char>('G')], 0);
  EXPECT_TRUE(cgiTextEqualNoCase("GeT", "get"));
  EXPECT_FALSE(cgiTextEqualNoCase("get", "gets"));
  EXPECT_TRUE(cgiTextBeginsNoCase("Boundary=x", "boundary="));
}

TEST_F(IntakeTest, GetTurnsOnlyQuotedPercentEscapesIntoQuotes) {
  request("GET", "", "", "/9100", "{%22name%22:%22cam%201%22}+x%41&%%2222");
  EXPECT_EQ(g_seen.text, "{\"name\":\"cam%201\"}+x%41&%\"22");
  EXPECT_EQ(g_seen.content_length, static_cast<int>(strlen("{%22name%22:%22cam%201%22}+x%41&%%2222")));
  request("GET", "", "", "/9100", std::string(2000, 'q'));
  EXPECT_EQ(g_seen.text, std::string(1023, 'q'));
}

TEST_F(IntakeTest, PostBodyLimits) {
  std::string lines;
  for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\n";
  request("POST", "application/json", lines);
  EXPECT_EQ(g_seen.text, lines.substr(0, lines.find("line 128")));

  std::string big(40000, 'j');
  request("POST", "application/json", big);
  EXPECT_EQ(g_seen.text, std::string(30719, 'j'));

  // The length is not consulted: the whole body arrives.
  CgiEnv env;
  env.method = "POST";
  env.path_info = "/9100";
  env.content_type = "application/json";
  env.content_length = "2";
  run_cgi(env, "{\"a\":1}");
  EXPECT_EQ(g_seen.text, "{\"a\":1}");
}

TEST_F(IntakeTest, RouteCodesMatchExactlyAndLongOnesAreCut) {
  const std::vector<std::string> routes = {"/9100/", "/91000", "/910", std::string(127, '/'),
                                           "/9100" + std::string(300, 'x')};
  for (const std::string& route : routes) {
    auto [status, out] = request("GET", "", "", route, "q");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_seen.calls, 0) << route;
    EXPECT_EQ(out, "");
    request("POST", "application/json", "{}", route);
    EXPECT_EQ(g_seen.calls, 0) << route;
    request("POST", "multipart/form-data; boundary=b", "--b--\r\n", route);
    EXPECT_EQ(g_seen.calls, 0) << route;
  }
}
}  // namespace
