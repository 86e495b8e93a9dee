// Route table of the ptz module, in its registration order.
#include "modules/ptz/ptz_module.h"

namespace {
constexpr RouteDef kPtzRoutes[] = {
    ROUTE("/5000", on_send_ptz_cmd),
    ROUTE("/5001", on_preset_op),
    ROUTE("/5002", on_set_ptz_tour_run),
    ROUTE("/5003", on_set_ptz_tour_stop),
    ROUTE("/5004", on_set_ptz_pattern),
    ROUTE("/5005", on_get_ptz_info),
    ROUTE("/5006", on_set_ptz_preset_call),
    ROUTE("/5007", on_set_ptz_zomm),
    ROUTE("/5008", on_set_ipc_speed),
    ROUTE("/5009", on_cgi_set_ptz_control),
    ROUTE("/5010", on_cgi_get_led_status),
    ROUTE("/5011", on_cgi_get_ptz_basic),
    ROUTE("/5012", on_cgi_set_ptz_basic),
    ROUTE("/6050", on_get_ptzport_info),
    ROUTE("/6051", on_set_ptzport_info),
    ROUTE("/6052", on_get_ptzsupport_info),
    ROUTE("/6053", on_get_ptz_speed),
    ROUTE("/6054", on_set_ptz_speed),
    ROUTE("/6055", on_set_ptz_tour_set),
    ROUTE("/6056", on_set_fish_ptz_tour_set),
    ROUTE("/6057", on_set_ptz_tour_clear),
};
}  // namespace

WEB_MODULE(ptz_module, "ptz", kPtzRoutes);
