// The simulated cameras of the video answers, as other answer files see them.
#pragma once
#include "coresim_registry.h"

enum class CoreCameraLink { kNone, kOnline, kOffline };

// Whether channel chn holds a camera of the simulated camera network and
// whether it answers. The caller holds dev.mu.
CoreCameraLink coresim_camera_link(CoreDevice& dev, int chn);
