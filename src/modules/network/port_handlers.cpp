// Service ports, push messages, SNMP and the PoE/access facts (/7050, /7051,
// /7090-/7093).
#include <json-c/json.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/network/network_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_network.h"

using namespace net;

namespace {
constexpr int kMaxPort = 65535;
constexpr int kMaxChannels = 64;

// check_port_info: a port outside 0..65535 would be tested and stored as
// another port, so it is refused like a negative one.
constexpr JsonRule kPortRules[] = {
    {"enableSsh", true, JsonType::kInt, 0, 1},
    {"sshPort", true, JsonType::kInt, 0, kMaxPort},
    {"httpPort", true, JsonType::kInt, 0, kMaxPort},
    {"rtspPort", true, JsonType::kInt, 0, kMaxPort},
    {"servicePort", true, JsonType::kInt, 0, kMaxPort},
    {"enableMsg", true, JsonType::kInt, 0, INT32_MAX},
    {"httpsPort", false, JsonType::kInt, 0, kMaxPort},
};

constexpr Field kPortFields[] = {
    FIELD(PortRec, enableSsh, "enableSsh"),
    FIELD(PortRec, sshPort, "sshPort"),
    FIELD(PortRec, httpPort, "httpPort"),
    FIELD(PortRec, httpsPort, "httpsPort"),
    FIELD(PortRec, rtspPort, "rtspPort"),
    FIELD_GET(PortRec, servicePort, "servicePort"),
};

constexpr Field kSnmpFields[] = {
    FIELD(SnmpRec, v1_enable, "v1_enable"),
    FIELD(SnmpRec, v2c_enable, "v2c_enable"),
    FIELD(SnmpRec, write_community, "write_community"),
    FIELD(SnmpRec, read_community, "read_community"),
    FIELD(SnmpRec, v3_enable, "v3_enable"),
    FIELD(SnmpRec, read_security_name, "read_security_name"),
    FIELD(SnmpRec, read_level_security, "read_level_security"),
    FIELD(SnmpRec, read_auth_algorithm, "read_auth_algorithm"),
    FIELD(SnmpRec, read_auth_password, "read_auth_password"),
    FIELD(SnmpRec, read_pri_algorithm, "read_pri_algorithm"),
    FIELD(SnmpRec, read_pri_password, "read_pri_password"),
    FIELD(SnmpRec, write_security_name, "write_security_name"),
    FIELD(SnmpRec, write_level_security, "write_level_security"),
    FIELD(SnmpRec, write_auth_algorithm, "write_auth_algorithm"),
    FIELD(SnmpRec, write_auth_password, "write_auth_password"),
    FIELD(SnmpRec, write_pri_algorithm, "write_pri_algorithm"),
    FIELD(SnmpRec, write_pri_password, "write_pri_password"),
    FIELD_IN(SnmpRec, port, "port", 0, kMaxPort),
};

constexpr Field kServicePortFields[] = {
    FIELD(PortRec, sshPort, "sshPort"),
    FIELD(PortRec, httpPort, "httpPort"),
    FIELD(PortRec, rtspPort, "rtspPort"),
    FIELD(PortRec, httpsPort, "httpsPort"),
};

int poe_ports() { return get_param_int(devpaths::kKvdb, "max_poe_num", 0); }

int channel_count() {
  int n = get_param_int(devpaths::kKvdb, "max_cameras", 32);
  return n < 0 ? 0 : (n > kMaxChannels ? kMaxChannels : n);
}

void answer_single(const char* key, int value) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), key, value);
  answer_json(obj);
}

// Push switches stored before the ports are checked (a refused port keeps them).
bool store_push_types(const json_object* req) {
  int push_type = get_param_int(devpaths::kKvdb, "push_type", 0);
  int alarm_in = get_param_int(devpaths::kKvdb, "pushmsg_alarmin_type", 65535);
  json_get_int(req, "pushType", &push_type);
  json_get_int(req, "PushTypeNvrAlarmIn", &alarm_in);
  if (set_param_int(devpaths::kKvdb, "push_type", push_type) != 0 ||
      set_param_int(devpaths::kKvdb, "pushmsg_alarmin_type", alarm_in) != 0)
    return false;
  int channels = 0;
  json_object* masks = nullptr;
  json_get_int(req, "channel_num", &channels);
  json_get_array(req, "pushTypeArr", &masks);
  // Never past the recorder's channels, whatever the page counts.
  if (channels > channel_count()) channels = channel_count();
  for (int i = 0; i < channels; ++i) {
    PushEvent e{i, 0};
    if (!json_value_int(json_array_at(masks, static_cast<size_t>(i)), &e.mask)) continue;
    if (write_push_msg_event(devpaths::kKvdb, &e) != 0) return false;
  }
  return true;
}

bool store_push_rest(const json_object* req, int enable_msg) {
  char text[16];
  snprintf(text, sizeof text, "%d", enable_msg > 1 ? 0 : enable_msg);
  PushNvrEvent nvr{};
  read_push_msg_nvr_event(devpaths::kKvdb, &nvr);
  char pos[65] = "";
  if (json_get_text(req, "pushNvrPos", pos, sizeof pos) == JsonGet::kOk) copy_text(nvr.events, pos);
  int stream = get_param_int(devpaths::kKvdb, "video_push_stream", 0);
  json_get_int(req, "pushVideoStream", &stream);
  return store_param_text("enable_push_msg", text) == 0 && write_push_msg_nvr_event(devpaths::kKvdb, &nvr) == 0 &&
         set_param_int(devpaths::kKvdb, "video_push_stream", stream) == 0;
}
}  // namespace

void on_get_port_info(char*) {
  PortRec port{};
  read_port(devpaths::kKvdb, &port);
  JsonPtr obj = fields_json(&port, kPortFields);
  json_object* o = obj.get();
  json_add_int(o, "enable_access", get_param_int(devpaths::kKvdb, "ch_access", 0));
  std::vector<int32_t> masks(static_cast<size_t>(channel_count()));
  if (!masks.empty()) read_push_msg_events(devpaths::kKvdb, masks.data(), static_cast<int>(masks.size()));
  json_object* arr = json_object_new_array();
  for (int32_t m : masks) json_object_array_add(arr, json_object_new_int(m));
  json_object_object_add(o, "PushTypeArr", arr);
  json_add_int(o, "PushNvrAlarmInType", get_param_int(devpaths::kKvdb, "pushmsg_alarmin_type", 65535));
  int enable_msg = get_param_int(devpaths::kKvdb, "enable_push_msg", 0);
  json_add_int(o, "enableMsg", enable_msg == 1 ? 1 : 0);
  json_add_int(o, "push_stream", get_param_int(devpaths::kKvdb, "video_push_stream", 0));
  PushNvrEvent nvr{};
  read_push_msg_nvr_event(devpaths::kKvdb, &nvr);
  json_add_field(o, "pushNvrPos", nvr.events);
  answer_json(obj);
}

void on_set_port_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kPortRules)) return;
  const json_object* r = req.get();
  PortRec stored{};
  read_port(devpaths::kKvdb, &stored);
  PortRec port = stored;
  fields_from_json(r, &port, kPortFields);
  int enable_access = 0, need_reboot = 0, enable_msg = 0;
  json_get_int(r, "enableAccess", &enable_access);
  json_get_int(r, "needReboot", &need_reboot);
  json_get_int(r, "enableMsg", &enable_msg);
  if (!store_push_types(r)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  if (get_param_int(devpaths::kKvdb, "ch_access", 0) != enable_access)
    ipc_send(on_network_ipc_callback, kReqChannelAccess, int32_t{enable_access});
  int poe = poe_ports();
  if (port_refused(port.sshPort, stored.sshPort, poe) || port_refused(port.httpPort, stored.httpPort, poe) ||
      port_refused(port.httpsPort, stored.httpsPort, poe)) {
    answer_text("POE_Port_Error");
    return;
  }
  if (write_port(devpaths::kKvdb, &port) != 0 || !store_push_rest(r, enable_msg)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  PushMsgSwitch sw{};
  snprintf(sw.text, sizeof sw.text, "%d", enable_msg);
  ipc_send(on_network_ipc_callback, kReqPushMsg, sw);
  send_op_log(on_network_ipc_callback, kLogSubSetting, kLogParamPorts, 0);
  answer_ok();
  send_settings_changed(kChangedMore);
  if (need_reboot != 0) {
    send_op_log(on_network_ipc_callback, kLogSubReboot, kLogParamGeneral, 0);
    ipc_send(on_network_ipc_callback, kReqReboot);
  }
}

void on_get_snmp_info(char*) {
  SnmpRec snmp{};
  PortRec port{};
  read_snmp(devpaths::kKvdb, &snmp);
  read_port(devpaths::kKvdb, &port);
  JsonPtr obj = fields_json(&snmp, kSnmpFields);
  fields_to_json(obj.get(), &port, kServicePortFields);
  answer_json(obj);
}

void on_set_snmp_info(char* text) {
  JsonPtr req = json_parse(text);
  SnmpRec stored{};
  read_snmp(devpaths::kKvdb, &stored);
  SnmpRec snmp = stored;
  if (!req || !fields_apply(req.get(), &snmp, kSnmpFields)) return;
  if (port_refused(snmp.port, stored.port, poe_ports())) {
    answer_text("POE_Port_Error");
    return;
  }
  if (write_snmp(devpaths::kKvdb, &snmp) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  send_settings_changed(kChangedSnmp);
  answer_ok();
}

void on_get_access_info(char*) { answer_single("access", get_param_int(devpaths::kKvdb, "ch_access", 0)); }

void on_get_poe_max(char*) { answer_single("max_poe_num", poe_ports()); }
