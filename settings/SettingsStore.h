#pragma once
#include "TrackingParams.h"

// The per-user store: QSettings("Orda", "Quelta"), group "Settings", twelve keys written
// as decimal integers. Both return false and change nothing visible when the store fails.
bool ReadRegistry(CTrackingParams& params);
bool WriteRegistry(const CTrackingParams& params);
