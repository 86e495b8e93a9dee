#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kvdb.h"
#include "platform/kvdb_video.h"
#include "support/test_root.h"

namespace {

const char* const kDb = devpaths::kKvdb;
const ScheduleRec kZeroSchedule{};

// A family of every column type, with fixed slots, as later modules add them.
struct SlotRec {
  int32_t id;
  int32_t enable;
  char name[16];
  uint64_t mask;
  int64_t big;
  float ratio;
  unsigned char raw[6];
};
constexpr kvdb::Column kSlotCols[] = {KVDB_COL(SlotRec, id),   KVDB_COL(SlotRec, enable), KVDB_COL(SlotRec, name),
                                      KVDB_COL(SlotRec, mask), KVDB_COL(SlotRec, big),    KVDB_COL(SlotRec, ratio),
                                      KVDB_BLOB(SlotRec, raw, "raw")};
constexpr kvdb::Family kSlotFamily = kvdb::family<SlotRec>("test_slot", "test_slot", kSlotCols, 1);
KVDB_REGISTER(kSlotFamily);

// Raw SQL on a database file (to set up what the library cannot).
void sql(const std::string& file, const char* statement) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* err = nullptr;
  EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
  sqlite3_free(err);
  sqlite3_close(db);
}

ScheduleRec patterned_schedule(unsigned seed) {
  ScheduleRec r;
  auto* b = reinterpret_cast<unsigned char*>(&r);
  for (size_t i = 0; i < sizeof r; ++i) b[i] = static_cast<unsigned char>((i * 7 + seed) % 251);
  return r;
}

PtzActionEntry ptz(int chn, int cam, int preset = 0) {
  PtzActionEntry e{};
  e.chn_id = chn;
  e.acto_ptz_channel = cam;
  e.acto_ptz_type = 1;
  e.acto_ptz_preset = preset;
  return e;
}

std::vector<int> ptz_cams(int type, int chn) {
  PtzParams p{};
  int n = -1;
  EXPECT_EQ(read_ptz_params(kDb, type, chn, &p, &n), 0);
  std::vector<int> cams;
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(p.entry[i].chn_id, chn);
    cams.push_back(p.entry[i].acto_ptz_channel);
  }
  return cams;
}

class KvdbTest : public ::testing::Test {
 protected:
  TestRoot root_;
  std::string file_ = root_.path(kDb);
  // The file of kvdb.db that keeps a family.
  std::string family_file(const char* family) {
    return root_.path(kvdb::file_path(kDb, kvdb::file_of(*kvdb::find_family(family))).c_str());
  }
};

TEST_F(KvdbTest, MissingFileIsCreatedWithFactoryParameters) {
  ASSERT_FALSE(root_.exists(kDb));
  EXPECT_EQ(get_param_int(kDb, "max_cameras", 0), 32);
  EXPECT_TRUE(root_.exists(kDb));
  struct {
    const char* key;
    int value;
  } ints[] = {{"alarm_in", 16}, {"alarm_out", 4}, {"homologous", 1}, {"pushmsg_alarmin_type", 65535},
              {"access_filter_type", 1}, {"raidmode", 0}};
  for (auto& p : ints) EXPECT_EQ(get_param_int(kDb, p.key, -7), p.value) << p.key;
  struct {
    const char* key;
    const char* value;
  } texts[] = {{"company", "Varenholt"},          {"deviceid", "255"},       {"hardware_version", "V1.1"},
               {"software_version", "7x.7.0.9"}, {"poepsd", "qa5172"},      {"hdmihotplug", "1"},
               {"plugin_version", "1.0"},        {"model", ""}};
  for (auto& p : texts) {
    char buf[64];
    EXPECT_EQ(get_param_value(kDb, p.key, buf, sizeof buf, "default"), 0) << p.key;
    EXPECT_STREQ(buf, p.value);
  }
  // Keys the pages add themselves are not factory keys.
  EXPECT_NE(check_param_key(kDb, "decode"), 0);
  EXPECT_NE(check_param_key(kDb, "quick_screen"), 0);
}

TEST_F(KvdbTest, MissingDirectoryIsCreatedToo) {
  const char* path = "/mnt/nand/fresh/dir/other.db";
  ScheduleRec in = patterned_schedule(1), out{};
  EXPECT_EQ(write_schedule(path, "sche", 0, &in), 0);
  EXPECT_EQ(read_schedule(path, "sche", 0, &out), 0);
  EXPECT_EQ(memcmp(&in, &out, sizeof in), 0);
}

// Databases reached through links: the write lands in the real file, and the name
// SQLite journals under sits in the real file's directory with its name, whether the
// file or a directory above it is a link.
TEST_F(KvdbTest, LinkedDatabaseWritesTheRealFile) {
  struct {
    const char* device_path;  // opened by the library
    const char* link;         // made a link to ...
    const char* target;       // ... this, under the root
    const char* real_file;    // where the rows must land
  } cases[] = {
      {"/mnt/a/kv.db", "/mnt/a/kv.db", "/mnt/real_a.db", "/mnt/real_a.db"},
      {"/mnt/b/dir/kv.db", "/mnt/b/dir", "/mnt/real_b", "/mnt/real_b/kv.db"},
      {"/mnt/c//kv.db", "/mnt/c", "/mnt/real_c", "/mnt/real_c/kv.db"},
  };
  for (auto& c : cases) {
    std::string link = root_.path(c.link), target = root_.path(c.target);
    ASSERT_EQ(system(("mkdir -p \"$(dirname '" + link + "')\"").c_str()), 0);
    if (strstr(c.target, ".db"))
      ASSERT_EQ(system(("touch '" + target + "'").c_str()), 0);
    else
      ASSERT_EQ(system(("mkdir -p '" + target + "'").c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0) << c.link;
    ScheduleRec in = patterned_schedule(3), out{};
    EXPECT_EQ(write_schedule(c.device_path, "sche", 1, &in), 0) << c.device_path;
    EXPECT_EQ(read_schedule(c.real_file, "sche", 1, &out), 0) << c.real_file;
    EXPECT_EQ(memcmp(&in, &out, sizeof in), 0) << c.device_path;
    kvdb::Txn t(c.device_path, kvdb::Txn::kRead);
    ASSERT_TRUE(t.ok()) << c.device_path;
    std::string used = sqlite3_db_filename(t.db(), "main"), real = root_.path(c.real_file);
    auto dir_of = [](const std::string& f) {
      char* r = realpath(f.substr(0, f.rfind('/')).c_str(), nullptr);
      std::string d = r ? r : "";
      free(r);
      return d;
    };
    EXPECT_EQ(dir_of(used), dir_of(real)) << c.device_path;
    EXPECT_EQ(used.substr(used.rfind('/')), real.substr(real.rfind('/'))) << c.device_path;
  }
}

TEST_F(KvdbTest, ParametersGetSetAddAndCheck) {
  char buf[8];
  EXPECT_EQ(get_param_int(kDb, "no_such_key", 42), 42);
  EXPECT_EQ(get_param_value(kDb, "no_such_key", buf, sizeof buf, "dflt"), -1);
  EXPECT_STREQ(buf, "dflt");
  EXPECT_NE(check_param_key(kDb, "decode"), 0);
  EXPECT_EQ(add_param_value(kDb, "decode", "1"), 0);
  EXPECT_EQ(check_param_key(kDb, "decode"), 0);
  EXPECT_EQ(add_param_value(kDb, "decode", "2"), -1);  // add never replaces
  EXPECT_EQ(get_param_int(kDb, "decode", 0), 1);

  EXPECT_EQ(set_param_int(kDb, "group_mode", -12), 0);
  EXPECT_EQ(get_param_int(kDb, "group_mode", 0), -12);
  EXPECT_EQ(set_param_int(kDb, "push_new_key", 5), 0);  // a key not stored yet is kept, not dropped
  EXPECT_EQ(get_param_int(kDb, "push_new_key", 0), 5);

  EXPECT_EQ(set_param_value(kDb, "deviceid", "12abc"), 0);
  EXPECT_EQ(get_param_int(kDb, "deviceid", 9), 9);  // not a number: the default
  EXPECT_EQ(set_param_value(kDb, "deviceid", "99999999999"), 0);
  EXPECT_EQ(get_param_int(kDb, "deviceid", 9), 9);  // out of int range
  EXPECT_EQ(get_param_value(kDb, "software_version", buf, sizeof buf, ""), 0);
  EXPECT_STREQ(buf, "7x.7.0.");  // cut at size - 1

  EXPECT_EQ(set_param_value(kDb, std::string(64, 'k').c_str(), "1"), -1);
  EXPECT_EQ(set_param_value(kDb, "model", std::string(1024, 'v').c_str()), -1);
  EXPECT_EQ(set_param_value(kDb, nullptr, "1"), -1);
  EXPECT_EQ(get_param_value(kDb, "model", nullptr, 4, ""), -1);
}

TEST_F(KvdbTest, ScheduleRoundTripsByteExactAndCopiesToMask) {
  ScheduleRec a = patterned_schedule(3), b = patterned_schedule(9), out = patterned_schedule(1);
  EXPECT_EQ(read_schedule(kDb, "motion_whiteled_esche", 2, &out), -1);  // no table yet: zero record
  EXPECT_EQ(memcmp(&out, &kZeroSchedule, sizeof out), 0);
  ASSERT_EQ(write_schedule(kDb, "motion_whiteled_esche", 2, &a), 0);
  ASSERT_EQ(write_schedule(kDb, "motion_whiteled_esche", 3, &b), 0);
  ASSERT_EQ(read_schedule(kDb, "motion_whiteled_esche", 2, &out), 0);
  EXPECT_EQ(memcmp(&a, &out, sizeof a), 0);
  EXPECT_EQ(read_schedule(kDb, "motion_whiteled_esche", 4, &out), -1);

  ASSERT_EQ(copy_schedules(kDb, "motion_whiteled_esche", 2, (1ull << 2) | (1ull << 3) | (1ull << 63)), 0);
  for (int chn : {2, 3, 63}) {
    ASSERT_EQ(read_schedule(kDb, "motion_whiteled_esche", chn, &out), 0) << chn;
    EXPECT_EQ(memcmp(&a, &out, sizeof a), 0) << chn;
  }
  EXPECT_EQ(read_schedule(kDb, "motion_whiteled_esche", 1, &out), -1);
  EXPECT_EQ(write_schedule(kDb, "motion_whiteled_esche", 64, &a), -1);
  EXPECT_EQ(write_schedule(kDb, "motion_whiteled_esche", -1, &a), -1);
}

TEST_F(KvdbTest, BadTableNamesAreRefused) {
  ScheduleRec s = patterned_schedule(1);
  HttpNotifyParams h{};
  WhiteLedParams w{};
  for (const char* bad : {"", "a-b", "x;DROP TABLE params", "sp ace", "sqlite_master", "quote\"d",
                          "a123456789012345678901234567890123456789012345678901234567890123"}) {
    EXPECT_EQ(write_schedule(kDb, bad, 0, &s), -1) << bad;
    EXPECT_EQ(read_schedule(kDb, bad, 0, &s), -1) << bad;
    EXPECT_EQ(write_http_notification_params(kDb, bad, 0, &h), -1) << bad;
    EXPECT_EQ(write_whiteled_params_all(kDb, bad, 0, &w, 1), -1) << bad;
    EXPECT_EQ(copy_table_column_int(kDb, bad, "mode", 1, 1, "id"), -1) << bad;
    EXPECT_EQ(copy_table_column_int(kDb, "params", bad, 1, 1, "id"), -1) << bad;
  }
  EXPECT_EQ(write_schedule(kDb, nullptr, 0, &s), -1);
  EXPECT_EQ(get_param_int(kDb, "max_cameras", 0), 32);  // params untouched
}

TEST_F(KvdbTest, LedEntriesReplaceCopyAndBound) {
  WhiteLedParams in{}, out{};
  for (int i = 0; i < 3; ++i) in.entry[i] = {99, i + 1, 2, 30 * i};
  ASSERT_EQ(write_whiteled_params_all(kDb, "motion_white_led_params", 4, &in, 3), 0);
  int n = -1;
  ASSERT_EQ(read_whiteled_params(kDb, "motion_white_led_params", 4, &out, &n), 0);
  ASSERT_EQ(n, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(out.entry[i].chn, 4);  // stored under the channel written
    EXPECT_EQ(out.entry[i].chnid, i + 1);
    EXPECT_EQ(out.entry[i].time, 30 * i);
  }
  EXPECT_EQ(out.entry[3].chnid, 0);

  ASSERT_EQ(write_whiteled_params_all(kDb, "motion_white_led_params", 4, &in, 1), 0);
  ASSERT_EQ(read_whiteled_params(kDb, "motion_white_led_params", 4, &out, &n), 0);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(out.entry[1].chnid, 0);  // the old entries are gone
  EXPECT_EQ(write_whiteled_params_all(kDb, "motion_white_led_params", 4, &in, 17), -1);

  ASSERT_EQ(copy_whiteled_params(kDb, "motion_white_led_params", 4, (1ull << 4) | (1ull << 7)), 0);
  ASSERT_EQ(read_whiteled_params(kDb, "motion_white_led_params", 7, &out, &n), 0);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(out.entry[0].chn, 7);
  EXPECT_EQ(out.entry[0].chnid, 1);
  ASSERT_EQ(read_whiteled_params(kDb, "motion_white_led_params", 4, &out, &n), 0);
  EXPECT_EQ(n, 1);  // the source is not doubled

  WarningLightParams wl{}, wl_out{};
  wl.entry[0] = {0, 5, 11, 12, 60, 13};
  ASSERT_EQ(write_warning_light_params_all(kDb, "alarm_in_warning_light_params", 0, &wl, 1), 0);
  ASSERT_EQ(read_warning_light_params(kDb, "alarm_in_warning_light_params", 0, &wl_out, &n), 0);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(memcmp(&wl, &wl_out, sizeof wl), 0);

  ASSERT_EQ(write_peoplecnt_wled_params_all(kDb, 8, &in, 2), 0);
  ASSERT_EQ(read_peoplecnt_wled_params(kDb, 8, &out, &n), 0);
  EXPECT_EQ(n, 2);
  ASSERT_EQ(read_whiteled_params(kDb, "motion_white_led_params", 8, &out, &n), 0);
  EXPECT_EQ(n, 0);  // a table of its own
}

TEST_F(KvdbTest, HttpNotificationKeepsTextsAndChannel) {
  HttpNotifyParams in{}, out{};
  std::string url = "http://h/a%20b?x=%41" + std::string(512 - 20, 'u');
  strcpy(in.url, url.c_str());
  strcpy(in.username, std::string(96, 'n').c_str());
  strcpy(in.password, "p%w");
  ASSERT_EQ(write_http_notification_params(kDb, "motion_http_notification_params", 5, &in), 0);
  ASSERT_EQ(read_http_notification_params(kDb, "motion_http_notification_params", 5, &out), 0);
  EXPECT_EQ(out.chn, 5);
  EXPECT_EQ(std::string(out.url), url);
  EXPECT_EQ(strlen(out.username), 96u);
  EXPECT_STREQ(out.password, "p%w");
  EXPECT_EQ(read_http_notification_params(kDb, "motion_http_notification_params", 6, &out), -1);
  EXPECT_EQ(out.chn, 6);
  EXPECT_STREQ(out.url, "");
  ASSERT_EQ(copy_http_notification_params(kDb, "motion_http_notification_params", 5, 1ull << 6), 0);
  ASSERT_EQ(read_http_notification_params(kDb, "motion_http_notification_params", 6, &out), 0);
  EXPECT_EQ(out.chn, 6);
  EXPECT_STREQ(out.password, "p%w");
}

TEST_F(KvdbTest, PtzEntriesByTypeAndSource) {
  PtzActionEntry e = ptz(0, 3, 7);
  ASSERT_EQ(write_ptz_params(kDb, 1, &e), 0);
  e = ptz(0, 4);
  ASSERT_EQ(write_ptz_params(kDb, 1, &e), 0);
  ASSERT_EQ(write_ptz_params(kDb, 2, &e), 0);
  e.acto_ptz_preset = 9;
  ASSERT_EQ(write_ptz_params(kDb, 1, &e), 0);  // same camera: replaced in place
  EXPECT_EQ(ptz_cams(1, 0), (std::vector<int>{3, 4}));
  PtzParams p{};
  int n = 0;
  read_ptz_params(kDb, 1, 0, &p, &n);
  EXPECT_EQ(p.entry[1].acto_ptz_preset, 9);

  e = ptz(0, 0);
  EXPECT_EQ(write_ptz_params(kDb, 1, &e), -1);  // empty entry
  e = ptz(64, 1);
  EXPECT_EQ(write_ptz_params(kDb, 1, &e), -1);

  e = ptz(5, 4);
  ASSERT_EQ(update_ptz_params(kDb, 1, 0, &e), 0);  // moves to source 5
  EXPECT_EQ(ptz_cams(1, 0), (std::vector<int>{3}));
  EXPECT_EQ(ptz_cams(1, 5), (std::vector<int>{4}));
  ASSERT_EQ(delete_ptz_params(kDb, 1, 0, 3), 0);
  EXPECT_TRUE(ptz_cams(1, 0).empty());
  EXPECT_EQ(ptz_cams(2, 0), (std::vector<int>{4}));  // other type untouched

  PtzParams all{};
  all.entry[0] = ptz(40, 2);  // chn_id is taken from the call
  all.entry[1] = ptz(5, 0);   // empty, skipped
  all.entry[5] = ptz(5, 6);
  ASSERT_EQ(write_ptz_params_all(kDb, 1, 5, &all), 0);
  EXPECT_EQ(ptz_cams(1, 5), (std::vector<int>{2, 6}));
  ASSERT_EQ(copy_ptz_params_all(kDb, 1, 5, (1ull << 9) | (1ull << 10)), 0);
  EXPECT_EQ(ptz_cams(1, 9), (std::vector<int>{2, 6}));
  EXPECT_EQ(ptz_cams(1, 10), (std::vector<int>{2, 6}));
  EXPECT_EQ(ptz_cams(2, 9), std::vector<int>{});
}

TEST_F(KvdbTest, PtzEntryLimitsPerSource) {
  for (int cam = 1; cam <= kPtzActionEntries; ++cam) {
    PtzActionEntry e = ptz(3, cam);
    ASSERT_EQ(write_ptz_params(kDb, 0, &e), 0) << cam;
  }
  PtzActionEntry extra = ptz(3, 65);
  EXPECT_EQ(write_ptz_params(kDb, 0, &extra), -1);
  PtzActionEntry again = ptz(3, 64, 1);
  EXPECT_EQ(write_ptz_params(kDb, 0, &again), 0);  // replacing is not adding

  for (int cam = 1; cam <= kPeoplecntPtzEntries; ++cam) {
    PtzActionEntry e = ptz(2, cam);
    ASSERT_EQ(write_peoplecnt_ptz_params(kDb, &e), 0);
  }
  EXPECT_EQ(write_peoplecnt_ptz_params(kDb, &extra), 0);  // other source
  extra.chn_id = 2;
  EXPECT_EQ(write_peoplecnt_ptz_params(kDb, &extra), -1);
  EXPECT_EQ(ptz_cams(kPtzTypePeoplecnt, 2).size(), 16u);
  EXPECT_TRUE(ptz_cams(0, 2).empty());  // its own table

  PtzParams many{};
  for (int i = 0; i < kPtzActionEntries; ++i) many.entry[i] = ptz(1, i + 1);
  ASSERT_EQ(write_peoplecnt_ptz_params_ex(kDb, 1, &many), 0);
  EXPECT_EQ(ptz_cams(kPtzTypePeoplecnt, 1).size(), 16u);
}

TEST_F(KvdbTest, FailedWriteLeavesTheStoredEntries) {
  PtzParams old{};
  old.entry[0] = ptz(1, 5);
  old.entry[1] = ptz(1, 6);
  ASSERT_EQ(write_ptz_params_all(kDb, 1, 1, &old), 0);
  sql(family_file("ptz_params"),
      "CREATE TRIGGER refuse BEFORE INSERT ON ptz_params WHEN NEW.acto_ptz_channel = 99 "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  PtzParams next{};
  next.entry[0] = ptz(1, 7);
  next.entry[1] = ptz(1, 99);
  EXPECT_EQ(write_ptz_params_all(kDb, 1, 1, &next), -1);
  EXPECT_EQ(ptz_cams(1, 1), (std::vector<int>{5, 6}));
}

TEST_F(KvdbTest, UnreadableFileGivesDefaultsAndRefusesWrites) {
  root_.write_file(kDb, std::string(4096, 'x'));
  EXPECT_EQ(get_param_int(kDb, "max_cameras", 7), 7);
  EXPECT_EQ(set_param_int(kDb, "max_cameras", 8), -1);
  ScheduleRec s = patterned_schedule(2);
  EXPECT_EQ(read_schedule(kDb, "t", 0, &s), -1);
  EXPECT_EQ(memcmp(&s, &kZeroSchedule, sizeof s), 0);
  EXPECT_EQ(root_.read_file(kDb), std::string(4096, 'x'));  // never replaced
}

TEST_F(KvdbTest, SlotFamilyColumnsMasksAndFreeSlots) {
  SlotRec recs[4]{};
  for (int i = 0; i < 4; ++i) {
    recs[i].enable = 1;
    snprintf(recs[i].name, sizeof recs[i].name, "slot%d", i);
    recs[i].mask = 0x8000000000000001ull;
    recs[i].big = -(int64_t{1} << 40);
    recs[i].ratio = 0.25f;
    memcpy(recs[i].raw, "\0\1\2\0\3\4", 6);
  }
  ASSERT_EQ(kvdb::write_masked(kDb, kSlotFamily, nullptr, "id", recs, 4, 0b1011), 0);
  SlotRec out[4];
  memset(out, 0x55, sizeof out);
  ASSERT_EQ(kvdb::read_slots(kDb, kSlotFamily, nullptr, "id", out, 4), 0);
  for (int i : {0, 1, 3}) {
    EXPECT_EQ(out[i].id, i);  // the slot is the mask bit
    EXPECT_STREQ(out[i].name, recs[i].name);
    EXPECT_EQ(out[i].mask, 0x8000000000000001ull);
    EXPECT_EQ(out[i].big, -(int64_t{1} << 40));
    EXPECT_EQ(out[i].ratio, 0.25f);
    EXPECT_EQ(memcmp(out[i].raw, "\0\1\2\0\3\4", 6), 0);
  }
  EXPECT_EQ(out[2].enable, 0);
  EXPECT_EQ(out[2].name[0], '\0');
  EXPECT_EQ(kvdb::first_free_slot(kDb, kSlotFamily, nullptr, "id", 4, "enable"), 2);

  SlotRec off = recs[1];
  off.id = 1;
  off.enable = 0;
  strcpy(off.name, "fifteen_chars_x");
  ASSERT_EQ(kvdb::write_one(kDb, kSlotFamily, nullptr, {}, &off), 0);
  EXPECT_EQ(kvdb::first_free_slot(kDb, kSlotFamily, nullptr, "id", 4, "enable"), 1);
  EXPECT_EQ(kvdb::count_rows(kDb, kSlotFamily, nullptr, {}), 3);
  SlotRec one{};
  ASSERT_EQ(kvdb::read_one(kDb, kSlotFamily, nullptr, {{"name", 0, "fifteen_chars_x"}}, &one), 0);
  EXPECT_EQ(one.id, 1);
  EXPECT_EQ(kvdb::read_one(kDb, kSlotFamily, nullptr, {{"nosuchcol", 1}}, &one), -1);
  ASSERT_EQ(kvdb::remove_rows(kDb, kSlotFamily, nullptr, {{"id", 0}}), 0);
  EXPECT_EQ(kvdb::first_free_slot(kDb, kSlotFamily, nullptr, "id", 4, nullptr), 0);
}

TEST_F(KvdbTest, CopyTableColumnIntSetsMaskedRows) {
  ASSERT_EQ(get_param_int(kDb, "alarm_in", 0), 16);  // database exists
  // The factory video loss rows, one per channel, keyed by "id".
  const std::string file = family_file("video_loss");
  sql(file, "UPDATE video_loss SET tri_alarms = 0");
  ASSERT_EQ(copy_table_column_int(kDb, "video_loss", "tri_alarms", 9, 0b1010 | (1ull << 40), "id"), 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT tri_alarms FROM video_loss WHERE id < 4 ORDER BY id", -1, &s, nullptr);
  std::vector<int> got;
  while (sqlite3_step(s) == SQLITE_ROW) got.push_back(sqlite3_column_int(s, 0));
  sqlite3_finalize(s);
  sqlite3_close(db);
  EXPECT_EQ(got, (std::vector<int>{0, 9, 0, 9}));
  EXPECT_EQ(copy_table_column_int(kDb, "video_loss", "no_column", 1, 1, "id"), -1);
  EXPECT_EQ(copy_table_column_int(kDb, "no_table", "mode", 1, 1, "id"), -1);
}

TEST_F(KvdbTest, AlarmAudioSlots) {
  AlarmAudioFile f{};
  f.enable = 1;
  f.id = 9;
  strcpy(f.name, "ZG9vcg");
  ASSERT_EQ(write_alarm_audio_file(kDb, &f), 0);
  f.id = 10;
  EXPECT_EQ(write_alarm_audio_file(kDb, &f), -1);
  AlarmAudioFile files[kAlarmAudioSlots];
  ASSERT_EQ(read_alarm_audio_file(kDb, files), 0);
  EXPECT_EQ(files[9].enable, 1);
  EXPECT_STREQ(files[9].name, "ZG9vcg");
  EXPECT_EQ(files[0].enable, 0);
}

// Each child process writes its own keys; every write must land.
TEST_F(KvdbTest, TwoProcessesWritingAtOnceBothSucceed) {
  ASSERT_EQ(get_param_int(kDb, "max_cameras", 0), 32);
  pid_t pids[2];
  for (int w = 0; w < 2; ++w) {
    pids[w] = fork();
    ASSERT_GE(pids[w], 0);
    if (pids[w] == 0) {
      int failures = 0;
      for (int i = 0; i < 20; ++i) {
        std::string key = "w" + std::to_string(w) + "_" + std::to_string(i);
        failures += set_param_int(kDb, key.c_str(), i) != 0;
        ScheduleRec s = patterned_schedule(static_cast<unsigned>(i));
        failures += write_schedule(kDb, "shared_sche", w, &s) != 0;
      }
      _exit(failures == 0 ? 0 : 1);
    }
  }
  for (pid_t pid : pids) {
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(get_param_int(kDb, ("w" + std::to_string(w) + "_" + std::to_string(i)).c_str(), -1), i);
}

TEST_F(KvdbTest, WriterWaitsForAnotherProcessHoldingTheDatabase) {
  ASSERT_EQ(get_param_int(kDb, "max_cameras", 0), 32);
  // The child is forked before this process opens the file, then told to write.
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    char c;
    close(go[1]);
    if (read(go[0], &c, 1) != 1) _exit(2);
    _exit(set_param_int(kDb, "waited", 1) == 0 ? 0 : 1);
  }
  close(go[0]);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_EQ(write(go[1], "x", 1), 1);
  usleep(300 * 1000);
  int status = -1;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0);  // still waiting
  EXPECT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  close(go[1]);
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(get_param_int(kDb, "waited", 0), 1);
}

// A read-modify-write under a WriteScope: another process's write waits for
// it, so neither is lost; without commit every call of the scope is undone.
TEST_F(KvdbTest, WriteScopeHoldsOtherWritersAndRollsBackUncommitted) {
  ASSERT_EQ(set_param_int(kDb, "counter", 1), 0);
  for (bool keep : {false, true}) {
    kvdb::keep_connections(keep);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t pid = fork();  // before this round opens anything
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      char c;
      close(go[1]);
      if (read(go[0], &c, 1) != 1) _exit(2);
      kvdb::WriteScope scope(kDb);
      _exit(set_param_int(kDb, "counter", get_param_int(kDb, "counter", 0) + 10) == 0 && scope.commit() == 0 ? 0 : 1);
    }
    close(go[0]);
    {
      kvdb::WriteScope scope(kDb);
      ASSERT_TRUE(scope.ok());
      EXPECT_EQ(set_param_int(kDb, "gone", 7), 0);
      EXPECT_EQ(get_param_int(kDb, "gone", 0), 7);
    }
    EXPECT_EQ(get_param_int(kDb, "gone", 0), 0);
    {
      kvdb::WriteScope scope(kDb);
      int n = get_param_int(kDb, "counter", 0);
      ASSERT_EQ(write(go[1], "x", 1), 1);
      usleep(200 * 1000);
      int status = -1;
      EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0);  // held by the scope
      EXPECT_EQ(set_param_int(kDb, "counter", n + 1), 0);
      EXPECT_EQ(add_param_value(kDb, "counter", "x"), -1);  // a failed call keeps the others
      EXPECT_EQ(scope.commit(), 0);
    }
    close(go[1]);
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    kvdb::keep_connections(false);
  }
  EXPECT_EQ(get_param_int(kDb, "counter", 0), 23);
}

}  // namespace

// kvdb.db as the earlier layout kept it: every table of every file in the one
// file, at version 1.
void join_files(const std::string& main_file, const std::vector<std::string>& others) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(main_file.c_str(), &db), SQLITE_OK);
  auto exec = [db](const std::string& q) {
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, q.c_str(), nullptr, nullptr, &err), SQLITE_OK) << q << ": " << (err ? err : "");
    sqlite3_free(err);
  };
  exec("CREATE TABLE IF NOT EXISTS kv_tables(name TEXT PRIMARY KEY, family TEXT NOT NULL)");
  for (const std::string& f : others) {
    exec("ATTACH '" + f + "' AS o");
    std::vector<std::pair<std::string, std::string>> tables;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, sql FROM o.sqlite_master WHERE type='table'", -1, &s,
                       nullptr);
    while (sqlite3_step(s) == SQLITE_ROW)
      tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                          reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
    sqlite3_finalize(s);
    for (auto& [name, create] : tables) {
      if (name != "kv_tables") exec(create);
      exec("INSERT INTO main.\"" + name + "\" SELECT * FROM o.\"" + name + "\"");
    }
    exec("DETACH o");
    unlink(f.c_str());
  }
  exec("PRAGMA user_version=1");
  sqlite3_close(db);
}

TEST_F(KvdbTest, EarlierOneFileLayoutIsSplitOnFirstOpenRowsKept) {
  ScheduleRec in = patterned_schedule(9), out{};
  ASSERT_EQ(write_schedule(kDb, "alarm_chnIn1_x_schedule", 2, &in), 0);
  OsdRec osd{};
  ASSERT_EQ(read_osd(kDb, &osd, 3), 0);
  strcpy(osd.name, "kept over the split");
  ASSERT_EQ(write_osd(kDb, &osd), 0);
  ASSERT_EQ(set_param_int(kDb, "raidmode", 1), 0);
  std::vector<std::string> others;
  for (const std::string& f : kvdb::database_files(kDb))
    if (f != kDb) others.push_back(root_.path(f.c_str()));
  ASSERT_EQ(others.size(), 9u);
  join_files(file_, others);
  ASSERT_FALSE(root_.exists(kvdb::database_files(kDb)[1].c_str()));

  // A read of the parameters alone brings the whole database over.
  EXPECT_EQ(get_param_int(kDb, "raidmode", 0), 1);
  for (const std::string& f : others) EXPECT_EQ(access(f.c_str(), F_OK), 0) << f;
  ASSERT_EQ(read_schedule(kDb, "alarm_chnIn1_x_schedule", 2, &out), 0);
  EXPECT_EQ(memcmp(&in, &out, sizeof in), 0);
  OsdRec back{};
  ASSERT_EQ(read_osd(kDb, &back, 3), 0);
  EXPECT_STREQ(back.name, "kept over the split");  // moved, not made again from factory rows
  kvdb::Txn t(kDb, kvdb::Txn::kRead);
  ASSERT_TRUE(t.ok());
  const kvdb::Family* f = t.family_of_table("alarm_chnIn1_x_schedule");
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->name, "schedule");
  // kvdb.db keeps what every request reads, nothing else.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type='table' ORDER BY name)",
                     -1, &s, nullptr);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "params test_slot");  // test_slot: this file's own family
  sqlite3_finalize(s);
  sqlite3_close(db);
}

TEST_F(KvdbTest, EveryFamilyHasItsFileAndKvdbKeepsOnlyWhatEveryRequestReads) {
  const std::vector<std::string> own = {"params"};
  for (const kvdb::Family* f : kvdb::families()) {
    if ((f->db && strcmp(f->db, kDb) != 0) || strncmp(f->name, "test_", 5) == 0) continue;
    bool in_own = std::find(own.begin(), own.end(), f->name) != own.end();
    EXPECT_EQ(*kvdb::file_of(*f) == '\0', in_own) << f->name;
  }
  const std::vector<std::string> files = kvdb::database_files(kDb);
  EXPECT_EQ(files.front(), kDb);
  EXPECT_EQ(files[1], "/mnt/nand/app/kvdb-camera.db");
  EXPECT_LE(files.size(), 11u);  // SQLite attaches ten files at most
  EXPECT_EQ(kvdb::database_files(devpaths::kAnprDb), std::vector<std::string>{devpaths::kAnprDb});
  // A transaction of one family's file refuses a family kept in another.
  kvdb::Txn t(kDb, kvdb::Txn::kWrite, kvdb::find_family("params"));
  ASSERT_TRUE(t.ok());
  ScheduleRec s{};
  EXPECT_EQ(t.put(*kvdb::find_family("schedule"), "sche", {{"chn", 0}}, &s), -1);
  EXPECT_EQ(t.commit(), -1);
}
