#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "proto/log_proto.h"
#include "support/module_test.h"

using namespace logs;

namespace {
class LogTest : public ModuleTest {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    std::ifstream in(std::string(NVR_SOURCE_DIR) + "/data/lang/en-US.lang");
    std::stringstream words;
    words << in.rdbuf();
    root_.write_file("/opt/app/lang/en-US.lang", words.str());
  }
};

std::string search_req(const std::string& main, const std::string& subs, const char* sep = " ") {
  return R"({"language":"en-US","mainType":)" + main + R"(,"subTypeArr":)" + subs + R"(,"startTime":"2026-12-01)" +
         sep + R"(00:00:00","endTime":"2026-12-02)" + sep + R"(00:00:00","curPageNum":2,"chnMask":"101",)" +
         R"("searchNoChn":1,"ch":"5","na":1})";
}

OpLogRecord entry(const char* addr, const char* user, const char* detail) {
  OpLogRecord e{};
  e.main_type = 4;
  e.sub_type = 201;
  e.time = 1796083200 + 3661;  // 2026-12-01 01:01:01 UTC
  e.param_type = 920;
  e.remote = 1;
  e.channel = 3;
  copy_text(e.remote_addr, addr);
  copy_text(e.user, user);
  copy_text(reinterpret_cast<char*>(e.detail), sizeof e.detail, detail);
  e.detail_size = static_cast<int32_t>(strlen(detail));
  return e;
}

TEST_F(LogTest, SearchSendsTheRecordAndPrintsThePage) {
  static SearchReply rep;
  rep = SearchReply{};
  rep.total = 150;
  rep.count = 4;
  rep.entries[0] = entry("::ffff:192.168.0.5", "admin", "AB");
  rep.entries[1] = entry("fe80::1%eth0", "", "");
  rep.entries[2] = entry("::ffff:abcd", "", "");
  rep.entries[3] = entry("10.0.0.1", "", "");
  daemon_.reply(kReqSearch, bytes_of(rep));
  std::string out = call("/1002", search_req("4", "[10,201]"));
  ASSERT_EQ(work().size(), 1u);
  auto s = payload_as<LogSearch>(work()[0]);
  EXPECT_EQ(s.start_time, 1796083200);
  EXPECT_EQ(s.end_time, 1796083200 + 86400);
  EXPECT_EQ(s.main_type, 4);
  EXPECT_EQ(s.sub_count, 2);
  EXPECT_EQ(s.sub_types[1], 201);
  EXPECT_EQ(s.page, 2);
  EXPECT_EQ(s.chn_mask, 5u);
  EXPECT_EQ(s.no_chn, 1);
  std::string words;
  for (int i = 0; i < 128; ++i) words += std::string(i ? ", " : "") + (i ? "0" : "1094844416");
  EXPECT_EQ(out.rfind(kJsonHead + R"({ "count": 150, "num": 4, "curPageNum": 2, "log": [ { "no": 0, )"
                                  R"("mainTypeValue": 4, "mainType": "Operation", "subTypeValue": 201, )"
                                  R"("subType": "Remote Login", "pts": 1796086861, "ptc": "2026-12-01 01:01:01", )"
                                  R"("parameterValue": 920, "parameter": "Holiday", "remote": 1, "chanNo": 3, )"
                                  R"("disk": 0, "size": 2, "detail": "AB", "detail2": [ )" + words +
                                  R"( ], "ip": "192.168.0.5", "user": "admin" }, )", 0), 0u) << out.substr(0, 900);
  for (const char* ip : {R"("ip": "fe80::1")", R"("ip": "::ffff:abcd")", R"("ip": "10.0.0.1")"})
    EXPECT_NE(out.find(ip), std::string::npos) << ip;
}

TEST_F(LogTest, SearchRefusalsShortAnswerAndSilence) {
  fast_silence();
  for (const std::string& bad : {search_req("0", "[10]"), search_req("65", "[10]"), search_req("4", "[9]"),
                                 search_req("4", "[]"), std::string(R"({"mainType":4})"), std::string("x")})
    EXPECT_EQ(call("/1002", bad), kJsonError) << bad;
  EXPECT_TRUE(daemon_.requests().empty());
  EXPECT_EQ(call("/1002", search_req("64", "[10]")), kJsonError);  // accepted, but nobody answers
  EXPECT_EQ(work_codes(), std::vector<int32_t>{3495});
  daemon_.reply(kReqSearch, std::string(100, '\0'));
  EXPECT_EQ(call("/1002", search_req("64", "[10]")), kJsonHead + "ERROR");
}

TEST_F(LogTest, DetailSendsTheEntryAndAnswersItsText) {
  daemon_.reply(kReqDetail, std::string("Disk 1 formatted") + '\0');
  const std::string req = R"({"mainTypeValue":4,"subTypeValue":207,"pts":1796086861,"parameterValue":919,)"
                          R"("remote":1,"chanNo":2,"size":2,"detail2":[1094844416,-1],"ip":"10.1.1.1","user":"admin"})";
  EXPECT_EQ(call("/1021", req), kTextHead + "Disk 1 formatted");
  auto e = payload_as<OpLogRecord>(work()[0]);
  EXPECT_EQ(e.sub_type, 207);
  EXPECT_EQ(e.time, 1796086861);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(e.detail), 8), std::string("AB\0\0\xff\xff\xff\xff", 8));
  EXPECT_STREQ(e.user, "admin");
  daemon_.silence(kReqDetail).reply(kReqDetail, std::string(1, '\0'));
  EXPECT_EQ(call("/1021", req), kTextHead + "N/A");
  EXPECT_EQ(call("/1021", "nope"), "");
  fast_silence();
  daemon_.silence(kReqDetail);
  EXPECT_EQ(call("/1021", req), kTextError);
}

std::string export_file(const std::vector<std::pair<OpLogRecord, std::string>>& rows) {
  std::string f = bytes_of(static_cast<int32_t>(rows.size()));
  for (auto& [e, detail] : rows) {
    std::string d = detail;
    d.resize(kExportDetailBytes, '\0');
    f += bytes_of(e) + d;
  }
  return f;
}

TEST_F(LogTest, ExportWritesAHarmlessCsvAndRemovesTheFiles) {
  root_.write_file("/tmp/log/exp.bin", export_file({{entry("::ffff:10.0.0.9", "=HYPERLINK(\"x\")", ""), "say \"hi\""},
                                                    {entry("10.0.0.1", "bob", ""), ""}}));
  daemon_.reply(kReqExport, word(0) + "/tmp/log/exp.bin" + '\0');
  std::string out = call("/1003", search_req("4", "[11,10,10]", "T"));
  auto s = payload_as<LogSearch>(work()[0]);
  EXPECT_EQ(s.sub_count, 1);
  EXPECT_EQ(s.sub_types[0], 101);
  EXPECT_EQ(s.page, 1);
  EXPECT_EQ(s.chn_mask, 5u);
  EXPECT_EQ(s.no_chn, 1);
  const std::string head = "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= Operation_log_";
  ASSERT_EQ(out.rfind(head, 0), 0u) << out;
  size_t body = out.find(".csv\r\n\r\n");
  ASSERT_NE(body, std::string::npos);
  EXPECT_EQ(body, head.size() + 12 + 1 + 14);  // MAC without colons, '_', local time
  EXPECT_EQ(out.substr(body + 8),
            "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n"
            "1,2026-12-01 01:01:01,Operation,Remote Login,Holiday,\"'=HYPERLINK(\"\"x\"\")\",10.0.0.9,3,\"say \"\"hi\"\"\",\r\n"
            "2,2026-12-01 01:01:01,Operation,Remote Login,Holiday,bob,10.0.0.1,3,N/A,\r\n");
  EXPECT_FALSE(std::ifstream(root_.path("/tmp/log/exp.bin")).good());
  EXPECT_FALSE(std::ifstream(root_.path("/tmp/log/log_web")).good());

  // A file outside the daemon's log directory is neither read nor removed.
  root_.write_file("/mnt/nand/app/keep.bin", "x");
  daemon_.silence(kReqExport).reply(kReqExport, word(0) + "/tmp/log/../../mnt/nand/app/keep.bin" + '\0');
  out = call("/1003", search_req("2", "[10]", "T"));
  EXPECT_NE(out.find("filename= Event_log_"), std::string::npos);
  EXPECT_EQ(out.substr(out.find(".csv\r\n\r\n") + 8), "Number,Time,Main,Sub,Parameter,User,Ip,Channel,Log information,\r\n");
  EXPECT_TRUE(std::ifstream(root_.path("/mnt/nand/app/keep.bin")).good());
  EXPECT_EQ(call("/1003", search_req("65", "[10]", "T")), "");
  fast_silence();
  daemon_.silence(kReqExport);
  EXPECT_EQ(call("/1003", search_req("4", "[10]", "T")), kJsonError);
  EXPECT_EQ(call("/1022"), kTextHead + "NO");
  root_.write_file("/tmp/log/log_web", "");
  EXPECT_EQ(call("/1022"), kTextHead + "OK");
}

TEST_F(LogTest, CatalogueListsTheTypesWithTheirWords) {
  std::string out = call("/1015", R"({"lan":"en-US"})");
  EXPECT_EQ(out.rfind(kJsonHead + R"({ "mainType": [ { "key": 1, "name": "All" }, { "key": 2, "name": "Event" }, )"
                                  R"({ "key": 4, "name": "Operation" }, { "key": 8, "name": "Information" }, )"
                                  R"({ "key": 32, "name": "Exception" }, { "key": 64, "name": "Debug" } ], )"
                                  R"("subType": [ [ { "key": 10, "name": "All" } ], [ { "key": 10, "name": "All" }, )"
                                  R"({ "key": 11, "name": "Motion Detection Start" }, )", 0), 0u) << out.substr(0, 600);
  EXPECT_EQ(out.find(R"("key": 15,)"), std::string::npos);
  EXPECT_NE(out.find(R"("key": 36, "name": "Camera Alarm Input End" }, { "key": 38,)"), std::string::npos);
  EXPECT_NE(out.find(R"("key": 41, "name": "Visitor Plate" }, { "key": 37,)"), std::string::npos);
  EXPECT_NE(out.find(R"("key": 144, "name": "Remote Export Configuration" }, { "key": 200,)"), std::string::npos);
  EXPECT_NE(out.find(R"("key": 506, "name": "Schedule Record" }, { "key": 511,)"), std::string::npos);
  EXPECT_NE(out.find(R"("key": 407, "name": "Record Error" }, { "key": 409,)"), std::string::npos);
  EXPECT_NE(out.find(R"({ "key": 603, "name": "Service Restart" } ] ] })"), std::string::npos);
  set_param_int(devpaths::kKvdb, "oem_type", 90);
  EXPECT_NE(call("/1015", R"({"lan":"../../etc/x"})").find(R"("key": 15, "name": "Temperature Alarm Start")"),
            std::string::npos);
  EXPECT_EQ(call("/1015", ""), kJsonError);
}

TEST(LogGolden, CodesWaitsAndReplies) {
  expect_codes({{kReqSearch, 3495, 15000}, {kReqExport, 3494, 15000}, {kReqDetail, 3488, 1000}});
  expect_replies(system_reply_table(), {{8265, 4}, {8504, 4}, {8495, 68008}, {8488, 1}, {8494, 1}, {8400, 592}});
  static_assert(sizeof(LogSearch) == 840 && sizeof(SearchReply) == 68008);
}
}  // namespace
