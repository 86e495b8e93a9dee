// Maintenance and upgrade requests exchanged with the core daemon: restart,
// reset, firmware and camera upgrade, diagnostics, alarm audio files.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/device_proto.h"
#include "proto/ipc_code.h"

namespace maint {
// Request codes (replies are code + 5000) with their waits.
using ::kReqReboot;
inline constexpr IpcCode kReqUpgrade{1713, kPolls240s};     // int32 reset flag; reply int32 result
inline constexpr IpcCode kReqCheckOnline{1715};             // reply OnlineUpgradeInfo
inline constexpr IpcCode kReqOnlineDownload{1716, kPolls240s};  // OnlineDownload; reply int32 res
inline constexpr IpcCode kReqDropDownload{1717};            // reply int32 res
inline constexpr IpcCode kReqAutoReboot{1718};              // settings changed, no payload
inline constexpr IpcCode kReqUpgradeInit{1721};             // no payload, no reply
inline constexpr IpcCode kReqRetention{2102};               // settings changed, no payload
inline constexpr IpcCode kReqResetKeep{3311};               // ResetKeep
inline constexpr IpcCode kReqCamUpgrade{3350, kPolls600s};  // CamUpgrade; reply CamUpgradeReply
inline constexpr IpcCode kReqCamUpgradeStop{3351};
inline constexpr IpcCode kReqCamCheckOnline{3365, kPolls120s};  // uint64 channel mask; reply 64 x OnlineUpgradeInfo
inline constexpr IpcCode kReqFactoryReset{3410};            // no payload
inline constexpr IpcCode kReqDiagExport{3528, kPolls240s};  // DiagExport; reply DiagReply
inline constexpr IpcCode kReqAudioList{4012};               // reply AudioFileEntry[]
inline constexpr IpcCode kReqAudioAdd{4013};                // char[128] encoded name; reply int32 status
inline constexpr IpcCode kReqAudioDelete{4014};             // int32 id mask; reply int32 status
inline constexpr IpcCode kReqAudioRename{4015};             // AudioFileEntry; reply int32 status
inline constexpr IpcCode kReqAudioPlay{4016};               // int32 id; reply int32 status

// Operation log entries of these pages (main type 4).
inline constexpr int64_t kLogSubReboot = 200;
inline constexpr int64_t kLogSubUpgrade = 203;
inline constexpr int64_t kLogSubAudio = 204;  // a setting changed: the audio files
inline constexpr int64_t kLogSubExport = 213;
inline constexpr int64_t kLogSubImport = 214;
inline constexpr int64_t kLogSubReset = 215;
inline constexpr int32_t kLogParamSystem = 900;
inline constexpr int32_t kLogParamAudio = 925;

inline constexpr int kChannels = 64;
inline constexpr int kAudioFiles = 10;  // slots of the deletion mask
inline constexpr uint32_t kAudioMask = (1u << kAudioFiles) - 1;

struct ResetKeep {
  int32_t keep_ip;
  int32_t keep_user;
};
static_assert(sizeof(ResetKeep) == 8);

struct OnlineUpgradeInfo {
  int32_t state;
  int32_t file_size;
  char softversion[64];
  char url[128];
  char description[128];
};
static_assert(sizeof(OnlineUpgradeInfo) == 328);
static_assert(offsetof(OnlineUpgradeInfo, softversion) == 8);
static_assert(offsetof(OnlineUpgradeInfo, url) == 72);
static_assert(offsetof(OnlineUpgradeInfo, description) == 200);

struct CamUpgrade {
  int32_t chnid;
  int32_t reset;
  char path[256];
};
static_assert(sizeof(CamUpgrade) == 264);
static_assert(offsetof(CamUpgrade, path) == 8);

struct CamUpgradeReply {
  int32_t chnid;
  int32_t status;
};
static_assert(sizeof(CamUpgradeReply) == 8);

struct OnlineDownload {
  char url[128];
  char target[128];
};
static_assert(sizeof(OnlineDownload) == 256);
static_assert(offsetof(OnlineDownload, target) == 128);

struct DiagExport {
  char dir[64];
};
static_assert(sizeof(DiagExport) == 64);

// Result of a diagnostic export: the package path from the ninth byte on.
struct DiagReply {
  int32_t kind;
  int32_t result;  // negative: failed
  char path[256];
};
static_assert(sizeof(DiagReply) == 264);
static_assert(offsetof(DiagReply, result) == 4);
static_assert(offsetof(DiagReply, path) == 8);

struct AudioFileEntry {
  int32_t id;
  int32_t enable;
  char name[128];  // URL-safe base64 of the file's name
};
static_assert(sizeof(AudioFileEntry) == 136);
static_assert(offsetof(AudioFileEntry, name) == 8);

struct AudioName {
  char name[128];
};
static_assert(sizeof(AudioName) == 128);
}  // namespace maint
