// Bounded text copies into fixed-width record fields.
#pragma once
#include <cstddef>
#include <cstring>

// Copies at most size - 1 bytes of src and always terminates; a null src gives "".
inline void copy_text(char* dst, size_t size, const char* src) {
  if (!dst || size == 0) return;
  size_t n = src ? strnlen(src, size - 1) : 0;
  if (n) memcpy(dst, src, n);
  dst[n] = '\0';
}

template <size_t N>
inline void copy_text(char (&dst)[N], const char* src) {
  copy_text(dst, N, src);
}

// As copy_text, cut at max_chars characters (max_chars < size).
inline void copy_text_max(char* dst, size_t size, const char* src, size_t max_chars) {
  copy_text(dst, max_chars + 1 < size ? max_chars + 1 : size, src);
}

// Copies a fixed-width field that may lack its terminator (daemon records).
template <size_t N, size_t M>
inline void copy_field(char (&dst)[N], const char (&src)[M]) {
  size_t n = strnlen(src, M);
  if (n > N - 1) n = N - 1;
  memcpy(dst, src, n);
  dst[n] = '\0';
}
