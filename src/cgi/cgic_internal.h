// Form entry store internals shared by the multipart parser, the capture
// file and the upload step. Not for handlers.
#pragma once
#include <cstddef>

#include "cgi/cgic.h"

// Shared empty text for entry fields and released globals.
extern char cgiEmptyText[1];

// Next entry after `from` whose name equals `name` exactly.
cgiFormEntry* cgiFormEntryFindNext(cgiFormEntry* from, const char* name);

// Allocates an entry owning copies of the texts (value of `value_length`
// bytes, terminated). tfile may be null. Null on memory failure.
cgiFormEntry* cgiFormEntryNew(const char* attr, const char* value, int value_length, const char* file_name,
                              const char* content_type, const char* tfile);

// Frees one entry and removes its temporary file (unless kept).
void cgiFormEntryDelete(cgiFormEntry* e);

// Frees a whole list of entries (removing their temporary files).
void cgiFormEntryListDelete(cgiFormEntry* head);

// Creates a temporary file from the upload template (mode 0600) and writes
// its path into path. Returns an open write stream, or null.
FILE* cgiTempFileCreate(char* path, size_t size);

// Frees the globals restored from a capture file (restored flag set).
void cgiFreeRestoredEnvironment();
