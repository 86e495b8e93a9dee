// Starting a device tool that keeps running after the request has answered.
#pragma once
#include <sys/types.h>

#include <initializer_list>

// Runs argv (searched on PATH, no shell) in its own session with standard
// streams on /dev/null, without waiting. Returns its pid, or -1.
pid_t run_argv_background(std::initializer_list<const char*> args);
// Ends a process started that way, if pid still runs the program named `comm`
// (a recycled pid belongs to someone else and is left alone). True when signalled.
bool stop_background(pid_t pid, const char* comm);
