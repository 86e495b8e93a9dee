// Running a device tool with an argument vector: no shell, so no request text
// is ever parsed as shell syntax.
#pragma once
#include <initializer_list>

// Runs argv[0] (searched on PATH) with the arguments argv[1..] (null-ended),
// standard input from /dev/null and standard output to `out_path` (created
// or truncated; nullptr: /dev/null, never the CGI answer). Returns the exit
// status, or -1 when it could not be started or did not exit normally.
int run_argv(const char* const argv[], const char* out_path = nullptr);
int run_argv(std::initializer_list<const char*> args, const char* out_path = nullptr);
