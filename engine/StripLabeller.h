#pragma once
#include "BlobInfo.h"
#include "Kernels.h"
#include "LongestGroups.h"
#include "RegionSums.h"
#include "WorkBuffer.h"

#include <opencv2/core/mat.hpp>

#include <algorithm>
#include <cstdint>

// 8-connected labelling of a whole frame, two rows at a time: what the tracking pass uses.
//
// Inside a strip of two rows, a column holding a mark pixel in either row touches the next
// such column (their pixels are at most one row and one column apart), so every run of
// (top | bottom) is one connected piece:
//
//     top    : . # . . # # . .
//     bottom : . . # # . . # .        top | bottom : . # # # # # # .   one strip run
//
// On a noisy frame that halves the rows and cuts the number of runs by more than half, and
// the runs are where the time goes. A run of one strip and a run of the strip below that
// overlap, or meet at a corner, belong together only when a bottom-row pixel of the upper
// run touches a top-row pixel of the lower one. With u the upper strip's bottom row and d
// the lower strip's top row, contact bit x = (u[x] | u[x-1]) & (d[x] | d[x-1]) is set
// exactly when such a pair of pixels sits in columns x-1..x, so for two runs it is enough
// to look for a contact bit in their shared columns plus one.
//
// The joins go into a union-find forest over run indices whose root is always the
// smallest index of its group. Finish numbers the groups in raster
// order of their first pixels, which is not always the order of their root runs here (a
// root run may start with a bottom-row pixel, or a group may reach its strip twice), so the
// results are those of the row-by-row labelling, number for number.
class CStripLabeller {
public:
    explicit CStripLabeller(const QueltaKernels::CKernelSet& kernels) : Kernels(kernels) {}

    // Makes room for frames of this size (grow only; ends the process without memory).
    void Reserve(int width, int height);

    // Starts a frame. Rows must then be filled and added for y = 0, 1, ..., height - 1.
    void Begin(int width, int height);
    // Bit row y: bit x of word x / 64 set for a mark pixel, bits past the width 0. Fill it,
    // then call AddRow(y); rows stay readable until the next Begin.
    uint64_t* RowBits(int y);
    void AddRow(int y);

    // Words per bit row: the row's words and one more, always 0.
    static int StrideFor(int width) { return (std::max(width, 0) + 63) / 64 + 1; }
    // Starts a frame whose bit rows are all filled already, StrideFor(width) words each
    // (kept by the caller until the frame is done), and adds them.
    void LabelRows(int width, int height, const uint64_t* rows);

    // Runs of the strips added so far.
    int RunCount() const { return Runs; }
    // After Finish: the frame's 8-connected groups, however many.
    int GroupCount() const { return Groups; }

    // Numbers the groups 1..N in raster order of their first pixels, writes them into the
    // mask and, when a table is given, measures the regions into records 0..N-1; returns N.
    // Every mask entry is written (the mark pixels from the bit rows). With more than
    // maxLabels groups only maxLabels are numbered, those with the longest truncated
    // bounding-box diagonals (the earlier first pixel winning a tie); the others become 0.
    // Without a mask (null), only the table is filled.
    int Finish(cv::Mat* mask, int maxLabels, BlobInfo* table);

    // After Finish: the second moments of chosen regions. markOf[label] is the place in
    // `moments` of region `label` (1..N), or -1 for the regions not wanted.
    void SumMoments(const int* markOf, CRegionMoments* moments) const;

private:
    const uint64_t* Row(int y) const { return Rows + std::size_t(y) * Stride; }
    void AddStrip(int strip);

    // Joining
    struct CJoin;
    CJoin StartJoin(int strip, uint64_t* contact) const;
    // One step of a join; RunsJoinedBelow when this strip's runs may be in groups already.
    template <bool RunsJoinedBelow>
    static void Step(CJoin& join, const int32_t* bounds, int32_t* parent);
    void JoinStrips();
    // Lists in Joins the strips that have runs below a strip with runs; returns how many.
    int ListJoins();
    int32_t FindRoot(int32_t run);
    // The same on a parent table.
    static int32_t RootIn(int32_t* parent, int32_t run);

    // Numbering
    // The root of the group that probably has the most runs, or -1 without runs; sets
    // BulkRuns to an estimate of its runs.
    int32_t ChooseBulk();
    // Sets Number of the roots born in strip k to their groups' places in raster order,
    // from `next` on, and points the strip's runs at their roots; returns the next number.
    // Strips must be numbered in order. With a `bulk` root (not -1), the strip's runs outside
    // its group are listed in OtherRuns (Others of them) and its own runs widen Bulk.
    int NumberStrip(int k, int next, int32_t bulk);
    // Points strip k's runs at their roots and lists those outside the bulk (NumberStrip).
    void FlattenBulkStrip(int k, int32_t bulk);
    // Notes run i's first pixel for its root, when the group began in this strip; a root
    // itself is added to Births (born of them so far).
    void LookAtRun(int k, int32_t i, int& born);
    // All strips: returns the number of groups.
    int NumberGroups();
    // Over the limit: Number of every root becomes its label, 0 for the groups left out.
    void KeepLongestGroups(int groups, int keep);
    // The groups: runs that are their own parents.
    int CountRoots() const;

    // Writing and measuring
    struct CSweep;
    // Writes the mask and measures the regions, strip by strip. Numbering, each strip is
    // numbered first (the groups must not outnumber maxLabels); otherwise the numbers are
    // labels already (KeepLongestGroups), maxLabels of them.
    void WriteStrips(cv::Mat* mask, int maxLabels, BlobInfo* table, bool numbering);
    // Strip k's mask rows from its bits, `fill` on the mark pixels (when there is a mask), and
    // the sweep's totals.
    void ExpandStrip(int k, cv::Mat* mask, uint16_t fill, CSweep& sweep) const;
    // Labels and measures the runs of strip k outside the bulk (all of them without one).
    void WriteStripRuns(int k, cv::Mat* mask, BlobInfo* table, CSweep& sweep);
    // The bulk's record, from the frame's totals less the other regions'.
    void MeasureBulk(BlobInfo* table, int label, const CSweep& sweep);
    void ClearRecords(BlobInfo* table, int from, int to);
    // The bulk's first row (or last) in strip k, which holds some of its runs.
    int BulkRowIn(int k, bool last) const;

    const QueltaKernels::CKernelSet& Kernels;
    const uint64_t* Rows = nullptr;  // BitRows, or the caller's rows
    int Width = 0;
    int Height = 0;
    int Words = 0;   // 64-bit words holding one row's bits
    int Stride = 0;  // words per stored row: one more, always 0, for the contact bits at x = width
    int Runs = 0;
    int Groups = 0;
    int32_t BulkRoot = -1;  // ChooseBulk's root (Finish)
    int32_t BulkRuns = 0;   // about how many runs its group has
    struct CBulkBox {
        int32_t MinX, MaxX;
        int FirstStrip, LastStrip;  // strips holding its runs
    };
    CBulkBox Bulk{};                 // its runs so far, while numbering
    int Others = 0;                  // NumberStrip's list
    CWorkArray<uint64_t> BitRows;    // every row's bits, Stride words each
    CWorkArray<uint64_t> Contacts;   // contact bits of two strip boundaries, Stride words each
    CWorkArray<int32_t> Bounds;      // each run's first and last column (inclusive), then slack
    CWorkArray<int32_t> Parent;      // union-find parent, always a smaller index or itself
    CWorkArray<int32_t> Number;      // per root: its group's raster index, then its label
    CWorkArray<int32_t> FirstPixel;  // per root: its group's first pixel, row in strip * width + x
    CWorkArray<int32_t> Births;      // roots of one strip, in the order they are numbered
    CWorkArray<int32_t> OtherRuns;   // runs of one strip outside the bulk
    CWorkArray<int32_t> StripBegin;  // first run of each strip, strips + 1 entries
    CWorkArray<int32_t> Joins;       // ListJoins' strips
    CLongestGroups Longest;          // only when groups outnumber labels
    CRegionSums Sums;
};
