// Which file of kvdb.db keeps each family. The parameters, read by nearly
// every request, stay in kvdb.db itself; the others are grouped by
// the pages that use them together, at most ten files beside it (SQLite
// attaches ten at most).
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/kvdb.h"

namespace kvdb {
namespace {

// The files in the order they are attached; kOwn is kvdb.db itself.
enum File : unsigned char { kOwn, kCamera, kVideo, kEvent, kAnalytics, kAlarm, kRecord, kStorage, kNetwork, kSystem };
const char* const kFileNames[] = {"",       "camera",  "video",   "event",   "analytics",
                                  "alarm",  "record",  "storage", "network", "system"};
static_assert(std::size(kFileNames) == kSystem + 1 && std::size(kFileNames) <= 11, "SQLite attaches ten files at most");

struct Placement {
  const char* family;
  File file;
};

constexpr Placement kPlacements[] = {
    {"params", kOwn},
    {"camera", kCamera}, {"ipc_protocol", kCamera}, {"ipc_models", kCamera}, {"ipc_model", kCamera},
    {"exposure", kCamera}, {"device", kCamera},
    {"osd", kVideo}, {"motion", kVideo}, {"video_loss", kVideo}, {"privacy_mask", kVideo},
    {"cameraio", kVideo}, {"volumedetect", kVideo}, {"trigger_alarms", kVideo}, {"smart_event", kVideo},
    {"schedule", kEvent}, {"whiteled_params", kEvent}, {"peoplecnt_wled_params", kEvent},
    {"warning_light_params", kEvent}, {"http_notification_params", kEvent},
    {"except_http_notification_params", kEvent}, {"ptz_params", kEvent},
    {"peoplecnt_ptz_params", kEvent}, {"alarm_audio_file", kEvent},
    {"face_event", kAnalytics}, {"anpr_event", kAnalytics}, {"pos_settings", kAnalytics},
    {"pos_event", kAnalytics}, {"peoplecnt_settings", kAnalytics}, {"peoplecnt_event", kAnalytics},
    {"regional_pcnt_event", kAnalytics}, {"peoplecnt_auto_backup", kAnalytics},
    {"alarm_in", kAlarm}, {"snapshot", kAlarm}, {"alarm_out", kAlarm}, {"alarm_chnin_name", kAlarm},
    {"alarm_chnout_name", kAlarm}, {"alarm_disarming", kAlarm}, {"alarm_chnin_event", kAlarm},
    {"holiday", kRecord}, {"record", kRecord}, {"record_schedule", kRecord},
    {"disk", kStorage}, {"disk_group", kStorage}, {"esata_auto_backup", kStorage},
    {"disk_maintain", kStorage}, {"autoreboot", kStorage},
    {"pppoe", kNetwork}, {"ddns", kNetwork}, {"email", kNetwork}, {"port", kNetwork},
    {"network", kNetwork}, {"network_iface", kNetwork}, {"multicast", kNetwork}, {"snmp", kNetwork},
    {"upnp", kNetwork}, {"access_filter", kNetwork}, {"ssl_params", kNetwork}, {"p2p_info", kNetwork},
    {"user", kSystem}, {"web_session", kSystem}, {"time", kSystem}, {"display", kSystem},
    {"push_msg_event", kSystem}, {"push_msg_nvr_event", kSystem},
    {"ptz_port", kSystem}, {"ptz_speed", kSystem}, {"ptz_tour", kSystem},
};

bool is_kvdb(const char* device_path) { return device_path && strcmp(device_path, devpaths::kKvdb) == 0; }

}  // namespace

const char* file_of(const Family& f) {
  if (f.db && !is_kvdb(f.db)) return "";
  for (const Placement& p : kPlacements)
    if (strcmp(p.family, f.name) == 0) return kFileNames[p.file];
  return "";
}

std::vector<const char*> files_of_database(const char* device_path) {
  if (!is_kvdb(device_path)) return {""};
  return {std::begin(kFileNames), std::end(kFileNames)};
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
