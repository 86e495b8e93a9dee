// Restart and reset, configuration export and import, firmware upgrade from
// an uploaded image, retention and automatic reboot (/1004-/1034).
#include "modules/system/maintenance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/paths.h"
#include "base/paths_maint.h"
#include "base/text.h"
#include "cgi/cgic.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/spawn.h"
#include "common/web_utils.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_maint.h"
#include "platform/kvdb_video.h"
#include "proto/maint_proto.h"

using namespace maint;

namespace {
constexpr const char* kSplit = " & ";
constexpr size_t kExportNameRead = 256;
constexpr size_t kExportPathRead = 1168;
constexpr size_t kChunk = 4095;
// State files of the device in the temporary directory: never a download.
const char* const kDeviceFiles[] = {"kvcore", "cgilockfile", "pbdownload", "chipinfo.txt", "oem.zip",
                                    "tmp_diagnostic"};

void log_op(int64_t sub) { send_op_log(on_system_ipc_callback, sub, kLogParamSystem, 0); }

// What /1004 does after its answer, and every upgrade after its own.
void reboot_after_answer() {
  log_op(kLogSubReboot);
  ipc_send(on_system_ipc_callback, kReqReboot);
}

bool is_file(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// First line of a small file, cut to max bytes; "" when it cannot be read.
std::string first_line(const char* device_path, size_t max) {
  std::string line;
  FILE* f = fopen(dev_path(device_path).c_str(), "r");
  if (!f) return line;
  int c;
  while (line.size() < max && (c = fgetc(f)) != EOF && c != '\n' && c != '\r') line += static_cast<char>(c);
  fclose(f);
  return line;
}

constexpr Field kRetentionFields[] = {
    FIELD_IN(DiskMaintain, logRetention, "logRetention", -1, 12),
    FIELD_IN(DiskMaintain, photoRetention, "photoRetention", -1, 12),
};
// -1, 0, 1 or an even number of days up to 12.
bool valid_retention(int32_t v) { return v <= 1 || v % 2 == 0; }

constexpr Field kAutoRebootFields[] = {
    FIELD_IN(AutoReboot, enable, "enable", 0, 1),     FIELD_IN(AutoReboot, wday, "wday", 0, 7),
    FIELD_IN(AutoReboot, hour, "hour", 0, 23),        FIELD_IN(AutoReboot, minutes, "minutes", 0, 59),
    FIELD_IN(AutoReboot, seconds, "seconds", 0, 59),
};

constexpr JsonRule kResetRules[] = {
    {"keepIp", false, JsonType::kInt, 0, 1},
    {"keepUser", false, JsonType::kInt, 0, 1},
};
}  // namespace

// ---- Files taken from a request ----

std::string upload_path_part(const char* text) {
  const char* cut = text ? strstr(text, kSplit) : nullptr;
  return text ? std::string(text, cut ? static_cast<size_t>(cut - text) : strlen(text)) : std::string();
}

std::string upload_option_part(const char* text) {
  const char* cut = text ? strstr(text, kSplit) : nullptr;
  return cut ? std::string(cut + strlen(kSplit)) : std::string();
}

std::string own_upload(const char* text) {
  cgiFormEntry* e = cgiFormEntryFind("file");
  if (!text || !e || !e->tfileName || !e->tfileName[0]) return {};
  size_t n = strlen(e->tfileName);
  if (strncmp(text, e->tfileName, n) != 0 || (text[n] && strncmp(text + n, kSplit, strlen(kSplit)) != 0)) return {};
  const char* slash = strrchr(e->tfileName, '/');
  std::string dir(e->tfileName, slash ? static_cast<size_t>(slash - e->tfileName) : 0);
  if (dir != dev_path(devpaths::kTmpDir) || !is_file(e->tfileName)) return {};
  return e->tfileName;
}

std::string tmp_file_named(const char* name) {
  if (!name || !name[0] || name[0] == '.' || strchr(name, '/') || strlen(name) > 255) return {};
  for (const char* own : kDeviceFiles)
    if (strcmp(name, own) == 0) return {};
  std::string path = dev_path(devpaths::kTmpDir) + "/" + name;
  return is_file(path) ? path : std::string();
}

std::string device_path_of(const std::string& path) {
  size_t n = strlen(nvr_root());
  return path.compare(0, n, nvr_root()) == 0 ? path.substr(n) : path;
}

bool send_attachment_and_remove(const std::string& path) {
  FILE* in = fopen(path.c_str(), "rb");
  if (!in) return false;
  const char* slash = strrchr(path.c_str(), '/');
  fprintf(cgiOut, "Content-Type:application/octet-stream\r\n");
  fprintf(cgiOut, "Content-Disposition: attachment; filename= %s\r\n\r\n", slash ? slash + 1 : path.c_str());
  char buf[kChunk];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, in)) > 0) fwrite(buf, 1, n, cgiOut);
  fflush(cgiOut);
  fclose(in);
  unlink(path.c_str());
  g_callback_done = 1;
  return true;
}

// ---- Restart and reset ----

void on_restart_device(char*) {
  reboot_after_answer();
  answer_ok();
}

void on_get_restart_state(char*) {
  // Motion records of older firmware keep 0 for the action and e-mail
  // intervals; after a restart channel 0 gets the 20 s the pages expect.
  constexpr int32_t kDefaultInterval = 20;
  MotionRec m{};
  if (read_motion(devpaths::kKvdb, &m, 0) == 0 && (m.interval == 0 || m.email_interval == 0)) {
    if (m.interval == 0) m.interval = kDefaultInterval;
    if (m.email_interval == 0) m.email_interval = kDefaultInterval;
    write_motion(devpaths::kKvdb, &m);
  }
  answer_text(access(dev_path(devpaths::kCoreRunning).c_str(), R_OK) == 0 ? "OK" : "NO OK");
}

void on_restore_device(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kResetRules)) return;
  ResetKeep keep{};
  json_get_int(req.get(), "keepIp", &keep.keep_ip);
  json_get_int(req.get(), "keepUser", &keep.keep_user);
  // The device goes down soon after: the page gets its answer first.
  answer_ok();
  ipc_send(on_system_ipc_callback, kReqResetKeep, keep);
  ipc_send(on_system_ipc_callback, kReqFactoryReset);
  log_op(kLogSubReset);
  ipc_send(on_system_ipc_callback, kReqReboot);
}

// ---- Configuration export and import ----

void on_export_config(char*) {
  if (run_argv({"kvprofile", "-e", devpaths::kTmpDir}) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  std::string path = first_line(devpaths::kExportDownFile, kExportNameRead);
  size_t slash = path.rfind('/');
  log_op(kLogSubExport);
  if (slash == std::string::npos) {
    answer_ok();
    return;
  }
  std::string answer = "OK filename=" + path.substr(slash + 1) + "\r\n";
  answer_text(answer.c_str());
}

void on_download_config(char*) {
  std::string path = first_line(devpaths::kExportDownFile, kExportPathRead);
  // Only an export of the temporary directory is sent (and removed).
  const std::string dir = std::string(devpaths::kTmpDir) + "/";
  if (path.compare(0, dir.size(), dir) != 0) return;
  std::string file = tmp_file_named(path.c_str() + dir.size());
  if (!file.empty()) send_attachment_and_remove(file);
}

void on_import_config(char* text) {
  std::string path = own_upload(text);
  if (path.empty()) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  bool imported = run_argv({"kvprofile", "-i", device_path_of(path).c_str()}) == 0;
  bool removed = unlink(path.c_str()) == 0;
  if (imported && removed) log_op(kLogSubImport);
  answer_ok_or(imported && removed, ErrMode::kText);
}

// ---- Firmware upgrade ----

void on_upgrade_result_cb(const IpcReply& r) {
  if (r.count < 1) return;
  ipc_set_result(r.word() == 0 ? 1 : r.word());
  g_callback_done = 1;  // the handler answers
}

void on_upgrade_system(char* text) {
  if (!text || !text[0]) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  int32_t reset = upload_option_part(text).find("reset") != std::string::npos ? 1 : 0;
  log_op(kLogSubUpgrade);
  int32_t result = ipc_request(on_system_ipc_callback, kReqUpgrade, reset, ErrMode::kNone) ? ipc_result() : 0;
  if (result == 1) {
    answer_ok();
    reboot_after_answer();
    return;
  }
  answer_text(std::to_string(result).c_str());
}

void on_clean_upgrade_files(char*) {
  answer_text(access(dev_path(devpaths::kFirmwareImage).c_str(), F_OK) != 0 ? "OK" : "Error");
}

void on_upgrade_nothing(char*) {}

void on_cgi_upgrade_system_init(char*) {
  ipc_send(on_system_ipc_callback, kReqUpgradeInit);
  usleep(static_cast<useconds_t>(500000 * nvr_time_scale()));
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "res", 0);
  answer_json(obj);
}

// ---- Automatic maintenance and reboot ----

void on_get_auto_maintenance(char*) {
  DiskMaintain rec{};
  read_disk_maintain_info(devpaths::kKvdb, &rec);
  answer_json(fields_json(&rec, kRetentionFields));
}

void on_set_auto_maintenance(char* text) {
  JsonPtr req = json_parse(text);
  DiskMaintain rec{};
  read_disk_maintain_info(devpaths::kKvdb, &rec);
  DiskMaintain next = rec;
  if (!req || !fields_apply(req.get(), &next, kRetentionFields)) return;
  if (!valid_retention(next.logRetention) || !valid_retention(next.photoRetention)) return;
  if (write_disk_maintain_info(devpaths::kKvdb, &next) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_system_ipc_callback, kReqRetention);
  answer_ok();
}

void on_get_auto_reboot(char*) {
  AutoReboot rec{};
  read_autoreboot_conf(devpaths::kKvdb, &rec);
  answer_json(fields_json(&rec, kAutoRebootFields));
}

void on_set_auto_reboot(char* text) {
  JsonPtr req = json_parse(text);
  AutoReboot rec{};
  read_autoreboot_conf(devpaths::kKvdb, &rec);
  if (!req || !fields_apply(req.get(), &rec, kAutoRebootFields)) return;
  if (write_autoreboot_conf(devpaths::kKvdb, &rec) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_system_ipc_callback, kReqAutoReboot);
  answer_ok();
}
