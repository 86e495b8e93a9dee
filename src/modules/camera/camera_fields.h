// Keys of the camera-side pages: one table per record, read by the reply
// converters (get) and written by the set routes.
#pragma once
#include <cstdint>

#include "common/fields.h"
#include "proto/camera_proto.h"

namespace camera {
inline constexpr int kLastChannel = kChannels - 1;

inline constexpr Field kEnhanceFields[] = {
    FIELD_REQ(ImageEnhancement, channel, "id", 0, kLastChannel),
    FIELD(ImageEnhancement, white_balance, "whiteBalance"),
    FIELD(ImageEnhancement, red_gain, "redGain"),
    FIELD(ImageEnhancement, blue_gain, "blueGain"),
    FIELD(ImageEnhancement, day_night_mode, "dayNightMode"),
    FIELD(ImageEnhancement, ir_cut_delay, "irCutDelay"),
    FIELD(ImageEnhancement, wdr, "wdr"),
    FIELD(ImageEnhancement, wdr_level, "wdrLevel"),
    FIELD(ImageEnhancement, blc, "blc"),
    FIELD(ImageEnhancement, hlc, "hlc"),
    FIELD(ImageEnhancement, dnr, "dnr"),
    FIELD(ImageEnhancement, dnr_level, "dnrLevel"),
    FIELD(ImageEnhancement, defog, "defog"),
    FIELD(ImageEnhancement, anti_shake, "antiShake"),
};

inline constexpr Field kDisplayFields[] = {
    FIELD_REQ(ImageDisplay, channel, "id", 0, kLastChannel),
    FIELD(ImageDisplay, brightness, "brightness"),
    FIELD(ImageDisplay, contrast, "contrast"),
    FIELD(ImageDisplay, saturation, "saturation"),
    FIELD(ImageDisplay, sharpness, "sharpness"),
    FIELD(ImageDisplay, hue, "hue"),
    FIELD(ImageDisplay, mirror, "mirror"),
    FIELD(ImageDisplay, corridor, "corridor"),
    FIELD(ImageDisplay, power_frequency, "powerFrequency"),
    FIELD(ImageDisplay, exposure_mode, "exposureMode"),
};

inline constexpr Field kAddressFields[] = {
    FIELD_REQ(AddressSet, channel, "id", 0, kLastChannel),
    FIELD(AddressSet, ip, "ipAddr"),
    FIELD(AddressSet, netmask, "netmask"),
    FIELD(AddressSet, gateway, "gateway"),
    FIELD(AddressSet, dns1, "primaryDns"),
    FIELD(AddressSet, dns2, "secondaryDns"),
    FIELD_IN(AddressSet, manage_port, "managePort", 0, 65535),
    FIELD_IN(AddressSet, dhcp, "dhcp", 0, 1),
    FIELD(AddressSet, mac, "mac"),
};

inline constexpr Field kStreamConfigFields[] = {
    FIELD_IN(StreamConfig, width, "width", 0, INT32_MAX),
    FIELD_IN(StreamConfig, height, "height", 0, INT32_MAX),
    FIELD(StreamConfig, framerate, "framerate"),
    FIELD(StreamConfig, bitrate, "bitrate"),
    FIELD(StreamConfig, iframe_interval, "iframeinterval"),
    FIELD(StreamConfig, bitrate_ctrl, "bitrateCtrl"),
    FIELD(StreamConfig, video_type, "videoType"),
    FIELD(StreamConfig, smart_stream, "smartStream"),
    FIELD(StreamConfig, smart_stream_level, "smartStreamLevel"),
    FIELD(StreamConfig, gop, "gop"),
};

inline constexpr Field kStreamSetFields[] = {
    FIELD_REQ(StreamSet, channel, "id", 0, kLastChannel),
    FIELD_IN(StreamSet, sub_enable, "subEnable", 0, 1),
    FIELD_IN(StreamSet, audio_enable, "audioEnable", 0, 1),
};

inline constexpr Field kStreamByTimeFields[] = {
    FIELD_REQ(StreamByTimeReq, channel, "chnid", 0, kLastChannel),
    FIELD(StreamByTimeReq, stream_type, "streamType"),
    FIELD_REQ(StreamByTimeReq, time, "time", 0, INT64_MAX),
};
inline constexpr Field kStreamByTimeReplyFields[] = {
    FIELD(StreamByTime, channel, "chnid"),
    FIELD(StreamByTime, stream_type, "streamType"),
    FIELD(StreamByTime, res, "res"),
    FIELD(StreamByTime, url, "url"),
};

inline constexpr Field kLoginTestFields[] = {
    FIELD_REQ(LoginTest, ip, "ipAddr", 0, INT64_MAX),
    FIELD_IN(LoginTest, manage_port, "managePort", 0, 65535),
    FIELD_IN(LoginTest, protocol, "camProtocol", 0, 7),
    FIELD(LoginTest, user, "userName"),
    FIELD(LoginTest, password, "password"),
    FIELD_IN(LoginTest, transmit_protocol, "transmitProtocol", 0, 3),
    FIELD_IN(LoginTest, channel, "id", 0, kLastChannel),
};
inline constexpr Field kLoginTest2Fields[] = {
    FIELD_IN(LoginTest2, channel, "id", 0, kLastChannel),
    FIELD_REQ(LoginTest2, ip, "ipAddr", 0, INT64_MAX),
    FIELD_IN(LoginTest2, manage_port, "managePort", 0, 65535),
    FIELD(LoginTest2, user, "userName"),
    FIELD(LoginTest2, password, "password"),
    FIELD_IN(LoginTest2, protocol, "camProtocol", 0, 7),
    FIELD_IN(LoginTest2, transmit_protocol, "transmitProtocol", 0, 3),
};

inline constexpr Field kExposureScheduleHead[] = {
    FIELD_REQ(ExposureSchedule, channel, "id", 0, kLastChannel),
    FIELD_IN(ExposureSchedule, type, "type", 0, 1),
};
inline constexpr Field kExposurePeriodFields[] = {
    FIELD_IN(ExposurePeriod, start, "start", 0, 1440),
    FIELD_IN(ExposurePeriod, end, "end", 0, 1440),
    FIELD(ExposurePeriod, mode, "mode"),
};

inline constexpr Field kAreaHead[] = {
    FIELD_ALL(AreaRecord, channel, "chnid", kFieldRequired, 0, kLastChannel),
    FIELD_IN(AreaRecord, count, "cnt", 0, kAreas),
    FIELD(AreaRecord, enable, "enable"),
};
inline constexpr Field kAreaFields[] = {
    FIELD(Area, area_id, "area_id"),   FIELD(Area, enable, "enable"), FIELD(Area, start_x, "start_x"),
    FIELD(Area, start_y, "start_y"),   FIELD(Area, width, "area_width"), FIELD(Area, height, "area_height"),
    FIELD(Area, name, "name"),
};
inline constexpr Field kAreaDeleteFields[] = {
    FIELD_REQ(AreaDelete, area_id, "area_id", 0, kAreas - 1),
    FIELD_REQ(AreaDelete, channel, "chan_id", 0, kLastChannel),
};

inline constexpr Field kMotionMapFields[] = {
    FIELD_REQ(MotionMap, channel, "chnid", 0, kLastChannel),
    FIELD_IN(MotionMap, enable, "enable", 0, 1),
    FIELD(MotionMap, sensitivity, "sensitivity"),
    FIELD(MotionMap, map_mask, "map_mask"),
};

inline constexpr Field kRecordTextFields[] = {
    FIELD_REQ(RecordTextReq, channel, "chnid", 0, kLastChannel),
    FIELD(RecordTextReq, main_type, "mainType"),
    FIELD(RecordTextReq, sub_type, "subType"),
    FIELD(RecordTextReq, time, "time"),
};

inline constexpr Field kTrackingFields[] = {
    FIELD_REQ(AutoTracking, channel, "chnid", 0, kLastChannel),
    FIELD_IN(AutoTracking, enable, "enable", 0, 1),
    FIELD(AutoTracking, sensitivity, "sensitivity"),
    FIELD(AutoTracking, show_target, "showTarget"),
    FIELD(AutoTracking, target_type, "targetType"),
    FIELD(AutoTracking, duration, "duration"),
};

inline constexpr Field kChannelModelFields[] = {
    FIELD(ChannelModel, channel, "chnid"),
    FIELD(ChannelModel, ip, "ipaddr"),
    FIELD(ChannelModel, model, "model"),
    FIELD(ChannelModel, fw_version, "fwversion"),
};

inline constexpr Field kWatermarkFields[] = {
    FIELD_REQ(WatermarkSet, channel, "chnid", 0, kLastChannel),
    FIELD_IN(WatermarkSet, enable, "enable", 0, 1),
    FIELD(WatermarkSet, text, "watermark"),
    FIELD_ALL(WatermarkSet, copy, "copy", kFieldSetOnly, 0, INT64_MAX),
};

inline constexpr Field kEventStreamReqFields[] = {
    FIELD_REQ(EventStreamReq, channel, "chnid", 0, kLastChannel),
    FIELD(EventStreamReq, fisheye_type, "fisheyeType"),
};
inline constexpr Field kEventStreamFields[] = {
    FIELD_REQ(EventStream, channel, "chnid", 0, kLastChannel),
    FIELD_IN(EventStream, enable, "enable", 0, 1),
    FIELD(EventStream, framerate, "framerate"),
    FIELD(EventStream, bitrate, "bitrate"),
    FIELD(EventStream, iframe_interval, "iframeinterval"),
    FIELD_ALL(EventStream, fisheye_type, "fisheyeType", kFieldSetOnly, INT32_MIN, INT32_MAX),
};

inline constexpr Field kNightModeFields[] = {
    FIELD(NightMode, channel, "chnid"),
    FIELD(NightMode, night_mode, "nightMode"),
};

inline constexpr Field kAudioInfoFields[] = {
    FIELD(AudioInfo, channel, "chnid"),
    FIELD(AudioInfo, enable, "enable"),
    FIELD(AudioInfo, encode, "encode"),
    FIELD(AudioInfo, sample_rate, "sampleRate"),
    FIELD(AudioInfo, input_type, "inputType"),
    FIELD(AudioInfo, input_volume, "inputVolume"),
    FIELD(AudioInfo, output_volume, "outputVolume"),
    FIELD(AudioInfo, denoise, "denoise"),
    FIELD(AudioInfo, encode_list, "encodeList"),
};
inline constexpr Field kAudioSetFields[] = {
    FIELD_REQ(AudioSet, channel, "chnid", 0, kLastChannel),
    FIELD_IN(AudioSet, enable, "enable", 0, 1),
    FIELD(AudioSet, encode, "encode"),
    FIELD(AudioSet, sample_rate, "sampleRate"),
    FIELD(AudioSet, input_type, "inputType"),
    FIELD(AudioSet, input_volume, "inputVolume"),
    FIELD(AudioSet, output_volume, "outputVolume"),
    FIELD(AudioSet, denoise, "denoise"),
};

inline constexpr Field kSystemInfoFields[] = {
    FIELD(SystemInfo, res, "res"),
    FIELD(SystemInfo, audio_support, "audioSupport"),
    FIELD(SystemInfo, alarm_in_support, "alarmInSupport"),
    FIELD(SystemInfo, alarm_out_support, "alarmOutSupport"),
    FIELD(SystemInfo, white_led_support, "whiteLedSupport"),
    FIELD(SystemInfo, warning_light_support, "warningLightSupport"),
    FIELD(SystemInfo, ptz_support, "ptzSupport"),
    FIELD(SystemInfo, fisheye_support, "fisheyeSupport"),
    FIELD(SystemInfo, smart_support, "smartSupport"),
    FIELD(SystemInfo, system_auto_tracking_support, "systemAutoTrackingSupport"),
};

inline constexpr Field kCustomParamReqFields[] = {
    FIELD_REQ(CustomParamReq, channel, "chnid", 0, kLastChannel),
    FIELD_REQ(CustomParamReq, url, "url", 0, INT64_MAX),
};
inline constexpr Field kCustomParamFields[] = {
    FIELD(CustomParam, res, "res"),
    FIELD(CustomParam, channel, "chnid"),
    FIELD(CustomParam, data, "data"),
};

inline constexpr Field kFirmwareResetFields[] = {
    FIELD_REQ(FirmwareReset, chn_mask, "chnMask", 0, INT64_MAX),
    FIELD(FirmwareReset, file_size, "fileSize"),
    FIELD_IN(FirmwareReset, reset_mask, "resetMask", 0, INT64_MAX),
};

inline constexpr Field kUpgradeFields[] = {
    FIELD(UpgradeState, channel, "chnid"),
    FIELD(UpgradeState, status, "status"),
    FIELD(UpgradeState, chn_mask, "chnMask"),
};
}  // namespace camera
