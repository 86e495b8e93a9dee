// Playback download (/4013): one channel's recording for a time range,
// answered as an AVI file that the remote backup writer produces while the
// daemon streams the chunks.
#include <json-c/json.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>

#include "cgi/cgic.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/stream/remote_backup.h"
#include "modules/stream/stream_module.h"
#include "proto/stream_proto.h"

using namespace stream;

namespace {
constexpr IpcCallback kCb = on_stream_callback;
constexpr JsonRule kDownloadRules[] = {
    {"id", true, JsonType::kInt, 0, kChannels - 1},
    {"startTime", true, JsonType::kText, 0, INT32_MAX},
    {"endTime", true, JsonType::kText, 0, INT32_MAX},
};

struct DownloadTime {
  struct tm tm;     // as normalised by the conversion
  time_t seconds;
};

// "2026-12-01T08:30:00Z", taken as local time (daylight saving as the zone says).
bool download_time(const json_object* req, const char* key, DownloadTime* t) {
  char text[32];
  if (json_get_text(req, key, text, sizeof text) != JsonGet::kOk) return false;
  t->tm = {};
  if (!strptime(text, "%Y-%m-%dT%H:%M:%SZ", &t->tm)) return false;
  t->tm.tm_isdst = -1;
  t->seconds = mktime(&t->tm);
  return true;
}

// One side of the file name: year_month_day_hour_minute_second_seconds.
void name_part(const DownloadTime& t, char* buf, size_t size) {
  snprintf(buf, size, "%d_%d_%d_%d_%d_%d_%d", t.tm.tm_year + 1900, t.tm.tm_mon + 1, t.tm.tm_mday, t.tm.tm_hour,
           t.tm.tm_min, t.tm.tm_sec, static_cast<int>(t.seconds));
}

template <size_t N>
void request_time(const DownloadTime& t, char (&buf)[N]) {
  snprintf(buf, N, "%d-%d-%d %d:%d:%d", t.tm.tm_year + 1900, t.tm.tm_mon + 1, t.tm.tm_mday, t.tm.tm_hour, t.tm.tm_min,
           t.tm.tm_sec);
}
}  // namespace

void on_download_playback(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kDownloadRules)) return;
  if (download_busy()) {
    answer_text("BUSY NOW");
    return;
  }
  DownloadRequest rec{};
  DownloadTime start, end;
  json_get_int(req.get(), "id", &rec.channel);
  json_get_int(req.get(), "streamType", &rec.stream_type);
  // A time that does not read as one would name a file and a range of garbage.
  if (!download_time(req.get(), "startTime", &start) || !download_time(req.get(), "endTime", &end)) return;

  char from[48], to[48], name[128];
  name_part(start, from, sizeof from);
  name_part(end, to, sizeof to);
  snprintf(name, sizeof name, "%lldDDD%s-%s_%d.avi", 1LL << rec.channel, from, to, rec.channel);
  send_op_log(kCb, kLogSubPlayback, kLogParamStream, rec.channel + 1);
  request_time(start, rec.start);
  request_time(end, rec.end);

  fprintf(cgiOut, "Content-Type:application/octet-stream\r\nContent-Disposition: attachment; filename= %s\r\n\r\n",
          name);
  fflush(cgiOut);
  (void)!nice(19);  // the export yields to recording and live view

  if (KvAvi* old = remote_backup_avi()) remote_backup_kvfs_close(old);
  KvAvi* avi = nullptr;
  if (remote_backup_kvfs_open(cgiOut, &avi) == 0) {
    remote_backup_end_reset();
    // Chunks go on arriving long after a request's usual wait: the channel
    // stays open until the end marker, or until the writer task stops
    // (interrupted, or idle for its limit).
    cgi_start_ipc(kCb, kReqDownload, sizeof rec, &rec, 1);
    remote_backup_wait_end();
    // No chunk reaches the writer once the channel is closed.
    cgi_stop_ipc();
    remote_backup_kvfs_close(avi);
  }
  fflush(cgiOut);
}
