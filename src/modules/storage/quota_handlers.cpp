// Quotas and disk groups (/6208-/6210).
#include <json-c/json.h>

#include <cstring>

#include "common/reply.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"
#include "modules/storage/storage_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_storage.h"

using namespace storage;

JsonPtr quota_json(const QuotaRecord* quota) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "enable", quota->enable);
  json_object* entries = json_object_new_array();
  int n = quota->count < 0 ? 0 : (quota->count > kMaxQuota ? kMaxQuota : quota->count);
  for (int i = 0; i < n; ++i) {
    const QuotaEntry& e = quota->entries[i];
    json_object* item = json_object_new_object();
    json_add_int(item, "channel", e.channel);
    json_add_int(item, "video_used", e.video_used);
    json_add_int(item, "video_quota", e.video_quota);
    json_add_int(item, "picture_used", e.picture_used);
    json_add_int(item, "picture_quota", e.picture_quota);
    json_object_array_add(entries, item);
  }
  json_object_object_add(obj.get(), "quota_array", entries);

  GroupRecord groups[kMaxGroups] = {};
  int group_count = 0;
  read_groups(devpaths::kKvdb, groups, &group_count);
  json_object* channels = json_object_new_array();
  for (const GroupRecord& g : groups) {
    char text[sizeof g.channels];
    copy_field(text, g.channels);
    json_object_array_add(channels, json_object_new_string(text));
  }
  json_object_object_add(obj.get(), "channel", channels);

  StoredDisk disks[kMaxDisks] = {};
  int disk_count = 0;
  read_disks(devpaths::kKvdb, disks, &disk_count);
  int per_port[kMaxDisks] = {};
  for (int i = 0; i < disk_count && i < kMaxDisks; ++i)
    if (disks[i].enable && disks[i].port >= 1 && disks[i].port <= kMaxDisks)
      per_port[disks[i].port - 1] = disks[i].group + 1;
  json_object* disk = json_object_new_array();
  for (int v : per_port) json_object_array_add(disk, json_object_new_int(v));
  json_object_object_add(obj.get(), "disk", disk);
  json_add_int(obj.get(), "max_chan", get_param_int(devpaths::kKvdb, "max_cameras", 32));
  json_add_int(obj.get(), "group_enable", get_param_int(devpaths::kKvdb, "group_mode", 0));
  return obj;
}

void on_get_quota_info(char*) { ipc_request(on_storage_ipc_callback, kReqGetQuota, ErrMode::kJson); }

void on_set_quota_info(char* text) {
  JsonPtr req = json_parse(text);
  QuotaRecord quota{};
  if (!req || json_get_int(req.get(), "enable", &quota.enable) != JsonGet::kOk) return;
  json_object* arr = nullptr;
  if (json_get_array(req.get(), "quota_array", &arr) == JsonGet::kOk) {
    size_t n = json_array_size(arr);
    quota.count = static_cast<int32_t>(n < kMaxQuota ? n : kMaxQuota);
    for (int i = 0; i < quota.count; ++i) {
      json_object* item = json_array_at(arr, static_cast<size_t>(i));
      QuotaEntry& e = quota.entries[i];
      int channel = 0;
      json_get_int(item, "channel", &channel);
      e.channel = static_cast<uint8_t>(channel);
      json_get_int(item, "video_quota", &e.video_quota);
      json_get_int(item, "picture_quota", &e.picture_quota);
    }
  }
  ipc_request(on_storage_ipc_callback, kReqSetQuota, quota, ErrMode::kText);
}

void on_set_disk_group(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int32_t enable = 0;
  json_get_int(req.get(), "group_enable", &enable);
  if (enable == 0) {
    bool stored = set_param_int(devpaths::kKvdb, "group_mode", 0) == 0;
    if (stored) ipc_send(on_storage_ipc_callback, kReqGroupMode, enable);
    answer_ok_or(stored, ErrMode::kText);
    return;
  }
  if (get_param_int(devpaths::kKvdb, "group_mode", 0) == 0) {
    if (set_param_int(devpaths::kKvdb, "group_mode", enable) != 0) {
      cgi_error_to_webserver(ErrMode::kText);
      return;
    }
    ipc_send(on_storage_ipc_callback, kReqGroupMode, enable);
  }
  GroupRecord stored[kMaxGroups] = {};
  int count = 0;
  read_groups(devpaths::kKvdb, stored, &count);
  json_object* channels = nullptr;
  if (json_get_array(req.get(), "channel", &channels) == JsonGet::kOk) {
    size_t n = json_array_size(channels);
    for (size_t i = 0; i < n && i < kMaxGroups; ++i) {
      GroupRecord g{};
      g.id = stored[i].id;
      copy_text(g.channels, json_object_get_string(json_array_at(channels, i)));
      copy_text(g.second, stored[i].second);
      ipc_send(on_storage_ipc_callback, kReqGroup, g);
    }
  }
  ipc_send(on_storage_ipc_callback, kReqGroupsChanged);
  answer_ok();
}
