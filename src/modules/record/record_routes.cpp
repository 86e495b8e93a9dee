// Route table of the record module, in its registration order.
#include "modules/record/record_module.h"
#include "proto/record_proto.h"

namespace {
constexpr RouteDef kRecordRoutes[] = {
    ROUTE("/6030", on_get_holiday_info, Form::kNone, Form::kJson),
    ROUTE("/6031", on_set_holiday_info, Form::kJson, Form::kText, record::kReqHolidayChanged),
    ROUTE("/6040", on_get_record_info, Form::kText, Form::kJson),
    ROUTE("/6041", on_set_record_info, Form::kJson, Form::kText, record::kReqModeMask, record::kReqScheduleChanged),
    ROUTE("/6042", on_get_record_modes, Form::kNone, Form::kJson),
    ROUTE("/6043", on_set_record_modes, Form::kJson, Form::kText, record::kReqModeChanged),
    ROUTE("/6044", on_get_record_params, Form::kText, Form::kJson),
    ROUTE("/6045", on_set_record_params, Form::kJson, Form::kJson, record::kReqParamsChanged, record::kReqSetAnr),
    ROUTE("/6046", on_get_record_support, Form::kText, Form::kJson, record::kReqAnrSupport),
    ROUTE("/6047", on_get_record_channel_lists, Form::kNone, Form::kJson, record::kReqChannelLists),
};
}  // namespace

WEB_MODULE(record_module, "record", kRecordRoutes);
