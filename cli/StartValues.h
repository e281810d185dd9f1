#pragma once
#include "ColourSet.h"
#include "Options.h"

#include <vector>

// A colour of the set to learn on the first frame, and where.
struct CLearnAt {
    int Colour = 0;  // index into the set
    CPoint2i At;
};

// What a run starts from: its colour set, checked, and the clicks that teach its colours.
struct CStartValues {
    CColourSet Set;
    std::vector<CLearnAt> Learn;  // one per colour, the last --click for it; in the order given
};

// The set: --colours, else the --colour names, else one colour from the defaults and the
// per-user store (read only: this tool never writes it); then --colour names after a
// --colours set, --settings for the first colour's limits and --max-marks for every colour.
// Throws CToolError when the set is not valid or a --click names no colour of it.
CStartValues StartValues(const CTrackOptions& options);
