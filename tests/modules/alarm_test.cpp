#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "modules/alarm/alarm_module.h"
#include "platform/kvdb_alarm.h"
#include "proto/alarm_proto.h"
#include "support/module_test.h"

using namespace alarmio;

namespace {
class AlarmTest : public ModuleTest {};

const std::string kSched = R"([[["01:00","02:00",3]],[],[],[],[],[],[],[]])";
bool starts(const std::string& s, const std::string& head) { return s.rfind(head, 0) == 0; }

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

TEST(AlarmGolden, RoutesCodesAndRecords) {
  expect_module_routes("alarm", {
      {"/6020", "on_get_alarm_out_list"}, {"/6021", "on_get_alarm_out"}, {"/6022", "on_set_alarm_out"},
      {"/6023", "on_set_alarm_out_manual"}, {"/6032", "on_get_all_alarmout_names"},
      {"/6033", "on_set_camera_alarm_output_state"}, {"/6034", "on_get_all_alarmin_names"},
      {"/6060", "on_get_alarm_in_list"}, {"/6061", "on_get_alarm_in"}, {"/6062", "on_set_alarm_in"},
      {"/6063", "on_set_alarm_in_name"}, {"/6064", "on_set_alarm_in_actions"},
  });
  expect_codes({{kReqAlarmInChanged, 1404, 1000}, {kReqAlarmOutChanged, 1405, 1000},
                {kReqAlarmOutManual, 1409, 1000}, {kReqCameraOutControl, 3352, 1000}});
  expect_replies(alarm_reply_table(), {});
  EXPECT_EQ(kLogParamAlarmIn, 910);
  EXPECT_EQ(kLogParamAlarmOut, 911);
}
}  // namespace
