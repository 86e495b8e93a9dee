// Route table of the record module, in its registration order.
#include "modules/record/record_module.h"

namespace {
constexpr RouteDef kRecordRoutes[] = {
    ROUTE("/6030", on_get_holiday_info),
    ROUTE("/6031", on_set_holiday_info),
    ROUTE("/6040", on_get_record_info),
    ROUTE("/6041", on_set_record_info),
    ROUTE("/6042", on_get_record_modes),
    ROUTE("/6043", on_set_record_modes),
    ROUTE("/6044", on_get_record_params),
    ROUTE("/6045", on_set_record_params),
    ROUTE("/6046", on_get_record_support),
    ROUTE("/6047", on_get_record_channel_lists),
};
}  // namespace

WEB_MODULE(record_module, "record", kRecordRoutes);
