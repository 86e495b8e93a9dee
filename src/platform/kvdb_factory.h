// Factory reset of a configuration database: the one way kvdbctl init and
// the simulated daemon's reset make a database again.
#pragma once

// Removes the database at the device path (every file of it, and their
// journal files), then creates it with the factory rows of every family.
// 0, or -1.
int kvdb_recreate(const char* device_path);
