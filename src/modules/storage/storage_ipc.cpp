// Storage replies: one table row per reply code, one converter per answer.
#include <json-c/json.h>

#include <cstring>

#include "common/ipc.h"
#include "common/json_util.h"
#include "common/text.h"
#include "modules/storage/storage_module.h"
#include "proto/storage_proto.h"

using namespace storage;

int g_format_ok = 0;

namespace {
int32_t first_word(const void* payload) {
  int32_t v;
  memcpy(&v, payload, sizeof v);
  return v;
}

void answer_text(const char* text) {
  cgi_writeback_webserver(0, text);
  g_callback_done = 1;
}

void answer_json(json_object* obj) {
  cgi_writeback_webserver(1, json_object_to_json_string(obj));
  g_callback_done = 1;
}

// {"<key>": <first word>}
void answer_word(const char* key, const void* payload) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), key, first_word(payload));
  answer_json(obj.get());
}

void answer_ok_error(const void* payload, int count) {
  if (count < 1) return;
  answer_text(first_word(payload) == 0 ? "OK" : "Error");
}

void on_format_disk_cb(const void* payload, int count) {
  if (count < 1) return;
  switch (first_word(payload)) {
    case 0:
      g_format_ok = 1;
      answer_text("OK");
      break;
    case 1:
      answer_text("USING");
      break;
    case -1:
      answer_text("ERROR FORMAT");
      break;
    case -3:
      answer_text("NAS LOW CAP");
      break;
    default:
      g_callback_done = 1;  // nothing to say, but the wait is over
      break;
  }
}

void on_get_storage_info_cb(const void* payload, int count) {
  if (count < 0) return;
  JsonPtr answer = disk_list_json(static_cast<const DiskInfo*>(payload), count);
  answer_json(answer.get());
}

void on_create_raid_cb(const void* p, int n) { answer_ok_error(p, n); }
void on_remove_raid_cb(const void* p, int n) { answer_ok_error(p, n); }
void on_create_space_cb(const void* p, int n) { answer_ok_error(p, n); }
void on_remove_space_cb(const void* p, int n) { answer_ok_error(p, n); }
void on_del_disk_nas_cb(const void* p, int n) { answer_ok_error(p, n); }
void on_set_quota_info_cb(const void* p, int n) { answer_ok_error(p, n); }

void on_rebuild_raid_cb(const void* payload, int count) {
  answer_text(count >= 1 && first_word(payload) == 0 ? "OK" : "Error");
}

void on_update_disk_nas_cb(const void* payload, int count) {
  if (count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "status", 0);
  json_add_int(obj.get(), "res", first_word(payload));
  answer_json(obj.get());
}

void on_search_disk_nas_cb(const void* payload, int count) {
  if (count < 1) return;
  const auto* reply = static_cast<const NasSearchReply*>(payload);
  int paths = reply->count < 0 ? 0 : (reply->count > kNasPaths ? kNasPaths : reply->count);
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "resultString", paths > 0 ? "OK" : "NO");
  json_object* list = json_object_new_array();
  for (int i = 0; i < paths; ++i) {
    json_object* item = json_object_new_object();
    json_add_field(item, "filePath", reply->paths[i]);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "NAS", list);
  answer_json(obj.get());
}

void on_set_recycle_cb(const void*, int count) {
  if (count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "status", "OK");
  answer_json(obj.get());
}

void on_get_recycle_mode_cb(const void* payload, int count) {
  if (count < 1) return;
  int32_t v[2];
  memcpy(v, payload, sizeof v);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "mode", v[0]);
  json_add_int(obj.get(), "esata", v[1]);
  answer_json(obj.get());
}

void on_get_smart_attr_cb(const void* payload, int count) {
  if (count < 1) return;
  const auto* rec = static_cast<const SmartAttr*>(payload);
  char text[sizeof rec->text + 1];
  copy_field(text, rec->text);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "selfEvaluation", strstr(text, "PASSED") ? 1 : 0);
  answer_json(obj.get());
}

void on_get_quota_info_cb(const void* payload, int count) {
  if (count < 1) return;
  JsonPtr answer = quota_json(static_cast<const QuotaRecord*>(payload));
  answer_json(answer.get());
}

void on_get_export_disk_info_cb(const void* payload, int count) {
  if (count < 0) return;
  const auto* disks = static_cast<const ExportDisk*>(payload);
  JsonPtr obj(json_object_new_object());
  int i = 0;
  while (i < count && disks[i].type != kExportDiskType) ++i;
  if (i < count) {
    json_add_int(obj.get(), "port", disks[i].port);
    json_add_int(obj.get(), "result", 0);
  } else {
    json_add_int(obj.get(), "result", -1);
  }
  answer_json(obj.get());
}

void on_get_esata_auto_backup_status_cb(const void* payload, int count) {
  if (count < 1) return;
  const auto* st = static_cast<const EsataBackupStatus*>(payload);
  char percent[32];
  snprintf(percent, sizeof percent, "%.1f", static_cast<double>(st->percent));
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "status", st->status);
  json_add_text(obj.get(), "percent", percent);
  json_add_field(obj.get(), "last_time", st->last_time);
  json_add_int(obj.get(), "capacity", st->capacity);
  answer_json(obj.get());
}

void on_cgi_get_format_info_cb(const void* payload, int count) {
  if (count < 1) return;
  const auto* fi = static_cast<const FormatInfo*>(payload);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "status", fi->status);
  json_add_int(obj.get(), "port", fi->port);
  json_add_int(obj.get(), "type", fi->type);
  json_add_int(obj.get(), "percent", fi->percent);
  answer_json(obj.get());
}

void on_set_esata_auto_backup_info_cb(const void* p, int n) {
  if (n >= 1) answer_word("result", p);
}
void on_format_esata_disk_web_cb(const void* p, int n) {
  if (n >= 1) answer_word("result", p);
}
void on_cgi_get_auto_backup_status_cb(const void* p, int n) {
  if (n >= 1) answer_word("status", p);
}
void on_cgi_set_auto_backup_stop_cb(const void* p, int n) {
  if (n >= 1) answer_word("result", p);
}

const IpcReplyRoute kStorageReplies[] = {
    {6316, 4, on_set_esata_auto_backup_info_cb},
    {6317, sizeof(EsataBackupStatus), on_get_esata_auto_backup_status_cb},
    {8402, 4, on_format_disk_cb},
    {8434, 4, on_format_disk_cb},
    {8403, sizeof(SmartAttr), on_get_smart_attr_cb},
    {8420, 4, on_create_raid_cb},
    {8421, 4, on_remove_raid_cb},
    {8496, 4, on_remove_raid_cb},
    {8423, 4, on_create_space_cb},
    {8424, 4, on_remove_space_cb},
    {8425, 4, on_rebuild_raid_cb},
    {8431, 8, on_get_recycle_mode_cb},
    {8433, sizeof(DiskInfo), on_get_storage_info_cb},
    {8439, 4, on_update_disk_nas_cb},
    {8507, 4, on_update_disk_nas_cb},
    {8440, sizeof(NasSearchReply), on_search_disk_nas_cb},
    {8457, sizeof(ExportDisk), on_get_export_disk_info_cb},
    {8475, 4, on_set_recycle_cb},
    {8508, 4, on_del_disk_nas_cb},
    // Whole records only, so the entry count of the reply is never trusted past its payload.
    {8529, sizeof(QuotaRecord), on_get_quota_info_cb},
    {8530, 4, on_set_quota_info_cb},
    {8535, 4, on_format_esata_disk_web_cb},
    {8536, 4, on_cgi_get_auto_backup_status_cb},
    {8537, 4, on_cgi_set_auto_backup_stop_cb},
    {8540, sizeof(FormatInfo), on_cgi_get_format_info_cb},
};
}  // namespace

void on_storage_ipc_callback(void*, void* head, void* payload) {
  ipc_dispatch_reply(kStorageReplies, head, payload);
}
