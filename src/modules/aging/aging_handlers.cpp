// Ageing test switches (/3300-/3304): the minimum of checking, no operation
// log records, every daemon notice sent without waiting.
#include "base/paths.h"
#include "base/text.h"
#include "common/fields.h"
#include "common/ipc.h"
#include "common/reply.h"
#include "modules/aging/aging_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_network.h"
#include "platform/kvdb_record.h"
#include "proto/aging_proto.h"
#include "proto/network_proto.h"
#include "proto/record_proto.h"

namespace {
struct Switch {
  int32_t value;
};

// {key: 0|1} into one integer parameter.
bool read_switch(const char* text, const char* key, int32_t* out) {
  const Field f[] = {FIELD_ALL(Switch, value, key, kFieldRequired, 0, 1)};
  Switch s{};
  if (!fields_parse(text, &s, f)) return false;
  *out = s.value;
  return true;
}

void set_switch_param(const char* text, const char* key, const char* param) {
  int32_t v;
  if (read_switch(text, key, &v)) answer_ok_or(set_param_int(devpaths::kKvdb, param, v) == 0, ErrMode::kText);
}

struct CameraSlot {
  int32_t id;
  int32_t enable;
  char ipAddr[64];
  int32_t managePort;
  char userName[64];
  char password[64];
};

// check_ipc_parms: the slot must be one of the stored channels.
constexpr Field kCameraSlotFields[] = {
    FIELD_REQ(CameraSlot, id, "id", 0, kCameraChannels - 1),
    FIELD_REQ(CameraSlot, enable, "enable", 0, 1),
    FIELD_REQ(CameraSlot, ipAddr, "ipAddr", 1, INT64_MAX),  // cut to 63
    FIELD_REQ(CameraSlot, managePort, "managePort", 0, INT32_MAX),
    FIELD(CameraSlot, userName, "userName"),
    FIELD(CameraSlot, password, "password"),
};
}  // namespace

void on_aging_callback(void*, void*, void*) {}

void on_aging_set_ssh(char* text) {
  int32_t v;
  if (!read_switch(text, "sshEnable", &v)) return;
  net::PortRec port{};
  net::read_port(devpaths::kKvdb, &port);
  port.enableSsh = v;
  if (net::write_port(devpaths::kKvdb, &port) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  answer_ok();
  net::SettingsNotice notice{};
  copy_text(notice.name, net::kChangedMore);
  ipc_send(on_aging_callback, net::kReqSettingsChanged, notice);
}

void on_aging_set_auto_login(char* text) { set_switch_param(text, "autoLoginEnable", "local_auth_enable"); }

void on_aging_set_wizard(char* text) { set_switch_param(text, "wizardEnable", "wizard_enable"); }

namespace {
struct RecordModeReq {
  int32_t recordMode;
};
// The plan modes the record pages know.
constexpr Field kRecordModeFields[] = {FIELD_REQ(RecordModeReq, recordMode, "recordMode", 0, 2)};
}  // namespace

void on_aging_set_record_mode(char* text) {
  RecordModeReq req{};
  if (!fields_parse(text, &req, kRecordModeFields)) return;
  static RecordRec recs[kRecordChannels];
  int n = 0;
  read_records(devpaths::kKvdb, recs, &n);
  for (RecordRec& r : recs) r.mode = req.recordMode;
  if (write_records(devpaths::kKvdb, recs, ~0ull) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  answer_ok();
  for (int32_t chn = 0; chn < kRecordChannels; ++chn) ipc_send(on_aging_callback, record::kReqModeChanged, chn);
}

void on_aging_set_camera(char* text) {
  CameraSlot slot{};
  if (!fields_parse(text, &slot, kCameraSlotFields)) return;
  CameraRec cam{};
  read_camera(devpaths::kKvdb, &cam, slot.id);
  cam.enable = slot.enable;
  copy_text(cam.ip, slot.ipAddr);
  cam.manage_port = slot.managePort;
  copy_text(cam.user, slot.userName);
  copy_text(cam.password, slot.password);
  if (write_camera(devpaths::kKvdb, &cam) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_aging_callback, slot.enable ? aging::kReqCameraEnabled : aging::kReqCameraDisabled, slot.id);
  answer_ok();
}
