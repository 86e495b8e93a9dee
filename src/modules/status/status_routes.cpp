// Route table of the status module, in its registration order.
#include "modules/status/status_module.h"

namespace {
constexpr RouteDef kStatusRoutes[] = {
    ROUTE("/8000", on_get_network_interfaces),
    ROUTE("/8001", on_get_network_traffic),
    ROUTE("/8002", on_get_camera_status),
    ROUTE("/8003", on_get_alarm_status),
    ROUTE("/8004", on_status_reserved),
    ROUTE("/8005", on_start_packet_capture),
    ROUTE("/8006", on_stop_packet_capture),
    ROUTE("/8007", on_download_packet_capture),
    ROUTE("/8008", on_get_memory_status),
    ROUTE("/8009", on_get_channel_capability),
    ROUTE("/8010", on_get_disk_group_status),
    ROUTE("/8011", on_cgi_get_online_user_status),
};
}  // namespace

WEB_MODULE(status_module, "status", kStatusRoutes);
