#include "platform/kvdb_factory.h"

#include <filesystem>
#include <string>

#include "base/paths.h"
#include "platform/kvdb.h"

int kvdb_recreate(const char* device_path) {
  std::string path = dev_path(device_path);
  std::error_code ec;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::filesystem::remove(path + suffix, ec);
  if (std::filesystem::exists(path)) return -1;
  kvdb::Txn t(device_path, kvdb::Txn::kWrite);
  return t.ok() && t.commit() == 0 ? 0 : -1;
}
