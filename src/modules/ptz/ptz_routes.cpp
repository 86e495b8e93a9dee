// Route table of the ptz module, in its registration order.
#include "modules/ptz/ptz_module.h"
#include "proto/camera_setting.h"
#include "proto/ptz_proto.h"

namespace {
constexpr RouteDef kPtzRoutes[] = {
    ROUTE("/5000", on_send_ptz_cmd, Form::kJson, Form::kText, ptz::kReqMove, kReqCameraSettingSet),
    ROUTE("/5001", on_preset_op, Form::kJson, Form::kText, ptz::kReqPreset, kReqCameraSettingSet),
    ROUTE("/5002", on_set_ptz_tour_run, Form::kJson, Form::kText, ptz::kReqTourRun),
    ROUTE("/5003", on_set_ptz_tour_stop, Form::kJson, Form::kText, ptz::kReqTourStop),
    ROUTE("/5004", on_set_ptz_pattern, Form::kJson, Form::kText, ptz::kReqPattern),
    ROUTE("/5005", on_get_ptz_info, Form::kJson, Form::kJson, ptz::kReqInfo, ptz::kReqFishInfo),
    ROUTE("/5006", on_set_ptz_preset_call, Form::kJson, Form::kText, ptz::kReqPresetCall),
    ROUTE("/5007", on_set_ptz_zomm, Form::kJson, Form::kText, ptz::kReqZoom),
    ROUTE("/5008", on_set_ipc_speed, Form::kJson, Form::kText, kReqCameraSettingSet),
    ROUTE("/5009", on_cgi_set_ptz_control, Form::kJson, Form::kJson, ptz::kReqControl),
    ROUTE("/5010", on_cgi_get_led_status, Form::kJson, Form::kJson, ptz::kReqLedStatus),
    ROUTE("/5011", on_cgi_get_ptz_basic, Form::kJson, Form::kJson, ptz::kReqGetBasic),
    ROUTE("/5012", on_cgi_set_ptz_basic, Form::kJson, Form::kJson, ptz::kReqSetBasic),
    ROUTE("/6050", on_get_ptzport_info, Form::kJson, Form::kJson),
    ROUTE("/6051", on_set_ptzport_info, Form::kJson, Form::kText, ptz::kReqPortChanged),
    ROUTE("/6052", on_get_ptzsupport_info, Form::kJson, Form::kText, ptz::kReqSupport),
    ROUTE("/6053", on_get_ptz_speed, Form::kJson, Form::kJson),
    ROUTE("/6054", on_set_ptz_speed, Form::kJson, Form::kText),
    ROUTE("/6055", on_set_ptz_tour_set, Form::kJson, Form::kText, ptz::kReqTourSet),
    ROUTE("/6056", on_set_fish_ptz_tour_set, Form::kJson, Form::kText, ptz::kReqFishTour),
    ROUTE("/6057", on_set_ptz_tour_clear, Form::kJson, Form::kText, ptz::kReqTourClear),
};
}  // namespace

WEB_MODULE(ptz_module, "ptz", kPtzRoutes);
