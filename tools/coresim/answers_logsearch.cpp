// Simulated log search: the operation log records received since start
// (3485, 3509) and a seeded history of every main type, searched page by
// page (3495), exported to a file (3494) and detailed one by one (3488).
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "answers_log.h"
#include "base/paths.h"
#include "base/text.h"
#include "proto/log_proto.h"

using namespace logs;

namespace {
constexpr int kSeedPerType = 200;

struct SeedRange {
  int32_t main_type;
  int from, to;
  const char* what;
};
constexpr SeedRange kSeedRanges[] = {
    {kMainEvent, 11, 30, "event"},          {kMainOperation, 200, 228, "operation"},
    {kMainInformation, 500, 506, "information"}, {kMainException, 400, 407, "exception"},
    {kMainDebug, 600, 603, "debug"},
};

struct LogSearchState {
  std::vector<OpLogRecord> seeded;  // oldest first
  int exports = 0;
};

void seed(LogSearchState& st) {
  if (!st.seeded.empty()) return;
  const int64_t now = static_cast<int64_t>(time(nullptr));
  const char* users[] = {"admin", "operator", "guest"};
  const char* addrs[] = {"192.168.1.10", "::ffff:192.168.1.23", "fe80::1%eth0"};
  uint32_t x = 2463534242u;  // fixed seed: the same history every run
  for (const SeedRange& r : kSeedRanges)
    for (int i = 0; i < kSeedPerType; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      OpLogRecord e{};
      e.main_type = r.main_type;
      e.sub_type = r.from + static_cast<int>(x % static_cast<uint32_t>(r.to - r.from + 1));
      e.time = now - 30 * 86400 + static_cast<int64_t>(x % (30u * 86400u));
      e.param_type = r.main_type == kMainOperation ? 900 + static_cast<int>(x % 26) : 0;
      e.remote = r.main_type == kMainOperation ? 1 : 0;
      e.channel = static_cast<int32_t>(x % 17);
      if (e.remote) {
        copy_text(e.remote_addr, addrs[x % 3]);
        copy_text(e.user, users[x % 3]);
      }
      int n = snprintf(reinterpret_cast<char*>(e.detail), sizeof e.detail, "Simulated %s %lld on channel %d", r.what,
                       static_cast<long long>(e.sub_type), e.channel);
      e.detail_size = n;
      st.seeded.push_back(e);
    }
  std::sort(st.seeded.begin(), st.seeded.end(), [](auto& a, auto& b) { return a.time < b.time; });
}

bool matches(const LogSearch& s, const OpLogRecord& e) {
  if (e.time < s.start_time || e.time > s.end_time) return false;
  if (s.main_type != kMainAll && e.main_type != s.main_type) return false;
  int subs = std::clamp(s.sub_count, 0, kMaxSubTypes);
  bool any_sub = subs == 0;
  for (int i = 0; i < subs && !any_sub; ++i) any_sub = s.sub_types[i] == kSubTypeAll || s.sub_types[i] == e.sub_type;
  if (!any_sub) return false;
  if (s.chn_mask == 0) return true;
  if (e.channel <= 0 || e.channel > 64) return s.no_chn != 0;
  return s.chn_mask >> (e.channel - 1) & 1;
}

// Newest first: received records, then the seeded history.
std::vector<OpLogRecord> search(CoreDevice& dev, const LogSearch& s) {
  std::vector<OpLogRecord> all = coresim_oplogs(dev);
  std::lock_guard<std::mutex> lock(dev.mu);
  LogSearchState& st = dev.part<LogSearchState>();
  seed(st);
  all.insert(all.end(), st.seeded.begin(), st.seeded.end());
  std::stable_sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.time > b.time; });
  std::vector<OpLogRecord> out;
  for (const OpLogRecord& e : all)
    if (matches(s, e)) out.push_back(e);
  return out;
}

std::string detail_text(const OpLogRecord& e) {
  const char* d = reinterpret_cast<const char*>(e.detail);
  if (e.detail_kind == 0 && strnlen(d, sizeof e.detail) > 0) return std::string(d, strnlen(d, sizeof e.detail));
  char buf[96];
  snprintf(buf, sizeof buf, "parameter %d, channel %d", e.param_type, e.channel);
  return buf;
}

std::vector<CoreReply> search_page(CoreDevice& dev, const CoreRequest& req) {
  auto s = read_as<LogSearch>(req);
  std::vector<OpLogRecord> found = search(dev, s);
  static SearchReply rep;
  rep = SearchReply{};
  rep.total = static_cast<int32_t>(found.size());
  size_t first = static_cast<size_t>(std::max(s.page, 1) - 1) * kPageEntries;
  for (size_t i = first; i < found.size() && rep.count < kPageEntries; ++i) rep.entries[rep.count++] = found[i];
  return {reply_to(req, bytes_of(rep))};
}

std::vector<CoreReply> export_file(CoreDevice& dev, const CoreRequest& req) {
  std::vector<OpLogRecord> found = search(dev, read_as<LogSearch>(req));
  int n;
  {
    std::lock_guard<std::mutex> lock(dev.mu);
    n = ++dev.part<LogSearchState>().exports;
  }
  char path[64];
  snprintf(path, sizeof path, "%s/export_%d.bin", kLogDir, n);
  mkdir(dev_path(kLogDir).c_str(), 0755);
  FILE* f = fopen(dev_path(path).c_str(), "wb");
  ExportReply rep{};
  rep.status = f ? 0 : -1;
  if (f) {
    int32_t count = static_cast<int32_t>(found.size());
    fwrite(&count, sizeof count, 1, f);
    static char detail[kExportDetailBytes];
    for (const OpLogRecord& e : found) {
      fwrite(&e, sizeof e, 1, f);
      memset(detail, 0, sizeof detail);
      copy_text(detail, sizeof detail, detail_text(e).c_str());
      fwrite(detail, sizeof detail, 1, f);
    }
    fclose(f);
    copy_text(rep.path, path);
  }
  return {reply_to(req, std::string(reinterpret_cast<const char*>(&rep), 4 + strlen(rep.path) + 1))};
}

std::vector<CoreReply> entry_detail(CoreDevice& dev, const CoreRequest& req) {
  auto want = read_as<OpLogRecord>(req);
  LogSearch all{};
  all.end_time = INT32_MAX;
  all.main_type = kMainAll;
  for (const OpLogRecord& e : search(dev, all))
    if (e.time == want.time && e.main_type == want.main_type && e.sub_type == want.sub_type &&
        e.param_type == want.param_type && e.channel == want.channel)
      return {reply_to(req, detail_text(e) + std::string(1, '\0'))};
  return {reply_to(req, std::string(1, '\0'))};
}

const CoreAnswerTable kLogSearchAnswers{
    {kReqSearch, search_page, {}},
    {kReqExport, export_file, {}},
    {kReqDetail, entry_detail, {}},
};
}  // namespace
