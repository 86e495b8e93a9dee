// e-SATA backup, export disk and formatting progress (/6220-/6227).
#include <json-c/json.h>

#include "common/fields.h"
#include "common/reply.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"
#include "modules/storage/storage_module.h"
#include "platform/kvdb_storage.h"

using namespace storage;

namespace {
void request_json(IpcCode code) { ipc_request(on_storage_ipc_callback, code, ErrMode::kJson); }

// The page's keys in its order; a set overwrites the ones present.
constexpr Field kBackupFields[] = {
    FIELD(EsataAutoBackup, enable, "enable"),
    FIELD(EsataAutoBackup, stream_type, "streamType"),
    FIELD(EsataAutoBackup, file_type, "fileType"),
    FIELD(EsataAutoBackup, recycle, "recycle"),
    FIELD(EsataAutoBackup, channel, "channel"),
    FIELD(EsataAutoBackup, backup_time, "backupTime"),
    FIELD(EsataAutoBackup, device, "device"),
    FIELD(EsataAutoBackup, port, "port"),
};
}  // namespace

void on_get_esata_auto_backup_info(char*) {
  EsataAutoBackup b{};
  read_esata_auto_backup(devpaths::kKvdb, &b);
  answer_json(fields_json(&b, kBackupFields));
}

void on_set_esata_auto_backup_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int32_t stop = 0;
  json_get_int(req.get(), "stopBackup", &stop);
  if (stop == 0) {
    EsataAutoBackup b{};
    read_esata_auto_backup(devpaths::kKvdb, &b);
    fields_from_json(req.get(), &b, kBackupFields);
    if (write_esata_auto_backup(devpaths::kKvdb, &b) != 0) {
      cgi_error_to_webserver(ErrMode::kJson);
      return;
    }
  }
  ipc_request(on_storage_ipc_callback, kReqBackupSet, stop, ErrMode::kJson);
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
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(on_storage_ipc_callback, kReqFormatEsata, port, ErrMode::kJson);
}
