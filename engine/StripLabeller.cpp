#include "StripLabeller.h"

#include "RowSums.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using QueltaKernels::BitsFrom;
using QueltaKernels::BitsUpTo;
using QueltaKernels::CountRowPart;
using QueltaKernels::CRowSum;

// Whether any bit x0..x1 of the row is set (x0 <= x1). Runs are short on the frames where
// this is hot, so the one- and two-word cases take no branch the data decides.
inline bool AnyBit(const uint64_t* row, int x0, int x1) {
    const int w0 = x0 >> 6;
    const int w1 = x1 >> 6;
    if (w1 - w0 > 1) {
        for (int w = w0 + 1; w < w1; ++w)
            if (row[w] != 0)
                return true;
    }
    const uint64_t last = BitsUpTo(x1);
    const uint64_t first = BitsFrom(x0) & (w0 == w1 ? last : ~0ULL);
    return ((row[w0] & first) | (row[w1] & (w0 == w1 ? 0 : last))) != 0;
}

// Whether any contact bit x0..x1 is set; none when x0 > x1. One unaligned load covers the
// short spans that noise gives; the contact row has a word of slack after the width.
inline bool ContactIn(const uint64_t* contact, int x0, int x1) {
    const int span = x1 - x0;
    if (span > 56) [[unlikely]]
        return AnyBit(contact, x0, x1);
    uint64_t bits;
    std::memcpy(&bits, reinterpret_cast<const uint8_t*>(contact) + (x0 >> 3), sizeof bits);
    return (span >= 0) & (((bits >> (x0 & 7)) & (~0ULL >> (63 - (span & 63)))) != 0);
}

// The first set bit among x0..x1, or -1.
int FirstBit(const uint64_t* row, int x0, int x1) {
    uint64_t word = row[x0 >> 6] & BitsFrom(x0);
    for (int w = x0 >> 6;;) {
        if (w == x1 >> 6)
            word &= BitsUpTo(x1);
        if (word != 0)
            return 64 * w + __builtin_ctzll(word);
        if (++w > x1 >> 6)
            return -1;
        word = row[w];
    }
}

}  // namespace

void CStripLabeller::Reserve(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const std::size_t strips = (static_cast<std::size_t>(height) + 1) / 2;
    const std::size_t perStrip = (static_cast<std::size_t>(width) + 1) / 2;  // separate runs
    const std::size_t runs = CWorkBuffer::CheckedProduct({strips, perStrip});
    if (runs > static_cast<std::size_t>(INT32_MAX / 2 - QueltaKernels::StripChangesSlack))
        CWorkBuffer::NoMemory();  // run indices, and twice them for the bounds, are int32
    if (runs > Parent.Size()) {
        Bounds.Allocate(2 * runs + QueltaKernels::StripChangesSlack);
        Parent.Allocate(runs);
        Number.Allocate(runs);
        FirstPixel.Allocate(runs);
    }
    if (perStrip > Births.Size()) {
        Births.Allocate(perStrip);
        OtherRuns.Allocate(perStrip + QueltaKernels::StripChangesSlack);
    }
    StripBegin.Reserve(strips + 1);
    Joins.Reserve(strips);
    const std::size_t stride = (static_cast<std::size_t>(width) + 63) / 64 + 1;
    BitRows.Reserve(CWorkBuffer::CheckedProduct({stride, std::size_t(height)}));
    Contacts.Reserve(2 * stride);  // two joins at a time
    // Never more groups than runs.
    Longest.Reserve(runs, width, height);
}

void CStripLabeller::Begin(int width, int height) {
    Reserve(width, height);
    Width = std::max(width, 0);
    Height = std::max(height, 0);
    Words = (Width + 63) / 64;
    Stride = Words + 1;
    Runs = 0;
    Groups = 0;
    StripBegin[0] = 0;
    Rows = BitRows.Data();
}

void CStripLabeller::LabelRows(int width, int height, const uint64_t* rows) {
    Begin(width, height);
    Rows = rows;
    for (int k = 0; k < (Height + 1) / 2; ++k) {
        // Rows of a colour of several are mostly empty: an OR over the strip's words is
        // cheaper than looking for changes in them.
        const uint64_t* top = Row(2 * k);
        const uint64_t* bottom = 2 * k + 1 < Height ? Row(2 * k + 1) : top;
        uint64_t any = 0;
        for (int w = 0; w < Words; ++w)
            any |= top[w] | bottom[w];
        if (any != 0)
            AddStrip(k);
        else
            StripBegin[k + 1] = Runs;
    }
}

uint64_t* CStripLabeller::RowBits(int y) {
    uint64_t* row = BitRows.Data() + std::size_t(y) * Stride;
    row[Words] = 0;
    return row;
}

void CStripLabeller::AddRow(int y) {
    if (y % 2 == 1 || y == Height - 1)
        AddStrip(y / 2);
}

void CStripLabeller::AddStrip(int strip) {
    const uint64_t* top = Row(2 * strip);
    const uint64_t* bottom = 2 * strip + 1 < Height ? Row(2 * strip + 1) : nullptr;
    int32_t* bounds = Bounds.Data();
    int32_t* parent = Parent.Data();
    // The changes along top | bottom: run k / 2 starts at the k-th, ends before the next.
    int k = Kernels.StripChanges(top, bottom, Words, bounds, 2 * Runs);
    if (k & 1)  // the last run reaches the right edge at a word's end
        bounds[k++] = Width - 1;
    const int n = k / 2;
    for (int i = Runs; i < n; ++i)
        parent[i] = i;
    Runs = n;
    StripBegin[strip + 1] = n;
}

int32_t CStripLabeller::RootIn(int32_t* parent, int32_t run) {
    while (parent[run] != run) {
        parent[run] = parent[parent[run]];
        run = parent[run];
    }
    return run;
}

int32_t CStripLabeller::FindRoot(int32_t run) { return RootIn(Parent.Data(), run); }

// Joining the runs of one strip to those of the strip above: one walk over both rows of
// runs in column order, like merging two sorted lists. The run that ends first moves on
// (both when they end together), so every pair within reach of each other (overlapping, or
// meeting at a corner) is looked at once. Reach and contact are computed without branching
// on the data, which noise makes unpredictable.
struct CStripLabeller::CJoin {
    // (Pointer-sized, so that they index the tables without a widening each time.)
    std::ptrdiff_t Above, AboveEnd;  // runs of the strip above still to meet
    std::ptrdiff_t Run, RunEnd;      // runs of this strip
    std::ptrdiff_t Root;             // the root of Run's group so far
    const uint64_t* Contact;

    bool Going() const { return Above < AboveEnd && Run < RunEnd; }
};

CStripLabeller::CJoin CStripLabeller::StartJoin(int strip, uint64_t* contact) const {
    const int32_t* stripBegin = StripBegin.Data();
    const CJoin join{stripBegin[strip - 1], stripBegin[strip], stripBegin[strip],
                     stripBegin[strip + 1], stripBegin[strip], contact};
    if (!join.Going())
        return join;  // a strip without runs: nothing to join, no contacts needed
    // Contact bits between the upper strip's bottom row and this strip's top row, in the
    // words that the steps look at: from the first run's first column to one past the last
    // run's last (runs are in column order).
    const uint64_t* up = Row(2 * strip - 1);
    const uint64_t* down = Row(2 * strip);
    const int32_t* bounds = Bounds.Data();
    const int32_t from = std::min(bounds[2 * join.Above], bounds[2 * join.Run]);
    const int32_t to = std::max(bounds[2 * join.AboveEnd - 1], bounds[2 * join.RunEnd - 1]) + 1;
    const int first = from >> 6;
    uint64_t upCarry = first > 0 ? up[first - 1] >> 63 : 0;
    uint64_t downCarry = first > 0 ? down[first - 1] >> 63 : 0;
    for (int w = first; w <= to >> 6; ++w) {
        contact[w] = (up[w] | (up[w] << 1) | upCarry) & (down[w] | (down[w] << 1) | downCarry);
        upCarry = up[w] >> 63;
        downCarry = down[w] >> 63;
    }
    return join;
}

namespace {

// -1 when a < b, else 0, computed (not branched on).
template <typename T>
inline T AllIfLess(T a, T b) {
    return (a - b) >> (8 * sizeof(T) - 1);
}
// a where the mask is all ones, else b.
template <typename T>
inline T Pick(T mask, T a, T b) {
    return (a & mask) | (b & ~mask);
}

}  // namespace

// The choices below are masks rather than conditions: written as conditions, the compiler
// turns some of them into branches, and on a noisy frame those guess wrong most of the time.
template <bool RunsJoinedBelow>
inline void CStripLabeller::Step(CJoin& j, const int32_t* bounds, int32_t* parent) {
    using Index = std::ptrdiff_t;
    const int32_t sa = bounds[2 * j.Above], ea = bounds[2 * j.Above + 1];
    const int32_t s = bounds[2 * j.Run], e = bounds[2 * j.Run + 1];
    // Shared columns plus one: an empty stretch when the runs are not within reach.
    const int32_t x0 = std::max(sa, s);
    const int32_t x1 = std::min(ea, e) + 1;
    const Index joined = -static_cast<Index>(ContactIn(j.Contact, x0, x1));
    // The root above. Runs above are seldom more than three steps from it; taking three
    // steps without asking spares a branch that would guess wrong much of the time.
    Index other = parent[parent[parent[j.Above]]];
    if (parent[other] != other) [[unlikely]]
        other = RootIn(parent, static_cast<int32_t>(other));
    // No path compression here: writing the root back costs more than the steps it saves.
    // The smaller root stays. An unjoined pair unites the run's root with itself, which
    // changes nothing.
    other = Pick(joined, other, j.Root);
    const Index otherLower = AllIfLess(other, j.Root);
    const Index low = Pick(otherLower, other, j.Root);
    parent[Pick(otherLower, j.Root, other)] = static_cast<int32_t>(low);
    j.Root = low;
    // The run that ends first moves on; both when they end together.
    j.Above += (ea <= e);
    const Index next = -static_cast<Index>(e <= ea);
    j.Run -= next;
    if (!RunsJoinedBelow)
        j.Root = Pick(next, j.Run, j.Root);  // a run not met yet is its own root
    else if (next != 0 && j.Run < j.RunEnd)
        j.Root = RootIn(parent, static_cast<int32_t>(j.Run));
}

int CStripLabeller::ListJoins() {
    // A strip is joined to the one above only when both have runs: on a sparse frame (one
    // colour of several) most strips have none, and they cost nothing more here.
    const int32_t* stripBegin = StripBegin.Data();
    int32_t* joins = Joins.Data();
    int n = 0;
    for (int k = 1; k < (Height + 1) / 2; ++k) {
        joins[n] = k;
        n += (stripBegin[k - 1] < stripBegin[k]) & (stripBegin[k] < stripBegin[k + 1]);
    }
    return n;
}

void CStripLabeller::JoinStrips() {
    // Each walk waits on its own loads at every step, so two walks go side by side: one over
    // the upper half of the strips to join, one over the lower half. Their unions stay on
    // their sides of the middle strip's upper boundary (disjoint runs), so neither changes a
    // root the other holds; that boundary is joined last.
    const int n = ListJoins();
    const int32_t* joins = Joins.Data();
    const int middle = (n + 1) / 2 - 1;  // with every strip listed, the frame's middle strip
    uint64_t* contacts = Contacts.Data();
    // (Passed to each step in registers: the tables' addresses are not read again after a
    // root search.)
    const int32_t* bounds = Bounds.Data();
    int32_t* parent = Parent.Data();
    for (int j = 0; j < std::max(middle, n - middle - 1); ++j) {
        const bool inTop = j < middle;
        const bool inBottom = middle + 1 + j < n;
        CJoin top = inTop ? StartJoin(joins[j], contacts) : CJoin{};
        CJoin bottom = inBottom ? StartJoin(joins[middle + 1 + j], contacts + Stride) : CJoin{};
        while (top.Going() && bottom.Going()) {
            Step<false>(top, bounds, parent);
            Step<false>(bottom, bounds, parent);
        }
        while (top.Going())
            Step<false>(top, bounds, parent);
        while (bottom.Going())
            Step<false>(bottom, bounds, parent);
    }
    if (n > 0) {  // its runs may be joined to the strip below already
        CJoin last = StartJoin(joins[middle], contacts);
        if (last.Going())  // (a strip without runs has no run to find a root for)
            last.Root = FindRoot(last.Run);
        while (last.Going())
            Step<true>(last, bounds, parent);
    }
}

int32_t CStripLabeller::ChooseBulk() {
    // The root that most of seven runs spread over the frame share. Any choice gives the
    // same results; a good one saves work on frames where one region has most runs. Its
    // runs are estimated from the share of the samples.
    BulkRuns = 0;
    if (Runs == 0)
        return -1;
    std::array<int32_t, 7> roots{};
    for (int j = 0; j < 7; ++j)
        roots[j] = FindRoot(static_cast<int32_t>(int64_t(Runs) * (j + 1) / 8));
    int32_t best = roots[0];
    long bestCount = 0;
    for (int32_t r : roots) {
        const long count = std::count(roots.begin(), roots.end(), r);
        if (count > bestCount) {
            best = r;
            bestCount = count;
        }
    }
    BulkRuns = static_cast<int32_t>(int64_t(Runs) * bestCount / 7);
    return best;
}

void CStripLabeller::LookAtRun(int k, int32_t i, int& born) {
    const int32_t root = Parent[i];
    if (root < StripBegin[k])
        return;  // the group began in a strip above
    // Its first pixel: in the top row if the run has one there.
    const int32_t s = Bounds[2 * i], e = Bounds[2 * i + 1];
    const int x = FirstBit(Row(2 * k), s, e);
    const int32_t at = x >= 0 ? x : Width + FirstBit(Row(2 * k + 1), s, e);
    if (root == i) {
        FirstPixel[i] = at;
        Births[born++] = i;
    } else {
        FirstPixel[root] = std::min(FirstPixel[root], at);
    }
}

void CStripLabeller::FlattenBulkStrip(int k, int32_t bulk) {
    // Of the bulk's runs, only the first and last count: they hold its leftmost and rightmost
    // columns in the strip.
    QueltaKernels::CBulkRuns bulkRuns;
    Others = Kernels.FlattenStrip(Parent.Data(), StripBegin[k], StripBegin[k + 1], bulk,
                                  OtherRuns.Data(), bulkRuns);
    if (bulkRuns.Last >= 0) {
        Bulk.MinX = std::min(Bulk.MinX, Bounds[2 * bulkRuns.First]);
        Bulk.MaxX = std::max(Bulk.MaxX, Bounds[2 * bulkRuns.Last + 1]);
        Bulk.FirstStrip = std::min(Bulk.FirstStrip, k);
        Bulk.LastStrip = k;
    }
}

int CStripLabeller::NumberStrip(int k, int next, int32_t bulk) {
    const int32_t begin = StripBegin[k];
    const int32_t stop = StripBegin[k + 1];
    // The groups that begin in this strip, and their first pixels. Every run is pointed at
    // its root first (parents are smaller indices, so the parent already points at it).
    int born = 0;
    Others = 0;
    if (bulk < 0) {
        for (int32_t i = begin; i < stop; ++i) {
            Parent[i] = Parent[Parent[i]];
            LookAtRun(k, i, born);
        }
    } else {
        FlattenBulkStrip(k, bulk);
        // The bulk begins above, unless its root is in this strip.
        if (begin <= bulk && bulk < stop)
            for (int32_t i = begin; i < stop; ++i)
                LookAtRun(k, i, born);
        else
            for (int j = 0; j < Others; ++j)
                LookAtRun(k, OtherRuns[j], born);
    }
    // Raster order of the first pixels; roots come in column order unless a root run
    // starts in the bottom row or a group reaches this strip more than once.
    int32_t* births = Births.Data();
    const int32_t* first = FirstPixel.Data();
    auto earlier = [first](int32_t a, int32_t b) { return first[a] < first[b]; };
    if (!std::is_sorted(births, births + born, earlier))
        std::sort(births, births + born, earlier);
    for (int b = 0; b < born; ++b)
        Number[births[b]] = next++;
    return next;
}

int CStripLabeller::NumberGroups() {
    int next = 1;
    for (int k = 0; k < (Height + 1) / 2; ++k)
        next = NumberStrip(k, next, -1);
    return next - 1;
}

void CStripLabeller::KeepLongestGroups(int groups, int keep) {
    const int32_t* stripBegin = StripBegin.Data();
    const int32_t* bounds = Bounds.Data();
    const int32_t* parent = Parent.Data();
    int32_t* number = Number.Data();
    CGroupBox* boxes = Longest.Boxes();
    for (int g = 0; g < groups; ++g)
        boxes[g] = {Width, -1, Height, -1, false};
    const int strips = (Height + 1) / 2;
    for (int k = 0; k < strips; ++k) {
        const uint64_t* top = Row(2 * k);
        const uint64_t* bottom = 2 * k + 1 < Height ? Row(2 * k + 1) : nullptr;
        for (int32_t i = stripBegin[k]; i < stripBegin[k + 1]; ++i) {
            CGroupBox& b = boxes[number[parent[i]] - 1];
            const bool inTop = AnyBit(top, bounds[2 * i], bounds[2 * i + 1]);
            const bool inBottom =
                bottom != nullptr && AnyBit(bottom, bounds[2 * i], bounds[2 * i + 1]);
            b.MinX = std::min(b.MinX, bounds[2 * i]);
            b.MaxX = std::max(b.MaxX, bounds[2 * i + 1]);
            b.MinY = std::min(b.MinY, inTop ? 2 * k : 2 * k + 1);
            b.MaxY = std::max(b.MaxY, inBottom ? 2 * k + 1 : 2 * k);
        }
    }
    Longest.Mark(groups, keep);
    // Labels in group order for the kept ones (kept in MinX: the box is no longer
    // needed); roots then carry their group's label.
    int next = 1;
    for (int g = 0; g < groups; ++g)
        boxes[g].MinX = boxes[g].Kept ? next++ : 0;
    for (int32_t i = 0; i < Runs; ++i)
        if (parent[i] == i)
            number[i] = boxes[number[i] - 1].MinX;
}

int CStripLabeller::Finish(cv::Mat* mask, int maxLabels, BlobInfo* table) {
    JoinStrips();
    BulkRoot = ChooseBulk();
    // While the groups fit the labels, each strip is numbered just before its runs are
    // labelled and measured, when its runs are in cache already. They fit for certain with
    // no more runs than labels; otherwise the roots are counted. Past the limit, all groups
    // are numbered and their boxes measured first, to choose those that keep a label.
    if (Runs <= maxLabels || CountRoots() <= maxLabels) {
        WriteStrips(mask, maxLabels, table, true);
        return Groups;
    }
    Groups = NumberGroups();
    KeepLongestGroups(Groups, maxLabels);
    WriteStrips(mask, maxLabels, table, false);
    return maxLabels;
}

int CStripLabeller::CountRoots() const {
    const int32_t* parent = Parent.Data();
    int roots = 0;
    for (int32_t i = 0; i < Runs; ++i)
        roots += parent[i] == i;
    return roots;
}

// The group ChooseBulk picked, while numbering. When it has runs all over the frame (a noisy
// frame, one region spanning it), its runs are not visited one by one: whole mask rows are
// written with its number before the other runs get theirs, its pixels are counted as the
// frame's total less the other regions', and its box is widened while the strips are numbered.
// That costs walks over whole rows, which only pay when there is about a run of it every 64
// pixels. Its number is known from its first strip on; the strips above have none of its runs.
struct CStripLabeller::CSweep {
    bool On = false;
    int Label = 0;        // 0 until its first strip
    CRowSum All, Others;  // pixels of the frame, and of the other regions
    int64_t AllSumY = 0, OthersSumY = 0;
};

void CStripLabeller::ClearRecords(BlobInfo* table, int from, int to) {
    for (int r = from; r < to; ++r) {
        table[r] = BlobInfo{0, uint32_t(Width),  uint32_t(Height), 0,
                            0, table[r].CenterX, table[r].CenterY};
        Sums.X[r] = 0;
        Sums.Y[r] = 0;
    }
}

void CStripLabeller::WriteStrips(cv::Mat* mask, int maxLabels, BlobInfo* table, bool numbering) {
    CSweep sweep;
    sweep.On =
        numbering && BulkRoot >= 0 && int64_t(BulkRuns) * 64 >= int64_t(Width) * int64_t(Height);
    Bulk = CBulkBox{Width, -1, INT32_MAX, -1};
    int next = 1;  // the next group number while numbering
    if (table != nullptr && !numbering)
        ClearRecords(table, 0, maxLabels);
    const int32_t* stripBegin = StripBegin.Data();
    for (int k = 0; k < (Height + 1) / 2; ++k) {
        // Without a mask to write, a strip without runs changes nothing.
        if (mask == nullptr && stripBegin[k] == stripBegin[k + 1])
            continue;
        if (numbering) {
            const int born = next;
            next = NumberStrip(k, next, sweep.On ? BulkRoot : -1);
            if (table != nullptr)
                ClearRecords(table, born - 1, next - 1);
            if (sweep.On && sweep.Label == 0 && BulkRoot < StripBegin[k + 1])
                sweep.Label = Number[BulkRoot];
        }
        // Every mask entry is written from the bits: the bulk's label (or the marker, for the
        // runs to take theirs) on the mark pixels, 0 elsewhere.
        ExpandStrip(k, mask, sweep.Label != 0 ? uint16_t(sweep.Label) : BlobTable::Unlabelled,
                    sweep);
        WriteStripRuns(k, mask, table, sweep);
    }
    if (numbering)
        Groups = next - 1;
    if (table == nullptr)
        return;
    if (sweep.On)
        MeasureBulk(table, sweep.Label, sweep);
    Sums.SetCentres(table, numbering ? Groups : maxLabels);
}

void CStripLabeller::ExpandStrip(int k, cv::Mat* mask, uint16_t fill, CSweep& sweep) const {
    const int y = 2 * k;
    const bool twoRows = y + 1 < Height;
    if (mask != nullptr) {
        Kernels.ExpandMaskRow(Row(y), mask->ptr<uint16_t>(y), Width, fill);
        if (twoRows)
            Kernels.ExpandMaskRow(Row(y + 1), mask->ptr<uint16_t>(y + 1), Width, fill);
    }
    if (!sweep.On)
        return;
    const CRowSum upper = Kernels.CountRow(Row(y), Words);
    const CRowSum lower = twoRows ? Kernels.CountRow(Row(y + 1), Words) : CRowSum{};
    sweep.All.Count += upper.Count + lower.Count;
    sweep.All.SumX += upper.SumX + lower.SumX;
    sweep.AllSumY += int64_t(y) * upper.Count + int64_t(y + 1) * lower.Count;
}

void CStripLabeller::WriteStripRuns(int k, cv::Mat* mask, BlobInfo* table, CSweep& sweep) {
    const int y = 2 * k;
    const bool twoRows = y + 1 < Height;
    const uint64_t* top = Row(y);
    const uint64_t* bottom = twoRows ? Row(y + 1) : nullptr;
    uint16_t* topMask = mask != nullptr ? mask->ptr<uint16_t>(y) : nullptr;
    uint16_t* bottomMask = mask != nullptr && twoRows ? mask->ptr<uint16_t>(y + 1) : nullptr;
    // The runs outside the bulk: listed by the numbering, or all of the strip's.
    const int32_t count = sweep.On ? Others : StripBegin[k + 1] - StripBegin[k];
    for (int32_t j = 0; j < count; ++j) {
        const int32_t i = sweep.On ? OtherRuns[j] : StripBegin[k] + j;
        const int32_t s = Bounds[2 * i];
        const int32_t e = Bounds[2 * i + 1];
        const int label = Number[Parent[i]];
        if (topMask != nullptr)
            Kernels.LabelRowPart(topMask, s, e, Width, static_cast<uint16_t>(label));
        if (bottomMask != nullptr)
            Kernels.LabelRowPart(bottomMask, s, e, Width, static_cast<uint16_t>(label));
        if (table == nullptr || label == 0)
            continue;
        BlobInfo& b = table[label - 1];
        b.MinX = std::min(b.MinX, uint32_t(s));
        b.MaxX = std::max(b.MaxX, uint32_t(e));
        const CRowSum upper = CountRowPart(top, s, e);
        const CRowSum lower = twoRows ? CountRowPart(bottom, s, e) : CRowSum{};
        const int64_t sumY = int64_t(y) * upper.Count + int64_t(y + 1) * lower.Count;
        b.PixelCount += static_cast<int32_t>(upper.Count + lower.Count);
        b.MinY = std::min(b.MinY, uint32_t(upper.Count != 0 ? y : y + 1));
        b.MaxY = std::max(b.MaxY, uint32_t(lower.Count != 0 ? y + 1 : y));
        Sums.X[label - 1] += upper.SumX + lower.SumX;
        Sums.Y[label - 1] += sumY;
        sweep.Others.Count += upper.Count + lower.Count;
        sweep.Others.SumX += upper.SumX + lower.SumX;
        sweep.OthersSumY += sumY;
    }
}

void CStripLabeller::MeasureBulk(BlobInfo* table, int label, const CSweep& sweep) {
    BlobInfo& b = table[label - 1];
    b.MinX = uint32_t(Bulk.MinX);
    b.MaxX = uint32_t(Bulk.MaxX);
    b.MinY = uint32_t(BulkRowIn(Bulk.FirstStrip, false));
    b.MaxY = uint32_t(BulkRowIn(Bulk.LastStrip, true));
    b.PixelCount = static_cast<int32_t>(sweep.All.Count - sweep.Others.Count);
    Sums.X[label - 1] = sweep.All.SumX - sweep.Others.SumX;
    Sums.Y[label - 1] = sweep.AllSumY - sweep.OthersSumY;
}

int CStripLabeller::BulkRowIn(int k, bool last) const {
    // Its first row is the strip's top row when one of its runs there has a pixel on it,
    // its last the bottom row likewise.
    const int32_t* stripBegin = StripBegin.Data();
    const int32_t* parent = Parent.Data();
    const int32_t* bounds = Bounds.Data();
    const int y = last ? 2 * k + 1 : 2 * k;
    if (y >= Height)
        return 2 * k;
    for (int32_t i = stripBegin[k]; i < stripBegin[k + 1]; ++i)
        if (parent[i] == BulkRoot && AnyBit(Row(y), bounds[2 * i], bounds[2 * i + 1]))
            return y;
    return last ? 2 * k : 2 * k + 1;
}

void CStripLabeller::SumMoments(const int* markOf, CRegionMoments* moments) const {
    for (int k = 0; k < (Height + 1) / 2; ++k) {
        for (int32_t i = StripBegin[k]; i < StripBegin[k + 1]; ++i) {
            const int label = Number[Parent[i]];
            const int mark = label > 0 ? markOf[label] : -1;
            if (mark < 0)
                continue;
            CRegionMoments& m = moments[mark];
            for (int y = 2 * k; y < std::min(2 * k + 2, Height); ++y) {
                const QueltaKernels::CRowMoments row =
                    QueltaKernels::RowPartMoments(Row(y), Bounds[2 * i], Bounds[2 * i + 1]);
                m.Count += row.Count;
                m.SumX += row.SumX;
                m.SumXX += row.SumXX;
                m.SumY += int64_t(y) * row.Count;
                m.SumYY += int64_t(y) * y * row.Count;
                m.SumXY += int64_t(y) * row.SumX;
            }
        }
    }
}
