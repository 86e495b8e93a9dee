// Platform network helpers: read-only views of this machine's interfaces.
// Nothing here changes the network; the core daemon applies settings.
#pragma once
#include <cstddef>

// IPv4 address text of an interface ("ppp0"); 0, or -1 when it has none.
int net_get_ifaddr(const char* ifname, char* buf, size_t size);
// IPv6 address and prefix length (decimal text) of an interface. kind 1:
// a global address only; kind 0: global preferred, else link-local.
int net_get_ipv6_ifaddr(int kind, const char* ifname, char* addr, size_t addr_size, char* prefix,
                        size_t prefix_size);
// IPv6 gateway of an interface. kind 0: its default route; kind 1: the next
// hop of any of its routes.
int net_get_ipv6_gateway2(const char* ifname, int kind, char* buf, size_t size);
// 1 when a TCP listener could not bind the port because it is taken, else 0.
int is_port_use(int port);
// Hardware addresses of the first two interfaces other than loopback, as 12
// hex digits without separators ("" when missing); 0, or -1 without any.
int read_mac_conf(char* mac0, char* mac1, size_t size);
