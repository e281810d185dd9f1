// The scalar kernels: every processor runs them, and the vector kernels use their row tails.
#include "Kernels.h"
#include "RowBodies.h"
#include "RowSums.h"

#include <cstddef>
#include <cstring>

namespace QueltaKernels {

void ConvertClassifyTail(const uint8_t* pixels, int bytes, uint8_t* yuv, uint16_t* mask,
                         uint64_t* bits, int from, int n, const CColorBounds& bounds) {
    auto* bitBytes = reinterpret_cast<uint8_t*>(bits);
    const size_t wordBytes = 8 * ((static_cast<size_t>(n) + 63) / 64);
    std::memset(bitBytes + from / 8, 0, wordBytes - from / 8);
    for (int x = from; x < n; ++x) {
        const uint8_t* px = pixels + static_cast<size_t>(bytes) * x;
        const CYuv p = YuvOf(px[0], px[1], px[2]);
        uint8_t* out = yuv + 3 * static_cast<size_t>(x);
        out[0] = p.Y;
        out[1] = p.U;
        out[2] = p.V;
        const bool in = bounds.Accepts(out);
        if (mask != nullptr)
            mask[x] = in ? 0xFFFF : 0;
        bits[x >> 6] |= static_cast<uint64_t>(in) << (x & 63);
    }
}

namespace {

void ConvertClassifyRow(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits, int n,
                        const CColorBounds& bounds) {
    ConvertClassifyTail(bgra, 4, yuv, mask, bits, 0, n, bounds);
}

void ConvertClassifyBgrRow(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits, int n,
                           const CColorBounds& bounds) {
    ConvertClassifyTail(bgr, 3, yuv, mask, bits, 0, n, bounds);
}

void ExpandMaskRow(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    for (int x = 0; x < n; ++x)
        mask[x] = (bits[x >> 6] >> (x & 63)) & 1 ? fill : 0;
}

void LabelRowPart(uint16_t* row, int x0, int x1, int /*width*/, uint16_t label) {
    for (int x = x0; x <= x1; ++x)
        row[x] = row[x] != 0 ? label : 0;
}

int StripChanges(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds, int k) {
    return StripChangesBody(top, bottom, words, bounds, k);
}

int FlattenStrip(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk, int32_t* others,
                 CBulkRuns& bulkRuns) {
    // No branch: on the frames where this is hot, most runs are the bulk's. (Indices
    // pointer-sized: they index the tables without a widening.)
    std::ptrdiff_t listed = 0, first = -1, last = -1;
    for (std::ptrdiff_t i = begin; i < stop; ++i) {
        const std::ptrdiff_t root = parent[parent[i]];
        parent[i] = static_cast<int32_t>(root);
        const std::ptrdiff_t inBulk = -static_cast<std::ptrdiff_t>(root == bulk);
        others[listed] = static_cast<int32_t>(i);
        listed += 1 + inBulk;
        const std::ptrdiff_t firstMet = inBulk & (first >> 63);  // (first is -1 until then)
        first = (i & firstMet) | (first & ~firstMet);
        last = (i & inBulk) | (last & ~inBulk);
    }
    bulkRuns = {static_cast<int32_t>(first), static_cast<int32_t>(last)};
    return static_cast<int>(listed);
}

CRowSum CountRow(const uint64_t* row, int words) {
    return words > 0 ? CountRowPart(row, 0, 64 * words - 1) : CRowSum{};
}

}  // namespace

const CKernelSet ScalarKernels{
    "scalar",     ConvertClassifyRow, ConvertClassifyBgrRow, ExpandMaskRow,
    LabelRowPart, StripChanges,       FlattenStrip,          CountRow};

}  // namespace QueltaKernels
