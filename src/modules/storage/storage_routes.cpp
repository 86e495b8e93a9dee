// Route table of the storage module, in its registration order.
#include "modules/storage/storage_module.h"
#include "proto/storage_proto.h"

namespace {
constexpr RouteDef kStorageRoutes[] = {
    ROUTE("/6100", on_get_disk_info, Form::kNone, Form::kJson, storage::kReqDiskInfo),
    ROUTE("/6101", on_set_disk_info, Form::kJson, Form::kText, storage::kReqDiskSetting),
    ROUTE("/6102", on_format_disk, Form::kText, Form::kText, storage::kReqFormat),
    ROUTE("/6103", on_get_format_progress, Form::kText, Form::kText),
    ROUTE("/6104", on_create_raid, Form::kJson, Form::kText, storage::kReqCreateRaid),
    ROUTE("/6105", on_remove_raid, Form::kText, Form::kText, storage::kReqRemoveRaid),
    ROUTE("/6106", on_set_hot_space, Form::kJson, Form::kText, storage::kReqMakeSpare, storage::kReqReleaseSpare),
    ROUTE("/6107", on_rebuild_raid, Form::kJson, Form::kText, storage::kReqRebuildRaid),
    ROUTE("/6108", on_get_raid_mode, Form::kNone, Form::kText),
    ROUTE("/6109", on_set_raid_mode, Form::kText, Form::kText),
    ROUTE("/6200", on_del_disk_nas, Form::kJson, Form::kText, storage::kReqDelNas),
    ROUTE("/6201", on_add_disk_nas, Form::kJson, Form::kJson, storage::kReqAddNas),
    ROUTE("/6202", on_search_disk_nas, Form::kJson, Form::kJson, storage::kReqSearchNas),
    ROUTE("/6203", on_update_disk_nas, Form::kJson, Form::kJson, storage::kReqUpdateNas),
    ROUTE("/6204", on_set_recycle_mode, Form::kJson, Form::kJson, storage::kReqSetRecycle),
    ROUTE("/6205", on_get_recycle_mode, Form::kNone, Form::kJson, storage::kReqGetRecycle),
    ROUTE("/6206", on_get_smart_attr, Form::kJson, Form::kJson, storage::kReqSmart),
    ROUTE("/6207", on_del_disk, Form::kJson, Form::kText, storage::kReqRemoveRaid, storage::kReqDelNas, storage::kReqRemoveDisk),
    ROUTE("/6208", on_get_quota_info, Form::kNone, Form::kJson, storage::kReqGetQuota),
    ROUTE("/6209", on_set_quota_info, Form::kJson, Form::kText, storage::kReqSetQuota),
    ROUTE("/6210", on_set_disk_group, Form::kJson, Form::kText, storage::kReqGroupMode, storage::kReqGroup, storage::kReqGroupsChanged),
    ROUTE("/6220", on_get_esata_auto_backup_info, Form::kNone, Form::kJson),
    ROUTE("/6221", on_set_esata_auto_backup_info, Form::kJson, Form::kJson, storage::kReqBackupSet),
    ROUTE("/6222", on_get_esata_auto_backup_status, Form::kNone, Form::kJson, storage::kReqBackupStatus),
    ROUTE("/6223", on_get_export_disk_info, Form::kNone, Form::kJson, storage::kReqExportDisk),
    ROUTE("/6224", on_format_esata_disk_web, Form::kJson, Form::kJson, storage::kReqFormatEsata),
    ROUTE("/6225", on_cgi_get_auto_backup_status, Form::kNone, Form::kJson, storage::kReqAutoBackupStatus),
    ROUTE("/6226", on_cgi_set_auto_backup_stop, Form::kNone, Form::kJson, storage::kReqAutoBackupStop),
    ROUTE("/6227", on_cgi_get_format_info, Form::kNone, Form::kJson, storage::kReqFormatInfo),
};
}  // namespace

WEB_MODULE(storage_module, "storage", kStorageRoutes);
