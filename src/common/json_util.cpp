#include "common/json_util.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace {

json_object* member(const json_object* obj, const char* key) {
  json_object* v = nullptr;
  if (!obj || !key || !json_object_object_get_ex(obj, key, &v)) return nullptr;
  return v;
}

// Missing also when the member is JSON null.
JsonGet typed_member(const json_object* obj, const char* key, json_type type, json_object** out) {
  json_object* v = member(obj, key);
  if (out) *out = nullptr;
  if (!v) return JsonGet::kMissing;
  if (json_object_get_type(v) != type) return JsonGet::kBadType;
  if (out) *out = v;
  return JsonGet::kOk;
}

}  // namespace

JsonPtr json_parse(const char* text) {
  if (!text) return nullptr;
  return JsonPtr(json_tokener_parse(text));
}

JsonPtr json_parse_whole(const char* text) {
  if (!text) return nullptr;
  json_tokener* tok = json_tokener_new();
  if (!tok) return nullptr;
  size_t len = strlen(text);
  JsonPtr v(json_tokener_parse_ex(tok, text, static_cast<int>(len)));
  bool done = json_tokener_get_error(tok) == json_tokener_success;
  size_t used = json_tokener_get_parse_end(tok);
  json_tokener_free(tok);
  if (!v || !done) return nullptr;
  for (size_t i = used; i < len; ++i)
    if (!isspace(static_cast<unsigned char>(text[i]))) return nullptr;
  return v;
}

bool json_value_int(const json_object* v, int* out) {
  int64_t n;
  if (!json_value_int64(v, &n) || n < INT_MIN || n > INT_MAX) return false;
  if (out) *out = static_cast<int>(n);
  return true;
}

bool json_value_int64(const json_object* v, int64_t* out) {
  int64_t n;
  switch (json_object_get_type(v)) {
    case json_type_int:
      n = json_object_get_int64(v);
      break;
    case json_type_double: {
      double d = json_object_get_double(v);
      // 2^63 itself is not representable: the upper bound is exclusive.
      if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return false;
      n = static_cast<int64_t>(d);
      break;
    }
    case json_type_string: {
      const char* s = json_object_get_string(const_cast<json_object*>(v));
      char* end = nullptr;
      errno = 0;
      long long l = strtoll(s, &end, 10);
      if (end == s || *end || errno) return false;
      n = l;
      break;
    }
    default:
      return false;
  }
  if (out) *out = n;
  return true;
}

bool text_int(const char* text, int64_t lo, int64_t hi, int64_t* out) {
  if (!text) return false;
  const char* s = text;
  while (*s == ' ' || *s == '\t') ++s;
  if (!(*s >= '0' && *s <= '9') && !((*s == '-' || *s == '+') && s[1] >= '0' && s[1] <= '9')) return false;
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(s, &end, 10);
  if (errno) return false;
  while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
  if (*end || v < lo || v > hi) return false;
  if (out) *out = v;
  return true;
}

bool text_int(const char* text, int64_t lo, int64_t hi, int* out) {
  int64_t v;
  if (!text_int(text, lo, hi, &v) || v < INT_MIN || v > INT_MAX) return false;
  if (out) *out = static_cast<int>(v);
  return true;
}

JsonGet json_get_int(const json_object* obj, const char* key, int* out) {
  json_object* v = member(obj, key);
  if (!v) return JsonGet::kMissing;
  return json_value_int(v, out) ? JsonGet::kOk : JsonGet::kBadType;
}

JsonGet json_get_text(const json_object* obj, const char* key, char* buf, size_t size) {
  json_object* v = nullptr;
  JsonGet r = typed_member(obj, key, json_type_string, &v);
  if (r == JsonGet::kOk && buf) copy_text(buf, size, json_object_get_string(v));
  return r;
}

JsonGet json_get_array(const json_object* obj, const char* key, json_object** out) {
  return typed_member(obj, key, json_type_array, out);
}

JsonGet json_get_object(const json_object* obj, const char* key, json_object** out) {
  return typed_member(obj, key, json_type_object, out);
}

json_object* json_array_at(const json_object* v, size_t i) {
  if (i >= json_array_size(v)) return nullptr;
  return json_object_array_get_idx(v, i);
}

size_t json_array_size(const json_object* v) {
  return json_object_get_type(v) == json_type_array ? json_object_array_length(v) : 0;
}

void json_add_int(json_object* obj, const char* key, int64_t v) {
  json_object_object_add(obj, key, json_object_new_int64(v));
}

void json_add_text(json_object* obj, const char* key, const char* text) {
  json_object_object_add(obj, key, json_object_new_string(text ? text : ""));
}

namespace {

bool rule_holds(const json_object* obj, const JsonRule& r) {
  json_object* v = member(obj, r.key);
  if (!v) return !r.required;
  int64_t n = 0;
  switch (r.type) {
    case JsonType::kInt: {
      int i;
      if (!json_value_int(v, &i)) return false;
      n = i;
      break;
    }
    case JsonType::kText:
      if (json_object_get_type(v) != json_type_string) return false;
      n = json_object_get_string_len(v);
      break;
    case JsonType::kArray:
      if (json_object_get_type(v) != json_type_array) return false;
      n = static_cast<int64_t>(json_object_array_length(v));
      break;
    case JsonType::kObject:
      return json_object_get_type(v) == json_type_object;
  }
  return n >= r.min && n <= r.max;
}

}  // namespace

bool json_check(const json_object* obj, const JsonRule* rules, size_t n, const char** failed) {
  if (failed) *failed = nullptr;
  if (json_object_get_type(obj) != json_type_object) return false;
  for (size_t i = 0; i < n; ++i) {
    if (!rule_holds(obj, rules[i])) {
      if (failed) *failed = rules[i].key;
      return false;
    }
  }
  return true;
}
