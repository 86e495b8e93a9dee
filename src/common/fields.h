// Field tables: one row per JSON key of a record page, {key, type, offset,
// width, bounds}, in the page's key order. The same table prints the record
// as JSON (get) and overwrites the members a request carries (set), so every
// key is written once, with its bounds beside it.
//
//   constexpr Field kBackupFields[] = {
//       FIELD(EsataAutoBackup, enable, "enable"),
//       FIELD_IN(EsataAutoBackup, stream_type, "streamType", 0, 1),
//       FIELD(EsataAutoBackup, channel, "channel"),   // text, cut to its width
//   };
//   answer_json(fields_json(&rec, kBackupFields));          // get
//   if (!fields_apply(req, &rec, kBackupFields)) return;    // set: check, then copy
#pragma once
#include <json-c/json.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <type_traits>

#include "common/json_util.h"

enum class FieldType : uint8_t { kU8, kI16, kU16, kI32, kI64, kU64, kText, kI8 };

enum FieldFlag : uint8_t {
  kFieldRequired = 1,  // a set without it is refused
  kFieldGetOnly = 2,   // printed, never taken from a request
  kFieldSetOnly = 4,   // taken from a request, never printed
};

struct Field {
  const char* key;
  FieldType type;
  uint8_t flags;
  uint32_t offset;
  uint32_t width;
  int64_t min;  // integers: the value; texts: the length in bytes
  int64_t max;
};

using Fields = std::span<const Field>;

template <class T>
constexpr FieldType field_type_of() {
  if constexpr (std::is_same_v<T, uint8_t>) return FieldType::kU8;
  else if constexpr (std::is_same_v<T, int8_t>) return FieldType::kI8;
  else if constexpr (std::is_same_v<T, int16_t>) return FieldType::kI16;
  else if constexpr (std::is_same_v<T, uint16_t>) return FieldType::kU16;
  else if constexpr (std::is_same_v<T, int32_t>) return FieldType::kI32;
  else if constexpr (std::is_same_v<T, int64_t>) return FieldType::kI64;
  else if constexpr (std::is_same_v<T, uint64_t>) return FieldType::kU64;
  else {
    static_assert(std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, char>, "no field type");
    return FieldType::kText;
  }
}

// Default bounds: the type's range; texts longer than the width are cut, not refused.
template <class T>
constexpr int64_t field_min() {
  if constexpr (std::is_integral_v<T>) return std::numeric_limits<T>::min();
  else return 0;
}

template <class T>
constexpr int64_t field_max() {
  if constexpr (std::is_integral_v<T> && sizeof(T) < 8) return std::numeric_limits<T>::max();
  else return INT64_MAX;
}

#define FIELD_ALL(Rec, member, key, flags, lo, hi)                                                        \
  ::Field {                                                                                               \
    key, ::field_type_of<decltype(Rec::member)>(), static_cast<uint8_t>(flags),                           \
        static_cast<uint32_t>(offsetof(Rec, member)), static_cast<uint32_t>(sizeof(Rec::member)), lo, hi \
  }
#define FIELD_IN(Rec, member, key, lo, hi) FIELD_ALL(Rec, member, key, 0, lo, hi)
#define FIELD_REQ(Rec, member, key, lo, hi) FIELD_ALL(Rec, member, key, ::kFieldRequired, lo, hi)
#define FIELD(Rec, member, key)                                                       \
  FIELD_ALL(Rec, member, key, 0, ::field_min<decltype(Rec::member)>(), \
            ::field_max<decltype(Rec::member)>())
#define FIELD_GET(Rec, member, key)                                                                 \
  FIELD_ALL(Rec, member, key, ::kFieldGetOnly, ::field_min<decltype(Rec::member)>(), \
            ::field_max<decltype(Rec::member)>())

// Adds the record's fields to obj in table order (get-only ones included).
void fields_to_json(json_object* obj, const void* rec, Fields f);
JsonPtr fields_json(const void* rec, Fields f);
// True when req is an object, every required field is present and every
// present field has its type and lies in its bounds. The first failing key
// goes to *failed when given.
bool fields_check(const json_object* req, Fields f, const char** failed = nullptr);
// Overwrites the fields the request carries (get-only ones excepted).
void fields_from_json(const json_object* req, void* rec, Fields f);
// fields_check, then fields_from_json; rec is untouched when the check fails.
bool fields_apply(const json_object* req, void* rec, Fields f);
// A request text that must be a JSON object passing the table, into rec.
// The parsed object goes to *keep when given (for members beyond the table).
bool fields_parse(const char* text, void* rec, Fields f, JsonPtr* keep = nullptr);
