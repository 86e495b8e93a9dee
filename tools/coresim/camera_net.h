// The simulated camera network, shared by every simulated page that talks to
// cameras: the cameras a search finds on the LAN and the channels the
// recorder has connected them to. A camera added through the camera pages
// is the one the video pages then see. A part of CoreDevice: hold its lock.
#pragma once
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/kvdb_camera.h"
#include "proto/camera_proto.h"

struct LanCamera {
  camera::SearchResult found;
  std::string user;
  std::string password;
};

// Alarm ports of a connected camera: what the recorder last set on them
// (enable, normally open/closed) and what their sensors and relays show.
struct CameraAlarmPorts {
  int32_t inputs = 0;  // ports the camera has
  int32_t outputs = 0;
  int32_t in_enable[4] = {};
  int32_t in_type[4] = {};
  int32_t in_state[4] = {};
  int32_t out_type[2] = {};
  int32_t out_state[2] = {};
};

struct CameraNet {
  std::vector<LanCamera> lan;
  // Channel -> its camera; state 1 online, 0 offline (address unreachable).
  std::map<int, camera::CameraState> channels;
  // Camera-side values set through camera setting records: (channel, page, key) -> value.
  std::map<std::tuple<int, std::string, std::string>, std::string> settings;
  std::map<int, CameraAlarmPorts> alarm_ports;

  CameraNet();
  bool online(int ch) const;
  camera::CameraState* at(int ch);
  LanCamera* find(const char* ip);
  // (Re)connects a channel to the camera its stored record names.
  void connect(const CameraRec& rec);
  void disconnect(int ch) {
    channels.erase(ch);
    alarm_ports.erase(ch);
  }
  // Ports of the camera on ch, made from its model on first use; null when
  // no camera is connected there.
  CameraAlarmPorts* ports(int ch);
};

inline constexpr int kCamOnline = 1;

#include "coresim_registry.h"

// Stores a camera setting record (3226) so that 3225 reads it back; call
// with the device lock held.
void remember_camera_setting(CoreDevice& dev, const CoreRequest& req);
