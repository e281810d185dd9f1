#pragma once
#include "WorkBuffer.h"

#include <cstddef>
#include <cstdint>

// Bounding box of one group, inclusive, and whether the group keeps a number.
struct CGroupBox {
    int32_t MinX, MaxX, MinY, MaxY;
    bool Kept;
};

// With more groups than labels, the choice of those that keep a number, with its scratch
// (grow only; ends the process without memory).
class CLongestGroups {
public:
    void Reserve(std::size_t groups, int width, int height);
    // Boxes of the groups in raster order of their first pixels, to be filled by the caller.
    CGroupBox* Boxes() { return BoxData.Data(); }
    // Marks as kept the `keep` groups with the longest truncated diagonals, the earlier one
    // winning a tie (frame of the reserved width and height).
    void Mark(int groups, int keep);

private:
    CWorkArray<CGroupBox> BoxData;
    CWorkArray<int32_t> ScoreCounts;  // groups per diagonal length
    int Scores = 0;                   // a diagonal score stays below width + height
};
