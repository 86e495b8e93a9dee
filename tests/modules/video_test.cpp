#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"
#include "support/module_test.h"

using namespace video;

namespace {
int32_t i32_at(const std::string& bytes, size_t off) {
  int32_t v = 0;
  if (off + 4 <= bytes.size()) memcpy(&v, bytes.data() + off, 4);
  return v;
}
void put_i32(std::string& bytes, size_t off, int32_t v) { memcpy(&bytes[off], &v, 4); }

std::string replace(std::string s, const std::string& from, const std::string& to) {
  size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

size_t occurrences(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

class VideoTest : public ModuleTest {};

const std::string kOsd =
    R"({"camId":5,"camName":"Gate","showName":1,"showDate":0,"showWeek":1,"dateFormat":3,"timeFormat":1,)"
    R"("datePosX":0.5,"datePosY":1,"namePosX":2,"namePosY":3.25,"alpha":50})";

TEST_F(VideoTest, OsdSetIsBoundedStoredAndAnnounced) {
  const std::pair<const char*, const char*> bad[] = {
      {"\"timeFormat\":1", "\"timeFormat\":2"}, {"\"dateFormat\":3", "\"dateFormat\":4"},
      {"\"alpha\":50", "\"alpha\":-1"},         {"\"camId\":5", "\"camId\":64"},
      {"\"datePosX\":0.5", "\"datePosX\":-0.5"}, {"\"camName\":\"Gate\",", ""},
  };
  for (auto& [from, to] : bad) EXPECT_EQ(call("/6001", replace(kOsd, from, to)), "") << to;
  EXPECT_EQ(call("/6001", "{"), "");
  EXPECT_TRUE(daemon_.requests().empty());
  EXPECT_EQ(call("/6000", "5"), kJsonHead + R"({ "camId": 5, "camName": "CH6", "showName": 1, "showDate": 1, )"
                                            R"("showWeek": 0, "dateFormat": 0, "timeFormat": 0, "datePosX": 0.02, )"
                                            R"("datePosY": 0.05, "namePosX": 0.8, "namePosY": 0.9, "alpha": 100 })");

  EXPECT_EQ(call("/6001", kOsd), kTextHead + "OK");
  EXPECT_EQ(call("/6000", "5"), kJsonHead + R"({ "camId": 5, "camName": "Gate", "showName": 1, "showDate": 0, )"
                                            R"("showWeek": 1, "dateFormat": 3, "timeFormat": 1, "datePosX": 0.5, )"
                                            R"("datePosY": 1, "namePosX": 2, "namePosY": 3.25, "alpha": 50 })");
  ASSERT_TRUE(daemon_.wait_requests(1));
  ASSERT_EQ(work_codes(), std::vector<int32_t>{1007});
  EXPECT_EQ(work()[0].payload, word(5) + word(1) + word(0));
  EXPECT_EQ(call("/6000", "64"), "");
  EXPECT_EQ(call("/6000", "x"), "");

  // The name page cuts the name to 31 characters and keeps the rest.
  EXPECT_EQ(call("/6002", R"({"camId":5,"camName":")" + std::string(40, 'n') + "\"}"), kTextHead + "OK");
  OsdRec rec{};
  read_osd(devpaths::kKvdb, &rec, 5);
  EXPECT_EQ(std::string(rec.name), std::string(31, 'n'));
  EXPECT_EQ(rec.alpha, 50);
  kvdb_fail_writes("osd");
  EXPECT_EQ(call("/6001", kOsd), kTextError);
  EXPECT_EQ(work_codes().size(), 1u);
}

const std::string kMotion =
    R"({"camId":7,"enable":1,"sensitivity":4,"triChannels":"0101","triAlarms":3,"interval":30,)"
    R"("motionTable":"1100","enableMS":0})";

// The all-day schedule as the camera expects it, from its byte layout.
std::string expected_full_time(int chn) {
  std::string s(1216, '\0');
  put_i32(s, 0, chn);
  for (int d = 0; d < 7; ++d) {
    size_t day = 68 + 136 * static_cast<size_t>(d);
    put_i32(s, day, d);
    put_i32(s, day + 4, 1);
    for (int p = 0; p < 4; ++p) put_i32(s, day + 8 + 16 * static_cast<size_t>(p) + 8, 24);
  }
  return s;
}

TEST_F(VideoTest, MotionSaveSendsMapEnableAndScheduleInOrder) {
  EXPECT_EQ(call("/6012", replace(kMotion, "\"enable\":1", "\"enable\":3")), "");
  EXPECT_EQ(call("/6012", replace(kMotion, "\"interval\":30", "\"interval\":-1")), "");
  EXPECT_TRUE(daemon_.requests().empty());

  EXPECT_EQ(call("/6012", kMotion), kTextHead + "OK");
  EXPECT_EQ(call("/6012", replace(kMotion, "\"enableMS\":0", "\"enableMS\":1")), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(9));
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1403, 3207, 3212, 1403, 3207, 3212, 3209}));
  auto w = work();
  EXPECT_EQ(w[0].payload, word(7));
  auto map = payload_as<MotionMap>(w[1]);
  EXPECT_STREQ(map.map, "1100");
  EXPECT_EQ(i32_at(w[1].payload, 304), 4);
  EXPECT_EQ(i32_at(w[1].payload, 308), 7);
  EXPECT_EQ(w[2].payload.size(), 268u);
  EXPECT_EQ(i32_at(w[2].payload, 4), 0);
  EXPECT_EQ(i32_at(w[5].payload, 4), 1);
  EXPECT_EQ(w[6].payload, expected_full_time(7));
  ASSERT_EQ(logs().size(), 2u);
  EXPECT_EQ(logs()[0].sub_type, 204);
  EXPECT_EQ(logs()[0].param_type, 909);
  EXPECT_EQ(logs()[0].channel, 8);

  // Stored with its mask; the e-mail settings of the other page survive.
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, 7);
  EXPECT_EQ(rec.tri_mask, 0b1010u);
  EXPECT_STREQ(rec.motion_table, "1100");
  EXPECT_EQ(rec.email_interval, 60);
  // A channel string longer than the mask sets no bit past 63.
  EXPECT_EQ(call("/6012", replace(kMotion, "0101", std::string(80, '1'))), kTextHead + "OK");
  read_motion(devpaths::kKvdb, &rec, 7);
  EXPECT_EQ(rec.tri_mask, ~uint64_t{0});
  EXPECT_EQ(strlen(rec.tri_channels), 64u);
}

TEST_F(VideoTest, MotionPageSavesItsActionsAndCopiesThem) {
  EXPECT_EQ(call("/6010", R"({"chnid":64})"), kJsonError);
  EXPECT_EQ(call("/6010", "{"), kJsonError);
  EXPECT_EQ(call("/6112", R"({"chnid":64,"enable":1})"), "");
  EXPECT_TRUE(daemon_.requests().empty());

  EXPECT_EQ(call("/6112", R"({"chnid":2,"sensitivity":7,"enableMS":1,"enableAI":1,"detection":3,"motionTable":"0110",)"
                          R"("triChannels":"011","triChnAlarms":["10","01"],"effective":[[["00:00","24:00",1]]],)"
                          R"("ptzParams":[{"acto_ptz_channel":3,"acto_ptz_type":1,"acto_ptz_preset":2}],)"
                          R"("copyChn":[5,2,99],"copyCnt":3})"),
            kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(6));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{1403, 3509, 3251, 1410, 3212, 3252}));
  auto w = work();
  EXPECT_EQ(w[0].payload, word(2));
  const std::string cam = w[1].payload;
  ASSERT_EQ(cam.size(), 580u);
  EXPECT_EQ(cam.substr(0, 5), std::string("0110\0", 5));
  EXPECT_EQ(i32_at(cam, 300), 7);
  EXPECT_EQ(i32_at(cam, 304), 2);
  EXPECT_EQ(i32_at(cam, 308), 1);
  EXPECT_EQ(i32_at(cam, 312), 5);  // the copy list leaves out the source
  EXPECT_EQ(i32_at(cam, 568), 1);
  EXPECT_EQ(i32_at(cam, 572), 1);
  EXPECT_EQ(i32_at(cam, 576), 3);
  EXPECT_EQ(w[2].payload, bytes_of(uint64_t{0b100100}));
  EXPECT_EQ(i32_at(w[3].payload, 4), 1);
  EXPECT_EQ(i32_at(w[3].payload, 264), 1);
  EXPECT_EQ(w[4].payload, expected_full_time(2));
  ASSERT_EQ(mask_logs().size(), 1u);
  EXPECT_EQ(mask_logs()[0].chn_mask, 0b100100u);
  EXPECT_EQ(mask_logs()[0].log.param_type, 909);
  EXPECT_EQ(mask_logs()[0].log.channel, 3);

  // The copy carries the record, the schedules and the PTZ entries.
  std::string page = call("/6010", R"({"chnid":5})");
  EXPECT_EQ(page.rfind(kJsonHead + R"({ "chnid": 5, "enable": 0, "sensitivity": 7, "triChannels": "011", )", 0), 0u);
  EXPECT_NE(page.find(R"("effective": [ [ { "startTime": "00:00", "endTime": "24:00", "actionType": 1 },)"),
            std::string::npos);
  EXPECT_NE(page.find(R"("triChnAlarms": [ "10", "01" ], "ptzParams": [ { "acto_ptz_channel": 3, "acto_ptz_type": 1, )"
                      R"("acto_ptz_preset": 2, "acto_ptz_patrol": 0 } ], "audioIdMask": 0 })"),
            std::string::npos);
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, 5);
  EXPECT_EQ(rec.tri_mask, 0b110u);
}

TEST_F(VideoTest, SchedulePagesPrintTheirOwnHeaderAndStore) {
  const std::string sched = R"("schedule":[[["00:00","12:00",1]],[],[],[],[],[],[],[["08:00","09:30",2]]])";
  EXPECT_EQ(call("/6013", "{\"camId\":2," + sched + "}"), kTextHead + "OK");
  EXPECT_EQ(call("/6013", R"({"camId":2})"), "");
  std::string out = call("/6011", "2");
  EXPECT_EQ(out.rfind(kJsonHead + R"([ [ { "startTime": "00:00", "endTime": "12:00", "actionType": 1 }, )", 0), 0u);
  EXPECT_NE(out.find(R"({ "startTime": "08:00", "endTime": "09:30", "actionType": 2 })"), std::string::npos);
  EXPECT_EQ(occurrences(out, "startTime"), 96u);

  EXPECT_EQ(call("/6017", "{\"camId\":4,\"enable\":2," + sched + "}"), kTextHead + "OK");
  EXPECT_EQ(call("/6017", "{\"camId\":64," + sched + "}"), "");
  EXPECT_EQ(call("/6015", "4").rfind(kJsonHead + R"([ [ { "startTime": "00:00", "endTime": "12:00",)", 0), 0u);
  EXPECT_EQ(call("/6015", "70"), "");
  EXPECT_EQ(call("/6014", "4"), kJsonHead + R"({ "camId": 4, "enable": 2, "triAlarms": 0, "interval": 10 })");
  ASSERT_TRUE(daemon_.wait_requests(2));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1403, 1402}));
}

TEST_F(VideoTest, MotionPagesFindTheStoredChannel) {
  EXPECT_EQ(call("/6113", R"({"camId":64,"sensitivity":1})"), "");
  EXPECT_EQ(call("/6114", R"({"sensitivity":1})"), "");
  EXPECT_EQ(call("/6113", R"({"camId":2,"sensitivity":1,"enableMS":1,"enable":1,"triAlarms":1,"interval":5,)"
                          R"("schedule":[[["00:00","24:00",1]]]})"),
            kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(4));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1403, 1403, 3212, 3209}));
  EXPECT_EQ(call("/6114", R"({"camId":3,"triChannels":"001","triAlarms":2})"), kTextHead + "OK");
  MotionRec rec{};
  read_motion(devpaths::kKvdb, &rec, 3);
  EXPECT_EQ(rec.tri_mask, 0b100u);
  EXPECT_EQ(rec.sensitivity, 5);  // kept
  ASSERT_TRUE(daemon_.wait_requests(6));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].channel, 4);
  EXPECT_EQ(logs()[0].param_type, 909);
}

TEST_F(VideoTest, VideoLossKeepsEnableAndReportsFailedWrites) {
  const std::string req = R"({"camId":9,"enable":1,"triAlarms":6,"interval":15})";
  EXPECT_EQ(call("/6016", replace(req, "\"enable\":1", "\"enable\":3")), "");
  EXPECT_EQ(call("/6016", R"({"camId":9})"), "");
  EXPECT_EQ(call("/6016", req), kTextHead + "OK");
  EXPECT_EQ(call("/6014", "9"), kJsonHead + R"({ "camId": 9, "enable": 0, "triAlarms": 6, "interval": 15 })");
  ASSERT_TRUE(daemon_.wait_requests(2));
  ASSERT_EQ(work_codes(), std::vector<int32_t>{1402});
  EXPECT_EQ(work()[0].payload, word(9));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].param_type, 908);
  EXPECT_EQ(logs()[0].channel, 10);
  kvdb_fail_writes("video_loss");
  EXPECT_EQ(call("/6016", req), kTextError);
  EXPECT_EQ(work_codes().size(), 1u);
}

TEST_F(VideoTest, PrivacyMaskMessageStaysInsideItsSlots) {
  std::string areas;
  for (int i = 0; i < 40; ++i)
    areas += (i ? "," : "") + std::string(R"({"area_id":)") + std::to_string(i) + R"(,"enable":1,"start_x":)" +
             std::to_string(i * 2) + R"(,"name":"m)" + std::to_string(i) + "\"}";
  EXPECT_EQ(call("/6019", R"({"area":[],"chnid":[1]})"), "");
  EXPECT_EQ(call("/6019", R"({"cnt":4,"chnid":[1,70,-1,63,5],"enable":1,"num":20,"mosaicNum":20,"delMask":4294967296,)"
                          R"("area":[)" + areas + "]}"),
            kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(1));
  ASSERT_EQ(work_codes(), std::vector<int32_t>{2509});
  const std::string p = work()[0].payload;
  ASSERT_EQ(p.size(), 2904u);
  EXPECT_EQ(p.substr(0, 64), "01" + std::string(61, '0') + "1");
  EXPECT_EQ(i32_at(p, 76), 1);
  EXPECT_EQ(i32_at(p, 80), 20);
  EXPECT_EQ(i32_at(p, 2884), 8);  // 28 slots in all
  EXPECT_EQ(i32_at(p, 192 + 27 * 96), 27);
  EXPECT_EQ(i32_at(p, 192 + 27 * 96 + 8), 54);
  EXPECT_EQ(p.substr(192 + 27 * 96 + 32, 4), std::string("m27\0", 4));
  EXPECT_EQ(i32_at(p, 2892), 1);  // high word of delMask

  std::string stored = call("/6018");
  EXPECT_EQ(stored.rfind(kJsonHead + R"([ { "id": 0, "area": [ { "area_id": 0, "enable": 0, "start_x": 0, "start_y": 0, )"
                                     R"("area_width": 0, "area_height": 0, "width": 0, "height": 0, "fill_color": 0 })", 0),
            0u);
  EXPECT_EQ(occurrences(stored, "\"id\""), 64u);
  EXPECT_EQ(occurrences(stored, "\"area_id\""), 64u * 24);
}

TEST_F(VideoTest, DeletePrivacyMaskSendsChannelAndAreaWithoutWaiting) {
  EXPECT_EQ(call("/6173", R"({"chan_id":63,"area_id":24})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(1));
  ASSERT_EQ(work_codes(), std::vector<int32_t>{2508});
  EXPECT_EQ(work()[0].payload, word(63) + word(24));
  for (const char* bad : {R"({"chan_id":1,"area_id":25})", R"({"chan_id":64,"area_id":0})", R"({"area_id":1})", "{"})
    EXPECT_EQ(call("/6173", bad), kJsonError) << bad;
  EXPECT_EQ(work_codes().size(), 1u);
}

TEST_F(VideoTest, CameraPrivacyMasksAndModelType) {
  CamPrivacyMask cams[2]{};
  cams[0].id = 1;
  cams[0].max_mask_sum = 40;  // more than the record holds
  cams[1].id = 2;
  cams[1].max_mask_sum = 1;
  cams[1].area[0] = MaskArea{3, 1, 10, 20, 30, 40, 2, 1, "door"};
  strcpy(cams[1].sdkversion, "v2");
  daemon_.reply(kReqCamPrivacyMasks, bytes_of(cams));
  std::string out = call("/6115", R"({"id":1})");
  EXPECT_EQ(occurrences(out, "\"area_id\""), 28u + 1);
  EXPECT_NE(out.find(R"({ "id": 2, "num": 0, "maxPtzZoomRatio": 0, "areaEnable": 0, "enable": 0, "sdkversion": "v2", )"
                     R"("cgiSdkFlag": 0, "colorList": "", "mosaicSupport": 0, "mosaicNum": 0, "colorSupport": 0, )"
                     R"("maxMaskSum": 1, "area": [ { "area_id": 3, "enable": 1, "start_x": 10, "start_y": 20, )"
                     R"("area_width": 30, "area_height": 40, "width": 460, "height": 260, "fill_color": 2, "left": 10, )"
                     R"("top": 20, "right": 30, "bottom": 40, "ratio": 1, "name": "door" } ] } ])"),
            std::string::npos);
  EXPECT_EQ(work()[0].payload, word(1));

  daemon_.reply(kReqModelType, word(7));
  EXPECT_EQ(call("/6116", R"({"id":3})"), kJsonHead + R"({ "result": 7 })");
  fast_silence();
  // Below one record the converters print nothing: the handler's error answer.
  daemon_.silence(kReqCamPrivacyMasks).reply(kReqCamPrivacyMasks, std::string(2831, '\0'));
  daemon_.silence(kReqModelType).reply(kReqModelType, "");
  EXPECT_EQ(call("/6115", R"({"id":1})"), kTextError);
  EXPECT_EQ(call("/6116", R"({"id":1})"), kTextError);
  EXPECT_EQ(call("/6116", R"({"id":-1})"), "");
}

TEST_F(VideoTest, ExceptionsNeedEightValuesAndKeepTheirTargets) {
  const std::string before = call("/6999");
  EXPECT_EQ(call("/6998", R"({"exception":[1,1,1,1,1,1,1]})"), "");
  EXPECT_EQ(call("/6998", R"({"exception":5})"), "");
  EXPECT_EQ(call("/6999"), before);
  EXPECT_TRUE(daemon_.requests().empty());

  const std::string url(600, 'u');
  EXPECT_EQ(call("/6998", R"({"exception":[1,2,3,4,5,6,7,8,9,10,11,12,13],"recordFailedMailInterval":5,)"
                          R"("httpParams":{"diskError":{"url":")" + url + R"(","username":"op","password":"pw"}}})"),
            kJsonHead + R"({ "status": "CGI SUCCESS" })");
  ASSERT_TRUE(daemon_.wait_requests(2));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{2104, 3394}));
  EXPECT_EQ(work()[0].payload, "");
  std::string out = call("/6999");
  EXPECT_NE(out.find(R"("diskError": { "url": ")" + std::string(512, 'u') + R"(", "username": "op", "password": "pw" })"),
            std::string::npos);
  EXPECT_NE(out.find(R"("exception": [ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 ], "recordFailedMailInterval": 5 })"),
            std::string::npos);
  HttpNotifyParams http[kExceptionNames];
  read_http_notification_params_init(devpaths::kKvdb, http);
  EXPECT_EQ(http[1].chn, 1);
  EXPECT_EQ(http[0].chn, -1);
  // Eight values are enough; the rest count 0, and targets stay when not given.
  EXPECT_EQ(call("/6998", R"({"exception":[1,1,1,1,1,1,1,1]})"), kJsonHead + R"({ "status": "CGI SUCCESS" })");
  EXPECT_NE(call("/6999").find(R"("exception": [ 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0 ])"), std::string::npos);
  EXPECT_NE(call("/6999").find(R"("username": "op")"), std::string::npos);
}

TEST_F(VideoTest, CameraOsdConfiguration) {
  OsdConfig cfg{};
  cfg.enable_text = 1;
  strcpy(cfg.text_name, "Hall");
  cfg.font_size = 3;
  cfg.type = 2;
  daemon_.reply(kReqOsdConfigGet, bytes_of(cfg));
  EXPECT_EQ(call("/6997", R"({"id":2})"),
            kJsonHead + R"({ "ch": 0, "enable_text": 1, "text_name": "Hall", "textpos": 0, "enable_date": 0, )"
                        R"("datepos": 0, "dateformat": 0, "fontSize": 3, "enable_text_sub": 0, "text_name_sub": "", )"
                        R"("textpos_sub": 0, "enable_date_sub": 0, "datepos_sub": 0, "dateformat_sub": 0, )"
                        R"("fontSizeSub": 0, "type": 2, "disconnect": 1 })");
  cfg.ch = -1;
  daemon_.silence(kReqOsdConfigGet).reply(kReqOsdConfigGet, bytes_of(cfg));
  EXPECT_EQ(call("/6997", R"({"id":2})"), kJsonHead + R"({ "disconnect": 0 })");
  // Short of one record: the converter itself answers with the plain error.
  daemon_.silence(kReqOsdConfigGet).reply(kReqOsdConfigGet, word(0));
  EXPECT_EQ(call("/6997", R"({"id":2})"), kTextError);

  const std::string set = R"({"ch":2,"enable_text":1,"text_name":"Hall","textpos":1,"enable_date":1,"datepos":2,)"
                          R"("dateformat":0,"fontSize":3,"fontSizeSub":1,"type":4})";
  const std::pair<int32_t, const char*> answers[] = {{0, "OK"}, {-1, "NO_SUPPORT"}, {5, "ERROR"}};
  for (auto& [status, text] : answers) {
    daemon_.silence(kReqOsdConfigSet).reply(kReqOsdConfigSet, word(status));
    EXPECT_EQ(call("/6996", set), kTextHead + text);
  }
  auto w = work();
  const std::string& p = w.back().payload;
  EXPECT_EQ(p.size(), 848u);
  EXPECT_EQ(p.substr(8, 5), std::string("Hall\0", 5));
  EXPECT_EQ(i32_at(p, 280), 3);
  EXPECT_EQ(i32_at(p, 560), 1);
  EXPECT_EQ(i32_at(p, 844), 4);
  size_t sent = w.size();
  EXPECT_EQ(call("/6996", replace(set, "\"fontSize\":3,", "")), "");
  EXPECT_EQ(work().size(), sent);
  fast_silence();
  EXPECT_EQ(call("/6997", R"({"id":9})"), kTextError);
}

TEST_F(VideoTest, CameraAlarmIoAndVolumeDetection) {
  CamIoReply io{};
  io.chn = 3;
  io.enable = 1;
  io.type = 2;
  io.tri_actions = 5;
  strcpy(io.tri_channels, "01");
  daemon_.reply(kReqCamIoGet, bytes_of(io));
  EXPECT_EQ(call("/6090", "3"),
            kJsonHead + R"({ "camId": 3, "enable": 1, "type": 2, "triActions": 5, "triChannels": "01" })");
  VolumeReply vol{};
  vol.chn = 3;
  vol.volume = 70;
  vol.ongoing_event = 1;
  vol.tri_actions = 9;
  daemon_.reply(kReqVolumeGet, bytes_of(vol));
  EXPECT_EQ(call("/6092", "3"), kJsonHead + R"({ "camId": 3, "enable": 0, "type": 0, "volume": 70, "duration": 0, )"
                                            R"("onEvent": 0, "offEvent": 0, "ongoingEvent": 1, "triActions": 9, )"
                                            R"("triChannels": "" })");
  EXPECT_EQ(call("/6090", "64"), "");

  EXPECT_EQ(call("/6091", R"({"camId":3,"enable":2,"type":1,"triActions":1,"triChannels":"1"})"), "");
  EXPECT_EQ(call("/6091", R"({"camId":3,"enable":1,"type":1,"triActions":6,"triChannels":"0011"})"), kTextHead + "OK");
  const std::string vset = R"({"camId":4,"enable":1,"type":1,"volume":80,"duration":3,"onEvent":1,"offEvent":0,)"
                           R"("ongoingEvent":1,"triActions":2,"triChannels":"1"})";
  EXPECT_EQ(call("/6093", replace(vset, "\"volume\":80", "\"volume\":-1")), "");
  EXPECT_EQ(call("/6093", vset), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(6));
  auto w = work();
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[2].code, 3214);
  EXPECT_EQ(w[2].payload, word(3) + word(1) + word(1));
  EXPECT_EQ(w[3].code, 3216);
  EXPECT_EQ(w[3].payload, word(4) + word(1) + word(1) + word(80) + word(3) + word(1) + word(0) + word(1));
  ASSERT_EQ(logs().size(), 2u);
  EXPECT_EQ(logs()[0].param_type, 923);
  EXPECT_EQ(logs()[0].channel, 4);
  EXPECT_EQ(logs()[1].param_type, 924);
  CameraIoRec rec{};
  read_cameraio(devpaths::kKvdb, &rec, 3);
  EXPECT_EQ(rec.tri_mask, 0b1100u);
  EXPECT_EQ(rec.tri_actions, 6);

  fast_silence();
  daemon_.silence(kReqCamIoGet).silence(kReqVolumeGet);
  EXPECT_EQ(call("/6090", "5"), kJsonError);
  EXPECT_EQ(call("/6092", "5"), kJsonError);
}

TEST_F(VideoTest, RepliesThatCarryNoRecordLeaveTheErrorAnswer) {
  fast_silence();
  MotionMap map{};
  strcpy(map.map, "0011");
  map.sensitivity = 6;
  map.enable_ai = 1;
  daemon_.reply(kReqMotionMapGet, bytes_of(map));
  EXPECT_EQ(call("/6098", R"({"id":1})"),
            kJsonHead + R"({ "map": "0011", "sensitivity": 6, "result": 0, "enable": 0, "modelType": 0, )"
                        R"("fishdisplay": 0, "fishtransfer": 0, "fishinstall": 0, "enableAI": 1 })");
  const std::string bad[] = {std::string(339, '\0'), ""};
  for (const std::string& payload : bad) {
    daemon_.silence(kReqMotionMapGet).reply(kReqMotionMapGet, payload);
    EXPECT_EQ(call("/6098", R"({"id":1})"), kTextError);
  }
  daemon_.silence(kReqMotionMapGet).reply_with(kReqMotionMapGet, 9999, bytes_of(map));
  EXPECT_EQ(call("/6098", R"({"id":1})"), kTextError);
  EXPECT_EQ(call("/6098", R"({"id":-1})"), "");
}
}  // namespace

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(VideoGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("video", {
      {"/6000", "on_get_osd_info"}, {"/6001", "on_set_osd_info"}, {"/6002", "OnSetOSDName"},
      {"/6010", "on_get_movedetect_info"}, {"/6011", "OnGetMotionSchedule"}, {"/6012", "on_set_movedetect_info"}, {"/6013", "OnSetMotionSchedule"},
      {"/6014", "on_get_videolost_info"}, {"/6015", "on_get_videolost_schedule"},
      {"/6016", "on_set_videolost_info"}, {"/6017", "on_set_videolost_schedule"},
      {"/6018", "on_get_privacy_masks"}, {"/6019", "on_set_privacy_mask"}, {"/6098", "on_get_motion_map"},
      {"/6999", "on_get_exception"}, {"/6998", "on_set_exception"}, {"/6997", "on_get_osdconfig"},
      {"/6996", "on_set_osdconfig"}, {"/6090", "on_get_camera_io"}, {"/6091", "on_set_camera_io"},
      {"/6092", "on_get_volume_detect"}, {"/6093", "on_set_volume_detect"},
      {"/6112", "save_motion_dialog_data"}, {"/6113", "on_set_motion_sche_info"}, {"/6114", "on_set_motion_trigger"},
      {"/6115", "on_get_privacy_mask_ovf"}, {"/6116", "on_get_ipc_model_type"},
      {"/6117", "on_set_move_action"}, {"/6118", "on_set_move_email_sche"}, {"/6119", "on_set_move_others"},
      {"/6120", "on_get_move_email_sche"}, {"/6121", "on_set_videolost_audible_sche"},
      {"/6122", "on_set_videolost_email_sche"}, {"/6123", "on_set_videolost_others"},
      {"/6124", "on_get_videolost_email_sche"}, {"/6125", "on_set_alarmin_audible_sche"},
      {"/6126", "on_set_alarmin_email_sche"}, {"/6127", "on_set_alarm_others"},
      {"/6128", "on_get_alarmin_email_sche"}, {"/6129", "on_get_alarmin_audible_sche"},
      {"/6130", "on_cgi_get_fisheye_mode"}, {"/6131", "on_cgi_set_fisheye_mode"},
      {"/6132", "on_get_vca_region"}, {"/6133", "on_set_vca_region"}, {"/6134", "on_get_vca_motion"},
      {"/6135", "on_set_vca_motion"}, {"/6136", "on_get_vca_tamper"}, {"/6137", "on_set_vca_tamper"},
      {"/6138", "on_get_vca_line"}, {"/6139", "on_set_vca_line"},
      {"/6140", "on_get_vca_loitering"}, {"/6141", "on_set_vca_loitering"}, {"/6142", "on_get_vca_human"},
      {"/6143", "on_set_vca_human"}, {"/6144", "on_get_vca_people"}, {"/6145", "on_set_vca_people"},
      {"/6146", "on_get_vca_settings"}, {"/6147", "on_set_vca_settings"},
      {"/6148", "on_get_smart_event_schedule"},
      {"/6149", "on_set_smart_event_schedule"}, {"/6150", "on_set_vca_allrtm_others"},
      {"/6151", "on_get_vca_common_para"},
      {"/6152", "on_set_move_effective_sche"}, {"/6153", "on_get_move_effective_sche"},
      {"/6154", "on_vca_clear_people_count"}, {"/6157", "on_get_vca_support"},
      {"/6158", "on_get_move_ptz_sche"}, {"/6159", "on_set_move_ptz_sche"}, {"/6160", "on_set_ptz_params"},
      {"/6161", "on_get_ptz_params"}, {"/6162", "on_delete_ptz_params"}, {"/6163", "on_update_ptz_params"},
      {"/6164", "on_delete_ptz_params_batch"}, {"/6165", "on_set_videoloss_ptz_sche"},
      {"/6166", "on_get_videoloss_ptz_sche"}, {"/6167", "on_set_alarmin_ptz_sche"},
      {"/6168", "on_get_alarmin_ptz_sche"}, {"/6169", "on_get_alarmin_effective_sche"},
      {"/6170", "on_set_alarmin_effective_sche"}, {"/6171", "on_set_vca_leftremove"},
      {"/6172", "on_get_vca_leftremove"}, {"/6173", "on_delete_privacy_mask"},
      {"/6174", "on_get_snapshot_schedule"},
      {"/6175", "on_set_snapshot_schedule"}, {"/6176", "on_get_snapshot_setting_params"},
      {"/6177", "on_set_snapshot_setting_params"}, {"/6178", "on_set_snapshot_batch_setting"},
      {"/6179", "on_get_anpr_mode_params"}, {"/6180", "on_set_anpr_mode_params"},
      {"/6181", "on_get_anpr_settings"}, {"/6182", "on_set_anpr_settings"},
      {"/6183", "on_set_anpr_del_lpr_plate"}, {"/6184", "on_set_anpr_add_lpr_plate"},
      {"/6185", "on_set_anpr_update_lpr_plate"}, {"/6186", "on_get_anpr_support_anpr"},
      {"/6094", "on_get_videoloss_info"}, {"/6095", "on_set_videoloss_info"},
      {"/6189", "on_get_ipc_zoom_state"},
      {"/6190", "on_get_ipc_anpr_wildcards"}, {"/6191", "on_set_ipc_anpr_wildcards"},
      {"/6192", "on_get_ipc_vca_line2"}, {"/6193", "on_set_ipc_vca_line2"},
      {"/6194", "on_get_ipc_vca_settings2"}, {"/6195", "on_set_ipc_vca_settings2"}, {"/6196", "on_cgi_check_fisheye_info"},
      {"/6197", "on_cgi_set_fisheye_info"}, {"/6198", "on_cgi_set_privacy_edit"},
      {"/6096", "on_cgi_get_ipc_regional_info"}, {"/6097", "on_cgi_set_ipc_regional_info"},
  });
  expect_codes({
      {kReqOsdChanged, 1007, 1000},       {kReqVideoLossChanged, 1402, 1000}, {kReqMotionChanged, 1403, 1000},
      {kReqExceptionChanged, 2104, 1000}, {kReqExceptHttpChanged, 3394, 1000}, {kReqCamPrivacyMasks, 2502, 1000},
      {kReqModelType, 2503, 1000},        {kReqPrivacyMask, 2509, 1000},      {kReqMotionMapGet, 3206, 1000},
      {kReqMotionMapSet, 3207, 1000},     {kReqFullTimeSchedule, 3209, 1000}, {kReqOsdConfigSet, 3210, 1000},
      {kReqOsdConfigGet, 3211, 1000},     {kReqMotionEnable, 3212, 1000},     {kReqCamIoGet, 3213, 1000},
      {kReqCamIoSet, 3214, 1000},         {kReqVolumeGet, 3215, 1000},        {kReqVolumeSet, 3216, 1000},
      {kReqCamMotionSet, 3251, 1000},     {kReqMotionsChanged, 1410, 1000},   {kReqFullTimeScheduleCopy, 3252, 1000},
      {kReqVcaSettingsGet, 3259, 3000},   {kReqVcaSupport, 3257, 1000},       {kReqAnprSettingsSet, 3290, 1000},
  });
  expect_replies(video_reply_table(), {
      {6207, 228}, {6208, 4}, {6209, 628}, {6210, 4}, {6211, 356}, {6212, 4}, {6215, 12}, {6220, 28448}, {6221, 4}, {8353, 4}, {8374, 4},
      {7502, 2832}, {7503, 4}, {8206, 340}, {8210, 4}, {8211, 848}, {8213, 92}, {8215, 112},
      {8231, 4}, {8232, 20},
      {8244, 4}, {8245, 4}, {8246, 4}, {8247, 4}, {8248, 4}, {8249, 4}, {8250, 4}, {8254, 4}, {8260, 4}, {8261, 4},
      {8269, 4}, {8257, 44}, {8237, 4480}, {8238, 4480}, {8239, 4480}, {8240, 4480}, {8242, 4480}, {8243, 4480}, {8253, 28072}, {8241, 612}, {8259, 64}, {8268, 4468}, {8289, 5496}, {8290, 4}, {8293, 12}, {8373, 20},
  });
}
