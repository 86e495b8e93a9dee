// Route table of the alarm module, in its registration order.
#include "modules/alarm/alarm_module.h"
#include "proto/alarm_proto.h"
#include "proto/oplog.h"
#include "proto/video_proto.h"

namespace {
constexpr RouteDef kAlarmRoutes[] = {
    ROUTE("/6020", on_get_alarm_out_list, Form::kNone, Form::kJson),
    ROUTE("/6021", on_get_alarm_out, Form::kJson, Form::kJson),
    ROUTE("/6022", on_set_alarm_out, Form::kJson, Form::kText, alarmio::kReqAlarmOutChanged, kReqOpLogMask),
    ROUTE("/6023", on_set_alarm_out_manual, Form::kJson, Form::kText, alarmio::kReqAlarmOutManual, kReqOpLog),
    ROUTE("/6024", on_get_camera_alarm_input, Form::kJson, Form::kJson, alarmio::kReqCameraInStatus),
    ROUTE("/6025", on_set_camera_alarm_input, Form::kJson, Form::kText, alarmio::kReqCameraInSet, alarmio::kReqCameraInsChanged),
    ROUTE("/6026", on_get_nvr_alarm_input, Form::kJson, Form::kJson),
    ROUTE("/6027", on_set_nvr_alarm_input, Form::kJson, Form::kText, video::kReqAlarmInsChanged),
    ROUTE("/6028", on_get_camera_alarm_output, Form::kJson, Form::kJson, alarmio::kReqCameraOutStatus),
    ROUTE("/6029", on_set_camera_alarm_output, Form::kJson, Form::kText, alarmio::kReqCameraOutSet, alarmio::kReqCameraOutsChanged),
    ROUTE("/6032", on_get_all_alarmout_names, Form::kNone, Form::kJson),
    ROUTE("/6033", on_set_camera_alarm_output_state, Form::kJson, Form::kText, alarmio::kReqCameraOutControl),
    ROUTE("/6034", on_get_all_alarmin_names, Form::kNone, Form::kJson),
    ROUTE("/6060", on_get_alarm_in_list, Form::kNone, Form::kJson),
    ROUTE("/6061", on_get_alarm_in, Form::kText, Form::kJson),
    ROUTE("/6062", on_set_alarm_in, Form::kJson, Form::kText, video::kReqAlarmInChanged, kReqOpLog),
    ROUTE("/6063", on_set_alarm_in_name, Form::kJson, Form::kText, video::kReqAlarmInChanged, kReqOpLog),
    ROUTE("/6064", on_set_alarm_in_actions, Form::kJson, Form::kText, video::kReqAlarmInChanged, kReqOpLog),
};
}  // namespace

WEB_MODULE(alarm_module, "alarm", kAlarmRoutes);
