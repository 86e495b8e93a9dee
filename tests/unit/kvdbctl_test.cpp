// The built kvdbctl program, run as scripts run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "platform/kvdb.h"
#include "support/test_root.h"

namespace {

struct ToolRun {
  int rc;
  std::string out;
  std::string err;
};

class KvdbctlTest : public ::testing::Test {
 protected:
  // Runs kvdbctl on this test's root; args are pasted into a shell line as given.
  ToolRun kvdbctl(const std::string& args, const std::string& input = "") {
    root_.write_file("/tmp/in.txt", input);
    std::string cmd = std::string(NVR_BIN_DIR) + "/kvdbctl --root '" + root_.dir() + "' " + args + " <'" +
                      root_.path("/tmp/in.txt") + "' >'" + root_.path("/tmp/out.txt") + "' 2>'" +
                      root_.path("/tmp/err.txt") + "'";
    int status = system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, root_.read_file("/tmp/out.txt"),
            root_.read_file("/tmp/err.txt")};
  }
  TestRoot root_;
};

TEST_F(KvdbctlTest, InitWritesFactoryDefaultsAndAdminDigest) {
  ToolRun r = kvdbctl("init --admin-password admin");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(root_.exists(devpaths::kKvdb));
  EXPECT_TRUE(root_.exists(devpaths::kAnprDb));
  EXPECT_FALSE(root_.exists(devpaths::kOemDb));  // the factory's file, never made here
  EXPECT_EQ(kvdbctl("get company").out, "Varenholt\n");
  EXPECT_EQ(kvdbctl("get factory_admin_md5").out, "21232f297a57a5a743894a0e4a801fc3\n");
  // MD5 vectors: empty, and a text of more than one block.
  ASSERT_EQ(kvdbctl("init --admin-password ''").rc, 0);
  EXPECT_EQ(kvdbctl("get factory_admin_md5").out, "d41d8cd98f00b204e9800998ecf8427e\n");
  std::string digits;
  for (int i = 0; i < 8; ++i) digits += "1234567890";
  ASSERT_EQ(kvdbctl("init --admin-password " + digits).rc, 0);
  EXPECT_EQ(kvdbctl("get factory_admin_md5").out, "57edf4a22be3c955ac49da2e2107b67a\n");

  ASSERT_EQ(kvdbctl("set company Other").rc, 0);
  ASSERT_EQ(kvdbctl("init").rc, 0);  // init starts over
  EXPECT_EQ(kvdbctl("get company").out, "Varenholt\n");
  EXPECT_EQ(kvdbctl("get factory_admin_md5").rc, 1);
}

TEST_F(KvdbctlTest, ParametersAndUsageErrors) {
  ASSERT_EQ(kvdbctl("set decode 'a b'").rc, 0);
  EXPECT_EQ(kvdbctl("get decode").out, "a b\n");
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "max_cameras", 0), 32);  // the library sees the same file

  ToolRun missing = kvdbctl("get no_such_key");
  EXPECT_EQ(missing.rc, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("no_such_key"), std::string::npos);
  EXPECT_EQ(kvdbctl("").rc, 2);
  EXPECT_EQ(kvdbctl("get").rc, 2);
  EXPECT_EQ(kvdbctl("frobnicate x").rc, 2);
  EXPECT_EQ(kvdbctl("--bogus tables").rc, 2);
}

TEST_F(KvdbctlTest, LoadAndDumpRowsThroughTheDescriptors) {
  ASSERT_EQ(kvdbctl("load ptz_params -",
                    R"([{"type": 1, "chn_id": 3, "acto_ptz_channel": 2, "acto_ptz_preset": 5},
                        {"type": 1, "chn_id": 3, "acto_ptz_channel": 4}])")
                .rc,
            0);
  PtzParams p{};
  int n = 0;
  ASSERT_EQ(read_ptz_params(devpaths::kKvdb, 1, 3, &p, &n), 0);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(p.entry[0].acto_ptz_preset, 5);
  EXPECT_EQ(p.entry[1].acto_ptz_channel, 4);

  ToolRun dump = kvdbctl("dump ptz_params");
  ASSERT_EQ(dump.rc, 0) << dump.err;
  EXPECT_NE(dump.out.find("\"family\":\"ptz_params\""), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("\"acto_ptz_preset\":5"), std::string::npos) << dump.out;

  // A dump loads back unchanged, also into a table named by the caller.
  ScheduleRec s{};
  strcpy(s.day[2].period[3].start, "07:15");
  s.day[7].whole_day_action = -3;
  ASSERT_EQ(write_schedule(devpaths::kKvdb, "motion_ptz_sche", 9, &s), 0);
  ToolRun sched = kvdbctl("dump motion_ptz_sche");
  ASSERT_EQ(sched.rc, 0) << sched.err;
  root_.write_file("/tmp/sched.json", sched.out);
  ASSERT_EQ(kvdbctl("load copy_sche " + root_.path("/tmp/sched.json")).rc, 0);
  ScheduleRec back{};
  ASSERT_EQ(read_schedule(devpaths::kKvdb, "copy_sche", 9, &back), 0);
  EXPECT_EQ(memcmp(&s, &back, sizeof s), 0);
  EXPECT_NE(kvdbctl("tables").out.find("copy_sche\tschedule\t1\n"), std::string::npos);
}

TEST_F(KvdbctlTest, BadLoadsChangeNothing) {
  ASSERT_EQ(kvdbctl("load alarm_audio_file -", R"([{"id": 1, "enable": 1, "name": "a"}])").rc, 0);
  struct {
    std::string args;
    std::string input;
  } bad[] = {
      {"load alarm_audio_file -", R"([{"id": 2, "colour": 1}])"},
      {"load alarm_audio_file -", R"([{"id": 2, "name": ")" + std::string(128, 'n') + "\"}]"},
      {"load alarm_audio_file -", R"([{"id": "2"}])"},
      {"load alarm_audio_file -", R"([{"id": 4294967296}])"},
      {"load alarm_audio_file -", "[1]"},
      {"load alarm_audio_file -", "{not json"},
      {"load alarm_audio_file /no/such/file", ""},
      {"load unknown_sche -", "[]"},
      {"load 'x;y' -", "[]"},
      {"load motion_sche - --family no_family", "[]"},
      {"load alarm_audio_file - --family schedule", "[]"},
      {"load some_sche - --family schedule", R"([{"schedule": "00"}])"},  // no channel
      {"load some_sche - --family schedule", R"([{"chn": 1, "schedule": "zz"}])"},
      {"dump unknown_table", ""},
  };
  for (auto& b : bad) {
    ToolRun r = kvdbctl(b.args, b.input);
    EXPECT_EQ(r.rc, 1) << b.args << " " << b.input;
    EXPECT_NE(r.err, "") << b.args;
  }
  ToolRun dump = kvdbctl("dump alarm_audio_file");
  EXPECT_NE(dump.out.find("\"name\":\"a\""), std::string::npos) << dump.out;
  EXPECT_EQ(dump.out.find("\"id\":2"), std::string::npos) << dump.out;
}

}  // namespace

// "rows" prints every row of both databases as TABLE<TAB>JSON, so that a diff of
// two runs shows exactly the rows a request changed.
TEST_F(KvdbctlTest, RowsListEveryRowOneLineEach) {
  ASSERT_EQ(kvdbctl("init").rc, 0);
  ToolRun before = kvdbctl("rows");
  ASSERT_EQ(before.rc, 0) << before.err;
  EXPECT_NE(before.out.find("params\t{\"key\":\"raidmode\",\"value\":\"0\"}\n"), std::string::npos);
  ASSERT_EQ(kvdbctl("set raidmode 1").rc, 0);
  ToolRun after = kvdbctl("rows");
  EXPECT_NE(after.out.find("params\t{\"key\":\"raidmode\",\"value\":\"1\"}\n"), std::string::npos);
  EXPECT_EQ(std::count(after.out.begin(), after.out.end(), '\n'), std::count(before.out.begin(), before.out.end(), '\n'));
}
