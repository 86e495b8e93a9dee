#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "coresim_server.h"
#include "modules/camera/camera_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_camera_param.h"
#include "platform/kvdb_video.h"
#include "proto/camera_proto.h"
#include "support/module_test.h"

using namespace camera;

namespace {
class CameraTest : public ModuleTest {};

std::string text_at(const std::string& bytes, size_t off) { return std::string(bytes.c_str() + off); }
int32_t i32_at(const std::string& bytes, size_t off) {
  int32_t v = 0;
  if (off + 4 <= bytes.size()) memcpy(&v, bytes.data() + off, 4);
  return v;
}

const std::string kAdd =
    R"({"id":5,"name":"Gate","enable":1,"camProtocol":0,"ipAddr":"192.0.2.20","managePort":80,"transmitProtocol":3,)"
    R"x("userName":"admin","password":"pw1","syncTime":1,"mac_addr":"(null)","poechannel":2,"physicalport":6,"otherPoe":1,)x"
    R"("mainRtspPort":1554})";

TEST_F(CameraTest, AddStoresAnnouncesAndLogsTheCamera) {
  EXPECT_EQ(call("/2004", kAdd), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1201, 1206}));
  EXPECT_EQ(work()[0].payload, word(5));
  EXPECT_EQ(work()[1].payload, word(5) + word(1));
  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, 5);
  EXPECT_STREQ(c.ip, "192.0.2.20");
  EXPECT_STREQ(c.password, "pw1");
  EXPECT_STREQ(c.mac, "");  // "(null)" is no address
  EXPECT_EQ(c.physical_port, 6);
  EXPECT_EQ(c.main_rtsp_port, 554);  // RTSP members only for the RTSP protocol
  OsdRec osd{};
  read_osd(devpaths::kKvdb, &osd, 5);
  EXPECT_STREQ(osd.name, "Gate");

  ASSERT_EQ(logs().size(), 1u);
  const OpLogRecord log = logs()[0];
  EXPECT_EQ(log.sub_type, 210);
  EXPECT_EQ(log.param_type, 901);
  EXPECT_EQ(log.channel, 6);
  EXPECT_EQ(log.detail_kind, 111);
  ASSERT_EQ(log.detail_size, 176);
  std::string d(reinterpret_cast<const char*>(log.detail), 176);
  EXPECT_EQ(i32_at(d, 0), 901);
  EXPECT_EQ(text_at(d, 4), "192.0.2.20");
  EXPECT_EQ(i32_at(d, 68), 80);
  EXPECT_EQ(i32_at(d, 72), 6);
  EXPECT_EQ(text_at(d, 140), "ONVIF");
  EXPECT_EQ(text_at(d, 156), "RTSP Over HTTPS");
  EXPECT_EQ(i32_at(d, 172), 1);
}

TEST_F(CameraTest, AddChecksEveryMemberBeforeAnythingIsStored) {
  const std::string bad[] = {
      R"({"id":64,"name":"a","camProtocol":7,"transmitProtocol":0})",  // past the channel table
      R"({"id":-1,"name":"a","camProtocol":7,"transmitProtocol":0})",
      R"({"id":1,"camProtocol":7,"transmitProtocol":0})",
      R"({"id":1,"name":"a","enable":2,"camProtocol":7,"transmitProtocol":0})",
      R"({"id":1,"name":"a","camProtocol":8,"transmitProtocol":0})",
      R"({"id":1,"name":"a","camProtocol":7,"transmitProtocol":4})",
      R"({"id":1,"name":"a","camProtocol":7})",
      R"({"id":1,"name":"a","camProtocol":0,"managePort":80,"transmitProtocol":0})",
      R"({"id":1,"name":"a","camProtocol":0,"ipAddr":"","managePort":80,"transmitProtocol":0})",
      R"({"id":1,"name":"a","camProtocol":0,"ipAddr":"192.0.2.1","managePort":-1,"transmitProtocol":0})",
      R"({"id":1,"name":"a","camProtocol":0,"ipAddr":"192.0.2.1","transmitProtocol":0})",
      "{",
      "",
  };
  for (const std::string& text : bad) EXPECT_EQ(call("/2004", text), "") << text;
  EXPECT_TRUE(daemon_.requests().empty());
  // Protocol 7 needs no address.
  EXPECT_EQ(call("/2004", R"({"id":1,"name":"Analog","camProtocol":7,"transmitProtocol":0})"), kTextHead + "OK");
  EXPECT_EQ(text_at(std::string(reinterpret_cast<const char*>(logs()[0].detail), 176), 140), "KVSF");
}

TEST_F(CameraTest, EditKeepsCredentialsUnlessTypeZero) {
  ASSERT_EQ(call("/2004", kAdd), kTextHead + "OK");
  std::string edit = R"({"id":5,"name":"Gate 2","camProtocol":1,"ipAddr":"192.0.2.21","managePort":81,"transmitProtocol":0,)"
                     R"("userName":"other","password":"pw2","mainRtspPort":1554,"mainSourcePath":"/live","type":1})";
  EXPECT_EQ(call("/2003", edit), kTextHead + "OK");
  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, 5);
  EXPECT_STREQ(c.user, "admin");
  EXPECT_STREQ(c.password, "pw1");
  EXPECT_STREQ(c.ip, "192.0.2.21");
  EXPECT_EQ(c.main_rtsp_port, 1554);
  EXPECT_STREQ(c.main_source_path, "/live");
  EXPECT_EQ(c.physical_port, 6);  // only an add places the camera
  EXPECT_EQ(work_codes().back(), 1203);
  EXPECT_EQ(logs().back().sub_type, 204);
  EXPECT_EQ(logs().back().param_type, 903);

  edit.replace(edit.find("\"type\":1"), 8, "\"type\":0");
  EXPECT_EQ(call("/2003", edit), kTextHead + "OK");
  read_camera(devpaths::kKvdb, &c, 5);
  EXPECT_STREQ(c.password, "pw2");

  // Credentials and transport have their own routes.
  EXPECT_EQ(call("/2017", R"({"id":5,"userName":"u3","password":"pw3"})"), kTextHead + "OK");
  EXPECT_EQ(call("/2031", R"({"id":5,"transmitProtocol":2,"syncTime":0,"httpsPort":8443})"), kTextHead + "OK");
  EXPECT_EQ(call("/2031", R"({"id":5,"transmitProtocol":4})"), "");
  read_camera(devpaths::kKvdb, &c, 5);
  EXPECT_STREQ(c.password, "pw3");
  EXPECT_EQ(c.transmit_protocol, 2);
  EXPECT_EQ(c.https_port, 8443);
  EXPECT_STREQ(c.ip, "192.0.2.21");
}

TEST_F(CameraTest, NamesAreCutAtWholeCharacters) {
  // 62 bytes and a two-byte character: the character does not fit in 63.
  std::string name(62, 'n');
  std::string add = kAdd;
  add.replace(add.find("\"Gate\""), 6, "\"" + name + "\xc3\xa9\"");
  ASSERT_EQ(call("/2004", add), kTextHead + "OK");
  OsdRec osd{};
  read_osd(devpaths::kKvdb, &osd, 5);
  EXPECT_EQ(std::string(osd.name), name);
  EXPECT_NE(call("/2012", "").find(R"({ "id": 5, "name": ")" + name + "\" }"), std::string::npos);
}

TEST_F(CameraTest, DeleteClearsTheChannelAndNamesIt) {
  ASSERT_EQ(call("/2004", R"({"id":3,"name":"Dock","camProtocol":0,"ipAddr":"192.0.2.9","managePort":80,)"
                          R"("transmitProtocol":1,"physicalport":4})"),
            kTextHead + "OK");
  PrivacyMaskRec mask{};
  mask.id = 3;
  mask.area[0].enable = 1;
  mask.area[5].area_width = 40;
  ASSERT_EQ(write_privacy_mask(devpaths::kKvdb, &mask), 0);
  EXPECT_EQ(call("/2005", R"({"chnid":3})"), kTextHead + "OK");
  OsdRec osd{};
  read_osd(devpaths::kKvdb, &osd, 3);
  EXPECT_STREQ(osd.name, "CAM4");
  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, 3);
  EXPECT_EQ(c.enable, 1);
  EXPECT_STREQ(c.ip, "");
  EXPECT_EQ(c.physical_port, 4);
  EXPECT_EQ(c.transmit_protocol, 0);
  static PrivacyMaskRec masks[64];
  int count = 0;
  read_privacy_masks(devpaths::kKvdb, masks, &count);
  for (int i = 0; i < count; ++i)
    if (masks[i].id == 3) {
      EXPECT_EQ(masks[i].area[0].enable + masks[i].area[5].area_width, 0);
    }
  auto codes = work_codes();
  ASSERT_EQ(codes.size(), 4u);
  EXPECT_EQ(codes[2], 1202);
  EXPECT_EQ(work()[3].payload, word(3) + word(0));
  EXPECT_EQ(logs().back().sub_type, 211);
  EXPECT_EQ(logs().back().param_type, 902);
  EXPECT_EQ(logs().back().channel, 4);

  // Channels the recorder has (32 by default), not only the first 16.
  EXPECT_EQ(call("/2005", R"({"chnid":20})"), kTextHead + "OK");
  for (const char* bad : {R"({"chnid":32})", R"({"chnid":-1})", R"({})", "x"}) EXPECT_EQ(call("/2005", bad), kJsonError);
  for (const char* bad : {R"({"chnid":32})", "{"}) EXPECT_EQ(call("/2000", bad), kJsonError);
}

TEST_F(CameraTest, RefusedWritesAnswerTheErrorAndTellNobody) {
  kvdb_fail_writes("camera");
  EXPECT_EQ(call("/2004", kAdd), kTextError);
  EXPECT_EQ(call("/2017", R"({"id":5,"userName":"u","password":"p"})"), kTextError);
  EXPECT_EQ(call("/2005", R"({"chnid":5})"), kJsonError);
  EXPECT_TRUE(daemon_.requests().empty());
  OsdRec osd{};
  read_osd(devpaths::kKvdb, &osd, 5);
  EXPECT_STREQ(osd.name, "CH6");
}

SearchResult found(const char* ip, const char* name) {
  SearchResult s{};
  strcpy(s.ip, ip);
  strcpy(s.mac, "02:00:00:00:00:01");
  s.manage_port = 80;
  s.protocol = 2;
  strcpy(s.vendor, "KVSF");
  strcpy(s.model, "M1");
  s.active_status = 1;
  strcpy(s.name, name);
  return s;
}

TEST_F(CameraTest, SearchListsCamerasAndEmptiesForeignNames) {
  daemon_.reply(3200, bytes_of(found("192.0.2.5", "Gate")) + bytes_of(found("192.0.2.6", "Caf\xe9")));
  EXPECT_EQ(call("/2006", R"({"protocol":2,"nic":0})"),
            kJsonHead + R"({ "resultString": "OK", "IPC": [ )"
                        R"({ "ipAddr": "192.0.2.5", "managePort": 80, "protocol": 2, "macAddr": "02:00:00:00:00:01", )"
                        R"("vendor": "KVSF", "sn": "", "fwVersion": "", "model": "M1", "modelId": 0, "subModelId": 0, )"
                        R"("netif": 0, "active_status": 1, "name": "Gate", "snReal": "" }, )"
                        R"({ "ipAddr": "192.0.2.6", "managePort": 80, "protocol": 2, "macAddr": "02:00:00:00:00:01", )"
                        R"("vendor": "KVSF", "sn": "", "fwVersion": "", "model": "M1", "modelId": 0, "subModelId": 0, )"
                        R"("netif": 0, "active_status": 1, "name": "", "snReal": "" } ] })");
  EXPECT_EQ(work()[0].payload, word(2));
  EXPECT_EQ(call("/2006", R"({"protocol":8})"), "");
  daemon_.silence(3200).reply(3200, word(0));  // shorter than one camera: none found
  EXPECT_EQ(call("/2006", R"({"protocol":3})"), kJsonHead + R"({ "resultString": "NO", "IPC": [ ] })");
  fast_silence();
  daemon_.silence(3200);
  EXPECT_EQ(call("/2006", R"({"protocol":0})"), kJsonError);
}

TEST_F(CameraTest, StateNamesCamerasFromTheStoredNames) {
  CameraState s{};
  s.id = 2;
  strcpy(s.ip, "192.0.2.7");
  strcpy(s.vendor, "V\xff");  // a byte that is no character is left out
  s.state = 1;
  s.connect_state = 1;
  daemon_.reply(3201, bytes_of(s));
  EXPECT_EQ(call("/2007", ""),
            kJsonHead + R"({ "IPC": [ { "id": 2, "enable": 1, "name": "CH3", "ipAddr": "192.0.2.7", "managePort": 0, )"
                        R"("camProtocol": 0, "vendor": "V", "sn": "", "snReal": "", "mac": "", "model": "", "fwVersion": "", )"
                        R"("state": 1, "mainRtspPort": 0, "physicalport": 0, "poechannel": 0, "alarmin": 0, "alarmout": 0, )"
                        R"("whiteLed": 0, "ledAlarm": 0, "ledManual": 0, "minorid": 0, "subState": 0, "connectState": 1, )"
                        R"("ddns": "", "chipinfo": "" } ], "maxIPCNums": 32 })");
}

TEST_F(CameraTest, LoginTestsAnswerTheirTexts) {
  const std::pair<int32_t, const char*> results[] = {
      {0, "OK"}, {4, "OK"}, {1, "NETWORKERROR"}, {2, "USERERROR"}, {5, "BANDWIDTHERROR"}, {3, "UNKOWNERROR"},
  };
  for (auto [code, text] : results) {
    daemon_.silence(3202).silence(3227).reply(3202, word(code)).reply(3227, word(code));
    EXPECT_EQ(call("/2014", R"({"ipAddr":"192.0.2.5","managePort":80,"userName":"admin","password":"pw"})"), kTextHead + text);
    EXPECT_EQ(call("/2015", R"({"ipAddr":"192.0.2.5","managePort":80,"userName":"admin","password":"pw"})"), kTextHead + text);
  }
  auto login = payload_as<LoginTest>(work()[0]);
  EXPECT_STREQ(login.ip, "192.0.2.5");
  EXPECT_STREQ(login.password, "pw");
  EXPECT_EQ(call("/2014", R"({"managePort":80})"), "");
  fast_silence();
  daemon_.silence(3227);
  EXPECT_EQ(call("/2015", R"({"ipAddr":"192.0.2.5"})"), kTextError);
}

TEST_F(CameraTest, StreamSettingsAreDecodedFromTheirSlots) {
  StreamSettings s{};
  int32_t* v = s.slot;
  v[1] = 1;
  v[2] = 1920, v[3] = 1080, v[4] = 1280, v[5] = 720, v[6] = 0, v[7] = 0, v[8] = 640, v[9] = 360;  // ends at the zero pair
  v[50] = 30, v[51] = 1, v[52] = 8192, v[53] = 32, v[54] = 2, v[55] = 1280, v[56] = 720;
  v[57] = 25, v[58] = 4096, v[59] = 50, v[60] = 1, v[61] = 5, v[62] = 100;
  v[63] = 704, v[64] = 576;
  v[115] = 3, v[116] = 1, v[117] = 1;  // no matching resolution: index 0
  v[118] = 15, v[119] = 512, v[120] = 30, v[121] = 0, v[122] = 1, v[123] = 60;
  for (int i = 124; i <= 138; ++i) v[i] = i;
  daemon_.reply(3204, bytes_of(s));
  EXPECT_EQ(call("/2009", R"({"chnid":1})"),
            kJsonHead + R"({ "stateCode": 0, "id": 1, "name": "CH2", "mainVideoType": 2, "subVideoType": 3, )"
                        R"("subEnable": 124, "audioEnable": 125, "videoTypeEnable": 126, "ipc_type": 127, "mainStream": 128, )"
                        R"("subStream": 129, "SupportSmartStream": 130, "SmartStream": 131, "SmartStreamLevel": 132, )"
                        R"("SubSupportSmartStream": 133, "SubSmartStream": 134, "SubSmartStreamLevel": 135, "mainGop": 136, )"
                        R"("subGop": 137, "thirdGop": 138, "syncTime": 1, "protocol": 0, "managePort": 0, "physicalport": 0, )"
                        R"("poechannel": 0, "mac_addr": "", "transmitProtocol": 1, "ddns": "", "httpsPort": 443, )"
                        R"("main": { "curRes": 1, "res": [ { "width": 1920, "height": 1080, "name": "1920*1080" }, )"
                        R"({ "width": 1280, "height": 720, "name": "1280*720" } ], "framerateMax": 30, "framerateMin": 1, )"
                        R"("bitrateMax": 8192, "bitrateMin": 32, "framerate": 25, "bitrate": 4096, "iframeinterval": 50, )"
                        R"("iframeIntervalMin": 5, "iframeIntervalMax": 100, "bitrateCtrl": 1 }, )"
                        R"("sub": { "curRes": 0, "res": [ { "width": 704, "height": 576, "name": "704*576" } ], )"
                        R"("framerateMax": 0, "framerateMin": 0, "bitrateMax": 0, "bitrateMin": 0, "framerate": 15, )"
                        R"("bitrate": 512, "iframeinterval": 30, "iframeIntervalMin": 1, "iframeIntervalMax": 60, )"
                        R"("bitrateCtrl": 0 } })");
  s.slot[0] = 3;
  daemon_.silence(3204).reply(3204, bytes_of(s));
  EXPECT_EQ(call("/2009", R"({"chnid":1})"), kJsonHead + R"({ "stateCode": 3 })");
  EXPECT_EQ(call("/2009", R"({"chnid":64})"), "");
}

TEST_F(CameraTest, StreamSetsCarryTheirRecordPerChannel) {
  daemon_.reply(3203, bytes_of(StreamResult{2, 0}));
  EXPECT_EQ(call("/2010", R"({"id":2,"subEnable":1,"main":{"width":1920,"height":1080,"framerate":20,"gop":40}})"),
            kJsonHead + R"({ "res": 0 })");
  auto set = payload_as<StreamSet>(work()[0]);
  EXPECT_EQ(set.channel, 2);
  EXPECT_EQ(set.main.framerate, 20);
  EXPECT_EQ(set.main.gop, 40);
  EXPECT_EQ(set.sub_enable, 1);
  EXPECT_EQ(call("/2010", R"({"id":2,"main":{"width":-5}})"), "");

  daemon_.silence(3203).reply(3203, bytes_of(StreamResult{0, 7}));
  EXPECT_EQ(call("/2030", R"({"chans":[0,70,3],"main":{"framerate":10}})"), kJsonHead + R"({ "res": 7 })");
  auto codes = work();
  ASSERT_EQ(codes.size(), 3u);
  EXPECT_EQ(payload_as<StreamSet>(codes[1]).channel, 0);
  EXPECT_EQ(payload_as<StreamSet>(codes[2]).channel, 3);
  EXPECT_EQ(mask_logs().back().chn_mask, 0b1001u);
}

TEST_F(CameraTest, CommonParametersFillTheSettingRecord) {
  const std::string page(100, 'p');
  daemon_.reply(3226, word(0)).reply(3226, word(0));
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(call("/2024", R"({"id":2,"pagename":")" + page + R"(","httpname":"vsetting.html","key":"ratecontrol1","value":"vbr"})"),
            kTextHead + "OK");
  auto slow = std::chrono::steady_clock::now() - started;
  started = std::chrono::steady_clock::now();
  EXPECT_EQ(call("/2024", R"({"id":2,"httpname":"vsetting.html","key":"bitrate","value":"2048"})"), kTextHead + "OK");
  auto fast = std::chrono::steady_clock::now() - started;
  EXPECT_GE(slow, std::chrono::microseconds(1900));  // 2 s at the tests' time scale
  EXPECT_LT(fast, slow);
  const std::string p = work()[0].payload;
  ASSERT_EQ(p.size(), 392u);
  EXPECT_EQ(i32_at(p, 0), 2);
  EXPECT_EQ(text_at(p, 4), page.substr(0, 63));
  EXPECT_EQ(text_at(p, 68), "vsetting.html");
  EXPECT_EQ(text_at(p, 132), "ratecontrol1");
  EXPECT_EQ(text_at(p, 260), "vbr");

  CameraSettingRecord rec{};
  rec.channel = 2;
  strcpy(rec.page, "image");
  strcpy(rec.value, "vbr");
  daemon_.reply(3225, bytes_of(rec));
  EXPECT_EQ(call("/2023", R"({"id":2,"pagename":"image","key":"ratecontrol1"})"),
            kJsonHead + R"({ "id": 2, "pagename": "image", "value": "vbr" })");
  fast_silence();
  daemon_.silence(3225);
  EXPECT_EQ(call("/2023", R"({"id":2,"key":"x"})"), kTextError);
}

// Forwarded pages: request, its payload, the camera's reply, the answer.
struct Forwarded {
  const char* route;
  const char* text;
  int32_t code;
  std::string payload;
  std::string reply;
  std::string answer;
};

TEST_F(CameraTest, ForwardedPagesCarryTheirRecords) {
  Watermark wm{3, 1, "site A"};
  EventStream es{1, 1, 10, 1024, 20, 0};
  const Forwarded cases[] = {
      {"/2025", R"({"id":2})", 2503, word(2), word(7), kJsonHead + R"({ "type": 7 })"},
      {"/2056", R"({"chnid":1})", 1262, word(1), word(1), kJsonHead + R"({ "res": 1 })"},
      {"/2028", "", 3307, "", word(4), kJsonHead + R"({ "Motion": 4 })"},
      {"/2027", "", 4004, "", word(9), kJsonHead + R"({ "chip_code": 9 })"},
      {"/2058", R"({"chnid":3})", 1213, word(3), bytes_of(wm),
       kJsonHead + R"({ "chnid": 3, "enable": 1, "watermark": "site A" })"},
      {"/2060", R"({"chnid":1,"fisheyeType":2})", 1217, word(1) + word(2), bytes_of(es),
       kJsonHead + R"({ "chnid": 1, "enable": 1, "framerate": 10, "bitrate": 1024, "iframeinterval": 20 })"},
      {"/2062", R"({"chnid":1})", 1219, word(1), bytes_of(NightMode{1, 2}), kJsonHead + R"({ "chnid": 1, "nightMode": 2 })"},
      {"/2064", R"({"chnid":1,"enable":1})", 3372, std::string(bytes_of(AudioSet{1, 1, 0, 0, 0, 0, 0, 0, {}})), word(1),
       kTextHead + "ERROR"},
      {"/2052", R"({"chnid":1,"enable":1,"map_mask":"01","copy":[2,99]})", 3366, "", word(0), kJsonHead + R"({ "res": 0 })"},
      {"/2053", R"({"chnid":0,"time":"2026-12-08 01:00:00"})", 3360, "", std::string("seen\0junk", 9), kTextHead + "seen"},
  };
  for (const Forwarded& f : cases) {
    daemon_.reply(f.code, f.reply);
    EXPECT_EQ(call(f.route, f.text), f.answer) << f.route;
    ASSERT_FALSE(work().empty()) << f.route;
    EXPECT_EQ(work().back().code, f.code) << f.route;
    if (!f.payload.empty()) {
      EXPECT_EQ(work().back().payload, f.payload) << f.route;
    }
  }
  auto map = payload_as<MotionMapSet>(work()[8]);
  EXPECT_EQ(map.copy, 0b100u);  // channel 99 does not exist
  EXPECT_STREQ(map.map.map_mask, "01");

  // Channels past the recorder's and silent cameras.
  const size_t sent = daemon_.requests().size();
  for (const char* route : {"/2019", "/2039", "/2051"}) EXPECT_EQ(call(route, R"({"id":64,"chnid":64})"), "") << route;
  EXPECT_EQ(daemon_.requests().size(), sent);
  fast_silence();
  EXPECT_EQ(call("/2054", R"({"chnid":1})"), kJsonError);
}

TEST_F(CameraTest, SetsWithoutWaitAnswerOk) {
  EXPECT_EQ(call("/2042", R"({"channel":2,"schedule":[[{"startTime":"00:00","endTime":"24:00"}]]})"), kTextHead + "OK");
  EXPECT_EQ(call("/2050", R"({"area_id":1,"chan_id":2})"), kTextHead + "OK");
  EXPECT_EQ(call("/2040", R"({"chnid":2,"cnt":9,"enable":1,"area":[]})"), "");
  EXPECT_EQ(call("/2040", R"({"chnid":2,"cnt":1,"enable":1,"area":[{"area_id":0,"start_x":5,"name":"door"}]})"), kTextHead + "OK");
  EXPECT_EQ(call("/2038", R"({"id":2,"type":1,"schedule":[[{"start":60,"end":120,"mode":2}]]})"), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{3281, 3284, 3288, 3279}));
  EXPECT_EQ(work()[0].payload.size(), 27716u);
  EXPECT_EQ(work()[1].payload, word(1) + word(2));
  auto area = payload_as<AreaSet>(work()[2]);
  EXPECT_EQ(area.rec.count, 1);
  EXPECT_STREQ(area.rec.area[0].name, "door");
  auto ex = payload_as<ExposureSchedule>(work()[3]);
  EXPECT_EQ(ex.type, 1);
  EXPECT_EQ(ex.period[0][0].end, 120);
  EXPECT_EQ(call("/2081", R"({"stop":1})"), "");
  EXPECT_EQ(work_codes().back(), 3390);
}

TEST_F(CameraTest, StoredSettingsAndFactoryValues) {
  EXPECT_EQ(call("/2016", ""), kTextHead + "qa5172");
  EXPECT_EQ(call("/2018", ""), kTextHead + "0");
  EXPECT_EQ(call("/2048", R"({"channel":2,"exposure":1,"exposureTime":40,"gainLevel":3})"), kTextHead + "OK");
  EXPECT_EQ(call("/2049", R"({"channel":2})"), kJsonHead + R"({ "exposureTime": 40, "gainLevel": 3, "exposure": 1 })");
  EXPECT_EQ(call("/2048", R"({"channel":64,"exposure":1})"), "");
  EXPECT_EQ(call("/2082", "/tmp/cgic123 & x"), kTextHead + "CGI SUCCESS");
  EXPECT_EQ(call("/2082", ""), kTextError);

  kvdb_sql("ipc_protocol", "UPDATE ipc_protocol SET display_model = 1 WHERE id = 2");
  std::string protocols = call("/2008", "");
  EXPECT_EQ(protocols.rfind(kJsonHead + R"({ "protocols": [ { "id": 0, "name": "ONVIF", "protocolFunction": 1, )"
                                        R"("enable": 1, "display_model": 0, "models": [ ] }, )", 0), 0u);
  EXPECT_NE(protocols.find(R"({ "id": 2, "name": "KVSF", "protocolFunction": 1, "enable": 1, "display_model": 0, )"
                           R"("models": [ { "id": 0, "name": "KV-B2041", "alarm_type": 1, "default_model": 1 }, )"),
            std::string::npos);
  IpcProtocolRec p[16];
  int n = 0;
  read_ipc_protocols(devpaths::kKvdb, p, 16, &n);
  ASSERT_GT(n, 2);
  EXPECT_EQ(p[2].display_model, 0);
  EXPECT_EQ(call("/2000", R"({"chnid":0})"),
            kJsonHead + R"({ "id": 0, "name": "CH1", "ipAddr": "", "managePort": 0, "protocol": 0, "model": "", )"
                        R"("userName": "", "password": "", "transmitProtocol": 1, "mainRtspPort": 554, "mainSourcePath": "", )"
                        R"("subRtspEnable": 0, "subRtspPort": 554, "subSourcePath": "", "syncTime": 1, "mainRtspUrl": "", )"
                        R"("subRtspUrl": "", "physicalport": 0, "poechannel": 0, "mac_addr": "", "minorid": 0, "ddns": "", )"
                        R"("httpsPort": 443 })");
}

TEST_F(CameraTest, AddressBatchesUpgradesAndTheEffectiveRange) {
  EXPECT_EQ(call("/2032", R"({"IPC":[{"id":1,"ipAddr":"192.0.2.30"},{"id":70},{"id":2,"ipAddr":"192.0.2.31","dhcp":1}]})"),
            kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{3229, 3229}));
  auto second = payload_as<MultiAddressSet>(work()[1]);
  EXPECT_EQ(second.addr.channel, 2);
  EXPECT_STREQ(second.addr.ip, "192.0.2.31");
  EXPECT_EQ(second.index, 2);
  EXPECT_EQ(second.count, 3);

  daemon_.reply(3379, bytes_of(UpgradeState{2, 0, 0b100, 100, ""}));
  EXPECT_EQ(call("/2080", R"({"chnAry":[2],"reset":1,"url":"http://192.0.2.1/fw.bin"})"),
            kJsonHead + R"({ "chnid": 2, "status": 0, "chnMask": 4 })");
  auto up = payload_as<UpgradeReq>(work().back());
  EXPECT_EQ(up.chn_mask, 0b100u);
  EXPECT_EQ(up.reset, 1);
  EXPECT_STREQ(up.url, "http://192.0.2.1/fw.bin");
  EXPECT_EQ(call("/2080", R"({"chnAry":[64],"url":"u"})"), "");
  daemon_.reply(3386, bytes_of(UpgradeState{1, 0, 2, 50, ""}) + bytes_of(UpgradeState{2, -1, 4, 0, ""}));
  EXPECT_EQ(call("/2079", ""), kTextHead + "1:0:50\n2:-1:0\n");

  EXPECT_EQ(call("/2036", R"({"channel":2,"start":"08:00","end":"18:00"})"), kTextHead + "OK");
  std::string schedule = call("/2035", R"({"channel":2})");
  EXPECT_NE(schedule.find(R"("startTime": "08:00", "endTime": "18:00")"), std::string::npos) << schedule;
  EXPECT_EQ(call("/2036", R"({"channel":64,"start":"08:00","end":"18:00"})"), "");
}

TEST(CameraGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("camera", {
      {"/2000", "on_get_camera_list"}, {"/2001", "on_get_camera_state"}, {"/2003", "on_edit_camera"},
      {"/2004", "on_add_camera"}, {"/2005", "on_del_camera"}, {"/2006", "on_search_camera"},
      {"/2007", "on_get_camera_state"}, {"/2008", "on_get_camera_protocols"}, {"/2009", "on_get_stream_params"},
      {"/2010", "on_set_stream_params"}, {"/2011", "on_set_camera_network"}, {"/2012", "on_get_camera_names"},
      {"/2013", "on_get_stream_by_time"}, {"/2014", "on_test_camera_login"}, {"/2015", "on_test_camera_login2"},
      {"/2016", "on_get_poe_password"}, {"/2017", "on_set_camera_login"}, {"/2018", "on_get_poe_count"},
      {"/2019", "on_get_ipc_image_enhancement"}, {"/2020", "on_set_ipc_image_enhancement"},
      {"/2021", "on_get_ipc_image_display"}, {"/2022", "on_set_ipc_image_display"},
      {"/2023", "on_get_ipc_common_param"}, {"/2024", "on_set_ipc_common_param"},
      {"/2025", "on_web_get_ipc_model_type"}, {"/2026", "on_web_sendto_qt_cmd"}, {"/2027", "on_web_get_chip_code"},
      {"/2028", "on_web_get_motion_status"}, {"/2029", "on_web_get_channels_model"},
      {"/2030", "on_set_multi_stream_params"}, {"/2031", "on_set_camera_transport"},
      {"/2032", "on_set_multi_camera_network"}, {"/2033", "on_get_camera_macs"}, {"/2034", "on_get_ipv6_support"},
      {"/2035", "on_get_schedule_action"}, {"/2036", "on_set_schedule_action_range"},
      {"/2037", "on_get_ipc_exposure_schedule"}, {"/2038", "on_set_ipc_exposure_schedule"},
      {"/2039", "on_get_ipc_area"}, {"/2040", "on_set_ipc_area"}, {"/2041", "on_get_ipc_schedule_a"},
      {"/2042", "on_set_ipc_schedule_a"}, {"/2043", "on_get_ipc_schedule_b"}, {"/2044", "on_set_ipc_schedule_b"},
      {"/2045", "on_get_ipc_schedule_c"}, {"/2046", "on_set_ipc_schedule_c"},
      {"/2047", "on_set_ipc_exposure_schedule"}, {"/2048", "on_set_exposure"}, {"/2049", "on_get_exposure"},
      {"/2050", "on_del_ipc_area"}, {"/2051", "on_get_ipc_motion_map"}, {"/2052", "on_set_ipc_motion_map"},
      {"/2053", "on_get_ipc_record_text"}, {"/2054", "on_cgi_get_auto_tracking_status"},
      {"/2055", "on_cgi_set_auto_tracking_status"}, {"/2056", "on_cgi_get_ptz_support"},
      {"/2057", "on_cgi_get_ipc_type"}, {"/2058", "on_cgi_get_watermark"}, {"/2059", "on_cgi_set_watermark"},
      {"/2060", "on_cgi_get_ipc_event_stream"}, {"/2061", "on_cgi_set_ipc_event_stream"},
      {"/2062", "on_cgi_get_ipc_lpr_night_mode"}, {"/2063", "on_cgi_get_ipc_audio_info"},
      {"/2064", "on_cgi_set_ipc_audio_info"}, {"/2065", "on_cgi_get_ipc_system_info"},
      {"/2066", "on_cgi_get_peoplecnt_settings"}, {"/2067", "on_cgi_set_peoplecnt_settings"},
      {"/2068", "on_cgi_get_ipc_custom_param"}, {"/2069", "on_cgi_get_peoplecnt_action"},
      {"/2070", "on_cgi_set_peoplecnt_action"}, {"/2071", "on_cgi_set_peoplecnt_db_reset"},
      {"/2072", "on_cgi_set_peoplecnt_liveview_reset"}, {"/2073", "on_cgi_get_pos_info"},
      {"/2074", "on_cgi_set_pos_info"}, {"/2075", "on_cgi_get_report_auto_backup"},
      {"/2076", "on_cgi_set_report_auto_backup"}, {"/2077", "on_cgi_set_face_config"}, {"/2078", "on_set_ipc_firmware_reset"},
      {"/2079", "on_get_ipc_upgrade_state"}, {"/2080", "on_upgrade_ipc_firmware"}, {"/2081", "on_stop_ipc_upgrade"},
      {"/2082", "on_check_upload_result"},
  });
  expect_codes({
      {kReqSearch, 3200, 6000},     {kReqCameraState, 3201, 6000}, {kReqLoginTest, 3202, 6000},
      {kReqStreamSet, 3203, 6000},  {kReqStreamGet, 3204, 6000},   {kReqAddressSet, 3205, 6000},
      {kReqLoginTest2, 3227, 6000}, {kReqDisplayGet, 3223, 3000},  {kReqMacs, 3230, 15000},
      {kReqRecordText, 3360, 3000}, {kReqUpgrade, 3379, 30000},    {kReqEnhanceGet, 3221, 1000},
      {kReqAddCamera, 1201, 1000},  {kReqDelCamera, 1202, 1000},   {kReqEditCamera, 1203, 1000},
      {kReqPoeChannel, 1206, 1000}, {kReqStreamByTime, 3493, 1000}, {kReqQtCmd, 4002, 1000},
      {kReqChipCode, 4004, 1000},   {kReqChannelModels, 2505, 1000}, {kReqCameraType, 2507, 1000},
      {kReqMultiAddressSet, 3229, 1000}, {kReqScheduleBSet, 3282, 1000}, {kReqMotionMapSet, 3366, 1000},
      {kReqTrackingSet, 3375, 1000}, {kReqFirmwareReset, 3385, 1000}, {kReqUpgradeStop, 3390, 1000},
  });
  expect_replies(camera_reply_table(), {
      {6213, 44},   {6216, 4},    {6217, 24},   {6218, 4},    {6219, 8},    {6262, 4},    {7503, 4},
      {7505, 10496}, {7507, 164}, {8200, 760},  {8201, 1040}, {8202, 4},    {8227, 4},    {8203, 8},
      {8204, 624},  {8205, 4},    {8221, 488},  {8223, 364},  {8224, 4},    {8225, 392},  {8226, 4},
      {8230, 3344}, {8271, 364},  {8273, 27716}, {8277, 27716}, {8275, 29188}, {8278, 1128}, {8294, 28056},
      {8307, 4},    {8358, 28040}, {8360, 1},   {8366, 4},    {8371, 5996}, {8372, 4},    {8375, 4},
      {8376, 912},  {8377, 520},  {8379, 72},   {8385, 4},    {8386, 72},   {8493, 132},  {9002, 4},
      {9003, 4},    {9004, 4},    {7290, 4},    {7291, 4},    {7292, 4},    {7293, 4},    {6423, 4},    {6421, 4},    {8381, 4},
  });
  static_assert(sizeof(CameraLogDetail) == 176 && sizeof(CameraSettingRecord) == 392);
}

// Against the simulator: a camera added on a free channel is found, comes
// online, and is the one the video pages see; deleting it takes it away.
class CameraOnCoreSim : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sim_.start(), 0) << sim_.error(); }
  void TearDown() override { sim_.stop(); }
  std::string eventually(const char* route, const char* text, const std::string& fragment) {
    std::string out;
    for (int i = 0; i < 50 && out.find(fragment) == std::string::npos; ++i) {
      if (i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      out = call_route(route, text);
    }
    return out;
  }
  TestRoot root_;
  CoreSim sim_;
};

TEST_F(CameraOnCoreSim, AddedCamerasComeOnlineForEveryPage) {
  std::string search = call_route("/2006", R"({"protocol":0})");
  EXPECT_NE(search.find(R"("ipAddr": "192.0.2.15",)"), std::string::npos) << search;
  EXPECT_NE(search.find(R"("name": "", "snReal")"), std::string::npos);  // the camera with a foreign name
  EXPECT_EQ(call_route("/2006", R"({"protocol":3})"), kJsonHead + R"({ "resultString": "NO", "IPC": [ ] })");
  EXPECT_EQ(call_route("/6098", R"({"id":6})").find("sensitivity"), std::string::npos);  // no camera on channel 6 yet
  EXPECT_EQ(call_route("/2004", R"({"id":6,"name":"Cafe","camProtocol":0,"ipAddr":"192.0.2.15","managePort":80,)"
                                R"("transmitProtocol":1,"userName":"admin","password":"admin123"})"),
            kTextHead + "OK");
  EXPECT_NE(eventually("/2001", "", R"({ "id": 6, "enable": 1, "name": "Cafe", "ipAddr": "192.0.2.15")").find(R"("id": 6, "enable": 1, "name": "Cafe")"),
            std::string::npos);
  EXPECT_NE(call_route("/6098", R"({"id":6})").find("\"sensitivity\": 5"), std::string::npos);
  EXPECT_EQ(call_route("/2014", R"({"ipAddr":"192.0.2.15","managePort":80,"userName":"admin","password":"no"})"),
            kTextHead + "USERERROR");
  EXPECT_EQ(call_route("/2022", R"({"id":6,"brightness":70})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/2021", R"({"id":6})").rfind(kJsonHead + R"({ "id": 6, "brightness": 70, "contrast": 0,)", 0), 0u);
  EXPECT_EQ(call_route("/2024", R"({"id":6,"httpname":"vsetting.html","key":"ratecontrol2","value":"cbr"})"),
            kTextHead + "OK");
  EXPECT_EQ(call_route("/2023", R"({"id":6,"httpname":"vsetting.html","key":"ratecontrol2"})"),
            kJsonHead + R"({ "id": 6, "pagename": "", "value": "cbr" })");
  EXPECT_EQ(call_route("/2005", R"({"chnid":6})"), kTextHead + "OK");
  EXPECT_EQ(eventually("/2057", R"({"chnid":6})", "CGI ERROR"), kJsonError);
}
}  // namespace
