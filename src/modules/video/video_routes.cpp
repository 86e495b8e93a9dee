// Route table of the video module, in its registration order.
#include "modules/video/video_module.h"

namespace {
constexpr RouteDef kVideoRoutes[] = {
    ROUTE("/6000", on_get_osd_info),
    ROUTE("/6001", on_set_osd_info),
    ROUTE("/6002", OnSetOSDName),
    ROUTE("/6010", on_get_movedetect_info),
    ROUTE("/6011", OnGetMotionSchedule),
    ROUTE("/6012", on_set_movedetect_info),
    ROUTE("/6013", OnSetMotionSchedule),
    ROUTE("/6014", on_get_videolost_info),
    ROUTE("/6015", on_get_videolost_schedule),
    ROUTE("/6016", on_set_videolost_info),
    ROUTE("/6017", on_set_videolost_schedule),
    ROUTE("/6018", on_get_privacy_masks),
    ROUTE("/6019", on_set_privacy_mask),
    ROUTE("/6098", on_get_motion_map),
    ROUTE("/6999", on_get_exception),
    ROUTE("/6998", on_set_exception),
    ROUTE("/6997", on_get_osdconfig),
    ROUTE("/6996", on_set_osdconfig),
    ROUTE("/6090", on_get_camera_io),
    ROUTE("/6091", on_set_camera_io),
    ROUTE("/6092", on_get_volume_detect),
    ROUTE("/6093", on_set_volume_detect),
    ROUTE("/6112", save_motion_dialog_data),
    ROUTE("/6113", on_set_motion_sche_info),
    ROUTE("/6114", on_set_motion_trigger),
    ROUTE("/6115", on_get_privacy_mask_ovf),
    ROUTE("/6116", on_get_ipc_model_type),
};
}  // namespace

WEB_MODULE(video_module, "video", kVideoRoutes);
