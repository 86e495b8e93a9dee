#include "platform/kv_p2p.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "proto/p2p_proto.h"

#ifndef NVR_P2P_RELAY_HOST
#define NVR_P2P_RELAY_HOST "localhost"
#endif

namespace {
constexpr int kKeyBits = 2048;
constexpr int kBlock = kKeyBits / 8;
constexpr int kPlainBlock = kBlock - 42;  // OAEP with SHA-1
constexpr uint32_t kMaxKeyDer = 1024;

// libcrypto is loaded when a key is first needed, never at start-up: every
// request would pay for its size, and only the relay test uses it.
#define P2P_CRYPTO_FUNCTIONS(X)                                                                            \
  X(EVP_PKEY_Q_keygen) X(EVP_PKEY_free) X(EVP_PKEY_get_base_id) X(EVP_PKEY_get_size) X(EVP_PKEY_CTX_new) \
  X(EVP_PKEY_CTX_free) X(EVP_PKEY_encrypt_init) X(EVP_PKEY_decrypt_init) X(EVP_PKEY_CTX_set_rsa_padding)  \
  X(EVP_PKEY_encrypt) X(EVP_PKEY_decrypt) X(PEM_write_PrivateKey) X(PEM_read_PrivateKey) X(i2d_PUBKEY)   \
  X(d2i_PUBKEY) X(CRYPTO_free)

struct Crypto {
#define P2P_MEMBER(f) decltype(&::f) f;
  P2P_CRYPTO_FUNCTIONS(P2P_MEMBER)
#undef P2P_MEMBER
};

const Crypto* load_crypto() {
  void* lib = dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return nullptr;
  static Crypto c;
  bool all = true;
#define P2P_RESOLVE(f)                                 \
  c.f = reinterpret_cast<decltype(c.f)>(dlsym(lib, #f)); \
  all = all && c.f;
  P2P_CRYPTO_FUNCTIONS(P2P_RESOLVE)
#undef P2P_RESOLVE
  return all ? &c : nullptr;
}

// Null when the library cannot be loaded: no key, so no exchange.
const Crypto* crypto() {
  static const Crypto* c = load_crypto();
  return c;
}

struct PkeyFree {
  void operator()(EVP_PKEY* k) const { crypto()->EVP_PKEY_free(k); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
struct CtxFree {
  void operator()(EVP_PKEY_CTX* c) const { crypto()->EVP_PKEY_CTX_free(c); }
};
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, CtxFree>;

struct Session {
  Pkey own;
  Pkey peer;
};

// Connections switched to a key, by descriptor (the relay serves while a
// request runs in the same test process).
struct Sessions {
  std::mutex mu;
  std::map<int, std::shared_ptr<Session>> by_fd;
};
Sessions& sessions() {
  static Sessions& s = *new Sessions;
  return s;
}

std::shared_ptr<Session> session_of(int fd) {
  Sessions& s = sessions();
  std::lock_guard<std::mutex> lk(s.mu);
  auto it = s.by_fd.find(fd);
  return it == s.by_fd.end() ? nullptr : it->second;
}

bool write_all(int fd, const void* data, size_t len) {
  const char* p = static_cast<const char*>(data);
  while (len > 0) {
    ssize_t n = send(fd, p, len, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

bool read_all(int fd, void* data, size_t len) {
  char* p = static_cast<char*>(data);
  while (len > 0) {
    ssize_t n = recv(fd, p, len, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

bool usable_rsa(const EVP_PKEY* k) {
  return k && crypto()->EVP_PKEY_get_base_id(k) == EVP_PKEY_RSA && crypto()->EVP_PKEY_get_size(k) == kBlock;
}

Pkey load_key(const char* path) {
  FILE* f = path && crypto() ? fopen(path, "re") : nullptr;
  if (!f) return nullptr;
  Pkey k(crypto()->PEM_read_PrivateKey(f, nullptr, nullptr, nullptr));
  fclose(f);
  return usable_rsa(k.get()) ? std::move(k) : nullptr;
}

PkeyCtx oaep_ctx(EVP_PKEY* k, bool encrypt) {
  const Crypto& x = *crypto();
  PkeyCtx c(x.EVP_PKEY_CTX_new(k, nullptr));
  if (!c) return nullptr;
  int init = encrypt ? x.EVP_PKEY_encrypt_init(c.get()) : x.EVP_PKEY_decrypt_init(c.get());
  if (init <= 0 || x.EVP_PKEY_CTX_set_rsa_padding(c.get(), RSA_PKCS1_OAEP_PADDING) <= 0) return nullptr;
  return c;
}
}  // namespace

P2pRelayAddress& p2p_relay_address() {
  static P2pRelayAddress a{NVR_P2P_RELAY_HOST, p2p::kRelayPort};
  return a;
}

int p2p_create_keyfile(const char* path) {
  if (!path || !*path || !crypto()) return -1;
  Pkey k(crypto()->EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(kKeyBits)));
  if (!k) return -1;
  std::string tmp = std::string(path) + ".new";
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  FILE* f = fdopen(fd, "w");
  if (!f) {
    close(fd);
    unlink(tmp.c_str());
    return -1;
  }
  bool ok = crypto()->PEM_write_PrivateKey(f, k.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
  ok = fclose(f) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path) != 0) {
    unlink(tmp.c_str());
    return -1;
  }
  return 0;
}

int p2p_cli_switch_keyfile(int fd, const char* path) {
  Pkey own = load_key(path);
  if (fd < 0 || !own) return -1;
  // Own public key out, the peer's in: [uint32 length][DER].
  unsigned char* der = nullptr;
  int len = crypto()->i2d_PUBKEY(own.get(), &der);
  if (len <= 0) return -1;
  uint32_t n = static_cast<uint32_t>(len);
  bool sent = write_all(fd, &n, sizeof n) && write_all(fd, der, n);
  crypto()->CRYPTO_free(der, __FILE__, __LINE__);
  uint32_t peer_len = 0;
  if (!sent || !read_all(fd, &peer_len, sizeof peer_len) || peer_len == 0 || peer_len > kMaxKeyDer) return -1;
  unsigned char buf[kMaxKeyDer];
  if (!read_all(fd, buf, peer_len)) return -1;
  const unsigned char* p = buf;
  Pkey peer(crypto()->d2i_PUBKEY(nullptr, &p, static_cast<long>(peer_len)));
  if (!usable_rsa(peer.get())) return -1;
  auto s = std::make_shared<Session>();
  s->own = std::move(own);
  s->peer = std::move(peer);
  Sessions& all = sessions();
  std::lock_guard<std::mutex> lk(all.mu);
  all.by_fd[fd] = std::move(s);
  return 0;
}

int rsa_cal_ensize(int len) { return len <= 0 ? 0 : (len + kPlainBlock - 1) / kPlainBlock * kBlock; }

int p2p_send(int fd, const void* data, int len, char* work, int work_size) {
  auto s = session_of(fd);
  int total = rsa_cal_ensize(len);
  if (!s || !data || !work || total <= 0 || total > work_size) return -1;
  PkeyCtx c = oaep_ctx(s->peer.get(), true);
  if (!c) return -1;
  const auto* in = static_cast<const unsigned char*>(data);
  for (int done = 0, at = 0; done < len; done += kPlainBlock, at += kBlock) {
    size_t out_len = kBlock;
    size_t chunk = static_cast<size_t>(std::min(kPlainBlock, len - done));
    if (crypto()->EVP_PKEY_encrypt(c.get(), reinterpret_cast<unsigned char*>(work + at), &out_len, in + done, chunk) <= 0 ||
        out_len != kBlock)
      return -1;
  }
  return write_all(fd, work, static_cast<size_t>(total)) ? len : -1;
}

int p2p_recv(int fd, void* out, int out_size, int ensize, char* work, int work_size) {
  auto s = session_of(fd);
  if (!s || !out || !work || ensize <= 0 || ensize % kBlock != 0 || ensize > work_size) return -1;
  if (!read_all(fd, work, static_cast<size_t>(ensize))) return -1;
  PkeyCtx c = oaep_ctx(s->own.get(), false);
  if (!c) return -1;
  auto* dst = static_cast<unsigned char*>(out);
  int got = 0;
  unsigned char plain[kBlock];
  for (int at = 0; at < ensize; at += kBlock) {
    size_t plain_len = sizeof plain;
    if (crypto()->EVP_PKEY_decrypt(c.get(), plain, &plain_len, reinterpret_cast<unsigned char*>(work + at), kBlock) <= 0 ||
        got + static_cast<int>(plain_len) > out_size)
      return -1;
    memcpy(dst + got, plain, plain_len);
    got += static_cast<int>(plain_len);
  }
  return got;
}

void p2p_forget_keys(int fd) {
  Sessions& s = sessions();
  std::lock_guard<std::mutex> lk(s.mu);
  s.by_fd.erase(fd);
}
