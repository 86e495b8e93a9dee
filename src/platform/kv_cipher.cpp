// Low-level AES only: the request program links it statically, and the cipher
// of one mode keeps that small.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "platform/kv_cipher.h"

#include <openssl/aes.h>

#include <cstdint>
#include <cstring>

namespace {
constexpr char kStd[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUrl[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr size_t kKeyLen = 32;

int digit_of(char c, const char* alphabet) {
  const char* p = c ? strchr(alphabet, c) : nullptr;
  return p ? static_cast<int>(p - alphabet) : -1;
}

// Decodes the digits of in (skipping white space when allowed), stopping at
// '=' padding. -1 for any other character or a dangling digit.
int decode(const char* in, size_t len, const char* alphabet, bool lax, unsigned char* out, size_t cap) {
  uint32_t acc = 0;
  int bits = 0;
  size_t n = 0;
  size_t i = 0;
  for (; i < len && in[i] != '='; ++i) {
    if (lax && (in[i] == '\r' || in[i] == '\n' || in[i] == ' ' || in[i] == '\t')) continue;
    int d = digit_of(in[i], alphabet);
    if (d < 0) return -1;
    acc = (acc << 6) | static_cast<uint32_t>(d);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      if (n >= cap) return -1;
      out[n++] = static_cast<unsigned char>(acc >> bits);
    }
  }
  for (; i < len; ++i)
    if (in[i] != '=' && !(lax && in[i] && strchr("\r\n \t", in[i]))) return -1;
  if (bits >= 6) return -1;  // one digit alone holds no byte
  return static_cast<int>(n);
}
}  // namespace

int kv_base64_decode(const char* in, int len, unsigned char* out) {
  if (!in || !out || len < 0) return -1;
  return decode(in, static_cast<size_t>(len), kStd, true, out, static_cast<size_t>(len) * 3 / 4 + 3);
}

int base64EncodeUrl(const char* in, char* out, int size) {
  if (!out || size <= 0) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(in ? in : "");
  size_t len = strlen(reinterpret_cast<const char*>(p));
  size_t n = 0;
  for (size_t i = 0; i < len; i += 3) {
    uint32_t v = static_cast<uint32_t>(p[i]) << 16;
    size_t take = len - i < 3 ? len - i : 3;
    if (take > 1) v |= static_cast<uint32_t>(p[i + 1]) << 8;
    if (take > 2) v |= p[i + 2];
    size_t digits = take + 1;
    if (n + digits > static_cast<size_t>(size) - 1) break;
    for (size_t k = 0; k < digits; ++k) out[n++] = kUrl[(v >> (18 - 6 * k)) & 63];
  }
  out[n] = '\0';
  return static_cast<int>(n);
}

int base64DecodeUrl(const char* in, char* out, int size) {
  if (!in || !out || size <= 0) return -1;
  int n = decode(in, strlen(in), kUrl, false, reinterpret_cast<unsigned char*>(out), static_cast<size_t>(size) - 1);
  if (n < 0 || memchr(out, '\0', static_cast<size_t>(n))) return -1;
  out[n] = '\0';
  return n;
}

int aesDecryWeb(const unsigned char* in, int len, const char* key, unsigned char* out) {
  if (!in || !key || !out || strlen(key) != kKeyLen || len < 32 || (len - 16) % AES_BLOCK_SIZE) return -1;
  AES_KEY k;
  if (AES_set_decrypt_key(reinterpret_cast<const unsigned char*>(key), 256, &k) != 0) return -1;
  unsigned char iv[AES_BLOCK_SIZE];
  memcpy(iv, in, sizeof iv);
  int n = len - 16;
  AES_cbc_encrypt(in + 16, out, static_cast<size_t>(n), &k, iv, AES_DECRYPT);
  int pad = out[n - 1];
  if (pad < 1 || pad > AES_BLOCK_SIZE) return -1;
  for (int i = 1; i <= pad; ++i)
    if (out[n - i] != pad) return -1;
  return n - pad;
}

int aesEncryWeb(const unsigned char* in, int len, const char* key, const unsigned char iv[16], unsigned char* out) {
  if (!in || !key || !out || strlen(key) != kKeyLen || len < 0) return -1;
  AES_KEY k;
  if (AES_set_encrypt_key(reinterpret_cast<const unsigned char*>(key), 256, &k) != 0) return -1;
  int pad = AES_BLOCK_SIZE - len % AES_BLOCK_SIZE;
  int n = len + pad;
  memcpy(out, iv, 16);
  unsigned char* body = out + 16;
  memcpy(body, in, static_cast<size_t>(len));
  memset(body + len, pad, static_cast<size_t>(pad));
  unsigned char v[AES_BLOCK_SIZE];
  memcpy(v, iv, sizeof v);
  AES_cbc_encrypt(body, body, static_cast<size_t>(n), &k, v, AES_ENCRYPT);
  return n + 16;
}
