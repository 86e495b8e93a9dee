#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "platform/kvdb_lpr.h"
#include "proto/lpr_proto.h"
#include "support/module_test.h"

using namespace video;

namespace {
class LprTest : public ModuleTest {
 protected:
  // Type of the stored entry of a plate, "" when it has none.
  static std::string list_of(const char* plate) {
    AnprListRec rec{};
    return read_anpr_list_plate(devpaths::kAnprDb, plate, &rec) == 0 ? rec.type : "";
  }
  static void anpr_sql(const char* statement) {
    list_of("");  // creates the database
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dev_path(devpaths::kAnprDb).c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
};

int32_t i32_at(const std::string& bytes, size_t off) {
  int32_t v = 0;
  if (off + 4 <= bytes.size()) memcpy(&v, bytes.data() + off, 4);
  return v;
}

TEST_F(LprTest, PlateListsAddDeleteAndUpdate) {
  const std::string long_plate(70, 'P');
  EXPECT_EQ(call("/6184", R"({"cnt":4,"plate":[["black","AB%20123"],["white","CD456"],["visitor","X"],)"
                          R"(["blacklist-too-long",")" + long_plate + R"("]]})"),
            kJsonHead + R"({ "count": 4 })");
  EXPECT_EQ(list_of("AB 123"), "black");
  EXPECT_EQ(list_of(std::string(63, 'P').c_str()), "blacklist-too-l");

  // Three announced, two given: two deleted.
  EXPECT_EQ(call("/6183", R"({"cnt":3,"plate":["AB%20123","CD456"]})"), kTextHead + "OK");
  EXPECT_EQ(list_of("AB 123"), "");
  EXPECT_EQ(list_of("CD456"), "");
  EXPECT_EQ(list_of("X"), "visitor");

  EXPECT_EQ(call("/6185", R"({"cnt":2,"plate":[["X","white","Y"],["none","black","NEW"]]})"), kTextHead + "OK");
  EXPECT_EQ(list_of("X"), "");
  EXPECT_EQ(list_of("Y"), "white");
  EXPECT_EQ(list_of("NEW"), "black");
  EXPECT_TRUE(daemon_.requests().empty());
}

TEST_F(LprTest, BadPlateBatchesChangeNothing) {
  const std::string bad[] = {"", "{", R"({"cnt":0,"plate":["A"]})", R"({"cnt":10001,"plate":["A"]})",
                             R"({"cnt":1,"plate":[]})", R"({"cnt":1,"plate":[5]})", R"({"cnt":1})"};
  for (const std::string& text : bad) {
    EXPECT_EQ(call("/6183", text), kTextError) << text;
    EXPECT_EQ(call("/6184", text), kJsonError) << text;
    EXPECT_EQ(call("/6185", text), kTextError) << text;
  }
  // A batch refused half-way leaves the lists as they were.
  call("/6184", R"({"cnt":1,"plate":[["white","KEEP"]]})");
  anpr_sql("CREATE TRIGGER refuse BEFORE INSERT ON anpr_list WHEN NEW.plate = 'BAD' "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  EXPECT_EQ(call("/6184", R"({"cnt":2,"plate":[["black","ONE"],["black","BAD"]]})"), kJsonError);
  EXPECT_EQ(call("/6185", R"({"cnt":2,"plate":[["KEEP","black","TWO"],["X","black","BAD"]]})"), kTextError);
  EXPECT_EQ(list_of("ONE"), "");
  EXPECT_EQ(list_of("TWO"), "");
  EXPECT_EQ(list_of("KEEP"), "white");
}

TEST_F(LprTest, TenThousandPlatesInOneRequestWithinASecond) {
  std::string text = R"({"cnt":10000,"plate":[)";
  for (int i = 0; i < 10000; ++i) text += (i ? "," : "") + std::string(R"(["black","P)") + std::to_string(i) + "\"]";
  text += "]}";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(call("/6184", text), kJsonHead + R"({ "count": 10000 })");
  // Well under a second on an idle machine; the margin is for loaded CI runners.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(list_of("P9999"), "black");
}

// Forwarded camera pages: request bytes at their offsets, the answer, and
// the answer when the camera stays silent.
struct Forwarded {
  const char* route;
  std::string text;
  int32_t code;
  size_t size;
  std::vector<std::pair<size_t, int32_t>> words;  // payload offset -> value
  std::string reply;
  std::string answer;
  std::string silent;   // no reply
  std::string refused;  // invalid JSON
};

TEST_F(LprTest, CameraPagesForwardTheirRecords) {
  const Forwarded cases[] = {
      {"/6130", R"({"id":2})", 3232, 4, {{0, 2}}, bytes_of(FisheyeMode{2, 1, 2, 3, 0}),
       kJsonHead + R"({ "chnid": 2, "result": 0, "fishmount": 1, "fishdisplay": 2, "fishcorrect": 3 })", kTextError, ""},
      {"/6131", R"({"chnid":2,"fishcorrect":1,"fishmount":2,"fishdisplay":3})", 3231, 20,
       {{0, 2}, {4, 2}, {8, 3}, {12, 1}}, word(0), kTextHead + "OK", kJsonError, ""},
      {"/6186", R"({"chnid":1})", 3293, 4, {{0, 1}}, bytes_of(AnprSupport{1, 1, 2}),
       kJsonHead + R"({ "chnid": 1, "vca_support": 1, "vca_version": 2 })", kJsonError, ""},
      {"/6189", R"({"chnid":3})", 1215, 4, {{0, 3}}, bytes_of(ZoomState{3, 1, 4}),
       kJsonHead + R"({ "chnid": 3, "state": 1, "zoomNumber": 4 })", kJsonError, kJsonError},
      {"/6196", R"({"ddns":"d","ipaddr":"10.0.0.9","username":"u","password":"p","port":80})", 3373, 260,
       {{256, 80}}, bytes_of(FisheyeInfo{2, 1, 2, 3, 4}),
       kJsonHead + R"({ "support": 0, "transfer": 1, "install": 2, "display": 3, "streamCnt": 4 })", kJsonError, ""},
      {"/6197", R"({"ipaddr":"10.0.0.9","port":81,"transfer":1,"install":2,"display":3})", 3374, 272,
       {{256, 81}, {260, 1}, {264, 2}, {268, 3}}, word(1), kJsonHead + R"({ "res": 1 })", kJsonError, ""},
      {"/6198", R"({"chnid":5,"maskid":2})", 3353, 8, {{0, 5}, {4, 2}}, word(0), kJsonHead + R"({ "res": 0 })",
       kJsonError, ""},
  };
  fast_silence();
  for (const Forwarded& c : cases) {
    SCOPED_TRACE(c.route);
    daemon_.reply(c.code, c.reply);
    EXPECT_EQ(call(c.route, c.text), c.answer);
    auto req = daemon_.requests().back();
    EXPECT_EQ(req.code, c.code);
    EXPECT_EQ(req.payload.size(), c.size);
    for (auto [off, v] : c.words) EXPECT_EQ(i32_at(req.payload, off), v) << "offset " << off;
    daemon_.silence(c.code);
    EXPECT_EQ(call(c.route, c.text), c.silent);
    EXPECT_EQ(call(c.route, "{"), c.refused);
  }
  EXPECT_EQ(call("/6130", R"({"id":64})"), "");
  // Address texts are cut to their 64-byte fields.
  call("/6196", R"({"ddns":")" + std::string(70, 'd') + R"(","port":1})");
  EXPECT_EQ(daemon_.requests().back().payload.substr(0, 64), std::string(63, 'd') + '\0');
}

TEST_F(LprTest, PlateWildcardsKeepNineCutFormats) {
  std::string list;
  for (int i = 0; i < 10; ++i)
    list += std::string(i ? "," : "") + R"({"enable":1,"cr_count":)" + std::to_string(i) + R"(,"format":"ABCDEFGHIJKLMNOPQRST"})";
  daemon_.reply(1208, word(0));
  EXPECT_EQ(call("/6191", R"({"chnid":7,"filter":1,"maxPlateCharNum":8,"wildcards":[)" + list + "]}"), kTextHead + "OK");
  const std::string sent = daemon_.requests().back().payload;
  ASSERT_EQ(sent.size(), 228u);
  EXPECT_EQ(i32_at(sent, 0), 7);
  EXPECT_EQ(i32_at(sent, 4), 1);
  EXPECT_EQ(i32_at(sent, 8 + 32), 1);
  EXPECT_EQ(i32_at(sent, 44 + 32), 8);
  EXPECT_EQ(sent.substr(80 + 16 * 8, 16), std::string("ABCDEFGHIJKLMNO") + '\0');
  EXPECT_EQ(i32_at(sent, 224), 8);
  EXPECT_EQ(call("/6191", R"({"chnid":64})"), "");

  daemon_.reply(1207, sent);
  std::string expected = kJsonHead + R"({ "chnid": 7, "filter": 1, "maxPlateCharNum": 8, "wildcards": [ )";
  for (int i = 0; i < 9; ++i)
    expected += (i ? ", " : "") + std::string(R"({ "enable": 1, "cr_count": )") + std::to_string(i) +
                R"(, "format": "ABCDEFGHIJKLMNO" })";
  EXPECT_EQ(call("/6190", R"({"chnid":7})"), expected + " ] }");
  fast_silence();
  daemon_.silence(1207);
  EXPECT_EQ(call("/6190", R"({"chnid":7})"), kJsonError);
}
}  // namespace

TEST(LprGolden, CodesAndWaits) {
  expect_codes({
      {kReqFisheyeModeSet, 3231, 1000}, {kReqFisheyeModeGet, 3232, 1000}, {kReqZoomState, 1215, 1000},
      {kReqAnprSupport, 3293, 1000},    {kReqFisheyeInfo, 3373, 1000},    {kReqFisheyeInfoSet, 3374, 1000},
      {kReqPrivacyEdit, 3353, 1000},   {lpr::kReqIpcWildcardsGet, 1207, 1000}, {kReqIpcWildcardsSet, 1208, 1000},
  });
}
