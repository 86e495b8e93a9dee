// Holidays (/6030, /6031): 32 stored entries that override the weekly schedules.
#include "base/paths.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/record/record_module.h"
#include "platform/kvdb_record.h"
#include "proto/record_proto.h"

using namespace record;

namespace {
// The page's keys in the record's order; id, enable and type are the ones checked.
constexpr Field kHolidayFields[] = {
    FIELD_REQ(HolidayRec, id, "id", 0, kHolidays - 1),
    FIELD(HolidayRec, name, "name"),
    FIELD_REQ(HolidayRec, enable, "enable", 0, 1),
    FIELD_REQ(HolidayRec, type, "type", 0, INT32_MAX),
    FIELD(HolidayRec, start_year, "startYear"),
    FIELD(HolidayRec, start_mon, "startMon"),
    FIELD(HolidayRec, start_mday, "startMDay"),
    FIELD(HolidayRec, start_mweek, "startMWeek"),
    FIELD(HolidayRec, start_wday, "startWDay"),
    FIELD(HolidayRec, end_year, "endYear"),
    FIELD(HolidayRec, end_mon, "endMon"),
    FIELD(HolidayRec, end_mday, "endMDay"),
    FIELD(HolidayRec, end_mweek, "endMWeek"),
    FIELD(HolidayRec, end_wday, "endWDay"),
};

bool check_holiday_info(const json_object* req) { return fields_check(req, kHolidayFields); }
}  // namespace

void on_get_holiday_info(char*) {
  static HolidayRec holidays[kHolidays];
  read_holidays(devpaths::kKvdb, holidays, nullptr);
  JsonPtr answer(json_object_new_object());
  json_object* list = json_object_new_array();
  for (const HolidayRec& h : holidays) {
    json_object* item = json_object_new_object();
    fields_to_json(item, &h, kHolidayFields);
    json_object_array_add(list, item);
  }
  json_object_object_add(answer.get(), "holidays", list);
  answer_json(answer);
}

void on_set_holiday_info(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !check_holiday_info(req.get())) return;
  int id = 0;
  json_get_int(req.get(), "id", &id);
  // Keys the page leaves out keep their stored values.
  HolidayRec h{};
  read_holiday(devpaths::kKvdb, &h, id);
  fields_from_json(req.get(), &h, kHolidayFields);
  if (write_holiday(devpaths::kKvdb, &h) != 0) {
    cgi_error_to_webserver(ErrMode::kText);
    return;
  }
  ipc_send(on_record_ipc_callback, kReqHolidayChanged);
  send_op_log(on_record_ipc_callback, kLogSubSetting, kLogParamHoliday, id + 1);
  answer_ok();
}
