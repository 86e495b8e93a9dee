#include "common/json_util.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/text.h"

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

bool json_value_int(const json_object* v, int* out) {
  int64_t n;
  switch (json_object_get_type(v)) {
    case json_type_int:
      n = json_object_get_int64(v);
      break;
    case json_type_double: {
      double d = json_object_get_double(v);
      if (!std::isfinite(d) || d != std::trunc(d) || d < INT_MIN || d > INT_MAX) return false;
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
  if (n < INT_MIN || n > INT_MAX) return false;
  if (out) *out = static_cast<int>(n);
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
