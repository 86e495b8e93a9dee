// The simulator's server: listens on the message socket under the device
// root, a thread per connection, answers through the registry. Usable
// in-process: tests start one on their TestRoot and stop it.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "coresim_registry.h"

class CoreSim {
 public:
  // One line per request goes to `log` (null: quiet).
  explicit CoreSim(FILE* log = nullptr);
  ~CoreSim();
  CoreSim(const CoreSim&) = delete;
  CoreSim& operator=(const CoreSim&) = delete;

  // Listens on dev_path(kKvSocket), creating its directory and replacing a
  // stale socket. 0, or -1 with the reason in error().
  int start();
  // Closes every connection, joins every thread, removes the socket.
  void stop();

  // The same requests as JSON lines for the developer console (null: none):
  // {"time_ms","conn","seq","code","size","reply","replies","known","fields"|"payload"}.
  void set_json_log(FILE* f) { json_log_ = f; }

  const std::string& error() const { return error_; }
  const std::string& socket_path() const { return path_; }
  CoreDevice& device() { return device_; }
  uint64_t requests_seen() const { return requests_.load(); }

 private:
  struct Conn {
    int fd;
    std::thread thread;
    std::atomic<bool> done{false};
  };
  void accept_loop();
  void serve(Conn* c, int id);
  void log_request(int id, const KvSockHeader& h, const CoreRequest& req, const CoreAnswerRow* row,
                   const std::vector<CoreReply>& replies);
  void reap_locked(bool all);

  FILE* log_;
  FILE* json_log_ = nullptr;
  std::string path_;
  std::string error_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  std::thread acceptor_;
  std::mutex mu_;  // conns_, stopping_
  bool stopping_ = false;
  std::list<std::unique_ptr<Conn>> conns_;
  std::atomic<uint64_t> requests_{0};
  CoreDevice device_;
};
