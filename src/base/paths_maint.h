// Device paths of the maintenance pages (staged images, exports, branding,
// diagnostics), resolved with dev_path() like every other device path.
#pragma once

namespace devpaths {
inline constexpr const char* kFirmwareImage = "/dev/shm/updateFM.bin";
inline constexpr const char* kCameraImage = "/dev/shm/updateIPCFM.bin";
inline constexpr const char* kCoreRunning = "/tmp/kvcore";
inline constexpr const char* kExportDownFile = "/tmp/.export_down_file";
inline constexpr const char* kOemZip = "/tmp/oem.zip";
inline constexpr const char* kOemMarker = "/mnt/nand2/oem_upload";
inline constexpr const char* kDiagBusy = "/tmp/tmp_diagnostic";
// Where the daemon keeps registered alarm audio files.
inline constexpr const char* kAudioDir = "/mnt/nand/audio";
}  // namespace devpaths
