// Certificate answers. 3316 makes a self-signed certificate (InstallType 0)
// or a certificate request with a new RSA key, and stores the parameters
// record with its dates (kind 0 or 2); 3318 accepts the installed file when it
// is a current certificate whose key the device holds (its own, or the
// pending request's), else puts the saved copy back.
#include "answers_cert.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "base/paths.h"
#include "base/text.h"
#include "platform/kvdb_cert.h"

using namespace cert;
namespace fs = std::filesystem;

namespace {
constexpr int kDefaultDays = 365;
constexpr int kMaxDays = 36500;
constexpr int32_t kCreateFailed = -1;

template <class T, void (*F)(T*)>
struct Free {
  void operator()(T* p) const { F(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, Free<EVP_PKEY, EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Free<X509, X509_free>>;
using ReqPtr = std::unique_ptr<X509_REQ, Free<X509_REQ, X509_REQ_free>>;

std::string field(const char* p, size_t width) { return std::string(p, strnlen(p, width)); }

// Subject from the page's fields; empty ones are left out.
bool fill_name(X509_NAME* name, const CertParams& p) {
  const std::pair<const char*, std::string> parts[] = {
      {"C", field(p.Country, sizeof p.Country)},       {"ST", field(p.Province, sizeof p.Province)},
      {"L", field(p.Region, sizeof p.Region)},         {"O", field(p.Organization, sizeof p.Organization)},
      {"OU", field(p.Company, sizeof p.Company)},      {"CN", field(p.CommonName, sizeof p.CommonName)},
      {"emailAddress", field(p.Email, sizeof p.Email)},
  };
  for (const auto& [key, value] : parts)
    if (!value.empty() && value != " " &&
        !X509_NAME_add_entry_by_txt(name, key, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(value.c_str()),
                                    -1, -1, 0))
      return false;
  return true;
}

// "YYYYMMDD", "YYYY-MM-DD", "YYYYMMDDHHMMSS" with or without separators and Z.
bool set_time(ASN1_TIME* t, const char* text, size_t width) {
  std::string digits;
  for (char c : field(text, width))
    if (isdigit(static_cast<unsigned char>(c))) digits += c;
  if (digits.size() == 8) digits += "000000";
  if (digits.size() != 14) return false;
  return ASN1_TIME_set_string_X509(t, (digits + "Z").c_str()) == 1;
}

std::string time_text(const ASN1_TIME* t) {
  struct tm tm {};
  if (!t || ASN1_TIME_to_tm(t, &tm) != 1) return "";
  char buf[32];
  strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

// PEM output written whole or not at all; keys readable by the owner only.
template <class Write>
bool write_pem(const char* device_path, mode_t mode, Write write) {
  const std::string path = dev_path(device_path), tmp = path + ".new";
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  FILE* f = fd >= 0 ? fdopen(fd, "w") : nullptr;
  if (!f) {
    if (fd >= 0) close(fd);
    return false;
  }
  bool ok = write(f) == 1;
  ok = fclose(f) == 0 && ok;
  if (ok && rename(tmp.c_str(), path.c_str()) == 0) return true;
  unlink(tmp.c_str());
  return false;
}

bool write_key(const char* device_path, EVP_PKEY* key) {
  return write_pem(device_path, 0600,
                   [&](FILE* f) { return PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr); });
}

Pkey read_key(const char* device_path) {
  FILE* f = fopen(dev_path(device_path).c_str(), "re");
  if (!f) return nullptr;
  Pkey k(PEM_read_PrivateKey(f, nullptr, nullptr, nullptr));
  fclose(f);
  return k;
}

bool make_certificate(CertParams& p, EVP_PKEY* key) {
  X509Ptr x(X509_new());
  int days = p.Validity > 0 && p.Validity <= kMaxDays ? p.Validity : kDefaultDays;
  if (!x || !X509_set_version(x.get(), 2) || !ASN1_INTEGER_set(X509_get_serialNumber(x.get()), 1)) return false;
  ASN1_TIME* from = X509_getm_notBefore(x.get());
  ASN1_TIME* to = X509_getm_notAfter(x.get());
  if (!set_time(from, p.startTime, sizeof p.startTime) && !X509_gmtime_adj(from, 0)) return false;
  if (!set_time(to, p.endTime, sizeof p.endTime) && !X509_time_adj_ex(to, days, 0, nullptr)) return false;
  if (!fill_name(X509_get_subject_name(x.get()), p) || !X509_set_issuer_name(x.get(), X509_get_subject_name(x.get())) ||
      !X509_set_pubkey(x.get(), key) || !X509_sign(x.get(), key, EVP_sha256()))
    return false;
  copy_text(p.dates, (time_text(from) + " - " + time_text(to)).c_str());
  return write_key(kCertKeyFile, key) &&
         write_pem(kCertFile, 0644, [&](FILE* f) { return PEM_write_X509(f, x.get()); }) &&
         write_pem("/mnt/nand/ssl/demoCA/newcerts/01.pem", 0644, [&](FILE* f) { return PEM_write_X509(f, x.get()); });
}

bool make_request(const CertParams& p, EVP_PKEY* key) {
  ReqPtr r(X509_REQ_new());
  std::string password = field(p.Password, sizeof p.Password);
  if (!r || !X509_REQ_set_version(r.get(), 0) || !fill_name(X509_REQ_get_subject_name(r.get()), p) ||
      !X509_REQ_set_pubkey(r.get(), key))
    return false;
  if (!password.empty() &&
      !X509_REQ_add1_attr_by_NID(r.get(), NID_pkcs9_challengePassword, MBSTRING_UTF8,
                                 reinterpret_cast<const unsigned char*>(password.c_str()), -1))
    return false;
  return X509_REQ_sign(r.get(), key, EVP_sha256()) && write_key(kRequestKeyFile, key) &&
         write_pem(kRequestFile, 0644, [&](FILE* f) { return PEM_write_X509_REQ(f, r.get()); });
}

std::string create(CoreCertState& s, const CoreRequest& req) {
  auto p = read_as<CertParams>(req);
  Pkey key(EVP_RSA_gen(2048));
  bool self_signed = p.InstallType == kSelfSigned;
  bool made = key && (self_signed ? make_certificate(p, key.get()) : make_request(p, key.get()));
  if (!made) return status_word(kCreateFailed);
  memset(p.Password, 0, sizeof p.Password);  // never stored
  write_ssl_params(devpaths::kKvdb, &p, self_signed ? kKindCert : kKindRequest);
  ++s.created;
  return status_word(0);
}

std::string subject_entry(X509_NAME* name, int nid) {
  char buf[128] = "";
  X509_NAME_get_text_by_NID(name, nid, buf, sizeof buf);
  return buf;
}

// The installed file as a current certificate whose key we hold.
bool accept_installed() {
  FILE* f = fopen(dev_path(kCertFile).c_str(), "re");
  if (!f) return false;
  X509Ptr x(PEM_read_X509(f, nullptr, nullptr, nullptr));
  fclose(f);
  if (!x || X509_cmp_current_time(X509_get0_notAfter(x.get())) <= 0) return false;
  Pkey own = read_key(kCertKeyFile);
  if (!own || X509_check_private_key(x.get(), own.get()) != 1) {
    // Signed from the pending request: its key becomes the certificate's.
    Pkey pending = read_key(kRequestKeyFile);
    if (!pending || X509_check_private_key(x.get(), pending.get()) != 1 ||
        rename(dev_path(kRequestKeyFile).c_str(), dev_path(kCertKeyFile).c_str()) != 0)
      return false;
  }
  CertParams p{};
  read_ssl_params(devpaths::kKvdb, &p, kKindCert);
  X509_NAME* name = X509_get_subject_name(x.get());
  copy_text(p.Country, subject_entry(name, NID_countryName).c_str());
  copy_text(p.CommonName, subject_entry(name, NID_commonName).c_str());
  copy_text(p.Email, subject_entry(name, NID_pkcs9_emailAddress).c_str());
  copy_text(p.dates,
            (time_text(X509_get0_notBefore(x.get())) + " - " + time_text(X509_get0_notAfter(x.get()))).c_str());
  return write_ssl_params(devpaths::kKvdb, &p, kKindCert) == 0;
}

std::string install(CoreCertState& s, const CoreRequest&) {
  if (accept_installed()) {
    ++s.installs;
    return status_word(kInstalled);
  }
  ++s.refused;
  const std::string cert = dev_path(kCertFile), saved = dev_path(kCertSaveFile);
  if (rename(saved.c_str(), cert.c_str()) != 0) unlink(cert.c_str());
  return status_word(0);
}

void drop_request(CoreCertState&, const CoreRequest&) {
  unlink(dev_path(kRequestFile).c_str());
  unlink(dev_path(kRequestKeyFile).c_str());
}

void remove_cert(CoreCertState& s, const CoreRequest&) {
  unlink(dev_path(kCertKeyFile).c_str());
  s.https = 0;
}

std::string describe_create(const CoreRequest& req) {
  auto p = read_as<CertParams>(req);
  return std::string(p.InstallType == kSelfSigned ? "self-signed " : "request ") + field(p.CommonName, sizeof p.CommonName);
}

const CoreAnswerTable kCertAnswers = {
    {kReqCreate, on_state<CoreCertState>(create), describe_create},
    {kReqDropRequest, silent<CoreCertState>(drop_request), nullptr},
    {kReqInstall, on_state<CoreCertState>(install), nullptr},
    {kReqRemove, silent<CoreCertState>(remove_cert), nullptr},
    {kReqHttps, silent<CoreCertState>([](CoreCertState& s, const CoreRequest& r) { s.https = read_as<int32_t>(r); }),
     nullptr},
};
}  // namespace

CoreCertState coresim_cert_state(CoreDevice& dev) {
  std::lock_guard<std::mutex> lk(dev.mu);
  return dev.part<CoreCertState>();
}
