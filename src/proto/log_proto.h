// Log search, entry detail and export requests exchanged with the core daemon.
// Log entries have the layout of the operation log record (OpLogRecord).
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"
#include "proto/oplog.h"

namespace logs {
inline constexpr IpcCode kReqDetail{3488};              // OpLogRecord -> text
inline constexpr IpcCode kReqExport{3494, kPolls600s};  // LogSearch -> ExportReply
inline constexpr IpcCode kReqSearch{3495, kPolls600s};  // LogSearch -> SearchReply

inline constexpr int kMaxSubTypes = 100;
inline constexpr int kPageEntries = 100;
inline constexpr int kExportDetailBytes = 4096;
inline constexpr int kSubTypeAll = 10;

// Main types (category bits) as entries carry them.
inline constexpr int32_t kMainAll = 1;
inline constexpr int32_t kMainEvent = 2;
inline constexpr int32_t kMainOperation = 4;
inline constexpr int32_t kMainInformation = 8;
inline constexpr int32_t kMainException = 32;
inline constexpr int32_t kMainDebug = 64;

struct LogSearch {
  int32_t start_time;
  int32_t end_time;
  int32_t main_type;
  int32_t reserved0;
  int64_t sub_types[kMaxSubTypes];
  int32_t sub_count;
  int32_t page;
  uint64_t chn_mask;
  int32_t no_chn;
  int32_t reserved1;
};
static_assert(sizeof(LogSearch) == 840);
static_assert(offsetof(LogSearch, main_type) == 8 && offsetof(LogSearch, sub_types) == 16 &&
              offsetof(LogSearch, sub_count) == 816 && offsetof(LogSearch, page) == 820 &&
              offsetof(LogSearch, chn_mask) == 824 && offsetof(LogSearch, no_chn) == 832);

struct SearchReply {
  int32_t total;
  int32_t count;  // entries of this page
  OpLogRecord entries[kPageEntries];
};
static_assert(sizeof(SearchReply) == 68008 && offsetof(SearchReply, entries) == 8);

// Export reply: a status word, then the device path of the file the daemon
// wrote (int32 count, then per entry an OpLogRecord and a 4096-byte detail).
struct ExportReply {
  int32_t status;
  char path[256];
};
static_assert(offsetof(ExportReply, path) == 4);

// Directory of the daemon's export files and of the download marker.
inline constexpr const char* kLogDir = "/tmp/log";
inline constexpr const char* kDownloadMarker = "/tmp/log/log_web";
}  // namespace logs
