// Which file of kvdb.db keeps each family. The parameters, read by nearly
// every request, stay in kvdb.db itself; the others are grouped by
// the pages that use them together, at most ten files beside it (SQLite
// attaches ten at most).
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kvdb.h"

namespace kvdb {
namespace {

struct Placement {
  const char* family;
  const char* file;
};

constexpr Placement kPlacements[] = {
    {"params", ""},
    {"camera", "camera"}, {"ipc_protocol", "camera"}, {"ipc_models", "camera"}, {"ipc_model", "camera"},
    {"exposure", "camera"}, {"device", "camera"},
    {"osd", "video"}, {"motion", "video"}, {"video_loss", "video"}, {"privacy_mask", "video"},
    {"cameraio", "video"}, {"volumedetect", "video"}, {"trigger_alarms", "video"}, {"smart_event", "video"},
    {"schedule", "event"}, {"whiteled_params", "event"}, {"peoplecnt_wled_params", "event"},
    {"warning_light_params", "event"}, {"http_notification_params", "event"},
    {"except_http_notification_params", "event"}, {"ptz_params", "event"},
    {"peoplecnt_ptz_params", "event"}, {"alarm_audio_file", "event"},
    {"face_event", "analytics"}, {"anpr_event", "analytics"}, {"pos_settings", "analytics"},
    {"pos_event", "analytics"}, {"peoplecnt_settings", "analytics"}, {"peoplecnt_event", "analytics"},
    {"regional_pcnt_event", "analytics"}, {"peoplecnt_auto_backup", "analytics"},
    {"alarm_in", "alarm"}, {"snapshot", "alarm"}, {"alarm_out", "alarm"}, {"alarm_chnin_name", "alarm"},
    {"alarm_chnout_name", "alarm"}, {"alarm_disarming", "alarm"}, {"alarm_chnin_event", "alarm"},
    {"holiday", "record"}, {"record", "record"}, {"record_schedule", "record"},
    {"disk", "storage"}, {"disk_group", "storage"}, {"esata_auto_backup", "storage"},
    {"disk_maintain", "storage"}, {"autoreboot", "storage"},
    {"pppoe", "network"}, {"ddns", "network"}, {"email", "network"}, {"port", "network"},
    {"network", "network"}, {"network_iface", "network"}, {"multicast", "network"}, {"snmp", "network"},
    {"upnp", "network"}, {"access_filter", "network"}, {"ssl_params", "network"}, {"p2p_info", "network"},
    {"user", "system"}, {"web_session", "system"}, {"time", "system"}, {"display", "system"}, {"push_msg_event", "system"}, {"push_msg_nvr_event", "system"},
    {"ptz_port", "system"}, {"ptz_speed", "system"}, {"ptz_tour", "system"},
};

bool is_kvdb(const char* device_path) { return device_path && strcmp(device_path, devpaths::kKvdb) == 0; }

}  // namespace

const char* file_of(const Family& f) {
  if (f.db && !is_kvdb(f.db)) return "";
  for (const Placement& p : kPlacements)
    if (strcmp(p.family, f.name) == 0) return p.file;
  return "";
}

std::vector<const char*> files_of_database(const char* device_path) {
  static const std::vector<const char*> kvdb_files = [] {
    std::vector<const char*> files{""};
    for (const Placement& p : kPlacements) {
      bool known = false;
      for (const char* f : files) known = known || strcmp(f, p.file) == 0;
      if (!known) files.push_back(p.file);
    }
    return files;
  }();
  return is_kvdb(device_path) ? kvdb_files : std::vector<const char*>{""};
}

std::string file_path(const char* device_path, const char* file) {
  std::string path = device_path ? device_path : "";
  if (!file || !*file) return path;
  const size_t dot = path.rfind(".db");
  return (dot != std::string::npos && dot + 3 == path.size() ? path.substr(0, dot) : path) + "-" + file + ".db";
}

std::vector<std::string> database_files(const char* device_path) {
  std::vector<std::string> paths;
  for (const char* f : files_of_database(device_path)) paths.push_back(file_path(device_path, f));
  return paths;
}

}  // namespace kvdb
