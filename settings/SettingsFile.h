#pragma once
#include "TrackingParams.h"

#include <string>

// The ".qta" settings file: twelve CR LF lines ("QTA 1", then the eleven limits by position).
// Load is all or nothing; save replaces the target atomically and leaves it alone on failure.
bool LoadSettingsFile(CTrackingParams& params, const std::string& path);
bool SaveSettingsFile(const CTrackingParams& params, const std::string& path);
