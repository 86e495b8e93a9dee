// Maintenance records of the configuration database: disk maintenance
// (retention) and the automatic reboot.
#pragma once
#include <cstdint>

struct DiskMaintain {
  int32_t logRetention;
  int32_t photoRetention;
};

struct AutoReboot {
  int32_t enable;
  int32_t wday;  // 0-6 Sunday to Saturday, 7 every day
  int32_t hour;
  int32_t minutes;
  int32_t seconds;
};

int read_disk_maintain_info(const char* db, DiskMaintain* rec);
int write_disk_maintain_info(const char* db, const DiskMaintain* rec);
int read_autoreboot_conf(const char* db, AutoReboot* rec);
int write_autoreboot_conf(const char* db, const AutoReboot* rec);
