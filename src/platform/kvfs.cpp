#include "platform/kvfs.h"

#include <cstring>

int kvfs_log_pack_detail(OpLogRecord* rec, int kind, const void* data, int len) {
  if (!rec || len < 0 || static_cast<size_t>(len) > sizeof rec->detail || (len > 0 && !data)) return -1;
  memset(rec->detail, 0, sizeof rec->detail);
  if (len) memcpy(rec->detail, data, static_cast<size_t>(len));
  rec->detail_kind = static_cast<int16_t>(kind);
  rec->detail_size = len;
  return 0;
}
