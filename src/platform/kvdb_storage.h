// Storage records of the configuration database: disks, groups, e-SATA backup.
#pragma once
#include <cstdint>

#include "proto/storage_proto.h"

struct StoredDisk {
  int32_t port;
  int32_t enable;  // 1: present
  char vendor[64];
  char address[64];
  char directory[128];
  int32_t type;
  int32_t group;
  int32_t property;
  char user[33];
  char password[33];
};

struct EsataAutoBackup {
  int32_t enable;
  int32_t stream_type;
  int32_t file_type;
  int32_t recycle;
  char backup_time[32];
  char channel[65];
  int32_t device;
  int32_t port;
};

// Disks are keyed by port; a missing port reads as a zero record (port 0).
int read_disk(const char* db, StoredDisk* rec, int port);
int read_disks(const char* db, StoredDisk* recs, int* count);  // up to 36, port order
int write_disk(const char* db, const StoredDisk* rec, int port);

// 16 groups, ids 0..15; missing ones read as zero records with their id.
int read_groups(const char* db, storage::GroupRecord* recs, int* count);
int write_group(const char* db, const storage::GroupRecord* rec);

int read_esata_auto_backup(const char* db, EsataAutoBackup* rec);
int write_esata_auto_backup(const char* db, const EsataAutoBackup* rec);
