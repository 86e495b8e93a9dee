#include <gtest/gtest.h>
#include <json-c/json.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "answers_system.h"
#include "cgi/cgic.h"
#include "base/paths.h"
#include "base/text.h"
#include "coresim_server.h"
#include "platform/kvdb.h"
#include "platform/kvdb_users.h"
#include "proto/kvsock_proto.h"
#include "proto/oplog.h"
#include "support/fake_daemon.h"
#include "support/test_root.h"

namespace {

constexpr const char* kText = "Content-type: text/plain\r\n\r\n";
constexpr const char* kJson = "Content-type: application/json\r\n\r\n";

char g_cookie[] = "userName=admin";  // outlives every test

std::string text(const std::string& body) { return kText + body; }

UserRec stored(int id) {
  UserRec u{};
  read_user(devpaths::kKvdb, &u, id);
  return u;
}

void fill_slots(int first, int last) {
  for (int id = first; id <= last; ++id) {
    UserRec u{};
    u.id = id;
    u.enable = 1;
    snprintf(u.name, sizeof u.name, "user%d", id);
    ASSERT_EQ(write_user(devpaths::kKvdb, &u), 0);
  }
}

OpLogRecord log_of(const FakeRequest& r) {
  OpLogRecord log;
  EXPECT_TRUE(record_from(r.payload, &log)) << r.payload.size();
  return log;
}

class UsersTest : public ::testing::Test {
 protected:
  void SetUp() override { cgiCookie = g_cookie; }
  // Requests in the order they were sent (each one opens its own
  // connection, served concurrently), once the daemon has seen n of them.
  std::vector<FakeRequest> seen(size_t n) {
    EXPECT_TRUE(daemon_.wait_requests(n));
    std::vector<FakeRequest> r = daemon_.requests();
    std::stable_sort(r.begin(), r.end(), [](const FakeRequest& a, const FakeRequest& b) {
      return a.connection < b.connection;
    });
    return r;
  }
  static std::vector<int32_t> codes(const std::vector<FakeRequest>& r) {
    std::vector<int32_t> c;
    for (const FakeRequest& q : r) c.push_back(q.code);
    return c;
  }
  TestRoot root_;
  FakeDaemon daemon_;
};

const char* const kCarol =
    R"({"name":"carol","password":"0123456789ABCDEF0123456789abcdef","type":1,"permission":-1,)"
    R"("remotePermission":3,"localliveview":"1010","remoteplayback":")"
    "1111111111111111111111111111111111111111111111111111111111111111"
    R"(","localEvent":1,"remoteShutdown":"1"})";

TEST_F(UsersTest, CreateStoresTheAccountAndTellsTheDaemon) {
  EXPECT_EQ(call_route("/6071", kCarol), text("id=1"));
  UserRec u = stored(1);
  EXPECT_EQ(u.enable, 1);
  EXPECT_STREQ(u.name, "carol");
  EXPECT_STREQ(u.password, "0123456789ABCDEF0123456789abcdef");
  EXPECT_EQ(u.type, 1);
  EXPECT_EQ(u.permission, -1);
  EXPECT_EQ(u.remote_permission, 3);
  EXPECT_EQ(u.local_live_mask, 5u);
  EXPECT_EQ(u.local_playback_mask, 0u);
  EXPECT_EQ(u.remote_playback_mask, ~uint64_t{0});
  EXPECT_EQ(u.local_event, 1);
  EXPECT_EQ(u.remote_shutdown, 1);
  EXPECT_EQ(u.local_live_view, 0);  // absent rights stay 0
  EXPECT_STREQ(u.short_text, "0");

  std::vector<FakeRequest> r = seen(2);
  ASSERT_EQ(codes(r), (std::vector<int32_t>{3505, 3485}));
  EXPECT_EQ(r[0].payload, "");
  OpLogRecord log = log_of(r[1]);
  EXPECT_EQ(log.main_type, 4);
  EXPECT_EQ(log.sub_type, 204);
  EXPECT_EQ(log.param_type, 921);
  EXPECT_STREQ(log.user, "admin");
}

TEST_F(UsersTest, CreateRefusesBadRequestsWithoutOutput) {
  const std::string bad[] = {
      R"({"name":"x","type":1,"permission":-2,"remotePermission":0})",
      R"({"name":"x","type":1,"permission":0,"remotePermission":-2})",
      R"({"name":"x","type":4,"permission":0,"remotePermission":0})",
      R"({"name":"x","permission":0,"remotePermission":0})",
      R"({"name":"x","type":1,"permission":0})",
      R"({"type":1,"permission":0,"remotePermission":0})",
      R"({"name":"","type":1,"permission":0,"remotePermission":0})",
      R"({"name":"\u0000x","type":1,"permission":0,"remotePermission":0})",
      R"({"name":"x","type":1,"permission":0,"remotePermission":0,"localEvent":true})",
      R"({"name":"x","type":1,"permission":0,"remotePermission":0,"localliveview":101})",
      R"({"name":"x","type":1,"permission":0,"remotePermission":0)",
      "",
  };
  for (const std::string& body : bad) EXPECT_EQ(call_route("/6071", body), "") << body;
  EXPECT_EQ(read_user_count(devpaths::kKvdb), 1);
  EXPECT_FALSE(daemon_.wait_requests(1, 100));  // nothing sent

  EXPECT_EQ(call_route("/6071", R"({"name":"x","type":3,"permission":-1,"remotePermission":-1})"), text("id=1"));
}

TEST_F(UsersTest, CreateRefusesATakenName) {
  EXPECT_EQ(call_route("/6071", R"({"name":"admin","type":1,"permission":0,"remotePermission":0})"),
            text("SAMEUSER"));
  EXPECT_EQ(read_user_count(devpaths::kKvdb), 1);
}

TEST_F(UsersTest, FullTableAndSlotReuse) {
  fill_slots(1, 99);
  EXPECT_EQ(call_route("/6071", "not even json"), text("FAILED_FULL"));
  EXPECT_EQ(call_route("/6073", R"({"id":42,"type":0})"), text("OK"));
  EXPECT_EQ(call_route("/6071", R"({"name":"late","type":2,"permission":0,"remotePermission":0})"),
            text("id=42"));
}

TEST_F(UsersTest, ChangeKeepsNamesUnique) {
  fill_slots(1, 2);
  EXPECT_EQ(call_route("/6072", R"({"id":1,"name":"user1","password":"abc"})"), text("OK"));
  EXPECT_STREQ(stored(1).password, "abc");
  EXPECT_EQ(call_route("/6072", R"({"id":1,"name":"user2","password":"zzz"})"), text("SAMEUSER"));
  EXPECT_STREQ(stored(1).name, "user1");
  EXPECT_STREQ(stored(1).password, "abc");
  EXPECT_EQ(call_route("/6072", R"({"id":1,"name":"renamed"})"), text("OK"));
  EXPECT_STREQ(stored(1).name, "renamed");

  std::vector<FakeRequest> r = seen(2);
  EXPECT_EQ(r[0].code, 3505);
  EXPECT_EQ(r[0].payload, bytes_of(int32_t{1}));
}

TEST_F(UsersTest, ChangeOverwritesOnlyWhatIsGiven) {
  fill_slots(1, 1);
  UserRec before = stored(1);
  before.permission = 9;
  write_user(devpaths::kKvdb, &before);
  EXPECT_EQ(call_route("/6072", R"({"id":1,"type":2,"localliveview":"0110","remoteSettings":1,"permission":0})"),
            text("OK"));
  UserRec u = stored(1);
  EXPECT_EQ(u.type, 2);
  EXPECT_STREQ(u.localliveview, "0110");
  EXPECT_EQ(u.local_live_mask, 6u);  // the mask follows its list
  EXPECT_EQ(u.remote_settings, 1);
  EXPECT_EQ(u.permission, 9);  // not changed by this route
  EXPECT_STREQ(u.name, "user1");
}

TEST_F(UsersTest, ChangeRefusesBadRequestsWithoutOutput) {
  fill_slots(1, 1);
  for (const char* body : {R"({"id":100,"name":"x"})", R"({"id":-1})", R"({"name":"x"})",
                           R"({"id":50,"name":"ghost","password":""})", R"({"id":1,"type":9})",
                           R"({"id":1,"name":""})", R"({"id":1,"localStatus":"yes"})", "{"}) {
    EXPECT_EQ(call_route("/6072", body), "") << body;
  }
  EXPECT_EQ(stored(50).enable, 0);  // a free slot is not brought to life
  EXPECT_EQ(stored(1).type, 0);
  EXPECT_FALSE(daemon_.wait_requests(1, 100));  // nothing sent
}

// Without an administrator nobody could manage the recorder again.
TEST_F(UsersTest, TheLastAdministratorIsNeverDeleted) {
  EXPECT_EQ(call_route("/6073", R"({"id":0,"type":0})"), "");
  EXPECT_EQ(stored(0).enable, 1);
  UserRec second = stored(0);
  second.id = 7;
  ASSERT_EQ(write_user(devpaths::kKvdb, &second), 0);
  EXPECT_EQ(call_route("/6073", R"({"id":0,"type":0})"), text("OK"));
  EXPECT_EQ(stored(0).enable, 0);
  EXPECT_EQ(call_route("/6073", R"({"id":7,"type":0})"), "");
}

TEST_F(UsersTest, DeleteFreesTheSlot) {
  fill_slots(1, 1);
  for (const char* body : {R"({"id":100,"type":0})", R"({"id":1})", R"({"id":1,"type":4})", "x"})
    EXPECT_EQ(call_route("/6073", body), "") << body;
  EXPECT_EQ(stored(1).enable, 1);

  EXPECT_EQ(call_route("/6073", R"({"id":1,"type":0})"), text("OK"));
  UserRec u = stored(1);
  EXPECT_EQ(u.enable, 0);
  EXPECT_STREQ(u.name, "");
  std::vector<FakeRequest> r = seen(2);
  ASSERT_EQ(codes(r), (std::vector<int32_t>{3505, 3485}));
  EXPECT_EQ(r[0].payload, bytes_of(int32_t{1}));
  OpLogRecord log = log_of(r[1]);
  EXPECT_EQ(log.main_type, 4);
  EXPECT_EQ(log.sub_type, 204);
  EXPECT_EQ(log.param_type, 922);
}

TEST_F(UsersTest, ListShowsAccountsInUseWithKeysInOrder) {
  fill_slots(5, 5);
  UserRec freed{};
  freed.id = 3;
  write_user(devpaths::kKvdb, &freed);

  std::string a = call_route("/6070", "");
  ASSERT_EQ(a.rfind(kJson, 0), 0u) << a;
  json_object* list = json_tokener_parse(a.c_str() + strlen(kJson));
  ASSERT_EQ(json_object_array_length(list), 2u);
  std::vector<std::string> keys;
  json_object_object_foreach(json_object_array_get_idx(list, 1), key, value) {
    (void)value;
    keys.push_back(key);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "id", "enable", "name", "password", "type", "permission", "localLiveView", "localPlayback",
                      "localRetrieve", "localSmartAnalysis", "localEvent", "localCamera", "localStorage",
                      "localSettings", "localStatus", "localShutdown", "localliveview", "localplayback",
                      "remotePermission", "remoteLiveView", "remotePlayback", "remoteRetrieve",
                      "remoteSmartAnalysis", "remoteEvent", "remoteCamera", "remoteStorage", "remoteSettings",
                      "remoteStatus", "remoteShutdown", "remoteliveview", "remoteplayback"}));
  json_object* admin = json_object_array_get_idx(list, 0);
  json_object* v = nullptr;
  ASSERT_TRUE(json_object_object_get_ex(admin, "remotePermission", &v));
  EXPECT_EQ(json_object_get_int(v), -1);
  ASSERT_TRUE(json_object_object_get_ex(json_object_array_get_idx(list, 1), "id", &v));
  EXPECT_EQ(json_object_get_int(v), 5);
  json_object_put(list);
}

TEST_F(UsersTest, OemListOnlyWhenTheFileExists) {
  EXPECT_EQ(call_route("/6074", ""), "");
  EXPECT_FALSE(root_.exists(devpaths::kOemDb));

  const kvdb::Family* oem = kvdb::find_family("oem_user");
  ASSERT_NE(oem, nullptr);
  OemUserRec in_use{0, 1, "factory", "0192023a7bbd73250516f069df18b500", 1, -1, 5};
  OemUserRec unused{1, 0, "old", "", 0, 0, 0};
  ASSERT_EQ(kvdb::write_one(devpaths::kOemDb, *oem, nullptr, {}, &in_use), 0);
  ASSERT_EQ(kvdb::write_one(devpaths::kOemDb, *oem, nullptr, {}, &unused), 0);
  EXPECT_EQ(call_route("/6074", ""),
            std::string(kJson) + "[ { \"id\": 0, \"enable\": 1, \"name\": \"factory\", \"password\": "
                                 "\"0192023a7bbd73250516f069df18b500\", \"type\": 1, \"permission\": -1, "
                                 "\"remotePermission\": 5 } ]");
}

TEST_F(UsersTest, FlagResets) {
  struct Flag {
    const char* route;
    const char* key;
  };
  for (Flag f : {Flag{"/1023", "kvfs_dbup"}, Flag{"/1024", "permission_update"}}) {
    set_param_int(devpaths::kKvdb, f.key, 1);
    EXPECT_EQ(call_route(f.route, ""), text("OK"));
    EXPECT_EQ(get_param_int(devpaths::kKvdb, f.key, -1), 0) << f.key;
  }
}

TEST_F(UsersTest, PoeCameraPasswordAndNotices) {
  daemon_.reply(3265, bytes_of(int32_t{-7}));
  EXPECT_EQ(call_route("/6075", ""), text("-7"));
  daemon_.silence(3265);
  EXPECT_EQ(call_route("/6075", ""), std::string(kJson) + "{status:\"CGI ERROR\"}");
  EXPECT_EQ(call_route("/6076", ""), text("OK"));
  EXPECT_EQ(call_route("/6077", ""), text("OK"));
  std::vector<FakeRequest> r = seen(4);
  ASSERT_EQ(codes(r), (std::vector<int32_t>{3265, 3265, 3267, 3505}));
  EXPECT_EQ(r[2].payload, "");
  EXPECT_EQ(r[3].payload, "");
}

// The simulator answers the same codes as the device does.
TEST(UsersCoreSim, AnswersAndCounts) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  EXPECT_EQ(call_route("/6075", ""), text("0"));
  EXPECT_EQ(call_route("/6076", ""), text("OK"));
  EXPECT_EQ(call_route("/6073", R"({"id":4,"type":0})"), text("OK"));
  CoreSystemState s;
  for (int i = 0; i < 400; ++i) {
    s = coresim_system_state(sim.device());
    if (s.users_changed >= 1 && s.poe_pwd_applied >= 1) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(s.users_changed, 1u);
  EXPECT_EQ(s.poe_pwd_applied, 1u);
  sim.stop();
}

}  // namespace
