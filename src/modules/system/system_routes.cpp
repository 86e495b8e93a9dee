// Route table of the system and user module.
#include "cgi/dispatchreq.h"
#include "modules/system/system_module.h"

namespace {
const WebRes kSystemRoutes[] = {
    {"/1000", on_user_login},
    {"/1001", on_change_language},
    {"/1018", on_user_login_from_mail},
    {"/1023", on_reset_kvfs_dbup},
    {"/1024", on_reset_permission_update},
    {"/6070", on_get_user_list},
    {"/6071", on_add_new_user},
    {"/6072", on_set_user_info},
    {"/6073", on_del_user_info},
    {"/6074", on_get_oem_user_list},
    {"/6075", on_modify_poe_camera_pwd},
    {"/6076", on_apply_poe_camera_pwd},
    {"/6077", on_cgi_set_user_info},
    {"/vb.htm", on_http_option},
};
}  // namespace

extern const WebModule system_module = {"system", kSystemRoutes,
                                        static_cast<int>(sizeof kSystemRoutes / sizeof kSystemRoutes[0])};
