#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/paths.h"
#include "coresim_server.h"
#include "modules/stream/stream_module.h"
#include "platform/kvdb_stream.h"
#include "proto/stream_proto.h"
#include "support/module_test.h"

using namespace stream;

namespace {
class StreamTest : public ModuleTest {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    tzset();
  }
};

template <size_t N>
std::string text_of(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

SearchResult found(int channel, int sid, const char* start, const char* end, int type, int lock) {
  SearchResult r{};
  r.channel = channel;
  r.sid = sid;
  r.record_type = type;
  r.lock = lock;
  snprintf(r.start, sizeof r.start, "%s", start);
  snprintf(r.end, sizeof r.end, "%s", end);
  return r;
}

const char* kSearch = R"({"channelId":2,"sid":%d,"streamType":1,"time":"2026-12-01 00:00:00","endTime":"2026-12-01 23:59:59"})";

std::string search_body(int sid) {
  char body[256];
  snprintf(body, sizeof body, kSearch, sid);
  return body;
}

TEST_F(StreamTest, SearchClosesThePreviousSessionAndListsSections) {
  daemon_.reply(kReqSearch, bytes_of(found(2, 5, "2026-12-01 00:00:00", "2026-12-01 06:00:00", 1, 0)) +
                                bytes_of(found(7, 9, "2026-12-01 12:00:00", "2026-12-01 12:05:00", 4, 1)));
  EXPECT_EQ(call("/4000", search_body(-1)),
            kJsonHead + "{ \"status\": \"OK\", \"camId\": 7, \"sectionNum\": 2, \"sid\": 5, \"section\": [ "
                        "{ \"startTime\": \"2026-12-01 00:00:00\", \"endTime\": \"2026-12-01 06:00:00\", "
                        "\"recordType\": 1, \"lock\": 0 }, { \"startTime\": \"2026-12-01 12:00:00\", "
                        "\"endTime\": \"2026-12-01 12:05:00\", \"recordType\": 4, \"lock\": 1 } ] }");
  ASSERT_EQ(work_codes(), std::vector<int32_t>{1159});
  auto s = payload_as<SearchRequest>(work()[0]);
  EXPECT_EQ(text_of(s.channels), "0010000000000000");  // the factory device has 16 channels
  EXPECT_EQ(s.one, 1);
  EXPECT_EQ(s.sub_stream, 1);
  EXPECT_EQ(s.minus1[0], -1);
  EXPECT_EQ(s.minus1[1], -1);
  EXPECT_EQ(text_of(s.start), "2026-12-01 00:00:00");
  EXPECT_EQ(text_of(s.end), "2026-12-01 23:59:59");

  StoredDevice dev{};
  dev.max_cameras = 4;
  ASSERT_EQ(db_set_device(devpaths::kKvdb, &dev), 0);
  daemon_.silence(kReqSearch).reply(kReqSearch, word(0));  // shorter than one record: nothing found
  EXPECT_EQ(call("/4000", search_body(3)), kJsonHead + "{ \"status\": \"NO MATCHES\" }");
  auto w = work();
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1159, 1160, 1903, 1159}));
  auto closed = payload_as<SessionList>(w[1]);
  EXPECT_EQ(closed.ids[0], 3);
  EXPECT_EQ(closed.count, 1);
  EXPECT_EQ(w[2].payload, word(3));
  EXPECT_EQ(text_of(payload_as<SearchRequest>(w[3]).channels), "0010");

  EXPECT_EQ(call("/4000", R"({"channelId":2,"sid":-1,"streamType":0,"time":"x"})"), "");
  daemon_.reply(kReqSearchPage, word(0));
  EXPECT_EQ(call("/4023", R"({"sid":4,"page":2})"), kJsonHead + "{ \"status\": \"NO MATCHES\" }");
  auto page = payload_as<SearchPageRequest>(work().back());
  EXPECT_EQ(page.sid, 4);
  EXPECT_EQ(page.page, 2);
  EXPECT_EQ(call("/4023", R"({"sid":4,"page":-1})"), "");
}

PlaybackStream stream_of(int sid) {
  PlaybackStream p{sid, 554, 10554, 8080, 20554, 28080, {}};
  snprintf(p.source_path, sizeof p.source_path, "/pb/%d", sid);
  return p;
}

std::string session_json(int sid, const char* play) {
  return kJsonHead + "{ \"sessionId\": " + std::to_string(sid) + ", \"sourcePath\": \"\\/pb\\/" +
         std::to_string(sid) + "\", \"port\": 554, \"status\": \"OK\", \"realPlayTime\": \"" + play +
         "\", \"external_port\": 10554, \"external_http_port\": 8080, \"ddns_port\": 20554, \"ddns_http_port\": 28080 }";
}

const char* kStart =
    R"({"channelId":3,"sid":6,"playTime":"2026-12-01 09:30:00","startTime":"2026-12-01 00:00:00","endTime":"2026-12-01 23:59:59"})";

TEST_F(StreamTest, StartPlaybackOpensTheSessionThenItsStream) {
  daemon_.reply(kReqOpenPlayback, word(0)).reply(kReqPlaybackStream, bytes_of(stream_of(6)));
  EXPECT_EQ(call("/4001", kStart), session_json(6, "2026-12-01 09:30:00"));
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1162, 3502}));
  auto o = payload_as<OpenPlaybackRequest>(work()[0]);
  EXPECT_EQ(o.channel, 3);
  EXPECT_EQ(o.sid, 6);
  EXPECT_EQ(text_of(o.start), "2026-12-01 00:00:00");
  EXPECT_EQ(text_of(o.end), "2026-12-01 23:59:59");
  EXPECT_EQ(text_of(o.play), "2026-12-01 09:30:00");
  EXPECT_EQ(work()[1].payload, word(6));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].sub_type, 209);
  EXPECT_EQ(logs()[0].param_type, 900);
  EXPECT_EQ(logs()[0].channel, 4);

  // Refused by the daemon: no stream, no log.
  daemon_.silence(kReqOpenPlayback).reply(kReqOpenPlayback, word(-1));
  EXPECT_EQ(call("/4001", kStart), kJsonError);
  EXPECT_EQ(work_codes().size(), 3u);
  EXPECT_EQ(logs().size(), 1u);
  EXPECT_EQ(call("/4001", R"({"channelId":16,"sid":6,"playTime":"a","startTime":"b","endTime":"c"})"), "");
}

TEST_F(StreamTest, MaskPlaybackPlaysTheSessionTheDaemonOpened) {
  OpenedSession opened{7, "2026-12-01 10:00:00", 0};
  daemon_.reply(kReqOpenMaskPlayback, bytes_of(opened)).reply(kReqPlaybackStream, bytes_of(stream_of(7)));
  const char* body = R"({"mask0":8,"mask1":0,"mask2":0,"mask3":0,"mask4":0,"mask5":0,"mask6":0,"mask7":1,)"
                     R"("playTime":"2026-12-01 10:00:00"})";
  EXPECT_EQ(call("/4020", body), session_json(7, "2026-12-01 10:00:00"));
  auto m = payload_as<MaskPlaybackRequest>(work()[0]);
  EXPECT_EQ(m.play_seconds, 1796119200);
  EXPECT_EQ(m.masks[0], 8);
  EXPECT_EQ(m.masks[7], 1);
  EXPECT_EQ(text_of(m.play), "2026-12-01 10:00:00");
  EXPECT_EQ(work()[1].payload, word(7));
  EXPECT_EQ(logs().at(0).channel, 0);

  opened.failed = 1;
  daemon_.silence(kReqOpenMaskPlayback).reply(kReqOpenMaskPlayback, bytes_of(opened));
  EXPECT_EQ(call("/4020", body), kJsonError);
  EXPECT_EQ(call("/4020", R"({"mask0":8,"playTime":"2026-12-01 10:00:00"})"), "");
  std::string bad_time = body;
  bad_time.replace(bad_time.find("2026-12-01 10"), 10, "yesterday!");
  EXPECT_EQ(call("/4020", bad_time), "");
  EXPECT_EQ(work_codes().size(), 3u);
}

TEST_F(StreamTest, SessionCommandsCarryTheirSessions) {
  struct Case {
    const char* route;
    const char* body;
    int32_t code;
    std::vector<int32_t> ids;
    std::vector<int32_t> speeds;
  };
  const Case cases[] = {
      {"/4004", R"({"num":2,"sid":[4,5]})", 1165, {4, 5}, {}},
      {"/4006", R"({"num":1,"sid":[4,5]})", 1170, {4}, {}},
      {"/4006", R"({"num":3,"sid":[4]})", 1170, {4}, {}},  // no more sessions than the array holds
      {"/3003", R"({"sessionId":[1,2,3]})", 1113, {1, 2, 3}, {}},
      {"/4007", R"({"chind":0,"num":2,"sessionId":[1,2],"speed":[4,8]})", 1112, {1, 2}, {4, 8}},
      {"/4007", R"({"chind":0,"num":2,"sessionId":[1,2],"speed":[4]})", 1112, {1}, {4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.route) + " " + c.body);
    EXPECT_EQ(call(c.route, c.body), kTextHead + "OK");
    auto list = payload_as<SessionList>(work().back());
    EXPECT_EQ(work().back().code, c.code);
    ASSERT_EQ(list.count, static_cast<int32_t>(c.ids.size()));
    EXPECT_EQ(list.step, 0);
    for (size_t i = 0; i < kMaxSessions; ++i) {
      EXPECT_EQ(list.speeds[i], i < c.speeds.size() ? c.speeds[i] : 0);
      EXPECT_EQ(list.ids[i], i < c.ids.size() ? c.ids[i] : 0);
    }
  }
  for (const char* bad : {R"({"chind":-1,"num":1,"sessionId":[1],"speed":[2]})", R"({"num":1,"sessionId":[1],"speed":[2]})"})
    EXPECT_EQ(call("/4007", bad), "");
  EXPECT_EQ(call("/4004", R"({"num":1,"sid":["x"]})"), "");

  // 65 sessions: the record holds 64.
  std::string many = R"({"sessionId":[)";
  for (int i = 0; i < 65; ++i) many += std::to_string(i) + (i < 64 ? "," : "]}");
  EXPECT_EQ(call("/3003", many), kTextHead + "OK");
  EXPECT_EQ(payload_as<SessionList>(work().back()).count, 64);

  EXPECT_EQ(call("/4005", R"({"sid":3,"direction":-1})"), kTextHead + "OK");
  EXPECT_EQ(work().back().payload, word(3) + word(-1));
}

TEST_F(StreamTest, StopClosesEachSessionThenTheSearchWhenAsked) {
  EXPECT_EQ(call("/4003", R"({"close":1,"num":3,"sid":[2,-1,5]})"), kTextHead + "OK");
  auto w = work();
  ASSERT_EQ(work_codes(), (std::vector<int32_t>{1903, 1903, 1164, 1160}));
  EXPECT_EQ(w[0].payload, word(2));
  EXPECT_EQ(w[1].payload, word(5));
  EXPECT_EQ(payload_as<SessionList>(w[2]).count, 3);
  EXPECT_EQ(payload_as<SessionList>(w[3]).ids[1], -1);
  EXPECT_EQ(call("/4003", R"({"close":0,"num":1,"sid":[2]})"), kTextHead + "OK");
  EXPECT_EQ(work_codes().back(), 1164);
}

TEST_F(StreamTest, SpeedFlagOnlyForDoubleSpeedOfOneSession) {
  struct Case {
    const char* route;
    const char* body;
    int32_t code, speed, flag, count;
  };
  const Case cases[] = {
      {"/4022", R"({"num":1,"sid":[3],"speed":2})", 1167, 2, 1, 1},
      {"/4022", R"({"num":2,"sid":[3,4],"speed":2})", 1167, 2, 0, 2},
      {"/4022", R"({"num":1,"sid":[3],"speed":4})", 1167, 4, 0, 1},
      {"/4008", R"({"chind":[3],"num":1,"speed":2})", 1149, 2, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(call(c.route, c.body), kTextHead + "OK");
    auto s = payload_as<SpeedRequest>(work().back());
    EXPECT_EQ(work().back().code, c.code);
    EXPECT_EQ(s.speed, c.speed);
    EXPECT_EQ(s.flag, c.flag);
    EXPECT_EQ(s.count, c.count);
    EXPECT_EQ(s.ids[0], 3);
  }
  EXPECT_EQ(call("/4008", R"({"chind":-1,"num":1,"speed":2})"), "");
}

TEST_F(StreamTest, JumpAndPlayTime) {
  daemon_.reply(kReqJump, word(0));
  std::string long_time(80, '9');
  EXPECT_EQ(call("/4009", R"({"jumpTime":")" + long_time + R"(","sid":[4,5],"chnid":[1,2],"num":2})"),
            kJsonHead + "{ \"status\": \"OK\" }");
  auto j = payload_as<JumpRequest>(work().back());
  EXPECT_EQ(j.count, 2);
  EXPECT_EQ(j.ids[1], 5);
  EXPECT_EQ(j.channels[1], 2);
  EXPECT_EQ(text_of(j.time), long_time.substr(0, 63));
  daemon_.silence(kReqJump).reply(kReqJump, word(-3));
  EXPECT_EQ(call("/4009", R"({"jumpTime":"t","sid":[4],"chnid":[1],"num":1})"), kJsonHead + "{ \"status\": \"ERROR\" }");
  EXPECT_EQ(call("/4009", R"({"jumpTime":"t","sid":[4],"chnid":[1],"num":0})"), kJsonError);
  EXPECT_EQ(work_codes().size(), 2u);

  daemon_.reply(kReqPlayTime, bytes_of(int64_t{1796119200}));
  EXPECT_EQ(call("/4002", "6"), kJsonHead + "{ \"status\": \"OK\", \"curPlayTime\": \"2026-12-01 10:00:00\" }");
  EXPECT_EQ(work().back().payload, word(6));
  daemon_.silence(kReqPlayTime).reply(kReqPlayTime, bytes_of(int64_t{0}));
  EXPECT_EQ(call("/4002", "6"), kJsonError);
  EXPECT_EQ(call("/4002", "six"), "");
}

TEST_F(StreamTest, LiveStreamsAnswerAndLogTheReportedChannel) {
  LiveStream live{};
  live.channel = 5;
  live.port = 554;
  live.direct = 1;
  memset(live.rtsp_addr, 'a', sizeof live.rtsp_addr);  // unterminated: read to its width only
  snprintf(live.res_path, sizeof live.res_path, "/ch06/0");
  daemon_.reply(kReqStartLive, bytes_of(live));
  EXPECT_EQ(call("/4010", R"({"id":4,"streamType":1,"streamFrom":1})"),
            kJsonHead + "{ \"status\": \"OK\", \"port\": 554, \"direct\": 1, \"rtspAddr\": \"" + std::string(256, 'a') +
                "\", \"resPath\": \"\\/ch06\\/0\" }");
  EXPECT_EQ(work().back().payload, word(4) + word(1) + word(1));
  ASSERT_EQ(logs().size(), 1u);
  EXPECT_EQ(logs()[0].sub_type, 208);
  EXPECT_EQ(logs()[0].channel, 6);

  live.result = -1;
  daemon_.silence(kReqStartLive).reply(kReqStartLive, bytes_of(live));
  EXPECT_EQ(call("/4010", R"({"id":4,"streamType":0,"streamFrom":0})"), kJsonHead + "{ \"status\": \"ERROR\" }");
  EXPECT_EQ(logs().size(), 1u);
  for (const char* bad : {R"({"id":16,"streamType":0,"streamFrom":0})", R"({"id":1,"streamType":2,"streamFrom":0})",
                          R"({"id":1,"streamType":0})"}) {
    EXPECT_EQ(call("/4010", bad), "");
    EXPECT_EQ(call("/4011", bad), "");
  }
  EXPECT_EQ(call("/4011", R"({"id":4,"streamType":1,"streamFrom":1})"), kTextHead + "OK");
  EXPECT_EQ(work().back().payload, word(4) + word(1) + word(0));
  EXPECT_EQ(call("/4012"), kTextHead + "OK");
  EXPECT_EQ(work().back().code, 1902);
  EXPECT_EQ(work().back().payload, "");
}

TEST_F(StreamTest, ChannelLogRoutesAndChecks) {
  struct Case {
    const char* route;
    int64_t sub;  // 0: no log
  };
  for (const Case& c : {Case{"/4024", 208}, Case{"/4014", 205}, Case{"/4017", 227}, Case{"/4015", 0}, Case{"/4016", 0}}) {
    SCOPED_TRACE(c.route);
    size_t before = logs().size();
    EXPECT_EQ(call(c.route, "15"), kTextHead + "OK");
    EXPECT_EQ(call(c.route, "16"), "");
    EXPECT_EQ(call(c.route, "-1"), "");
    ASSERT_EQ(logs().size(), before + (c.sub ? 1 : 0));
    if (c.sub) {
      EXPECT_EQ(logs().back().sub_type, c.sub);
      EXPECT_EQ(logs().back().param_type, 900);
      EXPECT_EQ(logs().back().channel, 16);
    }
  }
  EXPECT_TRUE(work().empty());
}

TEST_F(StreamTest, ImageParametersSetResetAndGet) {
  EXPECT_EQ(call("/3001", R"({"id":3,"brightness":200,"contrast":10,"saturation":128,"Sharpness":5,)"
                          R"("NoiseReduction":255,"i2ddnr":1})"),
            kTextHead + "OK");
  EXPECT_EQ(work().back().code, 1205);
  EXPECT_EQ(work().back().payload, word(3) + word(200) + word(10) + word(128) + word(5) + word(255) + word(1));
  ASSERT_EQ(logs().size(), 1u);
  const OpLogRecord log = logs()[0];
  EXPECT_EQ(log.sub_type, 217);
  EXPECT_EQ(log.channel, 4);
  EXPECT_EQ(log.detail_kind, 107);
  ImageLogDetail d{};
  memcpy(&d, log.detail, sizeof d);
  const int32_t percent[] = {78, 4, 50, 2, 100};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(d.percent[i], percent[i]) << i;
  for (auto [value, pct] : {std::pair{0, 0}, {1, 0}, {2, 1}, {128, 50}, {255, 100}}) EXPECT_EQ(image_percent(value), pct);
  EXPECT_EQ(call("/3001", R"({"id":3,"brightness":256,"contrast":10,"saturation":128})"), "");
  EXPECT_EQ(call("/3001", R"({"id":3,"contrast":10,"saturation":128})"), "");

  EXPECT_EQ(call("/3002", "16"), "");
  EXPECT_EQ(call("/3002", "3"), kJsonHead + "{ \"ChannelId\": 3, \"Brightness\": 128, \"Contrast\": 128, "
                                            "\"Saturation\": 128, \"Sharpness\": 128, \"NoiseReduction\": 128 }");
  EXPECT_EQ(work().back().payload, word(3) + word(128) + word(128) + word(128) + word(128) + word(128) + word(0));

  ImageReply img{{3, 1, 2, 3, 4, 5, 6}, 0, 1, 0, 1};
  daemon_.reply(kReqGetImage, bytes_of(img));
  EXPECT_EQ(call("/3000", R"({"chnid":3})"),
            kJsonHead + "{ \"status\": \"OK\", \"brightness\": 1, \"contrast\": 2, \"saturation\": 3, \"Sharpness\": 4, "
                        "\"NoiseReduction\": 5, \"i2ddnr\": 6, \"supportLpr\": 1, \"isNtPlatform\": 0, "
                        "\"isPanoramaStitch\": 1 }");
  EXPECT_EQ(work().back().payload, word(3));
  img.result = -1;
  daemon_.silence(kReqGetImage).reply(kReqGetImage, bytes_of(img));
  EXPECT_EQ(call("/3000", R"({"chnid":3})"), kJsonHead + "{ \"status\": \"ERROR\" }");
  EXPECT_EQ(call("/3000", R"({"chnid":16})"), "");
}

TEST_F(StreamTest, DownloadMarkerAndStatusQueries) {
  EXPECT_EQ(call("/4019"), kTextHead + "{ \"isOK\": 1 }");
  root_.write_file(devpaths::kPbDownload, "");
  EXPECT_EQ(call("/4019"), kTextHead + "{ \"isOK\": 0 }");
  EXPECT_EQ(call("/4013", R"({"id":3,"startTime":"2026-12-01T00:00:00Z","endTime":"2026-12-01T01:00:00Z"})"),
            kTextHead + "BUSY NOW");
  EXPECT_EQ(call("/4013", R"({"id":16,"startTime":"a","endTime":"b"})"), "");
  EXPECT_EQ(call("/4027"), kTextHead + "OK");
  EXPECT_FALSE(root_.exists(devpaths::kPbDownload));
  EXPECT_EQ(work_codes(), std::vector<int32_t>{1178});
  EXPECT_EQ(call("/4019"), kTextHead + "{ \"isOK\": 1 }");

  daemon_.reply(kReqStreamBusy, word(1)).reply(kReqExternPorts, word(10554) + word(20554));
  EXPECT_EQ(call("/3004"), kJsonHead + "{ \"status\": \"BUSY\" }");
  EXPECT_EQ(call("/4021"), kJsonHead + "{ \"upnp_extern_port\": 10554, \"ddns_extern_port\": 20554 }");

  daemon_.reply(kReqTranscode, word(2) + word(6) + word(1)).reply(kReqTranscodeState, word(2) + word(6) + word(0));
  EXPECT_EQ(call("/4025", R"({"ch":2,"sid":6,"trancodingmode":1,"framesize":3,"bitrate":512,"framerate":15})"),
            kJsonHead + "{ \"ch\": 2, \"sid\": 6, \"state\": 1, \"status\": \"OK\" }");
  EXPECT_EQ(work().back().payload, word(2) + word(6) + word(1) + word(3) + word(512) + word(15));
  EXPECT_EQ(call("/4026", R"({"ch":2,"sid":6})"), kJsonHead + "{ \"ch\": 2, \"sid\": 6, \"state\": 0 }");
  EXPECT_EQ(call("/4025", ""), kJsonError);
  EXPECT_EQ(call("/4026", "{"), kJsonError);
}

TEST_F(StreamTest, RtspAddressesReadEveryTextToItsWidth) {
  RtspAddr a{};
  snprintf(a.main_addr, sizeof a.main_addr, "rtsp://m");
  snprintf(a.sub_addr, sizeof a.sub_addr, "rtsp://s");
  a.main = RtspStreamBlock{554, 1, 2, 3, 4, {}, "u", "p", "/m"};
  memset(a.sub.res_path, 'r', sizeof a.sub.res_path);
  daemon_.reply(kReqRtspAddr, bytes_of(a));
  EXPECT_EQ(call("/4018"),
            kJsonHead + "{ \"rtspaddr\": [ { \"ipc\": { \"main\": \"rtsp:\\/\\/m\", \"sub\": \"rtsp:\\/\\/s\" }, \"nvr\": { "
                        "\"mainUsername\": \"u\", \"mainPassword\": \"p\", \"mainPort\": 554, \"mainExternalPort\": 1, "
                        "\"mainDDNSPort\": 2, \"mainResPath\": \"\\/m\", \"mainExternalHttpPort\": 3, "
                        "\"mainDDNSHttpPort\": 4, \"subUsername\": \"\", \"subPassword\": \"\", \"subPort\": 0, "
                        "\"subExternalPort\": 0, \"subDDNSPort\": 0, \"subResPath\": \"" + std::string(128, 'r') +
                        "\", \"subExternalHttpPort\": 0, \"subDDNSHttpPort\": 0 } } ] }");
  daemon_.silence(kReqRtspAddr).reply(kReqRtspAddr, word(0));
  EXPECT_EQ(call("/4018"), "");  // no records: the wait ends without an answer
}

TEST_F(StreamTest, SilentDaemonGivesTheJsonError) {
  fast_silence();
  const std::pair<const char*, std::string> waited[] = {
      {"/4000", search_body(-1)}, {"/4023", R"({"sid":1,"page":0})"}, {"/4001", kStart},
      {"/4020", R"({"mask0":1,"mask1":0,"mask2":0,"mask3":0,"mask4":0,"mask5":0,"mask6":0,"mask7":0,"playTime":"2026-12-01 10:00:00"})"},
      {"/4002", "1"}, {"/4009", R"({"jumpTime":"t","sid":[4],"chnid":[1],"num":1})"},
      {"/4010", R"({"id":1,"streamType":0,"streamFrom":0})"}, {"/4025", R"({"ch":1,"sid":1})"},
      {"/4026", R"({"ch":1,"sid":1})"}, {"/4018", ""}, {"/4021", ""}, {"/3000", R"({"chnid":1})"}, {"/3004", ""},
  };
  for (const auto& [route, body] : waited) EXPECT_EQ(call(route, body), kJsonError) << route;
  // The opening answered, the stream did not.
  daemon_.reply(kReqOpenPlayback, word(0));
  EXPECT_EQ(call("/4001", kStart), kJsonError);
  EXPECT_EQ(work_codes().back(), 3502);
}

// ---- Against the simulated daemon ----

class StreamOnCoreSim : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sim_.start(), 0) << sim_.error(); }
  void TearDown() override { sim_.stop(); }
  // Commands go without waiting, on connections of their own: a later query
  // may overtake them, so ask again until the answer shows the change.
  std::string eventually(const char* route, const char* body, const std::string& unlike, const char* holds = "") {
    std::string got;
    for (int i = 0; i < 50; ++i) {
      got = call_route(route, body);
      if (got != unlike && got.find(holds) != std::string::npos) break;
      usleep(20000);
    }
    return got;
  }
  TestRoot root_;
  CoreSim sim_;
};

TEST_F(StreamOnCoreSim, SearchPagesOpenPauseStepAndJump) {
  char day[16], body[256];
  time_t yesterday = time(nullptr) - 86400;
  strftime(day, sizeof day, "%Y-%m-%d", localtime(&yesterday));
  snprintf(body, sizeof body, R"({"channelId":1,"sid":-1,"streamType":0,"time":"%s 00:00:00","endTime":"%s 23:59:59"})",
           day, day);
  std::string found = call_route("/4000", body);
  EXPECT_NE(found.find("\"sectionNum\": 5, \"sid\": 0"), std::string::npos) << found;
  EXPECT_EQ(call_route("/4023", R"({"sid":0,"page":1})"), kJsonHead + "{ \"status\": \"NO MATCHES\" }");
  EXPECT_EQ(call_route("/4023", R"({"sid":99,"page":0})"), kJsonHead + "{ \"status\": \"NO MATCHES\" }");

  snprintf(body, sizeof body, R"({"channelId":1,"sid":0,"playTime":"%s 09:30:00","startTime":"%s 00:00:00","endTime":"%s 23:59:59"})",
           day, day, day);
  EXPECT_NE(call_route("/4001", body).find("\"sessionId\": 0, \"sourcePath\": \"\\/playback\\/ch02\\/session0\""),
            std::string::npos);
  EXPECT_EQ(call_route("/4004", R"({"num":1,"sid":[0]})"), kTextHead + "OK");
  std::string paused = call_route("/4002", "0");
  EXPECT_EQ(call_route("/4006", R"({"num":1,"sid":[0]})"), kTextHead + "OK");
  EXPECT_NE(eventually("/4002", "0", paused), paused);  // one step on
  snprintf(body, sizeof body, R"({"jumpTime":"%s 12:00:00","sid":[0],"chnid":[1],"num":1})", day);
  EXPECT_EQ(call_route("/4009", body), kJsonHead + "{ \"status\": \"OK\" }");
  EXPECT_EQ(call_route("/4002", "0"), kJsonHead + "{ \"status\": \"OK\", \"curPlayTime\": \"" + day + " 12:00:00\" }");
  snprintf(body, sizeof body, R"({"jumpTime":"%s 12:00:00","sid":[64],"chnid":[1],"num":1})", day);
  EXPECT_EQ(call_route("/4009", body), kJsonHead + "{ \"status\": \"ERROR\" }");  // no such session

  EXPECT_EQ(call_route("/3001", R"({"id":2,"brightness":1,"contrast":2,"saturation":3})"), kTextHead + "OK");
  const char* stored = "\"brightness\": 1, \"contrast\": 2, \"saturation\": 3";
  EXPECT_NE(eventually("/3000", R"({"chnid":2})", "", stored).find(stored), std::string::npos);
}
}  // namespace

// ---- Golden table: routes, codes, waits and reply widths as the device defines them ----

TEST(StreamGolden, RoutesCodesWaitsAndReplies) {
  expect_module_routes("stream", {
      {"/4000", "on_search_playback"}, {"/4023", "on_search_playback_page"}, {"/4001", "on_start_playback"},
      {"/4020", "on_start_playback_mask"}, {"/4002", "on_get_playback_time"}, {"/4003", "on_stop_playback"},
      {"/4004", "on_pause_playback"}, {"/4005", "on_resume_playback"}, {"/4006", "on_step_foward_playback"},
      {"/3003", "on_step_playback_batch"}, {"/4007", "on_fastforward_playback"},
      {"/4008", "on_slowforward_playback"}, {"/4022", "on_set_speed_playback"}, {"/4009", "on_jump_playback"},
      {"/4010", "on_start_live"}, {"/4011", "on_stop_live"}, {"/4012", "on_stop_all_live"},
      {"/4024", "on_log_live_view"}, {"/4014", "on_log_channel_event"}, {"/4017", "on_log_channel_user_event"},
      {"/4015", "on_check_channel_a"}, {"/4016", "on_check_channel_b"}, {"/4025", "on_set_playback_transcoding"},
      {"/4026", "on_get_playback_transcoding"}, {"/4013", "on_download_playback"},
      {"/4019", "on_get_download_status"}, {"/4027", "on_stop_download"}, {"/4018", "on_get_rtsp_addr"},
      {"/4021", "on_get_extern_ports"}, {"/3000", "on_get_image_param"}, {"/3001", "on_set_image_param"},
      {"/3002", "on_reset_image_param"}, {"/3004", "on_get_stream_busy"},
  });
  expect_codes({
      {kReqSearch, 1159, 1000},        {kReqCloseSearch, 1160, 1000},   {kReqCloseSession, 1903, 1000},
      {kReqSearchPage, 1161, 1000},    {kReqOpenPlayback, 1162, 1000},  {kReqPlaybackStream, 3502, 1000},
      {kReqOpenMaskPlayback, 3109, 1000}, {kReqPlayTime, 1153, 3000},   {kReqStopPlayback, 1164, 1000},
      {kReqPause, 1165, 1000},         {kReqResume, 1166, 1000},        {kReqStep, 1170, 1000},
      {kReqStepBatch, 1113, 1000},     {kReqFastForward, 1112, 1000},   {kReqSlowForward, 1149, 1000},
      {kReqSetSpeed, 1167, 1000},      {kReqJump, 1171, 3000},          {kReqStartLive, 3500, 1000},
      {kReqStopLive, 1901, 1000},      {kReqStopAllLive, 1902, 1000},   {kReqTranscode, 1176, 1000},
      {kReqTranscodeState, 1177, 1000}, {kReqDownload, 1173, 1000},     {kReqStopDownload, 1178, 1000},
      {kReqRtspAddr, 3503, 1000},      {kReqExternPorts, 3506, 1000},   {kReqGetImage, 3002, 1000},
      {kReqSetImage, 1205, 1000},      {kReqStreamBusy, 4011, 1000},    {kReqOpenSession, 3103, 1000},
  });
  expect_replies(stream_reply_table(), {
      {6153, 8}, {6159, 80}, {6161, 80}, {6162, 4}, {6171, 4}, {6173, 614504}, {6176, 12}, {6177, 12}, {8002, 44},
      {8103, 40}, {8500, 1040}, {8502, 152}, {8503, 1476}, {8506, 8}, {9011, 4},
      {8109, 40},  // the mask playback's opening reply, read as 8103
  });
}
