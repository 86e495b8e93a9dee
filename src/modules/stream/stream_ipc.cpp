// Stream replies: one table row per reply code, one converter per answer,
// and the session memory the opening replies fill.
#include <json-c/json.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "base/text.h"
#include "common/reply.h"
#include "modules/stream/remote_backup.h"
#include "modules/stream/stream_module.h"
#include "proto/stream_proto.h"

using namespace stream;

namespace {
std::mutex g_memory_mu;
SessionMemory g_memory{};

JsonPtr status_json(const char* status) {
  JsonPtr obj(json_object_new_object());
  json_add_text(obj.get(), "status", status);
  return obj;
}

void on_play_time_cb(const IpcReply& r) {
  if (r.count < 1) return;
  int64_t seconds;
  memcpy(&seconds, r.payload, sizeof seconds);
  time_t t = static_cast<time_t>(seconds);
  struct tm tm {};
  char text[32];
  if (seconds <= 0 || !localtime_r(&t, &tm) || strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm) == 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    g_callback_done = 1;
    return;
  }
  JsonPtr obj = status_json("OK");
  json_add_text(obj.get(), "curPlayTime", text);
  answer_json(obj);
}

void on_search_cb(const IpcReply& r) {
  if (r.count < 1) {
    answer_json(status_json("NO MATCHES"));
    return;
  }
  const auto* recs = r.as<SearchResult>();
  JsonPtr obj = status_json("OK");
  json_add_int(obj.get(), "camId", recs[r.count - 1].channel);
  json_add_int(obj.get(), "sectionNum", r.count);
  json_add_int(obj.get(), "sid", recs[0].sid);
  json_object* list = json_object_new_array();
  for (int i = 0; i < r.count; ++i) {
    json_object* item = json_object_new_object();
    json_add_field(item, "startTime", recs[i].start);
    json_add_field(item, "endTime", recs[i].end);
    json_add_int(item, "recordType", recs[i].record_type);
    json_add_int(item, "lock", recs[i].lock);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "section", list);
  answer_json(obj);
}

// Ends the wait without an answer; the handler goes on from the result.
void hand_back(int32_t result) {
  ipc_set_result(result);
  g_callback_done = 1;
}

void on_open_playback_cb(const IpcReply& r) {
  hand_back(r.count > 0 && r.word() < 0 ? kSessionRefused : kSessionOpened);
}

void on_opened_session_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* s = r.as<OpenedSession>();
  if (s->failed != 0) {
    hand_back(kSessionRefused);
    return;
  }
  char play[sizeof s->play + 1];
  copy_field(play, s->play);
  session_remember(s->sid, play);
  hand_back(kSessionOpened);
}

void on_jump_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(status_json(r.word() == 0 ? "OK" : "ERROR"));
}

void transcode_json(const IpcReply& r, bool with_status) {
  if (r.count < 1) return;
  const auto* s = r.as<TranscodeState>();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "ch", s->ch);
  json_add_int(obj.get(), "sid", s->sid);
  json_add_int(obj.get(), "state", s->state);
  if (with_status) json_add_text(obj.get(), "status", "OK");
  answer_json(obj);
}
void on_set_transcode_cb(const IpcReply& r) { transcode_json(r, true); }
void on_get_transcode_cb(const IpcReply& r) { transcode_json(r, false); }

void on_image_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* img = r.as<ImageReply>();
  if (img->result < 0) {
    answer_json(status_json("ERROR"));
    return;
  }
  JsonPtr obj = status_json("OK");
  json_add_int(obj.get(), "brightness", img->params.brightness);
  json_add_int(obj.get(), "contrast", img->params.contrast);
  json_add_int(obj.get(), "saturation", img->params.saturation);
  json_add_int(obj.get(), "Sharpness", img->params.sharpness);
  json_add_int(obj.get(), "NoiseReduction", img->params.noise_reduction);
  json_add_int(obj.get(), "i2ddnr", img->params.i2ddnr);
  json_add_int(obj.get(), "supportLpr", img->support_lpr);
  json_add_int(obj.get(), "isNtPlatform", img->is_nt_platform);
  json_add_int(obj.get(), "isPanoramaStitch", img->is_panorama_stitch);
  answer_json(obj);
}

// The handler logs the view with the channel handed back.
void on_live_cb(const IpcReply& r) {
  if (r.count < 1) return;
  const auto* live = r.as<LiveStream>();
  if (live->result < 0) {
    answer_json(status_json("ERROR"));
    return;
  }
  JsonPtr obj = status_json("OK");
  json_add_int(obj.get(), "port", live->port);
  json_add_int(obj.get(), "direct", live->direct);
  json_add_field(obj.get(), "rtspAddr", live->rtsp_addr);
  json_add_field(obj.get(), "resPath", live->res_path);
  ipc_set_result(live->channel);
  answer_json(obj);
}

void on_playback_stream_cb(const IpcReply& r) {
  if (r.count < 1) {
    g_callback_done = 1;
    return;
  }
  const auto* s = r.as<PlaybackStream>();
  SessionMemory m = session_recalled();
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "sessionId", s->sid);
  json_add_field(obj.get(), "sourcePath", s->source_path);
  json_add_int(obj.get(), "port", s->port);
  json_add_text(obj.get(), "status", "OK");
  json_add_field(obj.get(), "realPlayTime", m.play_time);
  json_add_int(obj.get(), "external_port", s->external_port);
  json_add_int(obj.get(), "external_http_port", s->external_http_port);
  json_add_int(obj.get(), "ddns_port", s->ddns_port);
  json_add_int(obj.get(), "ddns_http_port", s->ddns_http_port);
  answer_json(obj);
}

void add_block(json_object* nvr, const char* side, const RtspStreamBlock& b) {
  char key[32];
  auto add_int = [&](const char* name, int32_t v) {
    snprintf(key, sizeof key, "%s%s", side, name);
    json_add_int(nvr, key, v);
  };
  auto add_text = [&](const char* name, const auto& field) {
    snprintf(key, sizeof key, "%s%s", side, name);
    json_add_field(nvr, key, field);
  };
  add_text("Username", b.user);
  add_text("Password", b.password);
  add_int("Port", b.port);
  add_int("ExternalPort", b.external_port);
  add_int("DDNSPort", b.ddns_port);
  add_text("ResPath", b.res_path);
  add_int("ExternalHttpPort", b.external_http_port);
  add_int("DDNSHttpPort", b.ddns_http_port);
}

void on_rtsp_addr_cb(const IpcReply& r) {
  if (r.count < 1) {
    g_callback_done = 1;  // nothing to show, but the wait is over
    return;
  }
  const auto* recs = r.as<RtspAddr>();
  JsonPtr obj(json_object_new_object());
  json_object* list = json_object_new_array();
  for (int i = 0; i < r.count; ++i) {
    json_object* item = json_object_new_object();
    json_object* ipc = json_object_new_object();
    json_add_field(ipc, "main", recs[i].main_addr);
    json_add_field(ipc, "sub", recs[i].sub_addr);
    json_object_object_add(item, "ipc", ipc);
    json_object* nvr = json_object_new_object();
    add_block(nvr, "main", recs[i].main);
    add_block(nvr, "sub", recs[i].sub);
    json_object_object_add(item, "nvr", nvr);
    json_object_array_add(list, item);
  }
  json_object_object_add(obj.get(), "rtspaddr", list);
  answer_json(obj);
}

void on_extern_ports_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr obj(json_object_new_object());
  json_add_int(obj.get(), "upnp_extern_port", r.word(0));
  json_add_int(obj.get(), "ddns_extern_port", r.word(1));
  answer_json(obj);
}

void on_busy_cb(const IpcReply& r) {
  if (r.count >= 1) answer_json(status_json(r.word() != 0 ? "BUSY" : "OK"));
}

const IpcReplyRoute kStreamReplies[] = {
    {reply_of(kReqPlayTime), 8, on_play_time_cb},
    {reply_of(kReqSearch), sizeof(SearchResult), on_search_cb},
    {reply_of(kReqSearchPage), sizeof(SearchResult), on_search_cb},
    {reply_of(kReqOpenPlayback), 4, on_open_playback_cb},
    {reply_of(kReqJump), 4, on_jump_cb},
    {reply_of(kReqDownload), sizeof(DownloadChunk), on_get_download_playtime_cb},
    {reply_of(kReqTranscode), sizeof(TranscodeState), on_set_transcode_cb},
    {reply_of(kReqTranscodeState), sizeof(TranscodeState), on_get_transcode_cb},
    {reply_of(kReqGetImage), sizeof(ImageReply), on_image_cb},
    {reply_of(kReqOpenSession), sizeof(OpenedSession), on_opened_session_cb},
    // The mask playback's reply opens its session the same way.
    {reply_of(kReqOpenMaskPlayback), sizeof(OpenedSession), on_opened_session_cb},
    {reply_of(kReqStartLive), sizeof(LiveStream), on_live_cb},
    {reply_of(kReqPlaybackStream), sizeof(PlaybackStream), on_playback_stream_cb},
    {reply_of(kReqRtspAddr), sizeof(RtspAddr), on_rtsp_addr_cb},
    {reply_of(kReqExternPorts), sizeof(ExternPorts), on_extern_ports_cb},
    {reply_of(kReqStreamBusy), 4, on_busy_cb},
};
}  // namespace

std::span<const IpcReplyRoute> stream_reply_table() { return kStreamReplies; }

void on_stream_callback(void*, void* head, void* payload) { ipc_dispatch_reply(kStreamReplies, head, payload); }

void session_remember(int32_t sid, const char* play_time) {
  std::lock_guard<std::mutex> lk(g_memory_mu);
  g_memory.sid = sid;
  copy_text(g_memory.play_time, play_time);
}

SessionMemory session_recalled() {
  std::lock_guard<std::mutex> lk(g_memory_mu);
  return g_memory;
}
