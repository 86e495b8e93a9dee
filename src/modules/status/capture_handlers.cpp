// Packet capture for field diagnosis (/8005-/8007). The capture runs the
// device's tcpdump with an argument vector; what it wrote is remembered in a
// state file, and only those files are ever renamed, archived or removed.
#include <arpa/inet.h>
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/paths.h"
#include "cgi/cgic.h"
#include "common/reply.h"
#include "common/spawn_bg.h"
#include "modules/status/status_module.h"
#include "platform/net_helpers.h"

namespace {
namespace capture_paths {
inline constexpr const char* kState = "/tmp/rvpcap.state";
inline constexpr const char* kWatchdog = "/www/webmonitor";
}  // namespace capture_paths

constexpr const char* kFilePrefix = "rvpcap-";
constexpr const char* kArchiveName = "packet.tar";
constexpr const char* kWatchdogSeconds = "300";
// Suffixes tcpdump gives its two rotating files (-W 2), then the bare name.
constexpr const char* kCaptureSuffixes[] = {"0", "1", ""};

// Directories a capture may be written to: the mounted disks and the RAM disk,
// never the configuration flash.
constexpr const char* kCaptureRoots[] = {"/mnt/", "/media/"};
constexpr const char* kFlashRoots[] = {"/mnt/nand/", "/mnt/nand2/"};
constexpr const char* kRamDisk = "/tmp";

constexpr JsonRule kCaptureRules[] = {
    {"ip", false, JsonType::kText, 0, 63},
    {"nic", true, JsonType::kText, 1, 7},
    {"mntPath", true, JsonType::kText, 1, 127},
};

struct CaptureState {
  pid_t capture = -1;
  pid_t watchdog = -1;
  std::string dir;   // device path
  std::string file;  // name without tcpdump's suffix
};

bool starts_with(const std::string& s, const char* prefix) { return s.compare(0, strlen(prefix), prefix) == 0; }

bool name_char(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'; }

// Interface names: letters, digits, '.', '_', '-', not starting with '.' or '-'.
bool nic_ok(const char* nic) {
  if (!nic[0] || nic[0] == '.' || nic[0] == '-') return false;
  for (const char* p = nic; *p; ++p)
    if (!name_char(*p)) return false;
  return true;
}

bool ip_ok(const char* ip) {
  unsigned char buf[16];
  return inet_pton(AF_INET, ip, buf) == 1 || inet_pton(AF_INET6, ip, buf) == 1;
}

bool inside(const std::string& real, const std::string& top) {
  return real == top || (real.size() > top.size() && starts_with(real, top.c_str()) && real[top.size()] == '/');
}

// An existing directory under one of the capture roots, named by plain
// components only ("..", "." and symbolic links out of the root refused).
bool capture_dir_ok(std::string& dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string top;
  if (dir == kRamDisk) {
    top = kRamDisk;
  } else {
    for (const char* root : kCaptureRoots)
      if (starts_with(dir, root) && dir.size() > strlen(root)) top = std::string(root, strlen(root) - 1);
    for (const char* flash : kFlashRoots)
      if (starts_with(dir + "/", flash)) return false;
  }
  if (top.empty()) return false;
  for (size_t start = 1; start < dir.size();) {
    size_t end = dir.find('/', start);
    if (end == std::string::npos) end = dir.size();
    std::string part = dir.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part)
      if (!name_char(c)) return false;
    start = end + 1;
  }
  char real[PATH_MAX], real_top[PATH_MAX];
  struct stat st {};
  if (!realpath(dev_path(dir.c_str()).c_str(), real) || !realpath(dev_path(top.c_str()).c_str(), real_top))
    return false;
  return stat(real, &st) == 0 && S_ISDIR(st.st_mode) && inside(real, real_top);
}

bool read_state(CaptureState* s) {
  FILE* f = fopen(dev_path(capture_paths::kState).c_str(), "r");
  if (!f) return false;
  char line[512];
  int capture = -1, watchdog = -1;
  bool ok = fgets(line, sizeof line, f) && sscanf(line, "%d %d", &capture, &watchdog) == 2;
  if (ok && fgets(line, sizeof line, f)) {
    s->dir.assign(line, strcspn(line, "\n"));
    ok = fgets(line, sizeof line, f) != nullptr;
    if (ok) s->file.assign(line, strcspn(line, "\n"));
  } else {
    ok = false;
  }
  fclose(f);
  s->capture = capture;
  s->watchdog = watchdog;
  return ok && !s->dir.empty() && !s->file.empty();
}

bool write_state(const CaptureState& s) {
  std::string path = dev_path(capture_paths::kState);
  FILE* f = fopen(path.c_str(), "w");
  if (!f) return false;
  fprintf(f, "%d %d\n%s\n%s\n", static_cast<int>(s.capture), static_cast<int>(s.watchdog), s.dir.c_str(),
          s.file.c_str());
  return fclose(f) == 0;
}

void stop_capture() {
  CaptureState s;
  if (!read_state(&s)) return;
  stop_background(s.capture, "tcpdump");
  stop_background(s.watchdog, "webmonitor");
}

// Earlier captures of this directory (only the files named as ours).
void remove_old_captures(const std::string& dir) {
  std::string real = dev_path(dir.c_str());
  DIR* d = opendir(real.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    if (strncmp(e->d_name, kFilePrefix, strlen(kFilePrefix)) != 0) continue;
    std::string path = real + "/" + e->d_name;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
  }
  closedir(d);
}

// The interface's own addresses, then the optional host and port.
std::string capture_filter(const char* nic, const char* ip, const char* port) {
  char v4[64] = "", v6[128] = "", prefix[16];
  net_get_ifaddr(nic, v4, sizeof v4);
  if (net_get_ipv6_ifaddr(0, nic, v6, sizeof v6, prefix, sizeof prefix) != 0 &&
      net_get_ipv6_ifaddr(1, nic, v6, sizeof v6, prefix, sizeof prefix) != 0)
    v6[0] = '\0';
  std::string filter;
  for (const char* own : {v4, v6})
    if (own[0]) filter += (filter.empty() ? "host " : " || host ") + std::string(own);
  if (ip[0]) filter += (filter.empty() ? "host " : " && host ") + std::string(ip);
  if (port[0]) filter += (filter.empty() ? "port " : " && port ") + std::string(port);
  return filter;
}

// "port": absent or "" for none, else 1..65535 (text or number).
bool read_port(const json_object* req, char* out, size_t size) {
  out[0] = '\0';
  json_object* v = nullptr;
  if (!json_object_object_get_ex(req, "port", &v) || json_object_get_type(v) == json_type_null) return true;
  if (json_object_is_type(v, json_type_string) && json_object_get_string_len(v) == 0) return true;
  int port = 0;
  if (!json_value_int(v, &port) || port < 1 || port > 65535) return false;
  snprintf(out, size, "%d", port);
  return true;
}
}  // namespace

void on_start_packet_capture(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kCaptureRules)) return;
  char ip[64] = "", port[32], nic[8] = "", dir_text[128] = "";
  json_get_text(req.get(), "ip", ip, sizeof ip);
  json_get_text(req.get(), "nic", nic, sizeof nic);
  json_get_text(req.get(), "mntPath", dir_text, sizeof dir_text);
  std::string dir = dir_text;
  if (!read_port(req.get(), port, sizeof port) || (ip[0] && !ip_ok(ip)) || !nic_ok(nic) || !capture_dir_ok(dir))
    return;

  char file[64];
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  strftime(file, sizeof file, "rvpcap-%Y%m%d%H%M%S", &tm);

  stop_capture();
  remove_old_captures(dir);
  CaptureState s;
  s.dir = dir;
  s.file = file;
  std::string out = dev_path(dir.c_str()) + "/" + file;
  std::string filter = capture_filter(nic, ip, port);
  if (filter.empty())
    s.capture = run_argv_background({"tcpdump", "-i", nic, "-s0", "-W", "2", "-C", "25", "-w", out.c_str()});
  else
    s.capture = run_argv_background(
        {"tcpdump", "-i", nic, "-s0", filter.c_str(), "-W", "2", "-C", "25", "-w", out.c_str()});
  std::string watchdog = dev_path(capture_paths::kWatchdog);
  if (s.capture > 0 && access(watchdog.c_str(), X_OK) == 0)
    s.watchdog = run_argv_background({watchdog.c_str(), "tcpdump", kWatchdogSeconds});
  if (s.capture <= 0 || !write_state(s)) {
    stop_background(s.capture, "tcpdump");
    stop_background(s.watchdog, "webmonitor");
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  JsonPtr answer(json_object_new_object());
  json_add_text(answer.get(), "dirPath", dir.c_str());
  json_add_text(answer.get(), "fileName", file);
  answer_json(answer);
}

void on_stop_packet_capture(char*) {
  stop_capture();
  answer_ok();
}

namespace {
// One member of a POSIX tar archive: the header block, then the data padded
// to whole blocks.
constexpr size_t kTarBlock = 512;
constexpr size_t kTarRecord = 10240;

void tar_header(char (&h)[kTarBlock], const std::string& name, uint64_t size, time_t mtime) {
  memset(h, 0, sizeof h);
  snprintf(h, 100, "%s", name.c_str());
  snprintf(h + 100, 8, "%07o", 0644);
  snprintf(h + 108, 8, "%07o", 0);
  snprintf(h + 116, 8, "%07o", 0);
  snprintf(h + 124, 12, "%011llo", static_cast<unsigned long long>(size));
  snprintf(h + 136, 12, "%011llo", static_cast<unsigned long long>(mtime));
  h[156] = '0';
  memcpy(h + 257, "ustar", 6);
  memcpy(h + 263, "00", 2);
  memset(h + 148, ' ', 8);
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  snprintf(h + 148, 8, "%06o", sum);
  h[155] = ' ';
}

// Copies the file into the archive in 4095-byte pieces; bytes written.
uint64_t tar_member(FILE* out, const std::string& path, const std::string& name) {
  struct stat st {};
  FILE* in = fopen(path.c_str(), "rb");
  if (!in) return 0;
  if (fstat(fileno(in), &st) != 0) {
    fclose(in);
    return 0;
  }
  char h[kTarBlock];
  uint64_t size = static_cast<uint64_t>(st.st_size);
  tar_header(h, name, size, st.st_mtime);
  fwrite(h, 1, sizeof h, out);
  char buf[4095];
  uint64_t left = size;
  while (left > 0) {
    size_t n = fread(buf, 1, left < sizeof buf ? static_cast<size_t>(left) : sizeof buf, in);
    if (n == 0) break;
    fwrite(buf, 1, n, out);
    left -= n;
  }
  fclose(in);
  std::vector<char> zero(kTarBlock, 0);
  if (left > 0) {  // the file shrank under us: keep the member's declared size
    while (left > 0) {
      size_t n = left < kTarBlock ? static_cast<size_t>(left) : kTarBlock;
      fwrite(zero.data(), 1, n, out);
      left -= n;
    }
  }
  size_t pad = (kTarBlock - size % kTarBlock) % kTarBlock;
  fwrite(zero.data(), 1, pad, out);
  return kTarBlock + size + pad;
}
}  // namespace

void on_download_packet_capture(char* text) {
  std::string wanted = text ? text : "";
  while (!wanted.empty() && isspace(static_cast<unsigned char>(wanted.back()))) wanted.pop_back();
  CaptureState s;
  size_t cut = wanted.rfind('/');
  if (wanted.empty() || cut == std::string::npos || !read_state(&s) || wanted.substr(0, cut) != s.dir ||
      wanted.substr(cut + 1) != s.file) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  std::string base = dev_path(s.dir.c_str()) + "/" + s.file;
  std::vector<std::string> names;
  for (const char* suffix : kCaptureSuffixes) {
    std::string from = base + suffix;
    struct stat st {};
    if (lstat(from.c_str(), &st) == 0 && S_ISREG(st.st_mode)) rename(from.c_str(), (from + ".pcap").c_str());
    if (lstat((from + ".pcap").c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(s.file + suffix + ".pcap");
  }
  if (names.empty()) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  fprintf(cgiOut,
          "Content-Type:application/octet-stream\r\n"
          "Content-Disposition: attachment; filename= %s\r\n\r\n",
          kArchiveName);
  uint64_t written = 0;
  for (const std::string& name : names) written += tar_member(cgiOut, dev_path(s.dir.c_str()) + "/" + name, name);
  std::vector<char> zero(kTarRecord, 0);
  written += 2 * kTarBlock;
  size_t end = 2 * kTarBlock + (kTarRecord - written % kTarRecord) % kTarRecord;
  fwrite(zero.data(), 1, end, cgiOut);
  fflush(cgiOut);
  for (const std::string& name : names) unlink((dev_path(s.dir.c_str()) + "/" + name).c_str());
}
