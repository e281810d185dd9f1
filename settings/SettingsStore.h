#pragma once
#include "ColourSet.h"
#include "TrackingParams.h"

#include <string>

// The per-user store (StoreName.h), group "Settings", twelve keys written
// as decimal integers. Both return false and change nothing visible when the store fails.
bool ReadRegistry(CTrackingParams& params);
bool WriteRegistry(const CTrackingParams& params);

// The colour set. Its first colour's limits are the eleven limits of group "Settings", as
// ReadRegistry and WriteRegistry keep them (VideoConfigured is not the set's and is left
// alone); the names, display colours, MaxMarks and the further colours are the QSettings array
// "Colours": size=N, 1/Name, 1/Display (RRGGBB), 1/MaxMarks for the first colour, and the same
// with the eleven limits for entries 2 to N.
//
// Reading starts from `set`: a missing or bad value leaves its field as it was, entries the set
// lacks start from the defaults, and what comes back is always a valid set (a colour after the
// first without a valid name, or with a name used before it, is dropped; the first colour
// without a valid name is CColour::DefaultName). Reads only; false, changing nothing, when the
// store cannot be read.
bool ReadColourSet(CColourSet& set);
// Refuses a set that is not valid (ColourSetProblem); replaces every entry of "Colours".
bool WriteColourSet(const CColourSet& set);

// The capture source chosen last, "Source" in group "Capture": empty when none is stored.
std::string RememberedSource();
// Stores the source's name string; false when the store cannot be written.
bool RememberSource(const std::string& name);
