// Video replies: one table row per reply code, one converter per answer.
// Rows whose record has no page in this program yet come with their pages.
#include <json-c/json.h>

#include <cstring>

#include "common/fields.h"
#include "common/reply.h"
#include "modules/video/lpr_handlers.h"
#include "modules/video/people_region_handlers.h"
#include "modules/video/vca_handlers.h"
#include "modules/video/video_module.h"
#include "proto/vca_proto.h"
#include "proto/lpr_proto.h"
#include "proto/people_region_proto.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
// Result writer of the camera-side sets: "OK" for 0, else "FAILED".
void on_result_cb(const IpcReply& r) {
  if (r.count >= 1) answer_text(r.word() == 0 ? "OK" : "FAILED");
}
// Plate settings: a reply without a whole status is a failure too.
void on_anpr_result_cb(const IpcReply& r) { answer_text(r.count >= 1 && r.word() == 0 ? "OK" : "FAILED"); }

constexpr IpcReplyRoute result_row(IpcCode c) { return {reply_of(c), 4, on_result_cb}; }

template <const Field* F, size_t N>
void fields_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(fields_json(r.payload, Fields(F, N)));
}
template <const auto& F>
constexpr IpcReplyRoute fields_row(IpcCode c, int32_t width) {
  return {reply_of(c), width, fields_cb<F, std::size(F)>};
}

constexpr Field kZoomFields[] = {
    FIELD(ZoomState, chnid, "chnid"), FIELD(ZoomState, state, "state"), FIELD(ZoomState, zoom_number, "zoomNumber")};
constexpr Field kFisheyeModeFields[] = {
    FIELD(FisheyeMode, chnid, "chnid"),       FIELD(FisheyeMode, result, "result"),
    FIELD(FisheyeMode, fishmount, "fishmount"), FIELD(FisheyeMode, fishdisplay, "fishdisplay"),
    FIELD(FisheyeMode, fishcorrect, "fishcorrect")};
constexpr Field kVcaSupportFields[] = {FIELD(VcaSupport, support, "support"), FIELD(VcaSupport, type, "type")};
constexpr Field kAnprSupportFields[] = {FIELD(AnprSupport, chnid, "chnid"),
                                        FIELD(AnprSupport, vca_support, "vca_support"),
                                        FIELD(AnprSupport, vca_version, "vca_version")};
constexpr Field kFisheyeInfoFields[] = {
    FIELD(FisheyeInfo, support, "support"), FIELD(FisheyeInfo, transfer, "transfer"),
    FIELD(FisheyeInfo, install, "install"), FIELD(FisheyeInfo, display, "display"),
    FIELD(FisheyeInfo, stream_cnt, "streamCnt")};

// A fisheye camera found by address: only status 1 means it is supported.
void on_check_fisheye_info_cb(const IpcReply& r) {
  if (r.count < 1) return;
  FisheyeInfo info{};
  memcpy(&info, r.payload, sizeof info);
  info.support = info.support == 1 ? 1 : 0;
  answer_json(fields_json(&info, kFisheyeInfoFields));
}

const IpcReplyRoute kVideoReplies[] = {
    {reply_of(lpr::kReqIpcWildcardsGet), sizeof(lpr::PlateWildcards), on_get_ipc_anpr_wildcards_cb},
    result_row(kReqIpcWildcardsSet),
    {reply_of(lpr::kReqIpcLine2Get), sizeof(lpr::IpcLine2), on_get_ipc_vca_line2_cb},
    result_row(kReqIpcLine2Set),
    {reply_of(lpr::kReqIpcVcaSettings2Get), sizeof(lpr::IpcVcaSettings2), on_get_ipc_vca_settings2_cb},
    result_row(kReqIpcVcaSettings2Set),
    fields_row<kZoomFields>(kReqZoomState, sizeof(ZoomState)),
    {reply_of(pcnt::kReqRegionalGet), sizeof(pcnt::RegionalCount), on_get_ipc_regional_info_cb},
    res_row(kReqIpcRegionalSet),
    res_row(kReqPrivacyEdit),
    res_row(kReqFisheyeInfoSet),
    {reply_of(kReqCamPrivacyMasks), sizeof(CamPrivacyMask), on_get_ipc_privacy_mask_cb},
    word_row(kReqModelType, "result"),
    {reply_of(kReqMotionMapGet), sizeof(MotionMap), on_get_motion_map_cb},
    {reply_of(kReqOsdConfigSet), 4, on_set_osdconfig_cb},
    {reply_of(kReqOsdConfigGet), sizeof(OsdConfig), on_get_osdconfig_cb},
    {reply_of(kReqCamIoGet), sizeof(CamIoReply), on_get_camera_io_cb},
    {reply_of(kReqVolumeGet), sizeof(VolumeReply), on_get_volume_detect_cb},
    result_row(kReqFisheyeModeSet),
    fields_row<kFisheyeModeFields>(kReqFisheyeModeGet, sizeof(FisheyeMode)),
    result_row(kReqVcaRegionInSet),
    result_row(kReqVcaRegionOutSet),
    result_row(kReqVcaMotionSet),
    result_row(kReqVcaTamperSet),
    result_row(kReqVcaLineSet),
    result_row(kReqVcaLoiteringSet),
    result_row(kReqVcaHumanSet),
    result_row(kReqVcaPeopleSet),
    result_row(kReqVcaSettingsSet),
    result_row(kReqVcaClearCount),
    result_row(kReqVcaLeftRemoveSet),
    fields_row<kVcaSupportFields>(kReqVcaSupport, sizeof(VcaSupport)),
    {reply_of(vca::kReqRegionInGet), sizeof(vca::Detection), on_get_vca_detection_cb},
    {reply_of(vca::kReqRegionOutGet), sizeof(vca::Detection), on_get_vca_detection_cb},
    {reply_of(vca::kReqMotionGet), sizeof(vca::Detection), on_get_vca_detection_cb},
    {reply_of(vca::kReqTamperGet), sizeof(vca::Detection), on_get_vca_detection_cb},
    {reply_of(vca::kReqLoiteringGet), sizeof(vca::Detection), on_get_vca_detection_cb},
    {reply_of(vca::kReqHumanGet), sizeof(vca::Detection), on_get_vca_detection_cb},
    {reply_of(vca::kReqLineGet), sizeof(vca::LineCrossing), on_get_vca_line_cb},
    {reply_of(kReqVcaSettingsGet), sizeof(vca::AnalysisSettings), on_get_vca_settings_cb},
    {reply_of(vca::kReqLeftRemoveGet), sizeof(vca::LeftRemove), on_get_vca_leftremove_cb},
    {reply_of(lpr::kReqAnprSettingsGet), sizeof(lpr::AnprSettings), on_get_anpr_settings_cb},
    {reply_of(pcnt::kReqPeopleGet), sizeof(pcnt::PeopleCount), on_get_vca_people_cb},
    {reply_of(kReqAnprSettingsSet), 4, on_anpr_result_cb},
    fields_row<kAnprSupportFields>(kReqAnprSupport, sizeof(AnprSupport)),
    {reply_of(kReqFisheyeInfo), sizeof(FisheyeInfo), on_check_fisheye_info_cb},
};
}  // namespace

std::span<const IpcReplyRoute> video_reply_table() { return kVideoReplies; }

void on_video_ipc_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kVideoReplies, head, payload); }
