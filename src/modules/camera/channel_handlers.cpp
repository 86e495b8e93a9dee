// Camera channels: the stored camera of each channel (add, edit, delete,
// credentials, transport), search and state of the cameras, protocols,
// PoE settings and the stored exposure of each channel.
#include <json-c/json.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/camera/camera_fields.h"
#include "modules/camera/camera_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_camera_param.h"
#include "platform/kvdb_video.h"
#include "platform/net_helpers.h"

using namespace camera;

namespace {
// The members every add and edit carries (check_digital_channel).
constexpr JsonRule kCameraRules[] = {
    {"id", true, JsonType::kInt, 0, kLastChannel},
    {"name", true, JsonType::kText, 0, INT32_MAX},
    {"enable", false, JsonType::kInt, 0, 1},
    {"camProtocol", false, JsonType::kInt, 0, 7},
    {"transmitProtocol", true, JsonType::kInt, 0, 3},
};
// A camera with an address needs it and its port.
constexpr JsonRule kAddressRules[] = {
    {"ipAddr", true, JsonType::kText, 1, INT32_MAX},
    {"managePort", true, JsonType::kInt, 0, INT32_MAX},
};

constexpr Field kCameraFields[] = {
    FIELD(CameraRec, minor_id, "minorid"),
    FIELD(CameraRec, enable, "enable"),
    FIELD(CameraRec, ip, "ipAddr"),
    FIELD(CameraRec, manage_port, "managePort"),
    FIELD(CameraRec, protocol, "camProtocol"),
    FIELD(CameraRec, transmit_protocol, "transmitProtocol"),
    FIELD(CameraRec, sub_rtsp_enable, "enableSubStream"),
    FIELD(CameraRec, sync_time, "syncTime"),
};
constexpr Field kCredentialFields[] = {
    FIELD(CameraRec, user, "userName"),
    FIELD(CameraRec, password, "password"),
};
constexpr Field kRtspFields[] = {
    FIELD(CameraRec, main_rtsp_port, "mainRtspPort"), FIELD(CameraRec, main_source_path, "mainSourcePath"),
    FIELD(CameraRec, sub_rtsp_port, "subRtspPort"),   FIELD(CameraRec, sub_source_path, "subSourcePath"),
    FIELD(CameraRec, main_rtsp_url, "mainrtspurl"),   FIELD(CameraRec, sub_rtsp_url, "subrtspurl"),
};
constexpr Field kTailFields[] = {
    FIELD(CameraRec, ddns, "ddns"),
    FIELD(CameraRec, https_port, "httpsPort"),
};
constexpr Field kAddOnlyFields[] = {
    FIELD(CameraRec, mac, "mac_addr"),
    FIELD(CameraRec, poe_channel, "poechannel"),
    FIELD(CameraRec, physical_port, "physicalport"),
};
constexpr Field kLoginFields[] = {
    FIELD_REQ(CameraRec, id, "id", 0, kLastChannel),
    FIELD(CameraRec, user, "userName"),
    FIELD(CameraRec, password, "password"),
};
constexpr Field kTransportFields[] = {
    FIELD_REQ(CameraRec, id, "id", 0, kLastChannel),
    FIELD_IN(CameraRec, transmit_protocol, "transmitProtocol", 0, 3),
    FIELD(CameraRec, sync_time, "syncTime"),
    FIELD(CameraRec, https_port, "httpsPort"),
};

// /2000, after "id", "name", the connection, "model".
constexpr Field kListConnection[] = {
    FIELD(CameraRec, ip, "ipAddr"),
    FIELD(CameraRec, manage_port, "managePort"),
    FIELD(CameraRec, protocol, "protocol"),
};
constexpr Field kListRest[] = {
    FIELD(CameraRec, user, "userName"),
    FIELD(CameraRec, password, "password"),
    FIELD(CameraRec, transmit_protocol, "transmitProtocol"),
    FIELD(CameraRec, main_rtsp_port, "mainRtspPort"),
    FIELD(CameraRec, main_source_path, "mainSourcePath"),
    FIELD(CameraRec, sub_rtsp_enable, "subRtspEnable"),
    FIELD(CameraRec, sub_rtsp_port, "subRtspPort"),
    FIELD(CameraRec, sub_source_path, "subSourcePath"),
    FIELD(CameraRec, sync_time, "syncTime"),
    FIELD(CameraRec, main_rtsp_url, "mainRtspUrl"),
    FIELD(CameraRec, sub_rtsp_url, "subRtspUrl"),
    FIELD(CameraRec, physical_port, "physicalport"),
    FIELD(CameraRec, poe_channel, "poechannel"),
    FIELD(CameraRec, mac, "mac_addr"),
    FIELD(CameraRec, minor_id, "minorid"),
    FIELD(CameraRec, ddns, "ddns"),
    FIELD(CameraRec, https_port, "httpsPort"),
};

constexpr Field kExposureFields[] = {
    FIELD_REQ(ExposureRec, id, "channel", 0, kLastChannel),
    FIELD(ExposureRec, exposure_time, "exposureTime"),
    FIELD(ExposureRec, gain_level, "gainLevel"),
    FIELD(ExposureRec, exposure, "exposure"),
};

const char* protocol_name(int p) { return p == 0 ? "ONVIF" : p == 1 ? "RTSP" : "KVSF"; }
const char* transmit_name(int t) { return t == 0 ? "UDP" : t == 3 ? "RTSP Over HTTPS" : "TCP"; }

void log_camera(int32_t sub, int32_t param, const CameraRec& c) {
  CameraLogDetail d{};
  d.param = param;
  copy_text(d.ip, c.ip);
  d.manage_port = c.manage_port;
  d.channel = c.id + 1;
  copy_text(d.protocol, protocol_name(c.protocol));
  copy_text(d.transmit, transmit_name(c.transmit_protocol));
  d.sync_time = c.sync_time;
  send_op_log(on_camera_param_ipc_callback, sub, param, c.id + 1, kLogDetailCamera, &d, sizeof d);
}

// The channel's on-screen name, cut to 63 bytes of whole characters.
bool store_name(int chn, const char* name) {
  OsdRec osd{};
  read_osd(devpaths::kKvdb, &osd, chn);
  memset(osd.name, 0, sizeof osd.name);
  memcpy(osd.name, name, utf8_prefix(name, sizeof osd.name - 1));
  osd.chn = chn;
  return write_osd(devpaths::kKvdb, &osd) == 0;
}

// A changed camera: stored, announced (1203, no wait), logged, "OK".
void store_edited_camera(const CameraRec& c) {
  if (write_camera(devpaths::kKvdb, &c) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_camera_param_ipc_callback, kReqEditCamera, int32_t{c.id});
  log_camera(kLogSubCameraEdit, kLogParamCameraEdit, c);
  answer_ok();
}

// /2003 and /2004 share the checks and the copy; add also takes the PoE
// placement and always the credentials.
bool check_digital_channel(const json_object* req) {
  if (!json_check(req, kCameraRules)) return false;
  int protocol = 0;
  json_get_int(req, "camProtocol", &protocol);
  if (protocol != kNoAddressProtocol && !json_check(req, kAddressRules)) return false;
  return fields_check(req, kCameraFields) && fields_check(req, kCredentialFields) && fields_check(req, kRtspFields) &&
         fields_check(req, kTailFields) && fields_check(req, kAddOnlyFields);
}

void add_or_edit(const char* text, bool add) {
  JsonPtr req = json_parse(text);
  if (!req || !check_digital_channel(req.get())) return;
  int chn = 0;
  json_get_int(req.get(), "id", &chn);
  char name[64] = "";
  json_get_text(req.get(), "name", name, sizeof name);

  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, chn);
  fields_from_json(req.get(), &c, kCameraFields);
  int type = 0;
  json_get_int(req.get(), "type", &type);
  if (add || type == 0) fields_from_json(req.get(), &c, kCredentialFields);
  if (c.protocol == kRtspProtocol) fields_from_json(req.get(), &c, kRtspFields);
  fields_from_json(req.get(), &c, kTailFields);
  if (add) {
    fields_from_json(req.get(), &c, kAddOnlyFields);
    if (strcmp(c.mac, "(null)") == 0) c.mac[0] = '\0';
  }
  // The camera first: a refused write leaves the channel as it was.
  if (write_camera(devpaths::kKvdb, &c) != 0 || !store_name(chn, name)) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  if (add) {
    ipc_send(on_camera_param_ipc_callback, kReqAddCamera, int32_t{c.id});
    int other_poe = 0;
    json_get_int(req.get(), "otherPoe", &other_poe);
    ipc_send(on_camera_param_ipc_callback, kReqPoeChannel, PoeNotice{c.id, other_poe == 1 ? 1 : 0});
    log_camera(kLogSubCameraAdd, kLogParamCameraAdd, c);
  } else {
    ipc_send(on_camera_param_ipc_callback, kReqEditCamera, int32_t{c.id});
    log_camera(kLogSubCameraEdit, kLogParamCameraEdit, c);
  }
  answer_ok();
}

// /2017, /2031: a few members of a stored camera.
void update_camera(const char* text, Fields fields) {
  JsonPtr req = json_parse(text);
  if (!req || !fields_check(req.get(), fields)) return;
  int chn = 0;
  json_get_int(req.get(), "id", &chn);
  CameraRec c{};
  read_camera(devpaths::kKvdb, &c, chn);
  fields_from_json(req.get(), &c, fields);
  store_edited_camera(c);
}

bool clear_privacy_mask(int chn) {
  static PrivacyMaskRec masks[kChannels];
  int count = 0;
  read_privacy_masks(devpaths::kKvdb, masks, &count);
  for (int i = 0; i < count && i < kChannels; ++i) {
    if (masks[i].id != chn) continue;
    for (StoredMaskArea& a : masks[i].area) a = StoredMaskArea{};
    return write_privacy_mask(devpaths::kKvdb, &masks[i]) == 0;
  }
  return true;
}
}  // namespace

void on_get_camera_list(char* text) {
  int chn = -1;
  if (on_cgi_get_value_by_json(text, "chnid", &chn) != 0 || chn < 0 || chn >= camera_channel_count()) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  CameraRec c{};
  IpcChannelModelRec model{};
  read_camera(devpaths::kKvdb, &c, chn);
  read_ipc_model(devpaths::kKvdb, &model, chn);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "id", chn);
  add_channel_name(obj.get(), chn);
  camera_fields_to_json(obj.get(), &c, kListConnection);
  json_add_utf8(obj.get(), "model", model.model);
  camera_fields_to_json(obj.get(), &c, kListRest);
  answer_json(obj);
}

void on_get_camera_state(char*) { ipc_request(on_camera_param_ipc_callback, kReqCameraState, ErrMode::kJson); }

void on_get_camera_state_cb(const IpcReply& r) {
  if (r.count < 0) return;
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  for (int i = 0; i < r.count; ++i) {
    const CameraState& s = r.as<CameraState>()[i];
    json_object* item = json_object_new_object();
    json_add_int(item, "id", s.id);
    json_add_int(item, "enable", 1);
    add_channel_name(item, s.id);
    json_add_utf8(item, "ipAddr", s.ip);
    json_add_int(item, "managePort", s.manage_port);
    json_add_int(item, "camProtocol", s.protocol);
    json_add_utf8(item, "vendor", s.vendor);
    json_add_utf8(item, "sn", s.sn);
    json_add_utf8(item, "snReal", s.sn_real);
    json_add_utf8(item, "mac", s.mac);
    json_add_utf8(item, "model", s.model);
    json_add_utf8(item, "fwVersion", s.fw_version);
    const std::pair<const char*, int32_t> words[] = {
        {"state", s.state},         {"mainRtspPort", s.main_rtsp_port}, {"physicalport", s.physical_port},
        {"poechannel", s.poe_channel}, {"alarmin", s.alarm_in},          {"alarmout", s.alarm_out},
        {"whiteLed", s.white_led},  {"ledAlarm", s.led_alarm},          {"ledManual", s.led_manual},
        {"minorid", s.minor_id},    {"subState", s.sub_state},          {"connectState", s.connect_state},
    };
    for (const auto& [key, v] : words) json_add_int(item, key, v);
    json_add_utf8(item, "ddns", s.ddns);
    json_add_utf8(item, "chipinfo", s.chip_info);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "IPC", list);
  json_add_int(obj.get(), "maxIPCNums", get_param_int(devpaths::kKvdb, "max_cameras", 32));
  answer_json(obj);
}

void on_edit_camera(char* text) { add_or_edit(text, false); }

void on_add_camera(char* text) { add_or_edit(text, true); }

void on_del_camera(char* text) {
  int chn = -1;
  if (on_cgi_get_value_by_json(text, "chnid", &chn) != 0 || chn < 0 || chn >= camera_channel_count()) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  CameraRec old{};
  read_camera(devpaths::kKvdb, &old, chn);
  // The channel keeps its enable flag and its physical port; the camera goes.
  CameraRec cleared{};
  cleared.id = chn;
  cleared.enable = 1;
  cleared.physical_port = old.physical_port;
  char name[16];
  snprintf(name, sizeof name, "CAM%d", chn + 1);
  if (!clear_privacy_mask(chn) || write_camera(devpaths::kKvdb, &cleared) != 0 || !store_name(chn, name)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_send(on_camera_param_ipc_callback, kReqDelCamera, int32_t{chn});
  ipc_send(on_camera_param_ipc_callback, kReqPoeChannel, PoeNotice{chn, 0});
  log_camera(kLogSubCameraDelete, kLogParamCameraDelete, old);
  answer_ok();
}

void on_search_camera(char* text) {
  static constexpr JsonRule kRules[] = {{"protocol", true, JsonType::kInt, 0, 7}};
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kRules)) return;
  int protocol = 0;
  json_get_int(req.get(), "protocol", &protocol);
  ipc_request(on_camera_param_ipc_callback, kReqSearch, int32_t{protocol}, ErrMode::kJson);
}

void on_search_camera_cb(const IpcReply& r) {
  if (r.count < 0) return;
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "resultString", r.count > 0 ? "OK" : "NO");
  json_object* list = json_object_new_array();
  for (int i = 0; i < r.count; ++i) {
    const SearchResult& s = r.as<SearchResult>()[i];
    json_object* item = json_object_new_object();
    json_add_utf8(item, "ipAddr", s.ip);
    json_add_int(item, "managePort", s.manage_port);
    json_add_int(item, "protocol", s.protocol);
    json_add_utf8(item, "macAddr", s.mac);
    json_add_utf8(item, "vendor", s.vendor);
    json_add_utf8(item, "sn", s.sn);
    json_add_utf8(item, "fwVersion", s.fw_version);
    json_add_utf8(item, "model", s.model);
    json_add_int(item, "modelId", s.model_id);
    json_add_int(item, "subModelId", s.sub_model_id);
    json_add_int(item, "netif", s.netif);
    json_add_int(item, "active_status", s.active_status);
    // The page shows only plain names; any byte >= 0x80 empties it.
    size_t n = strnlen(s.name, sizeof s.name);
    bool plain = true;
    for (size_t k = 0; k < n; ++k) plain = plain && static_cast<unsigned char>(s.name[k]) < 0x80;
    json_object_object_add(item, "name", json_object_new_string_len(s.name, plain ? static_cast<int>(n) : 0));
    json_add_utf8(item, "snReal", s.sn_real);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "IPC", list);
  answer_json(obj);
}

void on_get_camera_protocols(char*) {
  static IpcProtocolRec protocols[kMaxIpcProtocols];
  static IpcModelRec models[kMaxIpcModels];
  int count = 0;
  read_ipc_protocols(devpaths::kKvdb, protocols, kMaxIpcProtocols, &count);
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  json_object_object_add(obj.get(), "protocols", list);
  for (int i = 0; i < count; ++i) {
    IpcProtocolRec& p = protocols[i];
    // Our own protocol lists no models on the page; an older database may still say so.
    if (p.id == 2 && p.display_model == 1) {
      p.display_model = 0;
      if (write_ipc_protocol(devpaths::kKvdb, &p) != 0) {
        cgi_error_to_webserver(ErrMode::kJson);
        return;
      }
    }
    json_object* item = json_object_new_object();
    json_add_int(item, "id", p.id);
    json_add_utf8(item, "name", p.name);
    json_add_int(item, "protocolFunction", p.function);
    json_add_int(item, "enable", p.enable);
    json_add_int(item, "display_model", p.display_model);
    json_object* arr = json_object_new_array();
    int nmodels = 0;
    read_ipc_models_by_protocol(devpaths::kKvdb, p.id, models, kMaxIpcModels, &nmodels);
    for (int k = 0; k < nmodels; ++k) {
      json_object* m = json_object_new_object();
      json_add_int(m, "id", models[k].id);
      json_add_utf8(m, "name", models[k].name);
      json_add_int(m, "alarm_type", models[k].alarm_type);
      json_add_int(m, "default_model", models[k].default_model);
      json_object_array_add(arr, m);
    }
    json_object_object_add(item, "models", arr);
    json_object_array_add(list, item);
  }
  answer_json(obj);
}

void on_get_camera_names(char*) {
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  for (int chn = 0; chn < camera_channel_count(); ++chn) {
    json_object* item = json_object_new_object();
    json_add_int(item, "id", chn);
    add_channel_name(item, chn);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "IPC", list);
  answer_json(obj);
}

void on_test_camera_login(char* text) {
  forward_camera_fields(text, kLoginTestFields, sizeof(LoginTest), kReqLoginTest, ErrMode::kText);
}

void on_test_camera_login2(char* text) {
  forward_camera_fields(text, kLoginTest2Fields, sizeof(LoginTest2), kReqLoginTest2, ErrMode::kText);
}

void on_get_poe_password(char*) {
  char password[128];
  get_param_value(devpaths::kKvdb, "poepsd", password, sizeof password, "qa5172");
  answer_text(password);
}

void on_set_camera_login(char* text) { update_camera(text, kLoginFields); }

void on_get_poe_count(char*) {
  answer_text(std::to_string(get_param_int(devpaths::kKvdb, "max_poe_num", 0)).c_str());
}

void on_set_camera_transport(char* text) { update_camera(text, kTransportFields); }

void on_get_ipv6_support(char*) {
  char addr[64], prefix[16];
  answer_text(net_get_ipv6_ifaddr(0, "eth0", addr, sizeof addr, prefix, sizeof prefix) == 0 ? "1" : "0");
}

void on_get_schedule_action(char* text) {
  int chn = camera_channel_of(text, "channel");
  if (chn < 0) return;
  ScheduleRec rec{};
  read_schedule(devpaths::kKvdb, kMotionEffectiveTable, chn, &rec);
  JsonPtr obj(get_schedule_json_object(&rec));
  answer_json(obj);
}

// One period start..end on every day of the channel's effective schedule.
void on_set_schedule_action_range(char* text) {
  static constexpr JsonRule kRules[] = {
      {"channel", true, JsonType::kInt, 0, kLastChannel},
      {"start", true, JsonType::kText, 1, sizeof(SchedulePeriod::start) - 1},
      {"end", true, JsonType::kText, 1, sizeof(SchedulePeriod::end) - 1},
  };
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kRules)) return;
  int chn = 0;
  json_get_int(req.get(), "channel", &chn);
  ScheduleRec rec{};
  for (ScheduleDay& day : rec.day) {
    json_get_text(req.get(), "start", day.period[0].start, sizeof day.period[0].start);
    json_get_text(req.get(), "end", day.period[0].end, sizeof day.period[0].end);
    day.period[0].action = 1;
  }
  answer_ok_or(write_schedule(devpaths::kKvdb, kMotionEffectiveTable, chn, &rec) == 0, ErrMode::kText);
}

void on_set_exposure(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !fields_check(req.get(), kExposureFields)) return;
  int chn = 0;
  json_get_int(req.get(), "channel", &chn);
  ExposureRec rec{};
  read_exposure(devpaths::kKvdb, &rec, chn);
  fields_from_json(req.get(), &rec, kExposureFields);
  answer_ok_or(write_exposure(devpaths::kKvdb, &rec) == 0, ErrMode::kText);
}

void on_get_exposure(char* text) {
  int chn = camera_channel_of(text, "channel");
  if (chn < 0) return;
  ExposureRec rec{};
  read_exposure(devpaths::kKvdb, &rec, chn);
  static constexpr Field kOut[] = {kExposureFields[1], kExposureFields[2], kExposureFields[3]};
  answer_json(camera_fields_json(&rec, kOut));
}
