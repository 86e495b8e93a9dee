#include "coresim_registry.h"

namespace {
struct Registry {
  std::mutex mu;
  std::map<int32_t, std::shared_ptr<const CoreAnswerRow>> rows;
};
// Filled from static constructors of other files: built on first use.
Registry& registry() {
  static Registry r;
  return r;
}
}  // namespace

CoreAnswerTable::CoreAnswerTable(std::initializer_list<CoreAnswerRow> rows) {
  for (const CoreAnswerRow& r : rows) coresim_register(r);
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
