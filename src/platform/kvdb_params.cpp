// Key/value parameters: the "params" table of kvdb.db and its factory values.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "platform/kvdb.h"

namespace {

struct ParamRec {
  char key[64];
  char value[1024];
};
static_assert(sizeof(ParamRec) == 1088);

struct ParamDefault {
  const char* key;
  const char* value;
};

// Every key the handlers read or set, with its factory value. "decode" and
// "quick_screen" are added by their pages when first saved.
constexpr ParamDefault kFactoryParams[] = {
    {"max_cameras", "32"},
    {"alarm_in", "16"},
    {"alarm_out", "4"},
    {"max_poe_num", "0"},
    {"group_mode", "0"},
    {"ch_access", "0"},
    {"access_filter_enable", "0"},
    {"access_filter_type", "1"},
    {"esata_type", "0"},
    {"failover_mode", "0"},
    {"homologous", "1"},
    {"httpsenable", "0"},
    {"kvfs_dbup", "0"},
    {"local_auth_enable", "0"},
    {"oem_type", "0"},
    {"oemupdateonline", "0"},
    {"enable_push_msg", "0"},
    {"push_type", "0"},
    {"pushmsg_alarmin_type", "65535"},
    {"permission_update", "0"},
    {"raidmode", "0"},
    {"same_channel_exist", "0"},
    {"stream_information", "0"},
    {"transport_protocol", "0"},
    {"video_push_stream", "0"},
    {"company", "Varenholt"},
    {"deviceid", "255"},
    {"display_mode", "0"},
    {"hardware_version", "V1.1"},
    {"hdmihotplug", "1"},
    {"hide_taskbar", "0"},
    {"hide_toolbar", "0"},
    {"plugin_version", "1.0"},
    {"mplugin_version", "1.0"},
    {"poepsd", "qa5172"},
    {"software_version", "7x.7.0.9"},
    {"wizard_enable", "0"},
    {"model", ""},
};

int factory_params(kvdb::Txn& t);

constexpr kvdb::Column kParamCols[] = {KVDB_COL(ParamRec, key), KVDB_COL(ParamRec, value)};
constexpr kvdb::Family kParamFamily = kvdb::family<ParamRec>("params", "params", kParamCols, 1, factory_params);
KVDB_REGISTER(kParamFamily);

ParamRec make_param(const char* key, const char* value) {
  ParamRec r{};
  copy_text(r.key, key);
  copy_text(r.value, value);
  return r;
}

int factory_params(kvdb::Txn& t) {
  for (const ParamDefault& d : kFactoryParams) {
    ParamRec r = make_param(d.key, d.value);
    if (t.put(kParamFamily, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

bool valid_key(const char* key) { return key && *key && strlen(key) < sizeof(ParamRec::key); }

// 0 stored, 1 not stored, -1 error.
int read_param(const char* path, const char* key, ParamRec* r) {
  if (!valid_key(key)) return -1;
  kvdb::Txn t(path, kvdb::Txn::kRead, &kParamFamily);
  return t.get(kParamFamily, nullptr, {{"key", 0, key}}, r);
}

int store_param(const char* path, const char* key, const char* value, bool only_new) {
  if (!valid_key(key) || !value || strlen(value) >= sizeof(ParamRec::value)) return -1;
  ParamRec r = make_param(key, value);
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    if (only_new && t.count(kParamFamily, nullptr, {{"key", 0, key}}) != 0) return -1;
    return t.put(kParamFamily, nullptr, {}, &r);
  }, &kParamFamily);
}

}  // namespace

int kvdb::put_param(Txn& t, const char* key, const char* value) {
  if (!valid_key(key) || !value || strlen(value) >= sizeof(ParamRec::value)) return t.fail();
  ParamRec r = make_param(key, value);
  return t.put(kParamFamily, nullptr, {}, &r);
}

int get_param_int(const char* path, const char* key, int def) {
  ParamRec r{};
  if (read_param(path, key, &r) != 0) return def;
  errno = 0;
  char* end = nullptr;
  long v = strtol(r.value, &end, 10);
  if (end == r.value || *end || errno || v < INT_MIN || v > INT_MAX) return def;
  return static_cast<int>(v);
}

int get_param_value(const char* path, const char* key, char* buf, int size, const char* def) {
  if (!buf || size <= 0) return -1;
  ParamRec r{};
  bool stored = read_param(path, key, &r) == 0;
  copy_text(buf, static_cast<size_t>(size), stored ? r.value : def);
  return stored ? 0 : -1;
}

int set_param_int(const char* path, const char* key, int value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  return store_param(path, key, text, false);
}

int set_param_value(const char* path, const char* key, const char* value) {
  return store_param(path, key, value, false);
}

int check_param_key(const char* path, const char* key) {
  ParamRec r{};
  return read_param(path, key, &r) == 0 ? 0 : 1;
}

int add_param_value(const char* path, const char* key, const char* value) {
  return store_param(path, key, value, true);
}
