#include "platform/kvdb_video.h"

#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace {
bool valid_chn(int chn) { return chn >= 0 && chn < kKvdbChannels; }

// Per-channel tables are keyed by column "id", the channel, as the
// column-copy call (copy_table_column_int) addresses them.

// Writes make(i) for every channel: the factory row of each.
template <class Rec, class Make>
int per_channel(kvdb::Txn& t, const kvdb::Family& f, Make make) {
  for (int i = 0; i < kKvdbChannels; ++i) {
    Rec r = make(i);
    if (t.put(f, nullptr, {}, &r) != 0) return -1;
  }
  return 0;
}

// ---- OSD ----
constexpr kvdb::Column kOsdCols[] = {
    KVDB_COL_AS(OsdRec, chn, "id"),         KVDB_COL(OsdRec, name),        KVDB_COL(OsdRec, show_name),
    KVDB_COL(OsdRec, show_date),   KVDB_COL(OsdRec, show_week),   KVDB_COL(OsdRec, date_format),
    KVDB_COL(OsdRec, time_format), kvdb::Column{"positions", kvdb::ColType::kBlob, offsetof(OsdRec, date_pos_x), 4 * sizeof(double)},
    KVDB_COL(OsdRec, alpha),
};
static_assert(offsetof(OsdRec, name_pos_y) - offsetof(OsdRec, date_pos_x) == 3 * sizeof(double));
int osd_defaults(kvdb::Txn& t);
constexpr kvdb::Family kOsdFamily = kvdb::family<OsdRec>("osd", "osd", kOsdCols, 1, osd_defaults);
KVDB_REGISTER(kOsdFamily);

int osd_defaults(kvdb::Txn& t) {
  return per_channel<OsdRec>(t, kOsdFamily, [](int i) {
    OsdRec r{};
    r.chn = i;
    snprintf(r.name, sizeof r.name, "CH%d", i + 1);
    r.show_name = 1;
    r.show_date = 1;
    r.date_pos_x = 0.02;
    r.date_pos_y = 0.05;
    r.name_pos_x = 0.8;
    r.name_pos_y = 0.9;
    r.alpha = 100;
    return r;
  });
}

// ---- Motion ----
constexpr kvdb::Column kMotionCols[] = {
    KVDB_COL_AS(MotionRec, chn, "id"),
    KVDB_COL(MotionRec, enable),
    KVDB_COL(MotionRec, sensitivity),
    KVDB_COL(MotionRec, tri_mask),
    KVDB_COL(MotionRec, tri_alarms),
    KVDB_COL(MotionRec, motion_table),
    KVDB_COL(MotionRec, interval),
    KVDB_COL(MotionRec, enable_ms),
    KVDB_COL(MotionRec, tri_channels),
    KVDB_COL(MotionRec, email_enable),
    KVDB_COL(MotionRec, email_interval),
    KVDB_BLOB(MotionRec, tri_chn_alarms, "tri_chn_alarms"),
    KVDB_COL(MotionRec, ptz_interval),
    KVDB_COL(MotionRec, alarmout_interval),
    KVDB_COL(MotionRec, white_interval),
    KVDB_COL(MotionRec, warning_light_interval),
    KVDB_COL(MotionRec, email_pic_enable),
    KVDB_COL(MotionRec, tri_channels_pic),
    KVDB_COL(MotionRec, audio_id),
    KVDB_COL(MotionRec, http_notification_interval),
};
int motion_defaults(kvdb::Txn& t);
constexpr kvdb::Family kMotionFamily = kvdb::family<MotionRec>("motion", "motion", kMotionCols, 1, motion_defaults);
KVDB_REGISTER(kMotionFamily);

int motion_defaults(kvdb::Txn& t) {
  return per_channel<MotionRec>(t, kMotionFamily, [](int i) {
    MotionRec r{};
    r.chn = i;
    r.sensitivity = 5;
    r.interval = 10;
    r.email_interval = 60;
    return r;
  });
}

// ---- Video loss ----
constexpr kvdb::Column kVideoLossCols[] = {
    KVDB_COL_AS(VideoLossRec, chn, "id"),
    KVDB_COL(VideoLossRec, enable),
    KVDB_COL(VideoLossRec, tri_alarms),
    KVDB_COL(VideoLossRec, interval),
    KVDB_COL(VideoLossRec, page_state),
    KVDB_COL(VideoLossRec, email_enable),
    KVDB_COL(VideoLossRec, email_interval),
    KVDB_COL(VideoLossRec, ptz_interval),
    KVDB_COL(VideoLossRec, alarmout_interval),
    KVDB_COL(VideoLossRec, white_interval),
    KVDB_COL(VideoLossRec, warning_light_interval),
    KVDB_COL(VideoLossRec, http_notification_interval),
    KVDB_COL(VideoLossRec, audio_id),
    KVDB_BLOB(VideoLossRec, tri_chn_alarms, "tri_chn_alarms"),
};
int video_loss_defaults(kvdb::Txn& t);
constexpr kvdb::Family kVideoLossFamily =
    kvdb::family<VideoLossRec>("video_loss", "video_loss", kVideoLossCols, 1, video_loss_defaults);
KVDB_REGISTER(kVideoLossFamily);

int video_loss_defaults(kvdb::Txn& t) {
  return per_channel<VideoLossRec>(t, kVideoLossFamily, [](int i) {
    VideoLossRec r{};
    r.chn = i;
    r.interval = 10;
    r.email_interval = 60;
    return r;
  });
}

// ---- Privacy masks ----
constexpr kvdb::Column kMaskCols[] = {KVDB_COL(PrivacyMaskRec, id), KVDB_BLOB(PrivacyMaskRec, area, "area")};
int mask_defaults(kvdb::Txn& t);
constexpr kvdb::Family kMaskFamily =
    kvdb::family<PrivacyMaskRec>("privacy_mask", "privacy_mask", kMaskCols, 1, mask_defaults);
KVDB_REGISTER(kMaskFamily);

int mask_defaults(kvdb::Txn& t) {
  return per_channel<PrivacyMaskRec>(t, kMaskFamily, [](int i) {
    PrivacyMaskRec r{};
    r.id = i;
    for (int a = 0; a < kStoredMaskAreas; ++a) r.area[a].area_id = a;
    return r;
  });
}

// ---- Camera alarm I/O and audio volume detection ----
constexpr kvdb::Column kCameraIoCols[] = {
    KVDB_COL_AS(CameraIoRec, chn, "id"),         KVDB_COL(CameraIoRec, enable),       KVDB_COL(CameraIoRec, tri_mask),
    KVDB_COL(CameraIoRec, tri_actions), KVDB_COL(CameraIoRec, tri_channels),
};
int camera_io_defaults(kvdb::Txn& t);
int volume_defaults(kvdb::Txn& t);
constexpr kvdb::Family kCameraIoFamily =
    kvdb::family<CameraIoRec>("cameraio", "cameraio", kCameraIoCols, 1, camera_io_defaults);
KVDB_REGISTER(kCameraIoFamily);
constexpr kvdb::Family kVolumeFamily =
    kvdb::family<CameraIoRec>("volumedetect", "volumedetect", kCameraIoCols, 1, volume_defaults);
KVDB_REGISTER(kVolumeFamily);

CameraIoRec io_default(int i) {
  CameraIoRec r{};
  r.chn = i;
  return r;
}
int camera_io_defaults(kvdb::Txn& t) { return per_channel<CameraIoRec>(t, kCameraIoFamily, io_default); }
int volume_defaults(kvdb::Txn& t) { return per_channel<CameraIoRec>(t, kVolumeFamily, io_default); }

// ---- Exceptions: one row of trigger values, 14 HTTP targets ----
// One column per exception kind, so a dump reads as numbers.
constexpr kvdb::Column trigger_col(const char* name, int kind) {
  return {name, kvdb::ColType::kInt32, static_cast<uint32_t>(offsetof(TriggerAlarmsRec, value) + 4 * kind), 4};
}
constexpr kvdb::Column kTriggerCols[] = {
    KVDB_KEY("id"),
    trigger_col("value0", 0),  trigger_col("value1", 1), trigger_col("value2", 2), trigger_col("value3", 3),
    trigger_col("value4", 4),  trigger_col("value5", 5), trigger_col("value6", 6), trigger_col("value7", 7),
    trigger_col("value8", 8),  trigger_col("value9", 9), trigger_col("value10", 10), trigger_col("value11", 11),
    KVDB_COL(TriggerAlarmsRec, record_failed_mail_interval),
};
static_assert(kExceptionKinds == 12);
int trigger_defaults(kvdb::Txn& t);
constexpr kvdb::Family kTriggerFamily =
    kvdb::family<TriggerAlarmsRec>("trigger_alarms", "trigger_alarms", kTriggerCols, 1, trigger_defaults);
KVDB_REGISTER(kTriggerFamily);

int trigger_defaults(kvdb::Txn& t) {
  TriggerAlarmsRec r{};
  r.value[0] = 1;  // disk full: buzzer
  r.value[1] = 1;  // disk error: buzzer
  r.record_failed_mail_interval = 60;
  return t.put(kTriggerFamily, nullptr, {{"id", 0}}, &r);
}

// Keyed by the exception index; the record's own id is -1 for an unset target.
constexpr kvdb::Column kExceptHttpCols[] = {
    KVDB_KEY("slot"),
    KVDB_COL_AS(HttpNotifyParams, chn, "id"),
    KVDB_COL(HttpNotifyParams, url),
    KVDB_COL(HttpNotifyParams, username),
    KVDB_COL(HttpNotifyParams, password),
};
constexpr kvdb::Family kExceptHttpFamily = kvdb::family<HttpNotifyParams>(
    "except_http_notification_params", "except_http_notification_params", kExceptHttpCols, 1);
KVDB_REGISTER(kExceptHttpFamily);

constexpr const char* kExceptionNameList[kExceptionNames] = {
    "diskFull",          "diskError",     "networkDisconnected", "ipConflict",    "illegalAccess",
    "recordFailed",      "videoSignal",   "diskUninitialized",   "raidDegraded",  "raidFailed",
    "temperatureHigh",   "fanFailure",    "poePowerOverload",    "cameraOffline",
};

template <class Rec>
int read_chn(const char* path, const kvdb::Family& f, Rec* rec, int chn) {
  if (!valid_chn(chn)) {
    *rec = Rec{};
    return -1;
  }
  return kvdb::read_one(path, f, nullptr, {{"id", chn}}, rec);
}

template <class Rec>
int write_chn(const char* path, const kvdb::Family& f, const Rec* rec) {
  return valid_chn(rec->chn) ? kvdb::write_one(path, f, nullptr, {}, rec) : -1;
}
}  // namespace

int read_osd(const char* path, OsdRec* rec, int chn) { return read_chn(path, kOsdFamily, rec, chn); }
int write_osd(const char* path, const OsdRec* rec) { return write_chn(path, kOsdFamily, rec); }

int read_motion(const char* path, MotionRec* rec, int chn) { return read_chn(path, kMotionFamily, rec, chn); }
int read_motions(const char* path, MotionRec* recs, int* count) {
  return kvdb::read_list(path, kMotionFamily, nullptr, {}, recs, kKvdbChannels, count);
}
int write_motion(const char* path, const MotionRec* rec) { return write_chn(path, kMotionFamily, rec); }
int copy_motions(const char* path, int src, uint64_t mask) {
  return valid_chn(src) ? kvdb::copy_rows(path, kMotionFamily, nullptr, {}, "id", src, mask) : -1;
}

int read_video_lost(const char* path, VideoLossRec* rec, int chn) {
  return read_chn(path, kVideoLossFamily, rec, chn);
}
int write_video_lost(const char* path, const VideoLossRec* rec) { return write_chn(path, kVideoLossFamily, rec); }
int read_video_losts(const char* path, VideoLossRec recs[kKvdbChannels]) {
  return kvdb::read_slots(path, kVideoLossFamily, nullptr, "id", recs, kKvdbChannels);
}
int write_video_losts(const char* path, const VideoLossRec recs[kKvdbChannels], uint64_t mask) {
  return kvdb::write_masked(path, kVideoLossFamily, nullptr, "id", recs, kKvdbChannels, mask);
}
int copy_video_losts(const char* path, int src, uint64_t mask) {
  return valid_chn(src) ? kvdb::copy_rows(path, kVideoLossFamily, nullptr, {}, "id", src, mask) : -1;
}

int read_privacy_masks(const char* path, PrivacyMaskRec* recs, int* count) {
  return kvdb::read_list(path, kMaskFamily, nullptr, {}, recs, kKvdbChannels, count);
}
int write_privacy_mask(const char* path, const PrivacyMaskRec* rec) {
  return valid_chn(rec->id) ? kvdb::write_one(path, kMaskFamily, nullptr, {}, rec) : -1;
}

int read_cameraio(const char* path, CameraIoRec* rec, int chn) { return read_chn(path, kCameraIoFamily, rec, chn); }
int write_cameraio(const char* path, const CameraIoRec* rec) { return write_chn(path, kCameraIoFamily, rec); }
int read_volumedetect(const char* path, CameraIoRec* rec, int chn) { return read_chn(path, kVolumeFamily, rec, chn); }
int write_volumedetect(const char* path, const CameraIoRec* rec) { return write_chn(path, kVolumeFamily, rec); }

int read_trigger_alarms(const char* path, TriggerAlarmsRec* rec) {
  return kvdb::read_one(path, kTriggerFamily, nullptr, {{"id", 0}}, rec);
}
int write_trigger_alarms(const char* path, const TriggerAlarmsRec* rec) {
  return kvdb::write_one(path, kTriggerFamily, nullptr, {{"id", 0}}, rec);
}

int get_exception_name(int index, char* buf, int size) {
  bool known = index >= 0 && index < kExceptionNames;
  if (buf && size > 0) copy_text(buf, static_cast<size_t>(size), known ? kExceptionNameList[index] : "");
  return known ? 0 : -1;
}

int read_http_notification_params_init(const char* path, HttpNotifyParams recs[kExceptionNames]) {
  for (int i = 0; i < kExceptionNames; ++i) {
    recs[i] = HttpNotifyParams{};
    recs[i].chn = -1;
  }
  return kvdb::transact(path, kvdb::Txn::kRead, [&](kvdb::Txn& t) {
    if (!t.has_table(kExceptHttpFamily.table)) return 0;
    for (int i = 0; i < kExceptionNames; ++i)
      if (t.get(kExceptHttpFamily, nullptr, {{"slot", i}}, &recs[i]) < 0) return -1;
    return 0;
  }, &kExceptHttpFamily);
}

int write_http_notification_params_batch(const char* path, const HttpNotifyParams recs[kExceptionNames]) {
  return kvdb::transact(path, kvdb::Txn::kWrite, [&](kvdb::Txn& t) {
    for (int i = 0; i < kExceptionNames; ++i)
      if (t.put(kExceptHttpFamily, nullptr, {{"slot", i}}, &recs[i]) != 0) return -1;
    return 0;
  }, &kExceptHttpFamily);
}
