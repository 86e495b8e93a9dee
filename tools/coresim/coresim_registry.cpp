#include "coresim_registry.h"

namespace {
struct Registry {
  std::mutex mu;
  std::map<int32_t, std::shared_ptr<const CoreAnswerRow>> rows;
  std::vector<int32_t> tables_twice;  // codes two static answer tables both claim
};
// Filled from static constructors of other files: built on first use.
Registry& registry() {
  static Registry r;
  return r;
}
}  // namespace

CoreAnswerTable::CoreAnswerTable(std::initializer_list<CoreAnswerRow> rows) {
  for (const CoreAnswerRow& r : rows) {
    if (coresim_find(r.code)) {
      std::lock_guard<std::mutex> lk(registry().mu);
      registry().tables_twice.push_back(r.code);
    }
    coresim_register(r);
  }
}

std::vector<int32_t> coresim_codes_answered_twice() {
  std::lock_guard<std::mutex> lk(registry().mu);
  return registry().tables_twice;
}

void coresim_register(CoreAnswerRow row) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lk(r.mu);
  int32_t code = row.code;
  r.rows[code] = std::make_shared<const CoreAnswerRow>(std::move(row));
}

std::shared_ptr<const CoreAnswerRow> coresim_find(int32_t code) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lk(r.mu);
  auto it = r.rows.find(code);
  return it == r.rows.end() ? nullptr : it->second;
}
