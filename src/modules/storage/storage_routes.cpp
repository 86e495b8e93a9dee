// Route table of the storage module, in its registration order.
#include "modules/storage/storage_module.h"

namespace {
constexpr RouteDef kStorageRoutes[] = {
    ROUTE("/6100", on_get_disk_info),
    ROUTE("/6101", on_set_disk_info),
    ROUTE("/6102", on_format_disk),
    ROUTE("/6103", on_get_format_progress),
    ROUTE("/6104", on_create_raid),
    ROUTE("/6105", on_remove_raid),
    ROUTE("/6106", on_set_hot_space),
    ROUTE("/6107", on_rebuild_raid),
    ROUTE("/6108", on_get_raid_mode),
    ROUTE("/6109", on_set_raid_mode),
    ROUTE("/6200", on_del_disk_nas),
    ROUTE("/6201", on_add_disk_nas),
    ROUTE("/6202", on_search_disk_nas),
    ROUTE("/6203", on_update_disk_nas),
    ROUTE("/6204", on_set_recycle_mode),
    ROUTE("/6205", on_get_recycle_mode),
    ROUTE("/6206", on_get_smart_attr),
    ROUTE("/6207", on_del_disk),
    ROUTE("/6208", on_get_quota_info),
    ROUTE("/6209", on_set_quota_info),
    ROUTE("/6210", on_set_disk_group),
    ROUTE("/6220", on_get_esata_auto_backup_info),
    ROUTE("/6221", on_set_esata_auto_backup_info),
    ROUTE("/6222", on_get_esata_auto_backup_status),
    ROUTE("/6223", on_get_export_disk_info),
    ROUTE("/6224", on_format_esata_disk_web),
    ROUTE("/6225", on_cgi_get_auto_backup_status),
    ROUTE("/6226", on_cgi_set_auto_backup_stop),
    ROUTE("/6227", on_cgi_get_format_info),
};
}  // namespace

WEB_MODULE(storage_module, "storage", kStorageRoutes);
