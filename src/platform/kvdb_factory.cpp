#include "platform/kvdb_factory.h"

#include <unistd.h>

#include <string>

#include "base/paths.h"
#include "platform/kvdb.h"

int kvdb_recreate(const char* device_path) {
  kvdb::drop_kept_connection(device_path);
  for (const std::string& file : kvdb::database_files(device_path)) {
    const std::string path = dev_path(file.c_str());
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) unlink((path + suffix).c_str());
    if (access(path.c_str(), F_OK) == 0) return -1;
  }
  kvdb::Txn t(device_path, kvdb::Txn::kWrite);
  return t.ok() && t.commit() == 0 ? 0 : -1;
}
