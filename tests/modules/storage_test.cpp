#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kvdb.h"
#include "platform/kvdb_storage.h"
#include "proto/kvsock_proto.h"
#include "proto/oplog.h"
#include "proto/storage_proto.h"
#include "modules/storage/storage_module.h"
#include "support/module_test.h"

using namespace storage;

namespace {
DiskInfo local_disk(int port) {
  DiskInfo d{};
  d.port = port;
  d.type = 1;
  d.state = 0;
  d.usable = 1;
  d.total_size = 2048ull << 20;
  d.used_size = 1024ull << 20;
  d.free_size = 1024ull << 20;
  snprintf(d.vendor, sizeof d.vendor, "DISK%d", port);
  return d;
}

StoredDisk stored_nas(int port, int type) {
  StoredDisk s{};
  s.port = port;
  s.enable = 1;
  s.type = type;
  s.property = 1;
  s.group = 2;
  snprintf(s.vendor, sizeof s.vendor, "NAS");
  snprintf(s.address, sizeof s.address, "10.1.1.%d", port);
  snprintf(s.directory, sizeof s.directory, "/share%d", port);
  snprintf(s.user, sizeof s.user, "u ser");
  snprintf(s.password, sizeof s.password, "p&w");
  return s;
}

class StorageTest : public ModuleTest {};

TEST_F(StorageTest, DiskListMergesDaemonAndStoredNetworkDisks) {
  DiskInfo raid = local_disk(10);
  raid.type = kDiskTypeRaid;
  raid.raid_progress = 42;
  raid.raid_member_count = 3;
  raid.raid_members[0] = 1;
  raid.raid_members[1] = 0;  // skipped
  raid.raid_members[2] = 36;
  raid.raid_members[3] = 5;  // beyond the count
  DiskInfo nfs{};
  nfs.port = 9;
  nfs.type = kDiskTypeNfs;
  snprintf(nfs.address, sizeof nfs.address, "daemon-address");
  DiskInfo bad0 = local_disk(0), bad37 = local_disk(37);
  daemon_.reply(kReqDiskInfo, bytes_of(bad0) + bytes_of(local_disk(1)) + bytes_of(raid) + bytes_of(nfs) +
                                  bytes_of(bad37));
  StoredDisk s9 = stored_nas(9, kDiskTypeNfs), s12 = stored_nas(12, kDiskTypeSmb);
  write_disk(devpaths::kKvdb, &s9, 9);
  write_disk(devpaths::kKvdb, &s12, 12);
  set_param_int(devpaths::kKvdb, "esata_type", 2);

  std::string out = call_route("/6100", "");
  ASSERT_EQ(out.rfind(kJsonHead, 0), 0u);
  EXPECT_EQ(work().size(), 1u);
  EXPECT_EQ(work()[0].code, kReqDiskInfo);
  EXPECT_EQ(work()[0].payload, "");
  std::string body = out.substr(kJsonHead.size());
  EXPECT_EQ(body.rfind("{ \"resultString\": \"OK\", \"esataType\": 2, \"HDD\": [ ", 0), 0u) << body;
  EXPECT_NE(body.find("], \"maxDiskNum\": 36 }"), std::string::npos);
  // Port 1, then the array, then the stored NFS share over the daemon's texts,
  // then the unreported SMB share with state 2.
  EXPECT_NE(body.find("{ \"portId\": 1, \"vendorName\": \"DISK1\", \"address\": \"\", \"directory\": \"\", "
                      "\"totalSize\": 2048, \"usedSize\": 1024, \"freeSize\": 1024, \"hddType\": 1, "
                      "\"state\": 0, \"group\": 0, \"property\": 0, \"bUsable\": 1, \"raid_id\": 1, "
                      "\"raid_level\": 0, \"raid_state\": 0, \"raid_progress\": 0, \"raid_sata_cnt\": 0, "
                      "\"raid_task\": 0, \"userName\": \"\", \"password\": \"\", \"raid_sata_port\": 0 }"),
            std::string::npos)
      << body;
  EXPECT_NE(body.find("\"raid_progress\": 42, \"raid_sata_cnt\": 3, \"raid_task\": 42"), std::string::npos);
  EXPECT_NE(body.find("\"raid_sata_port\": " + std::to_string((1ll << 1) | (1ll << 36))), std::string::npos);
  EXPECT_NE(body.find("\"portId\": 9, \"vendorName\": \"NAS\", \"address\": \"10.1.1.9\""), std::string::npos);
  EXPECT_NE(body.find("\"portId\": 12, \"vendorName\": \"NAS\", \"address\": \"10.1.1.12\", "
                      "\"directory\": \"\\/share12\", \"totalSize\": 0, \"usedSize\": 0, \"freeSize\": 0, "
                      "\"hddType\": 10, \"state\": 2, \"group\": 2, \"property\": 1"),
            std::string::npos)
      << body;
  EXPECT_NE(body.find("\"userName\": \"u%20ser\", \"password\": \"p%26w\""), std::string::npos);
  EXPECT_EQ(body.find("\"portId\": 0"), std::string::npos);
  EXPECT_EQ(body.find("\"portId\": 37"), std::string::npos);
}

TEST_F(StorageTest, DiskListSaysNoOnlyWithoutAnyDisk) {
  daemon_.reply(kReqDiskInfo, word(0));  // shorter than one record
  EXPECT_EQ(call_route("/6100", ""),
            kJsonHead + "{ \"resultString\": \"NO\", \"esataType\": 0, \"HDD\": [ ], \"maxDiskNum\": 36 }");
  StoredDisk s = stored_nas(3, kDiskTypeNfs);
  write_disk(devpaths::kKvdb, &s, 3);
  EXPECT_NE(call_route("/6100", "").find("\"resultString\": \"OK\""), std::string::npos);
}

// Every waited route answers its error form when the daemon stays silent.
TEST_F(StorageTest, SilentDaemonGivesEachRouteItsErrorForm) {
  fast_silence();
  const std::string& J = kJsonError;
  const std::string& T = kTextError;
  struct Case {
    const char* route;
    const char* text;
    const std::string& answer;
  };
  const Case cases[] = {
      {"/6100", "", J}, {"/6102", "1", J},
      {"/6104", R"({"id":10,"enable":1,"sata_port":3,"sata_cnt":2,"level":1})", T},
      {"/6105", "10", T}, {"/6106", R"({"port":4,"hotflag":1})", T},
      {"/6107", R"({"diskport":4,"raidport":10})", T}, {"/6200", R"({"num":1,"port":[9]})", T},
      {"/6201", R"({"num":1,"port":[12],"address":["10.0.0.1"]})", T},
      {"/6202", R"({"port":9,"serverAddr":"10.0.0.1"})", J}, {"/6203", R"({"port":12,"type":3})", T},
      {"/6204", R"({"mode":1,"esata":0})", J}, {"/6205", "", J}, {"/6206", R"({"port":[1]})", J},
      {"/6207", R"({"port":2,"hddType":1})", T}, {"/6208", "", J}, {"/6209", R"({"enable":1})", T},
      {"/6221", R"({"stopBackup":1})", J}, {"/6222", "", J}, {"/6223", "", J}, {"/6224", R"({"port":17})", J},
      {"/6225", "", J}, {"/6226", "", J}, {"/6227", "", J},
  };
  for (const Case& c : cases) EXPECT_EQ(call(c.route, c.text), c.answer) << c.route;
}

TEST_F(StorageTest, SetDiskStoresThenNotifiesAndLogs) {
  StoredDisk before = stored_nas(5, 1);
  write_disk(devpaths::kKvdb, &before, 5);
  EXPECT_EQ(call_route("/6101", R"({"portId":5,"property":0,"group":3,"private":1})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(2));
  auto w = work();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].code, kReqDiskSetting);
  EXPECT_EQ(w[0].payload, word(5) + word(0) + word(3) + word(1));
  StoredDisk after{};
  read_disk(devpaths::kKvdb, &after, 5);
  EXPECT_EQ(after.property, 0);
  EXPECT_EQ(after.group, 3);
  EXPECT_STREQ(after.address, "10.1.1.5");
  auto l = logs();
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].main_type, 4);
  EXPECT_EQ(l[0].sub_type, 204);
  EXPECT_EQ(l[0].param_type, 919);
  EXPECT_EQ(l[0].channel, 5);
  EXPECT_EQ(daemon_.codes().front(), kReqDiskSetting);  // the setting goes before its log

  for (const char* bad : {R"({"portId":36,"property":0})", R"({"portId":-1,"property":0})",
                          R"({"portId":1,"property":2})", R"({"property":1})", "not json", ""})
    EXPECT_EQ(call_route("/6101", bad), "") << bad;
}

// A write the database refuses is an error answer with nothing sent, never "OK".
TEST_F(StorageTest, FailedWritesAnswerTheErrorAndAnnounceNothing) {
  kvdb_fail_writes("disk");
  kvdb_fail_writes("params");
  kvdb_fail_writes("esata_auto_backup");
  struct Case {
    const char* route;
    const char* text;
  };
  for (Case c : {Case{"/6101", R"({"portId":5,"property":0})"}, Case{"/6109", "1"},
                 Case{"/6203", R"({"port":12,"type":3,"address":"10.0.0.1"})"},
                 Case{"/6210", R"({"group_enable":0})"}})
    EXPECT_EQ(call(c.route, c.text), kTextError) << c.route;
  EXPECT_EQ(call("/6221", R"({"stopBackup":0,"enable":1})"), kJsonError);
  EXPECT_TRUE(daemon_.requests().empty());
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "raidmode", -1), 0);
}

// Numbers are read whole: a value that wraps around 32 bits is refused, not taken as a small one.
TEST_F(StorageTest, NumbersThatWrapAreRefused) {
  for (const char* text : {"4294967297", "1x", "", " ", "+", "0x1"}) EXPECT_EQ(call("/6102", text), "") << text;
  EXPECT_EQ(call("/6105", "4294967306"), "");
  EXPECT_EQ(call("/6103", "16\n"), kTextHead + "OK");
  EXPECT_TRUE(daemon_.requests().empty());
}

TEST_F(StorageTest, FormatAnswersAndLogsItsResult) {
  const struct {
    int32_t reply;
    std::string answer;
    int32_t logged;
  } cases[] = {{0, kTextHead + "OK", 1}, {1, kTextHead + "USING", -1}, {-1, kTextHead + "ERROR FORMAT", -1},
               {-3, kTextHead + "NAS LOW CAP", -1}, {2, "", -1}};
  for (const auto& c : cases) {
    daemon_.silence(kReqFormat).reply(kReqFormat, word(c.reply));
    size_t before = daemon_.requests().size();
    EXPECT_EQ(call_route("/6102", "7"), c.answer) << c.reply;
    ASSERT_TRUE(daemon_.wait_requests(before + 2));
    auto req = daemon_.requests();
    EXPECT_EQ(req[before].code, kReqFormat);
    EXPECT_EQ(req[before].payload, word(7));
    auto log = payload_as<OpLogRecord>(req[before + 1]);
    EXPECT_EQ(log.sub_type, 207);
    EXPECT_EQ(log.param_type, 900);
    EXPECT_EQ(log.detail_kind, 102);
    EXPECT_EQ(log.detail_size, 72);
    FormatLogDetail d;
    memcpy(&d, log.detail, sizeof d);
    EXPECT_EQ(d.port, 7);
    EXPECT_EQ(d.result, c.logged);
  }
  EXPECT_EQ(call_route("/6102", "37"), "");
  EXPECT_EQ(call_route("/6103", "16"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6103", "17"), "");
}

TEST_F(StorageTest, RaidRequestsCarryTheirRecords) {
  daemon_.reply(kReqCreateRaid, word(0)).reply(kReqRemoveRaid, word(-1));
  EXPECT_EQ(call_route("/6104", R"({"id":12,"enable":1,"sata_port":41,"sata_cnt":3,"level":5})"), kTextHead + "OK");
  auto raid = payload_as<RaidRequest>(work()[0]);
  EXPECT_EQ(raid.id, 12);
  EXPECT_EQ(raid.enable, 1);
  EXPECT_EQ(raid.level, 5);
  EXPECT_EQ(raid.member_count, 3);
  EXPECT_EQ(raid.members[0], 0);
  EXPECT_EQ(raid.members[1], 3);
  EXPECT_EQ(raid.members[2], 5);
  EXPECT_EQ(raid.members[3], 0);

  EXPECT_EQ(call_route("/6104", R"({"id":16,"enable":1,"sata_port":3,"sata_cnt":2,"level":1})"), "");
  EXPECT_EQ(call_route("/6104", R"({"id":10,"sata_port":3,"sata_cnt":2,"level":1})"), "");
  EXPECT_EQ(call_route("/6105", "16"), kTextHead + "Error");
  EXPECT_EQ(payload_as<RaidRequest>(work()[1]).id, 16);
  EXPECT_EQ(work()[1].payload.substr(4), std::string(100, '\0'));
  EXPECT_EQ(call_route("/6105", "9"), "");
  EXPECT_EQ(call_route("/6105", R"({"id":12})"), "");
  EXPECT_EQ(work().size(), 2u);
}

TEST_F(StorageTest, MemberCountNeverExceedsTheRecord) {
  daemon_.reply(kReqCreateRaid, word(0));
  call_route("/6104", R"({"id":10,"enable":1,"sata_port":65535,"sata_cnt":40,"level":0})");
  EXPECT_EQ(payload_as<RaidRequest>(work()[0]).member_count, 16);
}

TEST_F(StorageTest, SparesRebuildAndRaidMode) {
  daemon_.reply(kReqMakeSpare, word(0)).reply(kReqReleaseSpare, word(3));
  EXPECT_EQ(call_route("/6106", R"({"port":4,"hotflag":1})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6106", R"({"port":4,"hotflag":0})"), kTextHead + "Error");
  EXPECT_EQ(work()[0].code, kReqMakeSpare);
  EXPECT_EQ(work()[1].code, kReqReleaseSpare);
  EXPECT_EQ(work()[1].payload, word(4));

  daemon_.reply(kReqRebuildRaid, word(0));
  EXPECT_EQ(call_route("/6107", R"({"diskport":3,"raidport":11})"), kTextHead + "OK");
  EXPECT_EQ(work()[2].payload, word(3) + word(11));

  EXPECT_EQ(call_route("/6108", ""), kTextHead + "0");
  EXPECT_EQ(call_route("/6109", "1"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6108", ""), kTextHead + "1");
  EXPECT_EQ(call_route("/6109", "5"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6108", ""), kTextHead + "0");
}

TEST_F(StorageTest, DeleteNetworkDisksCapsThePortList) {
  StoredDisk s = stored_nas(9, kDiskTypeNfs);
  write_disk(devpaths::kKvdb, &s, 9);
  daemon_.reply(kReqDelNas, word(0));
  std::string ports = "9";
  for (int i = 0; i < 39; ++i) ports += ",20";
  EXPECT_EQ(call_route("/6200", R"({"num":40,"port":[)" + ports + "]}"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(2));
  auto list = payload_as<PortList>(work()[0]);
  EXPECT_EQ(list.count, 33);
  EXPECT_EQ(list.ports[0], 9);
  EXPECT_EQ(list.ports[32], 20);
  auto l = logs();
  ASSERT_EQ(l.size(), 1u);  // only port 9 is stored
  EXPECT_EQ(l[0].sub_type, 220);
  EXPECT_EQ(l[0].detail_kind, 101);
  NasLogDetail d;
  memcpy(&d, l[0].detail, sizeof d);
  EXPECT_STREQ(d.protocol, "NFS");
  EXPECT_STREQ(d.address, "10.1.1.9");
  EXPECT_STREQ(d.directory, "/share9");
}

TEST_F(StorageTest, SilentDeleteSkipsTheLogs) {
  StoredDisk s = stored_nas(9, kDiskTypeNfs);
  write_disk(devpaths::kKvdb, &s, 9);
  EXPECT_EQ(call_route("/6200", R"({"num":1,"port":[9]})"), kTextError);
  EXPECT_TRUE(logs().empty());
}

TEST_F(StorageTest, AddNetworkDisksStoresDecodedCredentials) {
  daemon_.reply(kReqAddNas, word(0));
  EXPECT_EQ(call_route("/6201", R"({"num":2,"type":10,"port":[11,37],"vendor":["v"],"address":["h"],)"
                                R"("directory":["/d"],"userName":["a%20b"],"password":["%26x"]})"),
            kJsonHead + "{ \"status\": 0, \"res\": 0 }");
  StoredDisk s{};
  read_disk(devpaths::kKvdb, &s, 11);
  EXPECT_EQ(s.enable, 1);
  EXPECT_EQ(s.type, 10);
  EXPECT_EQ(s.property, 1);
  EXPECT_STREQ(s.user, "a b");
  EXPECT_STREQ(s.password, "&x");
  auto list = payload_as<PortList>(work()[0]);
  EXPECT_EQ(list.count, 1);  // port 37 is no disk port
  ASSERT_TRUE(daemon_.wait_requests(2));
  NasLogDetail d;
  memcpy(&d, logs()[0].detail, sizeof d);
  EXPECT_STREQ(d.protocol, "SMB/CIFS");
  EXPECT_EQ(logs()[0].sub_type, 219);
}

TEST_F(StorageTest, SearchSmartRecycleAndRemove) {
  NasSearchReply found{};
  found.count = 2;
  snprintf(found.paths[0], sizeof found.paths[0], "/a");
  snprintf(found.paths[1], sizeof found.paths[1], "/b");
  daemon_.reply(kReqSearchNas, bytes_of(found));
  EXPECT_EQ(call_route("/6202", R"({"port":3,"serverAddr":"10.0.0.1"})"),
            kJsonHead + "{ \"resultString\": \"OK\", \"NAS\": [ { \"filePath\": \"\\/a\" }, { \"filePath\": \"\\/b\" } ] }");
  auto search = payload_as<NasSearchRequest>(work()[0]);
  EXPECT_EQ(search.port, 3);
  EXPECT_STREQ(search.server, "10.0.0.1");

  SmartAttr passed{};
  snprintf(passed.text, sizeof passed.text, "SMART PASSED");
  daemon_.reply(kReqSmart, bytes_of(passed));
  EXPECT_EQ(call_route("/6206", R"({"num":3,"port":[1,2,6]})"), kJsonHead + "{ \"selfEvaluation\": 1 }");
  EXPECT_EQ(work()[1].payload, word(6));

  daemon_.reply(kReqGetRecycle, word(1) + word(0)).reply(kReqSetRecycle, word(0));
  EXPECT_EQ(call_route("/6205", ""), kJsonHead + "{ \"mode\": 1, \"esata\": 0 }");
  EXPECT_EQ(work()[2].payload, word(0));
  EXPECT_EQ(call_route("/6204", R"({"mode":0,"esata":1})"), kJsonHead + "{ \"status\": \"OK\" }");
  EXPECT_EQ(work()[3].payload, word(0) + word(1));
}

TEST_F(StorageTest, RemoveDiskPicksTheRequestByType) {
  daemon_.reply(kReqRemoveRaid, word(0)).reply(kReqDelNas, word(0)).reply(kReqRemoveDisk, word(0));
  StoredDisk s = stored_nas(2, 1);
  write_disk(devpaths::kKvdb, &s, 2);
  EXPECT_EQ(call_route("/6207", R"({"port":11,"hddType":4})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6207", R"({"port":9,"hddType":3})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/6207", R"({"port":2,"hddType":1})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(5));
  auto w = work();
  EXPECT_EQ(payload_as<RaidRequest>(w[0]).id, 11);
  auto list = payload_as<PortList>(w[1]);
  EXPECT_EQ(list.count, 1);
  EXPECT_EQ(list.ports[0], 9);
  EXPECT_EQ(w[2].code, kReqRemoveDisk);
  EXPECT_EQ(w[2].payload, word(2));
  StoredDisk cleared{};
  read_disk(devpaths::kKvdb, &cleared, 2);
  EXPECT_EQ(cleared.enable, 0);
  EXPECT_EQ(cleared.property, 1);
  EXPECT_STREQ(cleared.address, "");
  auto l = logs();
  ASSERT_EQ(l.size(), 2u);  // none for the network disk
  EXPECT_EQ(l[0].sub_type, 224);
  EXPECT_EQ(l[1].channel, 2);
}

TEST_F(StorageTest, QuotasReadStoredGroupsAndDisks) {
  QuotaRecord q{};
  q.enable = 1;
  q.count = 99;  // more than the record holds
  q.entries[0] = {3, {}, 100, 10, 40, 5};
  daemon_.reply(kReqGetQuota, bytes_of(q));
  StoredDisk s = stored_nas(2, 1);
  s.group = 4;
  write_disk(devpaths::kKvdb, &s, 2);
  GroupRecord g{};
  g.id = 1;
  snprintf(g.channels, sizeof g.channels, "1100");
  write_group(devpaths::kKvdb, &g);
  std::string out = call_route("/6208", "");
  EXPECT_EQ(out.rfind(kJsonHead + "{ \"enable\": 1, \"quota_array\": [ { \"channel\": 3, \"video_used\": 40, "
                              "\"video_quota\": 100, \"picture_used\": 5, \"picture_quota\": 10 }, ",
                      0),
            0u)
      << out;
  EXPECT_NE(out.find("\"channel\": [ \"\", \"1100\", \"\""), std::string::npos);
  EXPECT_NE(out.find("\"disk\": [ 0, 5, 0,"), std::string::npos);
  EXPECT_NE(out.find("\"max_chan\": 32, \"group_enable\": 0 }"), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '{'), 1 + 16);
}

TEST_F(StorageTest, SetQuotaTakesAtMostSixteenEntries) {
  daemon_.reply(kReqSetQuota, word(0));
  std::string entries;
  for (int i = 0; i < 20; ++i) entries += std::string(i ? "," : "") + R"({"channel":)" + std::to_string(i) + R"(,"video_quota":7,"picture_quota":8})";
  EXPECT_EQ(call_route("/6209", R"({"enable":1,"quota_array":[)" + entries + "]}"), kTextHead + "OK");
  auto q = payload_as<QuotaRecord>(work()[0]);
  EXPECT_EQ(q.count, 16);
  EXPECT_EQ(q.entries[15].channel, 15);
  EXPECT_EQ(q.entries[15].video_quota, 7);
  EXPECT_EQ(call_route("/6209", R"({"quota_array":[]})"), "");
}

TEST_F(StorageTest, GroupsAreAnnouncedInOrder) {
  EXPECT_EQ(call_route("/6210", R"({"group_enable":1,"channel":["11","0011"]})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(4));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{kReqGroupMode, kReqGroup, kReqGroup, kReqGroupsChanged}));
  auto g = payload_as<GroupRecord>(daemon_.requests()[2]);
  EXPECT_EQ(g.id, 1);
  EXPECT_STREQ(g.channels, "0011");
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "group_mode", 0), 1);
  // Already enabled: no second mode notice.
  EXPECT_EQ(call_route("/6210", R"({"group_enable":1,"channel":[]})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(5));
  EXPECT_EQ(daemon_.codes().back(), kReqGroupsChanged);
  EXPECT_EQ(call_route("/6210", R"({"group_enable":0})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(6));
  EXPECT_EQ(daemon_.requests().back().payload, word(0));
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "group_mode", 9), 0);
}

TEST_F(StorageTest, EsataBackupSettingsAndStatus) {
  daemon_.reply(kReqBackupSet, word(0));
  EXPECT_EQ(call_route("/6221", R"({"stopBackup":0,"enable":1,"streamType":1,"fileType":2,"recycle":1,)"
                                R"("backupTime":"02:00","channel":"1111","device":3,"port":17})"),
            kJsonHead + "{ \"result\": 0 }");
  EXPECT_EQ(call_route("/6220", ""),
            kJsonHead + "{ \"enable\": 1, \"streamType\": 1, \"fileType\": 2, \"recycle\": 1, \"channel\": \"1111\", "
                    "\"backupTime\": \"02:00\", \"device\": 3, \"port\": 17 }");
  // Stopping keeps the stored settings.
  EXPECT_EQ(call_route("/6221", R"({"stopBackup":1,"enable":0})"), kJsonHead + "{ \"result\": 0 }");
  EXPECT_NE(call_route("/6220", "").find("\"enable\": 1"), std::string::npos);
  EXPECT_EQ(work()[1].payload, word(1));

  EsataBackupStatus st{};
  st.status = 1;
  snprintf(st.last_time, sizeof st.last_time, "2026-01-02");
  st.percent = 12.25f;
  st.capacity = 9;
  daemon_.reply(kReqBackupStatus, bytes_of(st));
  EXPECT_EQ(call_route("/6222", ""),
            kJsonHead + "{ \"status\": 1, \"percent\": \"12.2\", \"last_time\": \"2026-01-02\", \"capacity\": 9 }");
}

TEST_F(StorageTest, ExportDiskFormatAndBackupState) {
  ExportDisk disks[2]{};
  disks[0].port = 1;
  disks[1].port = 17;
  disks[1].type = kExportDiskType;
  daemon_.reply(kReqExportDisk, bytes_of(disks));
  EXPECT_EQ(call_route("/6223", ""), kJsonHead + "{ \"port\": 17, \"result\": 0 }");
  daemon_.silence(kReqExportDisk).reply(kReqExportDisk, bytes_of(disks[0]));
  EXPECT_EQ(call_route("/6223", ""), kJsonHead + "{ \"result\": -1 }");

  daemon_.reply(kReqFormatEsata, word(0));
  EXPECT_EQ(call_route("/6224", R"({"port":17})"), kJsonHead + "{ \"result\": 0 }");
  EXPECT_EQ(call_route("/6224", R"({"port":37})"), kJsonError);
  EXPECT_EQ(call_route("/6224", "x"), kJsonError);
  EXPECT_EQ(call_route("/6224", ""), kJsonError);

  FormatInfo fi{};
  fi.status = 1;
  fi.percent = 50;
  fi.port = 3;
  fi.type = 1;
  daemon_.reply(kReqFormatInfo, bytes_of(fi)).reply(kReqAutoBackupStatus, word(1)).reply(kReqAutoBackupStop, word(0));
  EXPECT_EQ(call_route("/6227", ""), kJsonHead + "{ \"status\": 1, \"port\": 3, \"type\": 1, \"percent\": 50 }");
  EXPECT_EQ(call_route("/6225", ""), kJsonHead + "{ \"status\": 1 }");
  EXPECT_EQ(call_route("/6226", ""), kJsonHead + "{ \"result\": 0 }");
}

TEST_F(StorageTest, RepliesThatDoNotHoldARecordAreIgnored) {
  daemon_.reply(kReqGetQuota, std::string(100, '\1'));  // less than one quota record
  EXPECT_EQ(call_route("/6208", ""), kJsonError);
  daemon_.reply(kReqRebuildRaid, "");
  EXPECT_EQ(call_route("/6107", R"({"diskport":1,"raidport":10})"), kTextError);
  NasSearchReply lying{};
  lying.count = 1000;
  daemon_.reply(kReqSearchNas, bytes_of(lying));
  std::string out = call_route("/6202", R"({"port":1,"serverAddr":"x"})");
  EXPECT_EQ(std::count(out.begin(), out.end(), '{'), 1 + kNasPaths);
}
}  // namespace

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(StorageGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("storage", {
      {"/6100", "on_get_disk_info"}, {"/6101", "on_set_disk_info"}, {"/6102", "on_format_disk"},
      {"/6103", "on_get_format_progress"}, {"/6104", "on_create_raid"}, {"/6105", "on_remove_raid"},
      {"/6106", "on_set_hot_space"}, {"/6107", "on_rebuild_raid"}, {"/6108", "on_get_raid_mode"},
      {"/6109", "on_set_raid_mode"}, {"/6200", "on_del_disk_nas"}, {"/6201", "on_add_disk_nas"},
      {"/6202", "on_search_disk_nas"}, {"/6203", "on_update_disk_nas"}, {"/6204", "on_set_recycle_mode"},
      {"/6205", "on_get_recycle_mode"}, {"/6206", "on_get_smart_attr"}, {"/6207", "on_del_disk"},
      {"/6208", "on_get_quota_info"}, {"/6209", "on_set_quota_info"}, {"/6210", "on_set_disk_group"},
      {"/6220", "on_get_esata_auto_backup_info"}, {"/6221", "on_set_esata_auto_backup_info"},
      {"/6222", "on_get_esata_auto_backup_status"}, {"/6223", "on_get_export_disk_info"},
      {"/6224", "on_format_esata_disk_web"}, {"/6225", "on_cgi_get_auto_backup_status"},
      {"/6226", "on_cgi_set_auto_backup_stop"}, {"/6227", "on_cgi_get_format_info"},
  });
  expect_codes({
      {kReqDiskInfo, 3433, 1000},     {kReqDiskSetting, 3435, 1000}, {kReqFormat, 3434, 15000},
      {kReqFormatLegacy, 3402, 6000}, {kReqCreateRaid, 3420, 6000},  {kReqRemoveRaid, 3421, 1000},
      {kReqMakeSpare, 3423, 1000},    {kReqReleaseSpare, 3424, 1000}, {kReqRebuildRaid, 3425, 1000},
      {kReqDelNas, 3508, 1000},       {kReqAddNas, 3507, 1000},      {kReqSearchNas, 3440, 6000},
      {kReqUpdateNas, 3439, 1000},    {kReqSetRecycle, 3475, 1000},  {kReqGetRecycle, 3431, 1000},
      {kReqSmart, 3403, 1000},        {kReqRemoveDisk, 3496, 1000},  {kReqGetQuota, 3529, 1000},
      {kReqSetQuota, 3530, 1000},     {kReqGroupMode, 3442, 1000},   {kReqGroup, 3436, 1000},
      {kReqGroupsChanged, 1307, 1000}, {kReqBackupSet, 1316, 1000},  {kReqBackupStatus, 1317, 1000},
      {kReqExportDisk, 3457, 1000},   {kReqFormatEsata, 3535, 3000}, {kReqAutoBackupStatus, 3536, 1000},
      {kReqAutoBackupStop, 3537, 1000}, {kReqFormatInfo, 3540, 1000},
  });
  expect_replies(storage_reply_table(), {
      {6316, 4}, {6317, 48}, {8402, 4}, {8434, 4}, {8403, 40}, {8420, 4}, {8421, 4}, {8496, 4},
      {8423, 4}, {8424, 4}, {8425, 4}, {8431, 8}, {8433, 464}, {8439, 4}, {8507, 4}, {8440, 16388},
      {8457, 184}, {8475, 4}, {8508, 4},
      {8529, 328},  // whole quota records: a 20-byte width let the entry count run past the payload
      {8530, 4}, {8535, 4}, {8536, 4}, {8537, 4}, {8540, 12},
  });
}
