// Service command table of "/vb.htm".
#pragma once
#include <cstdint>

inline constexpr int HTTP_OPTION_COUNT = 9;
inline constexpr int HTTP_OPTION_NO_ARG_SLOTS = 10;
inline constexpr int HTTP_HASH_BUCKETS = 64;
inline constexpr int HTTP_MAX_ARGS = 64;
inline constexpr int HTTP_ARG_TEXT = 64;

struct ArgPair {
  char name[HTTP_ARG_TEXT];
  char value[HTTP_ARG_TEXT];
};
static_assert(sizeof(ArgPair) == 128);

struct HttpOption {
  const char* name;
  void (*func)(ArgPair* arg);
  HttpOption* next;  // hash chain
};

extern HttpOption HttpOptionTable[HTTP_OPTION_COUNT];
extern HttpOption** cmd_hash;

int hash_table_init();
void hash_table_destory();
void hash_insert_entry(HttpOption* row);
uint32_t hash_cal_value(const char* name);
HttpOption* http_option_search(const ArgPair* arg);
int get_httpoption_argnum(const char* text);
int ui_decodeing(const char* text, ArgPair* pairs, int count);
int is_httpoption_no_arg(const char* text);

// Chip text as the chip tool reports it: 32 characters and the line end.
int get_chip_info(char* buf, int size);
