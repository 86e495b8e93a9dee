// Sign-in, the sign-in link of notification e-mails, and the web client's
// language list.
#include <fcntl.h>
#include <strings.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "cgi/cgic.h"
#include "common/ipc.h"
#include "common/spawn.h"
#include "proto/system_proto.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"
#include "common/web_utils.h"
#include "modules/system/session.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_users.h"
#include "proto/oplog.h"

namespace {

constexpr int kLoginWrongPassword = -1;
constexpr int kLoginNotAllowed = -2;
constexpr int kSessionDigits = 32;
constexpr int kLanguageListMin = 19;

struct CookieValue {
  const char* name;
  const char* value;
};
// The e-mail sign-in opens a short guest session.
constexpr CookieValue kMailCookies[] = {
    {"userName", "temp"}, {"userType", "2"}, {"permission", "0"}, {"sessionId", "0"}, {"language", "en-US"},
};
constexpr int kMailCookieSeconds = 600;
constexpr size_t kCookieDomainMax = 49;

int login_result(const UserRec& u, const char* md5) {
  // A name not in use (id -1) or an account without a digest never signs in.
  bool match = u.id >= 0 && u.password[0] && strcasecmp(u.password, md5) == 0;
  int type = match ? u.type : kLoginWrongPassword;
  if (u.type == kUserTypeNoWeb) type = kLoginNotAllowed;
  return type;
}

// Everything after `type` in a successful sign-in reply; false when no
// session identifier could be made.
bool add_login_details(json_object* o, const UserRec& u) {
  char session[kSessionDigits + 1] = "";
  if (get_session_id(session) != 0) return false;
  // Kept only for the opt-in session check; a sign-in never fails over it.
  session_store(session, u.name, u.type);
  char hardware[32], software[256], model[256];
  get_param_value(devpaths::kKvdb, "hardware_version", hardware, sizeof hardware, "V1.1");
  get_param_value(devpaths::kKvdb, "software_version", software, sizeof software, "7x.7.0.9");
  get_param_value(devpaths::kKvdb, "model", model, sizeof model, "");
  json_add_field(o, "userName", u.name);
  for (const UserSide& side : kUserSides) add_user_side_json(o, u, side, side.login_permission_key);
  json_add_text(o, "sessionId", session);
  json_add_int(o, "failoverMode", get_param_int(devpaths::kKvdb, "failover_mode", 0));
  json_add_int(o, "sameChannel", get_param_int(devpaths::kKvdb, "same_channel_exist", 0) == 2 ? 1 : 0);
  json_add_text(o, "hardwareVersion", hardware);
  json_add_text(o, "softwareVersion", software);
  json_add_text(o, "model", model);
  return true;
}

void log_sign_in(const char* login_name) {
  OpLogRecord rec{};
  cgi_init_log_info(&rec);
  rec.sub_type = kLogSubSignIn;
  rec.param_type = kLogParamDisk;
  copy_text(rec.user, login_name);
  ipc_send(on_system_ipc_callback, kReqOpLog, rec);
}

bool random_bytes(unsigned char* p, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = getrandom(p + got, n - got, 0);
    if (r > 0)
      got += static_cast<size_t>(r);
    else if (r < 0 && errno != EINTR)
      break;
  }
  if (got == n) return true;
  // Kernels without getrandom still have the device.
  int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (got < n) {
    ssize_t r = read(fd, p + got, n - got);
    if (r > 0)
      got += static_cast<size_t>(r);
    else if (r == 0 || errno != EINTR)
      break;
  }
  close(fd);
  return got == n;
}

bool is_boolean_member(const json_object* o, const char* key) {
  json_object* v = nullptr;
  return json_object_object_get_ex(o, key, &v) && json_object_is_type(v, json_type_boolean);
}

constexpr JsonRule kLanguageEntryRules[] = {
    {"value", true, JsonType::kText, 1, INT_MAX},
    {"name", true, JsonType::kText, 1, INT_MAX},
};

// The whole check of "/1001": nothing is written unless it holds.
bool valid_language_list(const json_object* req) {
  static constexpr JsonRule kRules[] = {
      {"defaultLan", true, JsonType::kText, 1, INT_MAX},
      {"list", true, JsonType::kArray, kLanguageListMin, INT_MAX},
  };
  char default_lan[256] = "";
  json_object* list = nullptr;
  if (!json_check(req, kRules) || json_object_object_length(req) != 2) return false;
  json_get_text(req, "defaultLan", default_lan, sizeof default_lan);
  json_get_array(req, "list", &list);
  if (!default_lan[0]) return false;  // a text that starts with NUL
  for (size_t i = 0; i < json_array_size(list); ++i) {
    const json_object* e = json_array_at(list, i);
    if (!json_check(e, kLanguageEntryRules) || !is_boolean_member(e, "isDefault")) return false;
  }
  return true;
}

// Staging file first, then one rename: the live list is always whole.
bool replace_language_list(const char* text) {
  const std::string staging = dev_path(devpaths::kLanguagesBak);
  const std::string live = dev_path(devpaths::kLanguages);
  unlink(staging.c_str());  // a leftover of a writer that was killed
  FILE* f = fopen(staging.c_str(), "w+");
  if (!f) return false;
  bool ok = fputs(text, f) >= 0 && fputc('\n', f) != EOF && fflush(f) == 0 && fsync(fileno(f)) == 0;
  ok = fclose(f) == 0 && ok;
  if (ok) ok = rename(staging.c_str(), live.c_str()) == 0;
  if (!ok) unlink(staging.c_str());
  return ok;
}

}  // namespace

void config_ssl_params() {
  for (const char* dir : {devpaths::kSslDir, devpaths::kSslTmpDir})
    if (access(dev_path(dir).c_str(), F_OK) != 0) run_argv({"mkdir", dev_path(dir).c_str()});
}

int get_session_id(char* buf) {
  if (!buf) return -1;
  int n = 0;
  while (n < kSessionDigits) {
    unsigned char bytes[64];
    if (!random_bytes(bytes, sizeof bytes)) return -1;
    for (unsigned char b : bytes)
      if (b < 250 && n < kSessionDigits) buf[n++] = static_cast<char>('0' + b % 10);  // 250: no bias
  }
  buf[n] = '\0';
  return 0;
}

int time_to_string_local_ex(long seconds, char* buf) {
  if (!buf) return -1;
  struct tm t{};
  const time_t when = static_cast<time_t>(seconds);
  if (!localtime_r(&when, &t)) {
    buf[0] = '\0';
    return -1;
  }
  snprintf(buf, 32, "%4d-%02d-%02d_%02d_%02d_%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
           t.tm_min, t.tm_sec);
  return 0;
}

void on_user_login(char* text) {
  if (!text || !*text) return;
  JsonPtr req = json_parse(text);
  if (!req) return;
  config_ssl_params();

  char name[256] = "";
  char md5[33] = "";
  json_get_text(req.get(), "userName", name, sizeof name);
  json_get_text(req.get(), "md5", md5, sizeof md5);
  UserRec u{};
  read_user_by_name(devpaths::kKvdb, &u, name);

  int type = login_result(u, md5);
  JsonPtr reply(json_object_new_object());
  json_add_int(reply.get(), "type", type);
  if (type != kLoginWrongPassword && type != kLoginNotAllowed) {
    if (!add_login_details(reply.get(), u)) return;
    log_sign_in(name);
  }
  cgi_writeback_webserver(0, json_object_to_json_string(reply.get()));
}

void on_user_login_from_mail_cb(const IpcReply& r) {
  int32_t status = r.count >= 1 ? r.word() : -1;
  if (status == 0) {
    char domain[kCookieDomainMax + 1] = "";
    const char* host = cgiServerAddr ? cgiServerAddr : "";
    copy_text(domain, std::min(strcspn(host, ":"), kCookieDomainMax) + 1, host);
    for (const CookieValue& c : kMailCookies)
      cgiHeaderCookieSetString(c.name, c.value, kMailCookieSeconds, "/", domain);
    cgiHeaderLocation("../../html/index.html");
  } else {
    cgiHeaderLocation("../../html/home.html");
  }
  fflush(cgiOut);
  g_callback_done.store(1);
}

void on_user_login_from_mail(char* text) {
  if (!text || !*text) return;
  char link[sys::kMailLinkBytes] = {};
  copy_text(link, text);
  ipc_request(on_system_ipc_callback, sys::kReqMailLogin, link, ErrMode::kText);
}

void on_change_language(char* text) {
  if (!text) return;
  JsonPtr req = json_parse_whole(text);
  if (!req || !valid_language_list(req.get())) return;
  int fd = file_lock(dev_path(devpaths::kLockFile).c_str());
  if (fd < 0) return;
  // What was checked is what is stored, never the raw body.
  bool replaced = replace_language_list(
      json_object_to_json_string_ext(req.get(), JSON_C_TO_STRING_PLAIN | JSON_C_TO_STRING_NOSLASHESCAPE));
  file_unlock(fd);
  if (replaced) cgi_writeback_webserver(0, "OK");
}
