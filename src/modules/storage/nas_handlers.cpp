// Network disks, overwrite mode, S.M.A.R.T. and disk removal (/6200-/6207).
#include <json-c/json.h>

#include <cstring>

#include "common/reply.h"
#include "common/json_util.h"
#include "base/paths.h"
#include "base/text.h"
#include "common/web_utils.h"
#include "modules/storage/storage_module.h"
#include "platform/kv_crypto.h"
#include "platform/kvdb.h"
#include "platform/kvdb_storage.h"

using namespace storage;

namespace {

int array_len(json_object* arr) { return static_cast<int>(json_array_size(arr)); }

int array_int(json_object* arr, int i) {
  int v = 0;
  json_value_int(json_array_at(arr, static_cast<size_t>(i)), &v);
  return v;
}

const char* array_text(json_object* arr, int i) {
  json_object* v = json_array_at(arr, static_cast<size_t>(i));
  return json_object_is_type(v, json_type_string) ? json_object_get_string(v) : "";
}

json_object* member(json_object* req, const char* key) {
  json_object* v = nullptr;
  json_get_array(req, key, &v);
  return v;
}

void log_nas(int sub_type, int detail_kind, const char* protocol, const StoredDisk& disk) {
  NasLogDetail detail{};
  copy_text(detail.protocol, protocol);
  copy_text(detail.address, disk.address);
  copy_text(detail.directory, disk.directory);
  send_op_log(on_storage_ipc_callback, sub_type, kLogParamNone, disk.port, detail_kind, &detail, sizeof detail);
}

const char* nas_protocol(int type) { return type == kDiskTypeNfs ? "NFS" : "SMB/CIFS"; }

// A stored network disk record from the request's parallel arrays at index i.
StoredDisk nas_record(json_object* req, int i, int type) {
  StoredDisk d{};
  d.port = array_int(member(req, "port"), i);
  d.enable = 1;
  d.type = type;
  d.property = 1;
  copy_text(d.vendor, array_text(member(req, "vendor"), i));
  copy_text(d.address, array_text(member(req, "address"), i));
  copy_text(d.directory, array_text(member(req, "directory"), i));
  get_url_decode(array_text(member(req, "userName"), i), d.user, sizeof d.user);
  get_url_decode(array_text(member(req, "password"), i), d.password, sizeof d.password);
  return d;
}

bool valid_port(int port) { return port >= 1 && port <= kMaxDisks; }
}  // namespace

void on_del_disk_nas(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int num = 0;
  json_get_int(req.get(), "num", &num);
  json_object* ports = member(req.get(), "port");
  PortList list{};
  StoredDisk stored[kMaxPortList] = {};
  for (int i = 0; i < num && i < array_len(ports) && list.count < kMaxPortList; ++i) {
    int port = array_int(ports, i);
    read_disk(devpaths::kKvdb, &stored[list.count], port);
    list.ports[list.count++] = port;
  }
  if (!ipc_request(on_storage_ipc_callback, kReqDelNas, list, ErrMode::kText)) return;
  for (int i = 0; i < list.count; ++i)
    if (stored[i].port != 0) log_nas(kLogSubNasDelete, kLogDetailNas, nas_protocol(stored[i].type), stored[i]);
}

void on_add_disk_nas(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int num = 0, type = kDiskTypeNfs;
  json_get_int(req.get(), "num", &num);
  json_get_int(req.get(), "type", &type);
  PortList list{};
  StoredDisk added[kMaxPortList] = {};
  for (int j = 0; j < num && j < array_len(member(req.get(), "port")) && list.count < kMaxPortList; ++j) {
    StoredDisk d = nas_record(req.get(), j, type);
    if (!valid_port(d.port)) continue;
    if (write_disk(devpaths::kKvdb, &d, d.port) != 0) {
      cgi_error_to_webserver(ErrMode::kText);
      return;
    }
    added[list.count] = d;
    list.ports[list.count++] = d.port;
  }
  if (!ipc_request(on_storage_ipc_callback, kReqAddNas, list, ErrMode::kText)) return;
  for (int i = 0; i < list.count; ++i) log_nas(kLogSubNasAdd, kLogDetailNas, nas_protocol(type), added[i]);
}

void on_update_disk_nas(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  StoredDisk d{};
  json_get_int(req.get(), "port", &d.port);
  json_get_int(req.get(), "type", &d.type);
  if (!valid_port(d.port)) return;
  d.enable = 1;
  d.property = 1;
  json_get_text(req.get(), "vendor", d.vendor, sizeof d.vendor);
  json_get_text(req.get(), "address", d.address, sizeof d.address);
  json_get_text(req.get(), "directory", d.directory, sizeof d.directory);
  char coded[3 * sizeof d.user] = "";
  json_get_text(req.get(), "userName", coded, sizeof coded);
  get_url_decode(coded, d.user, sizeof d.user);
  coded[0] = '\0';
  json_get_text(req.get(), "password", coded, sizeof coded);
  get_url_decode(coded, d.password, sizeof d.password);
  if (write_disk(devpaths::kKvdb, &d, d.port) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  int32_t port = d.port;
  if (!ipc_request(on_storage_ipc_callback, kReqUpdateNas, port, ErrMode::kText)) return;
  const char* protocol = d.type == kDiskTypeNfs ? "NFS" : d.type == kDiskTypeSmb ? "SMB/CIFS" : "";
  log_nas(kLogSubNasChange, kLogDetailNasChange, protocol, d);
}

void on_search_disk_nas(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  NasSearchRequest search{};
  json_get_int(req.get(), "port", &search.port);
  json_get_text(req.get(), "serverAddr", search.server, sizeof search.server);
  ipc_request(on_storage_ipc_callback, kReqSearchNas, search, ErrMode::kJson);
}

void on_set_recycle_mode(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int32_t mode[2] = {0, 0};
  json_get_int(req.get(), "mode", &mode[0]);
  json_get_int(req.get(), "esata", &mode[1]);
  ipc_request(on_storage_ipc_callback, kReqSetRecycle, mode, ErrMode::kJson);
}

void on_get_recycle_mode(char*) {
  int32_t zero = 0;
  ipc_request(on_storage_ipc_callback, kReqGetRecycle, zero, ErrMode::kJson);
}

void on_get_smart_attr(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  json_object* ports = member(req.get(), "port");
  int n = array_len(ports);
  if (n == 0) return;
  int32_t port = array_int(ports, n - 1);
  ipc_request(on_storage_ipc_callback, kReqSmart, port, ErrMode::kJson);
}

void on_del_disk(char* text) {
  JsonPtr req = json_parse(text);
  if (!req) return;
  int32_t port = 0;
  int type = 0;
  json_get_int(req.get(), "port", &port);
  json_get_int(req.get(), "hddType", &type);
  if (type == kDiskTypeRaid) {
    RaidRequest raid{};
    raid.id = port;
    ipc_request(on_storage_ipc_callback, kReqRemoveRaid, raid, ErrMode::kText);
  } else if (type == kDiskTypeNfs || type == kDiskTypeSmb) {
    PortList list{};
    list.count = 1;
    list.ports[0] = port;
    ipc_request(on_storage_ipc_callback, kReqDelNas, list, ErrMode::kText);
    return;
  } else {
    StoredDisk cleared{};
    cleared.property = 1;
    if (write_disk(devpaths::kKvdb, &cleared, port) != 0) {
      cgi_error_to_webserver(ErrMode::kText);
      return;
    }
    ipc_request(on_storage_ipc_callback, kReqRemoveDisk, port, ErrMode::kText);
  }
  send_op_log(on_storage_ipc_callback, kLogSubDiskRemove, kLogParamDisk, port);
}
