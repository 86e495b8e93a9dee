// Disks, formatting and RAID (/6100-/6109).
#include <json-c/json.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/fields.h"
#include "common/reply.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"
#include "common/web_utils.h"
#include "modules/storage/storage_module.h"
#include "platform/kv_crypto.h"
#include "platform/kvdb.h"
#include "platform/kvdb_storage.h"
#include "platform/kvfs.h"

using namespace storage;

namespace {

// Member ports as a bit mask; ports outside 1..63 cannot be shown and are skipped.
int64_t member_mask(const DiskInfo& d) {
  int n = d.raid_member_count < 0 ? 0 : (d.raid_member_count > kMaxRaidMembers ? kMaxRaidMembers : d.raid_member_count);
  uint64_t mask = 0;
  for (int i = 0; i < n; ++i)
    if (d.raid_members[i] > 0 && d.raid_members[i] < 64) mask |= 1ull << d.raid_members[i];
  return static_cast<int64_t>(mask);
}

void copy_stored_texts(DiskInfo& slot, const StoredDisk& s) {
  copy_text_max(slot.vendor, sizeof slot.vendor, s.vendor, 63);
  copy_text_max(slot.address, sizeof slot.address, s.address, 63);
  copy_text_max(slot.directory, sizeof slot.directory, s.directory, 63);
  copy_text_max(slot.user, sizeof slot.user, s.user, 32);
  copy_text_max(slot.password, sizeof slot.password, s.password, 32);
}

bool is_network_type(int type) { return type == kDiskTypeNfs || type == kDiskTypeSmb; }

json_object* disk_json(const DiskInfo& d) {
  json_object* o = json_object_new_object();
  char text[sizeof d.user + 1];
  json_add_int(o, "portId", d.port);
  json_add_field(o, "vendorName", d.vendor);
  json_add_field(o, "address", d.address);
  json_add_field(o, "directory", d.directory);
  json_add_int(o, "totalSize", static_cast<int64_t>(d.total_size >> 20));
  json_add_int(o, "usedSize", static_cast<int64_t>(d.used_size >> 20));
  json_add_int(o, "freeSize", static_cast<int64_t>(d.free_size >> 20));
  json_add_int(o, "hddType", d.type);
  json_add_int(o, "state", d.state);
  json_add_int(o, "group", d.group);
  json_add_int(o, "property", d.property);
  json_add_int(o, "bUsable", d.usable);
  json_add_int(o, "raid_id", d.port);
  json_add_int(o, "raid_level", d.raid_level);
  json_add_int(o, "raid_state", d.raid_state);
  json_add_int(o, "raid_progress", d.raid_progress);
  json_add_int(o, "raid_sata_cnt", d.raid_member_count);
  json_add_int(o, "raid_task", d.raid_progress);
  char enc[128];
  copy_field(text, d.user);
  get_url_encode(text, enc, sizeof enc);
  json_add_text(o, "userName", enc);
  copy_field(text, d.password);
  get_url_encode(text, enc, sizeof enc);
  json_add_text(o, "password", enc);
  json_add_int(o, "raid_sata_port", member_mask(d));
  return o;
}
}  // namespace

JsonPtr disk_list_json(const DiskInfo* disks, int count) {
  static DiskInfo slots[kMaxDisks];
  bool filled[kMaxDisks] = {};
  memset(slots, 0, sizeof slots);
  for (int i = 0; i < count; ++i) {
    int port = disks[i].port;
    if (port < 1 || port > kMaxDisks) continue;
    slots[port - 1] = disks[i];
    filled[port - 1] = true;
  }
  static StoredDisk stored[kMaxDisks];
  int stored_count = 0;
  read_disks(devpaths::kKvdb, stored, &stored_count);
  for (int i = 0; i < stored_count && i < kMaxDisks; ++i) {
    const StoredDisk& s = stored[i];
    if (s.enable != 1 || s.port < 1 || s.port > kMaxDisks) continue;
    DiskInfo& slot = slots[s.port - 1];
    if (filled[s.port - 1]) {
      if (is_network_type(slot.type)) copy_stored_texts(slot, s);
      continue;
    }
    slot.port = s.port;
    slot.type = s.type;
    slot.property = s.property;
    slot.group = s.group;
    slot.state = 2;
    copy_stored_texts(slot, s);
    filled[s.port - 1] = true;
  }
  JsonPtr answer(json_object_new_object());
  json_object* hdd = json_object_new_array();
  int listed = 0;
  for (int i = 0; i < kMaxDisks; ++i) {
    if (!filled[i]) continue;
    json_object_array_add(hdd, disk_json(slots[i]));
    ++listed;
  }
  json_add_text(answer.get(), "resultString", count > 0 || listed > 0 ? "OK" : "NO");
  json_add_int(answer.get(), "esataType", get_param_int(devpaths::kKvdb, "esata_type", 0));
  json_object_object_add(answer.get(), "HDD", hdd);
  json_add_int(answer.get(), "maxDiskNum", kMaxDisks);
  return answer;
}

void on_get_disk_info(char*) { ipc_request(on_storage_ipc_callback, kReqDiskInfo, ErrMode::kJson); }

namespace {
// Ports count from 0 here although the disk list reports 1..36.
constexpr Field kDiskSettingFields[] = {
    FIELD_REQ(DiskSetting, port, "portId", 0, kMaxDisks - 1),
    FIELD_REQ(DiskSetting, property, "property", 0, 1),
    FIELD(DiskSetting, group, "group"),
    FIELD(DiskSetting, priv, "private"),
};
}  // namespace

void on_set_disk_info(char* text) {
  DiskSetting setting{};
  if (!fields_parse(text, &setting, kDiskSettingFields)) return;
  StoredDisk disk{};
  kvdb::WriteScope scope(devpaths::kKvdb);  // "/6203" writes the same row's network fields
  read_disk(devpaths::kKvdb, &disk, setting.port);
  disk.port = setting.port;
  disk.property = setting.property;
  disk.group = setting.group;
  if (write_disk(devpaths::kKvdb, &disk, setting.port) != 0 || scope.commit() != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_storage_ipc_callback, kReqDiskSetting, setting);
  send_op_log(on_storage_ipc_callback, kLogSubSetting, kLogParamDiskProperty, setting.port);
  answer_ok();
}

void on_format_disk(char* text) {
  int32_t port;
  if (!text_int(text, 0, kMaxDisks, &port)) return;
  ipc_request(on_storage_ipc_callback, kReqFormat, port, ErrMode::kJson);
  FormatLogDetail detail{};
  detail.port = port;
  detail.result = format_succeeded() ? 1 : -1;
  send_op_log(on_storage_ipc_callback, kLogSubFormat, kLogParamDisk, port, kLogDetailFormat, &detail, sizeof detail);
}

void on_get_format_progress(char* text) {
  int port;
  if (text_int(text, 0, 16, &port)) answer_ok();
}

namespace {
constexpr Field kRaidFields[] = {
    FIELD_REQ(RaidRequest, id, "id", 10, 15),
    FIELD_REQ(RaidRequest, enable, "enable", INT32_MIN, INT32_MAX),
    FIELD_REQ(RaidRequest, member_count, "sata_cnt", 0, INT32_MAX),
    FIELD_REQ(RaidRequest, level, "level", 0, INT32_MAX),
};
// The member ports come as a bit mask, not a record field.
constexpr JsonRule kRaidPortsRule[] = {{"sata_port", true, JsonType::kInt, 0, INT32_MAX}};
}  // namespace

void on_create_raid(char* text) {
  JsonPtr req;
  RaidRequest raid{};
  int ports = 0;
  if (!fields_parse(text, &raid, kRaidFields, &req) || !json_check(req.get(), kRaidPortsRule)) return;
  json_get_int(req.get(), "sata_port", &ports);
  if (raid.member_count > kMaxRaidMembers) raid.member_count = kMaxRaidMembers;
  int n = 0;
  for (int bit = 0; bit < 16 && n < kMaxRaidMembers; ++bit)
    if (ports & (1 << bit)) raid.members[n++] = bit;
  ipc_request(on_storage_ipc_callback, kReqCreateRaid, raid, ErrMode::kText);
}

void on_remove_raid(char* text) {
  RaidRequest raid{};
  if (!text_int(text, 10, 16, &raid.id)) return;
  ipc_request(on_storage_ipc_callback, kReqRemoveRaid, raid, ErrMode::kText);
}

namespace {
struct HotSpare {
  int32_t port;
  int32_t hotflag;
};
constexpr Field kHotSpareFields[] = {FIELD(HotSpare, port, "port"), FIELD(HotSpare, hotflag, "hotflag")};
constexpr Field kRebuildFields[] = {
    FIELD(RebuildRequest, disk_port, "diskport"),
    FIELD(RebuildRequest, raid_port, "raidport"),
};
}  // namespace

void on_set_hot_space(char* text) {
  HotSpare spare{};
  if (!fields_parse(text, &spare, kHotSpareFields)) return;
  ipc_request(on_storage_ipc_callback, spare.hotflag ? kReqMakeSpare : kReqReleaseSpare, spare.port, ErrMode::kText);
}

void on_rebuild_raid(char* text) {
  RebuildRequest rebuild{};
  if (!fields_parse(text, &rebuild, kRebuildFields)) return;
  ipc_request(on_storage_ipc_callback, kReqRebuildRaid, rebuild, ErrMode::kText);
}

void on_get_raid_mode(char*) {
  char out[16];
  snprintf(out, sizeof out, "%d", get_param_int(devpaths::kKvdb, "raidmode", 0));
  answer_text(out);
}

void on_set_raid_mode(char* text) {
  int mode = 0;
  if (!text_int(text, 0, 1, &mode)) mode = 0;  // anything else stores 0
  answer_ok_or(set_param_int(devpaths::kKvdb, "raidmode", mode) == 0, ErrMode::kText);
}
