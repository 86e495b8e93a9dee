// Branding package (/oem), diagnostic package (/6310, /6311) and alarm audio
// files (/6320-/6325): the pages that take files and names from a request.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/paths.h"
#include "base/paths_maint.h"
#include "base/text.h"
#include "cgi/cgic.h"
#include "common/converters.h"
#include "common/reply.h"
#include "common/spawn.h"
#include "common/web_utils.h"
#include "modules/system/maintenance.h"
#include "modules/system/system_module.h"
#include "platform/kv_cipher.h"
#include "platform/kv_crypto.h"
#include "platform/kv_zip.h"
#include "proto/maint_proto.h"

using namespace maint;

namespace {
constexpr const char* kKeyTag = "aes=";
constexpr size_t kKeyChars = 32;
constexpr int kNameChars = 127;
constexpr int kDiagPathChars = 255;
constexpr int kUrlEncodedChars = 1023;

bool is_link(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// An entry may only name a place inside the customisation directory: no
// absolute name, no "..", no link in the package or on the way there.
bool entry_stays_inside(const ZipEntry& e, const std::string& dir) {
  const std::string& n = e.name;
  if (e.is_link || n.empty() || n[0] == '/' || n.find('\\') != std::string::npos || n.find('\0') != std::string::npos)
    return false;
  std::string walked = dir;
  for (size_t at = 0; at < n.size();) {
    size_t end = n.find('/', at);
    if (end == std::string::npos) end = n.size();
    std::string part = n.substr(at, end - at);
    if (part == "..") return false;
    walked += "/" + part;
    if (is_link(walked)) return false;
    at = end + 1;
  }
  return true;
}

bool package_is_safe(const std::string& zip) {
  std::vector<ZipEntry> entries;
  if (!zip_list(zip, &entries) || entries.empty()) return false;
  std::string dir = dev_path(devpaths::kNand2);
  for (const ZipEntry& e : entries)
    if (!entry_stays_inside(e, dir)) return false;
  return true;
}

// The clear package: base64 of the 16-byte IV and the cipher text.
bool decrypt_package(const std::string& path, const std::string& key, std::string* clear) {
  int len = 0;
  char* data = kv_get_file_data(path.c_str(), &len);
  if (!data) return false;
  std::vector<unsigned char> raw(static_cast<size_t>(len) * 3 / 4 + 3);
  int n = kv_base64_decode(data, len, raw.data());
  free(data);
  if (n <= 0) return false;
  std::vector<unsigned char> out(static_cast<size_t>(n));
  int m = aesDecryWeb(raw.data(), n, key.c_str(), out.data());
  if (m <= 0) return false;
  clear->assign(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(m));
  return true;
}

bool touch(const char* device_path) {
  FILE* f = fopen(dev_path(device_path).c_str(), "a");
  return f && fclose(f) == 0;
}

// The request's text member cut to size - 1, and the JSON error answer when missing.
template <size_t N>
bool text_member(const json_object* req, const char* key, char (&buf)[N]) {
  return json_get_text(req, key, buf, N) == JsonGet::kOk && buf[0];
}

void audio_request(IpcCode code, const void* rec, int len) {
  if (ipc_request(on_system_ipc_callback, code, rec, len, ErrMode::kJson) && ipc_result() == 0)
    send_op_log(on_system_ipc_callback, kLogSubAudio, kLogParamAudio, 0);
}

constexpr JsonRule kAudioIdRules[] = {{"id", true, JsonType::kInt, 0, kAudioFiles - 1}};
constexpr JsonRule kAudioMaskRules[] = {{"idMask", true, JsonType::kInt, 0, INT32_MAX}};
}  // namespace

// ---- Branding package ----

void on_upload_oem(char* text) {
  std::string path = own_upload(text);
  std::string option = upload_option_part(text);
  size_t at = option.find(kKeyTag);
  std::string key = at == std::string::npos ? std::string() : option.substr(at + strlen(kKeyTag), kKeyChars);
  std::string zip;
  if (path.empty() || key.size() != kKeyChars || !decrypt_package(path, key, &zip) || !package_is_safe(zip) ||
      kv_wirte_file_data(dev_path(devpaths::kOemZip).c_str(), zip.data(), static_cast<int>(zip.size())) != 0) {
    answer_text("ERROR");
    return;
  }
  unlink(path.c_str());
  std::string target = std::string(devpaths::kNand2) + "/";
  int rc = run_argv({"unzip", "-o", devpaths::kOemZip, "-d", target.c_str()});
  unlink(dev_path(devpaths::kOemZip).c_str());
  answer_text(rc == 0 && touch(devpaths::kOemMarker) ? "OK" : "ERROR");
}

// ---- Diagnostic package ----

void on_export_diagnosis_cb(const IpcReply& r) {
  if (r.count < 1 || r.as<DiagReply>()->result < 0) {
    answer_text("Failed");
    return;
  }
  char path[sizeof(DiagReply::path) + 1];
  copy_field(path, r.as<DiagReply>()->path);
  char encoded[kUrlEncodedChars + 1];
  get_url_encode(path, encoded, sizeof encoded);
  std::string answer = std::string("OK/") + encoded + "\r\n";
  answer_text(answer.c_str());
}

void on_export_diagnosis(char*) {
  if (access(dev_path(devpaths::kDiagBusy).c_str(), F_OK) == 0) {
    answer_text("Failed");
    return;
  }
  DiagExport rec{};
  copy_text(rec.dir, devpaths::kTmpDir);
  if (!ipc_request(on_system_ipc_callback, kReqDiagExport, rec, ErrMode::kNone)) answer_text("Failed");
}

void on_download_diagnosis(char* text) {
  char path[kDiagPathChars + 1];
  get_url_decode(text, path, sizeof path);
  // Only a package of the diagnostic directory, by its name.
  const std::string dir = std::string(devpaths::kTmpDir) + "/";
  if (dir.compare(0, dir.size(), path, 0, dir.size()) != 0) return;
  std::string file = tmp_file_named(path + dir.size());
  if (!file.empty()) send_attachment_and_remove(file);
}

// ---- Alarm audio files ----

void on_get_audio_file_list_cb(const IpcReply& r) {
  if (r.count < 0) return;
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  for (int i = 0; i < r.count; ++i) {
    const AudioFileEntry& e = r.as<AudioFileEntry>()[i];
    char encoded[sizeof e.name + 1];
    copy_field(encoded, e.name);
    if (!encoded[0]) continue;  // a free slot
    char name[sizeof e.name];
    if (base64DecodeUrl(encoded, name, sizeof name) < 0) copy_text(name, encoded);
    json_object* item = json_object_new_object();
    json_add_int(item, "id", e.id);
    json_add_int(item, "enable", e.enable);
    json_add_text(item, "name", name);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "audioFileList", list);
  json_add_int(obj.get(), "status", 0);
  answer_json(obj);
}

void on_audio_status_cb(const IpcReply& r) {
  if (r.count < 1) return;
  ipc_set_result(r.word());
  on_cgi_common_json_cb(r.count, r.payload);
}

void on_get_audio_file_list(char*) { ipc_request(on_system_ipc_callback, kReqAudioList, ErrMode::kJson); }

void on_upload_audio_file(char* text) {
  std::string path = own_upload(text);
  char name[kNameChars + 1] = "";
  int status = -1;
  if (!path.empty() && access(path.c_str(), R_OK) == 0) {
    if (!strstr(path.c_str(), ".wav") && !strstr(path.c_str(), ".WAV")) {
      unlink(path.c_str());
    } else if (base64EncodeUrl(strrchr(path.c_str(), '/') + 1, name, sizeof name) > 0) {
      // Only this upload is renamed, never other files of the directory.
      if (rename(path.c_str(), (dev_path(devpaths::kTmpDir) + "/" + name).c_str()) == 0) {
        cgiKeepUpload();
        status = 0;
      } else {
        unlink(path.c_str());
        name[0] = '\0';
      }
    }
  }
  on_cgi_common_text_cb(1, status, name);
}

void on_add_audio_file(char* text) {
  JsonPtr req = json_parse(text);
  char upload[256], name[kNameChars + 1];
  AudioName rec{};
  std::string from;
  if (!req || !text_member(req.get(), "uploadName", upload) || !text_member(req.get(), "name", name) ||
      (from = tmp_file_named(upload)).empty() || access(from.c_str(), R_OK) != 0 ||
      base64EncodeUrl(name, rec.name, sizeof rec.name) <= 0 ||
      rename(from.c_str(), (dev_path(devpaths::kTmpDir) + "/" + rec.name).c_str()) != 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  audio_request(kReqAudioAdd, &rec, sizeof rec);
}

void on_del_audio_file(char* text) {
  JsonPtr req = json_parse(text);
  int mask = 0;
  if (!req || !json_check(req.get(), kAudioMaskRules) || json_get_int(req.get(), "idMask", &mask) != JsonGet::kOk ||
      (static_cast<uint32_t>(mask) & kAudioMask) == 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  // Bits past the ten slots name no file.
  int32_t slots = static_cast<int32_t>(static_cast<uint32_t>(mask) & kAudioMask);
  audio_request(kReqAudioDelete, &slots, sizeof slots);
}

void on_rename_audio_file(char* text) {
  JsonPtr req = json_parse(text);
  AudioFileEntry rec{};
  char name[kNameChars + 1];
  if (!req || !json_check(req.get(), kAudioIdRules) || !text_member(req.get(), "name", name) ||
      base64EncodeUrl(name, rec.name, sizeof rec.name) <= 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_get_int(req.get(), "id", &rec.id);
  rec.enable = 1;
  audio_request(kReqAudioRename, &rec, sizeof rec);
}

void on_play_audio_file(char* text) {
  JsonPtr req = json_parse(text);
  int32_t id = 0;
  if (!req || !json_check(req.get(), kAudioIdRules)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  json_get_int(req.get(), "id", &id);
  ipc_request(on_system_ipc_callback, kReqAudioPlay, id, ErrMode::kJson);
}
