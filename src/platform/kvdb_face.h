// Face detection event records of the configuration database: one per
// channel 0..15, with the channel's action tables named below.
#pragma once
#include "platform/kvdb.h"
#include "platform/kvdb_source_event.h"

inline constexpr int kFaceChannels = 16;

int read_face_event(const char* path, SourceEventRec* rec, int chn);
int write_face_event(const char* path, const SourceEventRec* rec);

inline constexpr const char* kFaceEffectiveTable = "face_effective_schedule";
inline constexpr const char* kFaceAudibleTable = "face_audible_schedule";
inline constexpr const char* kFaceMailTable = "face_mail_schedule";
inline constexpr const char* kFacePtzTable = "face_ptz_schedule";
inline constexpr const char* kFaceWhiteTable = "face_whiteled_esche";
inline constexpr const char* kFaceHttpScheTable = "face_http_notification_sche";
inline constexpr const char* kFaceWhiteParams = "face_whiteled_params";
inline constexpr const char* kFaceHttpParams = "face_http_notification_params";
inline constexpr int kPtzTypeFace = 26;
