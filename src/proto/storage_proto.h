// Storage requests and replies exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace storage {
inline constexpr int kMaxDisks = 36;
inline constexpr int kMaxPortList = 33;
inline constexpr int kMaxRaidMembers = 16;
inline constexpr int kMaxQuota = 16;
inline constexpr int kMaxGroups = 16;
inline constexpr int kNasPaths = 64;

inline constexpr int kDiskTypeNfs = 3;
inline constexpr int kDiskTypeRaid = 4;
inline constexpr int kDiskTypeSmb = 10;
inline constexpr int kExportDiskType = 5;

// Request codes (replies are code + 5000) with their waits.
inline constexpr IpcCode kReqBackupSet{1316};
inline constexpr IpcCode kReqBackupStatus{1317};
inline constexpr IpcCode kReqGroupsChanged{1307};
// Format of the older firmware path; its reply reads as a format reply.
inline constexpr IpcCode kReqFormatLegacy{3402, kPolls240s};
inline constexpr IpcCode kReqSmart{3403};
inline constexpr IpcCode kReqCreateRaid{3420, kPolls240s};
inline constexpr IpcCode kReqRemoveRaid{3421};
inline constexpr IpcCode kReqMakeSpare{3423};
inline constexpr IpcCode kReqReleaseSpare{3424};
inline constexpr IpcCode kReqRebuildRaid{3425};
inline constexpr IpcCode kReqGetRecycle{3431};
inline constexpr IpcCode kReqDiskInfo{3433};
inline constexpr IpcCode kReqFormat{3434, kPolls600s};
inline constexpr IpcCode kReqDiskSetting{3435};
inline constexpr IpcCode kReqGroup{3436};
inline constexpr IpcCode kReqUpdateNas{3439};
inline constexpr IpcCode kReqSearchNas{3440, kPolls240s};
inline constexpr IpcCode kReqGroupMode{3442};
inline constexpr IpcCode kReqExportDisk{3457};
inline constexpr IpcCode kReqSetRecycle{3475};
inline constexpr IpcCode kReqRemoveDisk{3496};
inline constexpr IpcCode kReqAddNas{3507};
inline constexpr IpcCode kReqDelNas{3508};
inline constexpr IpcCode kReqGetQuota{3529};
inline constexpr IpcCode kReqSetQuota{3530};
inline constexpr IpcCode kReqFormatEsata{3535, kPolls120s};
inline constexpr IpcCode kReqAutoBackupStatus{3536};
inline constexpr IpcCode kReqAutoBackupStop{3537};
inline constexpr IpcCode kReqFormatInfo{3540};

struct DiskInfo {
  int32_t port;
  char vendor[64];
  char address[64];
  char directory[128];
  int32_t state;
  int32_t usable;
  int32_t reserved0;
  uint64_t total_size;
  uint64_t used_size;
  uint64_t free_size;
  int32_t type;
  int32_t group;
  int32_t property;
  int32_t reserved1;
  int32_t raid_level;
  int32_t raid_state;
  int32_t raid_progress;
  int32_t raid_member_count;
  int32_t raid_members[16];
  char user[33];
  char password[33];
  uint8_t reserved2[6];
};
static_assert(sizeof(DiskInfo) == 464);
static_assert(offsetof(DiskInfo, address) == 68);
static_assert(offsetof(DiskInfo, directory) == 132);
static_assert(offsetof(DiskInfo, state) == 260);
static_assert(offsetof(DiskInfo, usable) == 264);
static_assert(offsetof(DiskInfo, total_size) == 272);
static_assert(offsetof(DiskInfo, used_size) == 280);
static_assert(offsetof(DiskInfo, free_size) == 288);
static_assert(offsetof(DiskInfo, type) == 296);
static_assert(offsetof(DiskInfo, group) == 300);
static_assert(offsetof(DiskInfo, property) == 304);
static_assert(offsetof(DiskInfo, raid_level) == 312);
static_assert(offsetof(DiskInfo, raid_state) == 316);
static_assert(offsetof(DiskInfo, raid_progress) == 320);
static_assert(offsetof(DiskInfo, raid_member_count) == 324);
static_assert(offsetof(DiskInfo, raid_members) == 328);
static_assert(offsetof(DiskInfo, user) == 392);
static_assert(offsetof(DiskInfo, password) == 425);

struct RaidRequest {
  int32_t id;
  int32_t enable;
  int32_t level;
  int32_t state;
  int32_t progress;
  int32_t member_count;
  int32_t members[16];
  uint8_t reserved[16];
};
static_assert(sizeof(RaidRequest) == 104);
static_assert(offsetof(RaidRequest, members) == 24);

struct PortList {
  int32_t count;
  int32_t ports[kMaxPortList];
};
static_assert(sizeof(PortList) == 136);

struct DiskSetting {
  int32_t port;
  int32_t property;
  int32_t group;
  int32_t priv;
};
static_assert(sizeof(DiskSetting) == 16);

// Request 3425: the disk that rebuilds the array, then the array.
struct RebuildRequest {
  int32_t disk_port;
  int32_t raid_port;
};
static_assert(sizeof(RebuildRequest) == 8);

struct NasSearchRequest {
  int32_t port;
  char server[64];
};
static_assert(sizeof(NasSearchRequest) == 68);

struct NasSearchReply {
  int32_t count;
  char paths[kNasPaths][256];
};
static_assert(sizeof(NasSearchReply) == 16388);

struct QuotaEntry {
  uint8_t channel;
  uint8_t pad[3];
  int32_t video_quota;
  int32_t picture_quota;
  int32_t video_used;
  int32_t picture_used;
};
static_assert(sizeof(QuotaEntry) == 20);

struct QuotaRecord {
  int32_t enable;
  int32_t count;
  QuotaEntry entries[kMaxQuota];
};
static_assert(sizeof(QuotaRecord) == 328);

struct GroupRecord {
  int32_t id;
  char channels[65];
  char second[65];
  uint8_t pad[2];
};
static_assert(sizeof(GroupRecord) == 136);
static_assert(offsetof(GroupRecord, second) == 69);

struct EsataBackupStatus {
  int32_t status;
  char last_time[32];
  float percent;
  int32_t capacity;
  uint8_t reserved[4];
};
static_assert(sizeof(EsataBackupStatus) == 48);
static_assert(offsetof(EsataBackupStatus, percent) == 36);
static_assert(offsetof(EsataBackupStatus, capacity) == 40);

struct FormatInfo {
  int32_t status;
  uint8_t percent;
  uint8_t port;
  uint8_t pad[2];
  int32_t type;
};
static_assert(sizeof(FormatInfo) == 12);
static_assert(offsetof(FormatInfo, percent) == 4);
static_assert(offsetof(FormatInfo, port) == 5);
static_assert(offsetof(FormatInfo, type) == 8);

struct ExportDisk {
  int32_t port;
  uint8_t reserved0[148];
  int32_t type;
  uint8_t reserved1[28];
};
static_assert(sizeof(ExportDisk) == 184);
static_assert(offsetof(ExportDisk, type) == 152);

struct SmartAttr {
  uint8_t reserved[12];
  char text[28];
};
static_assert(sizeof(SmartAttr) == 40);

// Operation log details.
struct NasLogDetail {  // kinds 101 and 110
  char protocol[16];
  char address[64];
  char directory[128];
};
static_assert(sizeof(NasLogDetail) == 208);

struct FormatLogDetail {  // kind 102
  int32_t port;
  int32_t result;
  uint8_t reserved[64];
};
static_assert(sizeof(FormatLogDetail) == 72);
}  // namespace storage
