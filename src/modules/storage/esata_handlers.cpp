// e-SATA backup, export disk and formatting progress (/6220-/6227).
#include <json-c/json.h>

#include "common/ipc.h"
#include "common/json_util.h"
#include "common/paths.h"
#include "common/text.h"
#include "modules/storage/storage_module.h"
#include "platform/kvdb_storage.h"

using namespace storage;

namespace {
constexpr int kErrJson = 1;

void request_json(int code) { ipc_request(on_storage_ipc_callback, code, nullptr, 0, kErrJson); }
}  // namespace

void on_get_esata_auto_backup_info(char*) {
  EsataAutoBackup b{};
  read_esata_auto_backup(devpaths::kKvdb, &b);
  JsonPtr obj(json_object_new_object());
  json_object* o = obj.get();
  json_add_int(o, "enable", b.enable);
  json_add_int(o, "streamType", b.stream_type);
  json_add_int(o, "fileType", b.file_type);
  json_add_int(o, "recycle", b.recycle);
  json_add_field(o, "channel", b.channel);
  json_add_field(o, "backupTime", b.backup_time);
  json_add_int(o, "device", b.device);
  json_add_int(o, "port", b.port);
  cgi_writeback_webserver(1, json_object_to_json_string(o));
}

void on_set_esata_auto_backup_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int32_t stop = 0;
  json_get_int(req.get(), "stopBackup", &stop);
  if (stop == 0) {
    EsataAutoBackup b{};
    read_esata_auto_backup(devpaths::kKvdb, &b);
    json_object* r = req.get();
    json_get_int(r, "enable", &b.enable);
    json_get_int(r, "streamType", &b.stream_type);
    json_get_int(r, "fileType", &b.file_type);
    json_get_int(r, "recycle", &b.recycle);
    json_get_text(r, "backupTime", b.backup_time, sizeof b.backup_time);
    json_get_text(r, "channel", b.channel, sizeof b.channel);
    json_get_int(r, "device", &b.device);
    json_get_int(r, "port", &b.port);
    write_esata_auto_backup(devpaths::kKvdb, &b);
  }
  ipc_request(on_storage_ipc_callback, kReqBackupSet, &stop, sizeof stop, kErrJson);
}

void on_get_esata_auto_backup_status(char*) { request_json(kReqBackupStatus); }
void on_get_export_disk_info(char*) { request_json(kReqExportDisk); }
void on_cgi_get_auto_backup_status(char*) { request_json(kReqAutoBackupStatus); }
void on_cgi_set_auto_backup_stop(char*) { request_json(kReqAutoBackupStop); }
void on_cgi_get_format_info(char*) { request_json(kReqFormatInfo); }

void on_format_esata_disk_web(char* text) {
  JsonPtr req = json_parse(text);
  int32_t port = -1;
  if (!req || json_get_int(req.get(), "port", &port) != JsonGet::kOk || port < 0 || port > kMaxDisks) {
    cgi_error_to_webserver(kErrJson);
    return;
  }
  ipc_request(on_storage_ipc_callback, kReqFormatEsata, &port, sizeof port, kErrJson);
}
