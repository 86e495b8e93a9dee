// Route table of the system and user module.
#include "cgi/dispatchreq.h"
#include "modules/system/maintenance.h"
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
    // Maintenance and upgrade.
    ROUTE("/1004", on_restart_device),
    ROUTE("/1005", on_get_restart_state),
    ROUTE("/1006", on_restore_device),
    ROUTE("/1007", on_export_config),
    ROUTE("/1008", on_import_config),
    ROUTE("/1010", on_upgrade_system),
    ROUTE("/1011", on_clean_upgrade_files),
    ROUTE("/1013", on_download_config),
    ROUTE("/1016", on_get_auto_maintenance),
    ROUTE("/1017", on_set_auto_maintenance),
    ROUTE("/1019", on_upgrade_nothing),
    ROUTE("/1032", on_get_auto_reboot),
    ROUTE("/1033", on_set_auto_reboot),
    ROUTE("/1034", on_cgi_upgrade_system_init),
    ROUTE("/6082", on_upgrade_camera),
    ROUTE("/6083", on_start_upgrade_camera),
    ROUTE("/6084", on_stop_upgrade_camera),
    ROUTE("/6085", on_get_online_upgrade),
    ROUTE("/6086", on_del_online_upgrade),
    ROUTE("/6087", on_check_nvr_online_upgrade),
    ROUTE("/6088", on_nvr_online_upgrade),
    ROUTE("/6089", on_check_ipc_online_upgrade),
    ROUTE("/oem", on_upload_oem),
    ROUTE("/6310", on_export_diagnosis),
    ROUTE("/6311", on_download_diagnosis),
    ROUTE("/6320", on_get_audio_file_list),
    ROUTE("/6321", on_upload_audio_file),
    ROUTE("/6322", on_add_audio_file),
    ROUTE("/6323", on_del_audio_file),
    ROUTE("/6324", on_rename_audio_file),
    ROUTE("/6325", on_play_audio_file),
    ROUTE("/vb.htm", on_http_option),
};
}  // namespace

WEB_MODULE(system_module, "system", kSystemRoutes);
