// Simulated maintenance: reboot (the running marker goes away and comes
// back), factory reset of the configuration database, firmware and camera
// upgrades whose progress advances, online update checks, diagnostic
// packages and ten alarm audio file slots.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "base/paths_maint.h"
#include "base/text.h"
#include "coresim_registry.h"
#include "platform/kvdb.h"
#include "platform/kvdb_factory.h"
#include "platform/kvdb_users.h"
#include "proto/maint_proto.h"

using namespace maint;

namespace {
constexpr int kNoImage = -1;
constexpr int kStepPercent = 25;
constexpr int kUpdateAvailable = 1;
constexpr int kUpdateDownloaded = 2;
constexpr double kRebootSeconds = 3.0;
constexpr const char* kNewVersion = "7x.7.1.0";
constexpr const char* kImageText = "simulated firmware image\n";

struct MaintState {
  ResetKeep keep{};
  // The page sends what to keep (3311) and the reset (3410) on separate
  // connections, which may be served in either order: the second one resets.
  bool keep_told = false;
  bool reset_asked = false;
  int cam_percent[kChannels] = {};
  AudioFileEntry audio[kAudioFiles] = {};  // enable 1: slot in use
  uint64_t notices = 0;
};

bool exists(const char* device_path) { return access(dev_path(device_path).c_str(), F_OK) == 0; }

void touch(const std::string& path) {
  if (FILE* f = fopen(path.c_str(), "a")) fclose(f);
}

bool write_text(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "w");
  if (!f) return false;
  fputs(text.c_str(), f);
  return fclose(f) == 0;
}

template <class T>
std::string bytes(const T& v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// The core daemon goes down and comes back: "/tmp/kvcore" disappears meanwhile.
void reboot(MaintState& st, const CoreRequest&) {
  ++st.notices;
  std::string marker = dev_path(devpaths::kCoreRunning);
  unlink(marker.c_str());
  std::thread([marker] {
    std::this_thread::sleep_for(std::chrono::duration<double>(kRebootSeconds * nvr_time_scale()));
    touch(marker);
  }).detach();
}

// The database made again as "kvdbctl init" makes it, the chosen
// administrator password kept; the accounts too when asked.
void factory_reset(bool keep_user) {
  const char* db = devpaths::kKvdb;
  char md5[64] = "";
  bool chosen = get_param_value(db, kFactoryAdminMd5Key, md5, sizeof md5, "") == 0;
  const kvdb::Family* users = kvdb::find_family("user");
  std::vector<char> rows;
  int n = 0;
  if (keep_user && users) {
    rows.resize(static_cast<size_t>(users->size) * kMaxUsers);
    kvdb::read_list(db, *users, nullptr, {}, rows.data(), kMaxUsers, &n);
  }
  // A request process may have made the file again meanwhile: fresh either way.
  kvdb_recreate(db);
  if (chosen) {
    set_param_value(db, kFactoryAdminMd5Key, md5);
    kvdb::transact(db, kvdb::Txn::kWrite, [](kvdb::Txn& t) { return kvdb::run_factory_defaults(t); });
  }
  if (n > 0) kvdb::write_list(db, *users, nullptr, {}, rows.data(), n);
}

std::string upgrade(MaintState&, const CoreRequest&) {
  if (!exists(devpaths::kFirmwareImage)) return status_word(kNoImage);
  unlink(dev_path(devpaths::kFirmwareImage).c_str());
  return status_word(0);
}

OnlineUpgradeInfo update_info(const char* version, const char* url) {
  OnlineUpgradeInfo info{};
  info.state = kUpdateAvailable;
  info.file_size = 52428800;
  copy_text(info.softversion, version);
  copy_text(info.url, url);
  copy_text(info.description, "Stability fixes and new analytics");
  return info;
}

std::string check_online(MaintState&, const CoreRequest&) {
  OnlineUpgradeInfo info = update_info(kNewVersion, "http://update.example.invalid/nvr/7x.7.1.0.bin");
  if (exists(devpaths::kFirmwareImage)) info.state = kUpdateDownloaded;
  return bytes(info);
}

std::string download(MaintState&, const CoreRequest& req) {
  auto rec = read_as<OnlineDownload>(req);
  char target[sizeof rec.target + 1];
  copy_field(target, rec.target);
  bool ours = strcmp(target, devpaths::kFirmwareImage) == 0 || strcmp(target, devpaths::kCameraImage) == 0;
  if (!ours || !rec.url[0]) return status_word(-1);
  std::string path = dev_path(target);
  std::error_code ec;
  std::filesystem::create_directories(path.substr(0, path.rfind('/')), ec);
  return status_word(write_text(path, kImageText) ? 0 : -1);
}

std::string drop_download(MaintState&, const CoreRequest&) {
  unlink(dev_path(devpaths::kCameraImage).c_str());
  return status_word(0);
}

// Each request reports the camera's progress; 100 is done.
std::string camera_upgrade(MaintState& st, const CoreRequest& req) {
  auto rec = read_as<CamUpgrade>(req);
  CamUpgradeReply out{rec.chnid, kNoImage};
  if (rec.chnid >= 0 && rec.chnid < kChannels && exists(devpaths::kCameraImage)) {
    int& p = st.cam_percent[rec.chnid];
    p = p >= 100 ? kStepPercent : p + kStepPercent;
    out.status = p;
  }
  return bytes(out);
}

std::string camera_check(MaintState&, const CoreRequest& req) {
  auto mask = read_as<uint64_t>(req);
  std::string out;
  for (int i = 0; i < kChannels; ++i) {
    OnlineUpgradeInfo info{};
    if (mask >> i & 1) info = update_info("IPC-5.2.1", "http://update.example.invalid/ipc/5.2.1.bin");
    out += bytes(info);
  }
  return out;
}

std::string diagnosis(MaintState&, const CoreRequest&) {
  char stamp[32];
  time_t now = time(nullptr);
  strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", localtime(&now));
  DiagReply out{};
  snprintf(out.path, sizeof out.path, "%s/diagnosis_%s.txt", devpaths::kTmpDir, stamp);
  touch(dev_path(devpaths::kDiagBusy));
  bool ok = write_text(dev_path(out.path), std::string("simulated recorder diagnosis ") + stamp + "\n");
  unlink(dev_path(devpaths::kDiagBusy).c_str());
  out.result = ok ? 0 : -1;
  return bytes(out);
}

std::string audio_file(const char* name) { return dev_path(devpaths::kAudioDir) + "/" + name; }

// Every slot, free ones with no name: an empty reply would carry no payload.
std::string audio_list(MaintState& st, const CoreRequest&) {
  std::string out;
  for (int i = 0; i < kAudioFiles; ++i) {
    AudioFileEntry e = st.audio[i];
    e.id = i;
    out += bytes(e);
  }
  return out;
}

std::string audio_add(MaintState& st, const CoreRequest& req) {
  auto rec = read_as<AudioName>(req);
  char name[sizeof rec.name + 1];
  copy_field(name, rec.name);
  std::string staged = dev_path(devpaths::kTmpDir) + "/" + name;
  if (!name[0] || strchr(name, '/') || access(staged.c_str(), R_OK) != 0) return status_word(-2);
  for (int i = 0; i < kAudioFiles; ++i) {
    if (st.audio[i].enable) continue;
    mkdir(dev_path(devpaths::kAudioDir).c_str(), 0755);
    if (rename(staged.c_str(), audio_file(name).c_str()) != 0) return status_word(-2);
    st.audio[i] = AudioFileEntry{i, 1, {}};
    copy_text(st.audio[i].name, name);
    return status_word(0);
  }
  return status_word(-1);  // all slots in use
}

std::string audio_delete(MaintState& st, const CoreRequest& req) {
  auto mask = read_as<uint32_t>(req);
  int removed = 0;
  for (int i = 0; i < kAudioFiles; ++i) {
    if (!(mask >> i & 1) || !st.audio[i].enable) continue;
    unlink(audio_file(st.audio[i].name).c_str());
    st.audio[i] = AudioFileEntry{};
    ++removed;
  }
  return status_word(removed ? 0 : -1);
}

bool in_use(const MaintState& st, int id) { return id >= 0 && id < kAudioFiles && st.audio[id].enable; }

std::string audio_rename(MaintState& st, const CoreRequest& req) {
  auto rec = read_as<AudioFileEntry>(req);
  char name[sizeof rec.name + 1];
  copy_field(name, rec.name);
  if (!in_use(st, rec.id) || !name[0] || strchr(name, '/')) return status_word(-1);
  rename(audio_file(st.audio[rec.id].name).c_str(), audio_file(name).c_str());
  copy_text(st.audio[rec.id].name, name);
  return status_word(0);
}

std::string audio_play(MaintState& st, const CoreRequest& req) {
  return status_word(in_use(st, read_as<int32_t>(req)) ? 0 : -1);
}

void notice(MaintState& st, const CoreRequest&) { ++st.notices; }

void reset_when_complete(MaintState& st) {
  if (!st.keep_told || !st.reset_asked) return;
  factory_reset(st.keep.keep_user != 0);
  st = MaintState{};
}

void keep_parts(MaintState& st, const CoreRequest& req) {
  st.keep = read_as<ResetKeep>(req);
  st.keep_told = true;
  reset_when_complete(st);
}

void reset(MaintState& st, const CoreRequest&) {
  st.reset_asked = true;
  reset_when_complete(st);
}

void stop_camera_upgrade(MaintState& st, const CoreRequest&) {
  for (int& p : st.cam_percent) p = 0;
}

std::string describe_keep(const CoreRequest& req) {
  auto k = read_as<ResetKeep>(req);
  return "keep ip " + std::to_string(k.keep_ip) + ", keep users " + std::to_string(k.keep_user);
}

const CoreAnswerTable kMaintAnswers = {
    {kReqReboot, silent<MaintState>(reboot), nullptr},
    {kReqUpgrade, on_state<MaintState>(upgrade), nullptr},
    {kReqCheckOnline, on_state<MaintState>(check_online), nullptr},
    {kReqOnlineDownload, on_state<MaintState>(download), nullptr},
    {kReqDropDownload, on_state<MaintState>(drop_download), nullptr},
    {kReqAutoReboot, silent<MaintState>(notice), nullptr},
    {kReqUpgradeInit, silent<MaintState>(notice), nullptr},
    {kReqRetention, silent<MaintState>(notice), nullptr},
    {kReqResetKeep, silent<MaintState>(keep_parts), describe_keep},
    {kReqFactoryReset, silent<MaintState>(reset), nullptr},
    {kReqCamUpgrade, on_state<MaintState>(camera_upgrade), nullptr},
    {kReqCamUpgradeStop, silent<MaintState>(stop_camera_upgrade), nullptr},
    {kReqCamCheckOnline, on_state<MaintState>(camera_check), nullptr},
    {kReqDiagExport, on_state<MaintState>(diagnosis), nullptr},
    {kReqAudioList, on_state<MaintState>(audio_list), nullptr},
    {kReqAudioAdd, on_state<MaintState>(audio_add), nullptr},
    {kReqAudioDelete, on_state<MaintState>(audio_delete), nullptr},
    {kReqAudioRename, on_state<MaintState>(audio_rename), nullptr},
    {kReqAudioPlay, on_state<MaintState>(audio_play), nullptr},
};
}  // namespace
