// Route table of the status module, in its registration order.
#include "modules/status/status_module.h"
#include "proto/status_proto.h"

namespace {
constexpr RouteDef kStatusRoutes[] = {
    ROUTE("/8000", on_get_network_interfaces, Form::kNone, Form::kJson, status::kReqInterfaces),
    ROUTE("/8001", on_get_network_traffic, Form::kNone, Form::kJson, status::kReqTraffic),
    ROUTE("/8002", on_get_camera_status, Form::kNone, Form::kJson, status::kReqCameraStatus),
    ROUTE("/8003", on_get_alarm_status, Form::kNone, Form::kJson, status::kReqAlarmStates),
    ROUTE("/8004", on_status_reserved, Form::kNone, Form::kNone),
    ROUTE("/8005", on_start_packet_capture, Form::kJson, Form::kJson),
    ROUTE("/8006", on_stop_packet_capture, Form::kNone, Form::kText),
    ROUTE("/8007", on_download_packet_capture, Form::kText, Form::kDownload),
    ROUTE("/8008", on_get_memory_status, Form::kNone, Form::kJson, status::kReqMemory),
    ROUTE("/8009", on_get_channel_capability, Form::kNone, Form::kJson, status::kReqCapabilities),
    ROUTE("/8010", on_get_disk_group_status, Form::kNone, Form::kJson),
    ROUTE("/8011", on_cgi_get_online_user_status, Form::kNone, Form::kJson, status::kReqOnlineUsers),
};
}  // namespace

WEB_MODULE(status_module, "status", kStatusRoutes);
