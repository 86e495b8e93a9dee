// User accounts of the configuration database: 100 fixed slots (id 0..99)
// in kvdb.db, and the read-only user list of the factory OEM database.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr int kMaxUsers = 100;
inline constexpr int kUserRightCount = 10;
inline constexpr int kUserTypeNoWeb = 3;  // may not sign in to the web interface

struct UserRec {
  int32_t id;      // slot 0..99; -1 in a record the name lookup did not fill
  int32_t enable;  // 1 in use, 0 free slot
  char name[64];
  char password[36];  // MD5 digest, 32 hex digits
  int32_t type;       // 0..3
  char localliveview[65];  // one character per channel, '1' = allowed
  char localplayback[65];
  char remoteliveview[65];
  char remoteplayback[65];
  char aux_text[33];    // kept as stored, not used by the web pages
  char short_text[16];  // "0" for a created account
  int32_t local_live_view;
  int32_t local_playback;
  int32_t local_retrieve;
  int32_t local_smart_analysis;
  int32_t local_event;
  int32_t local_camera;
  int32_t local_storage;
  int32_t local_settings;
  int32_t local_status;
  int32_t local_shutdown;
  int32_t remote_live_view;
  int32_t remote_playback;
  int32_t remote_retrieve;
  int32_t remote_smart_analysis;
  int32_t remote_event;
  int32_t remote_camera;
  int32_t remote_storage;
  int32_t remote_settings;
  int32_t remote_status;
  int32_t remote_shutdown;
  int32_t permission;         // local permission bits, -1 allowed
  int32_t remote_permission;  // remote permission bits, -1 allowed
  // Bit masks of the four channel lists, in the same order.
  uint64_t local_live_mask;
  uint64_t local_playback_mask;
  uint64_t remote_live_mask;
  uint64_t remote_playback_mask;
};
static_assert(offsetof(UserRec, name) == 8);
static_assert(offsetof(UserRec, password) == 72);
static_assert(offsetof(UserRec, type) == 108);
static_assert(offsetof(UserRec, localliveview) == 112);
static_assert(offsetof(UserRec, aux_text) == 372);
static_assert(offsetof(UserRec, short_text) == 405);
static_assert(offsetof(UserRec, local_live_view) == 424);
static_assert(offsetof(UserRec, remote_live_view) == 464);
static_assert(offsetof(UserRec, permission) == 504);
static_assert(offsetof(UserRec, local_live_mask) == 512);
static_assert(sizeof(UserRec) == 544);

// One side (local or remote) of an account as the pages see it: the
// permission mask, the ten rights and the two channel lists, with their keys.
struct UserIntField {
  const char* key;
  int32_t UserRec::*field;
};
struct UserListField {
  const char* key;
  char (UserRec::*field)[65];
  uint64_t UserRec::*mask;  // built from the list
};
struct UserSide {
  const char* permission_key;        // as the account list spells it
  const char* login_permission_key;  // as the sign-in reply spells it
  int32_t UserRec::*permission;
  UserIntField rights[kUserRightCount];
  UserListField lists[2];
};

inline constexpr UserSide kUserSides[2] = {
    {"permission",
     "permission",
     &UserRec::permission,
     {{"localLiveView", &UserRec::local_live_view},
      {"localPlayback", &UserRec::local_playback},
      {"localRetrieve", &UserRec::local_retrieve},
      {"localSmartAnalysis", &UserRec::local_smart_analysis},
      {"localEvent", &UserRec::local_event},
      {"localCamera", &UserRec::local_camera},
      {"localStorage", &UserRec::local_storage},
      {"localSettings", &UserRec::local_settings},
      {"localStatus", &UserRec::local_status},
      {"localShutdown", &UserRec::local_shutdown}},
     {{"localliveview", &UserRec::localliveview, &UserRec::local_live_mask},
      {"localplayback", &UserRec::localplayback, &UserRec::local_playback_mask}}},
    {"remotePermission",
     "remotePermisson",
     &UserRec::remote_permission,
     {{"remoteLiveView", &UserRec::remote_live_view},
      {"remotePlayback", &UserRec::remote_playback},
      {"remoteRetrieve", &UserRec::remote_retrieve},
      {"remoteSmartAnalysis", &UserRec::remote_smart_analysis},
      {"remoteEvent", &UserRec::remote_event},
      {"remoteCamera", &UserRec::remote_camera},
      {"remoteStorage", &UserRec::remote_storage},
      {"remoteSettings", &UserRec::remote_settings},
      {"remoteStatus", &UserRec::remote_status},
      {"remoteShutdown", &UserRec::remote_shutdown}},
     {{"remoteliveview", &UserRec::remoteliveview, &UserRec::remote_live_mask},
      {"remoteplayback", &UserRec::remoteplayback, &UserRec::remote_playback_mask}}},
};

// Bit i set when character i of the list is '1' (at most 64 characters).
uint64_t user_channel_mask(const char* list);
// The four channel masks from the four lists.
void user_build_masks(UserRec* u);

// Slot of the account named exactly `name` that is in use: 0 and the record,
// or -1 with a zero record whose id is -1 (also for an empty name).
int read_user_by_name(const char* path, UserRec* u, const char* name);
// Slot id (0..99) into u, a zero record with that id when the slot was never
// written. -1 for an id outside the slots or on error.
int read_user(const char* path, UserRec* u, int id);
// All slots: users[i] is slot i (free slots zero but for their id); *count
// gets kMaxUsers. users must hold kMaxUsers records.
int read_users(const char* path, UserRec* users, int* count);
// Accounts in use, or -1.
int read_user_count(const char* path);

inline constexpr int kAddUserFull = -2;
inline constexpr int kAddUserSameName = -3;
// Stores u in the first free slot and sets u->id to it, in one transaction
// that also refuses a name already in use: 0, kAddUserFull, kAddUserSameName
// or -1 on error.
int add_user(const char* path, UserRec* u);
// Writes slot u->id (0..99).
int write_user(const char* path, const UserRec* u);
inline constexpr int kUserTypeAdmin = 0;
// Frees slot id, in one transaction that refuses to remove the last
// administrator in use: 0, or -1 (refused or error).
int delete_user(const char* path, int id);

// The factory administrator (slot 0) takes its digest from the parameter
// "factory_admin_md5" (32 hex digits, stored by kvdbctl init) when the
// factory rows are written, else the digest of "admin123".
inline constexpr const char* kFactoryAdminMd5Key = "factory_admin_md5";
inline constexpr const char* kFallbackAdminMd5 = "0192023a7bbd73250516f069df18b500";

// ---- Factory OEM database (devpaths::kOemDb) ----

struct OemUserRec {
  int32_t id;
  int32_t enable;
  char name[64];
  char password[36];
  int32_t type;
  int32_t permission;
  int32_t remote_permission;
};
static_assert(offsetof(OemUserRec, password) == 72);
static_assert(offsetof(OemUserRec, type) == 108);
static_assert(sizeof(OemUserRec) == 120);

// Up to kMaxUsers records of the OEM database into users (which must hold
// kMaxUsers), the count into *count. -1 when that file does not exist: it
// is the factory's and is never created here.
int read_users_oem(const char* path, OemUserRec* users, int* count);
