#include "common/converters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/ipc.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "support/test_root.h"

namespace {

const char* const kDb = devpaths::kKvdb;

std::string text_of(json_object* o) {
  JsonPtr owned(o);
  return o ? json_object_to_json_string(o) : "(null)";
}

JsonPtr parse(const char* text) {
  JsonPtr j = json_parse(text);
  EXPECT_TRUE(j) << text;
  return j;
}

class ConvertersTest : public ::testing::Test {
 protected:
  TestRoot root_;
};

// ---- Schedules ----

TEST_F(ConvertersTest, ScheduleJsonIsEightDaysOfTwelvePeriodObjects) {
  ScheduleRec r{};
  strcpy(r.day[0].period[0].start, "08:00");
  strcpy(r.day[0].period[0].end, "12:30");
  r.day[0].period[0].action = 2;
  memset(r.day[7].period[11].start, 'x', sizeof r.day[7].period[11].start);  // no terminator
  r.day[7].period[12].action = 5;                                            // past the 12 shown
  std::string empty = "{ \"startTime\": \"\", \"endTime\": \"\", \"actionType\": 0 }";
  std::string day = "[ ";
  for (int p = 0; p < 12; ++p) day += (p ? ", " : "") + empty;
  day += " ]";
  std::string first = day;
  first.replace(2, empty.size(), R"({ "startTime": "08:00", "endTime": "12:30", "actionType": 2 })");
  std::string last = day;
  last.replace(last.rfind(empty), empty.size(),
               "{ \"startTime\": \"" + std::string(32, 'x') + "\", \"endTime\": \"\", \"actionType\": 0 }");
  std::string want = "[ " + first;
  for (int d = 1; d < 7; ++d) want += ", " + day;
  want += ", " + last + " ]";
  EXPECT_EQ(text_of(get_schedule_json_object(&r)), want);
  EXPECT_EQ(text_of(get_schedule_json_object_ex(&r)), want);
}

TEST_F(ConvertersTest, ScheduleReaderTakesArrayPeriodsOnly) {
  JsonPtr j = parse(R"({"s": [
      [["01:00", "02:00", 3], {"startTime": "05:00", "endTime": "06:00", "actionType": 1}, ["only start"]],
      [],
      "not a day",
      [["0123456789012345678901234567890123456789", "x", "7"]]]})");
  ScheduleRec r;
  memset(&r, 0x7f, sizeof r);
  ASSERT_EQ(get_schedule_by_json(j.get(), "s", &r), 0);
  EXPECT_STREQ(r.day[0].period[0].start, "01:00");
  EXPECT_STREQ(r.day[0].period[0].end, "02:00");
  EXPECT_EQ(r.day[0].period[0].action, 3);
  EXPECT_STREQ(r.day[0].period[1].start, "");  // an object is not a period
  EXPECT_EQ(r.day[0].period[1].action, 0);
  EXPECT_STREQ(r.day[0].period[2].start, "only start");
  EXPECT_STREQ(r.day[0].period[2].end, "");
  EXPECT_EQ(strlen(r.day[3].period[0].start), 31u);  // cut to the field
  EXPECT_EQ(r.day[3].period[0].action, 7);
  EXPECT_EQ(r.day[7].whole_day_enable, 0);  // the whole record was cleared
  EXPECT_EQ(r.day[0].period[47].unused, 0);

  ScheduleRec again{};
  EXPECT_EQ(get_schedule_by_json_ex(j.get(), "s", &again), 0);
  EXPECT_EQ(memcmp(&r, &again, sizeof r), 0);
  EXPECT_EQ(get_schedule_by_json(j.get(), "missing", &r), -1);
  EXPECT_EQ(get_schedule_by_json(nullptr, "s", &r), -1);
  EXPECT_EQ(get_schedule_by_json(j.get(), "s", nullptr), -1);
  JsonPtr bad = parse(R"({"s": {"0": []}})");
  EXPECT_EQ(get_schedule_by_json(bad.get(), "s", &r), -1);
}

TEST_F(ConvertersTest, CameraSideScheduleForm) {
  std::string rows = "[";
  for (int d = 0; d < 8; ++d) {
    rows += d ? ",[" : "[";
    for (int p = 0; p < 12; ++p) rows += (p ? "," : "") + std::string("[\"1\",\"2\",9]");
    rows += "]";
  }
  rows += "]";
  JsonPtr j = parse(("{\"s\":" + rows + "}").c_str());
  ScheduleRec r{};
  ASSERT_EQ(get_schedule_by_json_ipc(j.get(), "s", &r), 0);
  for (int d = 0; d < 7; ++d) EXPECT_EQ(r.day[d].whole_day_enable, 1) << d;
  EXPECT_EQ(r.day[7].whole_day_enable, 0);
  EXPECT_STREQ(r.day[7].period[0].start, "");
  EXPECT_STREQ(r.day[6].period[9].end, "2");
  EXPECT_STREQ(r.day[6].period[10].start, "");  // 10 periods a day
  EXPECT_EQ(r.day[0].period[0].action, 0);      // no action in this form

  r.day[7].period[0].start[0] = 'z';  // day 7 never set: printed empty
  std::string out = text_of(get_schedule_json_object_ipc(&r));
  std::string unset = "[ ";
  for (int p = 0; p < 12; ++p) unset += std::string(p ? ", " : "") + "{ \"startTime\": \"\", \"endTime\": \"\" }";
  unset += " ] ]";
  EXPECT_EQ(out.substr(out.size() - unset.size()), unset);
  EXPECT_EQ(out.rfind("[ [ { \"startTime\": \"1\", \"endTime\": \"2\" }, ", 0), 0u) << out;
  EXPECT_EQ(out.find("actionType"), std::string::npos);
}

TEST_F(ConvertersTest, CopyFlagFromListAndCount) {
  JsonPtr j = parse(R"({"copyChn": [0, 5, 64, -1, 9], "copyCnt": 4, "zero": 0, "big": 99, "text": "2"})");
  EXPECT_EQ(get_copy_flag_by_json(j.get(), "copyChn", "copyCnt"), (1ull << 0) | (1ull << 5));
  EXPECT_EQ(get_copy_flag_by_json(j.get(), "copyChn", "zero"), 0u);
  EXPECT_EQ(get_copy_flag_by_json(j.get(), "copyChn", "nocount"), 0u);
  EXPECT_EQ(get_copy_flag_by_json(j.get(), "copyChn", "big"), (1ull << 0) | (1ull << 5) | (1ull << 9));
  EXPECT_EQ(get_copy_flag_by_json(j.get(), "text", "copyCnt"), 0u);
  EXPECT_EQ(get_copy_flag_by_json(nullptr, "copyChn", "copyCnt"), 0u);
}

// ---- Name pairs, LED, HTTP ----

TEST_F(ConvertersTest, AlarmOutputNamePair) {
  EXPECT_EQ(text_of(get_event_chn_alarmout_object("0101", nullptr)), R"([ "0101", "" ])");
  JsonPtr j = parse(("{\"t\": [\"" + std::string(70, 'a') + "\", \"b\"]}").c_str());
  EventChnAlarmout recs[2]{};
  ASSERT_EQ(get_event_chn_alarmout_by_object(7, j.get(), "t", recs), 0);
  EXPECT_EQ(strlen(recs[0].name), 64u);
  EXPECT_EQ(recs[1].index, 7);
  EXPECT_EQ(recs[1].pos, 1);
  EXPECT_STREQ(recs[1].name, "b");
  EXPECT_EQ(get_event_chn_alarmout_by_object(7, j.get(), "none", recs), -1);
}

TEST_F(ConvertersTest, WhiteLedBothFormsAndStoredJson) {
  JsonPtr objs = parse(R"({"w": [{"chnid": 1, "mode": 2, "time": 30}, {"time": 5}, 7, {"chnid": 9}]})");
  WhiteLedParams r{};
  int n = -1;
  ASSERT_EQ(get_white_params_by_json(3, &r, objs.get(), "w", &n), 0);
  ASSERT_EQ(n, 2);  // stops at the first element that is neither form
  EXPECT_EQ(r.entry[0].chn, 3);
  EXPECT_EQ(r.entry[0].mode, 2);
  EXPECT_EQ(r.entry[1].time, 5);
  EXPECT_EQ(r.entry[1].chnid, 0);
  EXPECT_EQ(r.entry[2].chn, 0);

  JsonPtr arrays = parse(R"({"w": [[4, 1, 10], [5]]})");
  ASSERT_EQ(get_white_params_by_json(3, &r, arrays.get(), "w", &n), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(r.entry[0].chnid, 4);
  EXPECT_EQ(r.entry[0].time, 10);
  EXPECT_EQ(r.entry[1].chnid, 5);
  EXPECT_EQ(get_white_params_by_json(3, &r, arrays.get(), "x", &n), -1);

  std::string many = "{\"w\": [";
  for (int i = 0; i < 20; ++i) many += (i ? "," : "") + std::string("[1,1,1]");
  JsonPtr big = parse((many + "]}").c_str());
  ASSERT_EQ(get_white_params_by_json(3, &r, big.get(), "w", &n), 0);
  EXPECT_EQ(n, 16);

  ASSERT_EQ(get_white_params_by_json(3, &r, objs.get(), "w", &n), 0);
  ASSERT_EQ(write_whiteled_params_all(kDb, "motion_white_led_params", 3, &r, n), 0);
  EXPECT_EQ(text_of(get_white_params_json_object(3, "motion_white_led_params")),
            R"([ { "chnid": 1, "mode": 2, "time": 30 }, { "chnid": 0, "mode": 0, "time": 5 } ])");
  EXPECT_EQ(text_of(get_white_params_json_object(4, "motion_white_led_params")), "[ ]");

  ASSERT_EQ(get_pcnt_white_params_by_json(8, &r, arrays.get(), "w", &n), 0);
  ASSERT_EQ(write_peoplecnt_wled_params_all(kDb, 8, &r, n), 0);
  EXPECT_EQ(text_of(get_pcnt_white_params_json_object(8)),
            R"([ { "chnid": 4, "mode": 1, "time": 10 }, { "chnid": 5, "mode": 0, "time": 0 } ])");
}

TEST_F(ConvertersTest, WarningLightKeepsItsOtherWords) {
  JsonPtr j = parse(R"({"l": [{"chnid": 2, "time": 15}, [3, 20]]})");
  WarningLightParams r{};
  int n = 0;
  ASSERT_EQ(get_warning_light_params_by_json(1, &r, j.get(), "l", &n), 0);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(r.entry[0].time, 15);
  EXPECT_EQ(r.entry[1].chnid, 3);
  EXPECT_EQ(r.entry[1].time, 20);
  EXPECT_EQ(r.entry[1].reserved1, 0);
  ASSERT_EQ(write_warning_light_params_all(kDb, "motion_warning_light_params", 1, &r, n), 0);
  EXPECT_EQ(text_of(get_warning_light_params_json_object(1, "motion_warning_light_params")),
            R"([ { "chnid": 2, "time": 15 }, { "chnid": 3, "time": 20 } ])");
}

TEST_F(ConvertersTest, HttpTargetTextsPassUnchanged) {
  JsonPtr j = parse(R"({"h": {"url": "http://cam/a%20b?x=%41&y=\"q\"", "username": "u%", "password": 5}})");
  HttpNotifyParams r{};
  ASSERT_EQ(get_http_params_by_json(6, &r, j.get(), "h"), 0);
  EXPECT_EQ(r.chn, 6);
  EXPECT_STREQ(r.url, "http://cam/a%20b?x=%41&y=\"q\"");
  EXPECT_STREQ(r.password, "");  // not a text
  ASSERT_EQ(write_http_notification_params(kDb, "motion_http_notification_params", 6, &r), 0);
  EXPECT_EQ(text_of(get_http_params_json_object(6, "motion_http_notification_params")),
            R"({ "chnId": 6, "url": "http:\/\/cam\/a%20b?x=%41&y=\"q\"", "username": "u%", "password": "" })");
  EXPECT_EQ(text_of(get_http_params_json_object(7, "motion_http_notification_params")),
            R"({ "chnId": 7, "url": "", "username": "", "password": "" })");

  JsonPtr longer = parse(("{\"h\": {\"url\": \"" + std::string(600, 'u') + "\"}}").c_str());
  ASSERT_EQ(get_http_params_by_json(6, &r, longer.get(), "h"), 0);
  EXPECT_EQ(strlen(r.url), 512u);
  EXPECT_EQ(get_http_params_by_json(6, &r, j.get(), "none"), -1);
  JsonPtr not_object = parse(R"({"h": "x"})");
  EXPECT_EQ(get_http_params_by_json(6, &r, not_object.get(), "h"), -1);
}

// ---- PTZ ----

TEST_F(ConvertersTest, PtzSetThenGetPerTypeAndChannel) {
  JsonPtr j = parse(R"([{"acto_ptz_channel": 2, "acto_ptz_type": 1, "acto_ptz_preset": 4, "acto_ptz_patrol": 0,
                         "acto_ptz_pattern": 3}, "junk", {"acto_ptz_channel": 0}, {"acto_ptz_channel": 5,
                         "acto_ptz_type": 2, "acto_ptz_patrol": 1}])");
  PtzParams p{};
  EXPECT_EQ(get_ptz_params_by_json(40, 1, j.get(), &p), 3);
  EXPECT_EQ(p.entry[0].chn_id, 40);
  EXPECT_EQ(p.entry[0].acto_ptz_pattern, 3);
  EXPECT_EQ(get_ptz_params_by_json(64, 1, j.get(), &p), -1);
  EXPECT_EQ(get_ptz_params_by_json(0, 1, nullptr, &p), -1);

  EXPECT_EQ(set_ptz_params_by_json(0, 1, j.get()), 1);
  const char* want =
      R"([ { "acto_ptz_channel": 2, "acto_ptz_type": 1, "acto_ptz_preset": 4, "acto_ptz_patrol": 0 }, )"
      R"({ "acto_ptz_channel": 5, "acto_ptz_type": 2, "acto_ptz_preset": 0, "acto_ptz_patrol": 1 } ])";
  EXPECT_EQ(text_of(get_ptz_params_json_object(1, 0)), want);  // channel 0 is listed too
  EXPECT_EQ(text_of(get_ptz_params_json_object(2, 0)), "[ ]");
  EXPECT_EQ(set_ptz_params_by_json(40, 1, j.get()), 1);
  EXPECT_EQ(text_of(get_ptz_params_json_object(1, 40)), want);
  EXPECT_EQ(set_ptz_params_by_json(0, 1, nullptr), 0);
  EXPECT_EQ(text_of(get_ptz_params_json_object(1, 0)), want);  // nothing changed

  JsonPtr empty = parse("[]");
  EXPECT_EQ(set_ptz_params_by_json(0, 1, empty.get()), 1);  // clears the set
  EXPECT_EQ(text_of(get_ptz_params_json_object(1, 0)), "[ ]");

  EXPECT_EQ(set_ptz_params_by_json(8, kPtzTypePeoplecnt, j.get()), 1);
  EXPECT_EQ(text_of(get_ptz_params_json_object(kPtzTypePeoplecnt, 8)), want);
  EXPECT_EQ(text_of(get_ptz_params_json_object(1, 8)), "[ ]");
}

TEST_F(ConvertersTest, SmallMappings) {
  EXPECT_EQ(get_smart_event_ptz_type(0), 5);
  EXPECT_EQ(get_smart_event_ptz_type(8), 13);
  EXPECT_EQ(get_smart_event_ptz_type(9), -1);
  EXPECT_EQ(get_smart_event_ptz_type(-1), -1);
  EXPECT_EQ(on_cgi_is_kv_lpr(10), 0);
  EXPECT_EQ(on_cgi_is_kv_lpr(11), 1);
  EXPECT_EQ(on_cgi_is_kv_lpr(14), 1);
  EXPECT_EQ(on_cgi_is_kv_lpr(15), 0);

  AlarmAudioFile f{};
  for (int id : {0, 3, 9}) {
    f.id = id;
    f.enable = id == 3 ? 2 : 1;  // only 1 marks a slot in use
    ASSERT_EQ(write_alarm_audio_file(kDb, &f), 0);
  }
  EXPECT_EQ(get_audio_file_id_mask(), (1 << 0) | (1 << 9));
}

// ---- Accessors ----

TEST_F(ConvertersTest, RequestAccessors) {
  EXPECT_EQ(get_request_tokener_json_object(nullptr), nullptr);
  EXPECT_EQ(get_request_tokener_json_object("{\"a\": "), nullptr);
  JsonPtr j(get_request_tokener_json_object(R"({"n": 5, "s": "7", "t": "hello", "f": 1.5, "o": {}})"));
  ASSERT_TRUE(j);
  int v = -1;
  EXPECT_EQ(on_cgi_get_value_by_json(R"({"chnid": 12})", "chnid", &v), 0);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(on_cgi_get_value_by_json("not json", "chnid", &v), -1);
  EXPECT_EQ(on_cgi_get_value_by_json(nullptr, "chnid", &v), -1);
  EXPECT_EQ(on_cgi_get_int_from_json(j.get(), "s", &v), 0);  // a number sent as text
  EXPECT_EQ(v, 7);
  EXPECT_EQ(on_cgi_get_int_from_json(j.get(), "t", &v), -1);
  EXPECT_EQ(on_cgi_get_int_from_json(j.get(), "f", &v), -1);
  EXPECT_EQ(on_cgi_get_int_from_json(j.get(), "missing", &v), -1);
  char buf[4];
  EXPECT_EQ(on_cgi_get_string_from_json(j.get(), "t", buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "hel");
  EXPECT_EQ(on_cgi_get_string_from_json(j.get(), "o", buf, sizeof buf), -1);
  EXPECT_EQ(on_cgi_get_string_from_json(j.get(), "t", buf, 0), -1);
}

TEST_F(ConvertersTest, RuleTableReportsTheFailingKey) {
  constexpr JsonRule kRules[] = {
      {"chnid", true, JsonType::kInt, 0, 63},
      {"name", false, JsonType::kText, 1, 8},
      {"list", false, JsonType::kArray, 0, 2},
  };
  const char* failed = nullptr;
  JsonPtr ok = parse(R"({"chnid": 63, "name": "a"})");
  EXPECT_TRUE(json_check(ok.get(), kRules, &failed));
  struct {
    const char* text;
    const char* key;
  } cases[] = {{R"({"name": "a"})", "chnid"},          {R"({"chnid": 64})", "chnid"},
               {R"({"chnid": "x"})", "chnid"},         {R"({"chnid": 1, "name": ""})", "name"},
               {R"({"chnid": 1, "name": 5})", "name"}, {R"({"chnid": 1, "list": [1, 2, 3]})", "list"}};
  for (auto& c : cases) {
    JsonPtr j = parse(c.text);
    EXPECT_FALSE(json_check(j.get(), kRules, &failed)) << c.text;
    EXPECT_STREQ(failed, c.key) << c.text;
  }
  JsonPtr arr = parse("[1]");
  EXPECT_FALSE(json_check(arr.get(), kRules));
  int v = 0;
  EXPECT_EQ(json_get_int(arr.get(), "x", &v), JsonGet::kMissing);
  EXPECT_EQ(json_get_int(ok.get(), "name", &v), JsonGet::kBadType);
  EXPECT_EQ(json_array_at(ok.get(), 0), nullptr);  // not an array: no element, no abort
}

// ---- Files ----

TEST_F(ConvertersTest, FileReadAndReplace) {
  std::string path = root_.path("/tmp/data.bin");
  std::string bytes("a\0b\xff", 4);
  ASSERT_EQ(kv_wirte_file_data(path.c_str(), bytes.data(), 4), 0);
  int len = -1;
  char* got = kv_get_file_data(path.c_str(), &len);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got, static_cast<size_t>(len)), bytes);
  free(got);
  ASSERT_EQ(kv_wirte_file_data(path.c_str(), "z", 1), 0);  // truncates
  EXPECT_EQ(root_.read_file("/tmp/data.bin"), "z");

  EXPECT_EQ(kv_get_file_data(root_.path("/tmp/none").c_str(), &len), nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(kv_get_file_data(root_.path("/tmp").c_str(), &len), nullptr);  // a directory
  EXPECT_EQ(kv_wirte_file_data(root_.path("/no/dir/x").c_str(), "z", 1), -1);
  EXPECT_EQ(kv_wirte_file_data(path.c_str(), nullptr, 3), -1);
  // A target that cannot be replaced keeps what it had, and no temporary is left.
  EXPECT_EQ(kv_wirte_file_data(root_.path("/tmp").c_str(), "z", 1), -1);
  EXPECT_EQ(root_.read_file("/tmp/data.bin"), "z");
  for (auto& e : std::filesystem::directory_iterator(root_.dir()))
    EXPECT_NE(e.path().filename().string().rfind("tmp.", 0), 0u) << e.path();
}

// ---- Reply callbacks ----

TEST_F(ConvertersTest, CommonReplyCallbacks) {
  {
    CgiOutput out;
    g_callback_done = 0;
    on_cgi_common_json_cb(0, "\3\0\0\0");
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(g_callback_done.load(), 0);
    int32_t status = -4;
    on_cgi_common_json_cb(1, &status);
    EXPECT_EQ(out.text(), "Content-type: application/json\r\n\r\n{ \"status\": -4 }");
    EXPECT_NE(g_callback_done.load(), 0);
  }
  struct {
    int status;
    const char* data;
    std::string want;
  } cases[] = {{0, "f.wav", "CGI OK status:[0], data:[f.wav]"},
               {3, nullptr, "CGI OK status:[3]"},
               {-2, "", "CGI ERROR status:[-2], data:[]"}};
  for (auto& c : cases) {
    CgiOutput out;
    g_callback_done = 0;
    on_cgi_common_text_cb(1, c.status, c.data);
    EXPECT_EQ(out.text(), "Content-type: text/plain\r\n\r\n" + c.want);
    EXPECT_NE(g_callback_done.load(), 0);
  }
  CgiOutput out;
  on_cgi_common_text_cb(1, 0, std::string(400, 'd').c_str());
  EXPECT_EQ(out.text().size(), strlen("Content-type: text/plain\r\n\r\n") + 255);
}

}  // namespace
