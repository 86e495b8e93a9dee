// People counting pages of the video module: the smart analytics line
// counter and the camera's regional counter with its per-region action sets.
#pragma once

struct IpcReply;

void on_get_vca_people(char* text);
void on_set_vca_people(char* text);
void on_cgi_get_ipc_regional_info(char* text);
void on_cgi_set_ipc_regional_info(char* text);

void on_get_vca_people_cb(const IpcReply& r);
void on_get_ipc_regional_info_cb(const IpcReply& r);
