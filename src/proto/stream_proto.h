// Live view and playback session requests and replies exchanged with the core daemon.
#pragma once
#include <cstddef>
#include <cstdint>

#include "proto/ipc_code.h"

namespace stream {
inline constexpr int kChannels = 16;       // channels 0..15 on every route that checks one
inline constexpr int kMaxSessions = 64;    // sessions or channels in one session command
inline constexpr int kMaxChannelText = 64;  // characters of a search's channel string

// Request codes (replies are code + 5000) with their waits.
inline constexpr IpcCode kReqStepBatch{1113};
inline constexpr IpcCode kReqFastForward{1112};
inline constexpr IpcCode kReqSlowForward{1149};
inline constexpr IpcCode kReqPlayTime{1153, kPolls120s};
inline constexpr IpcCode kReqSearch{1159};
inline constexpr IpcCode kReqCloseSearch{1160};
inline constexpr IpcCode kReqSearchPage{1161};
inline constexpr IpcCode kReqOpenPlayback{1162};
inline constexpr IpcCode kReqStopPlayback{1164};
inline constexpr IpcCode kReqPause{1165};
inline constexpr IpcCode kReqResume{1166};
inline constexpr IpcCode kReqSetSpeed{1167};
inline constexpr IpcCode kReqStep{1170};
inline constexpr IpcCode kReqJump{1171, kPolls120s};
inline constexpr IpcCode kReqDownload{1173};
inline constexpr IpcCode kReqTranscode{1176};
inline constexpr IpcCode kReqTranscodeState{1177};
inline constexpr IpcCode kReqStopDownload{1178};
inline constexpr IpcCode kReqSetImage{1205};
inline constexpr IpcCode kReqStopLive{1901};
inline constexpr IpcCode kReqStopAllLive{1902};
inline constexpr IpcCode kReqCloseSession{1903};
inline constexpr IpcCode kReqGetImage{3002};
// Opens a session the daemon picks; its reply fills the session memory.
inline constexpr IpcCode kReqOpenSession{3103};
inline constexpr IpcCode kReqOpenMaskPlayback{3109};
inline constexpr IpcCode kReqStartLive{3500};
inline constexpr IpcCode kReqPlaybackStream{3502};
inline constexpr IpcCode kReqRtspAddr{3503};
inline constexpr IpcCode kReqExternPorts{3506};
inline constexpr IpcCode kReqStreamBusy{4011};

// Operation log entries of this module: main type 4, parameter 900.
inline constexpr int32_t kLogParamStream = 900;
inline constexpr int64_t kLogSubChannelEvent = 205;
inline constexpr int64_t kLogSubLiveView = 208;
inline constexpr int64_t kLogSubPlayback = 209;
inline constexpr int64_t kLogSubImage = 217;
inline constexpr int64_t kLogSubUserEvent = 227;
inline constexpr int16_t kLogDetailImageParams = 107;

struct SearchRequest {
  char channels[68];
  int32_t one;        // always 1
  int32_t sub_stream;
  int32_t minus1[2];  // always -1
  char start[32];
  char end[32];
  uint8_t reserved[68];
};
static_assert(sizeof(SearchRequest) == 216);
static_assert(offsetof(SearchRequest, one) == 68);
static_assert(offsetof(SearchRequest, sub_stream) == 72);
static_assert(offsetof(SearchRequest, minus1) == 76);
static_assert(offsetof(SearchRequest, start) == 84);
static_assert(offsetof(SearchRequest, end) == 116);
static_assert(offsetof(SearchRequest, reserved) == 148);

struct SearchPageRequest {
  int32_t sid;
  int32_t page;
  uint8_t reserved[12];
};
static_assert(sizeof(SearchPageRequest) == 20);

struct SearchResult {
  int32_t channel;
  int32_t sid;
  int32_t reserved0;
  int32_t lock;
  int32_t reserved1;
  int32_t record_type;
  char start[20];
  char end[36];
};
static_assert(sizeof(SearchResult) == 80);
static_assert(offsetof(SearchResult, sid) == 4);
static_assert(offsetof(SearchResult, lock) == 12);
static_assert(offsetof(SearchResult, record_type) == 20);
static_assert(offsetof(SearchResult, start) == 24);
static_assert(offsetof(SearchResult, end) == 44);

// Sessions a command acts on (1160, 1164, 1165, 1170, 1112, 1113).
struct SessionList {
  int32_t ids[kMaxSessions];
  int32_t step;  // always 0
  int32_t speeds[kMaxSessions];  // fast forward only
  uint8_t reserved0[516];
  int32_t count;
  uint8_t reserved[4];
};
static_assert(sizeof(SessionList) == 1040);
static_assert(offsetof(SessionList, step) == 256);
static_assert(offsetof(SessionList, speeds) == 260);
static_assert(offsetof(SessionList, count) == 1032);

struct SpeedRequest {
  int32_t speed;
  int32_t flag;
  int32_t ids[kMaxSessions];
  int32_t count;
};
static_assert(sizeof(SpeedRequest) == 268);
static_assert(offsetof(SpeedRequest, ids) == 8);
static_assert(offsetof(SpeedRequest, count) == 264);

struct OpenPlaybackRequest {
  int32_t channel;
  int32_t sid;
  char start[32];
  char end[32];
  char play[32];
  uint8_t reserved[8];
};
static_assert(sizeof(OpenPlaybackRequest) == 112);
static_assert(offsetof(OpenPlaybackRequest, start) == 8);
static_assert(offsetof(OpenPlaybackRequest, end) == 40);
static_assert(offsetof(OpenPlaybackRequest, play) == 72);

// Reply of 3103 and 3109: the session the daemon opened.
struct OpenedSession {
  int32_t sid;
  char play[32];
  int32_t failed;
};
static_assert(sizeof(OpenedSession) == 40);
static_assert(offsetof(OpenedSession, play) == 4);
static_assert(offsetof(OpenedSession, failed) == 36);

struct PlaybackStream {
  int32_t sid;
  int32_t port;
  int32_t external_port;
  int32_t external_http_port;
  int32_t ddns_port;
  int32_t ddns_http_port;
  char source_path[128];
};
static_assert(sizeof(PlaybackStream) == 152);
static_assert(offsetof(PlaybackStream, external_port) == 8);
static_assert(offsetof(PlaybackStream, external_http_port) == 12);
static_assert(offsetof(PlaybackStream, ddns_port) == 16);
static_assert(offsetof(PlaybackStream, ddns_http_port) == 20);
static_assert(offsetof(PlaybackStream, source_path) == 24);

struct ResumeRequest {
  int32_t sid;
  int32_t direction;
};
static_assert(sizeof(ResumeRequest) == 8);

struct JumpRequest {
  int32_t channels[kMaxSessions];
  int32_t ids[kMaxSessions];
  int32_t count;
  char time[64];
};
static_assert(sizeof(JumpRequest) == 580);
static_assert(offsetof(JumpRequest, ids) == 256);
static_assert(offsetof(JumpRequest, count) == 512);
static_assert(offsetof(JumpRequest, time) == 516);

struct LiveRequest {
  int32_t channel;
  int32_t stream_type;  // 0 main, 1 sub
  int32_t stream_from;
};
static_assert(sizeof(LiveRequest) == 12);

struct LiveStream {
  int32_t channel;
  int32_t port;
  uint8_t reserved0[16];
  int32_t direct;
  int32_t result;  // negative: refused
  uint8_t reserved1[64];
  char rtsp_addr[256];
  char res_path[256];
  uint8_t reserved2[432];
};
static_assert(sizeof(LiveStream) == 1040);
static_assert(offsetof(LiveStream, direct) == 24);
static_assert(offsetof(LiveStream, result) == 28);
static_assert(offsetof(LiveStream, rtsp_addr) == 96);
static_assert(offsetof(LiveStream, res_path) == 352);

struct ImageParams {
  int32_t channel;
  int32_t brightness;
  int32_t contrast;
  int32_t saturation;
  int32_t sharpness;
  int32_t noise_reduction;
  int32_t i2ddnr;
};
static_assert(sizeof(ImageParams) == 28);

struct ImageReply {
  ImageParams params;
  int32_t result;  // negative: failure
  int32_t support_lpr;
  int32_t is_nt_platform;
  int32_t is_panorama_stitch;
};
static_assert(sizeof(ImageReply) == 44);
static_assert(offsetof(ImageReply, result) == 28);
static_assert(offsetof(ImageReply, support_lpr) == 32);
static_assert(offsetof(ImageReply, is_nt_platform) == 36);
static_assert(offsetof(ImageReply, is_panorama_stitch) == 40);

// Log detail of an image change: the five values in percent.
struct ImageLogDetail {
  int32_t percent[5];
};
static_assert(sizeof(ImageLogDetail) == 20);

struct TranscodeRequest {
  int32_t ch;
  int32_t sid;
  int32_t mode;
  int32_t framesize;
  int32_t bitrate;
  int32_t framerate;
};
static_assert(sizeof(TranscodeRequest) == 24);

struct TranscodeKey {
  int32_t ch;
  int32_t sid;
};
static_assert(sizeof(TranscodeKey) == 8);

struct TranscodeState {
  int32_t ch;
  int32_t sid;
  int32_t state;
};
static_assert(sizeof(TranscodeState) == 12);

struct MaskPlaybackRequest {
  int64_t play_seconds;
  int32_t masks[8];
  char play[32];
};
static_assert(sizeof(MaskPlaybackRequest) == 72);
static_assert(offsetof(MaskPlaybackRequest, masks) == 8);
static_assert(offsetof(MaskPlaybackRequest, play) == 40);

struct DownloadRequest {
  int32_t channel;
  int32_t stream_type;
  char start[32];
  char end[32];
};
static_assert(sizeof(DownloadRequest) == 72);
static_assert(offsetof(DownloadRequest, start) == 8);
static_assert(offsetof(DownloadRequest, end) == 40);

// Frame header of a downloaded frame: handed to the AVI writer unchanged before
// the frame's data. Only size and the data slot matter to the download itself;
// the AVI writer reads the codec, picture and rate fields.
struct FrameHeader {
  char codec[4];        // four-character code: "H264", "H265", "MJPG", "DIB " (raw BGR, bottom-up)
  int32_t frame_type;   // kKeyFrame or 0
  int32_t width;
  int32_t height;
  int32_t fps;
  int32_t channel;
  int64_t pts_us;
  int32_t seq;
  uint8_t reserved0[4];
  int32_t size;         // bytes of frame data
  uint8_t reserved1[28];
  uint64_t data;        // receiver's slot: address of the frame data
  uint8_t reserved2[16];
};
static_assert(sizeof(FrameHeader) == 96);
static_assert(offsetof(FrameHeader, size) == 40);
static_assert(offsetof(FrameHeader, data) == 72);
inline constexpr int32_t kKeyFrame = 1;

inline constexpr int32_t kChunkData = 614400;      // data bytes one chunk can carry
inline constexpr int32_t kChunkEnd = -1;           // chunk length: end of download
inline constexpr int32_t kChunkInterrupted = -2;   // chunk length: download interrupted

// One reply 6173 of a download: a piece of a frame.
struct DownloadChunk {
  FrameHeader head;
  int32_t continued;  // 0: this chunk begins a new frame
  int32_t length;     // data bytes, or kChunkEnd / kChunkInterrupted
  uint8_t data[kChunkData];
};
static_assert(sizeof(DownloadChunk) == 614504);
static_assert(offsetof(DownloadChunk, continued) == 96);
static_assert(offsetof(DownloadChunk, length) == 100);
static_assert(offsetof(DownloadChunk, data) == 104);

struct RtspStreamBlock {
  int32_t port;
  int32_t external_port;
  int32_t ddns_port;
  int32_t external_http_port;
  int32_t ddns_http_port;
  uint8_t reserved0[8];
  char user[32];
  char password[288];
  char res_path[128];
};
static_assert(sizeof(RtspStreamBlock) == 476);
static_assert(offsetof(RtspStreamBlock, user) == 28);
static_assert(offsetof(RtspStreamBlock, password) == 60);
static_assert(offsetof(RtspStreamBlock, res_path) == 348);

struct RtspAddr {
  int32_t reserved0;
  char main_addr[256];
  char sub_addr[256];
  int32_t reserved1;
  RtspStreamBlock main;
  int32_t reserved2;
  RtspStreamBlock sub;
};
static_assert(sizeof(RtspAddr) == 1476);
static_assert(offsetof(RtspAddr, main_addr) == 4);
static_assert(offsetof(RtspAddr, sub_addr) == 260);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, port) == 520);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, external_port) == 524);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, ddns_port) == 528);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, external_http_port) == 532);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, ddns_http_port) == 536);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, user) == 548);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, password) == 580);
static_assert(offsetof(RtspAddr, main) + offsetof(RtspStreamBlock, res_path) == 868);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, port) == 1000);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, external_port) == 1004);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, ddns_port) == 1008);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, external_http_port) == 1012);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, ddns_http_port) == 1016);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, user) == 1028);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, password) == 1060);
static_assert(offsetof(RtspAddr, sub) + offsetof(RtspStreamBlock, res_path) == 1348);

struct ExternPorts {
  int32_t upnp;
  int32_t ddns;
};
static_assert(sizeof(ExternPorts) == 8);
}  // namespace stream
