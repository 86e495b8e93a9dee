// Simulated storage: four local disks (one a hot spare), a RAID array of two
// of them, an NFS share; formatting, RAID, NAS, quotas and e-SATA backup that
// change the device and progress over successive queries.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "coresim_registry.h"
#include "platform/kvdb_storage.h"
#include "proto/storage_proto.h"

using namespace storage;

namespace {
constexpr uint64_t kGiB = 1ull << 30;
constexpr int kStateNormal = 0;
constexpr int kStateFormatting = 1;
constexpr int kStateSpare = 3;
constexpr int kLocalSata = 1;

struct StorageState {
  std::map<int, DiskInfo> disks;  // by port
  int recycle[2] = {1, 0};
  QuotaRecord quota{};
  int group_mode = 0;
  // formatting in progress
  int format_port = 0;
  int format_percent = 0;
  int format_status = 0;
  // e-SATA backup
  int backup_percent = -1;
  char last_backup[32] = "2026-12-01 02:00:00";

  StorageState() {
    for (int port = 1; port <= 4; ++port) {
      DiskInfo d{};
      d.port = port;
      snprintf(d.vendor, sizeof d.vendor, "SIM-HDD%d 4TB", port);
      d.usable = 1;
      d.total_size = 4000 * kGiB;
      d.used_size = port * 300 * kGiB;
      d.free_size = d.total_size - d.used_size;
      d.type = kLocalSata;
      d.property = 1;
      d.state = port == 4 ? kStateSpare : kStateNormal;
      disks[port] = d;
    }
    add_raid(10, 1, {1, 2});
    DiskInfo nfs{};
    nfs.port = 9;
    nfs.type = kDiskTypeNfs;
    nfs.usable = 1;
    nfs.total_size = 8000 * kGiB;
    nfs.used_size = 1200 * kGiB;
    nfs.free_size = nfs.total_size - nfs.used_size;
    copy_text(nfs.vendor, "NFS");
    copy_text(nfs.address, "192.0.2.20");
    copy_text(nfs.directory, "/export/records");
    disks[9] = nfs;
    quota.enable = 0;
  }

  bool add_raid(int id, int level, const std::vector<int>& members) {
    if (disks.count(id)) return false;
    DiskInfo a{};
    a.port = id;
    a.type = kDiskTypeRaid;
    a.usable = 1;
    a.raid_level = level;
    a.raid_state = 0;
    a.raid_progress = 100;
    for (int m : members) {
      if (a.raid_member_count >= kMaxRaidMembers) break;
      a.raid_members[a.raid_member_count++] = m;
      auto it = disks.find(m);
      if (it != disks.end()) a.total_size += it->second.total_size;
    }
    if (level == 1 && a.raid_member_count) a.total_size /= static_cast<uint64_t>(a.raid_member_count);
    a.free_size = a.total_size;
    snprintf(a.vendor, sizeof a.vendor, "RAID%d", level);
    disks[id] = a;
    return true;
  }
};

std::string status(int32_t v) { return status_word(v); }

template <class Fn>
Answer silent(Fn fn) {
  return ::silent<StorageState>(fn);
}

template <class Fn>
Answer on_state(Fn fn) {
  return ::on_state<StorageState>(fn);
}

std::string disk_list(StorageState& s, const CoreRequest&) {
  std::string out;
  for (auto& [port, d] : s.disks) out += bytes_of(d);
  return out;
}

std::string format_disk(StorageState& s, const CoreRequest& req) {
  int port = read_as<int32_t>(req);
  auto it = s.disks.find(port);
  if (it == s.disks.end()) return status(-1);
  if (s.format_port) return status(1);  // another disk is being formatted
  s.format_port = port;
  s.format_percent = 0;
  s.format_status = 1;
  it->second.state = kStateFormatting;
  return status(0);
}

std::string format_info(StorageState& s, const CoreRequest&) {
  FormatInfo fi{};
  if (s.format_port) {
    s.format_percent += 25;
    auto& d = s.disks[s.format_port];
    if (s.format_percent >= 100) {
      s.format_percent = 100;
      s.format_status = 0;
      d.used_size = 0;
      d.free_size = d.total_size;
      d.state = kStateNormal;
    }
    fi.port = static_cast<uint8_t>(s.format_port);
    fi.type = d.type;
    if (s.format_status == 0) s.format_port = 0;
  }
  fi.status = s.format_status;
  fi.percent = static_cast<uint8_t>(s.format_percent);
  return bytes_of(fi);
}

std::string create_raid(StorageState& s, const CoreRequest& req) {
  auto r = read_as<RaidRequest>(req);
  int n = r.member_count < 0 ? 0 : std::min(r.member_count, kMaxRaidMembers);
  std::vector<int> members;
  for (int i = 0; i < n; ++i) members.push_back(r.members[i] + 1);  // bits count from disk 1
  return status(r.id >= 10 && r.id <= 16 && !members.empty() && s.add_raid(r.id, r.level, members) ? 0 : -1);
}

std::string remove_raid(StorageState& s, const CoreRequest& req) {
  auto r = read_as<RaidRequest>(req);
  auto it = s.disks.find(r.id);
  if (it == s.disks.end() || it->second.type != kDiskTypeRaid) return status(-1);
  s.disks.erase(it);
  return status(0);
}

std::string set_spare(StorageState& s, const CoreRequest& req, int state) {
  auto it = s.disks.find(read_as<int32_t>(req));
  if (it == s.disks.end() || it->second.type != kLocalSata) return status(-1);
  it->second.state = state;
  return status(0);
}

void disk_setting(StorageState& s, const CoreRequest& req) {
  auto set = read_as<DiskSetting>(req);
  auto it = s.disks.find(set.port);
  if (it != s.disks.end()) {
    it->second.property = set.property;
    it->second.group = set.group;
  }
}

// Network disks come from the stored records the handler wrote before asking.
std::string add_nas(StorageState& s, const CoreRequest& req) {
  auto list = read_as<PortList>(req);
  int n = list.count < 0 ? 0 : std::min(list.count, kMaxPortList);
  for (int i = 0; i < n; ++i) {
    StoredDisk stored{};
    read_disk(devpaths::kKvdb, &stored, list.ports[i]);
    if (stored.port == 0) continue;
    DiskInfo d{};
    d.port = stored.port;
    d.type = stored.type;
    d.usable = 1;
    d.property = stored.property;
    d.total_size = 2000 * kGiB;
    d.free_size = d.total_size;
    copy_text(d.vendor, stored.vendor);
    copy_text(d.address, stored.address);
    copy_text(d.directory, stored.directory);
    s.disks[d.port] = d;
  }
  return status(0);
}

std::string add_nas_single(StorageState& s, const CoreRequest& req) {
  PortList list{};
  list.count = 1;
  list.ports[0] = read_as<int32_t>(req);
  CoreRequest as_list = req;
  std::string payload = bytes_of(list);
  as_list.payload = payload;
  return add_nas(s, as_list);
}

std::string del_nas(StorageState& s, const CoreRequest& req) {
  auto list = read_as<PortList>(req);
  int n = list.count < 0 ? 0 : std::min(list.count, kMaxPortList);
  for (int i = 0; i < n; ++i) s.disks.erase(list.ports[i]);
  return status(0);
}

std::string remove_disk(StorageState& s, const CoreRequest& req) {
  return status(s.disks.erase(read_as<int32_t>(req)) ? 0 : -1);
}

std::string search_nas(StorageState&, const CoreRequest& req) {
  auto search = read_as<NasSearchRequest>(req);
  static NasSearchReply reply;
  reply = NasSearchReply{};
  if (search.server[0]) {
    const char* shares[] = {"/export/records", "/export/backup", "/srv/nvr"};
    for (const char* sh : shares) copy_text(reply.paths[reply.count++], sh);
  }
  return bytes_of(reply);
}

std::string smart(StorageState& s, const CoreRequest& req) {
  SmartAttr a{};
  auto it = s.disks.find(read_as<int32_t>(req));
  copy_text(a.text, it != s.disks.end() && it->second.type == kLocalSata ? "PASSED" : "UNKNOWN");
  return bytes_of(a);
}

std::string set_quota(StorageState& s, const CoreRequest& req) {
  auto q = read_as<QuotaRecord>(req);
  q.count = std::max(0, std::min(q.count, kMaxQuota));
  for (int i = 0; i < q.count; ++i) {
    q.entries[i].video_used = q.entries[i].video_quota / 3;
    q.entries[i].picture_used = q.entries[i].picture_quota / 4;
  }
  s.quota = q;
  return status(0);
}

std::string export_disks(StorageState&, const CoreRequest&) {
  ExportDisk disks[2]{};
  disks[0].port = 1;
  disks[0].type = kLocalSata;
  disks[1].port = 17;
  disks[1].type = kExportDiskType;
  return bytes_of(disks);
}

std::string backup_set(StorageState& s, const CoreRequest& req) {
  s.backup_percent = read_as<int32_t>(req) ? -1 : 0;
  return status(0);
}

std::string backup_status(StorageState& s, const CoreRequest&) {
  EsataBackupStatus st{};
  if (s.backup_percent >= 0) {
    s.backup_percent = std::min(100, s.backup_percent + 10);
    st.status = s.backup_percent < 100 ? 1 : 0;
    st.percent = static_cast<float>(s.backup_percent);
  }
  copy_text(st.last_time, s.last_backup);
  st.capacity = 500;
  return bytes_of(st);
}

const CoreAnswerTable kStorageAnswers{
    {kReqDiskInfo, on_state(disk_list), {}},
    {kReqFormat, on_state(format_disk), {}},
    {kReqFormatInfo, on_state(format_info), {}},
    {kReqCreateRaid, on_state(create_raid), {}},
    {kReqRemoveRaid, on_state(remove_raid), {}},
    {kReqMakeSpare, on_state([](StorageState& s, const CoreRequest& r) { return set_spare(s, r, kStateSpare); }), {}},
    {kReqReleaseSpare, on_state([](StorageState& s, const CoreRequest& r) { return set_spare(s, r, kStateNormal); }), {}},
    {kReqRebuildRaid, on_state([](StorageState&, const CoreRequest&) { return status(0); }), {}},
    {kReqGetRecycle, on_state([](StorageState& s, const CoreRequest&) { return bytes_of(s.recycle); }), {}},
    {kReqSetRecycle, on_state([](StorageState& s, const CoreRequest& r) {
       memcpy(s.recycle, r.payload.data(), std::min(sizeof s.recycle, r.payload.size()));
       return status(0);
     }), {}},
    {kReqUpdateNas, on_state(add_nas_single), {}},
    {kReqAddNas, on_state(add_nas), {}},
    {kReqDelNas, on_state(del_nas), {}},
    {kReqRemoveDisk, on_state(remove_disk), {}},
    {kReqSearchNas, on_state(search_nas), {}},
    {kReqSmart, on_state(smart), {}},
    {kReqGetQuota, on_state([](StorageState& s, const CoreRequest&) { return bytes_of(s.quota); }), {}},
    {kReqSetQuota, on_state(set_quota), {}},
    {kReqExportDisk, on_state(export_disks), {}},
    {kReqFormatEsata, on_state([](StorageState&, const CoreRequest&) { return status(0); }), {}},
    {kReqAutoBackupStatus, on_state([](StorageState& s, const CoreRequest&) { return status(s.backup_percent >= 0 && s.backup_percent < 100 ? 1 : 0); }), {}},
    {kReqAutoBackupStop, on_state([](StorageState& s, const CoreRequest&) { s.backup_percent = -1; return status(0); }), {}},
    {kReqBackupSet, on_state(backup_set), {}},
    {kReqBackupStatus, on_state(backup_status), {}},
    {kReqDiskSetting, silent(disk_setting), {}},
    {kReqGroupMode, silent([](StorageState& s, const CoreRequest& r) { s.group_mode = read_as<int32_t>(r); }), {}},
};
}  // namespace
