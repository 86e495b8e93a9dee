// Privacy masks (/6018, /6019, /6115) and the camera model type (/6116).
#include <json-c/json.h>

#include <algorithm>
#include <cstring>

#include "base/paths.h"
#include "common/reply.h"
#include "modules/video/video_module.h"
#include "platform/kvdb_video.h"
#include "proto/video_proto.h"

using namespace video;

namespace {
constexpr JsonRule kPrivacyMaskRules[] = {
    {"cnt", true, JsonType::kInt, INT32_MIN, INT32_MAX},
    {"area", true, JsonType::kArray, 0, INT32_MAX},
    {"chnid", true, JsonType::kArray, 0, INT32_MAX},
};

constexpr Field kMaskMsgFields[] = {
    FIELD(PrivacyMaskMsg, enable, "enable"),
    FIELD(PrivacyMaskMsg, num, "num"),
    FIELD(PrivacyMaskMsg, cgi_sdk_flag, "cgiSdkFlag"),
    FIELD(PrivacyMaskMsg, area_mask_enable, "areaMaskEnable"),
    FIELD(PrivacyMaskMsg, mosaic_support, "mosaicSupport"),
    FIELD(PrivacyMaskMsg, mosaic_num, "mosaicNum"),
    FIELD(PrivacyMaskMsg, del_mask, "delMask"),
};

constexpr Field kAreaFields[] = {
    FIELD(MaskArea, area_id, "area_id"),     FIELD(MaskArea, enable, "enable"),
    FIELD(MaskArea, start_x, "start_x"),     FIELD(MaskArea, start_y, "start_y"),
    FIELD(MaskArea, area_width, "area_width"), FIELD(MaskArea, area_height, "area_height"),
    FIELD(MaskArea, fill_color, "fill_color"), FIELD(MaskArea, ratio, "ratio"),
    FIELD(MaskArea, name, "name"),
};

constexpr Field kStoredAreaFields[] = {
    FIELD(StoredMaskArea, area_id, "area_id"),       FIELD(StoredMaskArea, enable, "enable"),
    FIELD(StoredMaskArea, start_x, "start_x"),       FIELD(StoredMaskArea, start_y, "start_y"),
    FIELD(StoredMaskArea, area_width, "area_width"), FIELD(StoredMaskArea, area_height, "area_height"),
    FIELD(StoredMaskArea, width, "width"),           FIELD(StoredMaskArea, height, "height"),
    FIELD(StoredMaskArea, fill_color, "fill_color"),
};

int clamp_count(int n, int max) { return std::clamp(n, 0, max); }

json_object* camera_mask_json(const CamPrivacyMask& m) {
  json_object* obj = json_object_new_object();
  json_add_int(obj, "id", m.id);
  json_add_int(obj, "num", m.num);
  json_add_int(obj, "maxPtzZoomRatio", m.max_ptz_zoom_ratio);
  json_add_int(obj, "areaEnable", m.area_enable);
  json_add_int(obj, "enable", m.enable);
  json_add_field(obj, "sdkversion", m.sdkversion);
  json_add_int(obj, "cgiSdkFlag", m.cgi_sdk_flag);
  json_add_field(obj, "colorList", m.color_list);
  json_add_int(obj, "mosaicSupport", m.mosaic_support);
  json_add_int(obj, "mosaicNum", m.mosaic_num);
  json_add_int(obj, "colorSupport", m.color_support);
  json_add_int(obj, "maxMaskSum", m.max_mask_sum);
  json_object* areas = json_object_new_array();
  // The camera's count of valid areas never reaches past the record's slots.
  for (int i = 0; i < clamp_count(m.max_mask_sum, kMaskAreas); ++i) {
    const MaskArea& a = m.area[i];
    json_object* item = json_object_new_object();
    json_add_int(item, "area_id", a.area_id);
    json_add_int(item, "enable", a.enable);
    json_add_int(item, "start_x", a.start_x);
    json_add_int(item, "start_y", a.start_y);
    json_add_int(item, "area_width", a.area_width);
    json_add_int(item, "area_height", a.area_height);
    json_add_int(item, "width", kMaskRefWidth);
    json_add_int(item, "height", kMaskRefHeight);
    json_add_int(item, "fill_color", a.fill_color);
    json_add_int(item, "left", a.start_x);
    json_add_int(item, "top", a.start_y);
    json_add_int(item, "right", a.area_width);
    json_add_int(item, "bottom", a.area_height);
    json_add_int(item, "ratio", a.ratio);
    json_add_field(item, "name", a.name);
    json_object_array_add(areas, item);
  }
  json_object_object_add(obj, "area", areas);
  return obj;
}
}  // namespace

void on_get_ipc_privacy_mask_cb(const IpcReply& r) {
  if (r.count < 1) return;
  JsonPtr list(json_object_new_array());
  for (int i = 0; i < r.count; ++i) json_object_array_add(list.get(), camera_mask_json(r.as<CamPrivacyMask>()[i]));
  answer_json(list);
}

void on_get_privacy_masks(char*) {
  static PrivacyMaskRec masks[kChannels];
  int count = 0;
  read_privacy_masks(devpaths::kKvdb, masks, &count);
  JsonPtr list(json_object_new_array());
  for (int i = 0; i < count; ++i) {
    json_object* obj = json_object_new_object();
    json_add_int(obj, "id", masks[i].id);
    json_object* areas = json_object_new_array();
    for (const StoredMaskArea& a : masks[i].area) json_object_array_add(areas, fields_json(&a, kStoredAreaFields).release());
    json_object_object_add(obj, "area", areas);
    json_object_array_add(list.get(), obj);
  }
  answer_json(list);
}

void on_set_privacy_mask(char* text) {
  JsonPtr req = json_parse(text);
  PrivacyMaskMsg msg{};
  if (!req || !json_check(req.get(), kPrivacyMaskRules) || !fields_apply(req.get(), &msg, kMaskMsgFields)) return;
  // Areas and mosaics share the message's 28 slots; counts beyond them are
  // cut so the camera never reads past the last slot.
  msg.num = clamp_count(msg.num, kMaskAreas);
  msg.mosaic_num = clamp_count(msg.mosaic_num, kMaskAreas - msg.num);
  json_object* areas = nullptr;
  json_get_array(req.get(), "area", &areas);
  for (int i = 0; i < msg.num + msg.mosaic_num; ++i) {
    json_object* item = json_array_at(areas, static_cast<size_t>(i));
    if (json_object_get_type(item) == json_type_object && fields_check(item, kAreaFields))
      fields_from_json(item, &msg.area[i], kAreaFields);
  }
  std::memset(msg.channels, '0', sizeof msg.channels);
  int cnt = 0;
  json_object* chnids = nullptr;
  json_get_int(req.get(), "cnt", &cnt);
  json_get_array(req.get(), "chnid", &chnids);
  for (int i = 0; i < cnt && i < static_cast<int>(json_array_size(chnids)); ++i) {
    int chn = -1;
    if (json_value_int(json_array_at(chnids, static_cast<size_t>(i)), &chn) && chn >= 0 && chn < kChannels)
      msg.channels[chn] = '1';
  }
  ipc_send(on_video_ipc_callback, kReqPrivacyMask, msg);
  answer_ok();
}

void on_delete_privacy_mask(char* text) {
  static constexpr Field kDelFields[] = {
      FIELD_REQ(PrivacyMaskDel, chan_id, "chan_id", 0, kChannels - 1),
      FIELD_REQ(PrivacyMaskDel, area_id, "area_id", 0, 24),
  };
  PrivacyMaskDel del{};
  if (!fields_parse(text, &del, kDelFields)) {
    cgi_error_to_webserver(ErrMode::kJson);
    return;
  }
  ipc_send(on_video_ipc_callback, kReqDelPrivacyMask, del);
  answer_ok();
}

void on_get_privacy_mask_ovf(char* text) { forward_json_channel(text, "id", kReqCamPrivacyMasks, ErrMode::kText); }

void on_get_ipc_model_type(char* text) { forward_json_channel(text, "id", kReqModelType, ErrMode::kText); }
