// UPnP port mapping and the client address filter (/1030, /1031, /6300, /6301).
#include <json-c/json.h>

#include <cstdio>
#include <vector>

#include "base/paths.h"
#include "common/fields.h"
#include "common/reply.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_network.h"
#include "platform/kvdb_sysinfo.h"
#include "proto/sysinfo_proto.h"

using namespace sysinfo;

namespace {
constexpr const char* kDb = devpaths::kKvdb;

// Printed whole; a save takes the members the client may change.
constexpr Field kUpnpFields[] = {
    FIELD(UpnpRecord, enable, "enable"),
    FIELD(UpnpRecord, type, "type"),
    FIELD(UpnpRecord, external_http_port, "external_http_port"),
    FIELD_GET(UpnpRecord, http_status, "http_status"),
    FIELD(UpnpRecord, external_rtsp_port, "external_rtsp_port"),
    FIELD_GET(UpnpRecord, rtsp_status, "rtsp_status"),
};

constexpr Field kFilterFields[] = {
    FIELD(AccessFilterEntry, address_type, "address_type"),
    FIELD(AccessFilterEntry, address, "address"),  // cut to 31 characters
};

constexpr JsonRule kFilterRules[] = {
    {"filterEnable", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"filterType", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"filterList", false, JsonType::kArray, 0, INT32_MAX},
};

struct FilterParam {
  const char* key;
  const char* param;
  int def;
};
constexpr FilterParam kFilterParams[] = {
    {"filterEnable", "access_filter_enable", 0},
    {"filterType", "access_filter_type", 1},
};
}  // namespace

void on_get_upnp_info(char*) {
  UpnpRecord u{};
  read_upnp(kDb, &u);
  net::PortRec ports{};
  net::read_port(kDb, &ports);
  JsonPtr o = fields_json(&u, kUpnpFields);
  json_add_int(o.get(), "http_port", ports.httpPort);
  json_add_int(o.get(), "rtsp_port", ports.rtspPort);
  answer_json(o);
}

// The daemon maps the ports and stores the record with its state.
void on_set_upnp_info(char* text) {
  UpnpRecord u{};
  read_upnp(kDb, &u);
  if (!fields_parse(text, &u, kUpnpFields)) return;
  ipc_send(on_system_ipc_callback, kReqUpnp, u);
  answer_ok();
}

void on_get_access_filter(char*) {
  std::vector<AccessFilterEntry> entries(kMaxAccessFilters);
  int count = 0;
  read_access_filter(kDb, entries.data(), &count);
  JsonPtr o(json_object_new_object());
  for (const FilterParam& p : kFilterParams) json_add_int(o.get(), p.key, get_param_int(kDb, p.param, p.def));
  json_object* list = json_object_new_array();
  for (int i = 0; i < count; ++i) json_object_array_add(list, fields_json(&entries[static_cast<size_t>(i)], kFilterFields).release());
  json_object_object_add(o.get(), "filterList", list);
  answer_json(o);
}

void on_set_access_filter(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kFilterRules)) return;
  ParamValue params[sizeof kFilterParams / sizeof kFilterParams[0]];
  SettingsBatch b;
  b.params = params;
  for (const FilterParam& p : kFilterParams) {
    int v = 0;
    if (json_get_int(req.get(), p.key, &v) != JsonGet::kOk) continue;
    params[b.param_count].key = p.param;
    snprintf(params[b.param_count].value, sizeof params[0].value, "%d", v);
    ++b.param_count;
  }
  std::vector<AccessFilterEntry> entries;
  json_object* list = nullptr;
  if (json_get_array(req.get(), "filterList", &list) == JsonGet::kOk) {
    size_t n = json_array_size(list);
    for (size_t i = 0; i < n && i < kMaxAccessFilters; ++i) {
      AccessFilterEntry e{};
      if (!fields_apply(json_array_at(list, i), &e, kFilterFields)) return;
      entries.push_back(e);
    }
    b.filters = entries.data();
    b.filter_count = static_cast<int>(entries.size());
  }
  if (write_settings(kDb, b) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_system_ipc_callback, kReqFilterChanged);
  answer_ok();
}
