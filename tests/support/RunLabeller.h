#pragma once
#include "BlobInfo.h"
#include "LongestGroups.h"
#include "RegionSums.h"
#include "WorkBuffer.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>

// 8-connected labelling on horizontal runs of mark pixels, row by row: the plain form the
// engine's strip labeller is held to.
//
// Rows are fed top to bottom as bit rows; each row's runs are joined to the runs of the
// row above that touch them, side or corner:
//
//     row y-1:      [s2 ........ e2]
//     row y  :  [s ...... e]            touch when s2 <= e + 1 and e2 >= s - 1
//
// The joins go into a union-find forest over run indices (Parent, with FindRoot and Unite)
// whose root is always the smallest index of its group. Runs are numbered in raster order,
// so a group's root run holds the group's first pixel, and numbering the roots in index
// order numbers the groups in raster order of their first pixels. Every group gets exactly
// one number, however its runs met (no equivalence is ever lost).
class CRunLabeller {
public:
    // Makes room for frames of this size (grow only; ends the process without memory).
    void Reserve(int width, int height);

    // Starts a frame. Rows must then be added for y = 0, 1, ..., height - 1.
    void Begin(int width, int height);
    // Scratch for one bit row: bit x of word x / 64 set for a mark pixel, bits past the
    // width 0. Fill it, then call AddRow.
    uint64_t* RowBits() { return Bits.As<uint64_t>(); }
    void AddRow(int y);

    int RunCount() const { return Runs; }
    // 8-connected groups of the rows added so far, however many.
    int GroupCount() const { return Groups; }

    // Numbers the groups 1..N in raster order of their first pixels, writes every run's
    // number into the mask and, when a table is given, measures the regions into
    // records 0..N-1 (as a walk over the labelled mask would). Returns N.
    // With more than maxLabels groups only maxLabels of them are numbered: those with the
    // longest truncated bounding-box diagonals (the selection's score), the earlier first
    // pixel winning a tie; the others get 0 and become background. So the mark survives a
    // noisy frame full of specks, the mask still holds only 0 and 1..N with
    // N <= maxLabels, and nothing can reach the 0xFFFF marker or past the fixed tables.
    // Mask entries outside the runs are not touched; the caller has made them 0.
    int Finish(cv::Mat& mask, int maxLabels, BlobInfo* table);
    // After Finish: counts[r] = pixels of region r, for every entry of the array.
    void Count(uint32_t* counts, int tableSize) const;

private:
    // The root of a run's group, halving the path on the way.
    int32_t FindRoot(int32_t run);
    // Joins the groups of two roots; the smaller index stays the root and is returned.
    int32_t Unite(int32_t rootA, int32_t rootB);
    void JoinWithRowAbove(int y);
    void KeepLongestGroups(int keep);

    int Width = 0;
    int Height = 0;
    int Runs = 0;
    int Groups = 0;
    std::size_t Capacity = 0;
    int CapacityRows = 0;
    CWorkBuffer Start;       // int32 first column of each run
    CWorkBuffer End;         // int32 last column (inclusive)
    CWorkBuffer Parent;      // int32 union-find parent, always a smaller index or itself
    CWorkBuffer Label;       // int32 the run's number, 0 for background (Finish)
    CWorkBuffer Group;       // int32 the run's group in raster order (over the limit)
    CWorkBuffer RowBegin;    // int32 first run of each row, Height + 1 entries
    CWorkBuffer Bits;        // one bit row
    CLongestGroups Longest;  // used only when groups outnumber labels
    CRegionSums Sums;
};
