// Table rows <-> JSON through the family descriptors.
#pragma once
#include <string>

#include "common/json_util.h"
#include "platform/kvdb.h"

// {"table", "family", "rows": [{column: value, ...}]}; blobs as hex text.
JsonPtr dump_table(kvdb::Txn& t, const kvdb::Family& f, const char* table, std::string* err);

// Replaces the table's rows by the row objects of `rows` (an array).
// Missing columns are zero; a value that does not fit its column is an error.
int load_rows(kvdb::Txn& t, const kvdb::Family& f, const char* table, json_object* rows, std::string* err);
