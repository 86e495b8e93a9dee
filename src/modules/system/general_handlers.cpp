// General settings: local display, audio, device number and host name
// (/6080, /6081).
#include <json-c/json.h>

#include <cstdio>

#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_network.h"
#include "platform/kvdb_sysinfo.h"
#include "proto/network_proto.h"
#include "proto/sysinfo_proto.h"

using namespace sysinfo;

namespace {
constexpr const char* kDb = devpaths::kKvdb;
// Text parameters of this page are read into 8 bytes and answered as numbers.
constexpr int kParamBytes = 8;

// One key of the read page: a parameter (with its factory text), a display
// record field, or the host name of the network record.
struct GeneralKey {
  const char* key;
  const char* param;
  const char* def;
  int32_t DisplayRec::*field;
};
constexpr GeneralKey kGeneralKeys[] = {
    {"displayMode", "display_mode", "0", nullptr},
    {"hdmihotplug", "hdmihotplug", "1", nullptr},
    {"mainResolution", nullptr, nullptr, &DisplayRec::main_resolution},
    {"hdmiAudioOn", nullptr, nullptr, &DisplayRec::hdmi_audio},
    {"homologous", "homologous", "1", nullptr},
    {"curControl", nullptr, nullptr, &DisplayRec::cur_control},
    {"subEnable", nullptr, nullptr, &DisplayRec::sub_enable},
    {"subResolution", nullptr, nullptr, &DisplayRec::sub_resolution},
    {"audioOutputOn", nullptr, nullptr, &DisplayRec::audio_output},
    {"audioVolume", nullptr, nullptr, &DisplayRec::audio_volume},
    {"deviceId", "deviceid", "255", nullptr},
    {"hostname", nullptr, nullptr, nullptr},
    {"wizardEnable", "wizard_enable", "0", nullptr},
    {"hideTaskBar", "hide_taskbar", "0", nullptr},
    {"hideToolBar", "hide_toolbar", "0", nullptr},
};

int param_number(const char* param, const char* def) {
  char buf[kParamBytes];
  get_param_value(kDb, param, buf, sizeof buf, def);
  int v = 0;
  return text_int(buf, INT32_MIN, INT32_MAX, &v) ? v : 0;
}

// The display fields a save takes over the stored record.
constexpr Field kDisplayFields[] = {
    FIELD_REQ(DisplayRec, main_resolution, "mainResolution", INT32_MIN, INT32_MAX),
    FIELD_IN(DisplayRec, audio_output, "audioOutputOn", 0, 1),
    FIELD_IN(DisplayRec, audio_volume, "audioVolume", 0, 100),
    FIELD(DisplayRec, audio_stereo, "audioStereo"),
    FIELD_IN(DisplayRec, hdmi_audio, "hdmiAudioOn", 0, 1),
    FIELD_REQ(DisplayRec, sub_resolution, "subResolution", INT32_MIN, INT32_MAX),
};
constexpr int kVolumeStep = 10;

constexpr JsonRule kGeneralRules[] = {
    {"wizardEnable", false, JsonType::kInt, 0, 1},
    {"displayMode", false, JsonType::kInt, 0, 1},
    {"subEnable", false, JsonType::kInt, 0, 1},
    {"hostname", true, JsonType::kText, 0, INT32_MAX},
    {"deviceId", false, JsonType::kInt, 0, 256},
    {"isHomologousChanged", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"homologous", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"hdmihotplug", false, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"streamInfo", false, JsonType::kInt, INT32_MIN, INT32_MAX},
};

// Request members stored as parameters when present.
struct ParamMember {
  const char* key;
  const char* param;
};
constexpr ParamMember kGeneralParams[] = {
    {"deviceId", "deviceid"},         {"wizardEnable", "wizard_enable"}, {"displayMode", "display_mode"},
    {"hdmihotplug", "hdmihotplug"},   {"streamInfo", "stream_information"},
};

// Up to two homologous parameters and the members above.
struct ParamList {
  ParamValue items[2 + sizeof kGeneralParams / sizeof kGeneralParams[0]];
  int count = 0;
  void add(const char* key, const char* value) {
    items[count].key = key;
    copy_text(items[count].value, value);
    ++count;
  }
  void add(const char* key, int value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    add(key, text);
  }
};

void send_resolution(int output, int resolution) {
  ipc_send(on_system_ipc_callback, kReqResolution, ResolutionRequest{output, resolution});
}
}  // namespace

void on_get_general_info(char*) {
  DisplayRec d{};
  read_display(kDb, &d);
  net::NetworkRec net{};
  read_network(kDb, &net);
  JsonPtr o(json_object_new_object());
  for (const GeneralKey& k : kGeneralKeys) {
    if (k.param)
      json_add_int(o.get(), k.key, param_number(k.param, k.def));
    else if (k.field)
      json_add_int(o.get(), k.key, d.*k.field);
    else
      json_add_field(o.get(), k.key, net.hostName);
  }
  answer_json(o);
}

void on_set_general_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kGeneralRules) || !fields_check(req.get(), kDisplayFields)) return;
  const json_object* r = req.get();
  int volume = 0;
  if (json_get_int(r, "audioVolume", &volume) == JsonGet::kOk && volume % kVolumeStep != 0) return;

  DisplayRec d{};
  read_display(kDb, &d);
  const DisplayRec old = d;
  fields_from_json(r, &d, kDisplayFields);

  ParamList params;
  int homologous_changed = 0;
  json_get_int(r, "isHomologousChanged", &homologous_changed);
  const bool reboot = homologous_changed != 0;
  if (reboot) {
    int homologous = param_number("homologous", "1");
    json_get_int(r, "homologous", &homologous);
    params.add("homologous", homologous);
    params.add("quick_screen", homologous == 0 ? "1" : "0");
    d.sub_enable = homologous == 0;
  }
  for (const ParamMember& m : kGeneralParams) {
    int v = 0;
    if (json_get_int(r, m.key, &v) == JsonGet::kOk) params.add(m.param, v);
  }
  char host[sizeof net::NetworkRec::hostName] = "";
  json_get_text(r, "hostname", host, sizeof host);

  SettingsBatch b;
  b.display = &d;
  b.host_name = host;
  b.params = params.items;
  b.param_count = params.count;
  if (write_settings(kDb, b) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }

  int sub_enable = d.sub_enable;
  json_get_int(r, "subEnable", &sub_enable);
  if (sub_enable != d.sub_enable && old.cur_control == kOutputMain && !reboot)
    ipc_send(on_system_ipc_callback, kReqSubOutput, static_cast<int32_t>(sub_enable));
  announce_device_number(param_number("deviceid", "255"));
  if (d.main_resolution != old.main_resolution || d.sub_resolution != old.sub_resolution) {
    send_resolution(kOutputMain, d.main_resolution);
    send_resolution(kOutputSecondary, d.sub_resolution);
    ipc_send(on_system_ipc_callback, kReqDisplayApply);
  }
  ipc_send(on_system_ipc_callback, kReqAudio, AudioRequest{d.hdmi_audio, d.audio_output, d.audio_volume});
  send_op_log(on_system_ipc_callback, kLogSubSetting, kLogParamGeneralSettings, 0);
  answer_text(old.cur_control == kOutputMain ? "OK" : "SUB");
  if (reboot) ipc_send(on_system_ipc_callback, net::kReqReboot);
}
