#include "YuvKernels.h"

#include <cstddef>
#include <cstring>

namespace QueltaKernels {

void ConvertRowScalar(const uint8_t* bgra, uint8_t* yuv, int n) {
    for (int x = 0; x < n; ++x, bgra += 4, yuv += 3) {
        const CYuv p = YuvOf(bgra[0], bgra[1], bgra[2]);
        yuv[0] = p.Y;
        yuv[1] = p.U;
        yuv[2] = p.V;
    }
}

void ConvertClassifyRowScalar(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                              int n, const CColorBounds& bounds) {
    ConvertClassifyTail(bgra, 4, yuv, mask, bits, 0, n, bounds);
}

void ConvertClassifyBgrRowScalar(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                                 int n, const CColorBounds& bounds) {
    ConvertClassifyTail(bgr, 3, yuv, mask, bits, 0, n, bounds);
}

void ExpandMaskRowScalar(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    for (int x = 0; x < n; ++x)
        mask[x] = (bits[x >> 6] >> (x & 63)) & 1 ? fill : 0;
}

// Built twice, with and without the processor's population count, chosen when the program
// loads.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("popcnt", "default")))
#endif
int StripChangesScalar(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds,
                       int k) {
    uint64_t carry = 0;
    for (int w = 0; w < words; ++w) {
        const uint64_t bits = bottom != nullptr ? top[w] | bottom[w] : top[w];
        uint64_t changes = bits ^ ((bits << 1) | carry);
        carry = bits >> 63;
        // Eight entries at a time, whether or not the word has that many changes: the
        // next word's entries overwrite the extra ones. That spares a branch on every
        // change, which noise would make guess wrong.
        const int count = __builtin_popcountll(changes);
        const int base = 64 * w;
        const int oddFirst = k & 1;
        int32_t* out = bounds + k;
        for (int done = 0; done < count; done += 8, out += 8)
            for (int m = 0; m < 8; ++m) {
                // (bit 63 keeps the count defined once no change is left)
                out[m] = base + __builtin_ctzll(changes | (1ULL << 63)) - ((oddFirst + m) & 1);
                changes &= changes - 1;
            }
        k += count;
    }
    return k;
}

int FlattenStripScalar(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk, int32_t* others,
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
        const bool in = Accepts(bounds, out);
        if (mask != nullptr)
            mask[x] = in ? 0xFFFF : 0;
        bits[x >> 6] |= static_cast<uint64_t>(in) << (x & 63);
    }
}

ConvertRowFn ConvertRow() {
    static const ConvertRowFn best = ConvertRowAvx2() ? ConvertRowAvx2() : ConvertRowScalar;
    return best;
}

ConvertClassifyRowFn ConvertClassifyRow() {
    static const ConvertClassifyRowFn best = ConvertClassifyRowAvx512() ? ConvertClassifyRowAvx512()
                                             : ConvertClassifyRowAvx2() ? ConvertClassifyRowAvx2()
                                                                        : ConvertClassifyRowScalar;
    return best;
}

ConvertClassifyRowFn ConvertClassifyBgrRow() {
    static const ConvertClassifyRowFn best =
        ConvertClassifyBgrRowAvx512() ? ConvertClassifyBgrRowAvx512()
        : ConvertClassifyBgrRowAvx2() ? ConvertClassifyBgrRowAvx2()
                                      : ConvertClassifyBgrRowScalar;
    return best;
}

ExpandMaskRowFn ExpandMaskRow() {
    static const ExpandMaskRowFn best = ExpandMaskRowAvx512() ? ExpandMaskRowAvx512()
                                        : ExpandMaskRowAvx2() ? ExpandMaskRowAvx2()
                                                              : ExpandMaskRowScalar;
    return best;
}

StripChangesFn StripChanges() {
    static const StripChangesFn best =
        StripChangesAvx512() ? StripChangesAvx512() : StripChangesScalar;
    return best;
}

FlattenStripFn FlattenStrip() {
    static const FlattenStripFn best =
        FlattenStripAvx512() ? FlattenStripAvx512() : FlattenStripScalar;
    return best;
}

}  // namespace QueltaKernels
