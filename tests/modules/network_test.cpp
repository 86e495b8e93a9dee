#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "answers_network.h"
#include "base/paths.h"
#include "base/text.h"
#include "coresim_server.h"
#include "modules/network/network_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_network.h"
#include "platform/net_helpers.h"
#include "proto/network_proto.h"
#include "support/module_test.h"

using namespace net;

namespace {
const char* const kDb = devpaths::kKvdb;

std::string text_at(const std::string& payload, size_t off, size_t width) {
  std::string s = payload.substr(off, width);
  return s.substr(0, s.find('\0'));
}

// A port this process holds, so the bind test sees it in use.
struct HeldPort {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  int port = 0;
  HeldPort() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd, 1);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~HeldPort() { close(fd); }
};

class NetworkTest : public ModuleTest {
 protected:
  std::string ports_body(int ssh, int http, int https, const std::string& extra = "") {
    return "{\"enableSsh\":1,\"sshPort\":" + std::to_string(ssh) + ",\"httpPort\":" + std::to_string(http) +
           ",\"httpsPort\":" + std::to_string(https) + ",\"rtspPort\":554,\"servicePort\":7100,\"enableMsg\":1" +
           extra + "}";
  }
};

TEST_F(NetworkTest, TimeWaitsForTheClockBeforeAnsweringAndQuotesTheManualTime) {
  const std::string body = R"({"ntpEnable":0,"dstEnable":1,"timeZone":"CST-8","timeZoneName":"Shanghai",)"
                           R"("ntpServer":"ntp.lan","syncEnable":1,"syncInterval":6,"syncPc":0,)"
                           R"("manualTime":"2026-01-02 03:04:05","failoverMode":0})";
  daemon_.reply(kReqSetTime, word(0));
  EXPECT_EQ(call("/7001", body), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(3));
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1701, 1711}));
  EXPECT_EQ(work()[0].payload, std::string("\"2026-01-02 03:04:05\"") + std::string(11, '\0'));
  EXPECT_EQ(logs()[0].sub_type, 225);
  EXPECT_EQ(logs()[0].param_type, 900);
  std::string got = call("/7000");
  EXPECT_NE(got.find("\"ntpEnable\": 0, \"dstEnable\": 1, \"timeZone\": \"CST-8\", \"timeZoneName\": \"Shanghai\", "
                     "\"ntpServer\": \"ntp.lan\", \"syncEnable\": 1, \"syncInterval\": 6, \"syncPc\": 0 }"),
            std::string::npos)
      << got;
  EXPECT_NE(got.find("{ \"dateYear\": \"20"), std::string::npos);

  // A spare recorder sends no manual time; a silent daemon gives the error alone.
  fast_silence();
  daemon_.silence(kReqSetTime);
  std::string spare = body;
  spare.replace(spare.find("\"failoverMode\":0"), 16, "\"failoverMode\":2");
  EXPECT_EQ(call("/7001", spare), kTextError);
  EXPECT_EQ(daemon_.requests().back().code, 3485);
  EXPECT_EQ(work().back().payload, std::string(32, '\0'));
  for (const char* bad : {"", "{", R"({"ntpEnable":2,"dstEnable":0,"timeZone":"a","timeZoneName":"b","syncEnable":0,"syncInterval":0,"syncPc":0})",
                          R"({"ntpEnable":1,"dstEnable":0,"timeZoneName":"b","syncEnable":0,"syncInterval":0,"syncPc":0})"})
    EXPECT_EQ(call("/7001", bad), "") << bad;
}

struct ServiceCase {
  const char* route;
  const char* body;
  const char* changed;
  int log_param;
  const char* get_route;
  const char* get_fragment;
};

TEST_F(NetworkTest, ServicePagesStoreAnnounceAndLog) {
  const ServiceCase cases[] = {
      {"/7011", R"({"enable":1,"autoConnect":0,"userName":"dsl","password":"pw"})", "pppoe", 915, "/7010",
       "{ \"enable\": 1, \"autoConnect\": 0, \"userName\": \"dsl\", \"password\": \"pw\", \"pppoeipaddr\": \"0.0.0.0\" }"},
      // The setter's http / rtsp come back as http_port / rtsp_port; the record is rebuilt from zero.
      {"/7021", R"({"enable":1,"domain":"dyn","hostName":"rec","http":8080,"rtsp":8554,"updateFreq":5})", "ddns", 916,
       "/7020",
       "{ \"enable\": 1, \"domain\": \"dyn\", \"userName\": \"\", \"password\": \"\", \"hostName\": \"rec\", "
       "\"ddnsurl\": \"\", \"freeDNSHash\": \"\", \"updateFreq\": 5, \"http_port\": 8080, \"rtsp_port\": 8554, \"mac\": "},
      {"/7031", R"({"enable":1,"smtpServer":"smtp.lan","smtpPort":587,"enableTls":2,"enableAttach":0,"captureInterval":3,)"
                R"("enableHostName":1,"hostName":"rec1","receivers":[{"receiverAddr":"a@lan","receiverName":"A"}]})",
       "mail", 917, "/7030",
       "\"smtpServer\": \"smtp.lan\", \"smtpPort\": 587, \"senderAddr\": \"\", \"senderName\": \"\", \"enableTls\": 2, "
       "\"enableAttach\": 0, \"captureInterval\": 3, \"enableHostName\": 1, \"hostName\": \"rec1\", \"receivers\": [ "
       "{ \"receiverAddr\": \"a@lan\", \"receiverName\": \"A\" }, { \"receiverAddr\": \"\", \"receiverName\": \"\" }, "},
  };
  for (const ServiceCase& c : cases) {
    size_t before = daemon_.requests().size();
    EXPECT_EQ(call(c.route, c.body), kTextHead + "OK") << c.route;
    ASSERT_TRUE(daemon_.wait_requests(before + 2));
    auto reqs = daemon_.requests();
    EXPECT_EQ(reqs[before].code, 1702);
    EXPECT_EQ(reqs[before].payload, c.changed + std::string(32 - strlen(c.changed), '\0'));
    EXPECT_EQ(logs().back().param_type, c.log_param);
    EXPECT_EQ(logs().back().sub_type, 204);
    EXPECT_NE(call(c.get_route).find(c.get_fragment), std::string::npos) << call(c.get_route);
  }
  for (const char* route : {"/7011", "/7021", "/7031"})
    for (const char* bad : {"", "[1]", R"({"enable":2,"updateFreq":1})"}) EXPECT_EQ(call(route, bad), "") << route;
  EXPECT_EQ(call("/7021", R"({"enable":1,"updateFreq":-1})"), "");
  EXPECT_EQ(call("/7091", R"({"port":70000})"), "");
  EXPECT_EQ(call("/7031", R"({"smtpPort":25,"enableTls":3,"enableAttach":0,"captureInterval":0})"), "");
  kvdb_fail_writes("pppoe");
  size_t before = daemon_.requests().size();
  EXPECT_EQ(call("/7011", R"({"enable":0})"), kTextError);
  EXPECT_EQ(daemon_.requests().size(), before);
}

TEST_F(NetworkTest, WaitedRequestsCarryTheirRecordsAndAnswerTheReply) {
  struct Case {
    const char* route;
    const char* body;
    IpcCode code;
    std::string sent;
    int32_t reply;
    std::string answer;
    std::string silent;
  };
  const Case cases[] = {
      {"/7032", "", kReqTestMail, "testmail" + std::string(24, '\0'), 3, kTextHead + "ERROR", kTextError},
      {"/7070", R"({"ip":"10.0.0.12345678901234567"})", kReqIpConflict, "10.0.0.123456789012" + std::string(1, '\0'),
       0, kTextHead + "0", kTextError},
      {"/7071", R"({"dev":"eth1-far-too-long-name","ip":"10.0.0.7"})", kReqIpConflictDev,
       "eth1-far-too-lo" + std::string(1, '\0') + "10.0.0.7" + std::string(8, '\0'), 5, kTextHead + "-1", kTextError},
      {"/7094", "", kReqDdnsStatus, "", 2, kJsonHead + "{ \"status\": 2 }", kJsonError},
      {"/7096", R"({"defaultRoute":1})", kReqDefaultRoute, word(1), -3, kJsonHead + "{ \"res\": -3 }", kJsonError},
      {"/7034", R"({"enable":1,"ip":"239.0.0.9"})", kReqMulticast, word(1) + "239.0.0.9" + std::string(59, '\0'), 0,
       kJsonHead + "{ \"res\": 0 }", kJsonError},
  };
  for (const Case& c : cases) {
    daemon_.reply(c.code, word(c.reply));
    EXPECT_EQ(call(c.route, c.body), c.answer) << c.route;
    ASSERT_FALSE(work().empty());
    EXPECT_EQ(work().back().code, c.code.code);
    EXPECT_EQ(work().back().payload, c.sent) << c.route;
  }
  fast_silence();
  for (const Case& c : cases) {
    daemon_.silence(c.code);
    EXPECT_EQ(call(c.route, c.body), c.silent) << c.route;
  }
  NetworkRec rec{};
  read_network(kDb, &rec);
  EXPECT_EQ(rec.defaultRoute, 1);
  EXPECT_EQ(call("/7033"), kJsonHead + "{ \"enable\": 1, \"ip\": \"239.0.0.9\" }");
  for (const char* bad : {"", "x", R"({"route":1})"}) EXPECT_EQ(call("/7096", bad), kJsonError);
  EXPECT_EQ(call("/7034", "x"), kJsonError);
  EXPECT_EQ(call("/7070", "{}"), "");
}

TEST_F(NetworkTest, InterfacesFollowTheModeAndKeepTheLearntGateway) {
  NetworkRec rec{};
  read_network(kDb, &rec);
  rec.mode = 0;
  copy_text(rec.iface[kIfaceBond].ipAddr, "10.9.9.9");
  copy_text(rec.iface[kIfaceEth1].ip6Gateway, "fe80::1");
  ASSERT_EQ(write_network_bond(kDb, &rec), 0);
  ASSERT_EQ(write_network_muti(kDb, &rec), 0);
  // 1 asks for the bonded view whatever is stored; 5 is no mode.
  EXPECT_EQ(call("/7040", "1").rfind(kJsonHead + "{ \"mode\": 1, \"hostName\": \"NVR\", \"primaryNet\": 0, "
                                     "\"enableNetwork1\": 1, \"networkType\": 0, \"ipAddr\": \"10.9.9.9\", "
                                     "\"netmask\": \"255.255.255.0\", \"gateway\": \"192.168.1.1\", \"macAddr\": ",
                                     0),
            0u);
  EXPECT_NE(call("/7040", "5").find("{ \"mode\": 0, \"hostName\": \"NVR\", \"enableNetwork1\": 1"), std::string::npos);

  EXPECT_EQ(call("/7041", R"({"mode":0,"ipAddr2":"10.1.1.2","mtu2":1400,"ip6networkType2":2,)"
                          R"("ip6gateway2":"2001:db8::1","DNS12":"10.1.1.1","slaveClear":1,"Conflict":1})"),
            kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(4));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3023, 1702}));
  EXPECT_EQ(work()[0].payload, word(1));
  ASSERT_EQ(logs().size(), 2u);
  EXPECT_EQ(logs()[0].main_type, 4);
  EXPECT_EQ(logs()[0].param_type, 914);
  EXPECT_EQ(logs()[1].main_type, 32);
  EXPECT_EQ(logs()[1].sub_type, 406);
  read_network(kDb, &rec);
  EXPECT_STREQ(rec.iface[kIfaceEth1].ipAddr, "10.1.1.2");
  EXPECT_STREQ(rec.iface[kIfaceEth1].dns1, "10.1.1.1");
  EXPECT_EQ(rec.iface[kIfaceEth1].mtu, 1400);
  EXPECT_STREQ(rec.iface[kIfaceEth1].ip6Gateway, "fe80::1");
  EXPECT_STREQ(rec.iface[kIfaceBond].ipAddr, "10.9.9.9");

  EXPECT_EQ(call("/7041", R"({"mode":2,"primaryNet":1,"ipAddr":"10.2.2.2"})"), kTextHead + "OK");
  EXPECT_EQ(call("/7042"), kTextHead + "2");
  read_network(kDb, &rec);
  EXPECT_STREQ(rec.iface[kIfaceBond].ipAddr, "10.2.2.2");
  EXPECT_STREQ(rec.iface[kIfaceEth0].ipAddr, "192.168.1.100");
  EXPECT_EQ(rec.primaryNet, 1);
  EXPECT_EQ(call("/7041", "{"), "");
  EXPECT_EQ(call("/7043"), kTextHead + "OK");
  EXPECT_EQ(call("/7044").rfind(kJsonHead + "{ \"mac0\": \"", 0), 0u);
}

TEST_F(NetworkTest, PoeRangesAndPortsInUseAreRefusedOnlyWhenChanged) {
  struct Case {
    int poe;
    int port;
    bool refused;
  };
  const Case cases[] = {{4, 23004, true},   {4, 23005, false}, {8, 23008, true}, {8, 23009, false},
                        {16, 23016, true},  {16, 23017, false}, {0, 23001, false}, {5, 23001, false}};
  for (const Case& c : cases) {
    set_param_int(kDb, "max_poe_num", c.poe);
    PortRec port{};
    read_port(kDb, &port);
    port.httpPort = 80;
    write_port(kDb, &port);
    EXPECT_EQ(call("/7051", ports_body(22, c.port, 443)), kTextHead + (c.refused ? "POE_Port_Error" : "OK"))
        << c.poe << " " << c.port;
    EXPECT_EQ(call("/7091", "{\"port\":" + std::to_string(c.port) + "}"),
              kTextHead + (c.refused ? "POE_Port_Error" : "OK"));
    write_port(kDb, &port);
  }
  // Unchanged ports are never tested, even inside the range or in use.
  HeldPort held;
  set_param_int(kDb, "max_poe_num", 8);
  PortRec port{};
  read_port(kDb, &port);
  port.httpPort = 23002;
  port.sshPort = held.port;
  write_port(kDb, &port);
  EXPECT_EQ(call("/7051", ports_body(held.port, 23002, 443)), kTextHead + "OK");
  // A port in use elsewhere is refused; the push switches of the request stay written.
  EXPECT_EQ(call("/7051", ports_body(22, 80, held.port, R"(,"pushType":7,"channel_num":2,"pushTypeArr":[5,6])")),
            kTextHead + "POE_Port_Error");
  EXPECT_EQ(get_param_int(kDb, "push_type", 0), 7);
  PortRec after{};
  read_port(kDb, &after);
  EXPECT_EQ(after.httpsPort, 443);
  EXPECT_EQ(after.sshPort, held.port);
  EXPECT_NE(call("/7050").find("\"PushTypeArr\": [ 5, 6, 0,"), std::string::npos);
  for (const char* bad : {R"({"enableSsh":2,"sshPort":1,"httpPort":1,"rtspPort":1,"servicePort":1,"enableMsg":0})",
                          R"({"enableSsh":1,"sshPort":-1,"httpPort":1,"rtspPort":1,"servicePort":1,"enableMsg":0})",
                          R"({"enableSsh":1,"sshPort":1,"httpPort":70000,"rtspPort":1,"servicePort":1,"enableMsg":0})"})
    EXPECT_EQ(call("/7051", bad), "");
}

TEST_F(NetworkTest, PortSetSendsSwitchesNoticeAndReboot) {
  EXPECT_EQ(call("/7051", ports_body(22, 80, 443,
                                     R"(,"enableMsg":3,"enableAccess":1,"needReboot":1,"pushNvrPos":"1010",)"
                                     R"("pushVideoStream":1,"PushTypeNvrAlarmIn":9)")),
            kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(6));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{3618, 3617, 3485, 1702, 3485, 1703}));
  EXPECT_EQ(work()[0].payload, word(1));
  EXPECT_EQ(work()[1].payload, "3" + std::string(9, '\0'));
  EXPECT_EQ(text_at(work()[2].payload, 0, 32), "more");
  EXPECT_EQ(logs()[1].sub_type, 200);
  // enableMsg above 1 is stored and answered as 0.
  EXPECT_NE(call("/7050").find("\"PushNvrAlarmInType\": 9, \"enableMsg\": 0, \"push_stream\": 1, \"pushNvrPos\": \"1010\" }"),
            std::string::npos);
  EXPECT_EQ(call("/7092"), kJsonHead + "{ \"access\": 0 }");
  EXPECT_EQ(call("/7093"), kJsonHead + "{ \"max_poe_num\": 0 }");
}
TEST_F(NetworkTest, PushMasksStopAtTheRecordersChannelsAndModesStayKnown) {
  set_param_int(kDb, "max_cameras", 2);
  EXPECT_EQ(call("/7051", ports_body(22, 80, 443, R"(,"channel_num":100000,"pushTypeArr":[1,2,3,4])")),
            kTextHead + "OK");
  const kvdb::Family* push = kvdb::find_family("push_msg_event");
  ASSERT_NE(push, nullptr);
  EXPECT_EQ(kvdb::count_rows(kDb, *push, nullptr, {}), 2);
  EXPECT_NE(call("/7050").find("\"PushTypeArr\": [ 1, 2 ],"), std::string::npos);
  EXPECT_EQ(call("/7041", R"({"mode":7,"ipAddr":"10.4.4.4"})"), kTextHead + "OK");
  EXPECT_EQ(call("/7042"), kTextHead + "0");
}

TEST(NetworkFamilies, EveryFamilyShipsItsFactoryRow) {
  TestRoot root;
  for (const char* name : {"time", "pppoe", "ddns", "email", "port", "network", "multicast", "snmp",
                           "push_msg_nvr_event", "p2p_info"}) {
    const kvdb::Family* f = kvdb::find_family(name);
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(kvdb::count_rows(kDb, *f, nullptr, {}), 1) << name;
  }
  EXPECT_EQ(kvdb::count_rows(kDb, *kvdb::find_family("network_iface"), nullptr, {}), kIfaceCount);
}

TEST(NetworkHelpers, ReadTheMachineWithoutChangingIt) {
  HeldPort held;
  EXPECT_EQ(is_port_use(held.port), 1);
  for (int port : {0, -1, 65536}) EXPECT_EQ(is_port_use(port), 0) << port;
  char buf[64];
  ASSERT_EQ(net_get_ifaddr("lo", buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "127.0.0.1");
  EXPECT_EQ(net_get_ifaddr("no-such-if", buf, sizeof buf), -1);
  char prefix[16];
  EXPECT_EQ(net_get_ipv6_ifaddr(0, "no-such-if", buf, sizeof buf, prefix, sizeof prefix), -1);
  EXPECT_EQ(net_get_ipv6_gateway2("no-such-if", 1, buf, sizeof buf), -1);
  char mac0[32], mac1[32];
  if (read_mac_conf(mac0, mac1, sizeof mac0) == 0) {
    EXPECT_EQ(strspn(mac0, "0123456789ABCDEF"), 12u) << mac0;
  }
}
}  // namespace

TEST(NetworkOnCoreSim, DeviceAppliesWhatItIsTold) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  const std::string text = "Content-type: text/plain\r\n\r\n";
  EXPECT_EQ(call_route("/7032", ""), text + "ERROR");
  call_route("/7031", R"({"smtpServer":"mx","smtpPort":25,"enableTls":0,"enableAttach":0,"captureInterval":0,)"
                      R"("senderAddr":"nvr@lan","receivers":[{"receiverAddr":"me@lan"}]})");
  EXPECT_EQ(call_route("/7032", ""), text + "OK");
  EXPECT_EQ(call_route("/7070", R"({"ip":"192.168.1.20"})"), text + "-1");
  EXPECT_EQ(call_route("/7034", R"({"enable":1,"ip":"10.0.0.1"})"), "Content-type: application/json\r\n\r\n{ \"res\": -1 }");
  EXPECT_EQ(call_route("/7041", R"({"mode":0,"ipAddr":"10.3.3.3"})"), text + "OK");
  for (int i = 0; i < 100 && coresim_network_state(sim.device()).changed["network"] == 0; ++i) usleep(10000);
  EXPECT_STREQ(coresim_network_state(sim.device()).applied.iface[kIfaceEth0].ipAddr, "10.3.3.3");
  sim.stop();
}

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(NetworkGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("network", {
      {"/7000", "on_get_time_info"}, {"/7001", "on_set_time_info"}, {"/7010", "on_get_pppoe_info"},
      {"/7011", "on_set_pppoe_info"}, {"/7020", "on_get_ddns_info"}, {"/7021", "on_set_ddns_info"},
      {"/7030", "on_get_email_info"}, {"/7031", "on_set_email_info"}, {"/7032", "on_test_email"},
      {"/7033", "on_cgi_get_multicast"}, {"/7034", "on_cgi_set_multicast"}, {"/7040", "on_get_network_info"},
      {"/7041", "on_set_network_info"}, {"/7042", "on_get_network_mode"}, {"/7043", "on_restart_network"},
      {"/7044", "on_get_mac0"}, {"/7050", "on_get_port_info"}, {"/7051", "on_set_port_info"},
      {"/7060", "on_get_p2p_info"}, {"/7061", "on_set_p2p_info"}, {"/7062", "on_test_p2p"},
      {"/7070", "on_ip_conflict"}, {"/7071", "on_ip_conflict_by_dev"}, {"/7080", "on_create_https_cert"},
      {"/7081", "on_get_cert_info"}, {"/7082", "on_download_cert_req"}, {"/7083", "on_delete_cert_req"},
      {"/7084", "on_install_cert"}, {"/7085", "on_delete_cert"}, {"/7086", "on_set_https_enable"},
      {"/7087", "on_get_https_enable"}, {"/7089", "on_get_cert_req_info"}, {"/7090", "on_get_snmp_info"},
      {"/7091", "on_set_snmp_info"}, {"/7092", "on_get_access_info"}, {"/7093", "on_get_poe_max"},
      {"/7094", "on_get_ddns_status"}, {"/7095", "on_cgi_p2p_unbind_device"}, {"/7096", "on_cgi_set_default_route"},
  });
  expect_codes({
      {kReqSetTime, 1701, 6000},      {kReqSettingsChanged, 1702, 1000}, {kReqReboot, 1703, 1000},
      {kReqTimeApplied, 1711, 1000},  {kReqRestartNetwork, 1712, 1000}, {kReqDefaultRoute, 1724, 1000},
      {kReqMulticast, 1729, 1000},    {kReqIpConflict, 3005, 1000},     {kReqIpConflictDev, 3006, 1000},
      {kReqSlaveClear, 3023, 1000},   {kReqDdnsStatus, 3309, 1000},     {kReqTestMail, 3409, 6000},
      {kReqPushMsg, 3617, 1000},      {kReqChannelAccess, 3618, 1000},
  });
  expect_replies(network_reply_table(), {
      {6701, 4}, {6724, 4}, {6729, 4}, {8005, 4}, {8006, 4}, {8309, 4}, {8409, 4},
      {8316, 4}, {8318, 4}, {8700, 4}, {8701, 4}, {8702, 748}, {7302, 4},
  });
}
