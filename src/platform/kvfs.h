// Storage library stand-in: packs detail blocks into operation log records.
#pragma once
#include "proto/oplog.h"

// Places `len` bytes of `data` as a detail block of `kind`; -1 when it does not fit.
int kvfs_log_pack_detail(OpLogRecord* rec, int kind, const void* data, int len);
