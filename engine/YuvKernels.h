#pragma once
#include "TrackingBounds.h"

#include <cstdint>

// Per-row conversion of B,G,R,A pixels to packed Y,U,V bytes, optionally fused with the
// colour classification. The arithmetic is the fixed-point BT.601 form that
// cv::cvtColor(COLOR_BGR2YUV) uses for 8-bit images, so the bytes are the same:
//
//   Y = (1868 B + 9617 G + 4899 R + 2^13) >> 14
//   U = ((B - Y) * 8061  + 128 * 2^14 + 2^13) >> 14          always within 3..253
//   V = ((R - Y) * 14369 + 128 * 2^14 + 2^13) >> 14, clamped to 0..255
//
// Beside them, the labeller's vectorised pieces: mask rows from bit rows, a strip's run
// bounds from its bit rows, and pointing a strip's runs at their roots. Each comes as a
// scalar variant and the best one this processor runs.
namespace QueltaKernels {

struct CYuv {
    uint8_t Y, U, V;
};

inline CYuv YuvOf(int b, int g, int r) {
    const int y = (b * 1868 + g * 9617 + r * 4899 + (1 << 13)) >> 14;
    const int u = ((b - y) * 8061 + (128 << 14) + (1 << 13)) >> 14;
    int v = ((r - y) * 14369 + (128 << 14) + (1 << 13)) >> 14;
    v = v < 0 ? 0 : (v > 255 ? 255 : v);
    return {static_cast<uint8_t>(y), static_cast<uint8_t>(u), static_cast<uint8_t>(v)};
}

inline bool Accepts(const CColorBounds& b, const uint8_t* yuv) {
    return b.lMin <= yuv[0] && yuv[0] <= b.lMax && b.a1Min <= yuv[1] && yuv[1] <= b.a1Max &&
           b.a2Min <= yuv[2] && yuv[2] <= b.a2Max;
}

// n pixels: bgra (4n bytes) -> yuv (3n bytes).
using ConvertRowFn = void (*)(const uint8_t* bgra, uint8_t* yuv, int n);

// n pixels (4 bytes B,G,R,A each; 3 bytes B,G,R for the Bgr variants): writes yuv (3n bytes),
// mask (n entries, 0 or 0xFFFF; none when mask is null) and bits
// ((n + 63) / 64 words; bit x of the row is bit x % 64 of word x / 64, bits past n are 0).
using ConvertClassifyRowFn = void (*)(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask,
                                      uint64_t* bits, int n, const CColorBounds& bounds);

// n mask entries from a bit row: `fill` where the bit is set, 0 elsewhere.
using ExpandMaskRowFn = void (*)(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill);

// The changes between 0 and 1 along the bits of top | bottom (bottom may be null), `words`
// words of each: entry j of `bounds`, from j = k on, gets the column of the next change,
// less 1 when j is odd (so, with k even, even entries are the first columns of runs and
// odd entries their last columns). Returns the k after the last change written; up to
// StripChangesSlack entries after it may be overwritten. A 1 in the last bit of the last
// word has no change after it.
using StripChangesFn = int (*)(const uint64_t* top, const uint64_t* bottom, int words,
                               int32_t* bounds, int k);
inline constexpr int StripChangesSlack = 16;

// Points runs begin..stop-1 at their roots: parent[i] = parent[parent[i]], in order (parents
// are smaller indices, whose entries point at roots already once those before are done).
// Lists the runs whose root is not `bulk` in `others` and returns how many (up to
// StripChangesSlack entries after them may be overwritten); first and last get the first and
// last run whose root is `bulk`, or -1.
struct CBulkRuns {
    int32_t First = -1, Last = -1;
};
using FlattenStripFn = int (*)(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk,
                               int32_t* others, CBulkRuns& bulkRuns);

// The best variants this processor runs.
ConvertRowFn ConvertRow();
ConvertClassifyRowFn ConvertClassifyRow();
ConvertClassifyRowFn ConvertClassifyBgrRow();
ExpandMaskRowFn ExpandMaskRow();
StripChangesFn StripChanges();
FlattenStripFn FlattenStrip();

// The vector variants' last pixels (`bytes` per pixel, 4 or 3), from column `from` (a
// multiple of 8) to n: the bit row's words from there on are cleared first.
void ConvertClassifyTail(const uint8_t* pixels, int bytes, uint8_t* yuv, uint16_t* mask,
                         uint64_t* bits, int from, int n, const CColorBounds& bounds);

// Each variant on its own, so all can be checked; a vector variant is null where the
// processor lacks its instructions.
void ConvertRowScalar(const uint8_t* bgra, uint8_t* yuv, int n);
void ConvertClassifyRowScalar(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                              int n, const CColorBounds& bounds);
ConvertRowFn ConvertRowAvx2();
ConvertClassifyRowFn ConvertClassifyRowAvx2();
ConvertClassifyRowFn ConvertClassifyRowAvx512();
void ConvertClassifyBgrRowScalar(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                                 int n, const CColorBounds& bounds);
ConvertClassifyRowFn ConvertClassifyBgrRowAvx2();
ConvertClassifyRowFn ConvertClassifyBgrRowAvx512();
void ExpandMaskRowScalar(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill);
ExpandMaskRowFn ExpandMaskRowAvx2();
ExpandMaskRowFn ExpandMaskRowAvx512();
int StripChangesScalar(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds,
                       int k);
StripChangesFn StripChangesAvx512();
int FlattenStripScalar(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk, int32_t* others,
                       CBulkRuns& bulkRuns);
FlattenStripFn FlattenStripAvx512();

}  // namespace QueltaKernels
