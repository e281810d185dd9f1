#pragma once
#include "Options.h"

#include <cstdio>

// Runs the whole tool: start values, sources, one CSV line per frame on `out`, saving.
// Throws CToolError.
void RunTracking(const CTrackOptions& options, std::FILE* out);
