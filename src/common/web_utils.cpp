#include "common/web_utils.h"

#include <fcntl.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cgi/cgic.h"
#include "base/paths.h"
#include "base/text.h"
#include "common/spawn.h"
#include "platform/kv_std.h"
#include "platform/kvdb.h"
#include "platform/kvfs.h"

int cgi_init_log_info(OpLogRecord* rec) {
  if (!rec) return -1;
  *rec = OpLogRecord{};
  rec->main_type = kLogMainOperation;
  rec->remote = 1;
  get_current_username(rec->user, sizeof rec->user);
  copy_text(rec->remote_addr, cgiRemoteAddr);
  return 0;
}

namespace {
void fill_op_log(OpLogRecord* rec, int64_t sub_type, int param_type, int channel) {
  cgi_init_log_info(rec);
  rec->sub_type = sub_type;
  rec->param_type = param_type;
  rec->channel = channel;
}
}  // namespace

void send_op_log(IpcCallback cb, int64_t sub_type, int param_type, int channel, int detail_kind,
                 const void* detail, int detail_len) {
  OpLogRecord rec;
  fill_op_log(&rec, sub_type, param_type, channel);
  if (detail) kvfs_log_pack_detail(&rec, detail_kind, detail, detail_len);
  ipc_send(cb, kReqOpLog, rec);
}

void send_op_log_mask(IpcCallback cb, int64_t sub_type, int param_type, int channel, uint64_t mask) {
  OpLogMaskRecord rec{};
  fill_op_log(&rec.log, sub_type, param_type, channel);
  rec.chn_mask = mask;
  ipc_send(cb, kReqOpLogMask, rec);
}

int get_current_username(char* buf, size_t size) {
  if (!buf || size == 0) return -1;
  buf[0] = '\0';
  const char* p = cgiCookie ? strstr(cgiCookie, "userName") : nullptr;
  if (!p) return -1;
  p += strlen("userName=");
  if (p > cgiCookie + strlen(cgiCookie)) return -1;  // cookie ends inside the name
  const char* end = strchr(p, ';');
  size_t n = end ? static_cast<size_t>(end - p) : strlen(p);
  if (n > size - 1) n = size - 1;
  memcpy(buf, p, n);
  buf[n] = '\0';
  if (char* eq = strchr(buf, '=')) memmove(buf, eq + 1, strlen(eq + 1) + 1);
  return 0;
}

int file_lock(const char* path) {
  if (!path) return -1;
  int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  while (lockf(fd, F_LOCK, 0) != 0) {
    if (errno != EINTR) {
      close(fd);
      return -1;
    }
  }
  return fd;
}

void file_unlock(int fd) {
  if (fd < 0) return;
  lockf(fd, F_ULOCK, 0);
  close(fd);
}

int IsDirExisted(const char* path) {
  struct stat st;
  if (!path || !*path || lstat(path, &st) != 0) return -1;
  return S_ISDIR(st.st_mode) ? 0 : -1;
}

int IsFileExisted(const char* path) {
  if (!path || !*path) return -1;
  return access(path, F_OK);
}

int RemoveFile(const char* src, const char* dst) {
  if (!src || !dst) return -1;
  run_argv({"/bin/mv", src, dst});
  return 0;
}

int DeleteFile(const char* path) {
  if (!path) return -1;
  run_argv({"/bin/rm", path});
  return 0;
}

int web_system(const char* cmd) { return kv_system(cmd) == 0 ? 0 : -1; }

std::string shell_quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}


namespace {
void mac_of(const char* ifname, char* out, const char* fallback) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) {
    fprintf(stderr, "create socket fail\n");
    snprintf(out, 18, "%s", fallback);
    return;
  }
  struct ifreq ifr{};
  copy_text(ifr.ifr_name, IFNAMSIZ, ifname);
  int rc = ioctl(fd, SIOCGIFHWADDR, &ifr);
  close(fd);
  if (rc != 0) {
    snprintf(out, 18, "%s", fallback);
    return;
  }
  auto* b = reinterpret_cast<unsigned char*>(ifr.ifr_hwaddr.sa_data);
  snprintf(out, 18, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
}
}  // namespace

int get_mac_addr(char* eth0, char* eth1) {
  if (eth0) mac_of("eth0", eth0, "02:00:5E:10:00:01");
  if (eth1) mac_of("eth1", eth1, "02:00:5E:10:00:02");
  return 0;
}

int store_param_text(const char* key, const char* value) {
  if (check_param_key(devpaths::kKvdb, key)) return add_param_value(devpaths::kKvdb, key, value);
  return set_param_value(devpaths::kKvdb, key, value);
}
