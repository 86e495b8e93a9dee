// HTTPS certificate requests, the certificate parameters record and the
// certificate files the request program and the core daemon share.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace cert {
inline constexpr IpcCode kReqCreate{3316};      // CertParams; reply any word ("OK")
inline constexpr IpcCode kReqDropRequest{3317};  // no payload, never waited
inline constexpr IpcCode kReqInstall{3318};     // no payload; reply int32 (1: installed)
inline constexpr IpcCode kReqRemove{3320};      // no payload, never waited
inline constexpr IpcCode kReqHttps{3322};       // int32 switch, never waited

inline constexpr int32_t kInstalled = 1;        // 3318 reply of a good certificate
inline constexpr int32_t kSelfSigned = 0;       // InstallType; any other: a request

// Kinds of the stored parameters record.
inline constexpr int kKindCert = 0;
inline constexpr int kKindRequest = 2;

// Files of the certificate directory.
inline constexpr const char* kSslDir = "/mnt/nand/ssl";
inline constexpr const char* kCertFile = "/mnt/nand/ssl/ssl_cert.pem";
inline constexpr const char* kCertSaveFile = "/mnt/nand/ssl/ssl_cert_save.pem";
inline constexpr const char* kRequestFile = "/mnt/nand/ssl/tmp/ssl_cert.csr";
inline constexpr const char* kRequestName = "ssl_cert.csr";
// The signing tool's working directory, rebuilt before each creation.
inline constexpr const char* kSigningDir = "/mnt/nand/ssl/demoCA";
inline constexpr const char* kSigningNewCerts = "/mnt/nand/ssl/demoCA/newcerts";
inline constexpr const char* kSigningIndex = "/mnt/nand/ssl/demoCA/index.txt";
inline constexpr const char* kSigningSerial = "/mnt/nand/ssl/demoCA/serial";
// Private keys: the daemon's, beside the certificate and the request.
inline constexpr const char* kCertKeyFile = "/mnt/nand/ssl/ssl_key.pem";
inline constexpr const char* kRequestKeyFile = "/mnt/nand/ssl/tmp/ssl_req_key.pem";

// Payload of 3316 and the stored record (kinds 0 and 2).
struct CertParams {
  int32_t InstallType;
  char Country[3];
  char CommonName[64];
  char reserved1[1];
  int32_t Validity;  // days
  char Password[16];
  char Province[64];
  char Region[64];
  char Organization[64];
  char Company[64];
  char Email[64];
  char reserved2[256];
  char dates[128];  // validity dates, filled by the daemon
  char reserved3[64];
  char startTime[16];
  char endTime[16];
};
static_assert(sizeof(CertParams) == 892);
static_assert(offsetof(CertParams, Country) == 4);
static_assert(offsetof(CertParams, CommonName) == 7);
static_assert(offsetof(CertParams, Validity) == 72);
static_assert(offsetof(CertParams, Password) == 76);
static_assert(offsetof(CertParams, Province) == 92);
static_assert(offsetof(CertParams, Region) == 156);
static_assert(offsetof(CertParams, Organization) == 220);
static_assert(offsetof(CertParams, Company) == 284);
static_assert(offsetof(CertParams, Email) == 348);
static_assert(offsetof(CertParams, dates) == 668);
static_assert(offsetof(CertParams, startTime) == 860);
static_assert(offsetof(CertParams, endTime) == 876);
}  // namespace cert
