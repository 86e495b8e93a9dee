// Device information, host name and device number, the web log entry
// (/1009, /1020, /1012, /1014).
#include <json-c/json.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/spawn.h"
#include "common/web_utils.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_sysinfo.h"
#include "proto/network_proto.h"
#include "proto/sysinfo_proto.h"

using namespace sysinfo;

namespace {
constexpr size_t kUptimeBytes = 64;

// The reply's fields, in the page's key order, between the keys that come
// from elsewhere.
constexpr Field kInfoHead[] = {
    FIELD(DeviceInfo, device_name, "deviceName"), FIELD(DeviceInfo, device_id, "deviceId"),
    FIELD(DeviceInfo, device_name, "product"),    FIELD(DeviceInfo, hwver, "hwver"),
    FIELD(DeviceInfo, software, "software"),      FIELD(DeviceInfo, oem_version, "oemversion"),
    FIELD(DeviceInfo, sn, "sn"),                  FIELD(DeviceInfo, prefix, "prefix"),
};
constexpr Field kInfoNet[] = {FIELD(DeviceInfo, mac_address, "macAddress"), FIELD(DeviceInfo, kvddns, "kvddns")};
constexpr Field kInfoSn[] = {FIELD(DeviceInfo, sn, "sncode")};
constexpr Field kResource[] = {
    FIELD(DeviceInfo, display_num, "displayNum"),   FIELD(DeviceInfo, max_audio_out, "maxAudioOut"),
    FIELD(DeviceInfo, max_network_lan, "maxNetworkLan"), FIELD(DeviceInfo, max_sensor, "maxSensor"),
    FIELD(DeviceInfo, max_alarm, "maxAlarm"),       FIELD(DeviceInfo, max_cameras, "maxCameras"),
    FIELD(DeviceInfo, max_rs485, "masRs485"),
};
constexpr Field kInfoTalk[] = {FIELD(DeviceInfo, is_support_talk, "isSupportTalk")};

struct ParamKey {
  const char* key;
  const char* param;
  int def;
};
constexpr ParamKey kInfoFlags[] = {
    {"kvfsDbup", "kvfs_dbup", 0},
    {"transProtocol", "transport_protocol", 0},
    {"streamInfo", "stream_information", 0},
    {"oemonlineupdate", "oemupdateonline", 0},
};

void add_param_text(json_object* o, const char* key, const char* param, size_t width, const char* def) {
  char buf[64];
  get_param_value(devpaths::kKvdb, param, buf, static_cast<int>(width < sizeof buf ? width : sizeof buf), def);
  json_add_text(o, key, buf);
}

// Cuts the tool's line before its user count ("..., 2 users, load ...") or,
// without one, before the load average ("..., load average ...").
std::string trim_uptime(std::string text) {
  size_t at = text.find("users");
  if (at != std::string::npos) return text.substr(0, at >= 5 ? at - 5 : 0);
  at = text.find('l');
  if (at != std::string::npos) return text.substr(0, at >= 2 ? at - 2 : 0);
  return text;
}

std::string uptime_text() {
  std::string path = dev_path(devpaths::kTmpDir) + "/uptimeXXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) return "";
  close(fd);
  std::string text;
  if (run_argv({"uptime"}, path.c_str()) == 0) {
    if (FILE* f = fopen(path.c_str(), "r")) {
      char buf[kUptimeBytes + 1] = {0};
      size_t n = fread(buf, 1, kUptimeBytes, f);
      text.assign(buf, strnlen(buf, n));
      fclose(f);
    }
  }
  unlink(path.c_str());
  return trim_uptime(text);
}
}  // namespace

void on_get_system_info_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* d = r.as<DeviceInfo>();
  JsonPtr o(json_object_new_object());
  json_add_text(o.get(), "hostName", "");
  fields_to_json(o.get(), d, kInfoHead);
  add_param_text(o.get(), "pluginVersion", "plugin_version", 32, "1.0");
  add_param_text(o.get(), "mpluginVersion", "mplugin_version", 32, "1.0");
  fields_to_json(o.get(), d, kInfoNet);
  json_add_text(o.get(), "uptime", uptime_text().c_str());
  fields_to_json(o.get(), d, kInfoSn);
  json_object_object_add(o.get(), "resource", fields_json(d, kResource).release());
  for (const ParamKey& p : kInfoFlags) json_add_int(o.get(), p.key, get_param_int(devpaths::kKvdb, p.param, p.def));
  add_param_text(o.get(), "company", "company", 64, "Varenholt");
  fields_to_json(o.get(), d, kInfoTalk);
  answer_json(o);
}

void on_get_system_info(char*) { ipc_request(on_system_ipc_callback, kReqDeviceInfo, ErrMode::kJson); }

void announce_device_number(int32_t number) {
  ipc_send(on_system_ipc_callback, kReqDeviceNumber, number);
  net::SettingsNotice n{};
  copy_text(n.name, kChangedHostName);
  ipc_send(on_system_ipc_callback, net::kReqSettingsChanged, n);
}

namespace {
constexpr JsonRule kHostRules[] = {
    {"hostName", true, JsonType::kText, 1, INT32_MAX},
    {"deviceId", true, JsonType::kInt, 1, 255},
};
constexpr size_t kHostNameChars = 127;
}  // namespace

void on_set_system_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kHostRules)) return;
  char host[kHostNameChars + 1] = "";
  json_get_text(req.get(), "hostName", host, sizeof host);
  int id = 0;
  json_get_int(req.get(), "deviceId", &id);
  if (!host[0]) return;  // a name that starts with NUL
  ParamValue number{"deviceid", ""};
  snprintf(number.value, sizeof number.value, "%d", id);
  SettingsBatch b;
  b.host_name = host;
  b.params = &number;
  b.param_count = 1;
  if (write_settings(devpaths::kKvdb, b) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  announce_device_number(id);
  answer_ok();
}

void on_add_operation_log(char*) {
  send_op_log(on_system_ipc_callback, kLogSubLogout, kLogParamGeneral, 0);
  answer_ok();
}
