#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "coresim_server.h"
#include "platform/kvdb_peoplecnt.h"
#include "platform/kvdb_face.h"
#include "platform/kvdb_pos.h"
#include "proto/face_proto.h"
#include "proto/peoplecnt_proto.h"
#include "support/module_test.h"

using namespace peoplecnt;

namespace {
int32_t i32_at(const std::string& bytes, size_t off) {
  int32_t v = 0;
  if (off + 4 <= bytes.size()) memcpy(&v, bytes.data() + off, 4);
  return v;
}
std::string text_at(const std::string& bytes, size_t off) { return std::string(bytes.c_str() + off); }

class PeoplecntTest : public ModuleTest {};

const std::string kSched = R"([[["01:00","02:00",3]],[],[],[],[],[],[],[]])";
const std::string kSchedStart = R"([ [ { "startTime": "01:00", "endTime": "02:00", "actionType": 3 }, )";

std::string group_json(int i) {
  return R"({"enable":1,"stays":)" + std::to_string(i) + R"(,"name":"G)" + std::to_string(i) + R"(","tri_channels":"1)" +
         std::string(80, '0') + R"("})";
}

TEST_F(PeoplecntTest, GroupsStoreOnlyTheFirstNineAndListWithOrWithoutDialog) {
  std::string groups;
  for (int i = 0; i < 12; ++i) groups += (i ? "," : "") + group_json(i);
  daemon_.reply(2290, word(0));
  EXPECT_EQ(call("/2067", R"({"groups":[)" + groups + "]}"), kJsonHead + R"({ "res": 0 })");
  ASSERT_EQ(work_codes(), std::vector<int32_t>{2290});
  EXPECT_EQ(work()[0].payload, word(9));
  PeoplecntGroupRec recs[kPeoplecntGroups] = {};
  ASSERT_EQ(read_peoplecnt_settings(devpaths::kKvdb, recs), 0);
  EXPECT_EQ(recs[8].stays, 8);
  EXPECT_STREQ(recs[8].name, "G8");
  EXPECT_EQ(std::string(recs[8].tri_channels), "1" + std::string(63, '0'));  // cut to 64
  EXPECT_STREQ(recs[0].liveview_red_tips, "Please wait");                    // not given: kept

  std::string list = call("/2066", R"({"action":0})");
  EXPECT_EQ(list.rfind(kJsonHead + R"({ "groups": [ { "groupid": 0, "enable": 1, "stays": 0, "liveview_auto_reset": 0, )"
                                   R"("auto_day": 0, "liveview_font_size": 1, "name": "G0", "auto_day_time": "00:00:00", )",
                       0),
            0u)
      << list;
  EXPECT_EQ(list.find("dialog"), std::string::npos);
  EXPECT_EQ(call("/2066"), list);
  std::string dialogs = call("/2066", R"({"action":1})");
  EXPECT_NE(dialogs.find(R"("liveview_red_tips": "Please wait", "dialog": { "chnid": 0, "triAlarms": 0, )"),
            std::string::npos);
  EXPECT_NE(dialogs.find(R"("audioIdMask": )"), std::string::npos);
  EXPECT_NE(dialogs.find(R"("ptzParams": )"), std::string::npos);
}

TEST_F(PeoplecntTest, ActionSetKeepsWhatTheRequestLeavesOut) {
  daemon_.reply(2293, word(0)).reply(2293, word(0));
  EXPECT_EQ(call("/2070", R"({"groupid":4,"audible":)" + kSched + R"(,"triChnAlarms":["a","b"]})"),
            kJsonHead + R"({ "res": 0 })");
  EXPECT_EQ(call("/2070", R"({"groupid":4,"interval":30})"), kJsonHead + R"({ "res": 0 })");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{2293, 2293}));
  EXPECT_EQ(work()[1].payload, word(4) + word(-1));
  PeoplecntEventRec ev{};
  ASSERT_EQ(read_peoplecnt_event(devpaths::kKvdb, &ev, 4), 0);
  EXPECT_EQ(ev.interval, 30);
  EXPECT_EQ(ev.email_interval, 60);
  EXPECT_STREQ(ev.tri_chn_alarms[1], "b");

  std::string page = call("/2069", R"({"groupid":4})");
  EXPECT_EQ(page.rfind(kJsonHead + R"({ "chnid": 4, "triAlarms": 0, "interval": 30, "email_interval": 60, )", 0), 0u);
  // The effective schedule shows the audible one.
  EXPECT_NE(page.find(R"("effective": )" + kSchedStart), std::string::npos) << page;
  EXPECT_NE(page.find(R"("audible": )" + kSchedStart), std::string::npos);
  EXPECT_EQ(page.find("ptzParams"), std::string::npos);
  // A refused write is the error, and the daemon is not told.
  kvdb_fail_writes("peoplecnt_event");
  EXPECT_EQ(call("/2070", R"({"groupid":4,"interval":31})"), kJsonError);
  EXPECT_EQ(work().size(), 2u);
}

TEST_F(PeoplecntTest, BadInputAndSilenceGiveTheJsonError) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"/2067", "{"}, {"/2067", R"({"groups":3})"}, {"/2067", R"({"groups":[{"stays":"x"}]})"},
      {"/2069", R"({"groupid":9})"}, {"/2070", R"({"groupid":-1,"interval":1})"}, {"/2071", "{}"},
      {"/2072", R"({"groupid":"a"})"}, {"/2076", R"({"report":{}})"}, {"/2066", "{"},
  };
  for (const auto& [route, text] : cases) EXPECT_EQ(call(route, text), kJsonError) << route << " " << text;
  EXPECT_TRUE(work().empty());
  PeoplecntGroupRec recs[kPeoplecntGroups] = {};
  read_peoplecnt_settings(devpaths::kKvdb, recs);
  EXPECT_EQ(recs[0].stays, 0);

  fast_silence();
  EXPECT_EQ(call("/2071", R"({"groupid":8})"), kJsonError);
  EXPECT_EQ(call("/2076", R"({"report":[]})"), kJsonError);
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{2291, 1423}));
  EXPECT_EQ(work()[0].payload, word(8));
  EXPECT_EQ(work()[1].payload, "");
}

TEST_F(PeoplecntTest, ReportBackupKeepsEntriesBeyondTheGivenOnes) {
  daemon_.reply(1423, word(5));
  EXPECT_EQ(call("/2076", R"({"report":[{"enable":1,"triGroups":"111111111000000001111","backupTime":"23:30"}]})"),
            kJsonHead + R"({ "res": 0 })");
  ReportBackupRec recs[kReportBackups] = {};
  ASSERT_EQ(read_peoplecnt_auto_backup(devpaths::kKvdb, recs), 0);
  EXPECT_STREQ(recs[0].tri_groups, "1111111110000000");  // cut to 16
  EXPECT_EQ(recs[3].report_type, 3);
  std::string page = call("/2075");
  EXPECT_EQ(page.rfind(kJsonHead + R"({ "report": [ { "reportType": 0, "enable": 1, "triChannels": "", )"
                                   R"("triGroups": "1111111110000000", "stayLengthType": 0, "stayLengthValue": 0, )"
                                   R"("backupDay": 0, "backupTime": "23:30", "fileFormat": 0, "timeRange": 0, )"
                                   R"("backupTo": 0, "lineMask": 0 }, { "reportType": 1, "enable": 0, )",
                       0),
            0u)
      << page;
  EXPECT_EQ(page.substr(page.size() - 15), R"(], "email": 1 })");
}

TEST_F(PeoplecntTest, PosSaveStoresTheDeviceAndItsActionThenTellsTheDaemon) {
  daemon_.reply(1421, word(0));
  EXPECT_EQ(call("/2074", R"({"id":7,"name":"Till 8","port":4001,"action":{"triChannels":"0101","interval":15,)"
                          R"("audible":)" + kSched + "}}"),
            kJsonHead + R"({ "res": 0 })");
  ASSERT_EQ(work_codes(), std::vector<int32_t>{1421});
  EXPECT_EQ(work()[0].payload, word(7));
  PosRec dev{};
  ASSERT_EQ(read_pos_setting(devpaths::kKvdb, &dev, 7), 0);
  EXPECT_STREQ(dev.name, "Till 8");
  EXPECT_EQ(dev.port, 4001);
  EXPECT_EQ(dev.clear_time, 60);  // not given: kept
  SourceEventRec ev{};
  ASSERT_EQ(read_pos_event(devpaths::kKvdb, &ev, 7), 0);
  EXPECT_EQ(ev.tri_mask, 0b1010u);
  EXPECT_EQ(ev.interval, 15);

  std::string page = call("/2073", R"({"id":7})");
  EXPECT_EQ(page.rfind(kJsonHead + R"({ "pos": [ { "id": 0, "enable": 0, "name": "POS1", "protocol": 0, )"
                                   R"("connectionMode": 0, "ip": "0.0.0.0", "liveviewDisplay": 0, )", 0),
            0u)
      << page;
  EXPECT_NE(page.find(R"(} ], "triChannels": "0101", "tri_channels_pic": "", "triChnAlarms": )"), std::string::npos);
  EXPECT_NE(page.find(R"("audible": )" + kSchedStart), std::string::npos);
  EXPECT_NE(page.find(R"("httpParams": )"), std::string::npos);
  EXPECT_EQ(page.find(R"("triAlarms": 0, "interval": 15, )"), page.rfind("triAlarms") - 1);

  for (const char* bad : {R"({"id":8})", R"({"id":1,"action":3})", R"({"id":1,"port":"x"})", "{"}) {
    EXPECT_EQ(call("/2074", bad), kJsonError) << bad;
    EXPECT_EQ(call("/2073", R"({"id":-1})"), kJsonError);
  }
  EXPECT_EQ(work().size(), 1u);
}

TEST_F(PeoplecntTest, FaceSettingsFollowTheActionNoticeAndBadInputGetsNoAnswer) {
  fast_silence();
  EXPECT_EQ(call("/2077", R"({"chnId":15})"), "");  // a silent daemon: nothing either
  daemon_.reply(3381, word(0));
  EXPECT_EQ(call("/2077", R"({"chnId":3,"enable":1,"minPixel":40,"polygonX":"1,2","httpUrl":"http://h",)"
                          R"("shieldAreas":[{"enable":1,"polygonX":"5"}],"captureModes":[{},{"captureQuality":2,"snapshot":1}],)"
                          R"("action":{"triChannels":"001","interval":9}})"),
            kJsonHead + R"({ "status": 0 })");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{3381, 3383, 3381}));
  EXPECT_EQ(work()[1].payload, word(3));
  const std::string cfg = work()[2].payload;
  ASSERT_EQ(cfg.size(), 1620u);
  EXPECT_EQ(i32_at(cfg, 0), 3);
  EXPECT_EQ(i32_at(cfg, 4), 1);
  EXPECT_EQ(i32_at(cfg, 16), 40);
  EXPECT_EQ(text_at(cfg, 44), "1,2");
  EXPECT_EQ(text_at(cfg, 204), "http://h");
  EXPECT_EQ(i32_at(cfg, 608), 1);
  EXPECT_EQ(text_at(cfg, 612), "5");
  EXPECT_EQ(i32_at(cfg, 1144), 2);
  EXPECT_EQ(i32_at(cfg, 1148), 1);
  SourceEventRec ev{};
  ASSERT_EQ(read_face_event(devpaths::kKvdb, &ev, 3), 0);
  EXPECT_EQ(ev.tri_mask, 0b100u);
  EXPECT_EQ(ev.interval, 9);

  for (const char* bad : {R"({"chnId":16})", R"({"chnId":-1})", R"({"chnId":"x"})", "{", R"({"chnId":1,"minPixel":"a"})",
                          R"({"chnId":1,"shieldAreas":3})", R"({"chnId":1,"action":2})"})
    EXPECT_EQ(call("/2077", bad), "") << bad;
  EXPECT_EQ(work().size(), 3u);
}

TEST(PeoplecntGolden, CodesAndRecords) {
  expect_codes({
      {kReqSettingsSet, 2290, 1000}, {kReqDbReset, 2291, 1000}, {kReqLiveviewReset, 2292, 1000},
      {kReqActionSet, 2293, 1000},   {kReqReportBackup, 1423, 1000}, {pos::kReqPosSet, 1421, 1000},
      {face::kReqFaceSet, 3381, 1000}, {face::kReqFaceAction, 3383, 1000},
  });
  static_assert(sizeof(ReportBackupRec) == 152 && sizeof(ActionNotice) == 8 && sizeof(face::FaceConfig) == 1620);
  PosRec recs[kPosDevices] = {};
  TestRoot root;
  ASSERT_EQ(read_pos_settings(devpaths::kKvdb, recs), 0);  // factory rows for all eight
  EXPECT_EQ(recs[kPosDevices - 1].id, kPosDevices - 1);
}

// Against the simulator: the resets, saves and face settings are answered.
TEST(PeoplecntOnCoreSim, ResetsAndSavesAreAnswered) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  EXPECT_EQ(call_route("/2072", R"({"groupid":2})"), kJsonHead + R"({ "res": 0 })");
  EXPECT_EQ(call_route("/2070", R"({"groupid":2,"interval":5})"), kJsonHead + R"({ "res": 0 })");
  EXPECT_EQ(call_route("/2076", R"({"report":[]})"), kJsonHead + R"({ "res": 0 })");
  EXPECT_EQ(call_route("/2077", R"({"chnId":1,"action":{"interval":3}})"), kJsonHead + R"({ "status": 0 })");
  sim.stop();
}
}  // namespace
