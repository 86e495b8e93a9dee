#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kvdb_action.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"
#include "support/module_test.h"

using namespace video;

namespace {
class ActionTest : public ModuleTest {};

int32_t i32_at(const std::string& bytes, size_t off) {
  int32_t v = 0;
  if (off + 4 <= bytes.size()) memcpy(&v, bytes.data() + off, 4);
  return v;
}
std::string mask_bytes(uint64_t m) { return bytes_of(m); }

const std::string kSched = R"([[["01:00","02:00",3]],[],[],[],[],[],[],[]])";
const std::string kSchedHead = kJsonHead + R"([ [ { "startTime": "01:00", "endTime": "02:00", "actionType": 3 }, )";
const std::string kEmptyHead = kJsonHead + R"([ [ { "startTime": "", "endTime": "", "actionType": 0 }, )";

bool has_schedule(const std::string& answer) { return answer.rfind(kSchedHead, 0) == 0; }

TEST_F(ActionTest, DialogWithOnlyEffectiveWritesTheScheduleNotTheRecord) {
  kvdb_fail_writes("motion");
  EXPECT_EQ(call("/6117", R"({"chnid":3,"effective":)" + kSched + "}"), kTextHead + "OK");
  EXPECT_TRUE(has_schedule(call("/6153", "3")));
  ASSERT_TRUE(daemon_.wait_requests(1));
  EXPECT_EQ(daemon_.codes(), std::vector<int32_t>{1403});
  EXPECT_EQ(work()[0].payload, word(3));
  // A member of the record must be written: the failure is the answer.
  EXPECT_EQ(call("/6117", R"({"chnid":3,"interval":4})"), kJsonError);
  for (const char* bad : {"{", R"({"chnid":64})", R"({"chnid":-1})", R"({"interval":4})"}) {
    EXPECT_EQ(call("/6117", bad), kJsonError) << bad;
    EXPECT_EQ(call("/6094", bad), kJsonError) << bad;
    EXPECT_EQ(call("/6095", bad), kJsonError) << bad;
  }
  EXPECT_EQ(daemon_.codes().size(), 1u);
}

TEST_F(ActionTest, VideoLossPageSavesItsSetAndCopiesIt) {
  // Only the source listed: nothing copied, 1414 with the source bit alone.
  EXPECT_EQ(call("/6095", R"({"chnid":3,"audioId":2,"copyChn":[3],"copyCnt":1})"), kTextHead + "OK");
  VideoLossRec rec{};
  read_video_lost(devpaths::kKvdb, &rec, 4);
  EXPECT_EQ(rec.audio_id, 0);
  EXPECT_EQ(rec.enable, 0);

  EXPECT_EQ(call("/6095", R"({"chnid":3,"interval":7,"email_interval":9,"triChnAlarms":["a","b"],"audible":)" + kSched +
                              R"(,"ptzParams":[{"acto_ptz_channel":2,"acto_ptz_type":2,"acto_ptz_patrol":1}],)"
                              R"("httpParams":{"url":"http://x","username":"u","password":"p"},)"
                              R"("copyChn":[3,7,99,-1],"copyCnt":4})"),
            kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(2));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{1414, 1414}));
  EXPECT_EQ(work()[0].payload, mask_bytes(1u << 3));
  EXPECT_EQ(work()[1].payload, mask_bytes(1u << 3 | 1u << 7));

  // The copy: record (enable and byte 16 set to 2), schedules, HTTP target, PTZ entries.
  read_video_lost(devpaths::kKvdb, &rec, 7);
  std::string raw(reinterpret_cast<const char*>(&rec), sizeof rec);
  EXPECT_EQ(i32_at(raw, 0), 7);
  EXPECT_EQ(i32_at(raw, 4), 2);
  EXPECT_EQ(i32_at(raw, 12), 7);
  EXPECT_EQ(i32_at(raw, 16), 2);
  EXPECT_EQ(rec.audio_id, 2);
  EXPECT_STREQ(rec.tri_chn_alarms[1], "b");
  const std::string page = call("/6094", R"({"chnid":7})");
  EXPECT_EQ(page.rfind(kJsonHead + R"({ "chnid": 7, "enable": 2, "triAlarms": 0, "interval": 7, "email_interval": 9, )"
                                   R"("ptz_interval": 0, "alarmout_interval": 0, "white_interval": 0, )"
                                   R"("warning_light_interval": 0, "http_notification_interval": 0, "audioId": 2, )"
                                   R"("audible": [ [ { "startTime": "01:00", )",
                       0),
            0u);
  EXPECT_NE(page.find(R"("httpParams": { "chnId": 7, "url": "http:\/\/x", "username": "u", "password": "p" }, )"
                      R"("triChnAlarms": [ "a", "b" ], "ptzParams": [ { "acto_ptz_channel": 2, "acto_ptz_type": 2, )"
                      R"("acto_ptz_preset": 0, "acto_ptz_patrol": 1 } ], "audioIdMask": 0 })"),
            std::string::npos);
  EXPECT_NE(page.find(R"("email": [ [ { "startTime": "", )"), std::string::npos);

  kvdb_fail_writes("video_loss");
  EXPECT_EQ(call("/6095", R"({"chnid":3,"interval":1})"), kJsonError);
  EXPECT_EQ(daemon_.codes().size(), 2u);
}

// The list forms: one schedule for "cnt" channels of "chnid", members into each record.
struct ListCase {
  const char* set;
  const char* get;
  int32_t notice;
  const char* members;
  void (*check)(int chn);
};
const ListCase kLists[] = {
    {"/6121", "/6015", 1414, R"("enable":1,"interval":25)",
     [](int c) {
       VideoLossRec r{};
       read_video_lost(devpaths::kKvdb, &r, c);
       EXPECT_EQ(r.enable * 100 + r.interval, 125);
     }},
    {"/6122", "/6124", 1414, R"("enable":1,"interval":25)",
     [](int c) {
       VideoLossRec r{};
       read_video_lost(devpaths::kKvdb, &r, c);
       EXPECT_EQ(r.email_enable * 100 + r.email_interval, 125);
     }},
    {"/6125", "/6129", 1415, R"("enable":1,"interval":25)",
     [](int c) {
       AlarmInRec r{};
       read_alarm_in(devpaths::kKvdb, &r, c);
       EXPECT_EQ(r.enable * 100 + r.interval, 125);
     }},
    {"/6126", "/6128", 1415, R"("enable":1,"interval":25,"triSnapshot":"0011")",
     [](int c) {
       AlarmInRec r{};
       read_alarm_in(devpaths::kKvdb, &r, c);
       EXPECT_EQ(r.email_enable * 100 + r.email_interval, 125);
       EXPECT_STREQ(r.tri_snapshot, "0011");
     }},
};

TEST_F(ActionTest, ListSchedulesMarkEveryListedChannel) {
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.set);
    EXPECT_EQ(call(c.set, "{"), "");
    EXPECT_EQ(call(c.set, std::string("{") + c.members + R"(,"cnt":1,"chnid":[5]})"), "");  // no schedule
    EXPECT_EQ(call(c.set, std::string("{") + c.members + R"(,"cnt":3,"chnid":[5,64,-1],"schedule":)" + kSched + "}"),
              kTextHead + "OK");
    c.check(5);
    EXPECT_TRUE(has_schedule(call(c.get, "5")));
    EXPECT_EQ(call(c.get, "6").rfind(kEmptyHead, 0), 0u);
  }
  ASSERT_TRUE(daemon_.wait_requests(4));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{1414, 1414, 1415, 1415}));
  for (const FakeRequest& r : work()) EXPECT_EQ(r.payload, mask_bytes(1u << 5));
  // The alarm input's name and type are kept.
  AlarmInRec in{};
  read_alarm_in(devpaths::kKvdb, &in, 5);
  EXPECT_STREQ(in.name, "AlarmIn6");

  kvdb_fail_writes("alarm_in");
  EXPECT_EQ(call("/6125", R"({"enable":0,"interval":1,"cnt":1,"chnid":[5],"schedule":)" + kSched + "}"), kTextError);
}

TEST_F(ActionTest, SingleSchedulesNotifyTheirChannel) {
  const struct {
    const char* set;
    const char* get;
    int32_t notice;
  } cases[] = {{"/6152", "/6153", 1403}, {"/6118", "/6120", 1403}, {"/6159", "/6158", 1403}, {"/6170", "/6169", 1404}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    EXPECT_EQ(call(c.set, R"({"camId":-1,"schedule":)" + kSched + "}"), kTextError);
    EXPECT_EQ(call(c.set, R"({"camId":64,"schedule":)" + kSched + "}"), kTextError);
    EXPECT_EQ(call(c.set, R"({"camId":2,"schedule":)"), "");
    EXPECT_EQ(call(c.set, R"({"camId":2,"enable":1,"interval":45,"schedule":)" + kSched + "}"), kTextHead + "OK");
    EXPECT_TRUE(has_schedule(call(c.get, "2")));
    EXPECT_EQ(call(c.get, "64"), "");
  }
  ASSERT_TRUE(daemon_.wait_requests(4));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{1403, 1403, 1403, 1404}));
  for (const FakeRequest& r : work()) EXPECT_EQ(r.payload, word(2));
  MotionRec m{};
  read_motion(devpaths::kKvdb, &m, 2);
  EXPECT_EQ(m.email_enable, 1);
  EXPECT_EQ(m.email_interval, 45);
  EXPECT_EQ(m.interval, 10);  // the event's own interval is another member
}

TEST_F(ActionTest, PtzSchedulesCopyTheSourceEntries) {
  const std::string entry = R"({"type":2,"chn_id":1,"acto_ptz_channel":4,"acto_ptz_type":3,"acto_ptz_pattern":6})";
  EXPECT_EQ(call("/6160", entry), kTextHead + "OK");
  EXPECT_EQ(call("/6165", R"({"camId":1,"cnt":3,"chnid":[1,8,9],"schedule":)" + kSched + "}"), kTextHead + "OK");
  for (const char* chn : {"1", "8", "9"}) EXPECT_TRUE(has_schedule(call("/6166", chn))) << chn;
  ASSERT_TRUE(daemon_.wait_requests(1));
  EXPECT_EQ(daemon_.codes(), std::vector<int32_t>{1414});
  EXPECT_EQ(work()[0].payload, mask_bytes(1u << 1 | 1u << 8 | 1u << 9));
  PtzParams p{};
  int n = 0;
  read_ptz_params(devpaths::kKvdb, 2, 9, &p, &n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(p.entry[0].chn_id, 9);
  EXPECT_EQ(p.entry[0].acto_ptz_pattern, 6);
  // "acto_ptz_pattern" is never reported.
  EXPECT_EQ(call("/6161", R"({"type":2,"chn_id":8})"),
            kJsonHead + R"({ "ptzInfo": [ { "acto_ptz_channel": 4, "acto_ptz_type": 3, "acto_ptz_preset": 0, )"
                        R"("acto_ptz_patrol": 0 } ] })");
  EXPECT_EQ(call("/6167", R"({"camId":-1,"cnt":1,"chnid":[2],"schedule":)" + kSched + "}"), kTextError);
}

TEST_F(ActionTest, PtzEntriesAddUpdateDeleteWithoutTheDaemon) {
  auto add = [&](int type, int chn, int ptz) {
    return call("/6160", "{\"type\":" + std::to_string(type) + ",\"chn_id\":" + std::to_string(chn) +
                             ",\"acto_ptz_channel\":" + std::to_string(ptz) +
                             ",\"acto_ptz_type\":1,\"acto_ptz_preset\":5,\"acto_ptz_patrol\":9}");
  };
  EXPECT_EQ(add(1, 2, 3), kTextHead + "OK");
  EXPECT_EQ(add(1, 2, 4), kTextHead + "OK");
  EXPECT_EQ(call("/6161", R"({"type":1,"chn_id":2})"),
            kJsonHead + R"({ "ptzInfo": [ { "acto_ptz_channel": 3, "acto_ptz_type": 1, "acto_ptz_preset": 5, )"
                        R"("acto_ptz_patrol": 0 }, { "acto_ptz_channel": 4, "acto_ptz_type": 1, )"
                        R"("acto_ptz_preset": 5, "acto_ptz_patrol": 0 } ] })");
  EXPECT_EQ(call("/6163", R"({"type":1,"old_chn_id":2,"chn_id":6,"acto_ptz_channel":3,"acto_ptz_type":2,)"
                          R"("acto_ptz_patrol":1})"),
            kTextHead + "OK");
  EXPECT_EQ(call("/6161", R"({"type":1,"chn_id":6})"),
            kJsonHead + R"({ "ptzInfo": [ { "acto_ptz_channel": 3, "acto_ptz_type": 2, "acto_ptz_preset": 0, )"
                        R"("acto_ptz_patrol": 1 } ] })");
  EXPECT_EQ(call("/6162", R"({"type":1,"chn_id":6,"acto_ptz_channel":3})"), kTextHead + "OK");
  EXPECT_EQ(call("/6164", R"({"type":1,"chn_id":2,"ptzChannel":[4,"x",3]})"), kTextHead + "OK");
  for (const char* chn : {"2", "6"})
    EXPECT_EQ(call("/6161", std::string(R"({"type":1,"chn_id":)") + chn + "}"), kJsonHead + R"({ "ptzInfo": [ ] })");

  // People counting keeps at most 16 entries per group.
  for (int ptz = 1; ptz <= 16; ++ptz) EXPECT_EQ(add(20, 1, ptz), kTextHead + "OK");
  EXPECT_EQ(add(20, 1, 17), kTextError);
  EXPECT_EQ(call("/6161", R"({"type":20,"chn_id":1})").find(R"("acto_ptz_channel": 16,)") != std::string::npos, true);

  const char* bad[][2] = {
      {"/6160", R"({"type":1,"chn_id":-1,"acto_ptz_channel":3,"acto_ptz_type":1})"},
      {"/6160", R"({"type":1,"chn_id":64,"acto_ptz_channel":3,"acto_ptz_type":1})"},
      {"/6160", R"({"type":1,"chn_id":1,"acto_ptz_channel":0,"acto_ptz_type":1})"},
      {"/6161", R"({"type":1,"chn_id":64})"},
      {"/6162", R"({"type":1,"chn_id":1,"acto_ptz_channel":-1})"},
      {"/6163", R"({"type":1,"old_chn_id":70,"chn_id":1,"acto_ptz_channel":3,"acto_ptz_type":1})"},
      {"/6164", R"({"type":1,"chn_id":1})"},
      {"/6164", "{"},
  };
  for (auto& [route, text] : bad) EXPECT_EQ(call(route, text), kTextError) << route << text;
  EXPECT_TRUE(daemon_.requests().empty());
}

TEST_F(ActionTest, TriggerOutputsOfManyChannels) {
  EXPECT_EQ(call("/6123", R"({"cnt":3,"chnid":[1,2,70],"triAlarms":0})"), kTextHead + "OK");
  VideoLossRec recs[kChannels] = {};
  recs[2].tri_alarms = 5;
  write_video_losts(devpaths::kKvdb, recs, 1u << 2);
  EXPECT_EQ(call("/6123", R"({"cnt":2,"chnid":[1,2],"triAlarms":3})"), kTextHead + "OK");
  read_video_losts(devpaths::kKvdb, recs);
  EXPECT_EQ(recs[1].tri_alarms, 3);
  EXPECT_EQ(recs[2].tri_alarms, 3);

  EXPECT_EQ(call("/6170", R"({"camId":0,"schedule":)" + kSched + "}"), kTextHead + "OK");
  EXPECT_EQ(call("/6127", R"({"camId":0,"type":0,"cnt":2,"chnid":[4,5],"triChannels":"0101"})"), kTextHead + "OK");
  EXPECT_EQ(call("/6127", R"({"camId":0,"type":1,"cnt":1,"chnid":[5],"triAlarms":6})"), kTextHead + "OK");
  EXPECT_EQ(call("/6127", R"({"camId":99,"type":1,"cnt":1,"chnid":[5]})"), "");
  AlarmInRec in{};
  read_alarm_in(devpaths::kKvdb, &in, 5);
  EXPECT_EQ(in.tri_mask, 0b1010u);
  EXPECT_EQ(in.tri_alarms, 6);
  EXPECT_TRUE(has_schedule(call("/6169", "4")));

  ASSERT_TRUE(daemon_.wait_requests(9));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1414, 1414, 1404, 1415, 1415}));
  EXPECT_EQ(work()[0].payload, mask_bytes(0));  // every listed channel already had 0
  EXPECT_EQ(work()[1].payload, mask_bytes(1u << 1 | 1u << 2));
  EXPECT_EQ(work()[3].payload, mask_bytes(0b110000));
  ASSERT_EQ(mask_logs().size(), 4u);
  EXPECT_EQ(mask_logs()[0].chn_mask, 0b110u);
  EXPECT_EQ(mask_logs()[0].log.param_type, 909);

  EXPECT_EQ(call("/6119", R"({"camId":-1,"type":1})"), kTextError);
  EXPECT_EQ(call("/6119", R"({"camId":3,"type":1,"triChannels":"11"})"), kTextHead + "OK");
  MotionRec m{};
  read_motion(devpaths::kKvdb, &m, 3);
  EXPECT_EQ(m.tri_mask, 0b11u);
}

TEST_F(ActionTest, SnapshotSettingsSchedulesAndSwitches) {
  EXPECT_EQ(call("/6178", R"({"snapshotCnt":0,"snapshotChnId":[1],"stopCnt":0,"stopChnId":[2]})"), kTextHead + "OK");
  EXPECT_TRUE(daemon_.requests().empty());
  EXPECT_EQ(call("/6178", R"({"snapshotCnt":2,"snapshotChnId":[1,63],"stopCnt":1,"stopChnId":[2]})"),
            kTextHead + "OK");
  EXPECT_EQ(call("/6177", R"({"resolution":2,"quality":3,"interval":4,"interval_unit":1,"expiration_date":7,)"
                          R"("cnt":4,"chnid":[9,70,2,9]})"),
            kTextHead + "OK");
  EXPECT_EQ(call("/6176", "2"), kJsonHead + R"({ "resolution": 2, "quality": 3, "interval": 4, "interval_unit": 1, )"
                                            R"("expiration_date": 7 })");
  EXPECT_EQ(call("/6176", "3"), kJsonHead + R"({ "resolution": 0, "quality": 1, "interval": 5, "interval_unit": 0, )"
                                            R"("expiration_date": 30 })");
  EXPECT_EQ(call("/6175", R"({"cnt":1,"chnid":[9],"schedule":)" + kSched + "}"), kTextHead + "OK");
  EXPECT_TRUE(has_schedule(call("/6174", "9")));
  EXPECT_EQ(call("/6174", "2").rfind(kEmptyHead, 0), 0u);
  for (const char* route : {"/6175", "/6177", "/6178"}) EXPECT_EQ(call(route, "{"), kTextError) << route;
  EXPECT_EQ(call("/6177", R"({"resolution":2,"cnt":1,"chnid":[1]})"), kTextError);

  ASSERT_TRUE(daemon_.wait_requests(4));
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1313, 1313, 1311, 1312}));
  auto w = work();
  for (const FakeRequest& r : w) EXPECT_EQ(r.payload.size(), 260u);
  EXPECT_EQ(i32_at(w[0].payload, 0), 1);
  EXPECT_EQ(i32_at(w[0].payload, 4 + 4 * 1), 1);
  EXPECT_EQ(i32_at(w[0].payload, 4 + 4 * 63), 1);
  EXPECT_EQ(i32_at(w[0].payload, 4 + 4 * 2), 0);
  EXPECT_EQ(i32_at(w[1].payload, 0), 0);
  EXPECT_EQ(i32_at(w[1].payload, 4 + 4 * 2), 1);
  EXPECT_EQ(i32_at(w[2].payload, 0), 9);  // listed order, each channel once
  EXPECT_EQ(i32_at(w[2].payload, 4), 2);
  EXPECT_EQ(i32_at(w[2].payload, 256), 2);
  EXPECT_EQ(i32_at(w[3].payload, 0), 9);
  EXPECT_EQ(i32_at(w[3].payload, 256), 1);
}
}  // namespace

// ---- Golden table: codes and records as the device defines them ----

TEST(ActionGolden, CodesAndRecords) {
  expect_codes({
      {kReqMotionChanged, 1403, 1000},     {kReqAlarmInChanged, 1404, 1000},  {kReqMotionsChanged, 1410, 1000},
      {kReqVideoLossesChanged, 1414, 1000}, {kReqAlarmInsChanged, 1415, 1000}, {kReqSnapshotSettings, 1311, 1000},
      {kReqSnapshotSchedules, 1312, 1000}, {kReqSnapshotSwitch, 1313, 1000},
  });
  EXPECT_EQ(sizeof(PtzActionEntry), 28u);
  EXPECT_EQ(offsetof(PtzActionEntry, acto_ptz_channel), 4u);
  EXPECT_EQ(offsetof(PtzActionEntry, acto_ptz_type), 12u);
  EXPECT_EQ(offsetof(PtzActionEntry, acto_ptz_preset), 16u);
  EXPECT_EQ(offsetof(PtzActionEntry, acto_ptz_patrol), 20u);
  EXPECT_EQ(offsetof(PtzActionEntry, acto_ptz_pattern), 24u);
  EXPECT_EQ(sizeof(SnapshotRec), 36u);
  EXPECT_EQ(sizeof(SnapshotSchedule), 27716u);
  EXPECT_EQ(sizeof(ChannelList), 260u);
  EXPECT_EQ(sizeof(SnapshotSwitch), 260u);
  EXPECT_EQ(sizeof(AlarmInRec), 952u);
  EXPECT_EQ(offsetof(AlarmInRec, tri_snapshot), 384u);
  EXPECT_EQ(sizeof(VideoLossRec), 184u);
  EXPECT_EQ(sizeof(WhiteLedParams) * 16, 16u * 256u);
  EXPECT_EQ(sizeof(WarningLightParams), 384u);
  EXPECT_EQ(sizeof(HttpNotifyParams), 680u);
}
