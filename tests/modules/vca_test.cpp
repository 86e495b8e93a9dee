#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_vca.h"
#include "proto/vca_proto.h"
#include "proto/video_proto.h"
#include "support/module_test.h"

namespace {
class VcaTest : public ModuleTest {};

int32_t i32_at(const std::string& b, size_t off) {
  int32_t v = 0;
  memcpy(&v, b.data() + off, 4);
  return v;
}
std::string text_at(const std::string& b, size_t off) { return std::string(b.c_str() + off); }

SmartEventRec stored(int chn, int event) {
  SmartEventRec r{};
  read_smart_event(devpaths::kKvdb, &r, chn, event);
  return r;
}

const std::string kForty = std::string(40, '0') + "1";

TEST_F(VcaTest, LoiteringSetFillsTheMessageSavesTheDialogAndCopies) {
  daemon_.reply(3249, word(0));
  const std::string req = R"({"chnid":2,"enable":1,"sensitivity":7,"time":12,"size":3,"tracks":9,"region":"0110",)"
                          R"("polygonX":"1,2","polygonY":"3,4","copyChn":"00100100","regionType":1,"regionScene":2,)"
                          R"("regionInfo":[{"enable":1,"objType":2,"time":6,"region":[{"polygonX":"10,20","polygonY":"30,40"},)"
                          R"({"polygonX":"99","polygonY":"99"}]},{"enable":1,"region":[{"polygonX":"5","polygonY":"6"}]}],)"
                          R"("dialog":{"chnid":2,"interval":9,"triChannels":")" + kForty + R"("}})";
  EXPECT_EQ(call("/6141", req), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1412, 3249}));
  EXPECT_EQ(work()[0].payload, bytes_of(uint64_t{0b100100}));
  const std::string m = work()[1].payload;
  ASSERT_EQ(m.size(), 4480u);
  EXPECT_EQ(i32_at(m, 0), 2);
  EXPECT_EQ(i32_at(m, 4), 1);
  EXPECT_EQ(i32_at(m, 24), 7);
  EXPECT_EQ(i32_at(m, 28), 12);
  EXPECT_EQ(i32_at(m, 32), 3);
  EXPECT_EQ(i32_at(m, 36), 0);  // tracks belong to human detection
  EXPECT_EQ(text_at(m, 40), "0110");
  EXPECT_EQ(text_at(m, 348), "1,2");
  EXPECT_EQ(text_at(m, 412), "3,4");
  EXPECT_EQ(text_at(m, 476), "00100100");
  EXPECT_EQ(i32_at(m, 564), 1);
  EXPECT_EQ(i32_at(m, 568), 2);
  EXPECT_EQ(i32_at(m, 572), 1);
  EXPECT_EQ(i32_at(m, 572 + 8), 6);
  EXPECT_EQ(i32_at(m, 572 + 12), 2);
  EXPECT_EQ(text_at(m, 572 + 80), "10,20");
  EXPECT_EQ(text_at(m, 572 + 144), "30,40");
  EXPECT_EQ(text_at(m, 572 + 80 + 192), "");  // regionType 1: first polygon only
  EXPECT_EQ(text_at(m, 572 + 976 + 80), "5");
  // The event's record and its copy; bit 40 of the trigger mask.
  for (int chn : {2, 5}) {
    EXPECT_EQ(stored(chn, 5).interval, 9) << chn;
    EXPECT_EQ(stored(chn, 5).tri_mask, uint64_t{1} << 40) << chn;
  }
  EXPECT_EQ(stored(3, 5).interval, 10);  // factory value, not copied to
}

TEST_F(VcaTest, DetectionSetsRouteByTypeAndSurviveBadInput) {
  daemon_.reply(3245, word(0)).reply(3246, word(-1));
  EXPECT_EQ(call("/6133", R"({"type":1,"chnid":0,"dialog":{"chnid":0,"interval":4}})"), kTextHead + "OK");
  EXPECT_EQ(stored(0, 1).interval, 4);
  // An event past the table saves nothing; the camera still gets the settings.
  EXPECT_EQ(call("/6135", R"({"type":9,"chnid":1,"ignore_time":8,"dialog":{"chnid":1,"interval":4}})"),
            kTextHead + "FAILED");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1412, 3245, 3246}));
  EXPECT_EQ(i32_at(work()[2].payload, 340), 8);
  fast_silence();
  for (const auto& [route, text] : std::vector<std::pair<const char*, const char*>>{
           {"/6133", "{"}, {"/6133", R"({"type":2})"}, {"/6137", R"({"chnid":"x"})"}, {"/6143", R"({"chnid":1})"}})
    EXPECT_EQ(call(route, text), kTextError) << route << text;
  for (const char* route : {"/6132", "/6134", "/6136", "/6140", "/6142"}) {
    EXPECT_EQ(call(route, R"({"channel":64})"), kJsonError) << route;
    EXPECT_EQ(call(route, R"({"channel":1})"), kJsonError) << route;
  }
}

TEST_F(VcaTest, DetectionGetPrintsTheReplyWithItsRegions) {
  vca::Detection d{};
  d.chnid = 3;
  d.enable = 1;
  d.sensitivity = 4;
  strcpy(d.region, "01");
  d.region_type = 2;
  strcpy(d.regions[0].x(1), "7,8");
  daemon_.reply(3238, bytes_of(d));
  std::string out = call("/6132", R"({"channel":3,"type":1})");
  EXPECT_EQ(out.rfind(kJsonHead + R"({ "chnid": 3, "enable": 1, "sensitivity": 4, "time": 0, "size": 0, "tracks": 0, )"
                                  R"("region": "01", "ignore_time": 0, "objtype": 0, "polygonX": "", "polygonY": "", )"
                                  R"("regionType": 2, "regionScene": 0, "regionInfo": [ { "enable": 0, "objType": 0, )"
                                  R"("time": 0, "region": [ { "polygonX": "", "polygonY": "" }, { "polygonX": "7,8", )",
                     0),
            0u)
      << out;
  EXPECT_EQ(work()[0].payload, word(3));
}

TEST_F(VcaTest, ActionSetRoutesStoreReadAndRefuseOutOfRange) {
  EXPECT_EQ(call("/6149", R"({"chnid":4,"event":7,"enable":1,"triAlarms":3,"triChannels":")" + kForty +
                              R"(","effective":[[["01:00","02:00",3]],[],[],[],[],[],[],[]]})"),
            kTextHead + "OK");
  EXPECT_EQ(work()[0].payload, bytes_of(uint64_t{1} << 4));
  EXPECT_EQ(stored(4, 7).tri_mask, uint64_t{1} << 40);
  std::string page = call("/6148", R"({"chnid":4,"event":7})");
  EXPECT_EQ(page.rfind(kJsonHead + R"({ "action": [ { "tri_channels_pic": "", "triChannels": ")" + kForty +
                           R"(", "effective": [ [ { "startTime": "", )",  // people counting keeps no effective here
                       0),
            0u)
      << page;
  EXPECT_NE(page.find(R"("chnid": 4, "enable": 1, "triAlarms": 3, "interval": 10, )"), std::string::npos) << page;
  EXPECT_EQ(call("/6151", R"({"channel":4,"type":7})"),
            kJsonHead + R"({ "chnid": 4, "enable": 1, "triAlarms": 3, "interval": 10, "email_interval": 60, )"
                        R"("email_pic_enable": 0, "tri_channels_pic": "", "triChannels": ")" + kForty + "\" }");
  EXPECT_EQ(call("/6150", R"({"channel":4,"event":7,"type":0,"triAlarms":1})"), kTextHead + "OK");
  EXPECT_EQ(stored(4, 7).tri_alarms, 1);
  EXPECT_EQ(stored(4, 7).tri_mask, uint64_t{1} << 40);
  const size_t sent = work().size();
  for (const char* bad : {R"({"chnid":64,"event":0,"enable":1})", R"({"chnid":0,"event":9,"enable":1})", "{"}) {
    EXPECT_EQ(call("/6149", bad), "") << bad;
    EXPECT_EQ(call("/6148", bad), kJsonError) << bad;
  }
  EXPECT_EQ(call("/6150", R"({"channel":64,"event":0,"type":0})"), kTextHead + "ERROT");
  EXPECT_EQ(call("/6150", R"({"channel":0,"event":9,"type":0})"), kTextHead + "ERROT");
  EXPECT_EQ(call("/6151", R"({"channel":64,"type":0})"), kTextError);
  EXPECT_EQ(work().size(), sent);
  kvdb_fail_writes("smart_event");
  EXPECT_EQ(call("/6149", R"({"chnid":1,"event":0,"enable":1})"), kTextError);
}

TEST_F(VcaTest, CounterResetAndSupport) {
  daemon_.reply(3261, word(0)).reply(3257, bytes_of(video::VcaSupport{1, 2, {}}));
  EXPECT_EQ(call("/6154", R"({"channel":5,"line":2,"resetdb":1})"), kTextHead + "OK");
  EXPECT_EQ(work()[0].payload, word(5) + word(0) + word(0) + word(2) + word(1));
  EXPECT_EQ(call("/6157", R"({"channel":5})"), kJsonHead + R"({ "support": 1, "type": 2 })");
  daemon_.silence(3257);
  fast_silence();
  EXPECT_EQ(call("/6154", R"({"channel":64})"), kJsonError);
  EXPECT_EQ(call("/6157", R"({"channel":70})"), kJsonError);
}

TEST(VcaGolden, CodesWaitsAndReplies) {
  expect_codes({
      {vca::kReqRegionInGet, 3237, 1000}, {vca::kReqRegionOutGet, 3238, 1000}, {vca::kReqMotionGet, 3239, 1000},
      {vca::kReqTamperGet, 3240, 1000},   {vca::kReqLoiteringGet, 3242, 1000}, {vca::kReqHumanGet, 3243, 1000},
      {video::kReqVcaRegionInSet, 3244, 1000}, {video::kReqVcaRegionOutSet, 3245, 1000},
      {video::kReqVcaMotionSet, 3246, 1000},   {video::kReqVcaTamperSet, 3247, 1000},
      {video::kReqVcaLoiteringSet, 3249, 1000}, {video::kReqVcaHumanSet, 3250, 1000},
      {video::kReqVcaSupport, 3257, 1000},     {video::kReqVcaSettingsGet, 3259, 3000},
      {video::kReqVcaClearCount, 3261, 1000},  {vca::kReqSmartEventsChanged, 1412, 1000},
  });
  expect_replies(video_reply_table(),
                 {{8237, 4480}, {8238, 4480}, {8239, 4480}, {8240, 4480}, {8242, 4480}, {8243, 4480}, {8257, 44},
                  {8244, 4}, {8245, 4}, {8246, 4}, {8247, 4}, {8249, 4}, {8250, 4}, {8261, 4}},
                 true);
}
}  // namespace
