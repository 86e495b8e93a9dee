// Device record of the configuration database: what the recorder is and how
// many channels it has.
#pragma once
#include <cstdint>

struct StoredDevice {
  int32_t id;          // always 0: one device
  char name[64];
  int32_t max_cameras;  // channels of the device
};

// Zero record when missing; 0 when a row was read.
int db_get_device(const char* db, StoredDevice* rec);
int db_set_device(const char* db, const StoredDevice* rec);
