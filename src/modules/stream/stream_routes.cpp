// Route table of the stream module, in its registration order.
#include "modules/stream/stream_module.h"

namespace {
constexpr RouteDef kStreamRoutes[] = {
    ROUTE("/4000", on_search_playback),
    ROUTE("/4023", on_search_playback_page),
    ROUTE("/4001", on_start_playback),
    ROUTE("/4020", on_start_playback_mask),
    ROUTE("/4002", on_get_playback_time),
    ROUTE("/4003", on_stop_playback),
    ROUTE("/4004", on_pause_playback),
    ROUTE("/4005", on_resume_playback),
    ROUTE("/4006", on_step_foward_playback),
    ROUTE("/3003", on_step_playback_batch),
    ROUTE("/4007", on_fastforward_playback),
    ROUTE("/4008", on_slowforward_playback),
    ROUTE("/4022", on_set_speed_playback),
    ROUTE("/4009", on_jump_playback),
    ROUTE("/4010", on_start_live),
    ROUTE("/4011", on_stop_live),
    ROUTE("/4012", on_stop_all_live),
    ROUTE("/4024", on_log_live_view),
    ROUTE("/4014", on_log_channel_event),
    ROUTE("/4017", on_log_channel_user_event),
    ROUTE("/4015", on_check_channel_a),
    ROUTE("/4016", on_check_channel_b),
    ROUTE("/4025", on_set_playback_transcoding),
    ROUTE("/4026", on_get_playback_transcoding),
    ROUTE("/4013", on_download_playback),
    ROUTE("/4019", on_get_download_status),
    ROUTE("/4027", on_stop_download),
    ROUTE("/4018", on_get_rtsp_addr),
    ROUTE("/4021", on_get_extern_ports),
    ROUTE("/3000", on_get_image_param),
    ROUTE("/3001", on_set_image_param),
    ROUTE("/3002", on_reset_image_param),
    ROUTE("/3004", on_get_stream_busy),
};
}  // namespace

WEB_MODULE(stream_module, "stream", kStreamRoutes);
