// URL text coding of the platform's crypto library.
#pragma once

// Percent-encodes every byte but letters, digits and "-_.~"; output cut so
// that no escape is split. Returns the output length.
int get_url_encode(const char* in, char* out, int size);

// Decodes %XX escapes (other bytes, '+' included, are kept). Returns the length.
int get_url_decode(const char* in, char* out, int size);
