// P2P answers. 3700 with the registration record switches P2P on (stored by
// the device; a region without a relay server is ERR_NOTFOUND); 3700 with a
// shorter text is the relay's grant that the relay test passes on, kept as
// the registration code, no reply. 3701 switches off, 3702 reports, 2302
// forgets the cloud account.
#include "answers_p2p.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "common/web_utils.h"
#include "platform/kv_p2p.h"
#include "platform/kvdb.h"
#include "platform/kvdb_cert.h"

using namespace p2p;

namespace {
constexpr int32_t kEnableOk = 0;
constexpr int32_t kEnableNoServer = 2;
constexpr int32_t kStatusOffline = 0;
constexpr int32_t kStatusOnline = 1;

std::vector<CoreReply> enable(CoreDevice& dev, const CoreRequest& req) {
  std::lock_guard<std::mutex> lock(dev.mu);
  CoreP2pState& s = dev.part<CoreP2pState>();
  if (req.payload.size() != sizeof(P2pInfo)) {
    s.register_code = std::string(req.payload.substr(0, req.payload.find('\0')));
    return {};
  }
  auto asked = read_as<P2pInfo>(req);
  if (asked.region < 0 || asked.region >= kCoreP2pRegions) return {reply_to(req, status_word(kEnableNoServer))};
  P2pInfo rec{};
  read_p2p_info(devpaths::kKvdb, &rec);
  rec.enable = asked.enable;
  rec.region = asked.region;
  write_p2p_info(devpaths::kKvdb, &rec);
  ++s.enables;
  return {reply_to(req, status_word(kEnableOk))};
}

std::string disable(CoreP2pState& s, const CoreRequest&) {
  P2pInfo rec{};
  read_p2p_info(devpaths::kKvdb, &rec);
  rec.enable = 0;
  ++s.disables;
  return status_word(write_p2p_info(devpaths::kKvdb, &rec) == 0 ? 0 : -1);
}

std::string status(CoreP2pState& s, const CoreRequest&) {
  P2pInfo rec{};
  read_p2p_info(devpaths::kKvdb, &rec);
  P2pStatus st{};
  st.enable = rec.enable;
  st.p2pstatus = rec.enable && !s.register_code.empty() ? kStatusOnline : kStatusOffline;
  if (get_param_value(devpaths::kKvdb, "model", st.model, sizeof st.model, "") != 0 || !st.model[0])
    copy_text(st.model, "NVR");
  char mac[18] = "";
  get_mac_addr(mac, nullptr);
  std::string uuid = "VH";
  for (const char* p = mac; *p; ++p)
    if (*p != ':') uuid += *p;
  copy_text(st.ipc, uuid.c_str());
  copy_field(st.cloudAccount, rec.cloudAccount);
  copy_text(st.cloudServer, p2p_relay_address().host.c_str());
  copy_text(st.registerCode, s.register_code.c_str());
  copy_field(st.company, rec.company);
  copy_field(st.email, rec.email);
  copy_field(st.dealer, rec.dealer);
  st.region = rec.region;
  return bytes_of(st);
}

std::string unbind(CoreP2pState& s, const CoreRequest&) {
  P2pInfo rec{};
  read_p2p_info(devpaths::kKvdb, &rec);
  memset(rec.cloudAccount, 0, sizeof rec.cloudAccount);
  write_p2p_info(devpaths::kKvdb, &rec);
  s.register_code.clear();
  ++s.unbinds;
  return status_word(0);
}

std::string describe_enable(const CoreRequest& req) {
  if (req.payload.size() != sizeof(P2pInfo)) return "grant " + std::string(req.payload.substr(0, req.payload.find('\0')));
  auto r = read_as<P2pInfo>(req);
  return "enable " + std::to_string(r.enable) + " region " + std::to_string(r.region);
}

const CoreAnswerTable kP2pAnswers = {
    {kReqEnable, enable, describe_enable},
    {kReqDisable, on_state<CoreP2pState>(disable), nullptr},
    {kReqStatus, on_state<CoreP2pState>(status), nullptr},
    {kReqUnbind, on_state<CoreP2pState>(unbind), nullptr},
};
}  // namespace

CoreP2pState coresim_p2p_state(CoreDevice& dev) {
  std::lock_guard<std::mutex> lk(dev.mu);
  return dev.part<CoreP2pState>();
}
