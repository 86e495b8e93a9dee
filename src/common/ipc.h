// Request channel to the core daemon and the two answer writers.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "proto/ipc_code.h"

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
// error answer is the whole answer; once a callback has set the flag, later
// replies are dropped too (one answer per request). -1 for a null cb
// (nothing opened), else 0.
// Called from a reply callback it only sends, on the open channel, without
// waiting; cgi_stop_ipc is then a no-op. A bare code waits the default 40 s.
int cgi_start_ipc(IpcCallback cb, IpcCode code, int len, const void* data, int nowait);
inline int cgi_start_ipc(IpcCallback cb, int code, int len, const void* data, int nowait) {
  return cgi_start_ipc(cb, IpcCode{code}, len, data, nowait);
}
// Closes the channel; no callback runs after it returns.
int cgi_stop_ipc();

// The answer written when the daemon did not answer in time.
enum class ErrMode : int {
  kNone = -1,  // nothing
  kText = 0,   // "CGI ERROR"
  kJson = 1,   // {status:"CGI ERROR"}
};

// Mode 0 text/plain, 1 application/json, other modes no header.
int cgi_writeback_webserver(int mode, const char* body);
// Mode 0 "CGI ERROR", mode 1 {status:"CGI ERROR"}, other modes nothing.
int cgi_error_to_webserver(int mode);
inline int cgi_error_to_webserver(ErrMode mode) { return cgi_error_to_webserver(static_cast<int>(mode)); }

// Header fields as the callback sees them.
int32_t ipc_reply_code(const void* head);
int32_t ipc_reply_size(const void* head);

// Send and wait, always paired with cgi_stop_ipc. True when a reply callback
// answered (g_callback_done != 0); otherwise the error answer of `err`.
bool ipc_request(IpcCallback cb, IpcCode code, const void* data, int len, ErrMode err);
inline bool ipc_request(IpcCallback cb, IpcCode code, ErrMode err) {
  return ipc_request(cb, code, nullptr, 0, err);
}
template <class Rec>
bool ipc_request(IpcCallback cb, IpcCode code, const Rec& rec, ErrMode err) {
  static_assert(std::is_trivially_copyable_v<Rec> && !std::is_pointer_v<Rec>, "send a record");
  return ipc_request(cb, code, &rec, static_cast<int>(sizeof rec), err);
}

// Send without waiting, always paired with cgi_stop_ipc.
void ipc_send(IpcCallback cb, IpcCode code, const void* data, int len);
inline void ipc_send(IpcCallback cb, IpcCode code) { ipc_send(cb, code, nullptr, 0); }
template <class Rec>
void ipc_send(IpcCallback cb, IpcCode code, const Rec& rec) {
  static_assert(std::is_trivially_copyable_v<Rec> && !std::is_pointer_v<Rec>, "send a record");
  ipc_send(cb, code, &rec, static_cast<int>(sizeof rec));
}

// A result that a converter hands back to its handler (instead of a module
// global): cleared to kIpcNoResult when a request is sent.
inline constexpr int32_t kIpcNoResult = INT32_MIN;
void ipc_set_result(int32_t v);
int32_t ipc_result();

// What a converter gets: the payload, its record count (payload size / the
// row's width: 0 below one record, negative for a negative size) and the
// row's key for the ready-made converters.
struct IpcReply {
  const void* payload;
  int count;
  const char* key;
  template <class T>
  const T* as() const {
    return static_cast<const T*>(payload);
  }
  // 32-bit word i of the payload (the caller checked count).
  int32_t word(int i = 0) const;
};

// One row of a module's reply table.
struct IpcReplyRoute {
  int32_t reply_code;
  int32_t width;
  void (*convert)(const IpcReply& r);
  const char* key = nullptr;
};

// Body of a module reply callback: ignores a null payload and unknown codes.
void ipc_dispatch_reply(const IpcReplyRoute* table, size_t rows, const void* head, const void* payload);

template <size_t N>
inline void ipc_dispatch_reply(const IpcReplyRoute (&table)[N], const void* head, const void* payload) {
  ipc_dispatch_reply(table, N, head, payload);
}
