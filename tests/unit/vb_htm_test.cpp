#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/paths.h"
#include "modules/system/vb_htm.h"
#include "platform/kvdb.h"
#include "support/test_root.h"

namespace {
const std::string kText = "Content-type: text/plain\r\n\r\n";

class VbHtmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const std::string path = std::string(NVR_BIN_DIR) + ":" + getenv("PATH");
    setenv("PATH", path.c_str(), 1);
  }
  std::string chip() { return root_.read_file("/mnt/nand/chip.txt"); }
  void set_chip(const std::string& c) { root_.write_file("/mnt/nand/chip.txt", c + "\n"); }
  TestRoot root_;
};

TEST_F(VbHtmTest, NoArgumentNamesAndUnknownCommands) {
  EXPECT_EQ(call_route("/vb.htm", "softversion"), kText + "7x.7.0.9");
  EXPECT_EQ(call_route("/vb.htm", "pendle"), kText + "ERROR");
  EXPECT_EQ(call_route("/vb.htm", "nothing"), kText + "PARAM ERROR");
  EXPECT_EQ(call_route("/vb.htm", "bogus=1"), kText + "ERROR");
}

TEST_F(VbHtmTest, PairsRunInOrderAndShareOneHeader) {
  EXPECT_EQ(call_route("/vb.htm", "decode=3&hotplug=0"), kText + "OKOK");
  char buf[16];
  get_param_value(devpaths::kKvdb, "decode", buf, sizeof buf, "");
  EXPECT_STREQ(buf, "3");
  get_param_value(devpaths::kKvdb, "hdmihotplug", buf, sizeof buf, "");
  EXPECT_STREQ(buf, "0");
  // The first command keeps its effect when a later name is unknown.
  EXPECT_EQ(call_route("/vb.htm", "decode=5&nope=1"), kText + "OKERROR");
  get_param_value(devpaths::kKvdb, "decode", buf, sizeof buf, "");
  EXPECT_STREQ(buf, "5");
}

TEST_F(VbHtmTest, SplitMustStayInTheFirst64Characters) {
  std::string tail(50, '7');
  EXPECT_EQ(call_route("/vb.htm", "decode=1&decode=" + tail), kText + "PARAM ERROR");
  char buf[64];
  get_param_value(devpaths::kKvdb, "decode", buf, sizeof buf, "unset");
  EXPECT_STREQ(buf, "unset");  // nothing ran
  ArgPair pairs[2] = {};
  EXPECT_EQ(ui_decodeing("a=1&b=2", pairs, 2), 0);
  EXPECT_STREQ(pairs[1].name, "b");
  EXPECT_STREQ(pairs[1].value, "2");
}

TEST_F(VbHtmTest, ChipInfoEndsInCrLf) {
  set_chip("KVN123456H78E1234567S12345678901");
  EXPECT_EQ(call_route("/vb.htm", "paratest=chipinfo"),
            kText + "OK chipinfo=KVN123456H78E1234567S12345678901\r\n");
  EXPECT_EQ(call_route("/vb.htm", "paratest=other"), kText + "Param ERROR");
  EXPECT_FALSE(root_.exists("/tmp/chipinfo.txt"));
}

TEST_F(VbHtmTest, ChipUpdateEditsItsFieldOnly) {
  set_chip("KVN000000H00E0000000S00000000000");
  EXPECT_EQ(call_route("/vb.htm", "chipupdate=N654321"), kText + "OK chipupdate");
  EXPECT_EQ(chip(), "KVN654321H00E0000000S00000000000\n");
  EXPECT_EQ(call_route("/vb.htm", "chipupdate=E7654321"), kText + "OK chipupdate");
  EXPECT_EQ(chip(), "KVN654321H0076543210S00000000000\n");
  // 25 characters are padded to 32 first.
  EXPECT_EQ(call_route("/vb.htm", "chipupdate=KVN111111H11E1111111S11"), kText + "OK chipupdate");
  EXPECT_EQ(chip(), "KVN111111H11E1111111S11000000000\n");
}

TEST_F(VbHtmTest, ChipUpdateRefusesWhatCannotBeAChipText) {
  set_chip("KVN000000H00E0000000S00000000000");
  for (const char* bad : {"chipupdate=", "chipupdate=X123456", "chipupdate=N12",
                          "chipupdate=N1;rm${IFS}-rf", "chipupdate=N'1234'", "chipupdate=N$(id)1"}) {
    EXPECT_EQ(call_route("/vb.htm", bad), kText + "NG chipupdate") << bad;
  }
  EXPECT_EQ(chip(), "KVN000000H00E0000000S00000000000\n");
}

TEST_F(VbHtmTest, ModelUpdatePadsToItsWidth) {
  set_chip("KVN000000H00E0000000S00000000000");
  EXPECT_EQ(call_route("/vb.htm", "modelupdate=N12"), kText + "OK modelupdate");
  EXPECT_EQ(chip(), "KVN120000H00E0000000S00000000000\n");
  EXPECT_EQ(call_route("/vb.htm", "modelupdate=S1234567890A"), kText + "OK modelupdate");
  EXPECT_EQ(chip(), "KVN120000H00E0000000S1234567890A\n");
  EXPECT_EQ(call_route("/vb.htm", "modelupdate=H123"), kText + "NG modelupdate");
  EXPECT_EQ(call_route("/vb.htm", "modelupdate=Q1"), kText + "NG modelupdate");
  EXPECT_EQ(call_route("/vb.htm", "modelupdate=N;id"), kText + "NG modelupdate");
}

TEST_F(VbHtmTest, OemCleanRestoresTheBackupsAndMarksTheResets) {
  root_.write_file("/mnt/nand2/logo.jpg_bk", "factory logo");
  root_.write_file("/mnt/nand2/custom.bin", "x");
  set_param_int(devpaths::kKvdb, "oem_type", 3);
  EXPECT_EQ(call_route("/vb.htm", "oemclean"), kText + "OK");
  EXPECT_EQ(root_.read_file("/opt/app/bin/logo.jpg"), "factory logo");
  EXPECT_FALSE(root_.exists("/mnt/nand2/custom.bin"));
  EXPECT_FALSE(root_.exists("/mnt/nand2/logo.jpg_bk"));
  for (const char* mark : {"/mnt/nand/app/eraseip", "/mnt/nand/app/eraseuser", "/mnt/nand/app/eraseall"})
    EXPECT_TRUE(root_.exists(mark)) << mark;
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "oem_type", -1), 0);
}

TEST(HttpOptionHash, BucketsFollowTheMultiplier37) {
  EXPECT_EQ(hash_cal_value(""), 0u);
  EXPECT_EQ(hash_cal_value("ab"), 97u * 37 + 98);
  ASSERT_EQ(hash_table_init(), 0);
  for (auto& row : HttpOptionTable) {
    ArgPair p{};
    snprintf(p.name, sizeof p.name, "%s", row.name);
    EXPECT_EQ(http_option_search(&p), &row);
  }
  hash_table_destory();
}
}  // namespace
