#include "RunLabeller.h"

#include <algorithm>

void CRunLabeller::Reserve(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    // A row of width w holds at most (w + 1) / 2 separate runs.
    const std::size_t runs = CWorkBuffer::CheckedProduct(
        {static_cast<std::size_t>(height), (static_cast<std::size_t>(width) + 1) / 2});
    if (runs > static_cast<std::size_t>(INT32_MAX))
        CWorkBuffer::NoMemory();  // run indices are int32
    if (runs > Capacity) {
        const std::size_t bytes = CWorkBuffer::CheckedProduct({runs, sizeof(int32_t)});
        Start.Allocate(bytes);
        End.Allocate(bytes);
        Parent.Allocate(bytes);
        Label.Allocate(bytes);
        Group.Allocate(bytes);
        Capacity = runs;
    }
    if (height > CapacityRows) {
        RowBegin.Allocate(
            CWorkBuffer::CheckedProduct({static_cast<std::size_t>(height) + 1, sizeof(int32_t)}));
        CapacityRows = height;
    }
    const std::size_t bitBytes = 8 * ((static_cast<std::size_t>(width) + 63) / 64);
    if (bitBytes > Bits.Size())
        Bits.Allocate(bitBytes);
    // Separate 8-connected groups lie at least one pixel apart both ways.
    Longest.Reserve(CWorkBuffer::CheckedProduct({(static_cast<std::size_t>(height) + 1) / 2,
                                                 (static_cast<std::size_t>(width) + 1) / 2}),
                    width, height);
}

void CRunLabeller::Begin(int width, int height) {
    Reserve(width, height);
    Width = width;
    Height = height;
    Runs = 0;
    Groups = 0;
    RowBegin.As<int32_t>()[0] = 0;
}

void CRunLabeller::AddRow(int y) {
    const uint64_t* bits = RowBits();
    int32_t* start = Start.As<int32_t>();
    int32_t* end = End.As<int32_t>();
    int32_t* parent = Parent.As<int32_t>();
    int n = Runs;
    bool inRun = false;
    const int words = (Width + 63) / 64;
    for (int w = 0; w < words; ++w) {
        // While outside a run look for the next 1, inside for the next 0.
        uint64_t pending = inRun ? ~bits[w] : bits[w];
        const int base = 64 * w;
        while (pending != 0) {
            const int t = __builtin_ctzll(pending);
            if (inRun) {
                end[n] = base + t - 1;
                parent[n] = n;
                ++n;
            } else {
                start[n] = base + t;
            }
            inRun = !inRun;
            pending = ~pending & (~0ULL << t);
        }
    }
    if (inRun) {  // reaches the right edge
        end[n] = Width - 1;
        parent[n] = n;
        ++n;
    }
    Groups += n - Runs;  // every new run starts a group of its own
    Runs = n;
    RowBegin.As<int32_t>()[y + 1] = n;
    if (y > 0)
        JoinWithRowAbove(y);
}

inline int32_t CRunLabeller::FindRoot(int32_t run) {
    int32_t* parent = Parent.As<int32_t>();
    while (parent[run] != run) {
        parent[run] = parent[parent[run]];
        run = parent[run];
    }
    return run;
}

inline int32_t CRunLabeller::Unite(int32_t rootA, int32_t rootB) {
    if (rootA == rootB)
        return rootA;
    --Groups;
    int32_t* parent = Parent.As<int32_t>();
    if (rootA < rootB) {
        parent[rootB] = rootA;
        return rootA;
    }
    parent[rootA] = rootB;
    return rootB;
}

void CRunLabeller::JoinWithRowAbove(int y) {
    const int32_t* rowBegin = RowBegin.As<int32_t>();
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    int32_t above = rowBegin[y - 1];
    const int32_t aboveEnd = rowBegin[y];
    // The run above that touched the previous run last, and that run's root: when the
    // same run above touches the next run too, its root is already known.
    int32_t lastAbove = -1;
    int32_t lastRoot = -1;
    for (int32_t run = rowBegin[y]; run < rowBegin[y + 1]; ++run) {
        const int32_t reach = end[run] + 1;  // touching: start above <= e + 1, end above >= s - 1
        while (above < aboveEnd && end[above] + 1 < start[run])
            ++above;
        if (above == aboveEnd)
            break;
        if (start[above] > reach)
            continue;
        int32_t root = above == lastAbove ? lastRoot : FindRoot(above);
        int32_t k = above + 1;
        for (; k < aboveEnd && start[k] <= reach; ++k)
            root = Unite(root, FindRoot(k));
        root = Unite(root, run);  // the run is new and larger than any root above
        above = k - 1;            // the last one may touch the next run as well
        lastAbove = above;
        lastRoot = root;
    }
}

namespace {

// Writes `label` over columns s..e of a mask row.
void WriteRun(uint16_t* row, int s, int e, uint16_t label) {
    std::fill(row + s, row + e + 1, label);
}

}  // namespace

// Numbers every run's group in raster order (Group), measures each group's box and marks the
// `keep` groups with the longest diagonals as kept.
void CRunLabeller::KeepLongestGroups(int keep) {
    const int32_t* rowBegin = RowBegin.As<int32_t>();
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    const int32_t* parent = Parent.As<int32_t>();
    int32_t* group = Group.As<int32_t>();
    CGroupBox* boxes = Longest.Boxes();
    // Parents point to smaller indices, so in index order a run's parent already has its group.
    int groups = 0;
    for (int y = 0; y < Height; ++y) {
        for (int32_t i = rowBegin[y]; i < rowBegin[y + 1]; ++i) {
            if (parent[i] == i) {
                group[i] = groups;
                boxes[groups++] = {start[i], end[i], y, y, false};
                continue;
            }
            group[i] = group[parent[i]];
            CGroupBox& b = boxes[group[i]];
            b.MinX = std::min(b.MinX, start[i]);
            b.MaxX = std::max(b.MaxX, end[i]);
            b.MaxY = y;
        }
    }
    Longest.Mark(groups, keep);
}

int CRunLabeller::Finish(cv::Mat& mask, int maxLabels, BlobInfo* table) {
    const bool overLimit = Groups > maxLabels;
    if (overLimit)
        KeepLongestGroups(maxLabels);
    const int32_t* rowBegin = RowBegin.As<int32_t>();
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    const int32_t* parent = Parent.As<int32_t>();
    const int32_t* group = Group.As<int32_t>();
    const CGroupBox* boxes = Longest.Boxes();
    int32_t* labels = Label.As<int32_t>();
    int next = 1;
    for (int y = 0; y < Height; ++y) {
        uint16_t* row = mask.ptr<uint16_t>(y);
        for (int32_t i = rowBegin[y]; i < rowBegin[y + 1]; ++i) {
            const int32_t s = start[i];
            const int32_t e = end[i];
            int32_t label;
            if (parent[i] == i) {  // a group's first run: its top row
                const bool numbered = !overLimit || boxes[group[i]].Kept;
                label = numbered ? next++ : 0;
                if (table != nullptr && label != 0) {
                    BlobInfo& b = table[label - 1];
                    b = BlobInfo{0,           uint32_t(s), uint32_t(y), uint32_t(e),
                                 uint32_t(y), b.CenterX,   b.CenterY};
                    Sums.X[label - 1] = 0;
                    Sums.Y[label - 1] = 0;
                }
            } else {
                // Parents are smaller indices, so the parent's number is already known.
                label = labels[parent[i]];
            }
            labels[i] = label;
            WriteRun(row, s, e, static_cast<uint16_t>(label));
            if (table != nullptr && label != 0) {
                BlobInfo& b = table[label - 1];
                const int64_t length = int64_t(e) - s + 1;
                b.PixelCount += static_cast<int32_t>(length);
                b.MinX = std::min(b.MinX, uint32_t(s));
                b.MaxX = std::max(b.MaxX, uint32_t(e));
                b.MaxY = uint32_t(y);  // rows only grow
                Sums.X[label - 1] += (int64_t(s) + e) * length / 2;
                Sums.Y[label - 1] += int64_t(y) * length;
            }
        }
    }
    const int n = next - 1;
    if (table != nullptr)
        Sums.SetCentres(table, n);
    return n;
}

void CRunLabeller::Count(uint32_t* counts, int tableSize) const {
    std::fill(counts, counts + tableSize, 0u);
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    const int32_t* label = Label.As<int32_t>();
    for (int32_t i = 0; i < Runs; ++i)
        if (label[i] != 0)
            counts[label[i]] += static_cast<uint32_t>(end[i] - start[i] + 1);
}
