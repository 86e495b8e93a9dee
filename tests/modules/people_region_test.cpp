#include <gtest/gtest.h>

#include <json-c/json.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "coresim_server.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_people_region.h"
#include "platform/kvdb_vca.h"
#include "proto/people_region_proto.h"
#include "proto/video_proto.h"
#include "support/module_test.h"

namespace {
class PeopleRegionTest : public ModuleTest {};

int32_t i32_at(const std::string& b, size_t off) {
  int32_t v = 0;
  if (off + 4 <= b.size()) memcpy(&v, b.data() + off, 4);
  return v;
}
int8_t i8_at(const std::string& b, size_t off) { return off < b.size() ? static_cast<int8_t>(b[off]) : 0; }
std::string text_at(const std::string& b, size_t off) { return off < b.size() ? std::string(b.c_str() + off) : ""; }

std::vector<std::string> keys_of(json_object* o) {
  std::vector<std::string> keys;
  json_object_object_foreach(o, key, val) {
    (void)val;
    keys.push_back(key);
  }
  return keys;
}

const std::string kForty = std::string(40, '0') + "1";

// ---- Line counting (/6144, /6145) ----

const std::string kPeopleSet =
    R"({"chnid":1,"width":1920,"height":1080,"osdEnable":1,"osdType":-2,"sensitivity":6,"lineNum":2,)"
    R"("triggerType":3,"totalAlarmThreshold":[7,8],"lineEnable":[0,1],"direction":[2,1],"autoResetHour":[0,23],)"
    R"("alarmEnable":[1],"position":["10;20;30;40","5;6"],"alarmThreshold":[[11,12],[21]],"copyChn":"0001",)"
    R"("dialog":{"chnid":1,"interval":9,"triChannels":")" + kForty +
    R"(","effective":[[["08:00","18:00"]]]}})";

TEST_F(PeopleRegionTest, PeopleSetFillsTheMessageAndTheEventRecord) {
  daemon_.reply(3254, word(0));
  EXPECT_EQ(call("/6145", kPeopleSet), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1412, 3254}));
  EXPECT_EQ(work()[0].payload, bytes_of(uint64_t{0b1010}));
  const std::string m = work()[1].payload;
  ASSERT_EQ(m.size(), 28072u);
  const std::vector<std::pair<size_t, int32_t>> ints = {
      {0, 1}, {4, 1920}, {8, 1080}, {12, 1}, {24, 6}, {32, 2}, {36, 3}, {48, 7}, {52, 8}, {56, 0},
      // line 0 at 64: position as given; line 1 at 120 from "5;6"
      {64 + 4, 10}, {64 + 8, 20}, {64 + 12, 30}, {64 + 16, 40}, {64 + 36, 1}, {64 + 40, 11}, {64 + 44, 12},
      {120 + 4, 5}, {120 + 8, 6}, {120 + 12, 0}, {120 + 16, 0}, {120 + 24, 23}, {120 + 40, 21},
      {360 + 3456, 1}, {360 + 6 * 3464 + 3456, 1}, {360 + 7 * 3464 + 3456, 0}};  // schedule: 7 valid days
  for (auto [off, v] : ints) EXPECT_EQ(i32_at(m, off), v) << "offset " << off;
  EXPECT_EQ(i8_at(m, 28), -2);
  EXPECT_EQ((std::vector<int>{i8_at(m, 64), i8_at(m, 66), i8_at(m, 120), i8_at(m, 122)}),
            (std::vector<int>{0, 2, 1, 1}));
  EXPECT_EQ(text_at(m, 360), "08:00");
  EXPECT_EQ(text_at(m, 360 + 32), "18:00");
  // Event 7's record: enabled by line 1, the dialog's members, copied to channel 3.
  for (int chn : {1, 3}) {
    SmartEventRec r{};
    read_smart_event(devpaths::kKvdb, &r, chn, 7);
    EXPECT_EQ(r.enable, 1) << chn;
    EXPECT_EQ(r.interval, 9) << chn;
    EXPECT_EQ(r.tri_mask, uint64_t{1} << 40) << chn;
  }
  EXPECT_EQ(call("/6145", R"({"chnid":1,"lineEnable":[0,0,0,0]})"), kTextHead + "OK");
  SmartEventRec r{};
  read_smart_event(devpaths::kKvdb, &r, 1, 7);
  EXPECT_EQ(r.enable, 0);
}

TEST_F(PeopleRegionTest, PeopleSetRefusesBadInputAndReportsFailures) {
  daemon_.reply(3254, word(1));
  EXPECT_EQ(call("/6145", R"({"chnid":2})"), kTextHead + "FAILED");
  for (const char* bad : {"{", R"({"chnid":64})", R"({"chnid":1,"osdType":200})",
                          R"({"chnid":1,"lineEnable":["x"]})", R"({"chnid":1,"alarmThreshold":[[1,"y"]]})",
                          R"({"chnid":1,"position":[5]})", R"({"chnid":1,"position":["1;2;3;4;5"]})"})
    EXPECT_EQ(call("/6145", bad), kTextError) << bad;
  kvdb_fail_writes("smart_event");
  EXPECT_EQ(call("/6145", R"({"chnid":1,"lineEnable":[1]})"), kTextError);
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3254}));
  daemon_.silence(3254);
  fast_silence();
  EXPECT_EQ(call("/6145", R"({"chnid":2})"), kTextError);  // no reply
}

TEST_F(PeopleRegionTest, PeopleGetShowsLinesOnThePageFrame) {
  pcnt::PeopleCount p{};
  p.chnid = 1, p.width = 1920, p.height = 1080, p.osd_type = -1, p.line_num = 2;
  p.lines[0] = {1, 0, 2, 1, 1000, 540, 3, 1079, 6, 23, 59, 58, 1, {}};
  p.lines[1].x1 = 2;  // 0.48 on the page: shown as 0
  daemon_.reply(3253, bytes_of(p));
  EXPECT_EQ(call("/6144", R"({"channel":1})"),
            kJsonHead + R"({ "width": 1920, "height": 1080, "osdEnable": 0, "osdFontSize": 0, "osdTextPos": 0, )"
                        R"("osdType": -1, "sensitivity": 0, "lineNum": 2, "lineEnable": [ 1, 0, 0, 0 ], )"
                        R"("autoResetEnable": [ 0, 0, 0, 0 ], "direction": [ 2, 0, 0, 0 ], "showCntEnable": [ 1, 0, 0, 0 ], )"
                        R"("startX": [ 1000, 2, 0, 0 ], "startY": [ 540, 0, 0, 0 ], "stopX": [ 3, 0, 0, 0 ], )"
                        R"("stopY": [ 1079, 0, 0, 0 ], "autoResetWeekday": [ 6, 0, 0, 0 ], "autoResetHour": [ 23, 0, 0, 0 ], )"
                        R"("autoResetMin": [ 59, 0, 0, 0 ], "autoResetSec": [ 58, 0, 0, 0 ], )"
                        R"("position": [ "240;130;1;260", "0;0;0;0", "0;0;0;0", "0;0;0;0" ] })");
  EXPECT_EQ(work()[0].payload, word(1));
  p = {};  // a frame without size
  p.lines[0].x1 = 5;
  daemon_.silence(3253).reply(3253, bytes_of(p));
  EXPECT_NE(call("/6144", R"({"channel":1})").find(R"("position": [ "0;0;0;0", )"), std::string::npos);
  daemon_.silence(3253);
  fast_silence();
  for (const char* bad : {R"({"channel":64})", R"({"chan":1})", "x", R"({"channel":1})"})
    EXPECT_EQ(call("/6144", bad), kJsonError) << bad;
}

// ---- Regional counting (/6096, /6097) ----

const std::string kRegionalSet =
    R"({"chnid":1,"sensitivity":4,"minObjHeight":30,"maxObjHeight":300,"copyChn":"001",)"
    R"("regional":[{"enable":1,"polygonX":"1,2,3","polygonY":"4,5,6","maxStayEnable":1,"maxStayTimeValue":90},)"
    R"({"enable":1,"polygonX":"7"}],"effective":[[["00:00","12:00"]]],)"
    R"("action":[{"interval":5,"triChannels":")" + kForty + R"(","warnLight":[[["01:00","02:00",1]]],)"
    R"("warnLightInfo":[{"chnid":6,"time":9}],"whiteInfo":[{"chnid":5,"mode":1,"time":3}]},)"
    R"({"audioId":2,"ptzParams":[{"acto_ptz_channel":4,"acto_ptz_type":1,"acto_ptz_preset":2}]}]})";

TEST_F(PeopleRegionTest, RegionalSetStoresEachRegionsActionsAndCopiesThem) {
  daemon_.reply(1221, word(0));
  EXPECT_EQ(call("/6097", kRegionalSet), kJsonHead + R"({ "res": 0 })");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1221}));
  const std::string m = work()[0].payload;
  ASSERT_EQ(m.size(), 28448u);
  const std::vector<std::pair<size_t, int32_t>> ints = {
      {0, 0}, {4, 1}, {8, 4}, {24, 30}, {40, 300}, {44, 1}, {44 + 132, 1}, {44 + 152, 90}, {200, 1}, {356, 0},
      {736 + 3456, 1}};
  for (auto [off, v] : ints) EXPECT_EQ(i32_at(m, off), v) << "offset " << off;
  EXPECT_EQ(text_at(m, 48), "1,2,3");
  EXPECT_EQ(text_at(m, 44 + 68), "4,5,6");
  EXPECT_EQ(text_at(m, 200 + 4), "7");
  EXPECT_EQ(text_at(m, 736 + 32), "12:00");
  for (int chn : {1, 2}) {
    RegionalPcntEventRec r0{}, r1{};
    read_regional_pcnt_event(devpaths::kKvdb, &r0, chn, 0);
    read_regional_pcnt_event(devpaths::kKvdb, &r1, chn, 1);
    EXPECT_EQ(r0.interval, 5) << chn;
    EXPECT_EQ(r0.tri_mask, uint64_t{1} << 40) << chn;
    EXPECT_EQ(r1.audio_id, 2) << chn;
    WarningLightParams w{};
    int n = 0;
    read_warning_light_params(devpaths::kKvdb, "regional_pcnt_warning_light_params", chn, &w, &n);
    EXPECT_EQ(n, 1) << chn;
    ScheduleRec s{};
    EXPECT_EQ(read_schedule(devpaths::kKvdb, "regional_pcnt_warning_light_esche", chn, &s), 0) << chn;
    EXPECT_STREQ(s.day[0].period[0].start, "01:00");
    PtzParams ptz{};
    read_ptz_params(devpaths::kKvdb, 23, chn, &ptz, &n);  // region 1: type 23
    EXPECT_EQ(n, 1) << chn;
    WhiteLedParams white{};
    read_whiteled_params(devpaths::kKvdb, "regional_pcnt_whiteled_params", chn, &white, &n);
    EXPECT_EQ(n, 1) << chn;
  }
  RegionalPcntEventRec untouched{};
  read_regional_pcnt_event(devpaths::kKvdb, &untouched, 3, 0);
  EXPECT_EQ(untouched.interval, 10);  // factory value
}

TEST_F(PeopleRegionTest, RegionalSetRefusesBadInputAndFailedWrites) {
  for (const char* bad : {"{", R"({"chnid":64})", R"({"sensitivity":1})", R"({"chnid":1,"regional":[{"enable":"x"}]})"})
    EXPECT_EQ(call("/6097", bad), kJsonError) << bad;
  kvdb_fail_writes("regional_pcnt_event");
  EXPECT_EQ(call("/6097", R"({"chnid":1,"action":[{"interval":3}]})"), kJsonError);
  EXPECT_TRUE(work_codes().empty());
  fast_silence();
  EXPECT_EQ(call("/6097", R"({"chnid":1})"), kJsonError);  // no reply
}

TEST_F(PeopleRegionTest, RegionalGetPrintsTheCameraAndEachRegionsActions) {
  daemon_.reply(1221, word(0));
  call("/6097", kRegionalSet);
  pcnt::RegionalCount c{};
  c.result = 0, c.chnid = 2, c.sensitivity = 4, c.max_obj_height = 300;
  c.regions[3].max_stay_time_value = 90;
  copy_text(c.regions[0].polygon_x, "1,2,3");
  daemon_.reply(1220, bytes_of(c));
  const std::string out = call("/6096", R"({"chnid":2})");
  EXPECT_EQ(work().back().payload, word(2));
  ASSERT_EQ(out.rfind(kJsonHead, 0), 0u);
  JsonPtr j = json_parse(out.c_str() + kJsonHead.size());
  ASSERT_TRUE(j);
  json_object* regional = json_object_object_get(j.get(), "regional");
  json_object* action = json_object_object_get(j.get(), "action");
  EXPECT_EQ(keys_of(j.get()), (std::vector<std::string>{"result", "chnid", "sensitivity", "minObjX", "minObjY", "minObjWidth",
                                            "minObjHeight", "maxObjX", "maxObjY", "maxObjWidth", "maxObjHeight",
                                            "regional", "effective", "action"}));
  EXPECT_EQ(keys_of(json_object_array_get_idx(regional, 3)), (std::vector<std::string>{"enable", "polygonX", "polygonY", "maxStayEnable", "maxStayValue",
                                                   "minStayEnable", "minStayValue", "maxStayTimeEnable",
                                                   "maxStayTimeValue"}));
  EXPECT_EQ(keys_of(json_object_array_get_idx(action, 0)),
            (std::vector<std::string>{"audible", "interval", "audioId", "email", "email_interval", "email_pic_enable",
                                      "tri_channels_pic", "ptz", "ptz_interval", "ptzParams", "white", "whiteInfo",
                                      "white_interval", "httpSche", "httpParams", "http_notification_interval",
                                      "alarmout_interval", "triAlarms", "triChannels", "triChnAlarms"}));
  // Channel 2 holds the copies of channel 1's sets.
  EXPECT_EQ(json_object_get_int(json_object_object_get(json_object_array_get_idx(action, 0), "interval")), 5);
  EXPECT_EQ(json_object_get_int(json_object_object_get(json_object_array_get_idx(action, 1), "audioId")), 2);
  EXPECT_EQ(json_object_array_length(json_object_object_get(json_object_array_get_idx(action, 1), "ptzParams")), 1u);
  EXPECT_EQ(json_object_get_int(json_object_object_get(json_object_array_get_idx(regional, 3), "maxStayTimeValue")), 90);
  EXPECT_EQ(call("/6096", "{"), "");
  EXPECT_EQ(call("/6096", R"({"chnid":64})"), "");
  daemon_.silence(1220);
  fast_silence();
  EXPECT_EQ(call("/6096", R"({"chnid":2})"), kJsonError);
}

// Against the simulator: cameras keep what they are told; channel 3 has no analytics.
TEST(PeopleRegionOnCoreSim, CamerasKeepTheirCounting) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  EXPECT_EQ(call_route("/6145", R"({"chnid":1,"width":1920,"height":1080,"lineEnable":[1],"position":["960;540;1920;1080"]})"),
            kTextHead + "OK");
  EXPECT_NE(call_route("/6144", R"({"channel":1})").find(R"("position": [ "230;130;460;260", )"), std::string::npos);
  EXPECT_EQ(call_route("/6145", R"({"chnid":3})"), kTextHead + "FAILED");
  EXPECT_EQ(call_route("/6097", R"({"chnid":1,"sensitivity":7})"), kJsonHead + R"({ "res": 0 })");
  EXPECT_EQ(call_route("/6096", R"({"chnid":1})").rfind(kJsonHead + R"({ "result": 0, "chnid": 1, "sensitivity": 7, )", 0), 0u);
  EXPECT_EQ(call_route("/6097", R"({"chnid":3})"), kJsonHead + R"({ "res": -1 })");
  sim.stop();
}
}  // namespace

TEST(PeopleRegionGolden, CodesRecordsAndReplies) {
  expect_codes({{pcnt::kReqPeopleGet, 3253, 1000}, {video::kReqVcaPeopleSet, 3254, 1000},
                {pcnt::kReqRegionalGet, 1220, 1000}, {video::kReqIpcRegionalSet, 1221, 1000}});
  expect_replies(video_reply_table(), {{8253, 28072}, {8254, 4}, {6220, 28448}, {6221, 4}}, true);
  EXPECT_STREQ(kRegionalPcntTables[0].white_params, "regional_pcnt_whiteled_params");
  EXPECT_STREQ(kRegionalPcntTables[3].warning_params, "regional_pcnt3_warning_light_params");
  EXPECT_STREQ(kRegionalPcntTables[2].http_params, "regional_pcnt2_http_notification_params");
}
