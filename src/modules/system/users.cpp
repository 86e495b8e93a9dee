// User accounts: list, create, change, delete; the OEM account list; the
// PoE-camera password operations and the two "changed" flags.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/reply.h"
#include "proto/system_proto.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"
#include "common/web_utils.h"
#include "modules/system/system_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_users.h"

namespace {

using namespace sys;
constexpr size_t kPasswordChars = 32;

// Members a create or change may carry besides the ones its own table
// requires; a member of the wrong type refuses the request.
constexpr JsonRule kUserMemberRules[] = {
    {"name", false, JsonType::kText, 1, INT_MAX},
    {"password", false, JsonType::kText, 0, INT_MAX},
    {"type", false, JsonType::kInt, 0, 3},
    {"localliveview", false, JsonType::kText, 0, INT_MAX},
    {"localplayback", false, JsonType::kText, 0, INT_MAX},
    {"remoteliveview", false, JsonType::kText, 0, INT_MAX},
    {"remoteplayback", false, JsonType::kText, 0, INT_MAX},
};

constexpr JsonRule kNewUserRules[] = {
    {"name", true, JsonType::kText, 1, INT_MAX},
    {"type", true, JsonType::kInt, 0, 3},
    {"permission", true, JsonType::kInt, -1, INT_MAX},
    {"remotePermission", true, JsonType::kInt, -1, INT_MAX},
};

constexpr JsonRule kChangeUserRules[] = {
    {"id", true, JsonType::kInt, 0, kMaxUsers - 1},
};

constexpr JsonRule kDeleteUserRules[] = {
    {"id", true, JsonType::kInt, 0, kMaxUsers - 1},
    {"type", true, JsonType::kInt, 0, 3},
};

bool rights_valid(const json_object* req) {
  for (const UserSide& side : kUserSides)
    for (const UserIntField& r : side.rights)
      if (json_get_int(req, r.key, nullptr) == JsonGet::kBadType) return false;
  return true;
}

bool user_request_valid(const json_object* req, const JsonRule* rules, size_t n) {
  return json_check(req, rules, n) && json_check(req, kUserMemberRules) && rights_valid(req);
}

template <size_t N>
bool user_request_valid(const json_object* req, const JsonRule (&rules)[N]) {
  return user_request_valid(req, rules, N);
}

// Overwrites the fields the request carries: name, password, type, the
// rights and the channel lists (whose masks follow them).
void apply_user_members(const json_object* req, UserRec* u) {
  json_get_text(req, "name", u->name, sizeof u->name);
  json_get_text(req, "password", u->password, kPasswordChars + 1);
  json_get_int(req, "type", &u->type);
  for (const UserSide& side : kUserSides) {
    for (const UserIntField& r : side.rights) json_get_int(req, r.key, &(u->*r.field));
    for (const UserListField& l : side.lists) json_get_text(req, l.key, u->*l.field, sizeof(u->*l.field));
  }
  user_build_masks(u);
}

// Tells the core daemon to reload the accounts; id < 0 sends no payload.
void notify_users_changed(int32_t id) {
  if (id < 0)
    ipc_send(on_system_ipc_callback, kReqUsersChanged);
  else
    ipc_send(on_system_ipc_callback, kReqUsersChanged, id);
}

// The members both account lists start with.
template <class Rec>
void add_account_head(json_object* o, const Rec& u) {
  json_add_int(o, "id", u.id);
  json_add_int(o, "enable", u.enable);
  json_add_field(o, "name", u.name);
  json_add_field(o, "password", u.password);
  json_add_int(o, "type", u.type);
}

void reset_flag(const char* key) {
  if (set_param_int(devpaths::kKvdb, key, 0) == 0) cgi_writeback_webserver(0, "OK");
}

}  // namespace

void add_user_side_json(json_object* o, const UserRec& u, const UserSide& side, const char* permission_key) {
  json_add_int(o, permission_key, u.*side.permission);
  for (const UserIntField& r : side.rights) json_add_int(o, r.key, u.*r.field);
  for (const UserListField& l : side.lists) json_add_field(o, l.key, u.*l.field);
}

void on_get_user_list(char*) {
  std::vector<UserRec> users(kMaxUsers);
  if (read_users(devpaths::kKvdb, users.data(), nullptr) != 0) return;
  JsonPtr list(json_object_new_array());
  for (const UserRec& u : users) {
    if (u.enable == 0) continue;
    json_object* o = json_object_new_object();
    add_account_head(o, u);
    for (const UserSide& side : kUserSides) add_user_side_json(o, u, side, side.permission_key);
    json_object_array_add(list.get(), o);
  }
  cgi_writeback_webserver(1, json_object_to_json_string(list.get()));
}

void on_add_new_user(char* text) {
  if (!text || !*text) return;
  if (read_user_count(devpaths::kKvdb) >= kMaxUsers) {
    cgi_writeback_webserver(0, "FAILED_FULL");
    return;
  }
  JsonPtr req = json_parse(text);
  if (!req || !user_request_valid(req.get(), kNewUserRules)) return;

  UserRec u{};
  u.enable = 1;
  apply_user_members(req.get(), &u);
  json_get_int(req.get(), "permission", &u.permission);
  json_get_int(req.get(), "remotePermission", &u.remote_permission);
  copy_text(u.short_text, "0");
  if (!u.name[0]) return;  // a name that starts with NUL

  switch (add_user(devpaths::kKvdb, &u)) {
    case 0:
      break;
    case kAddUserSameName:
      cgi_writeback_webserver(0, "SAMEUSER");
      return;
    case kAddUserFull:
      cgi_writeback_webserver(0, "FAILED_FULL");
      return;
    default:
      return;  // nothing stored: no answer that could pass for success
  }
  notify_users_changed(-1);
  send_op_log(on_system_ipc_callback, kLogSubSetting, kLogParamUserAdded, 0);
  char answer[16];
  snprintf(answer, sizeof answer, "id=%d", u.id);
  cgi_writeback_webserver(0, answer);
}

void on_set_user_info(char* text) {
  if (!text || !*text) return;
  JsonPtr req = json_parse(text);
  if (!req || !user_request_valid(req.get(), kChangeUserRules)) return;
  int id = -1;
  json_get_int(req.get(), "id", &id);
  UserRec u{};
  // Only an account in use can be changed: a free slot is made by "/6071".
  if (read_user(devpaths::kKvdb, &u, id) != 0 || u.enable == 0) return;
  u.enable = 1;

  char name[sizeof u.name] = "";
  if (json_get_text(req.get(), "name", name, sizeof name) == JsonGet::kOk) {
    if (!name[0]) return;
    UserRec other{};
    read_user_by_name(devpaths::kKvdb, &other, name);
    if (other.id >= 0 && other.id != id) {
      cgi_writeback_webserver(0, "SAMEUSER");
      return;
    }
  }
  apply_user_members(req.get(), &u);
  if (write_user(devpaths::kKvdb, &u) != 0) return;
  notify_users_changed(id);
  cgi_writeback_webserver(0, "OK");
}

void on_del_user_info(char* text) {
  if (!text || !*text) return;
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kDeleteUserRules)) return;
  int id = -1;
  json_get_int(req.get(), "id", &id);
  // The last administrator stays: without one nobody could manage the recorder.
  if (delete_user(devpaths::kKvdb, id) != 0) return;
  notify_users_changed(id);
  send_op_log(on_system_ipc_callback, kLogSubSetting, kLogParamUserDeleted, 0);
  cgi_writeback_webserver(0, "OK");
}

void on_get_oem_user_list(char*) {
  std::vector<OemUserRec> users(kMaxUsers);
  int count = 0;
  if (read_users_oem(devpaths::kOemDb, users.data(), &count) != 0) return;
  JsonPtr list(json_object_new_array());
  for (int i = 0; i < count; ++i) {
    const OemUserRec& u = users[static_cast<size_t>(i)];
    if (u.enable == 0) continue;
    json_object* o = json_object_new_object();
    add_account_head(o, u);
    json_add_int(o, "permission", u.permission);
    json_add_int(o, "remotePermission", u.remote_permission);
    json_object_array_add(list.get(), o);
  }
  cgi_writeback_webserver(1, json_object_to_json_string(list.get()));
}

void on_modify_poe_camera_pwd_cb(const IpcReply& r) {
  if (r.count < 1) return;  // not even a status: the handler's error reply stands
  char answer[16];
  snprintf(answer, sizeof answer, "%d", r.word());
  answer_text(answer);
}

void on_modify_poe_camera_pwd(char*) { ipc_request(on_system_ipc_callback, kReqPoePwdChange, ErrMode::kJson); }

void on_apply_poe_camera_pwd(char*) {
  ipc_send(on_system_ipc_callback, kReqPoePwdApply);
  cgi_writeback_webserver(0, "OK");
}

void on_cgi_set_user_info(char*) {
  notify_users_changed(-1);
  cgi_writeback_webserver(0, "OK");
}

void on_reset_kvfs_dbup(char*) { reset_flag("kvfs_dbup"); }

void on_reset_permission_update(char*) { reset_flag("permission_update"); }
