// Point-of-sale text sources of the configuration database: 8 devices and
// one event record each, with the device's action tables named below.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/kvdb.h"
#include "platform/kvdb_source_event.h"

inline constexpr int kPosDevices = 8;

struct PosRec {
  int32_t id;
  int32_t enable;
  char name[64];
  int32_t protocol;
  int32_t connection_mode;
  char ip[64];
  int32_t liveview_display;
  int32_t display_channel;
  int32_t start_x;
  int32_t start_y;
  int32_t area_width;
  int32_t area_height;
  int32_t character_encoding;
  int32_t font_size;
  int32_t font_color;
  int32_t overlay_mode;
  int32_t display_time;
  int32_t timeout;
  char privacy1[64];
  char privacy2[64];
  char privacy3[64];
  int32_t nvr_port;
  int32_t port;
  int32_t clear_time;
};
static_assert(sizeof(PosRec) == 396);
static_assert(offsetof(PosRec, name) == 8 && offsetof(PosRec, ip) == 80 && offsetof(PosRec, privacy1) == 192 &&
              offsetof(PosRec, clear_time) == 392);

// Zero records where no row is stored; 0, or -1 on error.
int read_pos_settings(const char* path, PosRec recs[kPosDevices]);
int read_pos_setting(const char* path, PosRec* rec, int id);
int write_pos_setting(const char* path, const PosRec* rec);
int read_pos_event(const char* path, SourceEventRec* rec, int id);
int write_pos_event(const char* path, const SourceEventRec* rec);

inline constexpr const char* kPosEffectiveTable = "pos_effective_schedule";
inline constexpr const char* kPosAudibleTable = "pos_audible_schedule";
inline constexpr const char* kPosEmailTable = "pos_email_schedule";
inline constexpr const char* kPosPtzTable = "pos_ptz_schedule";
inline constexpr const char* kPosWhiteTable = "pos_whiteled_esche";
inline constexpr const char* kPosHttpScheTable = "pos_http_notification_sche";
inline constexpr const char* kPosWhiteParams = "pos_whiteled_params";
inline constexpr const char* kPosHttpParams = "pos_http_notification_params";
// PTZ entry type of the POS sources (an ordinary-table type no event uses).
inline constexpr int kPtzTypePos = 4;
