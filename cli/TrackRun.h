#pragma once
#include "Options.h"

#include <cstdio>

// Runs the whole tool: start values, sources, one CSV line or JSON object per frame on `out`,
// saving.
// Throws CToolError.
void RunTracking(const CTrackOptions& options, std::FILE* out);
