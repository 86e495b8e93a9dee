#include "common/ipc.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "cgi/cgic.h"
#include "base/paths.h"
#include "platform/kvsock.h"
#include "proto/kvsock_proto.h"

std::atomic<int32_t> g_callback_done{0};

namespace {
std::atomic<int32_t> g_ipc_result{kIpcNoResult};
}

void ipc_set_result(int32_t v) { g_ipc_result.store(v); }
int32_t ipc_result() { return g_ipc_result.load(); }

namespace {
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

constexpr int kSendAttempts = 3000;
constexpr double kSendPauseUs = 10000;
constexpr double kPollUs = 40000;
// The open channel as the reader thread sees it. Replies reach the module
// callback only while `forwarding`; the callback runs under `mu`, so when the
// handler gives up (also under `mu`) no callback is half-way through a write.
struct Channel {
  std::mutex mu;
  std::condition_variable answered;
  IpcCallback cb = nullptr;
  bool forwarding = false;
};

Channel& channel() {
  static Channel& c = *new Channel;  // the reader may outlive static destruction
  return c;
}

// Set on the reader thread while a module callback runs.
thread_local bool t_in_callback = false;

void trampoline(void* ctx, void* head, void* payload) {
  Channel& ch = channel();
  std::lock_guard<std::mutex> lk(ch.mu);
  if (!ch.forwarding || !ch.cb) return;
  // One answer per request: once a converter has answered (or handed back a
  // result), repeated replies are dropped. Streams set the flag only at their end.
  if (g_callback_done.load() != 0) return;
  t_in_callback = true;
  ch.cb(ctx, head, payload);
  t_in_callback = false;
  ch.answered.notify_all();
}

Micros scaled(double us) { return Micros(static_cast<long long>(std::llround(us * nvr_time_scale()))); }

int send_attempts() {
  long n = std::lround(kSendAttempts * nvr_time_scale());
  return static_cast<int>(std::clamp(n, 1L, static_cast<long>(kSendAttempts)));
}

// Every attempt is followed by the pause; stops at the first success.
bool send_with_retries(int code, const void* data, int len) {
  const Micros pause = scaled(kSendPauseUs);
  for (int i = send_attempts(); i > 0; --i) {
    bool sent = kv_sock_send_msg(kKvSockKindRequest, code, data, len, 0) == 0;
    std::this_thread::sleep_for(pause);
    if (sent) return true;
  }
  return false;
}

// Waits until a callback sets the flag or the code's polls run out;
// on running out, stops forwarding so that a late reply writes nothing.
void wait_for_answer(int32_t polls) {
  Channel& ch = channel();
  const Micros poll = scaled(kPollUs);
  const auto deadline = Clock::now() + poll * std::max(polls, 0);
  // Re-check at least every poll in case the flag is set outside a callback.
  const Micros step = std::max(poll, Micros(1000));
  std::unique_lock<std::mutex> lk(ch.mu);
  while (g_callback_done.load() == 0) {
    auto now = Clock::now();
    if (now >= deadline) break;
    ch.answered.wait_until(lk, std::min(deadline, now + step));
  }
  if (g_callback_done.load() == 0) ch.forwarding = false;
}

bool valid_payload(const void* data, int len) {
  return len >= 0 && len <= kKvSockMaxPayload && (len == 0 || data);
}
}  // namespace

int cgi_start_ipc(IpcCallback cb, IpcCode code, int len, const void* data, int nowait) {
  if (!cb) return -1;
  if (t_in_callback) {
    // A callback sending a follow-up request: it goes out on the open channel
    // without waiting (its reply could only arrive on this very thread) and
    // leaves the flag to the request being answered.
    if (valid_payload(data, len)) send_with_retries(code, data, len);
    return 0;
  }
  Channel& ch = channel();
  cgi_stop_ipc();  // a handler that forgot to stop must not leak the old channel
  {
    std::lock_guard<std::mutex> lk(ch.mu);
    ch.cb = cb;
    ch.forwarding = true;
  }
  kv_sock_init(trampoline, nullptr, 3, devpaths::kKvSocket);
  g_callback_done.store(0);
  g_ipc_result.store(kIpcNoResult);
  // A record that can never be framed is not retried for half a minute.
  bool sent = valid_payload(data, len) && send_with_retries(code, data, len);
  if (nowait == 1) return 0;
  if (sent) {
    wait_for_answer(code.polls);
  } else {
    std::lock_guard<std::mutex> lk(ch.mu);
    if (g_callback_done.load() == 0) ch.forwarding = false;
  }
  return 0;
}

int cgi_stop_ipc() {
  if (t_in_callback) return 0;  // the handler closes the channel it opened
  Channel& ch = channel();
  {
    std::lock_guard<std::mutex> lk(ch.mu);
    ch.forwarding = false;
    ch.cb = nullptr;
  }
  // Not under ch.mu: the reader may be waiting for it inside the trampoline.
  kv_sock_uninit();
  return 0;
}

int cgi_writeback_webserver(int mode, const char* body) {
  if (!body || !cgiOut) return -1;
  if (mode == 0)
    fputs("Content-type: text/plain\r\n\r\n", cgiOut);
  else if (mode == 1)
    fputs("Content-type: application/json\r\n\r\n", cgiOut);
  fputs(body, cgiOut);
  fflush(cgiOut);
  return 0;
}

int cgi_error_to_webserver(int mode) {
  if (mode == 0)
    cgi_writeback_webserver(0, "CGI ERROR");
  else if (mode == 1)
    cgi_writeback_webserver(1, "{status:\"CGI ERROR\"}");
  return 0;
}

int32_t ipc_reply_code(const void* head) {
  int32_t v = 0;
  if (head) memcpy(&v, static_cast<const char*>(head) + offsetof(KvSockHeader, code), sizeof v);
  return v;
}

int32_t ipc_reply_size(const void* head) {
  int32_t v = 0;
  if (head) memcpy(&v, static_cast<const char*>(head) + offsetof(KvSockHeader, size), sizeof v);
  return v;
}

bool ipc_request(IpcCallback cb, IpcCode code, const void* data, int len, ErrMode err) {
  cgi_start_ipc(cb, code, len, data, 0);
  bool answered = g_callback_done.load() != 0;
  if (!answered) cgi_error_to_webserver(err);
  cgi_stop_ipc();
  return answered;
}

void ipc_send(IpcCallback cb, IpcCode code, const void* data, int len) {
  cgi_start_ipc(cb, code, len, data, 1);
  cgi_stop_ipc();
}

void ipc_dispatch_reply(const IpcReplyRoute* table, size_t rows, const void* head, const void* payload) {
  if (!table || !head || !payload) return;
  const int32_t code = ipc_reply_code(head);
  for (size_t i = 0; i < rows; ++i) {
    const IpcReplyRoute& r = table[i];
    if (r.reply_code != code || r.width <= 0 || !r.convert) continue;
    // A size smaller than one record gives 0 and a negative size a negative
    // count: converters decide what those mean.
    r.convert(IpcReply{payload, ipc_reply_size(head) / r.width, r.key});
    return;
  }
}

int32_t IpcReply::word(int i) const {
  int32_t v;
  memcpy(&v, static_cast<const char*>(payload) + 4 * i, sizeof v);
  return v;
}
