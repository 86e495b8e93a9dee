// Storage replies: one table row per reply code, one converter per answer.
#include <json-c/json.h>

#include <cstring>

#include "base/text.h"
#include "common/fields.h"
#include "common/reply.h"
#include "modules/storage/storage_module.h"
#include "proto/storage_proto.h"

using namespace storage;

namespace {
// Daemon result of a format, handed to on_format_disk for its log entry.
constexpr int32_t kFormatDone = 1;

void on_format_disk_cb(const IpcReply& r) {
  if (r.count < 1) return;
  switch (r.word()) {
    case 0:
      ipc_set_result(kFormatDone);
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

void on_get_storage_info_cb(const IpcReply& r) {
  if (r.count >= 0) answer_json(disk_list_json(r.as<DiskInfo>(), r.count));
}

void on_rebuild_raid_cb(const IpcReply& r) { answer_text(r.count >= 1 && r.word() == 0 ? "OK" : "Error"); }

void on_update_disk_nas_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "status", 0);
  json_add_int(obj.get(), "res", r.word());
  answer_json(obj);
}

void on_search_disk_nas_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* reply = r.as<NasSearchReply>();
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
  answer_json(obj);
}

void on_set_recycle_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "status", "OK");
  answer_json(obj);
}

void on_get_recycle_mode_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "mode", r.word(0));
  json_add_int(obj.get(), "esata", r.word(1));
  answer_json(obj);
}

void on_get_smart_attr_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* rec = r.as<SmartAttr>();
  char text[sizeof rec->text + 1];
  copy_field(text, rec->text);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "selfEvaluation", strstr(text, "PASSED") ? 1 : 0);
  answer_json(obj);
}

void on_get_quota_info_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(quota_json(r.as<QuotaRecord>()));
}

void on_get_export_disk_info_cb(const IpcReply& r) {
  if (r.count < 0) return;
  const auto* disks = r.as<ExportDisk>();
  JsonPtr obj(json_object_new_object());
  int i = 0;
  while (i < r.count && disks[i].type != kExportDiskType) ++i;
  if (i < r.count) {
    json_add_int(obj.get(), "port", disks[i].port);
    json_add_int(obj.get(), "result", 0);
  } else {
    json_add_int(obj.get(), "result", -1);
  }
  answer_json(obj);
}

void on_get_esata_auto_backup_status_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* st = r.as<EsataBackupStatus>();
  char percent[32];
  snprintf(percent, sizeof percent, "%.1f", static_cast<double>(st->percent));
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "status", st->status);
  json_add_text(obj.get(), "percent", percent);
  json_add_field(obj.get(), "last_time", st->last_time);
  json_add_int(obj.get(), "capacity", st->capacity);
  answer_json(obj);
}

constexpr Field kFormatInfoFields[] = {
    FIELD(FormatInfo, status, "status"),
    FIELD(FormatInfo, port, "port"),
    FIELD(FormatInfo, type, "type"),
    FIELD(FormatInfo, percent, "percent"),
};

void on_cgi_get_format_info_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, kFormatInfoFields));
}

const IpcReplyRoute kStorageReplies[] = {
    word_row(kReqBackupSet, "result"),
    {reply_of(kReqBackupStatus), sizeof(EsataBackupStatus), on_get_esata_auto_backup_status_cb},
    {reply_of(kReqFormatLegacy), 4, on_format_disk_cb},
    {reply_of(kReqSmart), sizeof(SmartAttr), on_get_smart_attr_cb},
    ok_error_row(kReqCreateRaid),
    ok_error_row(kReqRemoveRaid),
    ok_error_row(kReqMakeSpare),
    ok_error_row(kReqReleaseSpare),
    {reply_of(kReqRebuildRaid), 4, on_rebuild_raid_cb},
    {reply_of(kReqGetRecycle), 8, on_get_recycle_mode_cb},
    {reply_of(kReqDiskInfo), sizeof(DiskInfo), on_get_storage_info_cb},
    {reply_of(kReqFormat), 4, on_format_disk_cb},
    {reply_of(kReqUpdateNas), 4, on_update_disk_nas_cb},
    {reply_of(kReqSearchNas), sizeof(NasSearchReply), on_search_disk_nas_cb},
    {reply_of(kReqExportDisk), sizeof(ExportDisk), on_get_export_disk_info_cb},
    {reply_of(kReqSetRecycle), 4, on_set_recycle_cb},
    ok_error_row(kReqRemoveDisk),
    {reply_of(kReqAddNas), 4, on_update_disk_nas_cb},
    ok_error_row(kReqDelNas),
    // Whole records only, so the entry count of the reply is never trusted past its payload.
    {reply_of(kReqGetQuota), sizeof(QuotaRecord), on_get_quota_info_cb},
    ok_error_row(kReqSetQuota),
    word_row(kReqFormatEsata, "result"),
    word_row(kReqAutoBackupStatus, "status"),
    word_row(kReqAutoBackupStop, "result"),
    {reply_of(kReqFormatInfo), sizeof(FormatInfo), on_cgi_get_format_info_cb},
};
}  // namespace

std::span<const IpcReplyRoute> storage_reply_table() { return kStorageReplies; }

bool format_succeeded() { return ipc_result() == kFormatDone; }

void on_storage_ipc_callback(void*, void* head, void* payload) {
  ipc_dispatch_reply(kStorageReplies, head, payload);
}
