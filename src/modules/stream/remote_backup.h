// Remote backup writer: reassembles the frames of a download from the
// daemon's chunks, queues them, and lets one writer task feed them to the AVI
// writer whose output is the answer of the request.
#pragma once
#include <cstdint>
#include <cstdio>

#include "common/ipc.h"
#include "platform/kv_avi.h"
#include "proto/stream_proto.h"

inline constexpr int64_t kBackupBudget = 0x9fffff;  // queued bytes tested before a frame is added
inline constexpr int kBackupBudgetWaits = 25;        // 40 ms waits for room before a frame is dropped
inline constexpr int kBackupIdlePolls = 1500;        // 40 ms polls without a frame before the task ends

// Opens the AVI writer on `out` and starts the writer task: 0 and the handle,
// or -1 (null arguments, the writer cannot be opened).
int remote_backup_kvfs_open(FILE* out, KvAvi** avi);
// Takes one chunk: the header's data slot points at `length` bytes. 0, or -1
// when the frame is refused (memory, queue budget, a frame or length out of range).
int remote_backup_kvfs_write(const stream::FrameHeader* frame, int32_t continued, int32_t length);
// The writer task stops at its next poll.
void remote_backup_kvfs_interrup();
// 1 while the writer task works.
int remote_backup_task_run_status();
// Lets the task write what is queued, joins it and closes the AVI writer.
void remote_backup_kvfs_close(KvAvi* avi);
// The open writer's handle, or null.
KvAvi* remote_backup_avi();

// Set by the chunk converter at the end of a download (or without a writer).
void remote_backup_end_reset();
bool remote_backup_ended();
// Polls (40 ms) until the end flag is set or the writer task has stopped.
void remote_backup_wait_end();

// Reply 6173.
void on_get_download_playtime_cb(const IpcReply& r);
