// Plate lists of the plate recognition pages, in their own database
// (devpaths::kAnprDb). A plate is in at most one list: the plate is the key.
#pragma once
#include <cstdint>

struct AnprListRec {
  char type[16];   // list the plate belongs to, as the page names it
  char plate[64];
};
static_assert(sizeof(AnprListRec) == 80);

// Each call is one transaction: on failure the lists stay as they were.
// Deletes the entries of these plates (types ignored).
int delete_anpr_lists(const char* path, const AnprListRec* recs, int n);
// Stores the entries, replacing those of the same plates.
int write_anpr_list_replace_batch(const char* path, const AnprListRec* recs, int n);
// For each i: removes old_plates[i]'s entry, then stores recs[i] (a stored
// entry of recs[i]'s plate is replaced).
int update_anpr_lists(const char* path, const char (*old_plates)[64], const AnprListRec* recs, int n);
// 0 and *rec filled when the plate has an entry, -1 otherwise.
int read_anpr_list_plate(const char* path, const char* plate, AnprListRec* rec);
