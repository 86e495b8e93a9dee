#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "coresim_server.h"
#include "modules/ptz/ptz_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_ptz.h"
#include "proto/ptz_proto.h"
#include "support/module_test.h"

using namespace ptz;

namespace {
class PtzTest : public ModuleTest {
 protected:
  // Requests other than logs once n of all requests have arrived.
  std::vector<FakeRequest> sent(size_t n) {
    EXPECT_TRUE(daemon_.wait_requests(n));
    return work();
  }
};

const std::string kOk = kTextHead + "OK";

int32_t word_at(const std::string& payload, size_t offset) {
  int32_t v = 0;
  memcpy(&v, payload.data() + offset, sizeof v);
  return v;
}

std::string text_at(const std::string& payload, size_t offset) { return std::string(payload.c_str() + offset); }

TEST_F(PtzTest, MoveSendsCommandTwiceForAutoFocusThenTheCameraSpeed) {
  daemon_.reply(kReqCameraSettingSet, word(0));
  EXPECT_EQ(call("/5000", R"({"channelId":3,"action":21,"isAutoFocus":1,"panSpeed":6,"tiltSpeed":2,)"
                          R"("zoomSpeed":1,"focusSpeed":4,"fisheyeType":1,"streamId":2})"),
            kOk);
  auto w = sent(4);
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1251, 1251, 3226}));
  const std::string& move = w[0].payload;
  ASSERT_EQ(move.size(), 72u);
  EXPECT_EQ(move.substr(0, 28), word(3) + word(21) + word(0) + word(6) + word(2) + word(1) + word(4));
  EXPECT_EQ(move.substr(28, 36), std::string(36, '\0'));
  EXPECT_EQ(move.substr(64), word(1) + word(2));
  EXPECT_EQ(w[1].payload.substr(0, 8), word(3) + word(12));
  const std::string& speed = w[2].payload;
  ASSERT_EQ(speed.size(), 392u);
  EXPECT_EQ(word_at(speed, 0), 3);
  EXPECT_EQ(text_at(speed, 4), "");
  EXPECT_EQ(text_at(speed, 68), "vsetting.html");
  EXPECT_EQ(text_at(speed, 132), "ptzspeed");
  EXPECT_EQ(text_at(speed, 260), "5");
  auto l = logs();
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].main_type, 4);
  EXPECT_EQ(l[0].sub_type, 206);
  EXPECT_EQ(l[0].param_type, 900);
  EXPECT_EQ(l[0].channel, 4);
}

TEST_F(PtzTest, MoveRefusesChannelsAndActionsOutsideTheirBounds) {
  set_param_int(devpaths::kKvdb, "max_cameras", 8);
  for (const char* bad : {R"({"channelId":8,"action":1})", R"({"channelId":-1,"action":1})",
                          R"({"channelId":0,"action":-1})", R"({"action":1})", R"({"channelId":0})", "{", ""})
    EXPECT_EQ(call("/5000", bad), "") << bad;
  EXPECT_TRUE(daemon_.requests().empty());
  fast_silence();
  EXPECT_EQ(call("/5000", R"({"channelId":7,"action":1})"), kTextError);
}

TEST_F(PtzTest, CameraSpeedIsOneBelowTheWebSpeed) {
  const struct {
    const char* speed;
    const char* sent;
  } cases[] = {{"1", "0"}, {"0", "1"}, {"5", "4"}};
  daemon_.reply(kReqCameraSettingSet, word(0));
  for (const auto& c : cases)
    EXPECT_EQ(call("/5008", std::string(R"({"chn":2,"Speed":)") + c.speed + "}"), kOk) << c.speed;
  auto w = sent(6);
  ASSERT_EQ(w.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(text_at(w[i].payload, 260), cases[i].sent);
  EXPECT_EQ(logs()[0].param_type, 904);
}

TEST_F(PtzTest, PresetIdsUpToThreeHundredAndNamesOnlyWhenSetting) {
  const std::string speeds = R"("panSpeed":1,"tiltSpeed":1,"zoomSpeed":1,"focusSpeed":1)";
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":301,"action":22,)" + speeds + "}"), "");
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":-1,"action":22,)" + speeds + "}"), "");
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":300,"action":23,"panSpeed":1})"), "");
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":3,"action":23,"panSpeed":-1,"tiltSpeed":1,)"
                          R"("zoomSpeed":1,"focusSpeed":1})"),
            "");
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":300,"action":22,"name":")" + std::string(40, 'n') + "\"," +
                              speeds + "}"),
            kOk);
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":4,"action":23,"name":"x",)" + speeds + "}"), kOk);
  auto w = sent(4);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(word_at(w[0].payload, 8), 300);
  EXPECT_EQ(text_at(w[0].payload, 28), std::string(30, 'n'));
  EXPECT_EQ(text_at(w[1].payload, 28), "");
  EXPECT_EQ(logs()[0].param_type, 904);

  // Naming a fisheye preset also tells the camera, and waits for it.
  daemon_.reply(kReqCameraSettingSet, word(0));
  EXPECT_EQ(call("/5001", R"({"channelId":1,"presetId":5,"action":22,"name":"Gate","fisheyeType":1,"streamId":2,)" +
                              speeds + "}"),
            kOk);
  w = sent(7);
  EXPECT_EQ(work_codes().back(), 3226);
  EXPECT_EQ(text_at(w.back().payload, 132), "ipncptz=setfishpreset");
  EXPECT_EQ(text_at(w.back().payload, 260), "2:5:Gate");
}

TEST_F(PtzTest, PatternButtonsMapToActionCodes) {
  const int32_t expected[] = {26, 21, 25, 27, 40, 0, 0};
  const int actions[] = {0, 1, 2, 3, 4, 5, -1};
  for (int a : actions)
    EXPECT_EQ(call("/5004", R"({"chn":2,"tourid":3,"action":)" + std::to_string(a) + "}"), kOk);
  auto w = sent(14);
  ASSERT_EQ(w.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(w[i].code, 1254);
    EXPECT_EQ(w[i].payload.substr(0, 12), word(2) + word(expected[i]) + word(3)) << actions[i];
  }
}

TEST_F(PtzTest, TourSetStoresExactlyThePointsSent) {
  TourTable before{};
  before.points[0] = {9, 9, 9};           // tour 1 stays
  before.points[kTourPoints + 5] = {7, 7, 7};  // old tail of tour 2
  ASSERT_EQ(write_ptz_tour(devpaths::kKvdb, &before, 4), 0);
  EXPECT_EQ(call("/6055", R"({"chn":4,"tourid":2,"rowsize":3,"path":[{"preset":5,"time":10,"speed":3},)"
                          R"({"preset":0,"time":0,"speed":0},{"preset":6,"time":20,"speed":4}]})"),
            kOk);
  auto w = sent(2);
  ASSERT_EQ(w[0].code, 1264);
  ASSERT_EQ(w[0].payload.size(), 588u);
  EXPECT_EQ(w[0].payload.substr(0, 48),
            word(4) + word(2) + word(3) + word(5) + word(10) + word(3) + word(0) + word(0) + word(0) + word(6) +
                word(20) + word(4));
  TourTable after;
  ASSERT_EQ(read_ptz_tour(devpaths::kKvdb, &after, 4), 0);
  EXPECT_EQ(after.points[0].preset, 9);
  EXPECT_EQ(after.points[kTourPoints].preset, 5);
  EXPECT_EQ(after.points[kTourPoints + 2].dwell, 20);
  EXPECT_EQ(after.points[kTourPoints + 5].preset, 0);
  EXPECT_EQ(logs()[0].channel, 5);

  // Tours 1..8 of at most 48 points: anything else indexes past the table.
  for (const char* bad : {R"({"chn":4,"tourid":0,"rowsize":1})", R"({"chn":4,"tourid":9,"rowsize":1})",
                          R"({"chn":64,"tourid":1,"rowsize":1})", R"({"tourid":1,"rowsize":1})"})
    for (const char* route : {"/6055", "/6056", "/6057"}) EXPECT_EQ(call(route, bad), "") << route << bad;
  EXPECT_EQ(call("/6055", R"({"chn":4,"tourid":1,"rowsize":49})"), "");
  EXPECT_EQ(call("/6056", R"({"chn":4,"tourid":1,"rowsize":49})"), "");
  EXPECT_EQ(call("/5002", R"({"chn":4,"tourid":9})"), "");
  EXPECT_EQ(call("/5003", R"({"chn":4,"tourid":0})"), "");
  ASSERT_EQ(read_ptz_tour(devpaths::kKvdb, &after, 4), 0);
  EXPECT_EQ(after.points[kTourPoints].preset, 5);
}

TEST_F(PtzTest, TourClearRunStopAndFisheyeTour) {
  TourTable before{};
  before.points[2 * kTourPoints + 1] = {3, 15, 2};
  ASSERT_EQ(write_ptz_tour(devpaths::kKvdb, &before, 1), 0);
  EXPECT_EQ(call("/6057", R"({"chn":1,"tourid":3,"fisheyeType":1,"streamId":2})"), kOk);
  EXPECT_EQ(call("/5002", R"({"chn":1,"tourid":3})"), kOk);
  EXPECT_EQ(call("/5003", R"({"chn":1,"tourid":3})"), kOk);
  EXPECT_EQ(call("/6056", R"({"chn":1,"streamId":2,"tourid":8,"rowsize":2,"path":[{"preset":4,"time":5,"speed":6},7]})"),
            kOk);
  auto w = sent(8);
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1257, 1260, 1261, 1269}));
  EXPECT_EQ(w[0].payload, word(1) + word(3) + std::string(16, '\0') + word(1) + word(2));
  EXPECT_EQ(w[1].payload.substr(0, 8), word(1) + word(3));
  const std::string& fish = w[3].payload;
  ASSERT_EQ(fish.size(), 4620u);
  EXPECT_EQ(fish.substr(0, 12), word(1) + word(2) + word(7));
  const size_t tour8 = 12 + 7 * 144 * 4;
  EXPECT_EQ(word_at(fish, tour8), 4);
  EXPECT_EQ(word_at(fish, tour8 + 48 * 4), 5);
  EXPECT_EQ(word_at(fish, tour8 + 96 * 4), 6);
  EXPECT_EQ(word_at(fish, tour8 + 4), 0);  // not an object: an empty point
  TourTable after;
  read_ptz_tour(devpaths::kKvdb, &after, 1);
  EXPECT_EQ(after.points[2 * kTourPoints + 1].preset, 0);
  EXPECT_EQ(after.points[2 * kTourPoints + 1].dwell, 15);
  std::vector<int> params;
  for (auto& l : logs()) params.push_back(l.param_type);
  EXPECT_EQ(params, (std::vector<int>{904, 900, 900, 904}));
}

// The state record written at the word indexes the daemon uses.
std::string state_words() {
  std::vector<int32_t> w(3901, 0);
  w[0] = 1;
  memcpy(&w[1], "Door", 5);
  w[9 * 299] = 1;  // preset 300
  w[2700] = 5, w[2748] = 10, w[2796] = 3;
  w[2701] = 6, w[2749] = 20, w[2797] = 4;
  w[2703] = 8;  // after the empty point 3: not reported
  w[2700 + 144 * 7] = 2, w[2748 + 144 * 7] = 30, w[2796 + 144 * 7] = 1;
  w[3852 + 3] = 1;
  w[3856 + 8 * 4 + 7] = 9;
  w[3896] = 1, w[3900] = 2;
  return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 4);
}

TEST_F(PtzTest, StateReplyIsReadAtItsOffsets) {
  daemon_.reply(kReqInfo, state_words());
  std::string out = call("/5005", R"({"channelId":2})");
  ASSERT_EQ(out.rfind(kJsonHead + "{ \"status\": \"OK\", \"PRESET\": [ { \"enable\": 1, \"name\": \"Door\" }, "
                                  "{ \"enable\": 0, \"name\": \"\" }",
                      0),
            0u)
      << out.substr(0, 200);
  EXPECT_NE(out.find("{ \"enable\": 1, \"name\": \"\" } ], \"TOUR\": [ [ { \"preset_id\": 5, \"speed\": 3, "
                     "\"timeout\": 10 }, { \"preset_id\": 6, \"speed\": 4, \"timeout\": 20 } ], [ ], [ ], [ ], [ ], "
                     "[ ], [ ], [ { \"preset_id\": 2, \"speed\": 1, \"timeout\": 30 } ] ], "
                     "\"PATTERN\": [ { \"enable\": 0 }, { \"enable\": 0 }, { \"enable\": 0 }, { \"enable\": 1 } ], "
                     "\"autoscan_status\": [ 1, 0, 0, 0, 2 ], \"tour_status\": [ [ 0, 0, 0, 0, 0, 0, 0, 0 ], "
                     "[ 0, 0, 0, 0, 0, 0, 0, 0 ], [ 0, 0, 0, 0, 0, 0, 0, 0 ], [ 0, 0, 0, 0, 0, 0, 0, 0 ], "
                     "[ 0, 0, 0, 0, 0, 0, 0, 9 ] ] }"),
            std::string::npos);
  EXPECT_EQ(work()[0].payload, word(2));

  daemon_.silence(kReqInfo).reply(kReqFishInfo, word(-1));  // shorter than one state record
  EXPECT_EQ(call("/5005", R"({"channelId":2,"fisheyeType":1,"streamId":3})"), kJsonHead + "{ \"status\": \"Error\" }");
  EXPECT_EQ(work()[1].payload, word(2) + word(3));
  fast_silence();
  EXPECT_EQ(call("/5005", R"({"channelId":2})"), kJsonError);
  EXPECT_EQ(call("/5005", "x"), "");
}

TEST_F(PtzTest, PortSettingsSkipChannelsOutsideTheTable) {
  EXPECT_EQ(call("/6051", R"({"cnt":2,"chnid":[2,70],"connectType":1,"baudRate":4800,"dataBits":7,)"
                          R"("stopBits":2,"parityType":1,"protocol":13,"address":9})"),
            kOk);
  ASSERT_TRUE(daemon_.wait_requests(2));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1252}));
  EXPECT_EQ(work()[0].payload, word(2));
  EXPECT_EQ(logs()[0].channel, 3);
  EXPECT_EQ(call("/6050", R"({"chnid":2})"),
            kJsonHead + "{ \"camId\": 2, \"connectType\": 1, \"baudRate\": 4800, \"dataBits\": 7, \"stopBits\": 2, "
                        "\"parityType\": 1, \"protocol\": 13, \"address\": 9 }");
  // Factory settings of a channel nobody changed.
  EXPECT_EQ(call("/6050", R"({"chnid":15})"),
            kJsonHead + "{ \"camId\": 15, \"connectType\": 0, \"baudRate\": 9600, \"dataBits\": 8, \"stopBits\": 1, "
                        "\"parityType\": 0, \"protocol\": 0, \"address\": 16 }");
  for (const char* bad : {R"({"chnid":16})", R"({"chnid":-1})", "{}", ""}) EXPECT_EQ(call("/6050", bad), kJsonError);
  for (const char* bad : {R"({"cnt":1,"chnid":[1],"dataBits":9})", R"({"cnt":1,"chnid":[1],"protocol":14})",
                          R"({"cnt":1,"chnid":[1],"parityType":3})", R"({"cnt":1,"chnid":[1],"connectType":2})",
                          R"({"chnid":[1]})", R"({"cnt":1})"})
    EXPECT_EQ(call("/6051", bad), "") << bad;
  kvdb_fail_writes("ptz_port");
  EXPECT_EQ(call("/6051", R"({"cnt":1,"chnid":[3],"address":1})"), kTextError);
  EXPECT_EQ(work().size(), 1u);
}

TEST_F(PtzTest, SpeedsAreStoredPerChannel) {
  EXPECT_EQ(call("/6053", R"({"camId":6})"),
            kJsonHead + "{ \"pan_speed\": 5, \"tilt_speed\": 5, \"zoom_speed\": 5, \"foucs_speed\": 5 }");
  EXPECT_EQ(call("/6054", R"({"camId":6,"pan_speed":7,"foucs_speed":2})"), kOk);
  EXPECT_EQ(call("/6053", R"({"camId":6})"),
            kJsonHead + "{ \"pan_speed\": 7, \"tilt_speed\": 5, \"zoom_speed\": 5, \"foucs_speed\": 2 }");
  ASSERT_TRUE(daemon_.wait_requests(1));
  EXPECT_EQ(logs()[0].channel, 7);
  EXPECT_EQ(call("/6054", R"({"camId":64,"pan_speed":7})"), "");
  EXPECT_EQ(call("/6054", R"({"camId":6,"pan_speed":"fast"})"), "");
  kvdb_fail_writes("ptz_speed");
  EXPECT_EQ(call("/6054", R"({"camId":6,"pan_speed":1})"), kTextError);
}

TEST_F(PtzTest, ControlLedSupportAndBasicReplies) {
  daemon_.reply(kReqControl, word(3));
  EXPECT_EQ(call("/5009", R"({"chnid":63,"ptzCmd":4})"), kJsonHead + "{ \"res\": 3 }");
  daemon_.silence(kReqControl).reply(kReqControl, "ab");
  EXPECT_EQ(call("/5009", R"({"chnid":63,"ptzCmd":4})"), kJsonError);  // no whole word
  EXPECT_EQ(work()[0].payload, word(63) + word(4));
  daemon_.reply(kReqLedStatus, word(5) + word(1));
  EXPECT_EQ(call("/5010", R"({"chnid":5})"), kJsonHead + "{ \"chnid\": 5, \"status\": 1 }");
  for (const char* route : {"/5009", "/5010"})
    for (const char* bad : {R"({"chnid":64,"ptzCmd":1})", R"({"chnid":-1,"ptzCmd":1})", "nope", ""})
      EXPECT_EQ(call(route, bad), kJsonError) << route << bad;

  daemon_.reply(kReqSupport, word(-1));
  EXPECT_EQ(call("/6052", R"({"camId":3})"), kTextHead + "-1");
  daemon_.silence(kReqSupport).reply(kReqSupport, word(2));
  EXPECT_EQ(call("/6052", R"({"camId":3})"), kTextHead + "0");

  BasicRecord basic{};
  basic.status = 1;
  basic.channel = 2;
  basic.zoom_status = 3;
  basic.patrol_recovering = 4;
  basic.fan_working_mode = 5;
  daemon_.reply(kReqGetBasic, bytes_of(basic)).reply(kReqSetBasic, word(0));
  EXPECT_EQ(call("/5011", R"({"chnId":2})"),
            kJsonHead + "{ \"status\": 1, \"chnId\": 2, \"zoomStatus\": 3, \"panTiltStatus\": 0, \"presetStatus\": 0, "
                        "\"patrolStatus\": 0, \"patternStatus\": 0, \"autoScanStatus\": 0, \"presetFreezing\": 0, "
                        "\"presetSpeed\": 0, \"manualSpeed\": 0, \"patrolRecovering\": 4, \"patrolRecoveryTime\": 0, "
                        "\"focusMode\": 0, \"minFocusDistance\": 0, \"resumeTime\": 0, \"fanWorkingMode\": 5 }");
  EXPECT_EQ(call("/5012", R"({"status":7,"chnId":2,"resumeTime":30,"channelMask":"0110"})"),
            kJsonHead + "{ \"status\": 0 }");
  const std::string set = work().back().payload;
  ASSERT_EQ(set.size(), 136u);
  EXPECT_EQ(word_at(set, 0), 0);
  EXPECT_EQ(word_at(set, 4), 2);
  EXPECT_EQ(word_at(set, 60), 30);
  EXPECT_EQ(text_at(set, 68), "0110");
  for (const char* route : {"/5011", "/5012"}) EXPECT_EQ(call(route, "{"), kJsonError);
}
}  // namespace

// The simulated cameras remember what the routes told them.
TEST(PtzCoreSim, ToursAndPresetsComeBackInTheState) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  const std::string speeds = R"("panSpeed":1,"tiltSpeed":1,"zoomSpeed":1,"focusSpeed":1)";
  EXPECT_EQ(call_route("/5001", R"({"channelId":0,"presetId":2,"action":22,"name":"Gate",)" + speeds + "}"), kOk);
  EXPECT_EQ(call_route("/6055", R"({"chn":0,"tourid":1,"rowsize":1,"path":[{"preset":2,"time":8,"speed":3}]})"), kOk);
  // Unwaited requests reach the simulator on their own connections: poll.
  const std::string preset = "{ \"enable\": 1, \"name\": \"Gate\" }";
  const std::string tour = "\"TOUR\": [ [ { \"preset_id\": 2, \"speed\": 3, \"timeout\": 8 } ], [ ]";
  auto both = [&](const std::string& s) { return s.find(preset) != s.npos && s.find(tour) != s.npos; };
  std::string out;
  for (int i = 0; i < 200 && !both(out); ++i) out = call_route("/5005", R"({"channelId":0})");
  EXPECT_TRUE(both(out)) << out;
  EXPECT_EQ(call_route("/5005", R"({"channelId":9})"), kJsonHead + "{ \"status\": \"Error\" }");
  EXPECT_EQ(call_route("/6052", R"({"camId":0})"), kTextHead + "0");
  EXPECT_EQ(call_route("/5008", R"({"chn":0,"Speed":3})"), kOk);
  sim.stop();
}

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(PtzGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("ptz", {
      {"/5000", "on_send_ptz_cmd"}, {"/5001", "on_preset_op"}, {"/5002", "on_set_ptz_tour_run"},
      {"/5003", "on_set_ptz_tour_stop"}, {"/5004", "on_set_ptz_pattern"}, {"/5005", "on_get_ptz_info"},
      {"/5006", "on_set_ptz_preset_call"}, {"/5007", "on_set_ptz_zomm"}, {"/5008", "on_set_ipc_speed"},
      {"/5009", "on_cgi_set_ptz_control"}, {"/5010", "on_cgi_get_led_status"}, {"/5011", "on_cgi_get_ptz_basic"},
      {"/5012", "on_cgi_set_ptz_basic"}, {"/6050", "on_get_ptzport_info"}, {"/6051", "on_set_ptzport_info"},
      {"/6052", "on_get_ptzsupport_info"}, {"/6053", "on_get_ptz_speed"}, {"/6054", "on_set_ptz_speed"},
      {"/6055", "on_set_ptz_tour_set"}, {"/6056", "on_set_fish_ptz_tour_set"}, {"/6057", "on_set_ptz_tour_clear"},
  });
  expect_codes({
      {kReqMove, 1251, 1000},      {kReqPortChanged, 1252, 1000}, {kReqPreset, 1253, 1000},
      {kReqPattern, 1254, 1000},   {kReqTourClear, 1257, 1000},   {kReqTourRun, 1260, 1000},
      {kReqTourStop, 1261, 1000},  {kReqSupport, 1262, 1000},     {kReqTourSet, 1264, 1000},
      {kReqInfo, 1265, 1000},      {kReqPresetCall, 1266, 1000},  {kReqZoom, 1267, 1000},
      {kReqFishInfo, 1268, 1000},  {kReqFishTour, 1269, 1000},    {kReqGetBasic, 1270, 1000},
      {kReqSetBasic, 1271, 1000},  {kReqControl, 3361, 1000},     {kReqLedStatus, 3363, 1000},
      {kReqCameraSettingSet, 3226, 1000},
  });
  expect_replies(ptz_reply_table(), {
      {6262, 4}, {6265, 15604}, {6268, 15604}, {6270, 136}, {6271, 4}, {8226, 4}, {8361, 4}, {8363, 8},
  });
}
