// Operation log record: who changed what, sent to the core daemon (request 3485).
// The daemon stores and serves log entries in the same layout.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

inline constexpr IpcCode kReqOpLog{3485};
inline constexpr IpcCode kReqOpLogMask{3509};

// Main type of every entry the web program writes.
inline constexpr int32_t kLogMainOperation = 4;

// Sub types: the operation.
enum LogSub : int32_t {
  kLogSubSignIn = 201,
  kLogSubSetting = 204,    // a setting changed (the parameter type says which)
  kLogSubFormat = 207,     // disk formatted
  kLogSubNasAdd = 219,
  kLogSubNasDelete = 220,
  kLogSubNasChange = 221,
  kLogSubDiskRemove = 224,
};

// Parameter types: the setting concerned.
enum LogParam : int32_t {
  kLogParamNone = 0,
  kLogParamDisk = 900,  // also the general parameter of sign-in entries
  kLogParamDiskProperty = 919,
  kLogParamUserAdded = 921,
  kLogParamUserDeleted = 922,
};

// Kinds of the detail block (its layout is the kind's record).
enum LogDetail : int16_t {
  kLogDetailNone = 0,
  kLogDetailNas = 101,        // 208 bytes
  kLogDetailFormat = 102,     // 72 bytes
  kLogDetailImage = 107,
  kLogDetailNasChange = 110,  // 208 bytes
  kLogDetailCamera = 111,     // 176 bytes
};

struct OpLogRecord {
  int32_t main_type;      // 4 for user operations
  int32_t reserved0;
  int64_t sub_type;       // the operation
  uint8_t reserved1[8];
  int64_t time;           // stamped by the daemon when it stores the entry
  int32_t param_type;     // the setting concerned
  int32_t remote;         // 1: made from the web
  int32_t channel;
  char remote_addr[46];
  char user[64];
  int16_t detail_kind;    // kind of the detail block, 0 when none
  int32_t detail_size;    // bytes used in detail
  uint8_t detail[512];
  uint8_t reserved2[8];
};
static_assert(sizeof(OpLogRecord) == 680);
static_assert(offsetof(OpLogRecord, sub_type) == 8);
static_assert(offsetof(OpLogRecord, time) == 24);
static_assert(offsetof(OpLogRecord, param_type) == 32);
static_assert(offsetof(OpLogRecord, remote) == 36);
static_assert(offsetof(OpLogRecord, channel) == 40);
static_assert(offsetof(OpLogRecord, remote_addr) == 44);
static_assert(offsetof(OpLogRecord, user) == 90);
static_assert(offsetof(OpLogRecord, detail_kind) == 154);
static_assert(offsetof(OpLogRecord, detail_size) == 156);
static_assert(offsetof(OpLogRecord, detail) == 160);

// One change applied to several channels: the record and the channel mask (3509).
struct OpLogMaskRecord {
  OpLogRecord log;
  uint64_t chn_mask;
};
static_assert(sizeof(OpLogMaskRecord) == 688);
static_assert(offsetof(OpLogMaskRecord, chn_mask) == 680);
