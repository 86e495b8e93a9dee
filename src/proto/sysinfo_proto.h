// Device information, general settings, UPnP and address filter requests
// exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace sysinfo {
// Request codes (replies are code + 5000) with their waits.
inline constexpr IpcCode kReqResolution{1001};     // ResolutionRequest
inline constexpr IpcCode kReqAudio{1002};          // AudioRequest
inline constexpr IpcCode kReqDisplayApply{1015};   // no payload: apply the new resolutions
inline constexpr IpcCode kReqSubOutput{1023};      // int32 secondary output on/off
inline constexpr IpcCode kReqDeviceNumber{1705};   // int32 device number
inline constexpr IpcCode kReqFilterChanged{1722};  // no payload
inline constexpr IpcCode kReqDeviceInfo{3400};     // no payload; reply DeviceInfo
inline constexpr IpcCode kReqUpnp{3720};           // UpnpRecord

// Operation log codes of these pages (main type 4; a changed setting is
// kLogSubSetting of the shared log header).
inline constexpr int64_t kLogSubLogout = 202;
inline constexpr int32_t kLogParamGeneral = 900;
inline constexpr int32_t kLogParamGeneralSettings = 913;

// What the settings-changed notice (1702) names after a host name change.
inline constexpr const char* kChangedHostName = "hostname";

inline constexpr int kOutputMain = 0;
inline constexpr int kOutputSecondary = 1;

// Reply 8400: one entry filled by the daemon; bytes not named are not read.
struct DeviceInfo {
  int32_t device_id;
  int32_t max_cameras;
  uint8_t reserved0[8];
  int32_t max_sensor;
  int32_t max_alarm;
  uint8_t reserved1[4];
  int32_t max_audio_out;
  int32_t display_num;
  uint8_t reserved2[8];
  int32_t max_rs485;
  uint8_t reserved3[4];
  int32_t max_network_lan;
  uint8_t reserved4[4];
  int32_t oem_version;
  uint8_t reserved5[4];
  int32_t kvddns;
  char sn[65];
  char prefix[16];
  char device_name[32];
  char software[32];
  char hwver[192];       // up to the MAC address
  char mac_address[43];  // up to the talk flag
  int32_t is_support_talk;
  uint8_t reserved6[136];
};
static_assert(sizeof(DeviceInfo) == 592);
static_assert(offsetof(DeviceInfo, max_cameras) == 4);
static_assert(offsetof(DeviceInfo, max_sensor) == 16);
static_assert(offsetof(DeviceInfo, max_alarm) == 20);
static_assert(offsetof(DeviceInfo, max_audio_out) == 28);
static_assert(offsetof(DeviceInfo, display_num) == 32);
static_assert(offsetof(DeviceInfo, max_rs485) == 44);
static_assert(offsetof(DeviceInfo, max_network_lan) == 52);
static_assert(offsetof(DeviceInfo, oem_version) == 60);
static_assert(offsetof(DeviceInfo, kvddns) == 68);
static_assert(offsetof(DeviceInfo, sn) == 72);
static_assert(offsetof(DeviceInfo, prefix) == 137);
static_assert(offsetof(DeviceInfo, device_name) == 153);
static_assert(offsetof(DeviceInfo, software) == 185);
static_assert(offsetof(DeviceInfo, hwver) == 217);
static_assert(offsetof(DeviceInfo, mac_address) == 409);
static_assert(offsetof(DeviceInfo, is_support_talk) == 452);

// Stored UPnP state; also the payload of 3720.
struct UpnpRecord {
  int32_t enable;
  int32_t type;
  uint8_t reserved[128];
  int32_t external_http_port;
  int32_t http_status;
  int32_t external_rtsp_port;
  int32_t rtsp_status;
};
static_assert(sizeof(UpnpRecord) == 152);
static_assert(offsetof(UpnpRecord, external_http_port) == 136);
static_assert(offsetof(UpnpRecord, http_status) == 140);
static_assert(offsetof(UpnpRecord, external_rtsp_port) == 144);
static_assert(offsetof(UpnpRecord, rtsp_status) == 148);

struct ResolutionRequest {
  int32_t output;  // kOutputMain or kOutputSecondary
  int32_t resolution;
};
static_assert(sizeof(ResolutionRequest) == 8);

struct AudioRequest {
  int32_t hdmi_audio;
  int32_t audio_output;
  int32_t volume;
};
static_assert(sizeof(AudioRequest) == 12);
}  // namespace sysinfo
