// Log answers: operation log records (3485, 3509) are stored, never answered.
#include "answers_log.h"

#include <ctime>
#include <deque>
#include <string>

namespace {
struct OpLogStore {
  std::deque<CoreLogEntry> entries;
};

// Text fields arrive from another process: never trust the terminator.
std::string field(const char* p, size_t width) { return std::string(p, strnlen(p, width)); }

void keep(CoreDevice& dev, CoreLogEntry e) {
  if (e.time == 0) e.time = static_cast<int64_t>(::time(nullptr));
  std::lock_guard<std::mutex> lk(dev.mu);
  auto& store = dev.part<OpLogStore>().entries;
  store.push_back(e);
  while (store.size() > kCoreOpLogKeep) store.pop_front();
}

std::vector<CoreReply> store_oplog(CoreDevice& dev, const CoreRequest& req) {
  CoreLogEntry e;
  if (record_from(req.payload, &e)) keep(dev, e);  // a record of another size is not a log entry
  return {};
}

// A change to several channels: the entry, followed by its channel mask.
std::vector<CoreReply> store_oplog_mask(CoreDevice& dev, const CoreRequest& req) {
  OpLogMaskRecord m;
  if (record_from(req.payload, &m)) keep(dev, m.log);
  return {};
}

std::string describe_oplog(const CoreRequest& req) {
  CoreLogEntry e;
  if (!record_from(req.payload, &e)) return "not a 680-byte log entry";
  return "main " + std::to_string(e.main_type) + " sub " + std::to_string(e.sub_type) + " param " +
         std::to_string(e.param_type) + " ch " + std::to_string(e.channel) + " user \"" +
         field(e.user, sizeof e.user) + "\" addr \"" + field(e.remote_addr, sizeof e.remote_addr) + "\"" +
         (e.detail_size > 0 ? " detail kind " + std::to_string(e.detail_kind) + " size " + std::to_string(e.detail_size)
                            : std::string());
}

const CoreAnswerTable kLogAnswers = {
    {kReqOpLog, store_oplog, describe_oplog},
    {kReqOpLogMask, store_oplog_mask, {}},
};
}  // namespace

std::vector<CoreLogEntry> coresim_oplogs(CoreDevice& dev) {
  std::lock_guard<std::mutex> lk(dev.mu);
  const auto& store = dev.part<OpLogStore>().entries;
  return {store.begin(), store.end()};
}
