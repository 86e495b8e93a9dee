// The action set of an event source (motion, video loss, alarm input, and
// the analytics events after them): its weekly schedules, its white-LED,
// warning-light, HTTP and PTZ blocks, and the scalar action members of the
// source's own record. Each source describes where these live in one
// ActionSet table; the load, the dialog save and the copy to other channels
// are written once here.
#pragma once
#include <json-c/json.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/fields.h"
#include "common/json_util.h"

// One schedule of the set: its JSON key and its table.
struct ActionSchedule {
  const char* key;
  const char* table;
};

// The source's own record, one per channel.
struct ActionRecord {
  size_t size;  // at most kActionRecordMax
  int (*read)(const char* path, void* rec, int chn);
  int (*write)(const char* path, const void* rec);
  int (*copy)(const char* path, int src, uint64_t mask);
  Fields page;    // members printed by the page load, in page order
  Fields dialog;  // scalar members a dialog save takes
  size_t chn_alarms;  // offset of the two 65-byte "triChnAlarms" names
  // Members that follow others (channel masks), or null.
  void (*derive)(void* rec);
  // Applied before every write; when given the record is written on every
  // save, changed or not. Null for none.
  void (*finish)(void* rec);
};

inline constexpr size_t kActionRecordMax = 1024;
inline constexpr size_t kChnAlarmNameSize = 65;

struct ActionSet {
  ActionRecord record;
  std::span<const ActionSchedule> schedules;
  const char* white_params;    // parameter tables; null: the set has none
  const char* warning_params;
  const char* http_params;
  int ptz_type;                // PTZ entry type of the source
  bool dialog_ptz;             // the dialog save takes "ptzChnId", "ptzType", "ptzParams"
};

// The whole page of channel chn: record members, schedules, blocks,
// "triChnAlarms", "ptzParams", "audioIdMask".
JsonPtr action_set_json(const ActionSet& set, int chn);
// Saves a dialog object for channel chn: schedules and blocks present, then
// the record (written only when a member changed, or always with finish).
// A member that fails conversion leaves its table as it was. False when a
// database write failed.
bool action_set_save(const ActionSet& set, json_object* dialog, int chn);
// Record, schedules, blocks and PTZ entries of chn to every channel of mask.
bool action_set_copy(const ActionSet& set, int chn, uint64_t mask);
