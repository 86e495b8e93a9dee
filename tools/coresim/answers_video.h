// The simulated cameras of the video answers, as other answer files see them.
#pragma once
#include "coresim_registry.h"

enum class CoreCameraLink { kNone, kOnline, kOffline };

// Channels 0 up to this one (excluded) may hold a simulated camera.
inline constexpr int kCoreCameraChannels = 5;

// Whether channel chn holds a camera and whether it answers. The caller
// holds dev.mu.
CoreCameraLink coresim_camera_link(CoreDevice& dev, int chn);
