// Video pages against the simulated cameras: what a page sets, the camera
// reports back; a channel without a camera gets the error answers.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "coresim_server.h"
#include "support/test_root.h"

namespace {
const std::string kText = "Content-type: text/plain\r\n\r\n";
const std::string kJson = "Content-type: application/json\r\n\r\n";

// A notice sent without waiting reaches the simulator on its own connection,
// which may be served after the next request: ask again until it shows.
std::string eventually(const char* route, const char* text, const std::string& fragment) {
  std::string out;
  for (int i = 0; i < 50; ++i) {
    out = call_route(route, text);
    if (out.find(fragment) != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return out;
}

class VideoOnCoreSim : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sim_.start(), 0) << sim_.error(); }
  void TearDown() override { sim_.stop(); }
  TestRoot root_;
  CoreSim sim_;
};

TEST_F(VideoOnCoreSim, CamerasRememberWhatThePagesSet) {
  EXPECT_EQ(call_route("/6012", R"({"camId":1,"enable":1,"sensitivity":8,"triChannels":"1","triAlarms":0,)"
                                R"("interval":5,"motionTable":"0110","enableMS":1})"),
            kText + "OK");
  std::string map = eventually("/6098", R"({"id":1})", R"("map": "0110", "sensitivity": 8, "result": 0, "enable": 1,)");
  EXPECT_EQ(map.rfind(kJson + R"({ "map": "0110", "sensitivity": 8, "result": 0, "enable": 1,)", 0), 0u) << map;
  // The motion page copies to channel 2's camera as well.
  EXPECT_EQ(call_route("/6112", R"({"chnid":1,"sensitivity":3,"motionTable":"1001","enableMS":0,"copyChn":[2],"copyCnt":1})"),
            kText + "OK");
  EXPECT_EQ(eventually("/6098", R"({"id":2})", R"("map": "1001", "sensitivity": 3, "result": 0, "enable": 0,)").rfind(kJson + R"({ "map": "1001", "sensitivity": 3, "result": 0, "enable": 0,)", 0),
            0u);
  EXPECT_EQ(call_route("/6019", R"({"cnt":1,"chnid":[2],"enable":1,"num":1,"area":[{"area_id":0,"enable":1,"start_x":5,"name":"door"}]})"),
            kText + "OK");
  std::string masks = eventually("/6115", R"({"id":2})", "maxMaskSum\": 1");
  EXPECT_NE(masks.find(R"("maxMaskSum": 1, "area": [ { "area_id": 0, "enable": 1, "start_x": 5,)"), std::string::npos) << masks;
  EXPECT_EQ(call_route("/6996", R"({"ch":0,"enable_text":1,"text_name":"Yard","textpos":0,"enable_date":1,"datepos":1,)"
                                R"("dateformat":0,"fontSize":1})"),
            kText + "OK");
  EXPECT_NE(call_route("/6997", R"({"id":0})").find(R"("text_name": "Yard")"), std::string::npos);
  EXPECT_EQ(call_route("/6093", R"({"camId":3,"enable":1,"type":0,"volume":75,"duration":2,"onEvent":1,"offEvent":1,)"
                                R"("ongoingEvent":0,"triActions":4,"triChannels":"0001"})"),
            kText + "OK");
  EXPECT_EQ(eventually("/6092", "3", "volume\": 75"), kJson + R"({ "camId": 3, "enable": 1, "type": 0, "volume": 75, "duration": 2, )"
                                              R"("onEvent": 1, "offEvent": 1, "ongoingEvent": 0, "triActions": 4, )"
                                              R"("triChannels": "0001" })");
  EXPECT_EQ(call_route("/6116", R"({"id":2})"), kJson + R"({ "result": 102 })");
}

TEST_F(VideoOnCoreSim, ChannelsWithoutACameraGetTheErrorAnswers) {
  EXPECT_EQ(call_route("/6997", R"({"id":4})"), kJson + R"({ "disconnect": 0 })");
  EXPECT_EQ(call_route("/6997", R"({"id":9})"), kText + "CGI ERROR");
  EXPECT_EQ(call_route("/6090", "9"), kJson + "{status:\"CGI ERROR\"}");
}
}  // namespace
