#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <deque>
#include <vector>

#include "cgi/dispatchreq.h"
#include "support/test_root.h"

namespace {
std::string g_seen;
void record_handler(char* text) { g_seen = std::string("A:") + text; }
void other_handler(char* text) { g_seen = std::string("B:") + text; }

// Each case starts from an empty table and restores the modules afterwards.
class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UnregisterWebModules();
    ASSERT_EQ(WebResRegisteredCount(), 0);
    g_seen.clear();
  }
  void TearDown() override {
    for (auto& v : arrays_) WebResUnregister(v.data(), static_cast<int>(v.size()));
    RegisterWebModules();
  }
  const std::vector<WebRes>& make(int n, int first, WebReqHandler h = record_handler) {
    std::vector<WebRes> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      snprintf(v[static_cast<size_t>(i)].path, sizeof v[0].path, "/%d", first + i);
      v[static_cast<size_t>(i)].handler = h;
    }
    arrays_.push_back(std::move(v));
    return arrays_.back();
  }
  std::deque<std::vector<WebRes>> arrays_;
  TestRoot root_;
};

TEST_F(DispatchTest, ElevenRoutesFillTheTableAndOneMoreIsRefusedWithLogLine) {
  auto& a = make(500, 10000);
  auto& b = make(11, 20000);
  auto& c = make(1, 30000);
  EXPECT_EQ(WebResRegister(a.data(), 500), 0);
  EXPECT_EQ(WebResRegister(b.data(), 11), 0);
  EXPECT_EQ(WebResRegisteredCount(), 511);
  EXPECT_EQ(WebResRegister(c.data(), 1), -1);
  EXPECT_EQ(WebResRegisteredCount(), 511);
  std::string log = root_.read_file("/mnt/nand/cgi_log.txt");
  EXPECT_EQ(log.rfind("[quill debug] ", 0), 0u);
  EXPECT_NE(log.find("  dispatchreq.c:62 in : [ora debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)\n"),
            std::string::npos);
  EXPECT_EQ(log.size(), 14 + 19 + log.substr(33).size());  // stamp is 19 characters
}

TEST_F(DispatchTest, BadArgumentsAreRefused) {
  WebRes r{"/1", record_handler};
  EXPECT_EQ(WebResRegister(nullptr, 1), -1);
  EXPECT_EQ(WebResRegister(&r, 0), -1);
  EXPECT_EQ(WebResUnregister(&r, -1), -1);
  EXPECT_EQ(FindWebRes(nullptr), nullptr);
}

TEST_F(DispatchTest, ExactMatchOnly) {
  WebRes r[] = {{"/vb.htm", record_handler}, {"/6100", other_handler}};
  ASSERT_EQ(WebResRegister(r, 2), 0);
  char text[] = "x=1";
  DispatchWebReq("/vb.htm", text);
  EXPECT_EQ(g_seen, "A:x=1");
  g_seen.clear();
  DispatchWebReq("/vb.htmx", text);
  DispatchWebReq("/6100/", text);
  DispatchWebReq("/VB.HTM", text);
  DispatchWebReq(nullptr, text);
  EXPECT_EQ(g_seen, "");
  WebResUnregister(r, 2);
}

TEST_F(DispatchTest, FirstRegisteredWinsAndUnregisterRemovesEverySlotOfAPath) {
  WebRes first[] = {{"/7000", record_handler}};
  WebRes second[] = {{"/7000", other_handler}, {"/7001", other_handler}};
  ASSERT_EQ(WebResRegister(first, 1), 0);
  ASSERT_EQ(WebResRegister(second, 2), 0);
  EXPECT_EQ(WebResRegisteredCount(), 3);
  char text[] = "";
  DispatchWebReq("/7000", text);
  EXPECT_EQ(g_seen, "A:");
  WebResUnregister(first, 1);  // by path: both "/7000" slots go
  EXPECT_EQ(WebResRegisteredCount(), 1);
  g_seen.clear();
  DispatchWebReq("/7000", text);
  EXPECT_EQ(g_seen, "");
  // The freed slots are reused from the bottom.
  WebRes again[] = {{"/7002", record_handler}};
  ASSERT_EQ(WebResRegister(again, 1), 0);
  ASSERT_NE(FindWebRes("/7002"), nullptr);
  EXPECT_LT(FindWebRes("/7002"), FindWebRes("/7001"));
  WebResUnregister(second, 2);
  WebResUnregister(again, 1);
}

TEST_F(DispatchTest, UnregisterRemovesExactlyTheGivenPathsOfAFullTable) {
  auto& all = make(500, 1000);  // "/1000".."/1499"
  ASSERT_EQ(WebResRegister(all.data(), 500), 0);
  std::vector<WebRes> odd;  // every odd path, last first
  for (int i = 499; i >= 0; i -= 2) odd.push_back(all[static_cast<size_t>(i)]);
  odd.push_back(WebRes{"/100", record_handler});  // a prefix of registered paths, never registered
  EXPECT_EQ(WebResUnregister(odd.data(), static_cast<int>(odd.size())), 0);
  EXPECT_EQ(WebResRegisteredCount(), 250);
  EXPECT_NE(FindWebRes("/1000"), nullptr);
  EXPECT_EQ(FindWebRes("/1001"), nullptr);
  EXPECT_NE(FindWebRes("/1498"), nullptr);
  EXPECT_EQ(FindWebRes("/1499"), nullptr);
}

TEST_F(DispatchTest, FindOfEmptyTextIsTheFirstFreeSlot) {
  WebRes r[] = {{"/1", record_handler}};
  ASSERT_EQ(WebResRegister(r, 1), 0);
  WebRes* slot = FindWebRes("");
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot, FindWebRes("/1") + 1);
  char text[] = "";
  DispatchWebReq("", text);  // free slots are never called
  EXPECT_EQ(g_seen, "");
  WebResUnregister(r, 1);
}
}  // namespace

// ---- The linked modules and the route listing ----

// Raised by each module as its routes land; 421 when all have.
constexpr int kExpectedRoutes = 421;

TEST(ModuleList, EveryModuleIsLinkedInItsOrderAndEveryRouteRegistered) {
  const char* order[] = {"storage", "status", "video",  "camera", "record", "network",
                         "stream",  "ptz",    "system", "aging",  "alarm"};
  ASSERT_EQ(WebModuleCount(), 11);
  int total = 0;
  for (int i = 0; i < 11; ++i) {
    const WebModule* m = WebModuleAt(i);
    ASSERT_NE(m, nullptr) << order[i] << " is not linked";
    EXPECT_STREQ(m->name, order[i]);
    total += m->count;
  }
  EXPECT_EQ(total, kExpectedRoutes);
  EXPECT_EQ(WebResRegisteredCount(), kExpectedRoutes);
}

TEST(ModuleList, WebcgiListsEveryRouteWithItsModuleAndHandler) {
  std::string cmd = std::string("env -u GATEWAY_INTERFACE ") + NVR_BIN_DIR + "/webcgi --routes";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::vector<std::string> lines;
  char line[256];
  while (fgets(line, sizeof line, p)) lines.push_back(line);
  EXPECT_EQ(pclose(p), 0);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kExpectedRoutes));
  EXPECT_EQ(lines.front(), "/6100\tstorage\ton_get_disk_info\tnone\tjson\t3433/40s\n");
  // The alarm module comes last.
  EXPECT_EQ(lines.back(), "/6064\talarm\ton_set_alarm_in_actions\tjson\ttext\t1404/40s 3485/40s\n");
  // Under a web server the words of a query never list the table.
  p = popen((std::string("GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET ") + NVR_BIN_DIR + "/webcgi --routes").c_str(), "r");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(fgets(line, sizeof line, p), nullptr);
  pclose(p);
}

// The reference facts of route lines, from the route tables' literal values:
// input, answer, request codes and their waits in seconds.
TEST(ModuleList, RouteLinesCarryTheirReferenceFacts) {
  struct Row {
    const char* path;
    const char* line;
  } rows[] = {
      {"/6102", "storage\ton_format_disk\ttext\ttext\t3434/600s"},
      {"/6104", "storage\ton_create_raid\tjson\ttext\t3420/240s"},
      {"/6108", "storage\ton_get_raid_mode\tnone\ttext\t-"},
      {"/6012", "video\ton_set_movedetect_info\tjson\ttext\t1403/40s 3207/40s 3212/40s 3209/40s 3485/40s"},
      {"/7001", "network\ton_set_time_info\tjson\ttext\t1701/240s 3485/40s"},
      {"/4002", "stream\ton_get_playback_time\ttext\tjson\t1153/120s"},
      {"/4013", "stream\ton_download_playback\tjson\tdownload\t1173/40s"},
      {"/1018", "system\ton_user_login_from_mail\tquery\tredirect\t-"},
      {"/1008", "system\ton_import_config\tupload\ttext\t3485/40s"},
  };
  char* buf = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buf, &size);
  ASSERT_NE(out, nullptr);
  ListWebRoutes(out);
  fclose(out);
  std::string listing(buf, size);
  free(buf);
  for (const Row& r : rows)
    EXPECT_NE(listing.find(std::string(r.path) + "\t" + r.line + "\n"), std::string::npos) << r.path;
  // Every route line says what it takes and answers.
  EXPECT_EQ(listing.find("\t?\t"), std::string::npos) << "a route line without its facts";

  // A route line with only a path and a handler still compiles, facts unset.
  constexpr RouteDef bare = ROUTE("/1", record_handler);
  static_assert(bare.facts.in == Form::kUnset && bare.facts.code_count == 0);
}
