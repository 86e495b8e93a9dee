// Storage requests and replies exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

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

// Request codes (replies are code + 5000).
enum : int32_t {
  kReqBackupSet = 1316,
  kReqBackupStatus = 1317,
  kReqGroupsChanged = 1307,
  kReqSmart = 3403,
  kReqCreateRaid = 3420,
  kReqRemoveRaid = 3421,
  kReqMakeSpare = 3423,
  kReqReleaseSpare = 3424,
  kReqRebuildRaid = 3425,
  kReqGetRecycle = 3431,
  kReqDiskInfo = 3433,
  kReqFormat = 3434,
  kReqDiskSetting = 3435,
  kReqGroup = 3436,
  kReqUpdateNas = 3439,
  kReqSearchNas = 3440,
  kReqGroupMode = 3442,
  kReqExportDisk = 3457,
  kReqSetRecycle = 3475,
  kReqRemoveDisk = 3496,
  kReqAddNas = 3507,
  kReqDelNas = 3508,
  kReqGetQuota = 3529,
  kReqSetQuota = 3530,
  kReqFormatEsata = 3535,
  kReqAutoBackupStatus = 3536,
  kReqAutoBackupStop = 3537,
  kReqFormatInfo = 3540,
};

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
