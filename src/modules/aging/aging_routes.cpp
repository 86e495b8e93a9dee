// Route table of the aging module, in its registration order.
#include "modules/aging/aging_module.h"
#include "proto/aging_proto.h"
#include "proto/device_proto.h"
#include "proto/record_proto.h"

namespace {
constexpr RouteDef kAgingRoutes[] = {
    ROUTE("/3300", on_aging_set_ssh, Form::kJson, Form::kText, kReqSettingsChanged),
    ROUTE("/3301", on_aging_set_auto_login, Form::kJson, Form::kText),
    ROUTE("/3302", on_aging_set_record_mode, Form::kJson, Form::kText, record::kReqModeChanged),
    ROUTE("/3303", on_aging_set_wizard, Form::kJson, Form::kText),
    ROUTE("/3304", on_aging_set_camera, Form::kJson, Form::kText, aging::kReqCameraEnabled, aging::kReqCameraDisabled),
};
}  // namespace

WEB_MODULE(aging_module, "aging", kAgingRoutes);
