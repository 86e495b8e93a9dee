// Storage routes against the simulated core daemon: the device changes when
// it is told to.
#include <gtest/gtest.h>

#include <string>

#include "answers_log.h"
#include "coresim_server.h"
#include "support/test_root.h"

namespace {
const std::string kText = "Content-type: text/plain\r\n\r\n";
const std::string kJson = "Content-type: application/json\r\n\r\n";

class StorageOnCoreSim : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sim_.start(), 0) << sim_.error(); }
  void TearDown() override { sim_.stop(); }
  bool listed(const std::string& fragment) { return call_route("/6100", "").find(fragment) != std::string::npos; }
  TestRoot root_;
  CoreSim sim_;
};

TEST_F(StorageOnCoreSim, FormattingProgressesAndEmptiesTheDisk) {
  EXPECT_FALSE(listed("\"portId\": 2, \"vendorName\": \"SIM-HDD2 4TB\", \"address\": \"\", \"directory\": \"\", "
                      "\"totalSize\": 4096000, \"usedSize\": 0"));
  EXPECT_EQ(call_route("/6102", "2"), kText + "OK");
  EXPECT_EQ(call_route("/6102", "3"), kText + "USING");
  for (int percent : {25, 50, 75})
    EXPECT_EQ(call_route("/6227", ""),
              kJson + "{ \"status\": 1, \"port\": 2, \"type\": 1, \"percent\": " + std::to_string(percent) + " }");
  EXPECT_EQ(call_route("/6227", ""), kJson + "{ \"status\": 0, \"port\": 2, \"type\": 1, \"percent\": 100 }");
  EXPECT_TRUE(listed("\"portId\": 2, \"vendorName\": \"SIM-HDD2 4TB\", \"address\": \"\", \"directory\": \"\", "
                     "\"totalSize\": 4096000, \"usedSize\": 0"));
  bool logged = false;
  for (const auto& e : coresim_oplogs(sim_.device())) logged |= e.sub_type == 207 && e.channel == 2;
  EXPECT_TRUE(logged);
}

TEST_F(StorageOnCoreSim, RaidAndNetworkDisksAppearAndGo) {
  EXPECT_TRUE(listed("\"portId\": 10, \"vendorName\": \"RAID1\""));
  EXPECT_EQ(call_route("/6104", R"({"id":11,"enable":1,"sata_port":12,"sata_cnt":2,"level":0})"), kText + "OK");
  EXPECT_TRUE(listed("\"portId\": 11, \"vendorName\": \"RAID0\""));
  EXPECT_EQ(call_route("/6104", R"({"id":11,"enable":1,"sata_port":12,"sata_cnt":2,"level":0})"), kText + "Error");
  EXPECT_EQ(call_route("/6105", "11"), kText + "OK");
  EXPECT_FALSE(listed("\"portId\": 11,"));

  EXPECT_EQ(call_route("/6201", R"({"num":1,"type":3,"port":[12],"vendor":["nas"],"address":["192.0.2.7"],)"
                                R"("directory":["/rec"],"userName":[""],"password":[""]})"),
            kJson + "{ \"status\": 0, \"res\": 0 }");
  EXPECT_TRUE(listed("\"portId\": 12, \"vendorName\": \"nas\", \"address\": \"192.0.2.7\""));
  EXPECT_EQ(call_route("/6202", R"({"port":12,"serverAddr":"192.0.2.7"})"),
            kJson + "{ \"resultString\": \"OK\", \"NAS\": [ { \"filePath\": \"\\/export\\/records\" }, "
                    "{ \"filePath\": \"\\/export\\/backup\" }, { \"filePath\": \"\\/srv\\/nvr\" } ] }");
  EXPECT_EQ(call_route("/6200", R"({"num":1,"port":[12]})"), kText + "OK");
  // The daemon forgot it; the stored record still lists it, offline.
  EXPECT_TRUE(listed("\"portId\": 12, \"vendorName\": \"nas\", \"address\": \"192.0.2.7\", \"directory\": "
                     "\"\\/rec\", \"totalSize\": 0, \"usedSize\": 0, \"freeSize\": 0, \"hddType\": 3, \"state\": 2"));
}

TEST_F(StorageOnCoreSim, QuotasAndRecycleModeKeepWhatWasSet) {
  EXPECT_EQ(call_route("/6209", R"({"enable":1,"quota_array":[{"channel":2,"video_quota":300,"picture_quota":40}]})"),
            kText + "OK");
  EXPECT_NE(call_route("/6208", "").find("{ \"enable\": 1, \"quota_array\": [ { \"channel\": 2, \"video_used\": 100, "
                                         "\"video_quota\": 300, \"picture_used\": 10, \"picture_quota\": 40 } ]"),
            std::string::npos);
  EXPECT_EQ(call_route("/6204", R"({"mode":0,"esata":1})"), kJson + "{ \"status\": \"OK\" }");
  EXPECT_EQ(call_route("/6205", ""), kJson + "{ \"mode\": 0, \"esata\": 1 }");
}
}  // namespace
