// HTTPS certificates (/7080-/7089): the daemon makes and checks certificates;
// this side prepares the signing directory, moves files and keeps the switch.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "base/files.h"
#include "base/paths.h"
#include "base/text.h"
#include "cgi/cgic.h"
#include "common/download.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/spawn.h"
#include "modules/network/network_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_cert.h"

using namespace cert;

namespace {
constexpr const char* kHttpsKey = "httpsenable";

constexpr Field kCreateFields[] = {
    FIELD(CertParams, InstallType, "InstallType"),
    FIELD(CertParams, Country, "Country"),
    FIELD(CertParams, CommonName, "CommonName"),
    FIELD(CertParams, Password, "Password"),
    FIELD(CertParams, Province, "Province"),
    FIELD(CertParams, Region, "Region"),
    FIELD(CertParams, Organization, "Organization"),
    FIELD(CertParams, Company, "Company"),
    FIELD(CertParams, Email, "Email"),
};
// Only a self-signed certificate takes its validity from the page.
constexpr Field kValidityFields[] = {
    FIELD(CertParams, Validity, "Validity"),
    FIELD(CertParams, startTime, "startTime"),
    FIELD(CertParams, endTime, "endTime"),
};
constexpr Field kCertInfoFields[] = {
    FIELD(CertParams, Country, "country"),
    FIELD(CertParams, CommonName, "common_name"),
    FIELD(CertParams, Email, "email"),
    FIELD(CertParams, dates, "dates"),
};
constexpr Field kRequestInfoFields[] = {
    FIELD(CertParams, Country, "country_req"),
    FIELD(CertParams, CommonName, "common_name_req"),
    FIELD(CertParams, Email, "email_req"),
};

bool file_present(const char* device_path) {
  struct stat st;
  return stat(dev_path(device_path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool write_file(const std::string& path, const char* text) {
  FILE* f = fopen(path.c_str(), "we");
  if (!f) return false;
  bool ok = fputs(text, f) >= 0;
  return fclose(f) == 0 && ok;
}

// The signing tool's directory, fresh: newcerts, an empty index, serial 01.
bool rebuild_signing_dir() {
  if (remove_tree(dev_path(kSigningDir)) != 0 || make_dirs(dev_path(kSigningNewCerts)) != 0) return false;
  return write_file(dev_path(kSigningIndex), "") && write_file(dev_path(kSigningSerial), "01\n");
}

// A rename where it can, else a copy (the upload may lie on another file system).
bool move_file(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  if (copy_file_over(from, to) != 0) return false;
  unlink(from.c_str());
  return true;
}

// The request text names the file the front end stored for this very request
// (path, or path " & " query): anything else is not an upload of ours.
bool own_upload(const char* text, std::string* path) {
  const cgiFormEntry* e = cgiFormEntryFind("file");
  if (!text || !e || !e->keepFile || !e->tfileName || !e->tfileName[0]) return false;
  size_t n = strlen(e->tfileName);
  if (strncmp(text, e->tfileName, n) != 0 || (text[n] && strncmp(text + n, " & ", 3) != 0)) return false;
  *path = e->tfileName;
  return true;
}

// checkfile, then the stored record's keys when the file is there.
void add_file_info(json_object* obj, const char* file, int kind, Fields keys) {
  bool present = file_present(file);
  json_add_text(obj, "checkfile", present ? "OK" : "NOFILE");
  if (!present) return;
  CertParams rec{};
  read_ssl_params(devpaths::kKvdb, &rec, kind);
  fields_to_json(obj, &rec, keys);
}

void pause_before_create() {
  std::this_thread::sleep_for(std::chrono::duration<double>(1.0 * nvr_time_scale()));
}
}  // namespace

void on_create_https_cert_cb(const IpcReply&) { answer_ok(); }

void on_install_cert_cb(const IpcReply& r) { answer_text(r.count >= 1 && r.word() == kInstalled ? "OK" : "Error"); }

void on_create_https_cert(char* text) {
  JsonPtr req = json_parse(text);
  CertParams rec{};
  if (!req || !fields_apply(req.get(), &rec, kCreateFields)) return;
  if (rec.InstallType == kSelfSigned && !fields_apply(req.get(), &rec, kValidityFields)) return;
  if (!rebuild_signing_dir()) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  pause_before_create();
  ipc_request(on_network_ipc_callback, kReqCreate, rec, ErrMode::kText);
}

void on_get_cert_info(char*) {
  int enable = get_param_int(devpaths::kKvdb, kHttpsKey, 0);
  // HTTPS cannot stay on without its certificate.
  if (!file_present(kCertFile) && enable != 0) {
    if (set_param_int(devpaths::kKvdb, kHttpsKey, 0) != 0) {
      cgi_error_to_webserver(ErrMode::kJson);
      return;
    }
    enable = 0;
  }
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "enable", enable);
  add_file_info(obj.get(), kCertFile, kKindCert, kCertInfoFields);
  answer_json(obj);
}

void on_get_cert_req_info(char*) {
  JsonPtr obj(json_object_new_object());
  add_file_info(obj.get(), kRequestFile, kKindRequest, kRequestInfoFields);
  answer_json(obj);
}

void on_download_cert_req(char*) {
  if (!answer_attachment(dev_path(kRequestFile).c_str(), kRequestName)) answer_text("NotFile");
}

void on_delete_cert_req(char*) {
  ipc_send(on_network_ipc_callback, kReqDropRequest);
  answer_ok();
}

void on_install_cert(char* text) {
  std::string upload;
  if (!own_upload(text, &upload)) return;
  run_argv({"kvprofile", "-i", upload.c_str()});
  bool ok = make_dirs(dev_path(kSslDir)) == 0;
  const std::string current = dev_path(kCertFile);
  // The daemon puts the saved copy back when the new one is refused.
  if (ok && file_present(kCertFile)) ok = copy_file_over(current, dev_path(kCertSaveFile)) == 0;
  if (!ok || !move_file(upload, current)) {
    answer_text("Error");
    return;
  }
  cgiKeepUpload();
  ipc_request(on_network_ipc_callback, kReqInstall, ErrMode::kText);
}

void on_delete_cert(char*) {
  CertParams blank{};
  copy_text(blank.Country, " ");
  copy_text(blank.CommonName, " ");
  copy_text(blank.Email, " ");
  copy_text(blank.dates, " ");
  // HTTPS off before its certificate goes.
  bool stored = set_param_int(devpaths::kKvdb, kHttpsKey, 0) == 0 &&
                write_ssl_params(devpaths::kKvdb, &blank, kKindCert) == 0;
  if (!stored) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  unlink(dev_path(kCertFile).c_str());
  unlink(dev_path(kRequestFile).c_str());
  ipc_send(on_network_ipc_callback, kReqRemove);
  ipc_send(on_network_ipc_callback, kReqHttps, int32_t{0});
  answer_ok();
}

void on_set_https_enable(char* text) {
  JsonPtr req = json_parse(text);
  int enable = 0;
  if (!req || json_get_int(req.get(), kHttpsKey, &enable) != JsonGet::kOk) return;
  if (enable != 0 && !file_present(kCertFile)) {
    answer_text("NOFILE");
    return;
  }
  // Stored first: the daemon is only told what the database holds.
  if (set_param_int(devpaths::kKvdb, kHttpsKey, enable) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_network_ipc_callback, kReqHttps, int32_t{enable});
  answer_ok();
}

void on_get_https_enable(char*) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "enable", get_param_int(devpaths::kKvdb, kHttpsKey, 0));
  answer_json(obj);
}
