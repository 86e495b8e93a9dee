// Route table of the system and user module.
#include "cgi/dispatchreq.h"
#include "modules/system/maintenance.h"
#include "modules/system/system_module.h"
#include "proto/device_proto.h"
#include "proto/log_proto.h"
#include "proto/maint_proto.h"
#include "proto/oplog.h"
#include "proto/sysinfo_proto.h"
#include "proto/system_proto.h"

namespace {
constexpr RouteDef kSystemRoutes[] = {
    ROUTE("/1000", on_user_login, Form::kJson, Form::kJson),
    ROUTE("/1001", on_change_language, Form::kJson, Form::kText),
    ROUTE("/1018", on_user_login_from_mail, Form::kQuery, Form::kRedirect),
    ROUTE("/1023", on_reset_kvfs_dbup, Form::kNone, Form::kText),
    ROUTE("/1024", on_reset_permission_update, Form::kNone, Form::kText),
    ROUTE("/6070", on_get_user_list, Form::kNone, Form::kJson),
    ROUTE("/6071", on_add_new_user, Form::kJson, Form::kText, sys::kReqUsersChanged, kReqOpLog),
    ROUTE("/6072", on_set_user_info, Form::kJson, Form::kText, sys::kReqUsersChanged),
    ROUTE("/6073", on_del_user_info, Form::kJson, Form::kText, sys::kReqUsersChanged, kReqOpLog),
    ROUTE("/6074", on_get_oem_user_list, Form::kNone, Form::kJson),
    ROUTE("/6075", on_modify_poe_camera_pwd, Form::kNone, Form::kText, sys::kReqPoePwdChange),
    ROUTE("/6076", on_apply_poe_camera_pwd, Form::kNone, Form::kText, sys::kReqPoePwdApply),
    ROUTE("/6077", on_cgi_set_user_info, Form::kNone, Form::kText, sys::kReqUsersChanged),
    ROUTE("/1002", on_get_log_info, Form::kJson, Form::kJson, logs::kReqSearch),
    ROUTE("/1021", on_get_log_details, Form::kJson, Form::kText, logs::kReqDetail),
    ROUTE("/1003", on_download_logfile, Form::kJson, Form::kDownload, logs::kReqExport),
    ROUTE("/1022", on_check_download_log, Form::kNone, Form::kText),
    ROUTE("/1015", on_get_log_type_list, Form::kJson, Form::kJson),
    // Maintenance and upgrade.
    ROUTE("/1004", on_restart_device, Form::kNone, Form::kText, kReqOpLog, kReqReboot),
    ROUTE("/1005", on_get_restart_state, Form::kNone, Form::kText),
    ROUTE("/1006", on_restore_device, Form::kJson, Form::kText, maint::kReqResetKeep, maint::kReqFactoryReset, kReqOpLog, kReqReboot),
    ROUTE("/1007", on_export_config, Form::kNone, Form::kText, kReqOpLog),
    ROUTE("/1008", on_import_config, Form::kUpload, Form::kText, kReqOpLog),
    ROUTE("/1010", on_upgrade_system, Form::kUpload, Form::kText, kReqOpLog, maint::kReqUpgrade),
    ROUTE("/1011", on_clean_upgrade_files, Form::kNone, Form::kText),
    ROUTE("/1013", on_download_config, Form::kNone, Form::kDownload),
    ROUTE("/1016", on_get_auto_maintenance, Form::kNone, Form::kJson),
    ROUTE("/1017", on_set_auto_maintenance, Form::kJson, Form::kText, maint::kReqRetention),
    ROUTE("/1019", on_upgrade_nothing, Form::kNone, Form::kNone),
    ROUTE("/1032", on_get_auto_reboot, Form::kNone, Form::kJson),
    ROUTE("/1033", on_set_auto_reboot, Form::kJson, Form::kText, maint::kReqAutoReboot),
    ROUTE("/1034", on_cgi_upgrade_system_init, Form::kNone, Form::kJson, maint::kReqUpgradeInit),
    ROUTE("/6082", on_upgrade_camera, Form::kNone, Form::kText),
    ROUTE("/6083", on_start_upgrade_camera, Form::kJson, Form::kJson, maint::kReqCamUpgrade),
    ROUTE("/6084", on_stop_upgrade_camera, Form::kNone, Form::kText, maint::kReqCamUpgradeStop),
    ROUTE("/6085", on_get_online_upgrade, Form::kJson, Form::kJson, maint::kReqUpgradeInit, maint::kReqOnlineDownload),
    ROUTE("/6086", on_del_online_upgrade, Form::kJson, Form::kJson, maint::kReqDropDownload),
    ROUTE("/6087", on_check_nvr_online_upgrade, Form::kNone, Form::kJson, maint::kReqCheckOnline),
    ROUTE("/6088", on_nvr_online_upgrade, Form::kNone, Form::kJson, maint::kReqUpgradeInit, kReqOpLog, maint::kReqUpgrade),
    ROUTE("/6089", on_check_ipc_online_upgrade, Form::kJson, Form::kJson, maint::kReqCamCheckOnline),
    ROUTE("/oem", on_upload_oem, Form::kUpload, Form::kText),
    ROUTE("/6310", on_export_diagnosis, Form::kNone, Form::kText, maint::kReqDiagExport),
    ROUTE("/6311", on_download_diagnosis, Form::kQuery, Form::kDownload),
    ROUTE("/6320", on_get_audio_file_list, Form::kNone, Form::kJson, maint::kReqAudioList),
    ROUTE("/6321", on_upload_audio_file, Form::kUpload, Form::kJson),
    ROUTE("/6322", on_add_audio_file, Form::kJson, Form::kJson, maint::kReqAudioAdd, kReqOpLog),
    ROUTE("/6323", on_del_audio_file, Form::kJson, Form::kJson, maint::kReqAudioDelete, kReqOpLog),
    ROUTE("/6324", on_rename_audio_file, Form::kJson, Form::kJson, maint::kReqAudioRename, kReqOpLog),
    ROUTE("/6325", on_play_audio_file, Form::kJson, Form::kJson, maint::kReqAudioPlay),
    ROUTE("/1009", on_get_system_info, Form::kNone, Form::kJson, sysinfo::kReqDeviceInfo),
    ROUTE("/1020", on_get_system_info, Form::kNone, Form::kJson, sysinfo::kReqDeviceInfo),
    ROUTE("/1012", on_set_system_info, Form::kJson, Form::kText, sysinfo::kReqDeviceNumber, kReqSettingsChanged),
    ROUTE("/1014", on_add_operation_log, Form::kNone, Form::kText, kReqOpLog),
    ROUTE("/6080", on_get_general_info, Form::kNone, Form::kJson),
    ROUTE("/6081", on_set_general_info, Form::kJson, Form::kText, sysinfo::kReqSubOutput, sysinfo::kReqDeviceNumber, kReqSettingsChanged, sysinfo::kReqResolution, sysinfo::kReqDisplayApply, sysinfo::kReqAudio, kReqOpLog, kReqReboot),
    ROUTE("/1030", on_get_upnp_info, Form::kNone, Form::kJson),
    ROUTE("/1031", on_set_upnp_info, Form::kJson, Form::kText, sysinfo::kReqUpnp),
    ROUTE("/6300", on_get_access_filter, Form::kNone, Form::kJson),
    ROUTE("/6301", on_set_access_filter, Form::kJson, Form::kText, sysinfo::kReqFilterChanged),
    ROUTE("/json", on_get_lang_section, Form::kQuery, Form::kJson),
    ROUTE("/vb.htm", on_http_option, Form::kQuery, Form::kText),
    ROUTE("/dw.cgi", on_dw_download, Form::kNone, Form::kText),
    ROUTE("/ipc", on_set_ipc_batch, Form::kJson, Form::kText),
};
}  // namespace

WEB_MODULE(system_module, "system", kSystemRoutes);
