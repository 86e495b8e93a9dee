// AVI writer of the device platform: opened on a stream, fed (96-byte frame
// header, frame data) write pairs, it leaves an AVI file on the stream when
// closed. The stream is written as frames come; when it can seek (a file),
// close goes back and fills in the counts of the header, otherwise they stay
// "unknown" and players read the frames up to the index.
#pragma once
#include <cstdio>

struct KvAvi;

// Mode 0 (one video stream) is the only mode. Null for a null stream or
// another mode.
KvAvi* kv_avi_open_fp(FILE* fp, int mode);

// One half of a pair: first the frame header (stream::FrameHeader), then the
// frame's data. 0, or -1 for a null writer or buffer, a failed write or a file
// that would outgrow the format's 32-bit sizes.
int kv_avi_write_fp_ex(KvAvi* avi, const void* buf, int len);

// Writes the index (and the header's counts when the stream can seek), flushes
// and frees the writer; the stream stays open. 0, or -1 for a null writer or
// a failed write.
int kv_avi_close_fp(KvAvi* avi);
