// Simulated playback download (1173): every channel's recording is the same
// short clip, generated here: raw 320x240 pictures at 10 frames a second, a
// bar sweeping over a colour ramp. Each frame goes out in three chunks (the
// device cuts frames as it reads them), then the end marker. A range that
// reaches past the present is cut off half-way with the interrupted marker,
// as the device does when the recording it reads is still being written.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "coresim_registry.h"
#include "proto/stream_proto.h"

using namespace stream;

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFps = 10;
constexpr int kClipFrames = 20;
constexpr int kFrameBytes = kWidth * kHeight * 3;
constexpr int kChunkCut = 80000;  // at most this much of a frame per chunk

// "2026-12-1 8:30:0" as local time; -1 when it does not read.
time_t request_time(const char (&text)[32]) {
  char copy[33] = {};
  memcpy(copy, text, sizeof text);
  struct tm tm {};
  if (sscanf(copy, "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
    return -1;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

// Bottom-up BGR rows: a blue-green ramp, red rising with time, a white bar.
std::string picture(int n) {
  std::string px(kFrameBytes, '\0');
  const int bar = (n * kWidth / kClipFrames) % kWidth;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      char* p = &px[static_cast<size_t>((y * kWidth + x) * 3)];
      bool white = x >= bar && x < bar + 8;
      p[0] = static_cast<char>(white ? 255 : x * 255 / kWidth);
      p[1] = static_cast<char>(white ? 255 : y * 255 / kHeight);
      p[2] = static_cast<char>(white ? 255 : n * 255 / kClipFrames);
    }
  return px;
}

CoreReply chunk_reply(const CoreRequest& req, const FrameHeader& head, int32_t continued, int32_t length,
                      const char* data) {
  auto chunk = std::make_unique<DownloadChunk>();
  chunk->head = head;
  chunk->continued = continued;
  chunk->length = length;
  if (length > 0) memcpy(chunk->data, data, static_cast<size_t>(length));
  return reply_to(req, bytes_of(*chunk));
}

std::vector<CoreReply> download(CoreDevice&, const CoreRequest& req) {
  const auto rec = read_as<DownloadRequest>(req);
  const time_t from = request_time(rec.start), to = request_time(rec.end);
  std::vector<CoreReply> out;
  int frames = 0;
  bool cut_off = false;
  if (rec.channel >= 0 && rec.channel < kChannels && from != -1 && to > from) {
    frames = static_cast<int>(std::min<time_t>(kClipFrames, (to - from) * kFps));
    if (to > time(nullptr)) {
      cut_off = true;
      frames /= 2;
    }
  }
  for (int n = 0; n < frames; ++n) {
    FrameHeader head{};
    memcpy(head.codec, "DIB ", 4);
    head.frame_type = kKeyFrame;
    head.width = kWidth;
    head.height = kHeight;
    head.fps = kFps;
    head.channel = rec.channel;
    head.pts_us = static_cast<int64_t>(from) * 1000000 + int64_t{n} * 1000000 / kFps;
    head.seq = n;
    head.size = kFrameBytes;
    const std::string px = picture(n);
    for (int at = 0; at < kFrameBytes; at += kChunkCut)
      out.push_back(chunk_reply(req, head, at == 0 ? 0 : 1, std::min(kChunkCut, kFrameBytes - at), px.data() + at));
  }
  out.push_back(chunk_reply(req, FrameHeader{}, 0, cut_off ? kChunkInterrupted : kChunkEnd, nullptr));
  return out;
}

std::string describe(const CoreRequest& req) {
  const auto rec = read_as<DownloadRequest>(req);
  char line[128];
  snprintf(line, sizeof line, "channel %d stream %d from %.32s to %.32s", rec.channel, rec.stream_type, rec.start,
           rec.end);
  return line;
}

const CoreAnswerTable kBackupAnswers{
    {kReqDownload, download, describe},
};
}  // namespace
