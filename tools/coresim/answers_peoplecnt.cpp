// Simulated people counting, POS and face detection: the counters of each
// group, cleared by the resets, how often the daemon was told of new
// settings, and the face settings each camera holds.
#include <array>
#include <string>

#include "coresim_registry.h"
#include "platform/kvdb_peoplecnt.h"
#include "platform/kvdb_pos.h"
#include "proto/face_proto.h"
#include "proto/peoplecnt_proto.h"

using namespace peoplecnt;

namespace {
struct Counters {
  int32_t in = 12;
  int32_t out = 9;
  int32_t liveview = 3;
};

struct PeoplecntState {
  std::array<Counters, kPeoplecntGroups> groups{};
  int settings_changes = 0;
  int backup_changes = 0;
  std::array<int, kPosDevices> pos_changes{};
  std::array<face::FaceConfig, face::kChannels> faces{};  // what each camera was last told
};

// -1 for a group the recorder does not have.
int32_t group_of(const CoreRequest& req) {
  int32_t g = read_as<int32_t>(req);
  return g >= 0 && g < kPeoplecntGroups ? g : -1;
}

std::string reset(PeoplecntState& s, const CoreRequest& req, bool whole) {
  int32_t g = group_of(req);
  if (g < 0) return status_word(-1);
  Counters& c = s.groups[static_cast<size_t>(g)];
  c.liveview = 0;
  if (whole) c = Counters{0, 0, 0};
  return status_word(0);
}

std::string describe_group(const CoreRequest& req) { return "group " + std::to_string(read_as<int32_t>(req)); }
std::string describe_channel(const CoreRequest& req) { return "channel " + std::to_string(read_as<int32_t>(req)); }
std::string describe_device(const CoreRequest& req) { return "POS " + std::to_string(read_as<int32_t>(req)); }
}  // namespace

const CoreAnswerTable kPeoplecntAnswers{
    {kReqSettingsSet, on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest&) {
       ++s.settings_changes;
       return status_word(0);
     }), {}},
    {kReqDbReset, on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest& r) { return reset(s, r, true); }),
     describe_group},
    {kReqLiveviewReset,
     on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest& r) { return reset(s, r, false); }),
     describe_group},
    {kReqActionSet, on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest& r) {
       ++s.settings_changes;
       return status_word(read_as<ActionNotice>(r).group >= 0 && read_as<ActionNotice>(r).group < kPeoplecntGroups
                              ? 0 : -1);
     }), describe_group},
    {pos::kReqPosSet, on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest& r) {
       int32_t id = read_as<int32_t>(r);
       if (id < 0 || id >= kPosDevices) return status_word(-1);
       ++s.pos_changes[static_cast<size_t>(id)];
       return status_word(0);
     }), describe_device},
    {face::kReqFaceSet, on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest& r) {
       auto cfg = read_as<face::FaceConfig>(r);
       if (cfg.chn_id < 0 || cfg.chn_id >= face::kChannels) return status_word(-1);
       s.faces[static_cast<size_t>(cfg.chn_id)] = cfg;
       return status_word(0);
     }), {}},
    {face::kReqFaceAction, silent<PeoplecntState>([](PeoplecntState&, const CoreRequest&) {}), describe_channel},
    {kReqReportBackup, on_state<PeoplecntState>([](PeoplecntState& s, const CoreRequest&) {
       ++s.backup_changes;
       return status_word(0);
     }), {}},
};
