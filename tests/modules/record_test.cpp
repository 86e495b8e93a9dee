#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "modules/record/record_module.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_record.h"
#include "proto/record_proto.h"
#include "support/module_test.h"

using namespace record;

namespace {
class RecordTest : public ModuleTest {};

std::string u64(uint64_t v) { return bytes_of(v); }

TEST_F(RecordTest, HolidaySetIsStoredAnnouncedAndLogged) {
  const std::string h = R"({"id":3,"name":"Spring","enable":1,"type":2,"startYear":2027,"startMon":4,)"
                        R"("startMDay":5,"startMWeek":0,"startWDay":0,"endYear":2027,"endMon":4,"endMDay":7,)"
                        R"("endMWeek":0,"endWDay":0})";
  EXPECT_EQ(call("/6031", h), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(2));
  ASSERT_EQ(work().size(), 1u);
  EXPECT_EQ(work()[0].code, 1401);
  EXPECT_EQ(work()[0].payload, "");
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].sub_type, 204);
  EXPECT_EQ(logs()[0].param_type, 920);
  EXPECT_EQ(logs()[0].channel, 4);
  std::string out = call("/6030");
  EXPECT_EQ(out.rfind(kJsonHead + R"({ "holidays": [ { "id": 0, "name": "", "enable": 0, "type": 0, )", 0), 0u);
  EXPECT_NE(out.find(R"({ "id": 3, "name": "Spring", "enable": 1, "type": 2, "startYear": 2027, "startMon": 4, )"
                     R"("startMDay": 5, "startMWeek": 0, "startWDay": 0, "endYear": 2027, "endMon": 4, )"
                     R"("endMDay": 7, "endMWeek": 0, "endWDay": 0 })"),
            std::string::npos);
  EXPECT_NE(out.find(R"({ "id": 31, )"), std::string::npos);
  EXPECT_EQ(out.find(R"({ "id": 32, )"), std::string::npos);
}

TEST_F(RecordTest, HolidayRefusalsChangeNothing) {
  for (const char* bad : {R"({"id":32,"enable":1,"type":0})", R"({"id":-1,"enable":1,"type":0})",
                          R"({"id":1,"enable":2,"type":0})", R"({"id":1,"enable":1,"type":-1})",
                          R"({"enable":1,"type":0})", R"({"id":1,"type":0})", "not json", ""})
    EXPECT_EQ(call("/6031", bad), "") << bad;
  kvdb_fail_writes("holiday");
  EXPECT_EQ(call("/6031", R"({"id":1,"enable":1,"type":0})"), kTextError);
  EXPECT_TRUE(daemon_.requests().empty());
  HolidayRec h{};
  read_holiday(devpaths::kKvdb, &h, 1);
  EXPECT_EQ(h.enable, 0);
}

TEST_F(RecordTest, ScheduleRoundTripsThroughSetAndGet) {
  std::string plans;
  for (int p = 0; p < 48; ++p)
    plans += (p ? "," : "") + std::string(R"([")") + std::to_string(p) + R"(:00",")" + std::to_string(p) + R"(:30",2])";
  const std::string req = R"({"cnt":5,"chnid":[0,5,64,-1,2,7],"recordplanmode":1,"schedule":[)"
                          R"({"wholedayEnable":0,"wholedayActionType":0,"plans":[)" + plans + "]},"
                          R"({"wholedayEnable":0,"wholedayActionType":3,"plans":[["01:00","0123456789012345678901234567890123",4]]},)"
                          R"({"wholedayEnable":1,"wholedayActionType":3}]})";
  EXPECT_EQ(call("/6041", req), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(3));
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1413, 1411}));
  EXPECT_EQ(work()[0].payload, u64(0x25));  // modes were 0
  EXPECT_EQ(work()[1].payload, u64(0x25));  // 64 and -1 skipped, 7 past the count
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].param_type, 907);
  EXPECT_EQ(logs()[0].channel, 3);

  std::string out = call("/6040", "5");
  EXPECT_EQ(out.rfind(kJsonHead + R"({ "id": 5, "schedule": [ { "wholedayEnable": 0, "wholedayActionType": 0, )"
                                  R"("plans": [ { "startTime": "0:00", "endTime": "0:30", "actionType": 2 }, )", 0), 0u);
  EXPECT_NE(out.find(R"({ "startTime": "47:00", "endTime": "47:30", "actionType": 2 } ] }, )"
                     R"({ "wholedayEnable": 0, "wholedayActionType": 0, "plans": [ { "startTime": "01:00", )"
                     R"("endTime": "0123456789012345678901234567890", "actionType": 4 }, )"),
            std::string::npos);
  EXPECT_NE(out.find(R"({ "wholedayEnable": 1, "wholedayActionType": 3, "plans": [ { "startTime": "", )"),
            std::string::npos);
  // Channel 7 was past the count: the factory plan stays.
  EXPECT_NE(call("/6040", "7").find(R"("wholedayEnable": 1, "wholedayActionType": 1, "plans": [ { "startTime": "00:00", "endTime": "24:00", "actionType": 1 })"),
            std::string::npos);
  RecordRec r{};
  read_record(devpaths::kKvdb, &r, 2);
  EXPECT_EQ(r.mode, 1);
  for (const char* bad : {"64", "-1", "x", ""}) EXPECT_EQ(call("/6040", bad), "") << bad;
  EXPECT_EQ(call("/6041", R"({"chnid":[1]})"), "");
  EXPECT_EQ(call("/6041", R"({"cnt":1,"chnid":[1],"recordplanmode":3})"), "");
}

TEST_F(RecordTest, ModesAreAllOrNothing) {
  RecordRec keep{};
  read_record(devpaths::kKvdb, &keep, 1);
  const std::string bad = R"({"records":[{"id":0,"mode":1},{"id":1,"mode":2},{"id":2,"mode":0},{"id":3,"mode":3}]})";
  for (const std::string& text : {bad, std::string(R"({"records":[{"id":64,"mode":1}]})"),
                                  std::string(R"({"records":[{"mode":1}]})"), std::string(R"({"x":1})")})
    EXPECT_EQ(call("/6043", text), kTextHead + "ERROR") << text;
  EXPECT_TRUE(daemon_.requests().empty());

  // Entry i is channel i whatever its own id; the other settings stay.
  EXPECT_EQ(call("/6043", R"({"records":[{"id":9,"mode":1},{"id":1,"mode":2},{"id":2,"mode":0}]})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(4));
  auto w = work();
  ASSERT_EQ(w.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w[i].code, 1407);
    EXPECT_EQ(w[i].payload, word(i));
  }
  EXPECT_EQ(daemon_.codes()[0], 3485);
  EXPECT_EQ(logs()[0].param_type, 905);
  std::string out = call("/6042");
  EXPECT_EQ(out.rfind(kJsonHead + R"({ "records": [ { "id": 0, "mode": 1 }, { "id": 1, "mode": 2 }, { "id": 2, "mode": 0 }, )", 0), 0u);
  EXPECT_NE(out.find(R"({ "id": 31, "mode": 0 } ] })"), std::string::npos);
  RecordRec after{};
  read_record(devpaths::kKvdb, &after, 1);
  EXPECT_EQ(after.post_record_duration, keep.post_record_duration);
}

namespace {
void put_camera(int chn, int enable, int protocol, int poe, int anr) {
  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, chn);
  c.enable = enable;
  c.protocol = protocol;
  c.poe_channel = poe;
  c.anr = anr;
  write_camera(devpaths::kKvdb, &c);
}

std::string params_req(int anr, const char* chnid = "[0,1,2,3,0,70]", int cnt = 6) {
  return R"({"cnt":)" + std::to_string(cnt) + R"(,"chnid":)" + chnid + R"(,"camAnr":)" + std::to_string(anr) +
         R"(,"prevRecordOn":0,"prevRecordDuration":7,"postRecordOn":1,"postRecordDuration":30,)"
         R"("audioEnable":0,"recordExpDate":12,"recordStreamType":1})";
}
}  // namespace

TEST_F(RecordTest, ParamsStoreRecordsAndSetAnrOnlyOnOwnCameras) {
  put_camera(0, 1, 2, 0, 0);  // our own camera: takes ANR 1
  put_camera(1, 1, 2, 3, 0);  // behind a PoE port
  put_camera(2, 1, 1, 0, 0);  // plain RTSP
  put_camera(3, 0, 2, 0, 0);  // disabled
  daemon_.reply(kReqSetAnr, bytes_of(AnrReply{}));
  EXPECT_EQ(call("/6045", params_req(1)), kJsonHead + R"({ "resp": 0 })");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1310, 2285}));
  auto list = payload_as<ChannelList>(work()[0]);
  EXPECT_EQ(list.count, 4);  // the repeated 0 and 70 are skipped
  EXPECT_EQ(std::vector<int32_t>(list.chn, list.chn + 4), (std::vector<int32_t>{0, 1, 2, 3}));
  auto anr = payload_as<AnrRequest>(work()[1]);
  EXPECT_EQ(anr.count, 1);
  EXPECT_EQ(anr.chn[0], 0);
  EXPECT_EQ(anr.anr, 1);
  EXPECT_EQ(logs()[0].param_type, 906);
  EXPECT_EQ(call("/6044", "1"), kJsonHead + R"({ "id": 1, "prevRecordOn": 0, "prevRecordDuration": 7, )"
                                            R"("postRecordOn": 1, "postRecordDuration": 30, "audioEnable": 0, )"
                                            R"("recordExpDate": 12, "recordStreamType": 1, "cameraAnr": 0, )"
                                            R"("camEnable": 1, "camProtocol": 2, "poeChannel": 3 })");
  CameraRec c0{};
  read_camera(devpaths::kKvdb, &c0, 0);
  EXPECT_EQ(c0.anr, 1);
  RecordRec r4{};
  read_record(devpaths::kKvdb, &r4, 4);
  EXPECT_EQ(r4.prev_record_duration, 5);  // not listed

  // ANR 0 reaches every listed camera that has another value.
  put_camera(1, 1, 2, 3, 1);
  EXPECT_EQ(call("/6045", params_req(0)), kJsonHead + R"({ "resp": 0 })");
  anr = payload_as<AnrRequest>(work()[3]);
  EXPECT_EQ(anr.count, 2);
  EXPECT_EQ(anr.chn[1], 1);
}

TEST_F(RecordTest, ParamsRefusalsAndAnrReplyRule) {
  for (const std::string& bad :
       {std::string(R"({"chnid":[0],"camAnr":0})"), params_req(0).replace(params_req(0).find("\"audioEnable\":0"), 15, "\"audioEnable\":2"),
        params_req(0).replace(params_req(0).find("\"recordStreamType\":1"), 20, "\"recordStreamType\":3"),
        params_req(0).replace(params_req(0).find("\"prevRecordDuration\":7"), 22, "\"prevRecordDuration\":-1")})
    EXPECT_EQ(call("/6045", bad), "") << bad;
  EXPECT_TRUE(daemon_.requests().empty());

  const struct {
    int flag, count, second;
    const char* resp;
  } cases[] = {{1, 2, 1, "-1"}, {0, 2, 1, "0"}, {1, 1, 1, "0"}, {1, 2, 0, "0"}, {1, 9999, 1, "-1"}};
  for (const auto& c : cases) {
    AnrReply rep{};
    rep.flag = c.flag;
    rep.count = c.count;
    rep.secondary[1] = c.second;
    daemon_.silence(kReqSetAnr).reply(kReqSetAnr, bytes_of(rep));
    EXPECT_EQ(call("/6045", params_req(0)), kJsonHead + R"({ "resp": )" + c.resp + " }") << c.flag << c.count;
  }
  fast_silence();
  daemon_.silence(kReqSetAnr);
  EXPECT_EQ(call("/6045", params_req(0)), kJsonError);
  kvdb_fail_writes("record");
  EXPECT_EQ(call("/6045", params_req(0)), kJsonError);
}

TEST_F(RecordTest, SupportAndChannelListsAskTheDaemon) {
  daemon_.reply(kReqAnrSupport, word(9) + word(1));
  EXPECT_EQ(call("/6046", "9"), kJsonHead + R"({ "chnid": 9, "support": 1 })");
  EXPECT_EQ(work()[0].payload, word(9));
  ChannelLists lists{};
  lists.count = 2;
  lists.primary[0] = 1;
  lists.secondary[1] = 1;
  daemon_.reply(kReqChannelLists, bytes_of(lists));
  EXPECT_EQ(call("/6047"), kJsonHead + R"({ "primary": [ 1, 0 ], "secondary": [ 0, 1 ], "size": 2 })");
  EXPECT_EQ(work()[1].payload, "");
  EXPECT_EQ(call("/6046", "64"), "");
  fast_silence();
  daemon_.silence(kReqAnrSupport).silence(kReqChannelLists);
  EXPECT_EQ(call("/6046", "1"), kJsonError);
  EXPECT_EQ(call("/6047"), kJsonError);
}

TEST(RecordGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("record", {
      {"/6030", "on_get_holiday_info"}, {"/6031", "on_set_holiday_info"}, {"/6040", "on_get_record_info"},
      {"/6041", "on_set_record_info"}, {"/6042", "on_get_record_modes"}, {"/6043", "on_set_record_modes"},
      {"/6044", "on_get_record_params"}, {"/6045", "on_set_record_params"}, {"/6046", "on_get_record_support"},
      {"/6047", "on_get_record_channel_lists"},
  });
  expect_codes({
      {kReqHolidayChanged, 1401, 1000}, {kReqScheduleChanged, 1411, 1000}, {kReqModeMask, 1413, 1000},
      {kReqModeChanged, 1407, 1000},    {kReqParamsChanged, 1310, 1000},   {kReqSetAnr, 2285, 1000},
      {kReqAnrSupport, 2286, 1000},     {kReqChannelLists, 3218, 1000},
  });
  expect_replies(record_reply_table(), {{7285, 520}, {7286, 8}, {8218, 516}});
}
}  // namespace
