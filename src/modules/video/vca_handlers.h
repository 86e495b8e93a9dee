// Smart analytics (VCA) pages of the video module.
#pragma once
#include <json-c/json.h>

#include <cstdint>

#include "proto/ipc_code.h"

struct IpcReply;

// Detection settings
void on_get_vca_region(char* text);
void on_set_vca_region(char* text);
void on_get_vca_motion(char* text);
void on_set_vca_motion(char* text);
void on_get_vca_tamper(char* text);
void on_set_vca_tamper(char* text);
void on_get_vca_loitering(char* text);
void on_set_vca_loitering(char* text);
void on_get_vca_human(char* text);
void on_set_vca_human(char* text);
void on_get_vca_line(char* text);
void on_set_vca_line(char* text);
void on_set_vca_leftremove(char* text);
void on_get_vca_leftremove(char* text);
// Analysis settings
void on_get_vca_settings(char* text);
void on_set_vca_settings(char* text);
void on_vca_clear_people_count(char* text);
void on_get_vca_support(char* text);
// Action sets of the smart events
void on_get_smart_event_schedule(char* text);
void on_set_smart_event_schedule(char* text);
void on_set_vca_allrtm_others(char* text);
void on_get_vca_common_para(char* text);

// Saves the dialog's action set of event 0..8 for its "chnid", copies it to
// the channels of copy_mask and tells the daemon (1412). A dialog without a
// channel 0..63 saves nothing. False when a database write failed.
bool save_smart_event_action(int event, json_object* dialog, uint64_t copy_mask);
// 0 when the event's action set of chn went to every channel of mask.
int copy_smart_event_action(int event, int chn, uint64_t mask, int flag);

// Forwarded get of {"channel": 0..63}; anything else gets the JSON error answer.
void get_detection(const char* text, IpcCode code);
// The "dialog" of a set request saved as the event's action set, copied to
// the channels of the request's "copyChn" string.
void save_dialog_action(const json_object* req, int event, const char* copy_chn);

void on_get_vca_detection_cb(const IpcReply& r);
void on_get_vca_line_cb(const IpcReply& r);
void on_get_vca_settings_cb(const IpcReply& r);
void on_get_vca_leftremove_cb(const IpcReply& r);
