// Route table of the alarm module, in its registration order.
#include "modules/alarm/alarm_module.h"

namespace {
constexpr RouteDef kAlarmRoutes[] = {
    ROUTE("/6020", on_get_alarm_out_list),
    ROUTE("/6021", on_get_alarm_out),
    ROUTE("/6022", on_set_alarm_out),
    ROUTE("/6023", on_set_alarm_out_manual),
    ROUTE("/6024", on_get_camera_alarm_input),
    ROUTE("/6025", on_set_camera_alarm_input),
    ROUTE("/6026", on_get_nvr_alarm_input),
    ROUTE("/6027", on_set_nvr_alarm_input),
    ROUTE("/6028", on_get_camera_alarm_output),
    ROUTE("/6029", on_set_camera_alarm_output),
    ROUTE("/6032", on_get_all_alarmout_names),
    ROUTE("/6033", on_set_camera_alarm_output_state),
    ROUTE("/6034", on_get_all_alarmin_names),
    ROUTE("/6060", on_get_alarm_in_list),
    ROUTE("/6061", on_get_alarm_in),
    ROUTE("/6062", on_set_alarm_in),
    ROUTE("/6063", on_set_alarm_in_name),
    ROUTE("/6064", on_set_alarm_in_actions),
};
}  // namespace

WEB_MODULE(alarm_module, "alarm", kAlarmRoutes);
