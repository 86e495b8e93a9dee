// Recording parameters, ANR support and recording channel lists (/6044-/6047).
#include <json-c/json.h>

#include "base/paths.h"
#include "common/fields.h"
#include "common/reply.h"
#include "common/web_utils.h"
#include "modules/record/record_module.h"
#include "platform/kvdb_camera.h"
#include "platform/kvdb_record.h"
#include "proto/record_proto.h"

using namespace record;

namespace {
constexpr int kProtocolRtsp = 1;

// Stored per channel; the set copies these from the request to every listed channel.
constexpr Field kRecordParamFields[] = {
    FIELD_REQ(RecordRec, prev_record_on, "prevRecordOn", 0, 1),
    FIELD_REQ(RecordRec, prev_record_duration, "prevRecordDuration", 0, INT32_MAX),
    FIELD_REQ(RecordRec, post_record_on, "postRecordOn", 0, 1),
    FIELD_REQ(RecordRec, post_record_duration, "postRecordDuration", INT32_MIN, INT32_MAX),
    FIELD_REQ(RecordRec, audio_enable, "audioEnable", 0, 1),
    FIELD(RecordRec, record_exp_date, "recordExpDate"),
};

constexpr JsonRule kRecordParamRules[] = {
    {"cnt", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"chnid", true, JsonType::kArray, 0, INT32_MAX},
    {"camAnr", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"recordStreamType", true, JsonType::kInt, 0, 2},
};

bool check_record_params(const json_object* req) {
  return json_check(req, kRecordParamRules) && fields_check(req, kRecordParamFields);
}

// A camera takes a new ANR value when it is switched off, or when it is an
// enabled camera of its own (not on a PoE port, not plain RTSP).
bool anr_applies(const CameraRec& cam, int anr) {
  return cam.anr != anr && (anr == 0 || (cam.enable && cam.poe_channel == 0 && cam.protocol != kProtocolRtsp));
}

bool channel_text(const char* text, int* chn) { return text_int(text, 0, kChannels - 1, chn); }
}  // namespace

void on_get_record_params(char* text) {
  int chn = 0;
  if (!channel_text(text, &chn)) return;
  RecordRec rec{};
  CameraRec cam{};
  read_record(devpaths::kKvdb, &rec, chn);
  read_camera(devpaths::kKvdb, &cam, chn);
  JsonPtr answer(json_object_new_object());
  json_add_int(answer.get(), "id", chn);
  json_add_int(answer.get(), "prevRecordOn", rec.prev_record_on);
  json_add_int(answer.get(), "prevRecordDuration", rec.prev_record_duration);
  json_add_int(answer.get(), "postRecordOn", rec.post_record_on);
  json_add_int(answer.get(), "postRecordDuration", rec.post_record_duration);
  json_add_int(answer.get(), "audioEnable", rec.audio_enable);
  json_add_int(answer.get(), "recordExpDate", rec.record_exp_date);
  json_add_int(answer.get(), "recordStreamType", cam.record_stream);
  json_add_int(answer.get(), "cameraAnr", cam.anr);
  json_add_int(answer.get(), "camEnable", cam.enable);
  json_add_int(answer.get(), "camProtocol", cam.protocol);
  json_add_int(answer.get(), "poeChannel", cam.poe_channel);
  answer_json(answer);
}

void on_set_record_params(char* text) {
  JsonPtr req = json_parse(text);
  if (!req || !check_record_params(req.get())) return;
  int cnt = 0, anr = 0, stream = 0;
  json_object* list = nullptr;
  json_get_int(req.get(), "cnt", &cnt);
  json_get_int(req.get(), "camAnr", &anr);
  json_get_int(req.get(), "recordStreamType", &stream);
  json_get_array(req.get(), "chnid", &list);

  static RecordRec recs[kRecordChannels];
  static CameraRec cams[kCameraChannels];
  read_records(devpaths::kKvdb, recs, nullptr);
  read_cameras(devpaths::kKvdb, cams, nullptr);
  RecordParamsWrite w{recs, 0, anr, 0, stream, 0};
  ChannelList changed{};
  AnrRequest anr_req{};
  anr_req.anr = anr;
  for (int i = 0; i < cnt && static_cast<size_t>(i) < json_array_size(list); ++i) {
    int n = -1;
    if (!json_value_int(json_array_at(list, static_cast<size_t>(i)), &n) || n < 0 || n >= kChannels) continue;
    uint64_t bit = 1ull << n;
    // A channel listed twice is one channel: the lists hold at most 64.
    if (w.write_mask & bit) continue;
    w.write_mask |= bit;
    fields_from_json(req.get(), &recs[n], kRecordParamFields);
    changed.chn[changed.count++] = n;
    if (cams[n].record_stream != stream) w.stream_mask |= bit;
    if (anr_applies(cams[n], anr)) {
      cams[n].anr = anr;
      anr_req.chn[anr_req.count++] = n;
      w.anr_mask |= bit;
    }
  }
  if (store_record_params(devpaths::kKvdb, w) != 0) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_send(on_record_ipc_callback, kReqParamsChanged, changed);
  send_op_log(on_record_ipc_callback, kLogSubSetting, kLogParamParams, 0);
  ipc_request(on_record_ipc_callback, kReqSetAnr, anr_req, ErrMode::kJson);
}

void on_get_record_support(char* text) {
  int chn = 0;
  if (!channel_text(text, &chn)) return;
  ipc_request(on_record_ipc_callback, kReqAnrSupport, static_cast<int32_t>(chn), ErrMode::kJson);
}

void on_get_record_channel_lists(char*) { ipc_request(on_record_ipc_callback, kReqChannelLists, ErrMode::kJson); }
