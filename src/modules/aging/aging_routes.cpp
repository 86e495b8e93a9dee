// Route table of the aging module, in its registration order.
#include "modules/aging/aging_module.h"

namespace {
constexpr RouteDef kAgingRoutes[] = {
    ROUTE("/3300", on_aging_set_ssh),
    ROUTE("/3301", on_aging_set_auto_login),
    ROUTE("/3302", on_aging_set_record_mode),
    ROUTE("/3303", on_aging_set_wizard),
    ROUTE("/3304", on_aging_set_camera),
};
}  // namespace

WEB_MODULE(aging_module, "aging", kAgingRoutes);
