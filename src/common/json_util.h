// json-c helpers: owning handle, typed member accessors, rule-table checks.
#pragma once
#include <json-c/json.h>

#include <cstddef>
#include <cstdint>
#include <memory>

struct JsonDeleter {
  void operator()(json_object* o) const { json_object_put(o); }
};
// Owns one reference; printing keeps insertion order.
using JsonPtr = std::unique_ptr<json_object, JsonDeleter>;

// Parsed text, or null for a null text or a parse error.
JsonPtr json_parse(const char* text);
// As json_parse, but only white space may follow the value: text that is
// stored as it was parsed must hold nothing else.
JsonPtr json_parse_whole(const char* text);

enum class JsonGet { kOk, kMissing, kBadType };

// Integers: a JSON integer, an integral number, or a text of decimal digits,
// within int32 (anything else is kBadType).
JsonGet json_get_int(const json_object* obj, const char* key, int* out);
bool json_value_int(const json_object* v, int* out);
bool json_value_int64(const json_object* v, int64_t* out);

// A bare decimal request text ("3", " -1\n") within lo..hi: digits only, no
// trailing junk, no wrap-around (4294967297 is refused, not read as 1).
bool text_int(const char* text, int64_t lo, int64_t hi, int64_t* out);
bool text_int(const char* text, int64_t lo, int64_t hi, int* out);
// Text members (JSON strings only), copied cut to size - 1.
JsonGet json_get_text(const json_object* obj, const char* key, char* buf, size_t size);
JsonGet json_get_array(const json_object* obj, const char* key, json_object** out);
JsonGet json_get_object(const json_object* obj, const char* key, json_object** out);

// Element i of an array; null when v is not an array or i is past its end.
json_object* json_array_at(const json_object* v, size_t i);
// Elements of an array, 0 for anything else.
size_t json_array_size(const json_object* v);

// Builders (the object takes the new value).
void json_add_int(json_object* obj, const char* key, int64_t v);
void json_add_text(json_object* obj, const char* key, const char* text);
// A fixed-width record field, read up to its first NUL or its width.
template <size_t N>
void json_add_field(json_object* obj, const char* key, const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n]) ++n;
  json_object_object_add(obj, key, json_object_new_string_len(field, static_cast<int>(n)));
}

// ---- Rule tables ----
// For kInt: min..max of the value; kText: min..max length; kArray: min..max
// elements; kObject: no bounds.
enum class JsonType { kInt, kText, kArray, kObject };

struct JsonRule {
  const char* key;
  bool required;
  JsonType type;
  int64_t min;
  int64_t max;
};

// True when obj is an object and every rule holds; the key of the first
// failing rule goes to *failed when given.
bool json_check(const json_object* obj, const JsonRule* rules, size_t n, const char** failed = nullptr);

template <size_t N>
bool json_check(const json_object* obj, const JsonRule (&rules)[N], const char** failed = nullptr) {
  return json_check(obj, rules, N, failed);
}
