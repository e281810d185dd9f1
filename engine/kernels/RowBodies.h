#pragma once
#include "Kernels.h"

#include <cstdint>

// Bodies that the scalar set and the vector sets compile alike, each for its own instruction
// set: with the processor's population count they are the vector sets' forms.
namespace QueltaKernels {

[[gnu::always_inline]] inline int StripChangesBody(const uint64_t* top, const uint64_t* bottom,
                                                   int words, int32_t* bounds, int k) {
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

// The column sum adds each bit of the position separately: 2^b times the pixels whose column
// has bit b set.
[[gnu::always_inline]] inline CRowSum CountRowBody(const uint64_t* row, int words) {
    constexpr uint64_t positionBit[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
                                         0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull,
                                         0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
    CRowSum sum;
    for (int w = 0; w < words; ++w) {
        const uint64_t word = row[w];
        const int count = __builtin_popcountll(word);
        int64_t columns = int64_t(64) * w * count;
        for (int b = 0; b < 6; ++b)
            columns += int64_t(__builtin_popcountll(word & positionBit[b])) << b;
        sum.Count += count;
        sum.SumX += columns;
    }
    return sum;
}

}  // namespace QueltaKernels
