// Camera channel records of the configuration database (one per channel 0..63).
#pragma once
#include <cstddef>
#include <cstdint>

struct CameraRec {
  int32_t id;  // channel
  int32_t enable;
  char ip[64];
  int32_t manage_port;
  int32_t protocol;  // 0 ONVIF, 1 RTSP, other: our own; 7 a camera without address
  char user[64];
  char password[64];
  int32_t transmit_protocol;
  int32_t sub_rtsp_enable;
  int32_t sync_time;
  int32_t main_rtsp_port;
  int32_t sub_rtsp_port;
  char main_source_path[256];
  char sub_source_path[256];
  char main_rtsp_url[256];
  char sub_rtsp_url[256];
  char mac[32];
  int32_t poe_channel;  // 0: not on a PoE port
  int32_t physical_port;
  char ddns[64];
  int32_t https_port;
  int32_t minor_id;
  int32_t anr;            // audio noise reduction
  int32_t record_stream;  // stream recorded: 0 main, 1 sub, 2 both
};
static_assert(sizeof(CameraRec) == 1372);

inline constexpr int kCameraChannels = 64;

// A channel without a row reads as a zero record with its id.
int read_camera(const char* path, CameraRec* rec, int chn);
// recs must hold kCameraChannels records; recs[i] is channel i.
int read_cameras(const char* path, CameraRec* recs, int* count);
int write_camera(const char* path, const CameraRec* rec);

// Address of one channel, as a batch of "/ipc" gives it.
struct CameraIpSlot {
  int32_t chn;
  char ip[64];
};
// Stores each slot's address into its channel (other fields kept), all in one
// transaction; -1 and nothing stored when a channel is out of range.
int write_camera_ips(const char* path, const CameraIpSlot* slots, int n);
