#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "coresim_server.h"
#include "modules/aging/aging_module.h"
#include "modules/status/status_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_alarm.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_network.h"
#include "platform/kvdb_record.h"
#include "platform/kvdb_storage.h"
#include "platform/kvdb_video.h"
#include "proto/status_proto.h"
#include "support/module_test.h"

using namespace status;

namespace {
class StatusTest : public ModuleTest {};

const std::string kOk = kTextHead + "OK";

void name_camera(int slot, const char* ip, const char* name) {
  CameraRec cam{};
  read_camera(devpaths::kKvdb, &cam, slot);
  cam.enable = 1;
  copy_text(cam.ip, ip);
  write_camera(devpaths::kKvdb, &cam);
  OsdRec osd{};
  osd.chn = slot;
  copy_text(osd.name, name);
  write_osd(devpaths::kKvdb, &osd);
}

TEST_F(StatusTest, DaemonPagesPrintTheirEntriesAndTheErrorWhenSilent) {
  NetInterface nic{};
  copy_text(nic.ifname, "eth0");
  nic.id = 0;
  nic.state = 1;
  nic.mtu = 1500;
  nic.ip6mode = 2;
  copy_text(nic.ipAddr, "10.0.0.5");
  copy_text(nic.ip6address, "fe80::1");
  nic.ip6prefix = 64;
  Traffic traffic[2]{{"eth0", 100, 20, 0}, {"eth1", 0, 1, 1}};
  Memory mem{1000, 400, 600};
  daemon_.reply(3301, bytes_of(nic)).reply(3302, bytes_of(traffic)).reply(3306, bytes_of(mem));
  EXPECT_EQ(call("/8000"),
            kJsonHead + R"({ "netif": [ { "ifname": "eth0", "id": 0, "state": 1, "speedMode": 0, "duplex": 0, )"
                        R"("enable": 0, "dhcpEnable": 0, "ipAddr": "10.0.0.5", "MAC": "", "primaryDNS": "", )"
                        R"("secondDNS": "", "gateway": "", "netmask": "", "mtu": 1500, "ip6mode": 2, )"
                        R"("ip6address": "fe80::1", "ip6prefix": 64, "ip6gateway": "" } ] })");
  EXPECT_EQ(call("/8001"), kJsonHead + R"({ "netif": [ { "id": 0, "ifname": "eth0", "RxSpeed": 100, "TxSpeed": 20 }, )"
                                       R"({ "id": 1, "ifname": "eth1", "RxSpeed": 0, "TxSpeed": 1 } ] })");
  EXPECT_EQ(call("/8008"), kJsonHead + R"({ "total": 1000, "free": 400, "used": 600 })");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3301, 3302, 3306}));

  fast_silence();
  for (int32_t code : {3301, 3302, 3306}) daemon_.silence(code);
  for (const char* route : {"/8000", "/8001", "/8002", "/8003", "/8008", "/8009", "/8011"})
    EXPECT_EQ(call(route), kJsonError) << route;
  EXPECT_EQ(call("/8004"), "");
}

TEST_F(StatusTest, CameraSlotWithoutStatusEntryShowsDashes) {
  set_param_int(devpaths::kKvdb, "max_cameras", 3);
  name_camera(0, "192.168.1.20", "Gate");
  CameraStatus entries[2]{};
  entries[0].chn = 0;
  entries[0].main = {1920, 1080, 25, 4096, 1, 0, 1};
  entries[0].sub = {704, 576, 15, 512, 1, 0, 1};
  entries[0].recordOn = 1;
  entries[1].chn = 2;
  daemon_.reply(3300, bytes_of(entries));
  std::string out = call("/8002");
  EXPECT_EQ(out.find(kJsonHead + R"({ "IPC": [ { "id": 0, "name": "Gate", "enable": 1, "ipAddr": "192.168.1.20", )"
                                 R"("recordOn": 1, "alarmOn": 0, "main": { "res": { "width": 1920, "height": 1080 }, )"
                                 R"("framerate": 25, "bitrate": 4096, "connection": 1, "connectStatus": 1 }, )"
                                 R"("sub": { "res": { "width": 704, "height": 576 }, "framerate": 15,)"),
            0u);
  EXPECT_NE(out.find(R"({ "id": 1, "name": "CH2", "enable": 0, "ipAddr": "--", "recordOn": "--", "alarmOn": "--", )"
                     R"("main": { "res": "--", "framerate": "--", "bitrate": "--", "connection": "--" }, )"
                     R"("sub": { "res": "--", "framerate": "--", "bitrate": "--", "connection": "--" } })"),
            std::string::npos);
  EXPECT_NE(out.find(R"({ "id": 2, "name": "CH3", "enable": 0, "ipAddr": "--", "recordOn": 0,)"), std::string::npos);
}

TEST_F(StatusTest, AlarmStatesListAtMostSixteenInputsAndFourOutputs) {
  set_param_int(devpaths::kKvdb, "max_cameras", 1);
  set_param_int(devpaths::kKvdb, "alarm_in", 20);
  set_param_int(devpaths::kKvdb, "alarm_out", 9);
  name_camera(0, "10.1.1.1", "Hall");
  ChnInNameRec in{0, 3, "Door"};
  write_alarm_chnIn_event_name(devpaths::kKvdb, &in);
  ChnOutNameRec out{0, 1, 15, "Siren"};
  write_alarm_chnOut_event_name(devpaths::kKvdb, &out);
  AlarmStates st{};
  st.motion = 1;
  st.tampering = 1;
  st.people[0] = {5, 2};
  st.alarm_in = 1 << 15;
  st.alarm_out = 1 << 3;
  st.cam_in_state[3] = 1;
  st.cam_out_type[1] = 1;
  daemon_.reply(3305, bytes_of(st));
  std::string got = call("/8003");
  EXPECT_EQ(got.find(kJsonHead + R"({ "cameras": [ { "id": 0, "name": "Hall", "ipAddr": "10.1.1.1", "videolossOn": 0, )"
                                 R"("motionOn": 1, "ioOn": 1, "entrance": 0, "exiting": 0, "advancedMotion": 0, )"
                                 R"("tampering": 1, "lineCrossing": 0, "loitering": 0, "humanDetection": 0, )"
                                 R"("objectleftremove": 0, "in": 5, "out": 2, "AlarmInName0": "", "AlarmInType0": 0, )"
                                 R"("AlarmInState0": 0, )"),
            0u);
  EXPECT_NE(got.find(R"("AlarmInName3": "Door", "AlarmInType3": 0, "AlarmInState3": 1, )"), std::string::npos);
  EXPECT_NE(got.find(R"("AlarmOutName1": "Siren", "AlarmOutDelay1": 15, "AlarmOutType1": 1, "AlarmOutState1": 0 } ])"),
            std::string::npos);
  EXPECT_NE(got.find(R"({ "id": 15, "name": "AlarmIn16", "type": 0, "state": 1 } ], "alarmOut": [ )"), std::string::npos);
  EXPECT_EQ(got.find(R"("id": 16)"), std::string::npos);
  EXPECT_NE(got.find(R"({ "id": 3, "name": "AlarmOut4", "type": 0, "duration": 10, "state": 1 } ] })"), std::string::npos);
}

TEST_F(StatusTest, CapabilitiesUsersAndDiskGroups) {
  Capability caps[3]{};
  caps[0].supported = 1;
  caps[0].kind = 2;
  caps[1].supported = 2;  // only 1 means supported
  caps[1].kind = 7;
  caps[2].supported = 1;
  caps[2].kind = 1;
  daemon_.reply(3263, bytes_of(caps));
  EXPECT_EQ(call("/8009"), kJsonHead + "{ \"support\": \"101" + std::string(61, '0') + "\", \"type\": \"201" +
                               std::string(61, '0') + "\" }");

  OnlineUser u{};
  copy_text(u.userName, "admin");
  copy_text(u.ipaddr, "10.0.0.9");
  copy_text(u.loginTime, "2026-12-08 01:02:03");
  daemon_.reply(1719, bytes_of(u) + std::string(100, 'x'));  // a cut entry is not one
  EXPECT_EQ(call("/8011"), kJsonHead + R"([ { "userName": "admin", "userLevel": 0, "ipaddr": "10.0.0.9", )"
                                       R"("loginTime": "2026-12-08 01:02:03" } ])");

  StoredDisk d{};
  d.port = 3;
  d.enable = 1;
  d.group = 1;
  write_disk(devpaths::kKvdb, &d, 3);
  storage::GroupRecord g{};
  g.id = 1;
  copy_text(g.channels, "1100");
  write_group(devpaths::kKvdb, &g);
  set_param_int(devpaths::kKvdb, "group_mode", 1);
  std::string out = call("/8010");
  EXPECT_EQ(out.find(kJsonHead + R"({ "channel": [ "", "1100", "", )"), 0u);
  EXPECT_NE(out.find(R"("disk": [ 0, 0, 2, 0, )"), std::string::npos);
  EXPECT_NE(out.find(R"(0 ], "max_chan": 32, "group_enable": 1 })"), std::string::npos);
}

// ---- Packet capture: the device tool stand-in on the root's PATH ----

class CaptureTest : public StatusTest {
 protected:
  void SetUp() override {
    old_path_ = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (std::string(NVR_BIN_DIR) + ":" + old_path_).c_str(), 1);
    mkdir(dev_path("/mnt/usb1").c_str(), 0755);
  }
  void TearDown() override {
    call("/8006");
    setenv("PATH", old_path_.c_str(), 1);
  }
  static std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  // The tool's arguments; the loopback's IPv6 address, which depends on the
  // host, is left out of the filter.
  std::string args() const {
    return std::regex_replace(slurp(dev_path("/tmp/tcpdump.args")), std::regex(" \\|\\| host [0-9a-f:]+"), "");
  }
  // Waits for the tool to have written its first file.
  bool wait_file(const std::string& path) const {
    for (int i = 0; i < 200; ++i, usleep(10000))
      if (access(path.c_str(), F_OK) == 0) return true;
    return false;
  }
  std::string old_path_;
};

TEST_F(CaptureTest, CaptureWithoutHostOrPortThenStopAndDownload) {
  std::string out = call("/8005", R"({"nic":"lo","mntPath":"/mnt/usb1/"})");
  size_t at = out.find("\"fileName\": \"rvpcap-");
  ASSERT_EQ(out.find(kJsonHead + R"({ "dirPath": "\/mnt\/usb1", "fileName": "rvpcap-)"), 0u) << out;
  std::string file = out.substr(at + 13, 21);
  std::string dir = dev_path("/mnt/usb1");
  ASSERT_TRUE(wait_file(dir + "/" + file + "0"));
  EXPECT_EQ(args(), "-i\nlo\n-s0\nhost 127.0.0.1\n-W\n2\n-C\n25\n-w\n" + dir + "/" + file + "\n");
  EXPECT_EQ(call("/8006"), kOk);

  std::string tar = call("/8007", "/mnt/usb1/" + file);
  const std::string head = "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= packet.tar\r\n\r\n";
  ASSERT_EQ(tar.substr(0, head.size()), head);
  tar.erase(0, head.size());
  ASSERT_EQ(tar.size(), 10240u);
  EXPECT_EQ(std::string(tar.c_str()), file + "0.pcap");
  EXPECT_EQ(tar.substr(124, 12), std::string("00000000030") + '\0');  // the 24-byte file header
  EXPECT_EQ(tar.substr(257, 6), std::string("ustar") + '\0');
  EXPECT_EQ(tar.substr(512, 4), "\xd4\xc3\xb2\xa1");
  EXPECT_NE(access((dir + "/" + file + "0").c_str(), F_OK), 0);
  EXPECT_NE(access((dir + "/" + file + "0.pcap").c_str(), F_OK), 0);
  EXPECT_EQ(call("/8007", "/mnt/usb1/" + file), kTextError);  // nothing left to send
  EXPECT_EQ(call("/8007", ""), kTextError);
}

TEST_F(CaptureTest, HostAndPortNarrowTheCapture) {
  std::string out = call("/8005", R"({"ip":"10.0.0.7","port":"554","nic":"lo","mntPath":"/tmp"})");
  ASSERT_EQ(out.find(kJsonHead + R"({ "dirPath": "\/tmp", )"), 0u) << out;
  ASSERT_TRUE(wait_file(dev_path("/tmp/tcpdump.args")));
  for (int i = 0; i < 100 && args().find("-w") == std::string::npos; ++i) usleep(10000);
  EXPECT_NE(args().find("\nhost 127.0.0.1 && host 10.0.0.7 && port 554\n-W\n"), std::string::npos) << args();
}

TEST_F(CaptureTest, HostileFieldsRunNothingAndTouchNothing) {
  mkdir(dev_path("/etc").c_str(), 0755);
  std::ofstream(dev_path("/mnt/usb1/rvpcap-keep")) << "x";
  std::ofstream(dev_path("/etc/passwd")) << "root";
  const char* bad[] = {
      R"({"nic":"lo;reboot","mntPath":"/mnt/usb1"})",      R"({"nic":"../lo","mntPath":"/mnt/usb1"})",
      R"({"nic":"eth0 -w","mntPath":"/mnt/usb1"})",        R"({"nic":"lo","mntPath":"/mnt/usb1/../../etc"})",
      R"({"nic":"lo","mntPath":"/etc"})",                  R"({"nic":"lo","mntPath":"/mnt/nand/app"})",
      R"({"nic":"lo","mntPath":"/mnt/usb1;rm -rf /"})",    R"({"nic":"lo","mntPath":"/mnt/nothere"})",
      R"({"nic":"lo","mntPath":"mnt/usb1"})",              R"({"ip":"1.2.3.4 or host 5","nic":"lo","mntPath":"/tmp"})",
      R"({"port":"80 or port 22","nic":"lo","mntPath":"/tmp"})", R"({"port":70000,"nic":"lo","mntPath":"/tmp"})",
      R"({"nic":"lo"})",                                   "not json",
      "",
  };
  for (const char* text : bad) EXPECT_EQ(call("/8005", text), "") << text;
  EXPECT_NE(access(dev_path("/tmp/tcpdump.args").c_str(), F_OK), 0);
  EXPECT_EQ(slurp(dev_path("/mnt/usb1/rvpcap-keep")), "x");
  for (const char* text : {"/etc/passwd", "/mnt/usb1/rvpcap-keep", "/mnt/usb1/../../etc/passwd", "/mnt/usb1/"})
    EXPECT_EQ(call("/8007", text), kTextError) << text;
  EXPECT_EQ(slurp(dev_path("/etc/passwd")), "root");
  EXPECT_EQ(slurp(dev_path("/mnt/usb1/rvpcap-keep")), "x");
}

// ---- Ageing test ----

TEST_F(StatusTest, AgeingSwitchesStoreAndNotifyAfterTheAnswer) {
  EXPECT_EQ(call("/3300", R"({"sshEnable":1})"), kOk);
  net::PortRec port{};
  net::read_port(devpaths::kKvdb, &port);
  EXPECT_EQ(port.enableSsh, 1);
  EXPECT_EQ(call("/3301", R"({"autoLoginEnable":1})"), kOk);
  EXPECT_EQ(call("/3303", R"({"wizardEnable":1})"), kOk);
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "local_auth_enable", -1), 1);
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "wizard_enable", -1), 1);
  EXPECT_EQ(call("/3302", R"({"recordMode":2})"), kOk);
  static RecordRec recs[kRecordChannels];
  int n = 0;
  read_records(devpaths::kKvdb, recs, &n);
  for (const RecordRec& r : recs) EXPECT_EQ(r.mode, 2);

  auto w = work();
  ASSERT_EQ(w.size(), 65u);
  EXPECT_EQ(w[0].code, 1702);
  EXPECT_EQ(w[0].payload, std::string("more") + std::string(28, '\0'));
  for (int ch = 0; ch < 64; ++ch) {
    EXPECT_EQ(w[1 + ch].code, 1407);
    EXPECT_EQ(w[1 + ch].payload, word(ch));
  }
  EXPECT_TRUE(logs().empty());

  for (const char* text : {R"({"sshEnable":2})", "{", ""}) EXPECT_EQ(call("/3300", text), "") << text;
  EXPECT_EQ(call("/3302", R"({"recordMode":3})"), "");
  EXPECT_EQ(work().size(), 65u);
}

TEST_F(StatusTest, AgeingCameraSlotIsCheckedStoredAndAnnounced) {
  const std::string cam = R"(,"enable":1,"ipAddr":"192.168.1.64","managePort":80,"userName":"admin","password":"pw"})";
  for (const char* id : {"65", "64", "-1"}) EXPECT_EQ(call("/3304", std::string(R"({"id":)") + id + cam), "") << id;
  EXPECT_EQ(call("/3304", R"({"id":2,"enable":1,"ipAddr":"","managePort":80})"), "");
  EXPECT_EQ(call("/3304", R"({"id":2,"enable":1,"ipAddr":"x","managePort":-1})"), "");
  EXPECT_TRUE(work().empty());

  EXPECT_EQ(call("/3304", R"({"id":63)" + cam), kOk);
  EXPECT_EQ(call("/3304", R"({"id":2,"enable":0,"ipAddr":"10.0.0.2","managePort":8000})"), kOk);
  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, 63);
  EXPECT_EQ(std::string(c.ip) + "|" + c.user + "|" + c.password, "192.168.1.64|admin|pw");
  EXPECT_EQ(c.manage_port, 80);
  auto w = work();
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].code, 1201);
  EXPECT_EQ(w[0].payload, word(63));
  EXPECT_EQ(w[1].code, 1202);
  EXPECT_EQ(w[1].payload, word(2));

  kvdb_fail_writes("camera");
  EXPECT_EQ(call("/3304", R"({"id":1)" + cam), kTextError);
  EXPECT_EQ(work().size(), 2u);
}

// The simulator's cameras: 0-3 stream, 4 is offline, 5 on have no entry.
TEST(StatusCoreSim, CamerasTrafficAndAlarmsComeFromTheSimulatedDevice) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  std::string cams = call_route("/8002", "");
  EXPECT_NE(cams.find(R"("id": 3, "name": "CH4", "enable": 0, "ipAddr": "--", "recordOn": 1,)"), std::string::npos);
  EXPECT_NE(cams.find(R"("id": 4, "name": "CH5", "enable": 0, "ipAddr": "--", "recordOn": 0, "alarmOn": 0, )"
                      R"("main": { "res": { "width": 0, "height": 0 })"),
            std::string::npos);
  EXPECT_NE(cams.find(R"("id": 5, "name": "CH6", "enable": 0, "ipAddr": "--", "recordOn": "--")"), std::string::npos);
  EXPECT_NE(call_route("/8001", ""), call_route("/8001", ""));
  // A slot the ageing station switches on starts streaming; one switched off stops.
  // 192.0.2.14 is a camera of the simulated network; slot 2's camera is unplugged.
  EXPECT_EQ(call_route("/3304", R"({"id":9,"enable":1,"ipAddr":"192.0.2.14","managePort":80})"), kOk);
  EXPECT_EQ(call_route("/3304", R"({"id":2,"enable":0,"ipAddr":"10.0.0.2","managePort":80})"), kOk);
  // Notices reach the simulator on their own connections: poll.
  const std::string on = R"("id": 9, "name": "CH10", "enable": 1, "ipAddr": "192.0.2.14", "recordOn": 1,)";
  const std::string off = R"("id": 2, "name": "CH3", "enable": 0, "ipAddr": "10.0.0.2", "recordOn": "--",)";
  auto both = [&] { return cams.find(on) != std::string::npos && cams.find(off) != std::string::npos; };
  for (int i = 0; i < 200 && !both(); ++i) cams = call_route("/8002", "");
  EXPECT_TRUE(both());
  std::string alarms = call_route("/8003", "");
  EXPECT_NE(alarms.find(R"("id": 4, "name": "CH5", "ipAddr": "", "videolossOn": 1,)"), std::string::npos);
  // Cameras 0, 1 and 3 and the one on slot 9 answer; slot 2 was switched off.
  EXPECT_NE(call_route("/8009", "").find(R"("support": "1101000001)"), std::string::npos);
  sim.stop();
}
}  // namespace

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(StatusGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("status", {
      {"/8000", "on_get_network_interfaces"}, {"/8001", "on_get_network_traffic"},
      {"/8002", "on_get_camera_status"},      {"/8003", "on_get_alarm_status"},
      {"/8004", "on_status_reserved"},        {"/8005", "on_start_packet_capture"},
      {"/8006", "on_stop_packet_capture"},    {"/8007", "on_download_packet_capture"},
      {"/8008", "on_get_memory_status"},      {"/8009", "on_get_channel_capability"},
      {"/8010", "on_get_disk_group_status"},  {"/8011", "on_cgi_get_online_user_status"},
  });
  expect_module_routes("aging", {
      {"/3300", "on_aging_set_ssh"}, {"/3301", "on_aging_set_auto_login"}, {"/3302", "on_aging_set_record_mode"},
      {"/3303", "on_aging_set_wizard"}, {"/3304", "on_aging_set_camera"},
  });
  expect_codes({
      {kReqInterfaces, 3301, 1000}, {kReqTraffic, 3302, 1000}, {kReqCameraStatus, 3300, 1000},
      {kReqAlarmStates, 3305, 1000}, {kReqMemory, 3306, 1000}, {kReqCapabilities, 3263, 1000},
      {kReqOnlineUsers, 1719, 1000},
  });
  expect_replies(status_reply_table(), {
      {8301, 320}, {8302, 24}, {8300, 72}, {8305, 70344}, {8306, 12}, {8263, 44}, {6719, 164},
  });
}
