// Live streams, channel logs, image parameters, transcoding, downloads and
// the stream status queries (/3000-/3002, /3004, /4010-/4019, /4021, /4024-/4027).
#include <json-c/json.h>

#include <climits>
#include <iterator>
#include <cstdio>
#include <unistd.h>

#include "base/paths.h"
#include "common/fields.h"
#include "common/json_util.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/stream/stream_module.h"
#include "proto/stream_proto.h"

using namespace stream;

namespace {
constexpr IpcCallback kCb = on_stream_callback;

// A channel given as the bare request text.
bool text_channel(const char* text, int* channel) { return text_int(text, 0, kChannels - 1, channel); }

void request_json(IpcCode code) { ipc_request(kCb, code, ErrMode::kJson); }

void log_channel(const char* text, int64_t sub) {
  int channel;
  if (!text_channel(text, &channel)) return;
  send_op_log(kCb, sub, kLogParamStream, channel + 1);
  answer_ok();
}

constexpr Field kLiveFields[] = {
    FIELD_REQ(LiveRequest, channel, "id", 0, kChannels - 1),
    FIELD_REQ(LiveRequest, stream_type, "streamType", 0, 1),
    FIELD_REQ(LiveRequest, stream_from, "streamFrom", 0, 1),
};

bool read_live(const char* text, LiveRequest* live) {
  JsonPtr req = json_parse(text);
  return req && fields_apply(req.get(), live, kLiveFields);
}
}  // namespace

void on_start_live(char* text) {
  LiveRequest live{};
  if (!read_live(text, &live)) return;
  if (!ipc_request(kCb, kReqStartLive, live, ErrMode::kJson)) return;
  // The channel the daemon opened; one it cannot number is not logged.
  int32_t channel = ipc_result();
  if (channel != kIpcNoResult && channel < INT32_MAX) send_op_log(kCb, kLogSubLiveView, kLogParamStream, channel + 1);
}

void on_stop_live(char* text) {
  LiveRequest live{};
  if (!read_live(text, &live)) return;
  live.stream_from = 0;
  ipc_send(kCb, kReqStopLive, live);
  answer_ok();
}

void on_stop_all_live(char*) {
  ipc_send(kCb, kReqStopAllLive);
  answer_ok();
}

void on_log_live_view(char* text) { log_channel(text, kLogSubLiveView); }
void on_log_channel_event(char* text) { log_channel(text, kLogSubChannelEvent); }
void on_log_channel_user_event(char* text) { log_channel(text, kLogSubUserEvent); }

void on_check_channel_a(char* text) {
  int channel;
  if (text_channel(text, &channel)) answer_ok();
}
void on_check_channel_b(char* text) { on_check_channel_a(text); }

namespace {
constexpr Field kTranscodeFields[] = {
    FIELD(TranscodeRequest, ch, "ch"),
    FIELD(TranscodeRequest, sid, "sid"),
    FIELD(TranscodeRequest, mode, "trancodingmode"),
    FIELD(TranscodeRequest, framesize, "framesize"),
    FIELD(TranscodeRequest, bitrate, "bitrate"),
    FIELD(TranscodeRequest, framerate, "framerate"),
};
constexpr Field kTranscodeKeyFields[] = {
    FIELD(TranscodeKey, ch, "ch"),
    FIELD(TranscodeKey, sid, "sid"),
};

// These two answer the JSON error for a body that is missing or not usable.
template <class Rec, size_t N>
void transcode_request(const char* text, const Field (&fields)[N], IpcCode code) {
  JsonPtr req = json_parse(text);
  Rec rec{};
  if (!req || !fields_apply(req.get(), &rec, fields)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_request(kCb, code, rec, ErrMode::kJson);
}
}  // namespace

void on_set_playback_transcoding(char* text) {
  transcode_request<TranscodeRequest>(text, kTranscodeFields, kReqTranscode);
}
void on_get_playback_transcoding(char* text) {
  transcode_request<TranscodeKey>(text, kTranscodeKeyFields, kReqTranscodeState);
}

bool download_busy() { return access(dev_path(devpaths::kPbDownload).c_str(), F_OK) == 0; }

void on_get_download_status(char*) {
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "isOK", download_busy() ? 0 : 1);
  answer_text(json_object_to_json_string(obj.get()));
}

void on_stop_download(char*) {
  unlink(dev_path(devpaths::kPbDownload).c_str());
  ipc_send(kCb, kReqStopDownload);
  answer_ok();
}

void on_get_rtsp_addr(char*) { request_json(kReqRtspAddr); }
void on_get_extern_ports(char*) { request_json(kReqExternPorts); }
void on_get_stream_busy(char*) { request_json(kReqStreamBusy); }

namespace {
constexpr JsonRule kGetImageRules[] = {{"chnid", true, JsonType::kInt, 0, kChannels - 1}};

constexpr Field kImageFields[] = {
    FIELD_REQ(ImageParams, channel, "id", 0, kChannels - 1),
    FIELD_REQ(ImageParams, brightness, "brightness", 0, 255),
    FIELD_REQ(ImageParams, contrast, "contrast", 0, 255),
    FIELD_REQ(ImageParams, saturation, "saturation", 0, 255),
};
// Taken as they come: a value of another type leaves 0.
constexpr const char* kImageFree[] = {"Sharpness", "NoiseReduction", "i2ddnr"};
constexpr int32_t kImageDefault = 128;

void set_image(const ImageParams& p) { ipc_send(kCb, kReqSetImage, p); }
}  // namespace

int32_t image_percent(int32_t value) {
  float x = static_cast<float>(value) * 100.0f / 255.0f;
  auto whole = static_cast<int32_t>(x);
  return x - 0.5f >= static_cast<float>(whole) ? whole + 1 : whole;
}

void on_get_image_param(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !json_check(req.get(), kGetImageRules)) return;
  int32_t channel = 0;
  json_get_int(req.get(), "chnid", &channel);
  ipc_request(kCb, kReqGetImage, channel, ErrMode::kJson);
}

void on_set_image_param(char* text) {
  JsonPtr req = json_parse(text);
  ImageParams p{};
  if (!req || !fields_apply(req.get(), &p, kImageFields)) return;
  int32_t* free_values[] = {&p.sharpness, &p.noise_reduction, &p.i2ddnr};
  for (size_t i = 0; i < std::size(kImageFree); ++i) json_get_int(req.get(), kImageFree[i], free_values[i]);
  set_image(p);
  ImageLogDetail d{};
  const int32_t shown[] = {p.brightness, p.contrast, p.saturation, p.sharpness, p.noise_reduction};
  for (size_t i = 0; i < std::size(shown); ++i) d.percent[i] = image_percent(shown[i]);
  send_op_log(kCb, kLogSubImage, kLogParamStream, p.channel + 1, kLogDetailImageParams, &d, sizeof d);
  answer_ok();
}

void on_reset_image_param(char* text) {
  ImageParams p{};
  if (!text_channel(text, &p.channel)) return;
  p.brightness = p.contrast = p.saturation = p.sharpness = p.noise_reduction = kImageDefault;
  set_image(p);
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "ChannelId", p.channel);
  json_add_int(obj.get(), "Brightness", p.brightness);
  json_add_int(obj.get(), "Contrast", p.contrast);
  json_add_int(obj.get(), "Saturation", p.saturation);
  json_add_int(obj.get(), "Sharpness", p.sharpness);
  json_add_int(obj.get(), "NoiseReduction", p.noise_reduction);
  answer_json(obj);
}
