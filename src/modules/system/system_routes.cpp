// Route table of the system and user module.
#include "cgi/dispatchreq.h"
#include "modules/system/system_module.h"

namespace {
constexpr RouteDef kSystemRoutes[] = {
    ROUTE("/1000", on_user_login),
    ROUTE("/1001", on_change_language),
    ROUTE("/1018", on_user_login_from_mail),
    ROUTE("/1023", on_reset_kvfs_dbup),
    ROUTE("/1024", on_reset_permission_update),
    ROUTE("/6070", on_get_user_list),
    ROUTE("/6071", on_add_new_user),
    ROUTE("/6072", on_set_user_info),
    ROUTE("/6073", on_del_user_info),
    ROUTE("/6074", on_get_oem_user_list),
    ROUTE("/6075", on_modify_poe_camera_pwd),
    ROUTE("/6076", on_apply_poe_camera_pwd),
    ROUTE("/6077", on_cgi_set_user_info),
    ROUTE("/1002", on_get_log_info),
    ROUTE("/1021", on_get_log_details),
    ROUTE("/1003", on_download_logfile),
    ROUTE("/1022", on_check_download_log),
    ROUTE("/1015", on_get_log_type_list),
    ROUTE("/1009", on_get_system_info),
    ROUTE("/1020", on_get_system_info),
    ROUTE("/1012", on_set_system_info),
    ROUTE("/1014", on_add_operation_log),
    ROUTE("/6080", on_get_general_info),
    ROUTE("/6081", on_set_general_info),
    ROUTE("/1030", on_get_upnp_info),
    ROUTE("/1031", on_set_upnp_info),
    ROUTE("/6300", on_get_access_filter),
    ROUTE("/6301", on_set_access_filter),
    ROUTE("/json", on_get_lang_section),
    ROUTE("/vb.htm", on_http_option),
    ROUTE("/dw.cgi", on_dw_download),
    ROUTE("/ipc", on_set_ipc_batch),
};
}  // namespace

WEB_MODULE(system_module, "system", kSystemRoutes);
