// Stand-in of the cloud relay server that the P2P test registers with: one
// connection at a time, the platform's key exchange, then the registration.
// It grants a registration code to a serial number it has not seen from
// another MAC address, and refuses an empty serial number or one bound to
// another MAC. Tests make it fail on purpose with the other modes.
#pragma once
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>

enum class RelayMode {
  kServe,   // as above
  kBadKey,  // answers the key exchange with a key nobody can use
  kDrop,    // hangs up after the key exchange
};

class CoreRelay {
 public:
  explicit CoreRelay(FILE* log = nullptr) : log_(log) {}
  ~CoreRelay() { stop(); }
  CoreRelay(const CoreRelay&) = delete;
  CoreRelay& operator=(const CoreRelay&) = delete;

  // Listens on 127.0.0.1:port (0: any free port) with a new key under the
  // device root. 0, or -1 with the reason in error().
  int start(int port, RelayMode mode = RelayMode::kServe);
  void stop();
  int port() const { return port_; }
  const std::string& error() const { return error_; }
  void set_mode(RelayMode m) { mode_ = m; }
  // Serial number -> MAC address of the granted registrations.
  std::map<std::string, std::string> registrations() const;

 private:
  void loop();
  void serve(int fd);

  FILE* log_;
  std::string error_;
  std::string key_path_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<RelayMode> mode_{RelayMode::kServe};
  std::thread thread_;
  mutable std::mutex mu_;
  std::map<std::string, std::string> granted_;
};
