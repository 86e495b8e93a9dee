// PTZ records of the configuration database: serial port settings, stored
// speeds and the tour table of each channel (0..63).
#pragma once
#include "proto/ptz_proto.h"

// A channel without a row reads as a zero record (-1) with its channel set.
int read_ptz_port(const char* db, ptz::PortRecord* rec, int channel);
// Stores every record in one transaction (keyed by each record's channel).
int write_ptz_ports(const char* db, const ptz::PortRecord* recs, int n);

int read_ptz_speed(const char* db, ptz::SpeedRecord* rec, int channel);
int write_ptz_speed(const char* db, const ptz::SpeedRecord* rec);

// A channel without a row has no tours (all points empty, 0); -1 only when
// the database cannot be read, so a caller never rewrites tours it did not see.
int read_ptz_tour(const char* db, ptz::TourTable* rec, int channel);
int write_ptz_tour(const char* db, const ptz::TourTable* rec, int channel);
