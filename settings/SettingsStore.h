#pragma once
#include "TrackingParams.h"

#include <string>

// The per-user store (StoreName.h), group "Settings", twelve keys written
// as decimal integers. Both return false and change nothing visible when the store fails.
bool ReadRegistry(CTrackingParams& params);
bool WriteRegistry(const CTrackingParams& params);

// The capture source chosen last, "Source" in group "Capture": empty when none is stored.
std::string RememberedSource();
// Stores the source's name string; false when the store cannot be written.
bool RememberSource(const std::string& name);
