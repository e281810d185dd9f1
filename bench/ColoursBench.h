#pragma once
// The colour-set scenes of quelta-bench: the engine's pass over K colours against OpenCV's
// pipeline run for each colour, on the same frames.
#include <string>

namespace ColoursBench {

// Checks that both pipelines find the same marks and registers their benchmarks; false when
// they disagree on any scene.
bool Register();
// The summary lines of the cases that were timed:
//   colours<K> <W>x<H> ours=<ms> opencv=<ms> ratio=<ours/opencv>      (medians)
void PrintSummaries();

}  // namespace ColoursBench
