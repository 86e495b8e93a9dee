#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "answers_sysinfo.h"
#include "base/paths.h"
#include "base/text.h"
#include "coresim_server.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_network.h"
#include "platform/kvdb_sysinfo.h"
#include "proto/sysinfo_proto.h"
#include "support/module_test.h"

using namespace sysinfo;

namespace {
const char* const kDb = devpaths::kKvdb;

std::string param(const char* key) {
  char buf[64];
  get_param_value(kDb, key, buf, sizeof buf, "<none>");
  return buf;
}

std::string host_name() {
  net::NetworkRec n{};
  net::read_network(kDb, &n);
  return n.hostName;
}

std::string notice(const char* what) { return what + std::string(32 - strlen(what), '\0'); }

class SysinfoTest : public ModuleTest {
 protected:
  // An "uptime" of the device root that prints `line`.
  void fake_uptime(const std::string& line) {
    root_.write_file("/bin/uptime", "#!/bin/sh\nprintf '%s' '" + line + "'\n");
    chmod(root_.path("/bin/uptime").c_str(), 0755);
    setenv("PATH", (root_.dir() + "/bin:/usr/bin:/bin").c_str(), 1);
  }
  void TearDown() override { setenv("PATH", saved_path_.c_str(), 1); }
  std::string saved_path_ = getenv("PATH");
};

// ---- Device information ----

TEST_F(SysinfoTest, DeviceInformationInPageOrderWithTrimmedUptime) {
  DeviceInfo d{};
  d.device_id = 9, d.max_cameras = 16, d.max_sensor = 8, d.max_alarm = 2, d.max_audio_out = 1;
  d.display_num = 2, d.max_rs485 = 3, d.max_network_lan = 2, d.oem_version = 5, d.kvddns = 1;
  memset(d.sn, 'S', sizeof d.sn);  // unterminated: read to its width
  copy_text(d.prefix, "PX");
  copy_text(d.device_name, "NVR-16");
  copy_text(d.software, "7x.7.1.0");
  copy_text(d.hwver, "V2.0");
  copy_text(d.mac_address, "02:00:5E:10:00:01");
  d.is_support_talk = 1;
  set_param_value(kDb, "company", "Acme");
  const std::string sn(65, 'S');
  struct UptimeCase {
    const char* tool;
    const char* key;
  } cases[] = {
      {" 10:14:31 up 2 days,  3:04,  2 users,  load average: 0.08, 0.03, 0.01", " 10:14:31 up 2 days,  3:04"},
      {" 10:14:31 up 2 days,  3:04, load average: 0.00", " 10:14:31 up 2 days,  3:04"},
      {"up 5 min", "up 5 min"},
  };
  for (const UptimeCase& c : cases) {
    fake_uptime(c.tool);
    daemon_.reply(kReqDeviceInfo, bytes_of(d));
    EXPECT_EQ(call("/1009"),
              kJsonHead + R"({ "hostName": "", "deviceName": "NVR-16", "deviceId": 9, "product": "NVR-16", )"
                          R"("hwver": "V2.0", "software": "7x.7.1.0", "oemversion": 5, "sn": ")" + sn +
                  R"(", "prefix": "PX", "pluginVersion": "1.0", "mpluginVersion": "1.0", )"
                  R"("macAddress": "02:00:5E:10:00:01", "kvddns": 1, "uptime": ")" + c.key + R"(", "sncode": ")" +
                  sn + R"(", "resource": { "displayNum": 2, "maxAudioOut": 1, "maxNetworkLan": 2, "maxSensor": 8, )"
                       R"("maxAlarm": 2, "maxCameras": 16, "masRs485": 3 }, "kvfsDbup": 0, "transProtocol": 0, )"
                       R"("streamInfo": 0, "oemonlineupdate": 0, "company": "Acme", "isSupportTalk": 1 })");
  }
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3400, 3400, 3400}));
  EXPECT_EQ(work()[0].payload, "");
  daemon_.reply(kReqDeviceInfo, bytes_of(d));
  EXPECT_NE(call("/1020").find("\"deviceId\": 9"), std::string::npos);

  // Short of one entry the reply is ignored and the wait runs out.
  fast_silence();
  daemon_.silence(kReqDeviceInfo).reply(kReqDeviceInfo, std::string(591, '\0'));
  EXPECT_EQ(call("/1009"), kJsonError);
  daemon_.silence(kReqDeviceInfo);
  EXPECT_EQ(call("/1020"), kJsonError);
}

TEST_F(SysinfoTest, HostNameAndDeviceNumberAreStoredThenAnnounced) {
  EXPECT_EQ(call("/1012", R"({"hostName":"hall","deviceId":7})"), kTextHead + "OK");
  EXPECT_EQ(host_name(), "hall");
  EXPECT_EQ(param("deviceid"), "7");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1705, 1702}));
  EXPECT_EQ(work()[0].payload, word(7));
  EXPECT_EQ(work()[1].payload, notice("hostname"));

  for (const char* bad : {R"({"hostName":"x","deviceId":0})", R"({"hostName":"x","deviceId":256})",
                          R"({"hostName":"","deviceId":5})", R"({"deviceId":5})", R"({"hostName":"x"})",
                          R"({"hostName":"\u0000x","deviceId":5})", "", "{"})
    EXPECT_EQ(call("/1012", bad), "") << bad;
  // A failed write stores neither half and announces nothing.
  kvdb_fail_writes("params");
  EXPECT_EQ(call("/1012", R"({"hostName":"other","deviceId":8})"), kTextError);
  EXPECT_EQ(host_name(), "hall");
  EXPECT_EQ(work().size(), 2u);
}

TEST_F(SysinfoTest, WebLogEntryAndDownloadStub) {
  EXPECT_EQ(call("/1014", "anything"), kTextHead + "OK");
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ((std::vector<int64_t>{logs()[0].main_type, logs()[0].sub_type, logs()[0].param_type}),
            (std::vector<int64_t>{4, 202, 900}));
  EXPECT_EQ(call("/dw.cgi", "file=/etc/passwd"), kTextHead + "NG download");
}

// ---- General settings ----

const std::string kGeneral = R"({"mainResolution":3,"subResolution":2,"audioOutputOn":1,"hdmiAudioOn":0,)"
                             R"("audioVolume":100,"audioStereo":1,"hostname":"rec-2","deviceId":256,"subEnable":1,)"
                             R"("wizardEnable":1,"displayMode":1,"hdmihotplug":0,"streamInfo":1})";

TEST_F(SysinfoTest, GeneralSettingsStoreThenAnnounceInOrder) {
  EXPECT_EQ(call("/6081", kGeneral), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1023, 1705, 1702, 1001, 1001, 1015, 1002}));
  auto w = work();
  EXPECT_EQ(w[0].payload, word(1));
  EXPECT_EQ(w[1].payload, word(256));
  EXPECT_EQ(w[3].payload, word(0) + word(3));
  EXPECT_EQ(w[4].payload, word(1) + word(2));
  EXPECT_EQ(w[5].payload, "");
  EXPECT_EQ(w[6].payload, word(0) + word(1) + word(100));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].sub_type, 204);
  EXPECT_EQ(logs()[0].param_type, 913);
  EXPECT_EQ(param("stream_information"), "1");
  // The daemon switches the secondary output, so the record keeps it off.
  EXPECT_EQ(call("/6080"), kJsonHead + R"({ "displayMode": 1, "hdmihotplug": 0, "mainResolution": 3, "hdmiAudioOn": 0, )"
                                       R"("homologous": 1, "curControl": 0, "subEnable": 0, "subResolution": 2, )"
                                       R"("audioOutputOn": 1, "audioVolume": 100, "deviceId": 256, "hostname": "rec-2", )"
                                       R"("wizardEnable": 1, "hideTaskBar": 0, "hideToolBar": 0 })");

  // Unchanged resolutions and a driven secondary output: no 1001/1015, "SUB".
  DisplayRec d{};
  read_display(kDb, &d);
  d.cur_control = kOutputSecondary;
  write_display(kDb, &d);
  size_t before = work().size();
  EXPECT_EQ(call("/6081", kGeneral), kTextHead + "SUB");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1023, 1705, 1702, 1001, 1001, 1015, 1002, 1705, 1702, 1002}));
  EXPECT_EQ(work().size(), before + 3);
}

TEST_F(SysinfoTest, HomologousChangeSwitchesTheSecondOutputAndReboots) {
  std::string body = kGeneral;
  body.insert(1, R"("isHomologousChanged":1,"homologous":0,)");
  EXPECT_EQ(call("/6081", body), kTextHead + "OK");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1705, 1702, 1001, 1001, 1015, 1002, 1703}));
  EXPECT_EQ(daemon_.codes().back(), 1703);  // after the log record
  EXPECT_EQ(param("homologous"), "0");
  EXPECT_EQ(param("quick_screen"), "1");
  DisplayRec d{};
  read_display(kDb, &d);
  EXPECT_EQ(d.sub_enable, 1);
}

TEST_F(SysinfoTest, GeneralSettingsRefusalsAndFailedWrites) {
  const std::string base = R"({"mainResolution":1,"subResolution":1,"hostname":"h")";
  struct Case {
    const char* extra;
    bool accepted;
  } cases[] = {
      {"", true},
      {R"(,"deviceId":0)", true},
      {R"(,"audioVolume":0)", true},
      {R"(,"audioVolume":95)", false},
      {R"(,"audioVolume":110)", false},
      {R"(,"audioVolume":-10)", false},
      {R"(,"deviceId":257)", false},
      {R"(,"deviceId":-1)", false},
      {R"(,"subEnable":2)", false},
      {R"(,"hdmiAudioOn":"x")", false},
      {R"(,"wizardEnable":4294967297)", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(call("/6081", base + c.extra + "}"), c.accepted ? kTextHead + "OK" : "") << c.extra;
  for (const char* bad : {R"({"subResolution":1,"hostname":"h"})", R"({"mainResolution":1,"subResolution":1})", "[]", ""})
    EXPECT_EQ(call("/6081", bad), "") << bad;
  const size_t sent = daemon_.requests().size();

  // Parameters refused: the display record stays too, and nothing is sent.
  kvdb_fail_writes("params");
  EXPECT_EQ(call("/6081", kGeneral), kTextError);
  DisplayRec d{};
  read_display(kDb, &d);
  EXPECT_EQ(d.main_resolution, 1);
  EXPECT_EQ(host_name(), "h");
  EXPECT_EQ(daemon_.requests().size(), sent);
}

// ---- UPnP and address filter ----

TEST_F(SysinfoTest, UpnpIsSentOverTheStoredRecordNotStored) {
  UpnpRecord u{};
  u.http_status = 1, u.external_http_port = 81, u.external_rtsp_port = 555, u.rtsp_status = 2;
  write_upnp(kDb, &u);
  EXPECT_EQ(call("/1030"), kJsonHead + R"({ "enable": 0, "type": 0, "external_http_port": 81, "http_status": 1, )"
                                       R"("external_rtsp_port": 555, "rtsp_status": 2, "http_port": 80, "rtsp_port": 554 })");
  EXPECT_EQ(call("/1031", R"({"enable":1,"type":2,"external_http_port":8080,"http_status":9})"), kTextHead + "OK");
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{3720}));
  const std::string p = work()[0].payload;
  ASSERT_EQ(p.size(), 152u);
  EXPECT_EQ(p.substr(0, 8), word(1) + word(2));
  EXPECT_EQ(p.substr(136, 16), word(8080) + word(1) + word(555) + word(2));
  EXPECT_NE(call("/1030").find("\"enable\": 0"), std::string::npos);
  EXPECT_EQ(call("/1031", R"({"enable":"on"})"), "");
  EXPECT_EQ(call("/1031", "{"), "");
  EXPECT_EQ(work().size(), 1u);
}

TEST_F(SysinfoTest, AddressFilterIsStoredWholeOrNotAtAll) {
  EXPECT_EQ(call("/6300"), kJsonHead + R"({ "filterEnable": 0, "filterType": 1, "filterList": [ ] })");
  std::string list;
  for (int i = 0; i < 101; ++i) list += std::string(i ? "," : "") + R"({"address_type":0,"address":"10.0.0.)" + std::to_string(i) + "\"}";
  const std::string long_address(40, '9');
  EXPECT_EQ(call("/6301", R"({"filterEnable":1,"filterType":0,"filterList":[{"address_type":1,"address":")" +
                              long_address + "\"}," + list + "]}"),
            kTextHead + "OK");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{1722}));
  EXPECT_EQ(work()[0].payload, "");
  std::string got = call("/6300");
  EXPECT_EQ(got.rfind(kJsonHead + R"({ "filterEnable": 1, "filterType": 0, "filterList": [ { "address_type": 1, "address": ")" +
                          std::string(31, '9') + R"(" }, { "address_type": 0, "address": "10.0.0.0" }, )", 0),
            0u);
  EXPECT_NE(got.find("\"10.0.0.98\" } ] }"), std::string::npos);  // 100 entries in all

  for (const char* bad : {R"({"filterEnable":0,"filterList":[{"address_type":"x"}]})", R"({"filterType":[1]})",
                          R"({"filterList":{}})", ""})
    EXPECT_EQ(call("/6301", bad), "") << bad;
  kvdb_fail_writes("access_filter");
  EXPECT_EQ(call("/6301", R"({"filterEnable":0,"filterList":[{"address_type":0,"address":"1.2.3.4"}]})"), kTextError);
  EXPECT_EQ(param("access_filter_enable"), "1");
  EXPECT_EQ(work().size(), 1u);
}

// ---- Language sections ----

TEST_F(SysinfoTest, LanguageSectionsBetweenMarkersOnly) {
  root_.write_file("/opt/app/www/webfile/json/en.json",
                   "{//live.json\n\"a\": 1,\n\"b\": 2\n}//live.json\n{//config=net.json\n\"c\": 3\n}//config=net.json\n"
                   "{//open.json\n\"d\": 4\n");
  root_.write_file("/opt/app/www/webfile/secret.json", "{//live.json\nsecret\n}//live.json\n");
  struct Case {
    const char* query;
    std::string answer;
  } cases[] = {
      {"lang=en&page=live", kJsonHead + "{\n\"a\": 1,\n\"b\": 2\n\n}"},
      {"page=config&sub=net&lang=en", kJsonHead + "{\n\"c\": 3\n\n}"},
      {"lang=en&page=open", kJsonHead + "{\n\"d\": 4\n"},  // no end marker: no closing
      {"lang=en&page=none", kJsonHead},
      {"lang=en&page=live&nosub=net", kJsonHead + "{\n\"a\": 1,\n\"b\": 2\n\n}"},
      {"lang=en", kTextHead + "ERROR PAGE."},
      {"lang=en&page=", kTextHead + "ERROR PAGE."},
      {"lang=fr&page=live", kTextHead + "ERROR LANG."},
      {"page=live", kTextHead + "ERROR LANG."},
      {"lang=../secret&page=live", kTextHead + "ERROR LANG."},
      {"lang=..%2Fsecret&page=live", kTextHead + "ERROR LANG."},
      {"lang=/opt/app/www/webfile/secret&page=live", kTextHead + "ERROR LANG."},
      {"lang=en.json&page=live", kTextHead + "ERROR LANG."},
  };
  for (const Case& c : cases) EXPECT_EQ(call("/json", c.query), c.answer) << c.query;
  EXPECT_TRUE(daemon_.requests().empty());
}

TEST_F(SysinfoTest, LanguageSectionStopsAtItsBuffer) {
  std::string big = "{//live.json\n";
  const std::string line(1000, 'x');
  for (int i = 0; i < 400; ++i) big += line + "\n";
  root_.write_file("/opt/app/www/webfile/json/en.json", big);
  EXPECT_EQ(call("/json", "lang=en&page=live").size(), kJsonHead.size() + 307199);
}

// ---- Batch camera addresses ----

std::vector<std::string> camera_ips(int n) {
  std::vector<CameraRec> cams(kCameraChannels);
  read_cameras(kDb, cams.data(), nullptr);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(cams[static_cast<size_t>(i)].ip);
  return out;
}

TEST_F(SysinfoTest, BatchAddressesFillSlotsUpToTheLimitAndTheLastOctet) {
  using V = std::vector<std::string>;
  EXPECT_EQ(call("/ipc", R"({"startip":"192.168.1.10","chnNum":2,"chnFre":4})"), kTextHead + "OK");
  const std::string a = "192.168.1.10", b = "192.168.1.11";
  EXPECT_EQ(camera_ips(9), (V{a, a, a, a, b, b, b, b, ""}));

  // .254 and .255, then no address past the network's last.
  EXPECT_EQ(call("/ipc", R"({"startip":"10.0.0.254","chnNum":5,"chnFre":1})"), kTextHead + "OK");
  EXPECT_EQ(camera_ips(3), (V{"10.0.0.254", "10.0.0.255", a}));

  set_param_int(kDb, "max_cameras", 3);
  EXPECT_EQ(call("/ipc", R"({"startip":"172.16.0.1","chnNum":10,"chnFre":2})"), kTextHead + "OK");
  EXPECT_EQ(camera_ips(5), (V{"172.16.0.1", "172.16.0.1", "172.16.0.2", a, b}));

  for (const char* bad : {R"({"startip":"300.1.1.1","chnNum":1,"chnFre":1})", R"({"startip":"a;b","chnNum":1,"chnFre":1})",
                          R"({"chnNum":1,"chnFre":1})", R"({"startip":"1.1.1.1","chnNum":"x"})", ""})
    EXPECT_EQ(call("/ipc", bad), "") << bad;
  EXPECT_EQ(camera_ips(1), (V{"172.16.0.1"}));
  EXPECT_TRUE(daemon_.requests().empty());
}

}  // namespace

// ---- Against the simulator ----

TEST(SysinfoOnCoreSim, DeviceReportsWhatItWasTold) {
  TestRoot root;
  const std::string path = getenv("PATH");
  setenv("PATH", (std::string(NVR_BIN_DIR) + ":" + path).c_str(), 1);  // the device's "uptime"
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  set_param_value(kDb, "model", "NVR-8");
  EXPECT_EQ(call_route("/1012", R"({"hostName":"hall","deviceId":12})"), kTextHead + "OK");
  for (int i = 0; i < 100 && coresim_sysinfo_state(sim.device()).device_number != 12; ++i) usleep(10000);
  std::string info = call_route("/1009", "");
  EXPECT_NE(info.find(R"("deviceName": "NVR-8", "deviceId": 12, "product": "NVR-8", "hwver": "V1.1", "software": "7x.7.0.9")"),
            std::string::npos)
      << info;
  EXPECT_NE(info.find(R"("maxSensor": 16, "maxAlarm": 4, "maxCameras": 32)"), std::string::npos);

  EXPECT_EQ(call_route("/6081", R"({"mainResolution":0,"subResolution":0,"hostname":"hall","subEnable":1})"),
            kTextHead + "OK");
  EXPECT_EQ(call_route("/1031", R"({"enable":1,"external_http_port":8080})"), kTextHead + "OK");
  for (int i = 0; i < 100 && (coresim_sysinfo_state(sim.device()).sub_output != 1 ||
                              coresim_sysinfo_state(sim.device()).upnp.enable != 1); ++i)
    usleep(10000);
  EXPECT_NE(call_route("/6080", "").find("\"subEnable\": 1"), std::string::npos);
  EXPECT_NE(call_route("/1030", "").find(R"("enable": 1, "type": 0, "external_http_port": 8080, "http_status": 1)"),
            std::string::npos);
  sim.stop();
  setenv("PATH", path.c_str(), 1);
}

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(SysinfoGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("system", {
      {"/1000", "on_user_login"}, {"/1001", "on_change_language"}, {"/1018", "on_user_login_from_mail"},
      {"/1023", "on_reset_kvfs_dbup"}, {"/1024", "on_reset_permission_update"}, {"/6070", "on_get_user_list"},
      {"/6071", "on_add_new_user"}, {"/6072", "on_set_user_info"}, {"/6073", "on_del_user_info"},
      {"/6074", "on_get_oem_user_list"}, {"/6075", "on_modify_poe_camera_pwd"}, {"/6076", "on_apply_poe_camera_pwd"},
      {"/6077", "on_cgi_set_user_info"}, {"/1002", "on_get_log_info"}, {"/1021", "on_get_log_details"},
      {"/1003", "on_download_logfile"}, {"/1022", "on_check_download_log"}, {"/1015", "on_get_log_type_list"},
      {"/1004", "on_restart_device"}, {"/1005", "on_get_restart_state"}, {"/1006", "on_restore_device"},
      {"/1007", "on_export_config"}, {"/1008", "on_import_config"}, {"/1010", "on_upgrade_system"},
      {"/1011", "on_clean_upgrade_files"}, {"/1013", "on_download_config"}, {"/1016", "on_get_auto_maintenance"},
      {"/1017", "on_set_auto_maintenance"}, {"/1019", "on_upgrade_nothing"}, {"/1032", "on_get_auto_reboot"},
      {"/1033", "on_set_auto_reboot"}, {"/1034", "on_cgi_upgrade_system_init"}, {"/6082", "on_upgrade_camera"},
      {"/6083", "on_start_upgrade_camera"}, {"/6084", "on_stop_upgrade_camera"}, {"/6085", "on_get_online_upgrade"},
      {"/6086", "on_del_online_upgrade"}, {"/6087", "on_check_nvr_online_upgrade"}, {"/6088", "on_nvr_online_upgrade"},
      {"/6089", "on_check_ipc_online_upgrade"}, {"/oem", "on_upload_oem"}, {"/6310", "on_export_diagnosis"},
      {"/6311", "on_download_diagnosis"}, {"/6320", "on_get_audio_file_list"}, {"/6321", "on_upload_audio_file"},
      {"/6322", "on_add_audio_file"}, {"/6323", "on_del_audio_file"}, {"/6324", "on_rename_audio_file"},
      {"/6325", "on_play_audio_file"},
      {"/1009", "on_get_system_info"}, {"/1020", "on_get_system_info"}, {"/1012", "on_set_system_info"},
      {"/1014", "on_add_operation_log"}, {"/6080", "on_get_general_info"}, {"/6081", "on_set_general_info"},
      {"/1030", "on_get_upnp_info"}, {"/1031", "on_set_upnp_info"}, {"/6300", "on_get_access_filter"},
      {"/6301", "on_set_access_filter"}, {"/json", "on_get_lang_section"}, {"/vb.htm", "on_http_option"},
      {"/dw.cgi", "on_dw_download"}, {"/ipc", "on_set_ipc_batch"},
  });
  expect_codes({
      {kReqResolution, 1001, 1000}, {kReqAudio, 1002, 1000},       {kReqDisplayApply, 1015, 1000},
      {kReqSubOutput, 1023, 1000},  {kReqDeviceNumber, 1705, 1000}, {kReqFilterChanged, 1722, 1000},
      {kReqDeviceInfo, 3400, 1000}, {kReqUpnp, 3720, 1000},
  });
  expect_replies(system_reply_table(), {{8265, 4}, {8504, 4}, {8495, 68008}, {8488, 1}, {8494, 1}, {8400, 592}},
                 /*others=*/true);
}
