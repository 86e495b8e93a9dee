#include "common/fields.h"

#include <cstring>
#include <utility>

#include "base/text.h"

namespace {
char* at(void* rec, const Field& f) { return static_cast<char*>(rec) + f.offset; }
const char* at(const void* rec, const Field& f) { return static_cast<const char*>(rec) + f.offset; }

template <class T>
T load(const void* rec, const Field& f) {
  T v;
  memcpy(&v, at(rec, f), sizeof v);
  return v;
}

template <class T>
void store(void* rec, const Field& f, T v) {
  memcpy(at(rec, f), &v, sizeof v);
}

json_object* member(const json_object* obj, const char* key) {
  json_object* v = nullptr;
  return json_object_object_get_ex(obj, key, &v) ? v : nullptr;
}

// The range a field's type can hold.
bool fits(const Field& f, int64_t n) {
  switch (f.type) {
    case FieldType::kU8:
      return n >= 0 && n <= UINT8_MAX;
    case FieldType::kI8:
      return n >= INT8_MIN && n <= INT8_MAX;
    case FieldType::kI16:
      return n >= INT16_MIN && n <= INT16_MAX;
    case FieldType::kU16:
      return n >= 0 && n <= UINT16_MAX;
    case FieldType::kI32:
      return n >= INT32_MIN && n <= INT32_MAX;
    case FieldType::kU64:
      return n >= 0;
    default:
      return true;
  }
}

bool field_holds(const json_object* v, const Field& f) {
  int64_t n;
  if (f.type == FieldType::kText) {
    if (json_object_get_type(v) != json_type_string) return false;
    n = json_object_get_string_len(v);
  } else if (!json_value_int64(v, &n) || !fits(f, n)) {
    return false;
  }
  return n >= f.min && n <= f.max;
}

int64_t load_int(const void* rec, const Field& f) {
  switch (f.type) {
    case FieldType::kU8:
      return load<uint8_t>(rec, f);
    case FieldType::kI8:
      return load<int8_t>(rec, f);
    case FieldType::kI16:
      return load<int16_t>(rec, f);
    case FieldType::kU16:
      return load<uint16_t>(rec, f);
    case FieldType::kI32:
      return load<int32_t>(rec, f);
    case FieldType::kI64:
      return load<int64_t>(rec, f);
    default:
      return static_cast<int64_t>(load<uint64_t>(rec, f));
  }
}

void store_int(void* rec, const Field& f, int64_t n) {
  switch (f.type) {
    case FieldType::kU8:
      return store(rec, f, static_cast<uint8_t>(n));
    case FieldType::kI8:
      return store(rec, f, static_cast<int8_t>(n));
    case FieldType::kI16:
      return store(rec, f, static_cast<int16_t>(n));
    case FieldType::kU16:
      return store(rec, f, static_cast<uint16_t>(n));
    case FieldType::kI32:
      return store(rec, f, static_cast<int32_t>(n));
    case FieldType::kI64:
      return store(rec, f, n);
    default:
      return store(rec, f, static_cast<uint64_t>(n));
  }
}
}  // namespace

void fields_to_json(json_object* obj, const void* rec, Fields fields) {
  for (const Field& f : fields) {
    if (f.flags & kFieldSetOnly) continue;
    if (f.type == FieldType::kText) {
      const char* s = at(rec, f);
      json_object_object_add(obj, f.key, json_object_new_string_len(s, static_cast<int>(strnlen(s, f.width))));
    } else {
      json_add_int(obj, f.key, load_int(rec, f));
    }
  }
}

JsonPtr fields_json(const void* rec, Fields f) {
  JsonPtr obj(json_object_new_object());
  fields_to_json(obj.get(), rec, f);
  return obj;
}

bool fields_check(const json_object* req, Fields fields, const char** failed) {
  if (failed) *failed = nullptr;
  if (json_object_get_type(req) != json_type_object) return false;
  for (const Field& f : fields) {
    if (f.flags & kFieldGetOnly) continue;
    json_object* v = member(req, f.key);
    if (v ? field_holds(v, f) : !(f.flags & kFieldRequired)) continue;
    if (failed) *failed = f.key;
    return false;
  }
  return true;
}

void fields_from_json(const json_object* req, void* rec, Fields fields) {
  for (const Field& f : fields) {
    if (f.flags & kFieldGetOnly) continue;
    json_object* v = member(req, f.key);
    int64_t n = 0;
    if (!v) continue;
    if (f.type == FieldType::kText) {
      if (json_object_get_type(v) == json_type_string) copy_text(at(rec, f), f.width, json_object_get_string(v));
      continue;
    }
    if (json_value_int64(v, &n) && fits(f, n)) store_int(rec, f, n);
  }
}

bool fields_apply(const json_object* req, void* rec, Fields f) {
  if (!fields_check(req, f)) return false;
  fields_from_json(req, rec, f);
  return true;
}

bool fields_parse(const char* text, void* rec, Fields f, JsonPtr* keep) {
  JsonPtr req = json_parse(text);
  if (!req || !fields_apply(req.get(), rec, f)) return false;
  if (keep) *keep = std::move(req);
  return true;
}
