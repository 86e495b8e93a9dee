// The opt-in session check in front of every route.
#include <gtest/gtest.h>

#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "platform/kvdb.h"
#include "platform/kvdb_users.h"
#include "support/module_test.h"

namespace {
const std::string kRefused = "Status: 403 Forbidden\r\nContent-type: text/plain\r\n\r\nCGI ERROR";
const char* kAdminMd5 = "0192023a7bbd73250516f069df18b500";  // admin123
const char* kViewerMd5 = "5f4dcc3b5aa765d61d8327deb882cf99";

class SessionTest : public ModuleTest {
 protected:
  void SetUp() override {
    UserRec v{};
    v.id = 1;
    v.enable = 1;
    copy_text(v.name, "viewer");
    copy_text(v.password, kViewerMd5);
    v.type = 1;
    ASSERT_EQ(write_user(devpaths::kKvdb, &v), 0);
  }
  void TearDown() override { cgiCookie = empty_; }
  // Signs in and returns the session identifier ("" when refused).
  std::string sign_in(const char* user, const char* md5) {
    std::string answer = call("/1000", std::string(R"({"userName":")") + user + R"(","md5":")" + md5 + "\"}");
    const std::string key = "\"sessionId\": \"";
    size_t at = answer.find(key);
    if (at == std::string::npos) return "";
    at += key.size();
    return answer.substr(at, answer.find('"', at) - at);
  }
  std::string call_as(const std::string& session, const char* route, const std::string& text) {
    cookie_ = "userName=x; sessionId=" + session;
    cgiCookie = cookie_.data();
    std::string answer = call(route, text);
    cgiCookie = empty_;
    return answer;
  }
  std::string cookie_;
  char empty_[1] = "";
};

TEST_F(SessionTest, OffByDefaultEveryRouteRunsAsBefore) {
  EXPECT_EQ(call("/6109", "1"), kTextHead + "OK");
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "raidmode", -1), 1);
}

TEST_F(SessionTest, OnWithoutASessionNoRouteRunsItsHandler) {
  set_param_int(devpaths::kKvdb, "web_session_check", 1);
  set_param_int(devpaths::kKvdb, "raidmode", 0);
  int checked = 0;
  for (int i = 0; i < WebModuleCount(); ++i) {
    const WebModule* m = WebModuleAt(i);
    for (int r = 0; m && r < m->count; ++r) {
      std::string route = m->defs[r].path;
      if (route == "/1000" || route == "/1018" || route == "/json") continue;
      for (const char* text : {"1", R"({"id":0,"chn":0,"portId":1,"property":1})"})
        EXPECT_EQ(call_as("12345", route.c_str(), text), kRefused) << route;
      ++checked;
    }
  }
  EXPECT_GT(checked, 40);
  EXPECT_TRUE(daemon_.requests().empty());
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "raidmode", -1), 0);
}

TEST_F(SessionTest, SignedInSessionsRunAndOnlyAdministratorsManage) {
  set_param_int(devpaths::kKvdb, "web_session_check", 1);
  std::string admin = sign_in("admin", kAdminMd5);
  std::string viewer = sign_in("viewer", kViewerMd5);
  ASSERT_EQ(admin.size(), 32u);
  ASSERT_EQ(viewer.size(), 32u);
  EXPECT_EQ(sign_in("viewer", kAdminMd5), "");  // a wrong password gets no session

  EXPECT_EQ(call_as(viewer, "/6109", "1"), kTextHead + "OK");
  EXPECT_EQ(call_as(viewer, "/6108", ""), kTextHead + "1");
  EXPECT_EQ(call_as(viewer, "/6073", R"({"id":1,"type":1})"), kRefused);  // accounts
  EXPECT_EQ(call_as(viewer, "/vb.htm", "softversion"), kRefused);       // service commands
  EXPECT_NE(call_as(admin, "/6070", ""), kRefused);

  // Unknown, malformed and expired sessions are refused.
  EXPECT_EQ(call_as("99999999999999999999999999999999", "/6108", ""), kRefused);
  EXPECT_EQ(call_as(admin + "' OR '1'='1", "/6108", ""), kRefused);
  kvdb_sql("web_session", ("UPDATE web_session SET expires = 1 WHERE id = '" + viewer + "'").c_str());
  EXPECT_EQ(call_as(viewer, "/6108", ""), kRefused);
  EXPECT_EQ(call_as(admin, "/6108", ""), kTextHead + "1");
}
}  // namespace
