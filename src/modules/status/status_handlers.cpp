// Status pages (/8000-/8004, /8008-/8011): daemon entries joined with the
// stored cameras, alarm names, disks and groups.
#include <json-c/json.h>

#include <cstdio>
#include <cstring>

#include "base/paths.h"
#include "common/reply.h"
#include "modules/status/status_module.h"
#include "platform/kvdb.h"
#include "platform/kvdb_alarm.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_storage.h"
#include "platform/kvdb_video.h"

using namespace status;

namespace {
constexpr const char* kNoValue = "--";

// Camera slots shown: "max_cameras", never past the stored channels.
int camera_slots() {
  int n = get_param_int(devpaths::kKvdb, "max_cameras", 32);
  return n < 0 ? 0 : (n > kCameraChannels ? kCameraChannels : n);
}

int limit(const char* key, int def, int most) {
  int n = get_param_int(devpaths::kKvdb, key, def);
  return n < 0 ? 0 : (n > most ? most : n);
}

int bit(uint64_t mask, int i) { return static_cast<int>((mask >> i) & 1u); }

// id and OSD name of a camera slot.
json_object* camera_head(int slot) {
  OsdRec osd{};
  read_osd(devpaths::kKvdb, &osd, slot);
  json_object* o = json_object_new_object();
  json_add_int(o, "id", slot);
  json_add_field(o, "name", osd.name);
  return o;
}

json_object* stream_json(const StreamState* s) {
  json_object* o = json_object_new_object();
  if (!s) {
    for (const char* key : {"res", "framerate", "bitrate", "connection"}) json_add_text(o, key, kNoValue);
    return o;
  }
  json_object* res = json_object_new_object();
  json_add_int(res, "width", s->width);
  json_add_int(res, "height", s->height);
  json_object_object_add(o, "res", res);
  json_add_int(o, "framerate", s->framerate);
  json_add_int(o, "bitrate", s->bitrate);
  json_add_int(o, "connection", s->connection);
  json_add_int(o, "connectStatus", s->connectStatus);
  return o;
}

CameraRec g_cameras[kCameraChannels];
}  // namespace

JsonPtr camera_status_json(const CameraStatus* entries, int count) {
  int n = 0;
  read_cameras(devpaths::kKvdb, g_cameras, &n);
  json_object* list = json_object_new_array();
  int next = 0;
  for (int slot = 0, slots = camera_slots(); slot < slots; ++slot) {
    const CameraRec& cam = g_cameras[slot];
    json_object* o = camera_head(slot);
    json_add_int(o, "enable", cam.enable);
    if (cam.ip[0])
      json_add_field(o, "ipAddr", cam.ip);
    else
      json_add_text(o, "ipAddr", kNoValue);
    const CameraStatus* e = next < count && entries[next].chn == slot ? &entries[next++] : nullptr;
    if (e) {
      json_add_int(o, "recordOn", e->recordOn);
      json_add_int(o, "alarmOn", e->alarmOn);
    } else {
      json_add_text(o, "recordOn", kNoValue);
      json_add_text(o, "alarmOn", kNoValue);
    }
    json_object_object_add(o, "main", stream_json(e ? &e->main : nullptr));
    json_object_object_add(o, "sub", stream_json(e ? &e->sub : nullptr));
    json_object_array_add(list, o);
  }
  JsonPtr answer(json_object_new_object());
  json_object_object_add(answer.get(), "IPC", list);
  return answer;
}

namespace {
ChnInNameRec g_in_names[kCameraAlarmIns][kAlarmChannels];
ChnOutNameRec g_out_names[kCameraAlarmOuts][kAlarmChannels];
AlarmInRec g_alarm_ins[kAlarmInRecords];
AlarmOutRec g_alarm_outs[kAlarmOuts];

struct MaskKey {
  const char* key;
  uint64_t AlarmStates::*mask;
};
constexpr MaskKey kEventMasks[] = {
    {"entrance", &AlarmStates::entrance},
    {"exiting", &AlarmStates::exiting},
    {"advancedMotion", &AlarmStates::advanced_motion},
    {"tampering", &AlarmStates::tampering},
    {"lineCrossing", &AlarmStates::line_crossing},
    {"loitering", &AlarmStates::loitering},
    {"humanDetection", &AlarmStates::human},
    {"objectleftremove", &AlarmStates::object_left_removed},
};

void add_indexed_int(json_object* o, const char* format, int k, int64_t v) {
  char key[32];
  snprintf(key, sizeof key, format, k);
  json_add_int(o, key, v);
}

template <size_t N>
void add_indexed_field(json_object* o, const char* format, int k, const char (&field)[N]) {
  char key[32];
  snprintf(key, sizeof key, format, k);
  json_add_field(o, key, field);
}

json_object* camera_alarm_json(int slot, const AlarmStates& st) {
  json_object* o = camera_head(slot);
  json_add_field(o, "ipAddr", g_cameras[slot].ip);
  json_add_int(o, "videolossOn", bit(st.videoloss, slot));
  json_add_int(o, "motionOn", bit(st.motion, slot));
  json_add_int(o, "ioOn", 1);
  for (const MaskKey& m : kEventMasks) json_add_int(o, m.key, bit(st.*m.mask, slot));
  json_add_int(o, "in", st.people[slot].in);
  json_add_int(o, "out", st.people[slot].out);
  for (int k = 0; k < kCameraAlarmIns; ++k) {
    add_indexed_field(o, "AlarmInName%d", k, g_in_names[k][slot].name);
    add_indexed_int(o, "AlarmInType%d", k, bit(st.cam_in_type[k], slot));
    add_indexed_int(o, "AlarmInState%d", k, bit(st.cam_in_state[k], slot));
  }
  for (int k = 0; k < kCameraAlarmOuts; ++k) {
    add_indexed_field(o, "AlarmOutName%d", k, g_out_names[k][slot].name);
    add_indexed_int(o, "AlarmOutDelay%d", k, g_out_names[k][slot].delayTime);
    add_indexed_int(o, "AlarmOutType%d", k, bit(st.cam_out_type[k], slot));
    add_indexed_int(o, "AlarmOutState%d", k, bit(st.cam_out_state[k], slot));
  }
  return o;
}
}  // namespace

JsonPtr alarm_status_json(const AlarmStates& st) {
  const char* db = devpaths::kKvdb;
  int slots = camera_slots();
  int ins_shown = limit("alarm_in", 16, kRecorderAlarmIns);
  int outs_shown = limit("alarm_out", 4, kRecorderAlarmOuts);
  int n = 0, ins = 0, outs = 0;
  read_cameras(db, g_cameras, &n);
  for (int k = 0; k < kCameraAlarmIns; ++k) read_alarm_chnIn_event_names(db, k, g_in_names[k]);
  for (int k = 0; k < kCameraAlarmOuts; ++k) read_alarm_chnOut_event_names(db, k, g_out_names[k]);
  read_alarm_ins(db, g_alarm_ins, &ins);
  read_alarm_outs(db, g_alarm_outs, &outs);

  JsonPtr answer(json_object_new_object());
  json_object* cameras = json_object_new_array();
  for (int slot = 0; slot < slots; ++slot) json_object_array_add(cameras, camera_alarm_json(slot, st));
  json_object_object_add(answer.get(), "cameras", cameras);

  json_object* in_list = json_object_new_array();
  for (int i = 0; i < ins && i < ins_shown; ++i) {
    json_object* o = json_object_new_object();
    json_add_int(o, "id", g_alarm_ins[i].id);
    json_add_field(o, "name", g_alarm_ins[i].name);
    json_add_int(o, "type", g_alarm_ins[i].type);
    json_add_int(o, "state", bit(static_cast<uint32_t>(st.alarm_in), i));
    json_object_array_add(in_list, o);
  }
  json_object_object_add(answer.get(), "alarmIn", in_list);

  json_object* out_list = json_object_new_array();
  for (int i = 0; i < outs && i < outs_shown; ++i) {
    json_object* o = json_object_new_object();
    json_add_int(o, "id", g_alarm_outs[i].id);
    json_add_field(o, "name", g_alarm_outs[i].name);
    json_add_int(o, "type", g_alarm_outs[i].type);
    json_add_int(o, "duration", g_alarm_outs[i].durationTime);
    json_add_int(o, "state", bit(static_cast<uint32_t>(st.alarm_out), i));
    json_object_array_add(out_list, o);
  }
  json_object_object_add(answer.get(), "alarmOut", out_list);
  return answer;
}

void on_get_network_interfaces(char*) { ipc_request(on_status_ipc_callback, kReqInterfaces, ErrMode::kJson); }
void on_get_network_traffic(char*) { ipc_request(on_status_ipc_callback, kReqTraffic, ErrMode::kJson); }
void on_get_camera_status(char*) { ipc_request(on_status_ipc_callback, kReqCameraStatus, ErrMode::kJson); }
void on_get_alarm_status(char*) { ipc_request(on_status_ipc_callback, kReqAlarmStates, ErrMode::kJson); }
void on_get_memory_status(char*) { ipc_request(on_status_ipc_callback, kReqMemory, ErrMode::kJson); }
void on_get_channel_capability(char*) { ipc_request(on_status_ipc_callback, kReqCapabilities, ErrMode::kJson); }
void on_cgi_get_online_user_status(char*) {
  ipc_request(on_status_ipc_callback, kReqOnlineUsers, ErrMode::kJson);
}

// Registered for the page but without a job: no answer.
void on_status_reserved(char*) {}

void on_get_disk_group_status(char*) {
  using storage::kMaxDisks;
  using storage::kMaxGroups;
  static StoredDisk disks[kMaxDisks];
  static storage::GroupRecord groups[kMaxGroups];
  int ndisks = 0, ngroups = 0;
  read_disks(devpaths::kKvdb, disks, &ndisks);
  read_groups(devpaths::kKvdb, groups, &ngroups);
  int by_port[kMaxDisks] = {};
  for (int i = 0; i < ndisks && i < kMaxDisks; ++i)
    if (disks[i].enable == 1 && disks[i].port >= 1 && disks[i].port <= kMaxDisks)
      by_port[disks[i].port - 1] = disks[i].group + 1;
  JsonPtr answer(json_object_new_object());
  json_object* channel = json_object_new_array();
  for (int g = 0; g < kMaxGroups; ++g) {
    const char* text = g < ngroups ? groups[g].channels : "";
    json_object_array_add(channel, json_object_new_string_len(text, static_cast<int>(strnlen(text, 65))));
  }
  json_object_object_add(answer.get(), "channel", channel);
  json_object* disk = json_object_new_array();
  for (int v : by_port) json_object_array_add(disk, json_object_new_int(v));
  json_object_object_add(answer.get(), "disk", disk);
  json_add_int(answer.get(), "max_chan", get_param_int(devpaths::kKvdb, "max_cameras", 32));
  json_add_int(answer.get(), "group_enable", get_param_int(devpaths::kKvdb, "group_mode", 0));
  answer_json(answer);
}
