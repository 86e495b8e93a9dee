// User accounts: the "user" table of kvdb.db and the OEM user list.
#include "platform/kvdb_users.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "platform/kvdb.h"

namespace {

int factory_users(kvdb::Txn& t);

constexpr kvdb::Column kUserCols[] = {
    KVDB_COL(UserRec, id),
    KVDB_COL(UserRec, enable),
    KVDB_COL(UserRec, name),
    KVDB_COL(UserRec, password),
    KVDB_COL(UserRec, type),
    KVDB_COL(UserRec, localliveview),
    KVDB_COL(UserRec, localplayback),
    KVDB_COL(UserRec, remoteliveview),
    KVDB_COL(UserRec, remoteplayback),
    KVDB_COL(UserRec, aux_text),
    KVDB_COL(UserRec, short_text),
    KVDB_COL(UserRec, local_live_view),
    KVDB_COL(UserRec, local_playback),
    KVDB_COL(UserRec, local_retrieve),
    KVDB_COL(UserRec, local_smart_analysis),
    KVDB_COL(UserRec, local_event),
    KVDB_COL(UserRec, local_camera),
    KVDB_COL(UserRec, local_storage),
    KVDB_COL(UserRec, local_settings),
    KVDB_COL(UserRec, local_status),
    KVDB_COL(UserRec, local_shutdown),
    KVDB_COL(UserRec, remote_live_view),
    KVDB_COL(UserRec, remote_playback),
    KVDB_COL(UserRec, remote_retrieve),
    KVDB_COL(UserRec, remote_smart_analysis),
    KVDB_COL(UserRec, remote_event),
    KVDB_COL(UserRec, remote_camera),
    KVDB_COL(UserRec, remote_storage),
    KVDB_COL(UserRec, remote_settings),
    KVDB_COL(UserRec, remote_status),
    KVDB_COL(UserRec, remote_shutdown),
    KVDB_COL(UserRec, permission),
    KVDB_COL(UserRec, remote_permission),
    KVDB_COL(UserRec, local_live_mask),
    KVDB_COL(UserRec, local_playback_mask),
    KVDB_COL(UserRec, remote_live_mask),
    KVDB_COL(UserRec, remote_playback_mask),
};
constexpr kvdb::Family kUserFamily = kvdb::family<UserRec>("user", "user", kUserCols, 1, factory_users);
KVDB_REGISTER(kUserFamily);

constexpr kvdb::Column kOemUserCols[] = {
    KVDB_COL(OemUserRec, id),   KVDB_COL(OemUserRec, enable),     KVDB_COL(OemUserRec, name),
    KVDB_COL(OemUserRec, password), KVDB_COL(OemUserRec, type),   KVDB_COL(OemUserRec, permission),
    KVDB_COL(OemUserRec, remote_permission),
};
constexpr kvdb::Family kOemUserFamily =
    kvdb::family<OemUserRec>("oem_user", "oem_user", kOemUserCols, 1, nullptr, devpaths::kOemDb);
KVDB_REGISTER(kOemUserFamily);

bool valid_slot(int id) { return id >= 0 && id < kMaxUsers; }

bool is_md5_hex(const char* s) {
  size_t n = 0;
  for (; s[n]; ++n)
    if (!isxdigit(static_cast<unsigned char>(s[n]))) return false;
  return n == 32;
}

// A text parameter read inside an open transaction (a second connection
// would wait on this one while the database is being created).
bool param_in(kvdb::Txn& t, const char* key, char* out, size_t size) {
  const kvdb::Family* f = kvdb::find_family("params");
  if (!f) return false;
  const kvdb::Column* value = nullptr;
  for (uint32_t i = 0; i < f->ncols; ++i)
    if (strcmp(f->cols[i].name, "value") == 0 && f->cols[i].type == kvdb::ColType::kText) value = &f->cols[i];
  if (!value) return false;
  std::vector<char> rec(f->size);
  if (t.get(*f, nullptr, {{"key", 0, key}}, rec.data()) != 0) return false;
  copy_text(out, size < value->width ? size : value->width, rec.data() + value->offset);
  return true;
}

void fill_list(char (&list)[65]) {
  memset(list, '1', 64);
  list[64] = '\0';
}

int factory_users(kvdb::Txn& t) {
  UserRec u{};
  u.enable = 1;
  copy_text(u.name, "admin");
  char md5[64] = "";
  bool chosen = param_in(t, kFactoryAdminMd5Key, md5, sizeof md5) && is_md5_hex(md5);
  copy_text(u.password, chosen ? md5 : kFallbackAdminMd5);
  for (char* p = u.password; *p; ++p) *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
  copy_text(u.short_text, "0");
  for (const UserSide& side : kUserSides) {
    u.*side.permission = -1;
    for (const UserIntField& r : side.rights) u.*r.field = 1;
    for (const UserListField& l : side.lists) fill_list(u.*l.field);
  }
  user_build_masks(&u);
  return t.put(kUserFamily, nullptr, {}, &u);
}

// Slot of the account in use named `name`: >= 0, -1 none, -2 error.
int slot_in_use(kvdb::Txn& t, const char* name, UserRec* out) {
  std::vector<UserRec> rows(kMaxUsers);
  int n = 0;
  if (t.get_list(kUserFamily, nullptr, {{"name", 0, name}}, rows.data(), kMaxUsers, &n) != 0) return -2;
  for (int i = 0; i < n; ++i) {
    if (rows[i].enable == 0 || !valid_slot(rows[i].id)) continue;
    if (out) *out = rows[i];
    return rows[i].id;
  }
  return -1;
}

}  // namespace

uint64_t user_channel_mask(const char* list) {
  uint64_t mask = 0;
  for (int i = 0; list && i < 64 && list[i]; ++i)
    if (list[i] == '1') mask |= uint64_t{1} << i;
  return mask;
}

void user_build_masks(UserRec* u) {
  for (const UserSide& side : kUserSides)
    for (const UserListField& l : side.lists) u->*l.mask = user_channel_mask(u->*l.field);
}

int read_user_by_name(const char* path, UserRec* u, const char* name) {
  if (!u) return -1;
  *u = UserRec{};
  u->id = -1;
  if (!name || !*name) return -1;
  kvdb::Txn t(path, kvdb::Txn::kRead, &kUserFamily);
  UserRec found{};
  if (slot_in_use(t, name, &found) < 0) return -1;
  *u = found;
  return 0;
}

int read_user(const char* path, UserRec* u, int id) {
  if (!u || !valid_slot(id)) return -1;
  *u = UserRec{};
  kvdb::Txn t(path, kvdb::Txn::kRead, &kUserFamily);
  if (t.get(kUserFamily, nullptr, {{"id", id}}, u) < 0) return -1;
  u->id = id;
  return 0;
}

int read_users(const char* path, UserRec* users, int* count) {
  if (count) *count = 0;
  if (!users) return -1;
  if (kvdb::read_slots(path, kUserFamily, nullptr, "id", users, kMaxUsers) != 0) return -1;
  for (int i = 0; i < kMaxUsers; ++i) users[i].id = i;
  if (count) *count = kMaxUsers;
  return 0;
}

int read_user_count(const char* path) {
  std::vector<UserRec> users(kMaxUsers);
  if (read_users(path, users.data(), nullptr) != 0) return -1;
  int n = 0;
  for (const UserRec& u : users) n += u.enable != 0;
  return n;
}

int add_user(const char* path, UserRec* u) {
  if (!u) return -1;
  int outcome = 0;
  int r = kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    int same = slot_in_use(t, u->name, nullptr);
    if (same == -2) return -1;
    if (same >= 0) {
      outcome = kAddUserSameName;
      return 0;
    }
    int slot = t.first_free(kUserFamily, nullptr, "id", kMaxUsers, "enable");
    if (slot < 0) {
      outcome = kAddUserFull;
      return t.ok() ? 0 : -1;
    }
    u->id = slot;
    return t.put(kUserFamily, nullptr, {}, u);
  }, &kUserFamily);
  return r < 0 ? -1 : outcome;
}

int write_user(const char* path, const UserRec* u) {
  if (!u || !valid_slot(u->id)) return -1;
  return kvdb::write_one(path, kUserFamily, nullptr, {}, u);
}

int delete_user(const char* path, int id) {
  if (!valid_slot(id)) return -1;
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    std::vector<UserRec> rows(kMaxUsers);
    int n = 0;
    if (t.get_list(kUserFamily, nullptr, {}, rows.data(), kMaxUsers, &n) != 0) return -1;
    int admins = 0;
    bool target_admin = false;
    for (int i = 0; i < n; ++i) {
      if (rows[i].enable == 0 || rows[i].type != kUserTypeAdmin) continue;
      ++admins;
      target_admin = target_admin || rows[i].id == id;
    }
    if (target_admin && admins == 1) return -1;
    UserRec freed{};
    freed.id = id;
    return t.put(kUserFamily, nullptr, {}, &freed);
  }, &kUserFamily);
}

int read_users_oem(const char* path, OemUserRec* users, int* count) {
  if (count) *count = 0;
  if (!path || !users || access(dev_path(path).c_str(), F_OK) != 0) return -1;
  return kvdb::read_list(path, kOemUserFamily, nullptr, {}, users, kMaxUsers, count);
}
