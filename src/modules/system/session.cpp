#include "modules/system/session.h"

#include <cstring>
#include <ctime>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "cgi/cgic.h"
#include "cgi/dispatchreq.h"
#include "platform/kvdb.h"

namespace {
struct WebSession {
  char id[33];
  char user[64];
  int32_t type;
  int64_t expires;  // seconds since the epoch
};

constexpr kvdb::Column kSessionCols[] = {KVDB_COL(WebSession, id), KVDB_COL(WebSession, user),
                                         KVDB_COL(WebSession, type), KVDB_COL(WebSession, expires)};
constexpr kvdb::Family kSessionFamily = kvdb::family<WebSession>("web_session", "web_session", kSessionCols, 1);
KVDB_REGISTER(kSessionFamily);

constexpr int32_t kAdminType = 0;

// Sign-in and what the sign-in page loads before it.
constexpr const char* kOpenRoutes[] = {"/1000", "/1018", "/json"};
// Accounts, maintenance and service commands.
constexpr const char* kAdminRoutes[] = {
    "/6070", "/6071", "/6072", "/6073", "/6074", "/6075", "/6076", "/6077", "/1023", "/1024", "/vb.htm",
    "/1004", "/1005", "/1006", "/1007", "/1008", "/1010", "/1011", "/1013", "/1016", "/1017", "/1019",
    "/1032", "/1033", "/1034", "/6082", "/6083", "/6084", "/6085", "/6086", "/6087", "/6088", "/6089",
    "/oem",  "/6310", "/6311", "/6320", "/6321", "/6322", "/6323", "/6324", "/6325",
};

template <size_t N>
bool listed(const char* route, const char* const (&list)[N]) {
  for (const char* r : list)
    if (strcmp(r, route) == 0) return true;
  return false;
}

bool refuse() {
  if (cgiOut) {
    fputs("Status: 403 Forbidden\r\nContent-type: text/plain\r\n\r\nCGI ERROR", cgiOut);
    fflush(cgiOut);
  }
  return false;
}

bool session_id_ok(const char* id) {
  size_t n = strlen(id);
  if (n == 0 || n > 32) return false;
  for (size_t i = 0; i < n; ++i)
    if (id[i] < '0' || id[i] > '9') return false;
  return true;
}

[[maybe_unused]] const bool kGuardInstalled = (WebReqSetGuard(session_allows), true);
}  // namespace

int session_store(const char* session_id, const char* user, int32_t user_type) {
  WebSession s{};
  copy_text(s.id, session_id);
  copy_text(s.user, user);
  s.type = user_type;
  const int64_t now = time(nullptr);
  s.expires = now + kSessionSeconds;
  return kvdb::transact(devpaths::kKvdb, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    if (t.ensure_table(kSessionFamily, nullptr) != 0) return -1;
    // Expired sessions go as new ones come.
    std::vector<WebSession> rows(256);
    int n = 0;
    if (t.get_list(kSessionFamily, nullptr, {}, rows.data(), static_cast<int>(rows.size()), &n) != 0) return -1;
    for (int i = 0; i < n; ++i)
      if (rows[i].expires <= now && t.remove(kSessionFamily, nullptr, {{"id", 0, rows[i].id}}) < 0) return -1;
    return t.put(kSessionFamily, nullptr, {}, &s);
  }, &kSessionFamily);
}

bool session_allows(const char* route) {
  if (listed(route, kOpenRoutes)) return true;
  if (get_param_int(devpaths::kKvdb, kSessionCheckKey, 0) != 1) return true;
  char id[40] = "";
  if (cgiCookieString("sessionId", id, sizeof id) != cgiFormSuccess || !session_id_ok(id)) return refuse();
  WebSession s{};
  if (kvdb::read_one(devpaths::kKvdb, kSessionFamily, nullptr, {{"id", 0, id}}, &s) != 0) return refuse();
  if (s.expires <= static_cast<int64_t>(time(nullptr))) return refuse();
  if (listed(route, kAdminRoutes) && s.type != kAdminType) return refuse();
  return true;
}
