// Base64 and the branding-package cipher of the platform's crypto library.
#pragma once
#include <cstddef>

// Standard base64 (padding and line breaks allowed) into out, which holds at
// least len * 3 / 4 + 3 bytes. The decoded length, or -1 for a bad text.
int kv_base64_decode(const char* in, int len, unsigned char* out);

// URL-safe base64 ('-' and '_', no padding) of a text, cut so that the
// result fits size - 1 characters. Returns its length (0 when nothing fits).
int base64EncodeUrl(const char* in, char* out, int size);
// The text back; -1 for a bad encoding or when it does not fit size - 1.
int base64DecodeUrl(const char* in, char* out, int size);

// AES-256-CBC with the 32-character key: in is the 16-byte IV followed by the
// cipher text; the clear text (PKCS#7 padding removed) goes to out, which
// holds at least len bytes. Its length, or -1 (wrong key, damaged data).
int aesDecryWeb(const unsigned char* in, int len, const char* key, unsigned char* out);
// The package builder's side: out holds len + 32 bytes; returns its length.
int aesEncryWeb(const unsigned char* in, int len, const char* key, const unsigned char iv[16], unsigned char* out);
