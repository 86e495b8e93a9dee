// Plate recognition list modes and camera settings, and the second form of
// the camera-side line crossing and analysis settings.
#pragma once
#include <json-c/json.h>

struct IpcReply;
namespace lpr {
struct PlateWildcards;
}

// List-mode action sets
void on_get_anpr_mode_params(char* text);
void on_set_anpr_mode_params(char* text);
// Camera plate recognition settings
void on_get_anpr_settings(char* text);
void on_set_anpr_settings(char* text);
// Camera line crossing and analysis settings, second form
void on_get_ipc_vca_line2(char* text);
void on_set_ipc_vca_line2(char* text);
void on_get_ipc_vca_settings2(char* text);
void on_set_ipc_vca_settings2(char* text);

enum class AnprScheduleKind { kAudible = 0, kMail = 1, kPtz = 2, kEffective = 3 };
// The schedule of a channel and mode (-1..2) as JSON; null for another mode.
json_object* get_anpr_schedule(int chn, int mode, AnprScheduleKind kind);
// Saves a dialog's schedules, blocks and members into the mode's tables and
// record (the record written when it changed). True without a dialog; false
// when a database write failed.
bool save_anpr_dialog_data(int chn, int mode, json_object* dialog);

// The wildcard members ("chnid" 0..63, "filter", "maxPlateCharNum", up to
// nine "wildcards") of obj into *w; false when refused.
bool anpr_wildcards_from_json(const json_object* obj, lpr::PlateWildcards* w);

void on_get_anpr_settings_cb(const IpcReply& r);
void on_get_ipc_vca_line2_cb(const IpcReply& r);
void on_get_ipc_vca_settings2_cb(const IpcReply& r);
