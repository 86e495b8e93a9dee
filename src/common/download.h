// The one writer of file downloads (attachments).
#pragma once

// Writes the attachment header with `name` and the file at `path` (a path
// already under the device root) in chunks, then removes the file once all of
// it went out. False, with nothing written, when the file cannot be opened.
bool answer_attachment(const char* path, const char* name);
