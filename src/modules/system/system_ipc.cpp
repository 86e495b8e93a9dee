// Reply callback of the system module.
#include "common/ipc.h"
#include "common/reply.h"
#include "modules/system/maintenance.h"
#include "modules/system/system_module.h"
#include "proto/log_proto.h"
#include "proto/maint_proto.h"
#include "proto/sysinfo_proto.h"
#include "proto/system_proto.h"

namespace {
const IpcReplyRoute kSystemReplies[] = {
    {reply_of(sys::kReqPoePwdChange), 4, on_modify_poe_camera_pwd_cb},
    {reply_of(sys::kReqMailLogin), 4, on_user_login_from_mail_cb},
    {reply_of(logs::kReqSearch), sizeof(logs::SearchReply), on_log_search_info_cb},
    // Text replies: the width is a byte, so the count is the payload size.
    {reply_of(logs::kReqDetail), 1, on_log_web_get_log_detail_cb},
    {reply_of(logs::kReqExport), 1, on_log_web_export_info_cb},
    // Maintenance and upgrade.
    {reply_of(maint::kReqUpgrade), 4, on_upgrade_result_cb},
    {reply_of(maint::kReqCheckOnline), sizeof(maint::OnlineUpgradeInfo), on_check_nvr_online_upgrade_cb},
    res_row(maint::kReqOnlineDownload),
    res_row(maint::kReqDropDownload),
    {reply_of(maint::kReqCamUpgrade), sizeof(maint::CamUpgradeReply), on_start_upgrade_camera_cb},
    {reply_of(maint::kReqCamCheckOnline), sizeof(maint::OnlineUpgradeInfo), on_check_ipc_online_upgrade_cb},
    {reply_of(maint::kReqDiagExport), sizeof(maint::DiagReply), on_export_diagnosis_cb},
    {reply_of(maint::kReqAudioList), sizeof(maint::AudioFileEntry), on_get_audio_file_list_cb},
    {reply_of(maint::kReqAudioAdd), 4, on_audio_status_cb},
    {reply_of(maint::kReqAudioDelete), 4, on_audio_status_cb},
    {reply_of(maint::kReqAudioRename), 4, on_audio_status_cb},
    {reply_of(maint::kReqAudioPlay), 4, on_audio_status_cb},
    {reply_of(sysinfo::kReqDeviceInfo), sizeof(sysinfo::DeviceInfo), on_get_system_info_cb},
};
}  // namespace

std::span<const IpcReplyRoute> system_reply_table() { return kSystemReplies; }

void on_system_ipc_callback(void*, void* head, void* payload) {
  ipc_dispatch_reply(kSystemReplies, head, payload);
}
