// Every absolute device path the program touches, and the one function that
// places it under the device root ($NVR_ROOT, empty on the recorder).
#pragma once
#include <cstddef>
#include <string>

namespace devpaths {
inline constexpr const char* kCgiLog = "/mnt/nand/cgi_log.txt";
inline constexpr const char* kUploadTemplate = "/tmp/cgicXXXXXX";
inline constexpr const char* kTmpDir = "/tmp";
inline constexpr const char* kKvSocket = "/var/run/kvsocket";
inline constexpr const char* kKvdb = "/mnt/nand/app/kvdb.db";
inline constexpr const char* kAnprDb = "/mnt/nand/app/anpr.db";
inline constexpr const char* kOemDb = "/mnt/nand2/oem.db";
inline constexpr const char* kLockFile = "/tmp/cgilockfile";
inline constexpr const char* kChipInfo = "/tmp/chipinfo.txt";
inline constexpr const char* kNand = "/mnt/nand";
inline constexpr const char* kNandApp = "/mnt/nand/app";
inline constexpr const char* kNand2 = "/mnt/nand2";
inline constexpr const char* kAppBin = "/opt/app/bin";
inline constexpr const char* kAppWww = "/opt/app/www";
inline constexpr const char* kLanguages = "/opt/app/www/webfile/json/languages.json";
inline constexpr const char* kLanguagesBak = "/opt/app/www/webfile/json/languages_bak.json";
inline constexpr const char* kSslDir = "/mnt/nand/ssl";
inline constexpr const char* kSslTmpDir = "/mnt/nand/ssl/tmp";
inline constexpr const char* kPbDownload = "/tmp/pbdownload";
}  // namespace devpaths

// The device root, "" when NVR_ROOT is unset.
const char* nvr_root();

// Root + device path. Every open of a device path goes through this.
std::string dev_path(const char* device_path);

// Bounded C form: writes root + path into buf; -1 when it does not fit.
int dev_path_buf(char* buf, size_t size, const char* device_path);

// NVR_TIME_SCALE as a factor for every daemon-channel wait (default 1).
double nvr_time_scale();

// Re-read both knobs (tests change the environment between cases).
void nvr_env_reload();

namespace devpaths {
// Where the chip tool stand-in keeps the chip text (outside "/mnt/nand2", which
// the customisation reset empties).
inline constexpr const char* kChipStore = "/mnt/nand/chip.txt";
}  // namespace devpaths
