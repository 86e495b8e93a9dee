// PTZ port settings, PTZ support, stored speeds and tours (/6050-/6057).
#include <json-c/json.h>

#include <vector>

#include "base/paths.h"
#include "common/fields.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "modules/ptz/ptz_module.h"
#include "platform/kvdb_ptz.h"
#include "proto/ptz_proto.h"

using namespace ptz;

namespace {
constexpr Field kPortFields[] = {
    FIELD_GET(PortRecord, channel, "camId"),
    FIELD_IN(PortRecord, connect_type, "connectType", 0, 1),
    FIELD_IN(PortRecord, baud_rate, "baudRate", 0, INT32_MAX),
    FIELD_IN(PortRecord, data_bits, "dataBits", 5, 8),
    FIELD_IN(PortRecord, stop_bits, "stopBits", 0, INT32_MAX),
    FIELD_IN(PortRecord, parity, "parityType", 0, 2),
    FIELD_IN(PortRecord, protocol, "protocol", 0, 13),
    FIELD_IN(PortRecord, address, "address", 0, INT32_MAX),
};

constexpr JsonRule kPortListRules[] = {
    {"cnt", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"chnid", true, JsonType::kArray, 0, INT32_MAX},
};

constexpr JsonRule kPortGetRules[] = {
    {"chnid", true, JsonType::kInt, 0, kPortChannels - 1},
};

constexpr Field kSpeedFields[] = {
    FIELD(SpeedRecord, pan, "pan_speed"),
    FIELD(SpeedRecord, tilt, "tilt_speed"),
    FIELD(SpeedRecord, zoom, "zoom_speed"),
    FIELD(SpeedRecord, focus, "foucs_speed"),
};

constexpr JsonRule kCamRules[] = {
    {"camId", true, JsonType::kInt, INT32_MIN, INT32_MAX},
};

// Speeds are stored per channel: only channels the recorder has.
constexpr JsonRule kStoredCamRules[] = {
    {"camId", true, JsonType::kInt, 0, kMaxChannels - 1},
};

// A tour of the fixed tables: 8 tours of 48 points per channel.
constexpr JsonRule kTourRules[] = {
    {"chn", true, JsonType::kInt, 0, kMaxChannels - 1},
    {"tourid", true, JsonType::kInt, 1, kTours},
    {"fisheyeType", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"streamId", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};

constexpr JsonRule kTourPathRules[] = {
    {"rowsize", true, JsonType::kInt, 0, kTourPoints},
    {"path", false, JsonType::kArray, 0, INT32_MAX},
};

int member_int(const json_object* obj, const char* key) {
  int v = 0;
  json_get_int(obj, key, &v);
  return v;
}

// The tour request, checked; null when refused (nothing is printed).
JsonPtr tour_request(const char* text, bool with_path) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kTourRules)) return nullptr;
  if (with_path && !json_check(req.get(), kTourPathRules)) return nullptr;
  return req;
}

// Point i of the request's "path" (a missing or odd entry is an empty point).
TourPoint path_point(const json_object* req, int i) {
  json_object* path = nullptr;
  json_get_array(req, "path", &path);
  const json_object* p = json_array_at(path, static_cast<size_t>(i));
  if (!p || json_object_get_type(p) != json_type_object) return {};
  return {member_int(p, "preset"), member_int(p, "time"), member_int(p, "speed")};
}

TourPoint* tour_points(TourTable& table, int tour) { return &table.points[(tour - 1) * kTourPoints]; }
}  // namespace

void on_get_ptzport_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kPortGetRules)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  PortRecord port{};
  read_ptz_port(devpaths::kKvdb, &port, member_int(req.get(), "chnid"));
  answer_json(fields_json(&port, kPortFields));
}

void on_set_ptzport_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kPortListRules) || !fields_check(req.get(), kPortFields)) return;
  json_object* list = nullptr;
  json_get_array(req.get(), "chnid", &list);
  const int cnt = member_int(req.get(), "cnt");
  std::vector<PortRecord> ports;
  for (int i = 0; i < cnt && static_cast<size_t>(i) < json_array_size(list); ++i) {
    int channel;
    if (!json_value_int(json_array_at(list, static_cast<size_t>(i)), &channel)) continue;
    if (channel < 0 || channel >= kMaxChannels) continue;
    PortRecord port{};
    read_ptz_port(devpaths::kKvdb, &port, channel);
    fields_from_json(req.get(), &port, kPortFields);
    ports.push_back(port);
  }
  // All channels or none: a failed write leaves every stored port as it was.
  if (write_ptz_ports(devpaths::kKvdb, ports.data(), static_cast<int>(ports.size())) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  for (const PortRecord& port : ports) {
    ipc_send(on_ptz_ipc_callback, kReqPortChanged, port.channel);
    ptz_log(kLogParamPtzSetting, port.channel);
  }
  answer_ok();
}

void on_get_ptzsupport_info(char* text) {
  JsonPtr req = json_parse(text);
  if (req && json_check(req.get(), kCamRules))
    ipc_request(on_ptz_ipc_callback, kReqSupport, int32_t{member_int(req.get(), "camId")}, ErrMode::kText);
}

void on_get_ptz_speed(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kStoredCamRules)) return;
  SpeedRecord speed{};
  read_ptz_speed(devpaths::kKvdb, &speed, member_int(req.get(), "camId"));
  answer_json(fields_json(&speed, kSpeedFields));
}

void on_set_ptz_speed(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kStoredCamRules) || !fields_check(req.get(), kSpeedFields)) return;
  SpeedRecord speed{};
  const int channel = member_int(req.get(), "camId");
  read_ptz_speed(devpaths::kKvdb, &speed, channel);
  fields_from_json(req.get(), &speed, kSpeedFields);
  if (write_ptz_speed(devpaths::kKvdb, &speed) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  answer_ok();
  ptz_log(kLogParamPtzSetting, channel);
}

void on_set_ptz_tour_set(char* text) {
  JsonPtr req = tour_request(text, true);
  if (!req) return;
  TourSetRequest set{};
  set.channel = member_int(req.get(), "chn");
  set.tour = member_int(req.get(), "tourid");
  set.count = member_int(req.get(), "rowsize");
  TourTable table;
  if (read_ptz_tour(devpaths::kKvdb, &table, set.channel) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  // The stored tour becomes exactly the points sent: a shorter tour drops
  // its old tail instead of bringing it back from the table.
  TourPoint* stored = tour_points(table, set.tour);
  for (int i = 0; i < kTourPoints; ++i) stored[i] = i < set.count ? path_point(req.get(), i) : TourPoint{};
  for (int i = 0; i < set.count; ++i) set.points[i] = stored[i];
  if (write_ptz_tour(devpaths::kKvdb, &table, set.channel) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_ptz_ipc_callback, kReqTourSet, set);
  answer_ok();
  ptz_log(kLogParamPtzSetting, set.channel);
}

void on_set_fish_ptz_tour_set(char* text) {
  JsonPtr req = tour_request(text, true);
  if (!req) return;
  FishTourRequest fish{};
  fish.channel = member_int(req.get(), "chn");
  fish.stream_id = member_int(req.get(), "streamId");
  fish.tour_index = member_int(req.get(), "tourid") - 1;
  TourColumns& tour = fish.tours[fish.tour_index];
  const int count = member_int(req.get(), "rowsize");
  for (int i = 0; i < count; ++i) {
    TourPoint p = path_point(req.get(), i);
    tour.preset[i] = p.preset;
    tour.dwell[i] = p.dwell;
    tour.speed[i] = p.speed;
  }
  ipc_send(on_ptz_ipc_callback, kReqFishTour, fish);
  answer_ok();
  ptz_log(kLogParamPtzSetting, fish.channel);
}

void on_set_ptz_tour_clear(char* text) {
  JsonPtr req = tour_request(text, false);
  if (!req) return;
  TourCommand cmd{};
  cmd.channel = member_int(req.get(), "chn");
  cmd.tour = member_int(req.get(), "tourid");
  cmd.fisheye_type = member_int(req.get(), "fisheyeType");
  cmd.stream_id = member_int(req.get(), "streamId");
  TourTable table;
  if (read_ptz_tour(devpaths::kKvdb, &table, cmd.channel) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  TourPoint* points = tour_points(table, cmd.tour);
  for (int i = 0; i < kTourPoints; ++i) points[i].preset = 0;
  if (write_ptz_tour(devpaths::kKvdb, &table, cmd.channel) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_ptz_ipc_callback, kReqTourClear, cmd);
  answer_ok();
  ptz_log(kLogParamPtzSetting, cmd.channel);
}
