#include "LongestGroups.h"

#include "TrackingSteps.h"

#include <algorithm>

namespace {

uint64_t ScoreOf(const CGroupBox& b) {
    if (b.MaxX == b.MinX || b.MaxY == b.MinY)
        return 0;  // never chosen: the first to go
    return TrackingSteps::DiagonalScore(uint64_t(b.MaxX - b.MinX), uint64_t(b.MaxY - b.MinY));
}

}  // namespace

void CLongestGroups::Reserve(std::size_t groups, int width, int height) {
    BoxData.Reserve(groups);
    Scores = std::max(width, 0) + std::max(height, 0) + 1;
    ScoreCounts.Reserve(static_cast<std::size_t>(Scores));
}

void CLongestGroups::Mark(int groups, int keep) {
    CGroupBox* boxes = Boxes();
    int32_t* perScore = ScoreCounts.Data();
    // The shortest score that still keeps its groups, and how many of that score stay.
    std::fill(perScore, perScore + Scores, 0);
    for (int g = 0; g < groups; ++g)
        ++perScore[ScoreOf(boxes[g])];
    int threshold = Scores - 1;
    int longer = 0;
    while (longer + perScore[threshold] < keep)
        longer += perScore[threshold--];
    int atThreshold = keep - longer;
    for (int g = 0; g < groups; ++g) {
        const uint64_t score = ScoreOf(boxes[g]);
        boxes[g].Kept =
            score > uint64_t(threshold) || (score == uint64_t(threshold) && atThreshold-- > 0);
    }
}
