#include "platform/net_helpers.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"

namespace {
// 32 hex digits of /proc/net as an address text.
bool ipv6_text(const char* hex, char* buf, size_t size) {
  if (strlen(hex) != 32) return false;
  in6_addr a{};
  for (int i = 0; i < 16; ++i) {
    unsigned v = 0;
    if (sscanf(hex + 2 * i, "%2x", &v) != 1) return false;
    a.s6_addr[i] = static_cast<uint8_t>(v);
  }
  return inet_ntop(AF_INET6, &a, buf, static_cast<socklen_t>(size)) != nullptr;
}

bool all_zero(const char* hex) { return strspn(hex, "0") == strlen(hex); }
}  // namespace

int net_get_ifaddr(const char* ifname, char* buf, size_t size) {
  if (!ifname || !buf || size == 0) return -1;
  buf[0] = '\0';
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return -1;
  int rc = -1;
  for (ifaddrs* p = list; p; p = p->ifa_next) {
    if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET || strcmp(p->ifa_name, ifname) != 0) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(p->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, buf, static_cast<socklen_t>(size))) rc = 0;
    break;
  }
  freeifaddrs(list);
  return rc;
}

int net_get_ipv6_ifaddr(int kind, const char* ifname, char* addr, size_t addr_size, char* prefix,
                        size_t prefix_size) {
  if (!ifname || !addr || !prefix || addr_size == 0 || prefix_size == 0) return -1;
  FILE* f = fopen("/proc/net/if_inet6", "r");
  if (!f) return -1;
  // Lines: address, index, prefix length, scope, flags, name (hex fields).
  char hex[33], name[32];
  unsigned index = 0, plen = 0, scope = 0, flags = 0;
  std::string best, best_prefix;
  bool best_global = false;
  while (fscanf(f, "%32s %x %x %x %x %31s", hex, &index, &plen, &scope, &flags, name) == 6) {
    if (strcmp(name, ifname) != 0) continue;
    bool global = scope == 0;
    if (kind == 1 && !global) continue;
    if (!best.empty() && (best_global || !global)) continue;
    char text[64];
    if (!ipv6_text(hex, text, sizeof text)) continue;
    best = text;
    best_prefix = std::to_string(plen);
    best_global = global;
  }
  fclose(f);
  if (best.empty()) return -1;
  copy_text(addr, addr_size, best.c_str());
  copy_text(prefix, prefix_size, best_prefix.c_str());
  return 0;
}

int net_get_ipv6_gateway2(const char* ifname, int kind, char* buf, size_t size) {
  if (!ifname || !buf || size == 0) return -1;
  FILE* f = fopen("/proc/net/ipv6_route", "r");
  if (!f) return -1;
  // Lines: destination, its length, source, its length, next hop, metric,
  // references, use, flags, name.
  char dst[33], src[33], hop[33], name[32];
  unsigned dlen = 0, slen = 0, metric = 0, refs = 0, use = 0, flags = 0;
  int rc = -1;
  while (fscanf(f, "%32s %x %32s %x %32s %x %x %x %x %31s", dst, &dlen, src, &slen, hop, &metric, &refs, &use,
                &flags, name) == 10) {
    if (strcmp(name, ifname) != 0 || all_zero(hop)) continue;
    if (kind == 0 && (dlen != 0 || !all_zero(dst))) continue;
    if (ipv6_text(hop, buf, size)) {
      rc = 0;
      break;
    }
  }
  fclose(f);
  return rc;
}

int is_port_use(int port) {
  if (port <= 0 || port > 65535) return 0;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  int rc = bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  int err = errno;
  close(fd);
  // A port we may not bind (below 1024) is not thereby in use.
  return rc != 0 && err == EADDRINUSE ? 1 : 0;
}

int read_mac_conf(char* mac0, char* mac1, size_t size) {
  if (mac0 && size) mac0[0] = '\0';
  if (mac1 && size) mac1[0] = '\0';
  DIR* dir = opendir("/sys/class/net");
  if (!dir) return -1;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir))
    if (e->d_name[0] != '.' && strcmp(e->d_name, "lo") != 0) names.push_back(e->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  std::vector<std::string> macs;
  for (const std::string& n : names) {
    FILE* f = fopen(("/sys/class/net/" + n + "/address").c_str(), "r");
    if (!f) continue;
    char line[64] = "";
    bool got = fgets(line, sizeof line, f) != nullptr;
    fclose(f);
    std::string hex;
    for (const char* p = line; got && *p; ++p)
      if (isxdigit(static_cast<unsigned char>(*p))) hex += static_cast<char>(toupper(static_cast<unsigned char>(*p)));
    if (hex.size() == 12 && hex != "000000000000") macs.push_back(hex);
  }
  if (macs.empty()) return -1;
  if (mac0 && size) copy_text(mac0, size, macs[0].c_str());
  if (mac1 && size && macs.size() > 1) copy_text(mac1, size, macs[1].c_str());
  return 0;
}
