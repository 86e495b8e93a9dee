// Ageing module: the factory burn-in station's switches.
#pragma once
#include "cgi/dispatchreq.h"

// Every request of this module is sent without waiting: replies are ignored.
void on_aging_callback(void* ctx, void* head, void* payload);

void on_aging_set_ssh(char* text);
void on_aging_set_auto_login(char* text);
void on_aging_set_record_mode(char* text);
void on_aging_set_wizard(char* text);
void on_aging_set_camera(char* text);
