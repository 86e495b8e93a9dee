// Translation library stand-in: words of the web client's language for the
// numeric codes of log entries (categories, sub types, parameters), read
// from "<language>.lang" files of lines "code=word" in the device's
// language directory.
#pragma once

namespace devpaths {
inline constexpr const char* kLangDir = "/opt/app/lang";
}  // namespace devpaths

inline constexpr const char* kTransDefaultLanguage = "en-US";

// Loads a language; a name that is not a plain file name (letters, digits,
// '-', '_', at most 31 characters) or has no file loads the default one.
// 0 when the named language was loaded, -1 otherwise.
int trans_init(const char* language);
// The word of `id` into buf (cut to size - 1); 0, or -1 and "" when the
// loaded language has none.
int trans_get_value(int id, char* buf, int size);
void trans_deinit();

// 1 when the channel number of an entry of this main and sub type names a
// disk rather than a camera channel.
int log_channo_is_disk(int main_type, int sub_type);
