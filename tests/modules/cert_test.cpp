#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "answers_cert.h"
#include "answers_p2p.h"
#include "base/paths.h"
#include "coresim_server.h"
#include "platform/kv_p2p.h"
#include "platform/kvdb.h"
#include "platform/kvdb_cert.h"
#include "proto/cert_proto.h"
#include "proto/p2p_proto.h"
#include "relay.h"
#include "support/module_test.h"
#include "support/test_root.h"

namespace {
const char* const kDb = devpaths::kKvdb;
const std::string kCert = "/mnt/nand/ssl/ssl_cert.pem";
const std::string kCsr = "/mnt/nand/ssl/tmp/ssl_cert.csr";

std::string text_at(const std::string& payload, size_t off, size_t width) {
  std::string s = payload.substr(off, width);
  return s.substr(0, s.find('\0'));
}
int32_t int_at(const std::string& payload, size_t off) {
  int32_t v = 0;
  memcpy(&v, payload.data() + off, sizeof v);
  return v;
}

// A multipart upload of `content` to /7084, as the web client sends it.
std::string upload(const std::string& content) {
  const std::string body = "--b0\r\nContent-Disposition: form-data; name=\"file\"; filename=\"new.pem\"\r\n\r\n" +
                           content + "\r\n--b0--\r\n";
  CgiEnv env;
  env.method = "POST";
  env.path_info = "/7084";
  env.content_type = "multipart/form-data; boundary=b0";
  env.content_length = std::to_string(body.size());
  return run_cgi(env, body).second;
}

// A kvprofile on the root's PATH that notes its arguments, while alive.
struct FakeKvprofile {
  explicit FakeKvprofile(const TestRoot& root) : saved(getenv("PATH")) {
    root.write_file("/bin/kvprofile", "#!/bin/sh\necho \"$@\" >> " + root.path("/kvprofile.args") + "\n");
    chmod(root.path("/bin/kvprofile").c_str(), 0755);
    setenv("PATH", (root.path("/bin") + ":" + saved).c_str(), 1);
  }
  ~FakeKvprofile() { setenv("PATH", saved.c_str(), 1); }
  std::string saved;
};

class CertTest : public ModuleTest {};

struct CreateCase {
  const char* body;
  int32_t install_type;
  int32_t validity;
  const char* start;
};

TEST_F(CertTest, CreateRebuildsTheSigningDirectoryAndSendsTheRecord) {
  const CreateCase cases[] = {
      {R"({"InstallType":0,"Validity":30,"startTime":"20260101000000Z","endTime":"20270101000000Z",)"
       R"("Country":"DEU","CommonName":"nvr.lan","Password":"0123456789abcdefXX","Province":"BY","Region":"M",)"
       R"("Organization":"O","Company":"C","Email":"a@b.c"})",
       0, 30, "20260101000000Z"},
      // A request ignores the validity fields, even of the wrong type.
      {R"({"InstallType":1,"Validity":"x","startTime":7,"Country":"DEU","CommonName":"nvr.lan",)"
       R"("Password":"0123456789abcdefXX","Province":"BY","Region":"M","Organization":"O","Company":"C","Email":"a@b.c"})",
       1, 0, ""},
  };
  for (const CreateCase& c : cases) {
    daemon_.silence(3316).reply(3316, word(c.install_type == 0 ? 0 : -1));  // "OK" whatever it says
    root_.write_file("/mnt/nand/ssl/demoCA/stale", "x");
    EXPECT_EQ(call("/7080", c.body), kTextHead + "OK") << c.body;
    const std::string p = work().back().payload;
    ASSERT_EQ(p.size(), 892u);
    EXPECT_EQ(int_at(p, 0), c.install_type);
    EXPECT_EQ(text_at(p, 4, 3), "DE");
    EXPECT_EQ(text_at(p, 7, 64), "nvr.lan");
    EXPECT_EQ(int_at(p, 72), c.validity);
    EXPECT_EQ(text_at(p, 76, 16), "0123456789abcde");
    EXPECT_EQ(text_at(p, 92, 64), "BY");
    EXPECT_EQ(text_at(p, 156, 64), "M");
    EXPECT_EQ(text_at(p, 220, 64), "O");
    EXPECT_EQ(text_at(p, 284, 64), "C");
    EXPECT_EQ(text_at(p, 348, 64), "a@b.c");
    EXPECT_EQ(text_at(p, 860, 16), c.start);
    EXPECT_EQ(root_.read_file("/mnt/nand/ssl/demoCA/serial"), "01\n");
    EXPECT_TRUE(root_.exists("/mnt/nand/ssl/demoCA/index.txt"));
    EXPECT_TRUE(root_.exists("/mnt/nand/ssl/demoCA/newcerts"));
    EXPECT_FALSE(root_.exists("/mnt/nand/ssl/demoCA/stale"));
  }
  for (const char* bad : {"", "{", R"({"InstallType":"x"})", R"({"InstallType":0,"Validity":"x"})"})
    EXPECT_EQ(call("/7080", bad), "") << bad;
  EXPECT_EQ(work_codes().size(), 2u);
  fast_silence();
  daemon_.silence(3316);
  EXPECT_EQ(call("/7080", "{}"), kTextError);
}

TEST_F(CertTest, HttpsSwitchAndInformationFollowTheCertificateFile) {
  // Off needs no file; on without one changes nothing.
  EXPECT_EQ(call("/7086", R"({"httpsenable":0})"), kTextHead + "OK");
  EXPECT_EQ(call("/7086", R"({"httpsenable":1})"), kTextHead + "NOFILE");
  EXPECT_EQ(call("/7086", R"({"enable":1})"), "");
  ASSERT_TRUE(daemon_.wait_requests(1));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3322}));
  EXPECT_EQ(work()[0].payload, word(0));
  EXPECT_EQ(call("/7081"), kJsonHead + R"({ "enable": 0, "checkfile": "NOFILE" })");
  EXPECT_EQ(call("/7089"), kJsonHead + R"({ "checkfile": "NOFILE" })");

  cert::CertParams rec{};
  strcpy(rec.Country, "DE");
  strcpy(rec.CommonName, "nvr.lan");
  strcpy(rec.Email, "a@b.c");
  strcpy(rec.dates, "2026-01-01 - 2027-01-01");
  ASSERT_EQ(write_ssl_params(kDb, &rec, 0), 0);
  strcpy(rec.CommonName, "req.lan");
  ASSERT_EQ(write_ssl_params(kDb, &rec, 2), 0);
  root_.write_file(kCert, "cert");
  root_.write_file(kCsr, "csr");
  EXPECT_EQ(call("/7086", R"({"httpsenable":1})"), kTextHead + "OK");
  ASSERT_TRUE(daemon_.wait_requests(2));
  EXPECT_EQ(work()[1].payload, word(1));
  EXPECT_EQ(call("/7087"), kJsonHead + R"({ "enable": 1 })");
  EXPECT_EQ(call("/7081"), kJsonHead + R"({ "enable": 1, "checkfile": "OK", "country": "DE", "common_name": "nvr.lan", )"
                                       R"("email": "a@b.c", "dates": "2026-01-01 - 2027-01-01" })");
  EXPECT_EQ(call("/7089"), kJsonHead + R"({ "checkfile": "OK", "country_req": "DE", "common_name_req": "req.lan", )"
                                       R"("email_req": "a@b.c" })");
  // The certificate gone, the information page switches HTTPS off.
  unlink(root_.path(kCert).c_str());
  EXPECT_EQ(call("/7081"), kJsonHead + R"({ "enable": 0, "checkfile": "NOFILE" })");
  EXPECT_EQ(get_param_int(kDb, "httpsenable", -1), 0);
  root_.write_file(kCert, "cert");
  kvdb_fail_writes("params");
  EXPECT_EQ(call("/7086", R"({"httpsenable":1})"), kTextError);
}

TEST_F(CertTest, DownloadDropAndDeleteTheFiles) {
  EXPECT_EQ(call("/7082"), kTextHead + "NotFile");
  root_.write_file(kCsr, "-----BEGIN CERTIFICATE REQUEST-----\n");
  EXPECT_EQ(call("/7082"), "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= "
                           "ssl_cert.csr\r\n\r\n-----BEGIN CERTIFICATE REQUEST-----\n");
  EXPECT_FALSE(root_.exists(kCsr));
  EXPECT_EQ(call("/7083"), kTextHead + "OK");

  set_param_int(kDb, "httpsenable", 1);
  root_.write_file(kCert, "cert");
  root_.write_file(kCsr, "csr");
  kvdb_fail_writes("ssl_params");
  EXPECT_EQ(call("/7085"), kTextError);  // nothing removed when it cannot be recorded
  EXPECT_TRUE(root_.exists(kCert));
  kvdb_sql("ssl_params", "DROP TRIGGER refuse_INSERT_ssl_params; DROP TRIGGER refuse_UPDATE_ssl_params");
  EXPECT_EQ(call("/7085"), kTextHead + "OK");
  EXPECT_FALSE(root_.exists(kCert));
  EXPECT_FALSE(root_.exists(kCsr));
  EXPECT_EQ(get_param_int(kDb, "httpsenable", -1), 0);
  cert::CertParams rec{};
  read_ssl_params(kDb, &rec, 0);
  EXPECT_STREQ(rec.Country, " ");
  EXPECT_STREQ(rec.CommonName, " ");
  EXPECT_STREQ(rec.Email, " ");
  EXPECT_STREQ(rec.dates, " ");
  ASSERT_TRUE(daemon_.wait_requests(3));
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3317, 3320, 3322}));
  EXPECT_EQ(work()[2].payload, word(0));
}

TEST_F(CertTest, InstallTakesOnlyTheUploadOfThisRequest) {
  FakeKvprofile tool(root_);
  root_.write_file(kCert, "old");
  daemon_.reply(3318, word(1));
  EXPECT_EQ(upload("new"), kTextHead + "OK");
  EXPECT_EQ(root_.read_file(kCert), "new");
  EXPECT_EQ(root_.read_file("/mnt/nand/ssl/ssl_cert_save.pem"), "old");
  EXPECT_EQ(root_.read_file("/kvprofile.args"), "-i " + root_.path("/tmp/new.pem") + "\n");
  daemon_.silence(3318).reply(3318, word(0));
  EXPECT_EQ(upload("newer"), kTextHead + "Error");
  EXPECT_EQ(work_codes(), (std::vector<int32_t>{3318, 3318}));
  fast_silence();
  daemon_.silence(3318);
  EXPECT_EQ(upload("newest"), kTextError);

  // A path in the request text is never an upload: nothing runs, nothing moves.
  unlink(root_.path("/kvprofile.args").c_str());
  root_.write_file("/tmp/evil.pem", "evil");
  for (const std::string& text : {root_.path("/tmp/evil.pem"), root_.path("/tmp/evil.pem") + "\"; touch /tmp/pwned; \""})
    EXPECT_EQ(call("/7084", text), "") << text;
  CgiEnv env;
  env.method = "POST";
  env.path_info = "/7084";
  env.content_type = "application/x-www-form-urlencoded";
  EXPECT_EQ(run_cgi(env, root_.path("/tmp/evil.pem")).second, "");
  EXPECT_FALSE(root_.exists("/kvprofile.args"));
  EXPECT_EQ(root_.read_file(kCert), "newest");
  EXPECT_EQ(work_codes().size(), 3u);
}

// ---- P2P ----

class P2pTest : public ModuleTest {};

TEST_F(P2pTest, StatusSwitchAndUnbind) {
  p2p::P2pStatus st{};
  st.enable = 1;
  st.p2pstatus = 1;
  strcpy(st.model, "M8");
  strcpy(st.ipc, "VH1");
  strcpy(st.cloudAccount, "acc");
  strcpy(st.cloudServer, "relay");
  strcpy(st.registerCode, "RC");
  strcpy(st.company, "Co");
  strcpy(st.email, "e@x");
  strcpy(st.dealer, "De");
  st.region = 2;
  daemon_.reply(3702, bytes_of(st));
  EXPECT_EQ(call("/7060"), kJsonHead + R"({ "enable": 1, "company": "Co", "email": "e@x", "p2pstatus": 1, )"
                                       R"("cloudAccount": "acc", "registerCode": "RC", "dealer": "De", "model": "M8", )"
                                       R"("ipc": "VH1", "cloudServer": "relay", "region": 2 })");

  const std::pair<int32_t, const char*> results[] = {{0, "ERR_OK"},          {2, "ERR_NOTFOUND"}, {3, "ERR_NETWORK"},
                                                     {5, "ERR_MAC_FORMAT"},  {6, "ERR_AUTH_FAILED"},
                                                     {7, "ERR_NO_UUID"},     {1, "ERR_UNKNOWN"},  {-1, "ERR_UNKNOWN"}};
  for (const auto& [code, text] : results) {
    daemon_.silence(3700).reply(3700, word(code));
    EXPECT_EQ(call("/7061", R"({"enableP2P":1,"region":3})"), kTextHead + text) << code;
  }
  const std::string enable = work().back().payload;
  EXPECT_EQ(enable, bytes_of([] {
              p2p::P2pInfo r{};
              r.enable = 1;
              r.region = 3;
              return r;
            }()));
  EXPECT_EQ(int_at(enable, 484), 3);

  // Off: the stored record, unchanged, goes with 3701.
  daemon_.reply(3701, word(0));
  EXPECT_EQ(call("/7061", R"({"enableP2P":0,"region":3})"), kTextHead + "OK");
  daemon_.silence(3701).reply(3701, word(4));
  EXPECT_EQ(call("/7061", R"({"enableP2P":0})"), kTextHead + "ERR");
  const std::string off = work().back().payload;
  ASSERT_EQ(off.size(), 488u);
  EXPECT_EQ(text_at(off, 36, 128), "Varenholt");
  EXPECT_EQ(int_at(off, 484), 0);
  for (const char* bad : {"", "{", R"({"region":1})", R"({"enableP2P":"on"})"}) EXPECT_EQ(call("/7061", bad), "") << bad;

  // Unbinding answers res 0 whatever the daemon says.
  for (const std::string& payload : {word(-5), std::string("x")}) {
    daemon_.silence(2302).reply(2302, payload);
    EXPECT_EQ(call("/7095"), kJsonHead + R"({ "res": 0 })");
  }

  fast_silence();
  for (int code : {3700, 3701, 3702, 2302}) daemon_.silence(code);
  EXPECT_EQ(call("/7060"), kJsonError);
  EXPECT_EQ(call("/7095"), kJsonError);
  EXPECT_EQ(call("/7061", R"({"enableP2P":1})"), kTextError);
  EXPECT_EQ(call("/7061", R"({"enableP2P":0})"), kTextError);
}

struct RelayCase {
  bool running;
  RelayMode mode;
  const char* sn;
  const char* answer;
};

TEST_F(P2pTest, RelayTestResultsAgainstTheStandInRelay) {
  P2pRelayAddress saved = p2p_relay_address();
  const RelayCase cases[] = {
      {true, RelayMode::kServe, "SN-1", "0"},      {true, RelayMode::kServe, "", "2"},
      {true, RelayMode::kDrop, "SN-1", "3"},       {true, RelayMode::kBadKey, "SN-1", "4"},
      {false, RelayMode::kServe, "SN-1", "3"},
  };
  CoreRelay relay;
  ASSERT_EQ(relay.start(0), 0) << relay.error();
  const int closed_port = [] {  // a port that was free a moment ago
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return static_cast<int>(ntohs(a.sin_port));
  }();
  for (const RelayCase& c : cases) {
    relay.set_mode(c.mode);
    p2p_relay_address() = {"127.0.0.1", c.running ? relay.port() : closed_port};
    size_t before = work().size();
    std::string body = std::string(R"({"sn":")") + c.sn + R"(","deviceName":"nvr"})";
    EXPECT_EQ(call("/7062", body), kTextHead + c.answer) << c.sn << " " << static_cast<int>(c.mode);
    if (std::string(c.answer) == "0") {
      // The grant goes on to the daemon as text, without waiting.
      ASSERT_TRUE(daemon_.wait_requests(1));
      ASSERT_EQ(work().size(), before + 1);
      EXPECT_EQ(work().back().code, 3700);
      EXPECT_EQ(work().back().payload.rfind("VH-", 0), 0u) << work().back().payload;
      EXPECT_EQ(relay.registrations().at("SN-1").size(), 17u);
    } else {
      EXPECT_EQ(work().size(), before);
    }
    EXPECT_FALSE(root_.exists("/tmp/p2p_key.pem"));
  }
  p2p_relay_address() = saved;
  EXPECT_EQ(call("/7062", "{"), "");
}

TEST(P2pCrypto, EncryptedSizesAndKeyFiles) {
  for (auto [len, size] : {std::pair{0, 0}, {1, 256}, {64, 256}, {214, 256}, {215, 512}, {568, 768}})
    EXPECT_EQ(rsa_cal_ensize(len), size) << len;
  TestRoot root;
  const std::string key = root.path("/tmp/k.pem");
  ASSERT_EQ(p2p_create_keyfile(key.c_str()), 0);
  struct stat st;
  ASSERT_EQ(stat(key.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  root.write_file("/tmp/bad.pem", "junk");
  EXPECT_EQ(p2p_cli_switch_keyfile(0, root.path("/tmp/bad.pem").c_str()), -1);
  char work[64];
  EXPECT_EQ(p2p_send(12345, "x", 1, work, sizeof work), -1);  // no keys for that connection
}

// ---- Against the simulator: real certificates ----

// Signs a request with a throw-away authority.
std::string sign_request(const std::string& csr_pem) {
  BIO* in = BIO_new_mem_buf(csr_pem.data(), static_cast<int>(csr_pem.size()));
  X509_REQ* req = PEM_read_bio_X509_REQ(in, nullptr, nullptr, nullptr);
  BIO_free(in);
  EVP_PKEY* ca = EVP_RSA_gen(2048);
  X509* x = X509_new();
  X509_set_version(x, 2);
  X509_gmtime_adj(X509_getm_notBefore(x), 0);
  X509_gmtime_adj(X509_getm_notAfter(x), 86400);
  X509_set_subject_name(x, X509_REQ_get_subject_name(req));
  X509_set_pubkey(x, X509_REQ_get0_pubkey(req));
  X509_sign(x, ca, EVP_sha256());
  BIO* out = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(out, x);
  char* data = nullptr;
  // Length first: argument order is unspecified (aarch64 read data before the call).
  long len = BIO_get_mem_data(out, &data);
  std::string pem(data, static_cast<size_t>(len));
  BIO_free(out);
  X509_free(x);
  EVP_PKEY_free(ca);
  X509_REQ_free(req);
  return pem;
}

std::string subject_cn(const std::string& pem, int* days) {
  BIO* in = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  X509* x = PEM_read_bio_X509(in, nullptr, nullptr, nullptr);
  BIO_free(in);
  if (!x) return "";
  char cn[64] = "";
  X509_NAME_get_text_by_NID(X509_get_subject_name(x), NID_commonName, cn, sizeof cn);
  int secs = 0;
  ASN1_TIME_diff(days, &secs, X509_get0_notBefore(x), X509_get0_notAfter(x));
  X509_free(x);
  return cn;
}

TEST(CertOnCoreSim, SelfSignedThenARequestSignedElsewhereIsInstalled) {
  TestRoot root;
  setenv("NVR_TIME_SCALE", "0.2", 1);  // the simulator makes real RSA keys
  nvr_env_reload();
  FakeKvprofile tool(root);
  CoreSim sim;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  EXPECT_EQ(call_route("/7080", R"({"InstallType":0,"Validity":10,"Country":"DE","CommonName":"nvr.lan","Email":"a@b.c"})"),
            kTextHead + "OK");
  int days = 0;
  EXPECT_EQ(subject_cn(root.read_file(kCert), &days), "nvr.lan");
  EXPECT_EQ(days, 10);
  EXPECT_NE(call_route("/7081", "").find(R"("checkfile": "OK", "country": "DE", "common_name": "nvr.lan", )"
                                         R"("email": "a@b.c", "dates": "20)"),
            std::string::npos);

  EXPECT_EQ(call_route("/7080", R"({"InstallType":1,"Country":"DE","CommonName":"signed.lan"})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/7089", ""), kJsonHead + R"({ "checkfile": "OK", "country_req": "DE", )"
                                                 R"("common_name_req": "signed.lan", "email_req": "" })");
  EXPECT_EQ(upload(sign_request(root.read_file(kCsr))), kTextHead + "OK");
  EXPECT_NE(call_route("/7081", "").find(R"("common_name": "signed.lan")"), std::string::npos);
  // A file that is no certificate of ours is refused and the good one put back.
  EXPECT_EQ(upload("junk"), kTextHead + "Error");
  EXPECT_EQ(subject_cn(root.read_file(kCert), &days), "signed.lan");
  EXPECT_EQ(coresim_cert_state(sim.device()).installs, 1);
  EXPECT_EQ(coresim_cert_state(sim.device()).refused, 1);
  sim.stop();
}

TEST(P2pOnCoreSim, RegistrationReachesTheStatusPage) {
  TestRoot root;
  CoreSim sim;
  CoreRelay relay;
  ASSERT_EQ(sim.start(), 0) << sim.error();
  ASSERT_EQ(relay.start(0), 0) << relay.error();
  P2pRelayAddress saved = p2p_relay_address();
  p2p_relay_address() = {"127.0.0.1", relay.port()};
  EXPECT_EQ(call_route("/7061", R"({"enableP2P":1,"region":9})"), kTextHead + "ERR_NOTFOUND");
  EXPECT_EQ(call_route("/7061", R"({"enableP2P":1,"region":1})"), kTextHead + "ERR_OK");
  EXPECT_EQ(call_route("/7062", R"({"sn":"SN-9","deviceName":"nvr"})"), kTextHead + "0");
  for (int i = 0; i < 100 && coresim_p2p_state(sim.device()).register_code.empty(); ++i) usleep(10000);
  std::string status = call_route("/7060", "");
  EXPECT_NE(status.find(R"({ "enable": 1, "company": "Varenholt", )"), std::string::npos) << status;
  EXPECT_NE(status.find(R"("p2pstatus": 1, "cloudAccount": "", "registerCode": "VH-)"), std::string::npos) << status;
  EXPECT_NE(status.find(R"("cloudServer": "127.0.0.1", "region": 1 })"), std::string::npos) << status;
  EXPECT_EQ(call_route("/7061", R"({"enableP2P":0})"), kTextHead + "OK");
  EXPECT_EQ(call_route("/7095", ""), kJsonHead + R"({ "res": 0 })");
  EXPECT_NE(call_route("/7060", "").find(R"("enable": 0, )"), std::string::npos);
  p2p_relay_address() = saved;
  relay.stop();
  sim.stop();
}
}  // namespace

// ---- Golden table: codes and waits of the certificate and P2P requests ----

TEST(CertGolden, CodesAndWaits) {
  expect_codes({
      {cert::kReqCreate, 3316, 1000},   {cert::kReqDropRequest, 3317, 1000}, {cert::kReqInstall, 3318, 1000},
      {cert::kReqRemove, 3320, 1000},   {cert::kReqHttps, 3322, 1000},       {p2p::kReqEnable, 3700, 1500},
      {p2p::kReqDisable, 3701, 1000},   {p2p::kReqStatus, 3702, 1500},       {p2p::kReqUnbind, 2302, 1000},
  });
  EXPECT_EQ(p2p::kRelayPort, 9999);
  EXPECT_EQ(sizeof(cert::CertParams), 892u);
  EXPECT_EQ(sizeof(p2p::P2pInfo), 488u);
  EXPECT_EQ(sizeof(p2p::P2pStatus), 748u);
  EXPECT_EQ(sizeof(p2p::RelayRegistration), 568u);
}
