// Simulated core daemon: the notices of the event action pages. None is
// answered; the device remembers which channels take scheduled snapshots and
// which event channels were last announced, so its log tells what it was told.
#include <cstdio>
#include <string>

#include "coresim_registry.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
struct ActionState {
  uint64_t snapshotting = 0;  // channels taking scheduled snapshots (1313)
  uint64_t video_loss = 0;    // last masks announced (1414, 1415)
  uint64_t alarm_in = 0;
};

std::string hex_mask(uint64_t mask) {
  char buf[24];
  snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(mask));
  return buf;
}

std::string describe_mask(const CoreRequest& req) { return "channels " + hex_mask(read_as<uint64_t>(req)); }

std::string describe_list(const CoreRequest& req) {
  ChannelList list = read_as<ChannelList>(req);
  std::string s = "channels";
  for (int i = 0; i < list.count && i < kChannels; ++i) s += " " + std::to_string(list.chn[i]);
  return s;
}

std::string describe_switch(const CoreRequest& req) {
  SnapshotSwitch msg = read_as<SnapshotSwitch>(req);
  std::string s = msg.action == kSnapshotStart ? "start" : "stop";
  for (int c = 0; c < kChannels; ++c)
    if (msg.flag[c]) s += " " + std::to_string(c);
  return s;
}

void snapshot_switch(ActionState& st, const CoreRequest& req) {
  SnapshotSwitch msg = read_as<SnapshotSwitch>(req);
  for (int c = 0; c < kChannels; ++c) {
    if (!msg.flag[c]) continue;
    if (msg.action == kSnapshotStart)
      st.snapshotting |= uint64_t{1} << c;
    else
      st.snapshotting &= ~(uint64_t{1} << c);
  }
}

const CoreAnswerTable kActionAnswers{
    {kReqAlarmInChanged, silent<ActionState>([](ActionState&, const CoreRequest&) {}),
     [](const CoreRequest& req) { return "alarm input " + std::to_string(read_as<int32_t>(req)); }},
    {kReqVideoLossesChanged,
     silent<ActionState>([](ActionState& st, const CoreRequest& req) { st.video_loss = read_as<uint64_t>(req); }),
     describe_mask},
    {kReqAlarmInsChanged,
     silent<ActionState>([](ActionState& st, const CoreRequest& req) { st.alarm_in = read_as<uint64_t>(req); }),
     describe_mask},
    {kReqSnapshotSettings, silent<ActionState>([](ActionState&, const CoreRequest&) {}), describe_list},
    {kReqSnapshotSchedules, silent<ActionState>([](ActionState&, const CoreRequest&) {}), describe_list},
    {kReqSnapshotSwitch, silent<ActionState>(snapshot_switch), describe_switch},
};
}  // namespace
