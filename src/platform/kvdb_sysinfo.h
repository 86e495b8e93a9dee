// System records of the configuration database: the local display and audio
// outputs, UPnP port mapping and the client address filter.
#pragma once
#include <cstdint>

#include "proto/sysinfo_proto.h"

namespace sysinfo {
struct DisplayRec {
  int32_t main_resolution;
  int32_t hdmi_audio;
  int32_t audio_output;  // switch
  int32_t audio_volume;  // 0..100 in steps of 10
  int32_t audio_stereo;
  int32_t sub_enable;    // secondary output
  int32_t sub_resolution;
  int32_t cur_control;   // output the local mouse drives; kOutputMain = 0
};

inline constexpr int kMaxAccessFilters = 100;

struct AccessFilterEntry {
  int32_t address_type;
  char address[32];
};

int read_display(const char* db, DisplayRec* r);
int write_display(const char* db, const DisplayRec* r);
int read_upnp(const char* db, UpnpRecord* r);
int write_upnp(const char* db, const UpnpRecord* r);
// Up to kMaxAccessFilters entries in stored order.
int read_access_filter(const char* db, AccessFilterEntry* entries, int* count);

// A parameter of a settings batch, its value as text.
struct ParamValue {
  const char* key;
  char value[32];
};

// What one page saves: every part that is set, in one transaction, so the
// page's settings are stored whole or not at all.
struct SettingsBatch {
  const DisplayRec* display = nullptr;
  const char* host_name = nullptr;           // into the network record
  const AccessFilterEntry* filters = nullptr;
  int filter_count = -1;                     // < 0: the entries stay as they are
  const ParamValue* params = nullptr;
  int param_count = 0;
};
int write_settings(const char* db, const SettingsBatch& b);
}  // namespace sysinfo
