#include "RunLabeller.h"

#include "ColorTracker.h"

#include <algorithm>
#include <cstring>

CRunLabeller::CRunLabeller()
    : SumX(new int64_t[CColorTracker::TableSize]), SumY(new int64_t[CColorTracker::TableSize]) {}

void CRunLabeller::Reserve(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    // A row of width w holds at most (w + 1) / 2 separate runs.
    const std::size_t runs =
        CWorkBuffer::CheckedProduct({static_cast<std::size_t>(height), (static_cast<std::size_t>(width) + 1) / 2});
    if (runs > static_cast<std::size_t>(INT32_MAX))
        CWorkBuffer::NoMemory();  // run indices are int32
    if (runs > Capacity) {
        const std::size_t bytes = CWorkBuffer::CheckedProduct({runs, sizeof(int32_t)});
        Start.Allocate(bytes);
        End.Allocate(bytes);
        Parent.Allocate(bytes);
        Capacity = runs;
    }
    if (height > CapacityRows) {
        RowBegin.Allocate(CWorkBuffer::CheckedProduct({static_cast<std::size_t>(height) + 1, sizeof(int32_t)}));
        CapacityRows = height;
    }
    const std::size_t bitBytes = 8 * ((static_cast<std::size_t>(width) + 63) / 64);
    if (bitBytes > Bits.Size())
        Bits.Allocate(bitBytes);
}

void CRunLabeller::Begin(int width, int height) {
    Reserve(width, height);
    Width = width;
    Height = height;
    Runs = 0;
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
    Runs = n;
    RowBegin.As<int32_t>()[y + 1] = n;
    if (y > 0)
        JoinWithRowAbove(y);
}

void CRunLabeller::JoinWithRowAbove(int y) {
    const int32_t* rowBegin = RowBegin.As<int32_t>();
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    int32_t above = rowBegin[y - 1];
    const int32_t aboveEnd = rowBegin[y];
    for (int32_t run = rowBegin[y]; run < rowBegin[y + 1] && above < aboveEnd; ++run) {
        while (above < aboveEnd && end[above] + 1 < start[run])
            ++above;
        int32_t k = above;
        for (; k < aboveEnd && start[k] <= end[run] + 1; ++k)
            Join(run, k);
        // The last run above that touched may touch the next run of this row too.
        if (k > above)
            above = k - 1;
    }
}

int32_t CRunLabeller::Find(int32_t run) {
    int32_t* parent = Parent.As<int32_t>();
    while (parent[run] != run) {
        parent[run] = parent[parent[run]];
        run = parent[run];
    }
    return run;
}

void CRunLabeller::Join(int32_t a, int32_t b) {
    int32_t* parent = Parent.As<int32_t>();
    const int32_t ra = Find(a);
    const int32_t rb = Find(b);
    if (ra < rb)
        parent[rb] = ra;
    else if (rb < ra)
        parent[ra] = rb;
}

int CRunLabeller::Resolve(int maxLabels) {
    // Parents always point to smaller indices, so in index order a run's parent already
    // holds its number when the run is reached; the array is rewritten in place.
    int32_t* parent = Parent.As<int32_t>();
    int next = 1;
    for (int32_t i = 0; i < Runs; ++i) {
        const int32_t p = parent[i];
        if (p == i)
            parent[i] = next <= maxLabels ? next++ : 0;
        else
            parent[i] = parent[p];
    }
    return next - 1;
}

void CRunLabeller::WriteLabels(cv::Mat& mask) const {
    const int32_t* rowBegin = RowBegin.As<int32_t>();
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    const int32_t* label = Parent.As<int32_t>();
    for (int y = 0; y < Height; ++y) {
        uint16_t* row = mask.ptr<uint16_t>(y);
        for (int32_t i = rowBegin[y]; i < rowBegin[y + 1]; ++i)
            std::fill(row + start[i], row + end[i] + 1, static_cast<uint16_t>(label[i]));
    }
}

void CRunLabeller::Measure(BlobInfo* table, int n) const {
    for (int r = 0; r < n; ++r) {
        table[r].PixelCount = 0;
        table[r].MinX = static_cast<uint32_t>(Width);
        table[r].MinY = static_cast<uint32_t>(Height);
        table[r].MaxX = 0;
        table[r].MaxY = 0;
        SumX[r] = 0;
        SumY[r] = 0;
    }
    const int32_t* rowBegin = RowBegin.As<int32_t>();
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    const int32_t* label = Parent.As<int32_t>();
    for (int y = 0; y < Height; ++y) {
        for (int32_t i = rowBegin[y]; i < rowBegin[y + 1]; ++i) {
            if (label[i] == 0)
                continue;
            BlobInfo& b = table[label[i] - 1];
            const int64_t s = start[i];
            const int64_t e = end[i];
            const int64_t length = e - s + 1;
            b.PixelCount += static_cast<int32_t>(length);
            b.MinX = std::min(b.MinX, static_cast<uint32_t>(s));
            b.MaxX = std::max(b.MaxX, static_cast<uint32_t>(e));
            b.MinY = std::min(b.MinY, static_cast<uint32_t>(y));
            b.MaxY = static_cast<uint32_t>(y);  // rows only grow
            SumX[label[i] - 1] += (s + e) * length / 2;
            SumY[label[i] - 1] += y * length;
        }
    }
    for (int r = 0; r < n; ++r) {
        if (table[r].PixelCount > 0) {
            table[r].CenterX = static_cast<float>(static_cast<double>(SumX[r]) / table[r].PixelCount);
            table[r].CenterY = static_cast<float>(static_cast<double>(SumY[r]) / table[r].PixelCount);
        }
    }
}

void CRunLabeller::Count(uint32_t* counts, int tableSize) const {
    std::fill(counts, counts + tableSize, 0u);
    const int32_t* start = Start.As<int32_t>();
    const int32_t* end = End.As<int32_t>();
    const int32_t* label = Parent.As<int32_t>();
    for (int32_t i = 0; i < Runs; ++i)
        if (label[i] != 0)
            counts[label[i]] += static_cast<uint32_t>(end[i] - start[i] + 1);
}
