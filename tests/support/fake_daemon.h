// A scripted core daemon inside the test process, on the TestRoot's socket.
//
//   TestRoot root;
//   FakeDaemon d;
//   d.reply(3433, bytes_of(rec));            // answered with 8433
//   d.reply(3434, "", 0).reply(3434, more);  // two replies, the first empty
//   d.reply_with(3440, 9999, "x");           // a code nobody expects
//   ... run the handler ...
//   d.codes() == std::vector<int32_t>{3485, 3433}
//
// Request codes without a script get no answer. One thread serves every
// connection, earlier connections first, so requests of channels opened one
// after another are recorded in the order they were sent. A reply delay
// holds the whole daemon up.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "proto/kvsock_proto.h"

struct FakeRequest {
  int32_t kind;
  int32_t seq;
  int32_t code;
  int32_t flags;
  std::string payload;
  int connection;  // 1 for the first accepted connection, and so on
};

struct FakeReply {
  int32_t code;         // reply code
  std::string payload;
  int delay_ms = 0;     // real milliseconds before this reply goes out
  int32_t size = -1;    // header size when >= 0 (a lie about the payload)
};

class FakeDaemon {
 public:
  // Listens on dev_path(kKvSocket): construct after the TestRoot.
  FakeDaemon();
  ~FakeDaemon();
  FakeDaemon(const FakeDaemon&) = delete;
  FakeDaemon& operator=(const FakeDaemon&) = delete;

  // Adds one reply to the script of a request code, answered with code + 5000.
  FakeDaemon& reply(int32_t code, std::string payload, int delay_ms = 0);
  FakeDaemon& reply_with(int32_t code, int32_t reply_code, std::string payload, int delay_ms = 0);
  FakeDaemon& reply_raw(int32_t code, FakeReply r);
  // Forgets the script of a code: it is answered by silence again.
  FakeDaemon& silence(int32_t code);

  std::vector<FakeRequest> requests() const;
  std::vector<int32_t> codes() const;
  // Waits until at least n requests (or replies sent, or connections that the
  // peer closed) were seen; false after timeout_ms.
  bool wait_requests(size_t n, int timeout_ms = 2000) const;
  bool wait_replies_sent(size_t n, int timeout_ms = 2000) const;
  bool wait_closed(size_t n, int timeout_ms = 2000) const;
  size_t connections() const;

 private:
  struct Conn {
    int fd;
    int id;
  };
  void loop();
  // Both false when the connection ended; serve_ready drains what has arrived.
  bool serve_ready(const Conn& c);
  bool serve_one(const Conn& c);
  bool wait_count(const size_t& count, size_t n, int timeout_ms) const;
  bool pause(int ms);  // false when stopping

  std::string path_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mu_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::map<int32_t, std::vector<FakeReply>> script_;
  std::vector<FakeRequest> requests_;
  size_t replies_sent_ = 0;
  size_t closed_ = 0;
  size_t accepted_ = 0;
};
