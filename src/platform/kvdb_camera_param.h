// Camera page records of the configuration database beside the camera
// channel table: the camera protocols the recorder ships and their models,
// each channel's camera model and its stored exposure settings.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr int kMaxIpcProtocols = 16;
inline constexpr int kMaxIpcModels = 64;

struct IpcProtocolRec {
  int32_t id;
  char name[64];
  int32_t function;  // "protocolFunction"
  int32_t enable;
  int32_t display_model;
};
static_assert(sizeof(IpcProtocolRec) == 80);

struct IpcModelRec {
  int32_t id;
  int32_t protocol;
  char name[64];
  int32_t alarm_type;
  int32_t default_model;
};
static_assert(sizeof(IpcModelRec) == 80);

// The model of the camera a channel holds ("" until one is known).
struct IpcChannelModelRec {
  int32_t id;
  char model[64];
};
static_assert(sizeof(IpcChannelModelRec) == 68);

struct ExposureRec {
  int32_t id;
  int32_t exposure;
  int32_t exposure_time;
  int32_t gain_level;
};
static_assert(sizeof(ExposureRec) == 16);

// Protocols in id order; *count = rows read.
int read_ipc_protocols(const char* path, IpcProtocolRec* recs, int max, int* count);
int write_ipc_protocol(const char* path, const IpcProtocolRec* rec);
// Models of one protocol in id order.
int read_ipc_models_by_protocol(const char* path, int protocol, IpcModelRec* recs, int max, int* count);
int read_ipc_model(const char* path, IpcChannelModelRec* rec, int chn);
int write_ipc_model(const char* path, const IpcChannelModelRec* rec);
int read_exposure(const char* path, ExposureRec* rec, int chn);
int write_exposure(const char* path, const ExposureRec* rec);
