// Keys of the PTZ basic page, read by /5011's converter and written by /5012.
#pragma once
#include <cstdint>

#include "common/fields.h"
#include "proto/ptz_proto.h"

inline constexpr Field kBasicFields[] = {
    FIELD_GET(ptz::BasicRecord, status, "status"),  // the set leaves it 0
    FIELD_REQ(ptz::BasicRecord, channel, "chnId", INT32_MIN, INT32_MAX),
    FIELD(ptz::BasicRecord, zoom_status, "zoomStatus"),
    FIELD(ptz::BasicRecord, pan_tilt_status, "panTiltStatus"),
    FIELD(ptz::BasicRecord, preset_status, "presetStatus"),
    FIELD(ptz::BasicRecord, patrol_status, "patrolStatus"),
    FIELD(ptz::BasicRecord, pattern_status, "patternStatus"),
    FIELD(ptz::BasicRecord, auto_scan_status, "autoScanStatus"),
    FIELD(ptz::BasicRecord, preset_freezing, "presetFreezing"),
    FIELD(ptz::BasicRecord, preset_speed, "presetSpeed"),
    FIELD(ptz::BasicRecord, manual_speed, "manualSpeed"),
    FIELD(ptz::BasicRecord, patrol_recovering, "patrolRecovering"),
    FIELD(ptz::BasicRecord, patrol_recovery_time, "patrolRecoveryTime"),
    FIELD(ptz::BasicRecord, focus_mode, "focusMode"),
    FIELD(ptz::BasicRecord, min_focus_distance, "minFocusDistance"),
    FIELD(ptz::BasicRecord, resume_time, "resumeTime"),
    FIELD(ptz::BasicRecord, fan_working_mode, "fanWorkingMode"),
    FIELD_ALL(ptz::BasicRecord, channel_mask, "channelMask", kFieldSetOnly, 0, INT64_MAX),
};
