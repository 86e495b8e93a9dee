#include "platform/kv_crypto.h"

#include <cctype>

namespace {
int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

int get_url_encode(const char* in, char* out, int size) {
  if (!out || size <= 0) return 0;
  static const char kHex[] = "0123456789ABCDEF";
  int n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(in ? in : ""); *p; ++p) {
    bool plain = isalnum(*p) || *p == '-' || *p == '_' || *p == '.' || *p == '~';
    int need = plain ? 1 : 3;
    if (n + need > size - 1) break;
    if (plain) {
      out[n++] = static_cast<char>(*p);
    } else {
      out[n++] = '%';
      out[n++] = kHex[*p >> 4];
      out[n++] = kHex[*p & 15];
    }
  }
  out[n] = '\0';
  return n;
}

int get_url_decode(const char* in, char* out, int size) {
  if (!out || size <= 0) return 0;
  int n = 0;
  for (const char* p = in ? in : ""; *p && n < size - 1; ++p) {
    int hi, lo;
    if (p[0] == '%' && (hi = hex_value(p[1])) >= 0 && (lo = hex_value(p[2])) >= 0) {
      out[n++] = static_cast<char>(hi * 16 + lo);
      p += 2;
    } else {
      out[n++] = *p;
    }
  }
  out[n] = '\0';
  return n;
}
