// Standard-library stand-ins of the device platform.
#pragma once

// Runs a shell command line; returns its exit status, -1 when it could not run
// or was killed by a signal.
int kv_system(const char* cmd);

// 1 when the path exists, else 0.
int kv_check_file_exist(const char* path);
