// Route table of the stream module, in its registration order.
#include "modules/stream/stream_module.h"
#include "proto/stream_proto.h"

namespace {
constexpr RouteDef kStreamRoutes[] = {
    ROUTE("/4000", on_search_playback, Form::kJson, Form::kJson, stream::kReqCloseSearch, stream::kReqCloseSession, stream::kReqSearch),
    ROUTE("/4023", on_search_playback_page, Form::kJson, Form::kJson, stream::kReqSearchPage),
    ROUTE("/4001", on_start_playback, Form::kJson, Form::kJson, stream::kReqOpenPlayback, stream::kReqPlaybackStream),
    ROUTE("/4020", on_start_playback_mask, Form::kJson, Form::kJson, stream::kReqOpenMaskPlayback, stream::kReqPlaybackStream),
    ROUTE("/4002", on_get_playback_time, Form::kText, Form::kJson, stream::kReqPlayTime),
    ROUTE("/4003", on_stop_playback, Form::kJson, Form::kText, stream::kReqCloseSession, stream::kReqStopPlayback, stream::kReqCloseSearch),
    ROUTE("/4004", on_pause_playback, Form::kJson, Form::kText, stream::kReqPause),
    ROUTE("/4005", on_resume_playback, Form::kJson, Form::kText, stream::kReqResume),
    ROUTE("/4006", on_step_foward_playback, Form::kJson, Form::kText, stream::kReqStep),
    ROUTE("/3003", on_step_playback_batch, Form::kJson, Form::kText, stream::kReqStepBatch),
    ROUTE("/4007", on_fastforward_playback, Form::kJson, Form::kText, stream::kReqFastForward),
    ROUTE("/4008", on_slowforward_playback, Form::kJson, Form::kText, stream::kReqSlowForward),
    ROUTE("/4022", on_set_speed_playback, Form::kJson, Form::kText, stream::kReqSetSpeed),
    ROUTE("/4009", on_jump_playback, Form::kJson, Form::kJson, stream::kReqJump),
    ROUTE("/4010", on_start_live, Form::kJson, Form::kJson, stream::kReqStartLive),
    ROUTE("/4011", on_stop_live, Form::kJson, Form::kText, stream::kReqStopLive),
    ROUTE("/4012", on_stop_all_live, Form::kNone, Form::kText, stream::kReqStopAllLive),
    ROUTE("/4024", on_log_live_view, Form::kText, Form::kText),
    ROUTE("/4014", on_log_channel_event, Form::kText, Form::kText),
    ROUTE("/4017", on_log_channel_user_event, Form::kText, Form::kText),
    ROUTE("/4015", on_check_channel_a, Form::kText, Form::kText),
    ROUTE("/4016", on_check_channel_b, Form::kText, Form::kText),
    ROUTE("/4025", on_set_playback_transcoding, Form::kJson, Form::kJson, stream::kReqTranscode),
    ROUTE("/4026", on_get_playback_transcoding, Form::kJson, Form::kJson, stream::kReqTranscodeState),
    ROUTE("/4013", on_download_playback, Form::kJson, Form::kDownload, stream::kReqDownload),
    ROUTE("/4019", on_get_download_status, Form::kNone, Form::kJson),
    ROUTE("/4027", on_stop_download, Form::kNone, Form::kText, stream::kReqStopDownload),
    ROUTE("/4018", on_get_rtsp_addr, Form::kNone, Form::kJson, stream::kReqRtspAddr),
    ROUTE("/4021", on_get_extern_ports, Form::kNone, Form::kJson, stream::kReqExternPorts),
    ROUTE("/3000", on_get_image_param, Form::kJson, Form::kJson, stream::kReqGetImage),
    ROUTE("/3001", on_set_image_param, Form::kJson, Form::kText, stream::kReqSetImage),
    ROUTE("/3002", on_reset_image_param, Form::kText, Form::kJson, stream::kReqSetImage),
    ROUTE("/3004", on_get_stream_busy, Form::kNone, Form::kJson, stream::kReqStreamBusy),
};
}  // namespace

WEB_MODULE(stream_module, "stream", kStreamRoutes);
