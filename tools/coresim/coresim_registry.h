// Answers of the simulated core daemon: request code -> replies. Each module
// keeps its answers in its own file (answers_<module>.cpp) and registers
// them with a static CoreAnswerTable.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include "proto/kvsock_proto.h"

struct CoreRequest {
  int32_t code;
  int32_t seq;
  std::string_view payload;  // valid during the answer only
  int connection;
};

struct CoreReply {
  int32_t code;
  std::string payload;
};

inline CoreReply reply_to(const CoreRequest& req, std::string payload = {}) {
  return {req.code + kKvSockReplyOffset, std::move(payload)};
}

// The simulated device. Each answer file keeps its own part of the state,
// a default-constructed T created on first use; hold `mu` while using it.
class CoreDevice {
 public:
  std::mutex mu;

  template <class T>
  T& part() {
    auto& slot = parts_[std::type_index(typeid(T))];
    if (!slot) slot = std::make_shared<T>();
    return *static_cast<T*>(slot.get());
  }

 private:
  std::map<std::type_index, std::shared_ptr<void>> parts_;
};

// Replies to send, in order; none is silence.
using Answer = std::function<std::vector<CoreReply>(CoreDevice&, const CoreRequest&)>;
// Optional words for the request log line (decoded record fields).
using Describe = std::function<std::string(const CoreRequest&)>;

struct CoreAnswerRow {
  int32_t code;
  Answer answer;
  Describe describe;
};

// Registers rows at static initialisation; a later row for a code replaces
// an earlier one.
struct CoreAnswerTable {
  CoreAnswerTable(std::initializer_list<CoreAnswerRow> rows);
};

void coresim_register(CoreAnswerRow row);
// Codes that two answer tables both registered (only one of them answers):
// each code belongs to the one module that owns it.
std::vector<int32_t> coresim_codes_answered_twice();
// Null for an unknown code. Stays valid when the code is registered again.
std::shared_ptr<const CoreAnswerRow> coresim_find(int32_t code);

// ---- Helpers for answer files ----

// The request's record (zero-filled where the payload is short).
template <class T>
T read_as(const CoreRequest& req) {
  T v{};
  record_from(req.payload, &v);
  return v;
}

// A one-word status reply payload.
inline std::string status_word(int32_t v) { return bytes_of(v); }

// One reply: runs fn(State&, req) -> payload under the device lock.
template <class State, class Fn>
Answer on_state(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    return {reply_to(req, fn(dev.part<State>(), req))};
  };
}

// A notice that gets no reply: runs fn(State&, req) under the device lock.
template <class State, class Fn>
Answer silent(Fn fn) {
  return [fn](CoreDevice& dev, const CoreRequest& req) -> std::vector<CoreReply> {
    std::lock_guard<std::mutex> lock(dev.mu);
    fn(dev.part<State>(), req);
    return {};
  };
}
