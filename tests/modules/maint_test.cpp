// Maintenance and upgrade pages: byte-level answers and requests against the
// scripted daemon, uploads through the whole front end, the device tools
// (kvprofile, unzip, oempack) from the build, hostile inputs.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"
#include "coresim_server.h"
#include "cgi/dispatchreq.h"
#include "modules/system/system_module.h"
#include "platform/kv_cipher.h"
#include "platform/kvdb.h"
#include "platform/kvdb_video.h"
#include "platform/kvdb_maint.h"
#include "platform/kvdb_users.h"
#include "proto/maint_proto.h"
#include "support/module_test.h"

using namespace maint;

namespace {
const std::string kBoundary = "MaintBoundary";
const std::string kKey = "0123456789abcdef0123456789ABCDEF";
const std::string kAttachment = "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= ";

class MaintTest : public ModuleTest {
 protected:
  void SetUp() override {
    canary_ = root_.dir() + "/canary-ran";
    std::string bin = root_.dir() + "/hostile-bin";
    std::filesystem::create_directories(bin);
    // Any command a request text could name runs this and leaves a mark.
    for (const char* name : {"canary", "sh", "rm", "mv", "touch"}) {
      std::string tool = bin + "/" + name;
      root_.write_file(tool.substr(root_.dir().size()), "#!/bin/sh\ntouch '" + canary_ + "'\n");
      chmod(tool.c_str(), 0755);
    }
    setenv("PATH", (std::string(NVR_BIN_DIR) + ":" + bin + ":/usr/bin:/bin").c_str(), 1);
  }
  bool canary_ran() const { return access(canary_.c_str(), F_OK) == 0; }

  // A multipart upload of one file through the whole front end.
  std::string upload(const char* route, const std::string& query, const std::string& name, const std::string& data) {
    std::string body = "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + name +
                       "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data + "\r\n--" + kBoundary + "--\r\n";
    CgiEnv env;
    env.method = "POST";
    env.path_info = route;
    env.query = query;
    env.content_type = "multipart/form-data; boundary=" + kBoundary;
    env.content_length = std::to_string(body.size());
    return run_cgi(env, body).second;
  }
  std::string package(const std::string& entries) {
    std::string out = root_.dir() + "/pkg.txt";
    EXPECT_EQ(system((std::string(NVR_BIN_DIR) + "/oempack '" + out + "' " + kKey + " " + entries).c_str()), 0);
    return root_.read_file(out.substr(root_.dir().size()));
  }
  std::string canary_;
};

std::string info_bytes(int state, const char* version) {
  OnlineUpgradeInfo info{};
  info.state = state;
  info.file_size = 1024;
  snprintf(info.softversion, sizeof info.softversion, "%s", version);
  snprintf(info.url, sizeof info.url, "http://u/%s", version);
  snprintf(info.description, sizeof info.description, "d");
  return bytes_of(info);
}

TEST_F(MaintTest, RestartAndFactoryReset) {
  EXPECT_EQ(call("/1004"), kTextHead + "OK");
  EXPECT_EQ(call("/1006", R"({"keepIp":1,"keepUser":0})"), kTextHead + "OK");
  EXPECT_EQ(call("/1006", R"({"keepIp":2})"), "");
  ASSERT_TRUE(daemon_.wait_requests(6));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{3485, 1703, 3311, 3410, 3485, 1703}));
  EXPECT_EQ(work()[1].payload, word(1) + word(0));
  EXPECT_EQ(work()[2].payload, "");
  ASSERT_EQ(logs().size(), 2u);
  EXPECT_EQ(logs()[0].sub_type, 200);
  EXPECT_EQ(logs()[1].sub_type, 215);
  EXPECT_EQ(logs()[1].param_type, 900);

  // Channel 0's motion intervals (int32 100 and 120 of the record) that are 0 become 20.
  MotionRec m{};
  ASSERT_EQ(read_motion(devpaths::kKvdb, &m, 0), 0);
  m.interval = 0;
  m.email_interval = 45;
  ASSERT_EQ(write_motion(devpaths::kKvdb, &m), 0);
  EXPECT_EQ(call("/1005"), kTextHead + "NO OK");
  ASSERT_EQ(read_motion(devpaths::kKvdb, &m, 0), 0);
  int32_t words[sizeof m / 4];
  memcpy(words, &m, sizeof words);
  EXPECT_EQ(words[99], 20);
  EXPECT_EQ(words[119], 45);
  root_.write_file("/tmp/kvcore", "");
  EXPECT_EQ(call("/1005"), kTextHead + "OK");
}

TEST_F(MaintTest, UpgradeFromStagedImage) {
  struct Case {
    const char* option;
    const char* daemon;  // nullptr: silent
    std::string answer;
    std::string flag;
    bool reboots;
  };
  fast_silence();
  const Case cases[] = {
      {"temp & reset", "0", kTextHead + "OK", word(1), true},
      {"temp & keep", "5", kTextHead + "5", word(0), false},
      {"temp & ", nullptr, kTextHead + "0", word(0), false},
  };
  for (const Case& c : cases) {
    FakeDaemon& d = daemon_.silence(kReqUpgrade);
    if (c.daemon) d.reply(kReqUpgrade, word(atoi(c.daemon)));
    size_t before = daemon_.requests().size();
    EXPECT_EQ(call("/1010", c.option), c.answer) << c.option;
    ASSERT_TRUE(daemon_.wait_requests(before + (c.reboots ? 4 : 2)));
    auto reqs = daemon_.requests();
    EXPECT_EQ(reqs[before + 1].code, 1713);
    EXPECT_EQ(reqs[before + 1].payload, c.flag);
    EXPECT_EQ(reqs.size(), before + (c.reboots ? 4 : 2)) << c.option;
  }
  EXPECT_EQ(logs()[0].sub_type, 203);
  EXPECT_EQ(logs()[1].sub_type, 200);
  EXPECT_EQ(call("/1010", ""), kTextError);

  EXPECT_EQ(call("/1011"), kTextHead + "OK");
  root_.write_file("/dev/shm/updateFM.bin", "x");
  EXPECT_EQ(call("/1011"), kTextHead + "Error");
  EXPECT_EQ(call("/6086", R"({"type":0})"), kJsonHead + "{ \"res\": 0 }");
  EXPECT_FALSE(root_.exists("/dev/shm/updateFM.bin"));
}

TEST_F(MaintTest, RetentionAndAutomaticReboot) {
  for (const char* bad : {R"({"logRetention":11})", R"({"logRetention":14})", R"({"photoRetention":-2})",
                          R"({"photoRetention":3})", R"({"logRetention":"x"})", "[", ""})
    EXPECT_EQ(call("/1017", bad), "") << bad;
  EXPECT_EQ(call("/1017", R"({"logRetention":12,"photoRetention":-1})"), kTextHead + "OK");
  EXPECT_EQ(call("/1016"), kJsonHead + "{ \"logRetention\": 12, \"photoRetention\": -1 }");
  EXPECT_EQ(call("/1033", R"({"enable":1,"hour":4})"), kTextHead + "OK");
  EXPECT_EQ(call("/1033", R"({"hour":24})"), "");
  EXPECT_EQ(call("/1032"), kJsonHead + "{ \"enable\": 1, \"wday\": 7, \"hour\": 4, \"minutes\": 0, \"seconds\": 0 }");
  ASSERT_TRUE(daemon_.wait_requests(2));
  EXPECT_EQ(daemon_.codes(), (std::vector<int32_t>{2102, 1718}));

  kvdb_fail_writes("disk_maintain");
  EXPECT_EQ(call("/1017", R"({"logRetention":2})"), kTextError);
  DiskMaintain rec{};
  read_disk_maintain_info(devpaths::kKvdb, &rec);
  EXPECT_EQ(rec.logRetention, 12);
}

TEST_F(MaintTest, CameraAndOnlineUpgrade) {
  fast_silence();
  daemon_.reply(kReqCamUpgrade, word(3) + word(50));
  EXPECT_EQ(call("/6083", R"({"chnid":3,"reset":1})"), kJsonHead + "{ \"chnid\": 3, \"status\": 50 }");
  auto cam = payload_as<CamUpgrade>(work()[0]);
  EXPECT_EQ(cam.chnid, 3);
  EXPECT_EQ(cam.reset, 1);
  EXPECT_STREQ(cam.path, "/dev/shm/updateIPCFM.bin");
  EXPECT_EQ(call("/6083", R"({"chnid":64})"), kJsonError);
  daemon_.silence(kReqCamUpgrade);
  EXPECT_EQ(call("/6083", R"({"chnid":1})"), kTextError);

  daemon_.reply(kReqOnlineDownload, word(0));
  EXPECT_EQ(call("/6085", R"({"type":1,"url":"http://h/i.bin"})"), kJsonHead + "{ \"res\": 0 }");
  auto dl = payload_as<OnlineDownload>(work().back());
  EXPECT_STREQ(dl.url, "http://h/i.bin");
  EXPECT_STREQ(dl.target, "/dev/shm/updateIPCFM.bin");
  EXPECT_EQ(work()[work().size() - 2].code, 1721);
  EXPECT_EQ(call("/6085", R"({"type":2,"url":"http://h"})"), kJsonError);
  EXPECT_EQ(call("/6086", R"({"type":3})"), kJsonError);
  EXPECT_EQ(call("/6086", R"({"type":1})"), kTextError);

  daemon_.reply(kReqCheckOnline, info_bytes(1, "7x.8"));
  EXPECT_EQ(call("/6087"), kJsonHead + "{ \"state\": 1, \"fileSize\": 1024, \"softversion\": \"7x.8\", "
                                       "\"url\": \"http:\\/\\/u\\/7x.8\", \"description\": \"d\" }");
  // Only two entries come back: the other 62 channels read as nothing new.
  daemon_.reply(kReqCamCheckOnline, info_bytes(0, "") + info_bytes(1, "c1"));
  std::string check = call("/6089", R"({"ch":"0110x1"})");
  EXPECT_EQ(work().back().payload, bytes_of(uint64_t{6}));
  EXPECT_EQ(std::count(check.begin(), check.end(), '{'), 1 + kChannels);
  EXPECT_NE(check.find("\"softversion\": \"c1\""), std::string::npos);

  daemon_.reply(kReqUpgrade, word(0));
  EXPECT_EQ(call("/6088"), kJsonHead + "{ \"res\": 0 }");
  daemon_.silence(kReqUpgrade).reply(kReqUpgrade, word(-3));
  EXPECT_EQ(call("/6088"), kJsonHead + "{ \"res\": -3 }");
  daemon_.silence(kReqUpgrade);
  EXPECT_EQ(call("/6088"), kJsonError);  // never "res": 0
}

TEST_F(MaintTest, ConfigurationExportDownloadAndImport) {
  ASSERT_EQ(set_param_int(devpaths::kKvdb, "marker", 1), 0);
  EXPECT_EQ(call("/1007").substr(0, kTextHead.size() + 19), kTextHead + "OK filename=config_");
  std::string down = root_.read_file("/tmp/.export_down_file");
  std::string archive = root_.read_file(down.substr(0, down.size() - 1));
  ASSERT_GT(archive.size(), 1000u);
  std::string name = down.substr(5, down.size() - 6);
  EXPECT_EQ(call("/1013"), kAttachment + name + "\r\n\r\n" + archive);
  EXPECT_FALSE(root_.exists("/tmp/" + name));

  ASSERT_EQ(set_param_int(devpaths::kKvdb, "marker", 2), 0);
  std::string damaged = archive;
  damaged[damaged.size() / 2] ^= 1;
  for (const std::string& bad : {damaged, archive.substr(0, 500), std::string("junk")}) {
    EXPECT_EQ(upload("/1008", "", "config.kvp", bad), kTextError);
    EXPECT_EQ(get_param_int(devpaths::kKvdb, "marker", 0), 2);
  }
  EXPECT_EQ(upload("/1008", "", "config.kvp", archive), kTextHead + "OK");
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "marker", 0), 1);
  EXPECT_FALSE(root_.exists("/tmp/config.kvp"));
  EXPECT_EQ(logs().back().sub_type, 214);
}

TEST_F(MaintTest, HostileFileNamesNeverLeaveTheirDirectory) {
  std::string outside = root_.dir() + "-outside";
  std::ofstream(outside) << "keep";
  root_.write_file("/mnt/nand/secret", "keep");
  root_.write_file("/tmp/cgicAAAAAA", "not this request's upload");
  // Import: only the upload of this request, never a path from the text.
  for (const char* text : {"/tmp/cgicAAAAAA", "\"; canary; \"", "$(canary)", "/mnt/nand/secret"})
    EXPECT_EQ(call("/1008", text), kTextError) << text;
  EXPECT_TRUE(root_.exists("/tmp/cgicAAAAAA"));
  // Download of a diagnostic package: a plain name of its directory only.
  std::string escape = "/tmp/../../" + outside.substr(outside.rfind('/') + 1);
  for (std::string text : {escape, std::string("%2Ftmp%2F..%2Fmnt%2Fnand%2Fsecret"), std::string("/mnt/nand/secret"),
                           std::string("/tmp/kvcore"), std::string("/tmp/")})
    EXPECT_EQ(call("/6311", text), "") << text;
  root_.write_file("/tmp/.export_down_file", "/mnt/nand/secret\n");
  EXPECT_EQ(call("/1013"), "");
  // Audio registration: "uploadName" must be a plain file of the temporary directory.
  for (const char* name : {"../mnt/nand/secret", "/mnt/nand/secret", "..", "missing"})
    EXPECT_EQ(call("/6322", std::string(R"({"uploadName":")") + name + R"(","name":"a"})"), kJsonError) << name;
  EXPECT_EQ(root_.read_file("/mnt/nand/secret"), "keep");
  EXPECT_TRUE(std::filesystem::exists(outside));
  std::filesystem::remove(outside);
  EXPECT_FALSE(canary_ran());
}

TEST_F(MaintTest, DiagnosticExportAndDownload) {
  fast_silence();
  DiagReply rep{};
  snprintf(rep.path, sizeof rep.path, "/tmp/diag 1.tgz");
  daemon_.reply(kReqDiagExport, bytes_of(rep));
  EXPECT_EQ(call("/6310"), kTextHead + "OK/%2Ftmp%2Fdiag%201.tgz\r\n");
  EXPECT_STREQ(payload_as<DiagExport>(work()[0]).dir, "/tmp");
  rep.result = -1;
  daemon_.silence(kReqDiagExport).reply(kReqDiagExport, bytes_of(rep));
  EXPECT_EQ(call("/6310"), kTextHead + "Failed");
  daemon_.silence(kReqDiagExport);
  EXPECT_EQ(call("/6310"), kTextHead + "Failed");
  root_.write_file("/tmp/tmp_diagnostic", "");
  EXPECT_EQ(call("/6310"), kTextHead + "Failed");
  EXPECT_EQ(work().size(), 3u);

  root_.write_file("/tmp/diag 1.tgz", "PACKAGE");
  EXPECT_EQ(call("/6311", "%2Ftmp%2Fdiag%201.tgz"), kAttachment + "diag 1.tgz\r\n\r\nPACKAGE");
  EXPECT_FALSE(root_.exists("/tmp/diag 1.tgz"));
}

TEST_F(MaintTest, AudioFiles) {
  fast_silence();
  EXPECT_EQ(upload("/6321", "", "door.mp3", "ID3"), kTextHead + "CGI ERROR status:[-1], data:[]");
  EXPECT_FALSE(root_.exists("/tmp/door.mp3"));
  char encoded[128];
  base64EncodeUrl("door.wav", encoded, sizeof encoded);
  EXPECT_EQ(upload("/6321", "", "door.wav", "RIFF"), kTextHead + "CGI OK status:[0], data:[" + encoded + "]");
  EXPECT_EQ(root_.read_file(std::string("/tmp/") + encoded), "RIFF");
  EXPECT_FALSE(root_.exists("/tmp/door.wav"));

  daemon_.reply(kReqAudioAdd, word(0));
  EXPECT_EQ(call("/6322", std::string(R"({"uploadName":")") + encoded + R"(","name":"Front door?"})"),
            kJsonHead + "{ \"status\": 0 }");
  auto add = payload_as<AudioName>(work().back());
  char back[128];
  ASSERT_GT(base64DecodeUrl(add.name, back, sizeof back), 0);
  EXPECT_STREQ(back, "Front door?");
  EXPECT_EQ(strcspn(add.name, "+/="), strlen(add.name));
  EXPECT_TRUE(root_.exists(std::string("/tmp/") + add.name));

  AudioFileEntry list[2]{{0, 1, {}}, {1, 0, {}}};
  snprintf(list[0].name, sizeof list[0].name, "%s", add.name);
  daemon_.reply(kReqAudioList, bytes_of(list));
  EXPECT_EQ(call("/6320"),
            kJsonHead + "{ \"audioFileList\": [ { \"id\": 0, \"enable\": 1, \"name\": \"Front door?\" } ], \"status\": 0 }");

  EXPECT_EQ(call("/6323", R"({"idMask":1024})"), kJsonError);
  daemon_.reply(kReqAudioDelete, word(0)).reply(kReqAudioRename, word(-1)).reply(kReqAudioPlay, word(0));
  EXPECT_EQ(call("/6323", R"({"idMask":1025})"), kJsonHead + "{ \"status\": 0 }");
  EXPECT_EQ(work().back().payload, word(1));
  EXPECT_EQ(call("/6324", R"({"id":2,"name":"x"})"), kJsonHead + "{ \"status\": -1 }");
  auto ren = payload_as<AudioFileEntry>(work().back());
  EXPECT_EQ(ren.id, 2);
  EXPECT_EQ(ren.enable, 1);
  EXPECT_STREQ(ren.name, "eA");
  EXPECT_EQ(call("/6325", R"({"id":10})"), kJsonError);
  EXPECT_EQ(call("/6325", R"({"id":4})"), kJsonHead + "{ \"status\": 0 }");
  EXPECT_EQ(work().back().payload, word(4));
  daemon_.silence(kReqAudioPlay);
  EXPECT_EQ(call("/6325", R"({"id":5})"), kJsonError);
  ASSERT_EQ(logs().size(), 2u);  // the register and the delete, not the refused rename
  EXPECT_EQ(logs()[1].param_type, 925);
}

TEST_F(MaintTest, BrandingPackage) {
  std::string good = package("logo.jpg:LOGO web/brand.txt:Brand");
  EXPECT_EQ(upload("/oem", "aes=" + kKey, "oem.bin", good), kTextHead + "OK");
  EXPECT_EQ(root_.read_file("/mnt/nand2/web/brand.txt"), "Brand");
  EXPECT_TRUE(root_.exists("/mnt/nand2/oem_upload"));
  EXPECT_FALSE(root_.exists("/tmp/oem.zip"));

  std::filesystem::create_directory_symlink(root_.dir() + "/mnt/nand", root_.dir() + "/mnt/nand2/via");
  const std::string hostile[] = {"ok.txt:x ../escape.txt:x", "ok.txt:x /abs.txt:x", "ok.txt:x link@/mnt/nand/secret",
                                 "ok.txt:x via/escape.txt:x", "ok.txt:x a/../../escape.txt:x"};
  for (const std::string& entries : hostile)
    EXPECT_EQ(upload("/oem", "aes=" + kKey, "oem.bin", package(entries)), kTextHead + "ERROR") << entries;
  std::string wrong_key = kKey;
  wrong_key[0] = 'x';
  EXPECT_EQ(upload("/oem", "aes=" + wrong_key, "oem.bin", good), kTextHead + "ERROR");
  EXPECT_EQ(upload("/oem", "", "oem.bin", good), kTextHead + "ERROR");
  EXPECT_EQ(upload("/oem", "aes=" + kKey, "oem.bin", "not base64!"), kTextHead + "ERROR");
  EXPECT_FALSE(root_.exists("/mnt/nand2/ok.txt"));
  EXPECT_FALSE(root_.exists("/mnt/escape.txt"));
  EXPECT_FALSE(root_.exists("/mnt/nand/escape.txt"));
  EXPECT_FALSE(root_.exists("/mnt/nand2/link"));
  EXPECT_FALSE(canary_ran());
}

// Against the simulator: a reset keeps the accounts when asked, upgrades progress.
TEST(MaintOnCoreSim, ResetUpgradeAndAudioSlots) {
  TestRoot root;
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  UserRec u{};
  u.id = 5;
  u.enable = 1;
  snprintf(u.name, sizeof u.name, "guard");
  ASSERT_EQ(write_user(devpaths::kKvdb, &u), 0);
  ASSERT_EQ(set_param_int(devpaths::kKvdb, "marker", 7), 0);
  EXPECT_EQ(call_route("/1006", R"({"keepIp":0,"keepUser":1})"), kTextHead + "OK");
  // The daemon resets after the answer, then comes back up.
  for (int i = 0; i < 300 && (get_param_int(devpaths::kKvdb, "marker", 0) != 0 ||
                              read_user_by_name(devpaths::kKvdb, &u, "guard") != 0); ++i)
    usleep(10000);
  EXPECT_EQ(get_param_int(devpaths::kKvdb, "marker", 0), 0);
  EXPECT_EQ(read_user_by_name(devpaths::kKvdb, &u, "guard"), 0);
  for (int i = 0; i < 1000 && !root.exists("/tmp/kvcore"); ++i) usleep(10000);
  EXPECT_EQ(call_route("/1005", ""), kTextHead + "OK");

  EXPECT_EQ(call_route("/6083", R"({"chnid":0})"), kJsonHead + "{ \"chnid\": 0, \"status\": -1 }");
  EXPECT_EQ(call_route("/6085", R"({"type":1,"url":"http://u/c.bin"})"), kJsonHead + "{ \"res\": 0 }");
  for (int percent : {25, 50})
    EXPECT_EQ(call_route("/6083", R"({"chnid":0})"),
              kJsonHead + "{ \"chnid\": 0, \"status\": " + std::to_string(percent) + " }");
  EXPECT_EQ(call_route("/6320", ""), kJsonHead + "{ \"audioFileList\": [ ], \"status\": 0 }");
  sim.stop();
}

TEST(MaintCipher, Base64AndPackageCipher) {
  char out[16];
  EXPECT_EQ(base64EncodeUrl("\xfb\xff", out, sizeof out), 3);
  EXPECT_STREQ(out, "-_8");
  EXPECT_EQ(base64DecodeUrl("-_8", out, sizeof out), 2);
  EXPECT_EQ(base64DecodeUrl("a+b", out, sizeof out), -1);
  EXPECT_EQ(base64EncodeUrl("abcdefghijkl", out, 9), 8);  // cut at whole groups
  unsigned char raw[16];
  EXPECT_EQ(kv_base64_decode("aGk=\n", 5, raw), 2);
  EXPECT_EQ(kv_base64_decode("a-b", 3, raw), -1);
}

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(MaintGolden, RoutesCodesWaitsAndReplies) {
  const GoldenRoute routes[] = {
      {"/1004", "on_restart_device"},          {"/1005", "on_get_restart_state"},
      {"/1006", "on_restore_device"},          {"/1007", "on_export_config"},
      {"/1008", "on_import_config"},           {"/1010", "on_upgrade_system"},
      {"/1011", "on_clean_upgrade_files"},     {"/1013", "on_download_config"},
      {"/1016", "on_get_auto_maintenance"},    {"/1017", "on_set_auto_maintenance"},
      {"/1019", "on_upgrade_nothing"},         {"/1032", "on_get_auto_reboot"},
      {"/1033", "on_set_auto_reboot"},         {"/1034", "on_cgi_upgrade_system_init"},
      {"/6082", "on_upgrade_camera"},          {"/6083", "on_start_upgrade_camera"},
      {"/6084", "on_stop_upgrade_camera"},     {"/6085", "on_get_online_upgrade"},
      {"/6086", "on_del_online_upgrade"},      {"/6087", "on_check_nvr_online_upgrade"},
      {"/6088", "on_nvr_online_upgrade"},      {"/6089", "on_check_ipc_online_upgrade"},
      {"/oem", "on_upload_oem"},               {"/6310", "on_export_diagnosis"},
      {"/6311", "on_download_diagnosis"},      {"/6320", "on_get_audio_file_list"},
      {"/6321", "on_upload_audio_file"},       {"/6322", "on_add_audio_file"},
      {"/6323", "on_del_audio_file"},          {"/6324", "on_rename_audio_file"},
      {"/6325", "on_play_audio_file"},
  };
  // In this order, consecutive within the system module's array.
  const WebModule* m = nullptr;
  for (int i = 0; i < WebModuleCount(); ++i)
    if (WebModuleAt(i) && strcmp(WebModuleAt(i)->name, "system") == 0) m = WebModuleAt(i);
  ASSERT_NE(m, nullptr);
  int first = 0;
  while (first < m->count && strcmp(m->defs[first].path, routes[0].path) != 0) ++first;
  ASSERT_LE(first + static_cast<int>(std::size(routes)), m->count);
  for (size_t i = 0; i < std::size(routes); ++i) {
    EXPECT_STREQ(m->defs[first + static_cast<int>(i)].path, routes[i].path);
    EXPECT_STREQ(m->defs[first + static_cast<int>(i)].name, routes[i].handler);
    EXPECT_NE(FindWebRes(routes[i].path), nullptr) << routes[i].path;
  }
  expect_codes({
      {kReqReboot, 1703, 1000},         {kReqUpgrade, 1713, 6000},        {kReqCheckOnline, 1715, 1000},
      {kReqOnlineDownload, 1716, 6000}, {kReqDropDownload, 1717, 1000},   {kReqAutoReboot, 1718, 1000},
      {kReqUpgradeInit, 1721, 1000},    {kReqRetention, 2102, 1000},      {kReqResetKeep, 3311, 1000},
      {kReqCamUpgrade, 3350, 15000},    {kReqCamUpgradeStop, 3351, 1000}, {kReqCamCheckOnline, 3365, 3000},
      {kReqFactoryReset, 3410, 1000},   {kReqDiagExport, 3528, 6000},     {kReqAudioList, 4012, 1000},
      {kReqAudioAdd, 4013, 1000},       {kReqAudioDelete, 4014, 1000},    {kReqAudioRename, 4015, 1000},
      {kReqAudioPlay, 4016, 1000},
  });
  expect_replies(system_reply_table(), {
      {8265, 4}, {8504, 4},  // accounts and sign-in
      {6713, 4}, {6715, 328}, {6716, 4}, {6717, 4}, {8350, 8}, {8365, 328}, {8528, 264},
      {9012, 136}, {9013, 4}, {9014, 4}, {9015, 4}, {9016, 4},
  }, /*others=*/true);
}
}  // namespace
