// Status replies: one table row per reply code, one converter per page.
#include <json-c/json.h>

#include "common/fields.h"
#include "common/reply.h"
#include "modules/status/status_module.h"

using namespace status;

namespace {
constexpr Field kInterfaceFields[] = {
    FIELD(NetInterface, ifname, "ifname"),         FIELD(NetInterface, id, "id"),
    FIELD(NetInterface, state, "state"),           FIELD(NetInterface, speedMode, "speedMode"),
    FIELD(NetInterface, duplex, "duplex"),         FIELD(NetInterface, enable, "enable"),
    FIELD(NetInterface, dhcpEnable, "dhcpEnable"), FIELD(NetInterface, ipAddr, "ipAddr"),
    FIELD(NetInterface, MAC, "MAC"),               FIELD(NetInterface, primaryDNS, "primaryDNS"),
    FIELD(NetInterface, secondDNS, "secondDNS"),   FIELD(NetInterface, gateway, "gateway"),
    FIELD(NetInterface, netmask, "netmask"),       FIELD(NetInterface, mtu, "mtu"),
    FIELD(NetInterface, ip6mode, "ip6mode"),       FIELD(NetInterface, ip6address, "ip6address"),
    FIELD(NetInterface, ip6prefix, "ip6prefix"),   FIELD(NetInterface, ip6gateway, "ip6gateway"),
};
constexpr Field kTrafficFields[] = {
    FIELD(Traffic, id, "id"),
    FIELD(Traffic, ifname, "ifname"),
    FIELD(Traffic, RxSpeed, "RxSpeed"),
    FIELD(Traffic, TxSpeed, "TxSpeed"),
};
constexpr Field kMemoryFields[] = {
    FIELD(Memory, total, "total"),
    FIELD(Memory, free, "free"),
    FIELD(Memory, used, "used"),
};
constexpr Field kOnlineUserFields[] = {
    FIELD(OnlineUser, userName, "userName"),
    FIELD(OnlineUser, userLevel, "userLevel"),
    FIELD(OnlineUser, ipaddr, "ipaddr"),
    FIELD(OnlineUser, loginTime, "loginTime"),
};

// count entries of the reply, each printed through its field table.
template <class Rec>
json_object* entry_array(const IpcReply& r, Fields f) {
  json_object* list = json_object_new_array();
  const Rec* entries = r.as<Rec>();
  for (int i = 0; i < r.count; ++i) {
    json_object* item = json_object_new_object();
    fields_to_json(item, &entries[i], f);
    json_object_array_add(list, item);
  }
  return list;
}

template <class Rec>
void netif_cb(const IpcReply& r, Fields f) {
  if (r.count < 0) return;
  JsonPtr obj(json_object_new_object());
  json_object_object_add(obj.get(), "netif", entry_array<Rec>(r, f));
  answer_json(obj);
}

void on_interfaces_cb(const IpcReply& r) { netif_cb<NetInterface>(r, kInterfaceFields); }
void on_traffic_cb(const IpcReply& r) { netif_cb<Traffic>(r, kTrafficFields); }

void on_camera_status_cb(const IpcReply& r) {
  if (r.count >= 0) answer_json(camera_status_json(r.as<CameraStatus>(), r.count));
}

void on_alarm_states_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(alarm_status_json(*r.as<AlarmStates>()));
}

void on_memory_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, kMemoryFields));
}

void on_capabilities_cb(const IpcReply& r) {
  if (r.count < 0) return;
  char support[kCapabilityEntries + 1] = {};
  char type[kCapabilityEntries + 1] = {};
  const Capability* caps = r.as<Capability>();
  for (int i = 0; i < kCapabilityEntries; ++i) {
    bool have = i < r.count;
    support[i] = have && caps[i].supported == 1 ? '1' : '0';
    type[i] = have && (caps[i].kind == 1 || caps[i].kind == 2) ? static_cast<char>('0' + caps[i].kind) : '0';
  }
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "support", support);
  json_add_text(obj.get(), "type", type);
  answer_json(obj);
}

void on_online_users_cb(const IpcReply& r) {
  if (r.count < 0) return;
  JsonPtr list(entry_array<OnlineUser>(r, kOnlineUserFields));
  answer_json(list);
}

const IpcReplyRoute kStatusReplies[] = {
    {reply_of(kReqCameraStatus), sizeof(CameraStatus), on_camera_status_cb},
    {reply_of(kReqInterfaces), sizeof(NetInterface), on_interfaces_cb},
    {reply_of(kReqTraffic), sizeof(Traffic), on_traffic_cb},
    {reply_of(kReqAlarmStates), sizeof(AlarmStates), on_alarm_states_cb},
    {reply_of(kReqMemory), sizeof(Memory), on_memory_cb},
    {reply_of(kReqCapabilities), sizeof(Capability), on_capabilities_cb},
    {reply_of(kReqOnlineUsers), sizeof(OnlineUser), on_online_users_cb},
};
}  // namespace

std::span<const IpcReplyRoute> status_reply_table() { return kStatusReplies; }

void on_status_ipc_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kStatusReplies, head, payload); }
