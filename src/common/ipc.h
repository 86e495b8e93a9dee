// Request channel to the core daemon and the two answer writers.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

// Reply callback as the message socket library calls it: context (unused),
// reply header (reply code at byte 12, payload size at byte 20), payload or null.
using IpcCallback = void (*)(void* ctx, void* head, void* payload);

// 0 until a reply callback has written the answer of the current request.
// Some callbacks store a status here for the handler to read.
extern std::atomic<int32_t> g_callback_done;

// Opens the channel, clears g_callback_done, sends the request (retrying) and,
// unless nowait is 1, waits up to the code's polls for a callback to set the
// flag. Replies reach cb on the reader thread, one at a time; once the wait
// has given up, later replies of the request are dropped, so the handler's
// error answer is the whole answer. -1 for a null cb (nothing opened), else 0.
// Called from a reply callback it only sends, on the open channel, without
// waiting; cgi_stop_ipc is then a no-op.
int cgi_start_ipc(IpcCallback cb, int code, int len, const void* data, int nowait);
// Closes the channel; no callback runs after it returns.
int cgi_stop_ipc();

// Mode 0 text/plain, 1 application/json, other modes no header.
int cgi_writeback_webserver(int mode, const char* body);
// Mode 0 "CGI ERROR", mode 1 {status:"CGI ERROR"}, other modes nothing.
int cgi_error_to_webserver(int mode);

// Number of 40 ms polls a waited request code may take.
int ipc_wait_polls(int code);

// Header fields as the callback sees them.
int32_t ipc_reply_code(const void* head);
int32_t ipc_reply_size(const void* head);

// Send and wait, always paired with cgi_stop_ipc. Returns true when a reply
// callback answered (g_callback_done != 0). When it did not and err_mode is 0
// or 1, writes cgi_error_to_webserver(err_mode); pass -1 to write nothing.
bool ipc_request(IpcCallback cb, int code, const void* data, int len, int err_mode);

// Send without waiting, always paired with cgi_stop_ipc.
void ipc_send(IpcCallback cb, int code, const void* data, int len);

// One row of a module's reply table: the converter gets the payload and the
// record count (payload size / width).
struct IpcReplyRoute {
  int32_t reply_code;
  int32_t width;
  void (*convert)(const void* payload, int count);
};

// Body of a module reply callback: ignores a null payload and unknown codes.
void ipc_dispatch_reply(const IpcReplyRoute* table, size_t rows, const void* head, const void* payload);

template <size_t N>
inline void ipc_dispatch_reply(const IpcReplyRoute (&table)[N], const void* head, const void* payload) {
  ipc_dispatch_reply(table, N, head, payload);
}
