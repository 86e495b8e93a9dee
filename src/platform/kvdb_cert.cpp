#include "platform/kvdb_cert.h"

#include "base/text.h"
#include "platform/kvdb.h"

using cert::CertParams;
using p2p::P2pInfo;

namespace {
// ---- Certificate parameters, one row per kind ----
int factory_ssl_params(kvdb::Txn& t);
constexpr kvdb::Column kSslCols[] = {
    KVDB_KEY("kind"),
    KVDB_COL(CertParams, InstallType),
    KVDB_COL(CertParams, Country),
    KVDB_COL(CertParams, CommonName),
    KVDB_COL(CertParams, Validity),
    KVDB_COL(CertParams, Password),
    KVDB_COL(CertParams, Province),
    KVDB_COL(CertParams, Region),
    KVDB_COL(CertParams, Organization),
    KVDB_COL(CertParams, Company),
    KVDB_COL(CertParams, Email),
    KVDB_COL(CertParams, dates),
    KVDB_COL(CertParams, startTime),
    KVDB_COL(CertParams, endTime),
};
constexpr kvdb::Family kSslFamily =
    kvdb::family<CertParams>("ssl_params", "ssl_params", kSslCols, 1, factory_ssl_params);
KVDB_REGISTER(kSslFamily);

// No certificate and no request yet: empty rows with a year's validity.
int factory_ssl_params(kvdb::Txn& t) {
  for (int kind : {cert::kKindCert, cert::kKindRequest}) {
    CertParams r{};
    r.InstallType = kind == cert::kKindCert ? cert::kSelfSigned : 1;
    r.Validity = 365;
    if (t.put(kSslFamily, nullptr, {{"kind", kind}}, &r) != 0) return -1;
  }
  return 0;
}

// ---- P2P registration, one row ----
int factory_p2p(kvdb::Txn& t);
constexpr kvdb::Column kP2pCols[] = {
    KVDB_KEY("id"),
    KVDB_COL(P2pInfo, enable),
    KVDB_COL(P2pInfo, company),
    KVDB_COL(P2pInfo, email),
    KVDB_COL(P2pInfo, dealer),
    KVDB_COL(P2pInfo, cloudAccount),
    KVDB_COL(P2pInfo, region),
};
constexpr kvdb::Family kP2pFamily = kvdb::family<P2pInfo>("p2p_info", "p2p_info", kP2pCols, 1, factory_p2p);
KVDB_REGISTER(kP2pFamily);

int factory_p2p(kvdb::Txn& t) {
  P2pInfo r{};
  copy_text(r.company, "Varenholt");
  copy_text(r.email, "support@varenholt.example");
  copy_text(r.dealer, "Varenholt Direct");
  return t.put(kP2pFamily, nullptr, {{"id", 0}}, &r);
}
}  // namespace

int read_ssl_params(const char* db, CertParams* r, int kind) {
  return kvdb::read_one(db, kSslFamily, nullptr, {{"kind", kind}}, r);
}

int write_ssl_params(const char* db, const CertParams* r, int kind) {
  return kvdb::write_one(db, kSslFamily, nullptr, {{"kind", kind}}, r);
}

int read_p2p_info(const char* db, P2pInfo* r) { return kvdb::read_one(db, kP2pFamily, nullptr, {{"id", 0}}, r); }

int write_p2p_info(const char* db, const P2pInfo* r) {
  return kvdb::write_one(db, kP2pFamily, nullptr, {{"id", 0}}, r);
}
