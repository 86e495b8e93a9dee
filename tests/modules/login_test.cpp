#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "answers_system.h"
#include "cgi/cgic.h"
#include "base/paths.h"
#include "base/text.h"
#include "modules/system/system_module.h"
#include "coresim_server.h"
#include "platform/kvdb.h"
#include "platform/kvdb_users.h"
#include "proto/kvsock_proto.h"
#include "proto/oplog.h"
#include "support/fake_daemon.h"
#include "support/test_root.h"

namespace {

constexpr const char* kText = "Content-type: text/plain\r\n\r\n";
constexpr const char* kDigest = "5ebe2294ecd0e0f08eab7690d2a6ee69";  // stored in small letters

// Request globals point here: they outlive every test.
char g_cookie[] = "userName=someone";
char g_host[128];

std::string login_body(const std::string& name, const std::string& md5) {
  return R"({"userName":")" + name + R"(","md5":")" + md5 + R"("})";
}

std::string failed(int type) { return std::string(kText) + "{ \"type\": " + std::to_string(type) + " }"; }

UserRec account(int id, const char* name, const char* md5, int type) {
  UserRec u{};
  u.id = id;
  u.enable = 1;
  copy_text(u.name, name);
  copy_text(u.password, md5);
  u.type = type;
  return u;
}

// The session identifier of a sign-in answer, "" when there is none.
std::string session_of(const std::string& answer) {
  const std::string key = "\"sessionId\": \"";
  size_t at = answer.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  return answer.substr(at, answer.find('"', at) - at);
}

bool all_digits(const std::string& s) {
  return s.find_first_not_of("0123456789") == std::string::npos;
}

// Cookie expiry dates ("Mon, 07-Dec-2026 23:19:05 GMT") replaced by "DATE";
// a date of another form is left, so that the comparison fails.
std::string masked_dates(std::string a, std::vector<time_t>* dates = nullptr) {
  for (size_t at = a.find("expires="); at != std::string::npos; at = a.find("expires=", at)) {
    at += 8;
    size_t end = a.find("; path=", at);
    if (end == std::string::npos) break;
    std::string date = a.substr(at, end - at);
    struct tm t{};
    const char* rest = strptime(date.c_str(), "%a, %d-%b-%Y %H:%M:%S GMT", &t);
    if (!rest || *rest || date.size() != 29) continue;
    if (dates) dates->push_back(timegm(&t));
    a.replace(at, end - at, "DATE");
  }
  return a;
}

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cgiCookie = g_cookie;
    ASSERT_EQ(write_user(devpaths::kKvdb, &(bob_ = account(1, "bob", kDigest, 1))), 0);
  }
  TestRoot root_;
  FakeDaemon daemon_;
  UserRec bob_{};
};

TEST_F(LoginTest, DigestMatchesInEitherLetterCase) {
  for (const char* md5 : {kDigest, "5EBE2294ECD0E0F08EAB7690D2A6EE69"}) {
    std::string a = call_route("/1000", login_body("bob", md5));
    EXPECT_EQ(a.rfind(std::string(kText) + "{ \"type\": 1, \"userName\": \"bob\",", 0), 0u) << a;
  }
}

TEST_F(LoginTest, RefusedSignInsAnswerOnlyTheTypeAndLogNothing) {
  UserRec guard = account(2, "guard", kDigest, kUserTypeNoWeb);
  UserRec nopass = account(3, "nopass", "", 0);
  UserRec freed{};
  freed.id = 4;  // a deleted account: empty name, empty digest, enable 0
  for (const UserRec* u : {&guard, &nopass, &freed}) ASSERT_EQ(write_user(devpaths::kKvdb, u), 0);

  EXPECT_EQ(call_route("/1000", login_body("bob", "00000000000000000000000000000000")), failed(-1));
  EXPECT_EQ(call_route("/1000", login_body("guard", kDigest)), failed(-2));
  EXPECT_EQ(call_route("/1000", login_body("guard", "wrong")), failed(-2));
  EXPECT_EQ(call_route("/1000", login_body("nobody", "")), failed(-1));
  EXPECT_EQ(call_route("/1000", login_body("nobody", kDigest)), failed(-1));
  EXPECT_EQ(call_route("/1000", login_body("nopass", "")), failed(-1));
  EXPECT_EQ(call_route("/1000", login_body("", "")), failed(-1));
  EXPECT_EQ(call_route("/1000", R"({"userName":5,"md5":""})"), failed(-1));
  EXPECT_EQ(call_route("/1000", ""), "");
  EXPECT_EQ(call_route("/1000", "{\"userName\":"), "");
  EXPECT_FALSE(daemon_.wait_requests(1, 100));  // nothing sent
  // The certificate directories are made on every attempt.
  EXPECT_TRUE(root_.exists(devpaths::kSslTmpDir));
}

TEST_F(LoginTest, SuccessAnswerKeysInOrder) {
  UserRec u = account(7, "operator", kDigest, 2);
  int32_t* local[] = {&u.local_live_view, &u.local_playback, &u.local_retrieve, &u.local_smart_analysis,
                      &u.local_event,     &u.local_camera,   &u.local_storage,  &u.local_settings,
                      &u.local_status,    &u.local_shutdown};
  int32_t* remote[] = {&u.remote_live_view, &u.remote_playback, &u.remote_retrieve, &u.remote_smart_analysis,
                       &u.remote_event,     &u.remote_camera,   &u.remote_storage,  &u.remote_settings,
                       &u.remote_status,    &u.remote_shutdown};
  for (int i = 0; i < 10; ++i) *local[i] = i + 1, *remote[i] = i + 11;
  u.permission = 12345;
  u.remote_permission = -1;
  copy_text(u.localliveview, "1100");
  copy_text(u.localplayback, "0011");
  copy_text(u.remoteliveview, "1");
  ASSERT_EQ(write_user(devpaths::kKvdb, &u), 0);
  set_param_int(devpaths::kKvdb, "failover_mode", 1);
  set_param_int(devpaths::kKvdb, "same_channel_exist", 2);
  set_param_value(devpaths::kKvdb, "hardware_version", "H2");
  set_param_value(devpaths::kKvdb, "software_version", "S9");
  set_param_value(devpaths::kKvdb, "model", "NVR-16");

  std::string a = call_route("/1000", login_body("operator", kDigest));
  std::string session = session_of(a);
  EXPECT_TRUE(session.size() == 32 && all_digits(session)) << session;
  EXPECT_EQ(a, std::string(kText) +
                   "{ \"type\": 2, \"userName\": \"operator\", \"permission\": 12345, \"localLiveView\": 1, "
                   "\"localPlayback\": 2, \"localRetrieve\": 3, \"localSmartAnalysis\": 4, \"localEvent\": 5, "
                   "\"localCamera\": 6, \"localStorage\": 7, \"localSettings\": 8, \"localStatus\": 9, "
                   "\"localShutdown\": 10, \"localliveview\": \"1100\", \"localplayback\": \"0011\", "
                   "\"remotePermisson\": -1, \"remoteLiveView\": 11, \"remotePlayback\": 12, "
                   "\"remoteRetrieve\": 13, \"remoteSmartAnalysis\": 14, \"remoteEvent\": 15, "
                   "\"remoteCamera\": 16, \"remoteStorage\": 17, \"remoteSettings\": 18, \"remoteStatus\": 19, "
                   "\"remoteShutdown\": 20, \"remoteliveview\": \"1\", \"remoteplayback\": \"\", "
                   "\"sessionId\": \"" + session + "\", \"failoverMode\": 1, \"sameChannel\": 1, "
                   "\"hardwareVersion\": \"H2\", \"softwareVersion\": \"S9\", \"model\": \"NVR-16\" }");

  set_param_int(devpaths::kKvdb, "same_channel_exist", 1);
  EXPECT_NE(call_route("/1000", login_body("operator", kDigest)).find("\"sameChannel\": 0,"), std::string::npos);
}

TEST_F(LoginTest, SignInIsLoggedUnderTheLoginName) {
  call_route("/1000", login_body("bob", kDigest));
  ASSERT_TRUE(daemon_.wait_requests(1));
  FakeRequest r = daemon_.requests().at(0);
  EXPECT_EQ(r.code, kReqOpLog);
  OpLogRecord log;
  ASSERT_TRUE(record_from(r.payload, &log)) << r.payload.size();
  EXPECT_EQ(log.main_type, 4);
  EXPECT_EQ(log.sub_type, 201);
  EXPECT_EQ(log.param_type, 900);
  EXPECT_EQ(log.remote, 1);
  EXPECT_STREQ(log.user, "bob");  // not the cookie's "someone"
}

TEST_F(LoginTest, SessionIdentifiersDifferWithinOneSecond) {
  std::string a = session_of(call_route("/1000", login_body("bob", kDigest)));
  std::string b = session_of(call_route("/1000", login_body("bob", kDigest)));
  EXPECT_EQ(a.size(), 32u);
  EXPECT_EQ(b.size(), 32u);
  EXPECT_NE(a, b);
}

TEST(TimeText, LocalTimeWithUnderscores) {
  const char* saved = getenv("TZ");
  std::string old = saved ? saved : "";
  setenv("TZ", "UTC", 1);
  tzset();
  char buf[32];
  ASSERT_EQ(time_to_string_local_ex(951827696, buf), 0);
  EXPECT_STREQ(buf, "2000-02-29_12_34_56");
  saved ? setenv("TZ", old.c_str(), 1) : unsetenv("TZ");
  tzset();
}

// ---- Factory administrator digest ----

TEST(FactoryAdmin, DigestComesFromTheStoredParameter) {
  TestRoot root;
  UserRec admin{};
  ASSERT_EQ(read_user(devpaths::kKvdb, &admin, 0), 0);
  EXPECT_STREQ(admin.password, kFallbackAdminMd5);
  EXPECT_EQ(admin.remote_playback_mask, ~uint64_t{0});

  auto refactor = [] {
    return kvdb::transact(devpaths::kKvdb, kvdb::Txn::kWrite,
                          [](kvdb::Txn& t) { return kvdb::run_factory_defaults(t); });
  };
  set_param_value(devpaths::kKvdb, kFactoryAdminMd5Key, "5EBE2294ECD0E0F08EAB7690D2A6EE69");
  ASSERT_EQ(refactor(), 0);
  read_user(devpaths::kKvdb, &admin, 0);
  EXPECT_STREQ(admin.password, kDigest);

  set_param_value(devpaths::kKvdb, kFactoryAdminMd5Key, "not a digest");
  ASSERT_EQ(refactor(), 0);
  read_user(devpaths::kKvdb, &admin, 0);
  EXPECT_STREQ(admin.password, kFallbackAdminMd5);
}

// ---- Sign-in link of notification e-mails ----

class MailLoginTest : public LoginTest {
 protected:
  void SetUp() override {
    LoginTest::SetUp();
    copy_text(g_host, "192.168.1.10:8080");
    cgiServerAddr = g_host;
  }
};

TEST_F(MailLoginTest, AcceptedLinkSetsFiveCookiesThenRedirects) {
  daemon_.reply(3504, bytes_of(int32_t{0}));
  time_t before = time(nullptr);
  std::string a = call_route("/1018", "token=abc");
  std::string cookies;
  for (const char* c : {"userName=temp", "userType=2", "permission=0", "sessionId=0", "language=en-US"})
    cookies += std::string("Set-Cookie: ") + c + "; domain=192.168.1.10; expires=DATE; path=/\r\n";
  std::vector<time_t> dates;
  EXPECT_EQ(masked_dates(a, &dates), cookies + "Location: ../../html/index.html\r\n\r\n");
  for (time_t expires : dates) {  // ten minutes
    EXPECT_GE(expires, before + 600);
    EXPECT_LE(expires, before + 602);
  }

  FakeRequest r = daemon_.requests().at(0);
  EXPECT_EQ(r.code, 3504);
  ASSERT_EQ(r.payload.size(), 256u);
  EXPECT_EQ(r.payload.substr(0, 10), std::string("token=abc\0", 10));
}

TEST_F(MailLoginTest, DomainIsTheHostCutAtColonAndLength) {
  daemon_.reply(3504, bytes_of(int32_t{0}));
  copy_text(g_host, "recorder.local");
  EXPECT_NE(call_route("/1018", "q").find("domain=recorder.local;"), std::string::npos);
  copy_text(g_host, std::string(60, 'h').c_str());
  EXPECT_NE(call_route("/1018", "q").find("domain=" + std::string(49, 'h') + ";"), std::string::npos);
}

TEST_F(MailLoginTest, RefusedLinkRedirectsHomeWithoutCookies) {
  daemon_.reply(3504, bytes_of(int32_t{-1}));
  EXPECT_EQ(call_route("/1018", "token=bad"), "Location: ../../html/home.html\r\n\r\n");
}

TEST_F(MailLoginTest, SilentDaemonAndEmptyText) {
  EXPECT_EQ(call_route("/1018", "token=abc"), std::string(kText) + "CGI ERROR");
  EXPECT_EQ(call_route("/1018", ""), "");
}

TEST(MailLoginCoreSim, AcceptsTheDemoTokenAndIssuedTokensOnce) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  copy_text(g_host, "10.0.0.2");
  cgiServerAddr = g_host;
  auto redirect = [](const std::string& link) {
    std::string a = call_route("/1018", link);
    return a.substr(a.find("Location: "));
  };
  const std::string index = "Location: ../../html/index.html\r\n\r\n";
  const std::string home = "Location: ../../html/home.html\r\n\r\n";
  EXPECT_EQ(redirect(std::string("token=") + kCoreMailDemoToken), index);
  std::string issued = coresim_issue_mail_token(sim.device());
  EXPECT_EQ(redirect("user=a&token=" + issued), index);
  EXPECT_EQ(redirect("user=a&token=" + issued), home);  // used up
  EXPECT_EQ(redirect(std::string("xtoken=") + kCoreMailDemoToken), home);
  EXPECT_EQ(redirect(std::string("token=") + kCoreMailDemoToken + "0"), home);
  sim.stop();
}

// ---- Language list ----

std::string language_list(int n, const std::string& extra = "", const std::string& is_default = "false") {
  std::string s = R"({"defaultLan":"en-US","list":[)";
  for (int i = 0; i < n; ++i)
    s += std::string(i ? "," : "") + R"({"value":"l)" + std::to_string(i) + R"(","name":"L","isDefault":)" +
         (i == 0 ? is_default : "false") + "}";
  return s + "]" + extra + "}";
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  return s.replace(s.find(from), from.size(), to);
}

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { root_.write_file(devpaths::kLanguages, "old\n"); }
  std::string live() const { return root_.read_file(devpaths::kLanguages); }
  TestRoot root_;
};

TEST_F(LanguageTest, NineteenValidElementsReplaceTheList) {
  std::string body = language_list(19, "", "true");
  EXPECT_EQ(call_route("/1001", body), std::string(kText) + "OK");
  EXPECT_EQ(live(), body + "\n");
  EXPECT_FALSE(root_.exists(devpaths::kLanguagesBak));
}

TEST_F(LanguageTest, RefusedSilentlyAndUnchanged) {
  const std::string bad[] = {
      language_list(18),
      language_list(19, R"(,"extra":1)"),
      language_list(19, "", R"("true")"),
      language_list(19, "", "1"),
      R"({"defaultLan":"","list":[]})",
      replaced(language_list(19), R"("en-US")", R"("\u0000x")"),
      replaced(language_list(19), R"("value":"l3")", R"("value":"")"),
      replaced(language_list(19), R"("name":"L")", R"("name":7)"),
      language_list(19) + "junk",
      language_list(19) + "{}",
      "not json",
  };
  for (const std::string& body : bad) {
    EXPECT_EQ(call_route("/1001", body), "") << body;
    EXPECT_EQ(live(), "old\n") << body;
  }
}

TEST_F(LanguageTest, StoredAsParsedAndLeftoverStagingReplaced) {
  root_.write_file(devpaths::kLanguagesBak, "half a list from a killed writer");
  std::string body = language_list(19);
  EXPECT_EQ(call_route("/1001", " " + replaced(body, ",", " , ") + "\n\t"), std::string(kText) + "OK");
  EXPECT_EQ(live(), body + "\n");
  EXPECT_FALSE(root_.exists(devpaths::kLanguagesBak));
}

TEST_F(LanguageTest, StagingFailureLeavesTheLiveList) {
  mkdir(root_.path(devpaths::kLanguagesBak).c_str(), 0755);  // cannot be opened for writing
  EXPECT_EQ(call_route("/1001", language_list(19)), "");
  EXPECT_EQ(live(), "old\n");
}

TEST_F(LanguageTest, ReplacementWaitsForTheLockHolder) {
  int release[2];
  int held[2];
  ASSERT_EQ(pipe(release), 0);
  ASSERT_EQ(pipe(held), 0);
  std::string lock_path = root_.path(devpaths::kLockFile);
  pid_t child = fork();
  if (child == 0) {  // another request process holding the lock
    int fd = open(lock_path.c_str(), O_RDWR | O_CREAT, 0644);
    char c = 0;
    if (fd < 0 || lockf(fd, F_LOCK, 0) != 0 || write(held[1], "1", 1) != 1) _exit(1);
    if (read(release[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(held[0], &c, 1), 1);

  std::string body = language_list(20);
  std::string answer;
  std::thread request([&] { answer = call_route("/1001", body); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(live(), "old\n");  // not touched while another process holds the lock
  EXPECT_EQ(write(release[1], "x", 1), 1);
  request.join();
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(answer, std::string(kText) + "OK");
  EXPECT_EQ(live(), body + "\n");
  for (int fd : {release[0], release[1], held[0], held[1]}) close(fd);
}

}  // namespace
