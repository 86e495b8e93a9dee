// Reply callback of the system module.
#include "common/ipc.h"
#include "modules/system/system_module.h"

namespace {
const IpcReplyRoute kSystemReplies[] = {
    {8265, 4, on_modify_poe_camera_pwd_cb},
    {8504, 4, on_user_login_from_mail_cb},
};
}  // namespace

void on_system_ipc_callback(void*, void* head, void* payload) {
  ipc_dispatch_reply(kSystemReplies, head, payload);
}
