#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "coresim_server.h"
#include "modules/video/vca_coords.h"
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

// Page frame 460 x 260 against a camera frame, both ways, and line texts.
TEST(VcaCoords, ConvertsAsThePageRoundsAndParsesPositions) {
  struct Case {
    int64_t v, frame, page;
    int32_t camera, page_value;
  };
  for (const Case& c : std::vector<Case>{
           {230, 1920, 460, 960, 55},   // 960 back to the page is 230
           {130, 1080, 260, 540, 31},   // 540 back is 130
           {0, 1920, 460, 1, 0},        // below 1 is stored as 1
           {460, 1920, 460, 1920, 110},
           {1, 704, 460, 2, 1},
           {100, 0, 460, 1, 0},         // a zero frame
           {INT32_MAX, INT32_MAX, 460, INT32_MAX, 460},
       }) {
    EXPECT_EQ(vca_to_camera(c.v, c.frame, c.page), c.camera) << c.v << " " << c.frame;
    EXPECT_EQ(vca_to_page(c.v, c.frame, c.page), c.page_value) << c.v << " " << c.frame;
  }
  EXPECT_EQ(vca_to_page(960, 1920, 460), 230);
  EXPECT_EQ(vca_to_page(540, 1080, 260), 130);
  struct Text {
    const char* text;
    bool ok;
    std::vector<int32_t> v;
  };
  for (const Text& t : std::vector<Text>{{"1;2;3;4", true, {1, 2, 3, 4}}, {"5;-6", true, {5, -6, 0, 0}},
                                         {"", true, {0, 0, 0, 0}}, {"7;8;9;10;", true, {7, 8, 9, 10}},
                                         {"1;2;3;4;5", false, {}}, {"1;x", false, {}}, {"1.5", false, {}},
                                         {"99999999;99999999;99999999;99999", false, {}}, {"4294967297", false, {}}}) {
    int32_t v[4];
    EXPECT_EQ(vca_parse_position(t.text, v), t.ok) << t.text;
    if (t.ok) {
      EXPECT_EQ(std::vector<int32_t>(v, v + 4), t.v) << t.text;
    }
  }
  const int32_t line[4] = {1, -2, 30, 400};
  EXPECT_EQ(vca_format_position(line), "1;-2;30;400");
}

TEST_F(VcaTest, LineSetSendsCameraPixelsAndSavesTheDialog) {
  daemon_.reply(3248, word(0));
  EXPECT_EQ(call("/6139", R"({"chnid":0,"enable":1,"objtype":3,"width":1920,"height":1080,"copyChn":"01","line":[)"
                          R"({"position":"115;65;345;195","direction":2},{"position":"230;130"}],)"
                          R"("dialog":{"chnid":0,"interval":9,"triChannels":")" + kForty + R"("}})"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1412, 3248}));
  EXPECT_EQ(work()[0].payload, bytes_of(uint64_t{0b11}));
  const std::string m = work()[1].payload;
  ASSERT_EQ(m.size(), 612u);
  const std::vector<int32_t> expected = {0, 1, 0, 0, 480, 270, 1440, 810, 2};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(i32_at(m, 4 * i), expected[i]) << 4 * i;
  // Two integers: x2 = y2 = 0, stored as 1; a line left out is all 1.
  for (auto [off, v] : std::vector<std::pair<size_t, int32_t>>{
           {140, 960}, {144, 540}, {148, 1}, {152, 1}, {388, 1}, {400, 1}, {404, 0}, {512, 3}})
    EXPECT_EQ(i32_at(m, off), v) << off;
  EXPECT_EQ(text_at(m, 516), "01");
  for (int chn : {0, 1}) {
    EXPECT_EQ(stored(chn, 4).interval, 9) << chn;
    EXPECT_EQ(stored(chn, 4).tri_mask, uint64_t{1} << 40) << chn;
  }
  // Without a dialog nothing is saved or announced.
  EXPECT_EQ(call("/6139", R"({"chnid":1})"), kTextHead + "OK");
  EXPECT_EQ(work_codes().back(), 3248);
  EXPECT_EQ(work().size(), 3u);
  fast_silence();
  for (const char* bad : {R"({"line":[{"position":"1;2;3;4;5"}]})", R"({"line":[{"position":"a;b"}]})",
                          R"({"line":[{"position":"1;2;3;4                          "}]})",
                          R"({"line":[{"position":5}]})", R"({"line":[{"direction":"x"}]})", R"({"line":{}})",
                          R"({"width":"wide"})", "{"})
    EXPECT_EQ(call("/6139", std::string(bad).insert(1, R"("dialog":{"chnid":5,"interval":3},)")), kTextError) << bad;
  EXPECT_EQ(work().size(), 3u);
  EXPECT_EQ(stored(5, 4).interval, 10);
  daemon_.silence(3248);
  EXPECT_EQ(call("/6139", R"({"chnid":1})"), kTextError);
}

TEST_F(VcaTest, LineGetPrintsPageCoordinates) {
  vca::LineCrossing l{};
  l.chnid = 2;
  l.enable = 1;
  l.width = 1920;
  l.height = 1080;
  l.lines[0] = {480, 270, 1440, 810, 2, {}};
  l.objtype = 1;
  daemon_.reply(3241, bytes_of(l));
  const std::string off = R"({ "position": "0;0;0;0", "direction": 0 })";
  EXPECT_EQ(call("/6138", R"({"channel":2})"),
            kJsonHead + R"({ "chnid": 2, "enable": 1, "width": 1920, "height": 1080, "objtype": 1, "line": [ )"
                        R"({ "position": "115;65;345;195", "direction": 2 }, )" + off + ", " + off + ", " + off + " ] }");
  EXPECT_EQ(work()[0].payload, word(2));
  l.width = l.height = 0;  // a zero frame reports 0
  daemon_.silence(3241).reply(3241, bytes_of(l));
  EXPECT_NE(call("/6138", R"({"channel":2})").find(R"("line": [ { "position": "0;0;0;0", "direction": 2 })"),
            std::string::npos);
  fast_silence();
  daemon_.silence(3241);
  for (const char* req : {R"({"channel":64})", R"({"channel":-1})", "{", R"({"channel":2})"})
    EXPECT_EQ(call("/6138", req), kJsonError) << req;
}

TEST_F(VcaTest, AnalysisSettingsBoxesBothWays) {
  daemon_.reply(3260, word(0));
  EXPECT_EQ(call("/6147", R"({"chnid":3,"fps":15,"mode":1,"installation":2,"analysis":1,"width":1920,"height":1080,)"
                          R"("position":[{"minStartX":0,"minStartY":13,"minWidth":23,"minHeight":13,)"
                          R"("maxStartX":115,"maxStartY":0,"maxWidth":460,"maxHeight":260}]})"),
            kTextHead + "OK");
  EXPECT_EQ(payload_as<vca::AnalysisSettings>(work()[0]).chnid, 3);
  const std::vector<int32_t> expected = {3, 0, 15, 1, 2, 1, 1920, 1080, 1, 54, 96, 54, 480, 1, 1920, 1080};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(i32_at(work()[0].payload, 4 * i), expected[i]) << 4 * i;
  vca::AnalysisSettings s{3, 2, 10, 0, 1, 0, 1920, 1080, {0, 54, 96, 54, 480, 0, 1920, 1080}};
  daemon_.reply(3259, bytes_of(s));
  EXPECT_EQ(call("/6146", R"({"channel":3})"),
            kJsonHead + R"({ "fps": 10, "mode": 0, "installation": 1, "analysis": 0, "width": 1920, "height": 1080, )"
                        R"("vcaType": 2, "position": [ { "minStartX": 1, "minStartY": 13, "minWidth": 23, )"
                        R"("minHeight": 13, "maxStartX": 115, "maxStartY": 0, "maxWidth": 460, "maxHeight": 260 } ] })");
  s.width = s.height = 0;
  daemon_.silence(3259).reply(3259, bytes_of(s));
  EXPECT_NE(call("/6146", R"({"channel":3})").find(R"({ "minStartX": 1, "minStartY": 1, "minWidth": 0, )"),
            std::string::npos);
  const size_t sent = work().size();
  for (const char* bad : {R"({"position":[{"minWidth":"x"}]})", R"({"position":{}})", R"({"fps":"x"})", "{"})
    EXPECT_EQ(call("/6147", bad), kJsonError) << bad;
  EXPECT_EQ(work().size(), sent);
  fast_silence();
  daemon_.silence(3259).silence(3260);
  EXPECT_EQ(call("/6146", R"({"channel":3})"), kJsonError);
  EXPECT_EQ(call("/6147", R"({"chnid":3})"), kJsonError);
}

TEST_F(VcaTest, LeftRemoveFillsItsRegionsAndSavesEventEight) {
  daemon_.reply(3269, word(0));
  EXPECT_EQ(call("/6171", R"({"chnid":2,"sensitivity":6,"region":"01","polygonX":"1","polygonY":"2","min_time":7,)"
                          R"("copyChn":"001","regionType":1,"regionScene":3,"regionInfo":[{"leftEnable":1,)"
                          R"("region":[{"polygonX":"1,2","polygonY":"3,4"},{"polygonX":"9","polygonY":"9"}]},)"
                          R"({"removeEnable":1}],"dialog":{"chnid":2,"interval":5}})"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1412, 3269}));
  EXPECT_EQ(work()[0].payload, bytes_of(uint64_t{0b100}));
  const std::string m = work()[1].payload;
  ASSERT_EQ(m.size(), 4468u);
  for (auto [off, v] : std::vector<std::pair<size_t, int32_t>>{
           {0, 2}, {4, 6}, {436, 7}, {552, 1}, {556, 3}, {560, 1}, {564, 0}, {560 + 976, 0}, {560 + 976 + 4, 1}})
    EXPECT_EQ(i32_at(m, off), v) << off;
  EXPECT_EQ(text_at(m, 8), "01");
  EXPECT_EQ(text_at(m, 308), "1");
  EXPECT_EQ(text_at(m, 372), "2");
  EXPECT_EQ(text_at(m, 560 + 80), "1,2");
  EXPECT_EQ(text_at(m, 560 + 144), "3,4");
  EXPECT_EQ(text_at(m, 560 + 80 + 192), "");  // regionType 1: first polygon only
  EXPECT_EQ(stored(2, 8).interval, 5);
  vca::LeftRemove l{};
  l.sensitivity = 6;
  strcpy(l.region, "01");
  l.left_enable = 1;
  l.min_time = 7;
  strcpy(l.polygon_x, "1,2");
  daemon_.reply(3268, bytes_of(l));
  EXPECT_EQ(call("/6172", R"({"channel":2})"),
            kJsonHead + R"({ "region": "01", "left_enable": 1, "remove_enable": 0, "min_time": 7, )"
                        R"("sensitivity": 6, "polygonX": "1,2", "polygonY": "" })");
  fast_silence();
  daemon_.silence(3268).silence(3269);
  for (const auto& [route, text] : std::vector<std::pair<const char*, const char*>>{
           {"/6171", "{"}, {"/6171", R"({"sensitivity":"x"})"}, {"/6171", R"({"chnid":2})"},
           {"/6172", R"({"channel":64})"}, {"/6172", R"({"channel":2})"}})
    EXPECT_EQ(call(route, text), kJsonError) << route << text;
}

// The simulated cameras keep lines and left/removed-object settings; the one
// without analytics refuses them.
TEST(VcaCoreSim, CamerasKeepWhatTheyWereTold) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  EXPECT_EQ(call_route("/6139", R"({"chnid":1,"enable":1,"width":1920,"height":1080,)"
                                R"("line":[{"position":"115;65;345;195","direction":1}]})"),
            kTextHead + "OK");
  EXPECT_EQ(call_route("/6138", R"({"channel":1})").rfind(
                kJsonHead + R"({ "chnid": 1, "enable": 1, "width": 1920, "height": 1080, "objtype": 0, )"
                            R"("line": [ { "position": "115;65;345;195", "direction": 1 }, )", 0),
            0u);
  EXPECT_EQ(call_route("/6171", R"({"chnid":1,"min_time":4,"region":"11"})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6172", R"({"channel":1})").rfind(kJsonHead + R"({ "region": "11", "left_enable": 0, )"
                                                                      R"("remove_enable": 0, "min_time": 4, )", 0),
            0u);
  EXPECT_EQ(call_route("/6171", R"({"chnid":3})"), kTextHead + "FAILED");
  EXPECT_EQ(call_route("/6147", R"({"chnid":3})"), kTextHead + "FAILED");
  sim.stop();
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
      {vca::kReqLineGet, 3241, 1000},          {video::kReqVcaLineSet, 3248, 1000},
      {video::kReqVcaSettingsSet, 3260, 1000}, {vca::kReqLeftRemoveGet, 3268, 1000},
      {video::kReqVcaLeftRemoveSet, 3269, 1000},
  });
  expect_replies(video_reply_table(),
                 {{8237, 4480}, {8238, 4480}, {8239, 4480}, {8240, 4480}, {8242, 4480}, {8243, 4480}, {8257, 44},
                  {8244, 4}, {8245, 4}, {8246, 4}, {8247, 4}, {8249, 4}, {8250, 4}, {8261, 4},
                  {8241, 612}, {8248, 4}, {8259, 64}, {8260, 4}, {8268, 4468}, {8269, 4}},
                 true);
}
}  // namespace
