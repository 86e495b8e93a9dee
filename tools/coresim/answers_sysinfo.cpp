// System answers. The device information (3400) is the recorder the other
// pages describe: its channel and alarm counts, versions and model are the
// stored parameters the sign-in and the PTZ and alarm pages read, its MAC
// address the one the network page shows, its device number the last one it
// was told. The secondary output switch (1023) and UPnP (3720) are applied
// and stored as the daemon would; the other notices are remembered.
#include "answers_sysinfo.h"

#include <cstdio>

#include "base/paths.h"
#include "base/text.h"
#include "common/web_utils.h"
#include "platform/kvdb.h"
#include "platform/kvdb_sysinfo.h"

using namespace sysinfo;

namespace {
constexpr const char* kDb = devpaths::kKvdb;

template <class Fn>
Answer silent(Fn fn) {
  return ::silent<CoreSysinfoState>(fn);
}

template <size_t N>
void param_text(char (&field)[N], const char* key, const char* def) {
  get_param_value(kDb, key, field, static_cast<int>(N), def);
}

std::string device_info(CoreSysinfoState& s, const CoreRequest&) {
  DeviceInfo d{};
  d.device_id = s.device_number >= 0 ? s.device_number : get_param_int(kDb, "deviceid", 255);
  d.max_cameras = get_param_int(kDb, "max_cameras", 32);
  d.max_sensor = get_param_int(kDb, "alarm_in", 16);
  d.max_alarm = get_param_int(kDb, "alarm_out", 4);
  d.max_audio_out = 1;
  d.display_num = 2;  // main and secondary output
  d.max_rs485 = 1;
  d.max_network_lan = 2;
  d.oem_version = get_param_int(kDb, "oem_type", 0);
  d.kvddns = 1;
  copy_text(d.sn, "SN3204R2612080001");
  copy_text(d.prefix, "NVR");
  param_text(d.device_name, "model", "");
  if (!d.device_name[0]) copy_text(d.device_name, kCoreModel);
  param_text(d.software, "software_version", "7x.7.0.9");
  param_text(d.hwver, "hardware_version", "V1.1");
  char mac[18];
  get_mac_addr(mac, nullptr);
  copy_text(d.mac_address, mac);
  d.is_support_talk = 1;
  return bytes_of(d);
}

void sub_output(CoreSysinfoState& s, const CoreRequest& req) {
  DisplayRec d{};
  read_display(kDb, &d);
  d.sub_enable = read_as<int32_t>(req);
  write_display(kDb, &d);
  s.sub_output = d.sub_enable;
}

void upnp(CoreSysinfoState& s, const CoreRequest& req) {
  auto u = read_as<UpnpRecord>(req);
  // Mapped as soon as it is on: the simulated router always agrees.
  u.http_status = u.enable ? 1 : 0;
  u.rtsp_status = u.enable ? 1 : 0;
  write_upnp(kDb, &u);
  s.upnp = u;
}

std::string describe_number(const CoreRequest& req) { return "device number " + std::to_string(read_as<int32_t>(req)); }

std::string describe_resolution(const CoreRequest& req) {
  auto r = read_as<ResolutionRequest>(req);
  return "output " + std::to_string(r.output) + " resolution " + std::to_string(r.resolution);
}

const CoreAnswerTable kSysinfoAnswers = {
    {kReqDeviceInfo, on_state<CoreSysinfoState>(device_info), nullptr},
    {kReqDeviceNumber, silent([](CoreSysinfoState& s, const CoreRequest& r) { s.device_number = read_as<int32_t>(r); }),
     describe_number},
    {kReqSubOutput, silent(sub_output), nullptr},
    {kReqResolution, silent([](CoreSysinfoState& s, const CoreRequest& r) {
       auto q = read_as<ResolutionRequest>(r);
       if (q.output == kOutputMain || q.output == kOutputSecondary) s.resolution[q.output] = q;
     }),
     describe_resolution},
    {kReqDisplayApply, silent([](CoreSysinfoState& s, const CoreRequest&) { ++s.display_applied; }), nullptr},
    {kReqAudio, silent([](CoreSysinfoState& s, const CoreRequest& r) { s.audio = read_as<AudioRequest>(r); }), nullptr},
    {kReqUpnp, silent(upnp), nullptr},
    {kReqFilterChanged, silent([](CoreSysinfoState& s, const CoreRequest&) { ++s.filter_changes; }), nullptr},
};
}  // namespace

CoreSysinfoState coresim_sysinfo_state(CoreDevice& dev) {
  std::lock_guard<std::mutex> lk(dev.mu);
  return dev.part<CoreSysinfoState>();
}
