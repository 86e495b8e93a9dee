#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "coresim_server.h"
#include "modules/alarm/alarm_module.h"
#include "platform/kvdb_alarm.h"
#include "proto/alarm_proto.h"
#include "support/module_test.h"

using namespace alarmio;

namespace {
class AlarmTest : public ModuleTest {};

const std::string kSched = R"([[["01:00","02:00",3]],[],[],[],[],[],[],[]])";
bool starts(const std::string& s, const std::string& head) { return s.rfind(head, 0) == 0; }
// Each key appears after the one before it, starting at `from`.
void expect_key_order(const std::string& page, std::initializer_list<const char*> keys, size_t from = 0) {
  for (const char* k : keys) {
    size_t at = page.find("\"" + std::string(k) + "\": ", from);
    ASSERT_NE(at, std::string::npos) << k << " missing or out of order in " << page.substr(0, 300);
    from = at;
  }
}
size_t occurrences(const std::string& s, const std::string& part) {
  size_t n = 0;
  for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++n;
  return n;
}
template <class T>
T at(const std::string& payload, size_t offset) {
  T v{};
  memcpy(&v, payload.data() + offset, sizeof v);
  return v;
}

TEST_F(AlarmTest, OutputSaveCopiesToRealOutputsOnly) {
  EXPECT_TRUE(starts(call("/6020"), kJsonHead + R"([ { "id": 0, "name": "AlarmOut1", "type": 0, "enable": 0, )"
                                                R"("durationTime": 10 }, { "id": 1, )"));
  EXPECT_EQ(call("/6022", R"({"alarmId":0,"enable":1,"durationTime":30,"copyChn":[0,1,9],"copyCnt":3,)"
                          R"("dialog":{"effective":)" + kSched + "}}"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1405, 1405}));
  EXPECT_EQ(work()[0].payload, word(0));
  EXPECT_EQ(work()[1].payload, word(1));
  ASSERT_EQ(mask_logs().size(), 1u);
  EXPECT_EQ(mask_logs()[0].log.sub_type, 204);
  EXPECT_EQ(mask_logs()[0].log.param_type, 911);
  EXPECT_EQ(mask_logs()[0].log.channel, 1);
  EXPECT_EQ(mask_logs()[0].chn_mask, 0x3u);
  AlarmOutRec outs[4] = {};
  read_alarm_outs(devpaths::kKvdb, outs, nullptr);
  EXPECT_EQ(outs[1].durationTime, 30);
  EXPECT_EQ(outs[1].enable, 1);
  EXPECT_STREQ(outs[1].name, "AlarmOut2");
  EXPECT_EQ(outs[2].durationTime, 10);
  EXPECT_TRUE(starts(call("/6021", R"({"alarmId":1})"),
                     kJsonHead + R"({ "id": 1, "name": "AlarmOut2", "type": 0, "enable": 1, "durationTime": 30, )"
                                 R"("effective": [ [ { "startTime": "01:00", "endTime": "02:00", "actionType": 3 }, )"));
  EXPECT_EQ(call("/6021", R"({"alarmId":4})"), kJsonError);
}

TEST_F(AlarmTest, OutputSetRefusals) {
  for (const char* bad : {"{", R"({"alarmId":4})", R"({"alarmId":-1})", R"({"alarmId":0,"enable":"x"})"})
    EXPECT_EQ(call("/6022", bad), kTextError) << bad;
  kvdb_fail_writes("alarm_out");
  EXPECT_EQ(call("/6022", R"({"alarmId":2,"name":"Siren"})"), kTextError);
  EXPECT_TRUE(daemon_.codes().empty());
}

TEST_F(AlarmTest, ManualSwitchesSendTheirRecords) {
  EXPECT_EQ(call("/6023", R"({"id":2,"enable":1})"), kTextHead + "OK");
  EXPECT_EQ(call("/6033", R"({"chnid":5,"alarmId":1,"state":1})"), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1409, 3352}));
  EXPECT_EQ(work()[0].payload, word(2) + word(1));
  EXPECT_EQ(work()[1].payload, word(5) + word(1) + word(1));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].param_type, 911);
  EXPECT_EQ(logs()[0].channel, 3);
  EXPECT_EQ(call("/6023", R"({"id":9,"enable":1})"), "");
  EXPECT_EQ(call("/6033", "{"), kTextError);
  EXPECT_EQ(call("/6033", R"({"chnid":64,"alarmId":0,"state":1})"), kTextError);
  EXPECT_EQ(work_codes().size(), 2u);
}

TEST_F(AlarmTest, InputSaveForcesActionSixAndReadsBack) {
  EXPECT_EQ(call("/6062", R"({"alarm":{"id":3,"enable":1,"name":"Door","type":1,"triChannels":"0101",)"
                          R"("triAlarms":2,"interval":5},"schedule":)" + kSched + "}"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), std::vector<int32_t>{1404});
  EXPECT_EQ(work()[0].payload, word(3));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].param_type, 910);
  EXPECT_EQ(logs()[0].channel, 0);
  AlarmInRec rec{};
  read_alarm_in(devpaths::kKvdb, &rec, 3);
  EXPECT_EQ(rec.tri_mask, 0xAu);
  const std::string page = call("/6061", "3");
  EXPECT_TRUE(starts(page, kJsonHead + R"({ "alarm": { "id": 3, "enable": 1, "name": "Door", "type": 1, )"
                                       R"("triChannels": "0101", "triAlarms": 2, "interval": 5, "triSnapshot": "" }, )"
                                       R"("schedule": [ [ { "startTime": "01:00", "endTime": "02:00", "actionType": 6 }, )"
                                       R"({ "startTime": "", "endTime": "", "actionType": 6 })"));
  EXPECT_TRUE(starts(call("/6060"), kJsonHead + R"([ { "id": 0, )"));
  EXPECT_NE(call("/6060").find(R"({ "id": 3, "enable": 1, "name": "Door", "type": 1, "triChannels": "0101", )"
                               R"("triAlarms": 2 })"),
            std::string::npos);
}

TEST_F(AlarmTest, InputSetRefusalsPrintNothing) {
  const std::string s = R"(,"schedule":)" + kSched + "}";
  for (const std::string& bad : {R"({"alarm":{"id":16,"triChannels":""})" + s, R"({"alarm":{"id":1,"enable":3,"triChannels":""})" + s,
                                 R"({"alarm":{"id":1,"type":2,"triChannels":""})" + s, R"({"alarm":{"id":1})" + s,
                                 R"({"alarm":{"id":1,"interval":-1,"triChannels":""})" + s,
                                 std::string(R"({"alarm":{"id":1,"triChannels":""}})")}) {
    EXPECT_EQ(call("/6062", bad), "") << bad;
    if (bad.find("schedule") != std::string::npos) {
      EXPECT_EQ(call("/6064", bad.substr(0, bad.find(",\"schedule\"")) + "}"), "") << bad;
    }
  }
  EXPECT_EQ(call("/6061", "16"), "");
  EXPECT_EQ(call("/6063", R"({"alarm":{"camId":99,"name":"x"}})"), "");
  EXPECT_TRUE(daemon_.codes().empty());
  kvdb_fail_writes("alarm_in");
  EXPECT_EQ(call("/6063", R"({"alarm":{"camId":1,"name":"x"}})"), kTextError);
}

TEST_F(AlarmTest, NamePageAndActionPageKeepTheRest) {
  EXPECT_EQ(call("/6063", R"({"alarm":{"camId":2,"name":"Gate","type":1,"enable":1}})"), kTextHead + "OK");
  EXPECT_EQ(call("/6064", R"({"alarm":{"id":2,"enable":0,"name":"Gate2","triChannels":"1","triAlarms":1}})"),
            kTextHead + "OK");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1404, 1404}));
  ASSERT_EQ(logs().size(), 2u);
  EXPECT_EQ(logs()[1].channel, 3);
  AlarmInRec rec{};
  read_alarm_in(devpaths::kKvdb, &rec, 2);
  EXPECT_EQ(rec.enable, 1);
  EXPECT_EQ(rec.type, 1);
  EXPECT_STREQ(rec.name, "Gate2");
  EXPECT_EQ(rec.tri_mask, 1u);
  ChnOutNameRec out{5, 1, 0, "Horn"};
  write_alarm_chnOut_event_name(devpaths::kKvdb, &out);
  ChnInNameRec in{0, 3, "PIR"};
  write_alarm_chnIn_event_name(devpaths::kKvdb, &in);
  const std::string outs = call("/6032");
  EXPECT_TRUE(starts(outs, kJsonHead + R"({ "nvr": [ "AlarmOut1", "AlarmOut2", "AlarmOut3", "AlarmOut4" ], )"
                                       R"("camera": [ [ "", "" ], )"));
  EXPECT_NE(outs.find(R"([ "", "" ], [ "", "Horn" ], [ "", "" ])"), std::string::npos);
  EXPECT_NE(call("/6034").find(R"("camera": [ [ "", "", "", "PIR" ], [ "", "", "", "" ], )"), std::string::npos);
}

TEST_F(AlarmTest, CameraInputSaveStoresEachInputAndPushesToTheCopies) {
  EXPECT_EQ(call("/6025", R"({"chnid":2,"alarmCnt":6,"copyChn":[2,3],"copyCnt":2,)"
                          R"("dialog":[{"alarmId":1,"interval":30,"triChannels":"11","effective":)" + kSched + R"(}],)"
                          R"("alarm":[{"alarmEnable":1,"alarmType":1,"alarmName":"Door"},{"alarmEnable":0,"alarmType":0}]})"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{3325, 1417}));
  const std::string msg = work()[0].payload;
  ASSERT_EQ(msg.size(), 80u);
  for (auto [offset, value] : std::vector<std::pair<size_t, int32_t>>{
           {0, 0}, {4, 1}, {8, 0}, {12, 1}, {16, 0}, {20, 0}, {24, 1}, {28, 0}, {40, 2}, {56, 3}, {64, 4}})
    EXPECT_EQ(at<int32_t>(msg, offset), value) << offset;
  EXPECT_EQ(at<uint64_t>(msg, 72), 0xCu);
  EXPECT_EQ(work()[1].payload, bytes_of(uint64_t{0xC}));
  for (int chn : {2, 3}) {
    ChnInEventRec rec{};
    read_alarm_chnIn_event(devpaths::kKvdb, &rec, chn, 1);
    EXPECT_EQ(rec.interval, 30) << chn;
    EXPECT_EQ(rec.tri_mask, 3u) << chn;
    ScheduleRec sched{};
    EXPECT_EQ(read_schedule(devpaths::kKvdb, "alarm_chnIn1_effective_schedule", chn, &sched), 0) << chn;
    EXPECT_STREQ(sched.day[0].period[0].start, "01:00");
  }
  ChnInEventRec other{};
  read_alarm_chnIn_event(devpaths::kKvdb, &other, 2, 0);
  EXPECT_EQ(other.interval, 10);

  CameraInStatus st{2, {1, 0, 1, 1}, {1, 0, 0, 1}, {1, 0, 0, 0}, 6};
  daemon_.reply(3298, bytes_of(st));
  const std::string page = call("/6024", R"({"chnid":2})");
  EXPECT_EQ(work()[2].payload, word(2) + std::string(48, '\0') + word(4));
  ASSERT_TRUE(starts(page, kJsonHead + R"({ "chnid": 2, "alarmCnt": 4, "alarm": [ { "alarmEnable": 1, "alarmType": 1, )"
                                       R"("alarmStatus": 1, "alarmName": "Door", "effective": [ [ { "startTime": "", )"))
      << page.substr(0, 300);
  EXPECT_EQ(occurrences(page, "\"alarmEnable\""), 4u);
  expect_key_order(page, {"alarmEnable", "alarmType", "alarmStatus", "alarmName", "effective", "audible", "interval",
                          "audioId", "audioIdMask", "email", "email_interval", "email_pic_enable", "tri_channels_pic",
                          "ptz", "ptz_interval", "ptzParams", "alarmout_interval", "triAlarms", "triChannels",
                          "triChnAlarms", "white", "whiteInfo", "white_interval", "warningLight", "warningLightInfo",
                          "warning_light_interval", "httpSche", "httpParams", "http_notification_interval"});
  EXPECT_NE(page.find(R"("alarmName": "", "effective": [ [ { "startTime": "01:00")"), std::string::npos);
  EXPECT_NE(page.find(R"("interval": 30,)"), std::string::npos);
}

TEST_F(AlarmTest, CameraInputRefusalsAndSilence) {
  for (const char* bad : {"{", R"({"chnid":64,"alarmCnt":1})", R"({"chnid":1})", R"({"chnid":1,"alarmCnt":1,"dialog":[{"alarmId":4}]})",
                          R"({"chnid":1,"alarmCnt":1,"alarm":[{"alarmType":"x"}]})"})
    EXPECT_EQ(call("/6025", bad), kJsonError) << bad;
  EXPECT_EQ(call("/6024", R"({"chnid":-1})"), kJsonError);
  EXPECT_TRUE(daemon_.codes().empty());
  kvdb_fail_writes("alarm_chnin_name");
  EXPECT_EQ(call("/6025", R"({"chnid":1,"alarmCnt":1,"alarm":[{"alarmName":"x"}]})"), kJsonError);
  EXPECT_TRUE(daemon_.codes().empty());
  daemon_.reply(3298, word(1));  // shorter than a record
  EXPECT_EQ(call("/6024", R"({"chnid":1})"), kJsonError);
  daemon_.reply(3296, bytes_of(CameraOutStatus{64, {}, {}, 2}));  // a channel no page has
  EXPECT_EQ(call("/6028", R"({"chnid":1})"), kJsonError);
  fast_silence();
  EXPECT_EQ(call("/6024", R"({"chnid":1})"), kJsonError);
  EXPECT_EQ(call("/6028", R"({"chnid":1})"), kJsonError);
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{3298, 3296, 3298, 3296}));
}

TEST_F(AlarmTest, CameraOutputsSaveCopyAndReadBack) {
  EXPECT_EQ(call("/6029", R"({"chnid":1,"alarmCnt":2,"copyChn":[5],"copyCnt":1,"dialog":[{"effective":)" + kSched +
                              R"(},{}],"alarm":[{"alarmId":0,"alarmType":1,"delayTime":20,"alarmName":"Siren"},)"
                              R"({"alarmId":1,"alarmType":0,"alarmName":"Horn"}]})"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{3324, 1418}));
  const std::string msg = work()[0].payload;
  ASSERT_EQ(msg.size(), 40u);
  EXPECT_EQ(msg.substr(0, 28), word(0) + word(0) + word(1) + word(0) + word(1) + word(0) + word(2));
  EXPECT_EQ(at<uint64_t>(msg, 32), 0x22u);
  EXPECT_EQ(work()[1].payload, bytes_of(uint64_t{0x22}));
  daemon_.reply(3296, bytes_of(CameraOutStatus{5, {1, 0}, {0, 1}, 2}));
  const std::string page = call("/6028", R"({"chnid":5})");
  EXPECT_EQ(work()[2].payload, word(5));
  EXPECT_TRUE(starts(page, kJsonHead + R"({ "chnid": 5, "alarmCnt": 2, "alarm": [ { "alarmType": 1, "alarmStatus": 0, )"
                                       R"("alarmName": "Siren", "delayTime": 20, "effective": [ [ { "startTime": "01:00", )"))
      << page.substr(0, 300);
  EXPECT_NE(page.find(R"({ "alarmType": 0, "alarmStatus": 1, "alarmName": "Horn", "delayTime": 0, "effective": [ [ { "startTime": "", )"),
            std::string::npos);
  for (const char* bad : {"{", R"({"chnid":64})", R"({"chnid":1,"alarm":[{"alarmId":2}]})"})
    EXPECT_EQ(call("/6029", bad), "") << bad;
  kvdb_fail_writes("alarm_chnout_name");
  EXPECT_EQ(call("/6029", R"({"chnid":1,"alarm":[{"alarmName":"x"}]})"), kTextError);
  EXPECT_EQ(work_codes().size(), 3u);
}

TEST_F(AlarmTest, RecorderInputPageSavesCopiesAndKeepsDisarmingToInputZero) {
  EXPECT_EQ(call("/6027", R"({"alarmId":3,"alarmType":1,"name":"Gate","linkageAction":1,"disarmActionMask":7,)"
                          R"("dialog":{"interval":20,"triChannels":"1","audible":)" + kSched + R"(},)"
                          R"("copyChn":[3,4,20],"copyCnt":3})"),
            kTextHead + "OK");
  DisarmingRec dis{};
  read_disarming(devpaths::kKvdb, &dis);
  EXPECT_EQ(dis.linkageAction, 0);
  EXPECT_EQ(dis.disarmActionMask, 0);
  for (int id : {3, 4}) {
    AlarmInRec rec{};
    read_alarm_in(devpaths::kKvdb, &rec, id);
    EXPECT_EQ(rec.interval, 20) << id;
    EXPECT_EQ(rec.type, 1) << id;
    EXPECT_EQ(rec.tri_mask, 1u) << id;
    EXPECT_STREQ(rec.name, id == 3 ? "Gate" : "AlarmIn5");
  }
  EXPECT_EQ(call("/6027", R"({"alarmId":0,"linkageAction":1,"disarmActionMask":7})"), kTextHead + "OK");
  read_disarming(devpaths::kKvdb, &dis);
  EXPECT_EQ(dis.linkageAction, 1);
  EXPECT_EQ(dis.disarmActionMask, 7);
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1415, 1415}));
  EXPECT_EQ(work()[0].payload, bytes_of(uint64_t{0x18}));
  EXPECT_EQ(work()[1].payload, bytes_of(uint64_t{0x1}));
  const std::string page = call("/6026", R"({"alarmId":4})");
  EXPECT_TRUE(starts(page, kJsonHead + R"({ "name": "AlarmIn5", "alarmType": 1, "enable": 0, "triAlarms": 0, "interval": 20, )"))
      << page.substr(0, 200);
  expect_key_order(page, {"name", "alarmType", "enable", "triAlarms", "interval", "email_interval", "email_pic_enable",
                          "tri_channels_pic", "ptz_interval", "alarmout_interval", "triChannels", "triSnapshot",
                          "effective", "audible", "email", "ptz", "white", "warningLight", "whiteInfo",
                          "warningLightInfo", "white_interval", "warning_light_interval", "triChnAlarms", "audioId",
                          "audioIdMask", "ptzParams"});
  EXPECT_NE(page.find(R"("audible": [ [ { "startTime": "01:00", "endTime": "02:00", "actionType": 3 })"), std::string::npos);
  EXPECT_EQ(page.find("httpSche"), std::string::npos);
  for (const char* bad : {"{", R"({"alarmId":16})", R"({"alarmId":1,"alarmType":2})", R"({"alarmId":0,"linkageAction":"x"})"})
    EXPECT_EQ(call("/6027", bad), "") << bad;
  EXPECT_EQ(call("/6026", R"({"alarmId":16})"), kJsonError);
  EXPECT_EQ(work_codes().size(), 2u);
  kvdb_fail_writes("alarm_in");
  EXPECT_EQ(call("/6027", R"({"alarmId":2,"name":"x"})"), kTextError);
}

// Against the simulator: what the pages set on a camera's ports is what it reports.
TEST(AlarmOnCoreSim, CameraPortsKeepWhatThePagesSet) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  EXPECT_EQ(call_route("/6025", R"({"chnid":0,"alarmCnt":2,"alarm":[{"alarmEnable":1,"alarmType":1},{"alarmEnable":0}]})"),
            kTextHead + "OK");
  EXPECT_EQ(call_route("/6033", R"({"chnid":0,"alarmId":1,"state":1})"), kTextHead + "OK");
  std::string in, out;
  for (int i = 0; i < 50 && in.find(R"("alarmEnable": 0, "alarmType": 0)") == std::string::npos; ++i)
    in = call_route("/6024", R"({"chnid":0})");
  EXPECT_TRUE(starts(in, kJsonHead + R"({ "chnid": 0, "alarmCnt": 4, "alarm": [ { "alarmEnable": 1, "alarmType": 1, )"
                                     R"("alarmStatus": 1, )")) << in.substr(0, 200);
  EXPECT_NE(in.find(R"({ "alarmEnable": 0, "alarmType": 0, "alarmStatus": 0, )"), std::string::npos);
  for (int i = 0; i < 50 && out.find(R"("alarmStatus": 1)") == std::string::npos; ++i)
    out = call_route("/6028", R"({"chnid":0})");
  EXPECT_TRUE(starts(out, kJsonHead + R"({ "chnid": 0, "alarmCnt": 2, "alarm": [ { "alarmType": 0, "alarmStatus": 0, )"))
      << out.substr(0, 200);
  EXPECT_NE(out.find(R"({ "alarmType": 0, "alarmStatus": 1, )"), std::string::npos);
  EXPECT_EQ(call_route("/6024", R"({"chnid":9})"), kJsonHead + R"({ "chnid": 9, "alarmCnt": 0, "alarm": [ ] })");
  sim.stop();
}

TEST(AlarmGolden, RoutesCodesAndRecords) {
  expect_module_routes("alarm", {
      {"/6020", "on_get_alarm_out_list"}, {"/6021", "on_get_alarm_out"}, {"/6022", "on_set_alarm_out"},
      {"/6023", "on_set_alarm_out_manual"}, {"/6024", "on_get_camera_alarm_input"},
      {"/6025", "on_set_camera_alarm_input"}, {"/6026", "on_get_nvr_alarm_input"},
      {"/6027", "on_set_nvr_alarm_input"}, {"/6028", "on_get_camera_alarm_output"},
      {"/6029", "on_set_camera_alarm_output"}, {"/6032", "on_get_all_alarmout_names"},
      {"/6033", "on_set_camera_alarm_output_state"}, {"/6034", "on_get_all_alarmin_names"},
      {"/6060", "on_get_alarm_in_list"}, {"/6061", "on_get_alarm_in"}, {"/6062", "on_set_alarm_in"},
      {"/6063", "on_set_alarm_in_name"}, {"/6064", "on_set_alarm_in_actions"},
  });
  expect_codes({{kReqAlarmInChanged, 1404, 1000}, {kReqAlarmOutChanged, 1405, 1000},
                {kReqAlarmOutManual, 1409, 1000}, {kReqCameraOutControl, 3352, 1000},
                {kReqAlarmInsChanged, 1415, 1000}, {kReqCameraOutStatus, 3296, 1000},
                {kReqCameraInStatus, 3298, 1000}, {kReqCameraOutSet, 3324, 1000}, {kReqCameraInSet, 3325, 1000},
                {kReqCameraInsChanged, 1417, 1000}, {kReqCameraOutsChanged, 1418, 1000}});
  expect_replies(alarm_reply_table(), {{8296, 24}, {8298, 56}});
  EXPECT_EQ(kLogParamAlarmIn, 910);
  EXPECT_EQ(kLogParamAlarmOut, 911);
  EXPECT_EQ(sizeof(CameraInSet), 80u);
  EXPECT_EQ(sizeof(CameraOutSet), 40u);
  EXPECT_EQ(sizeof(ChnInEventRec), 336u);
  EXPECT_EQ(sizeof(DisarmingRec), 16u);
}
}  // namespace
