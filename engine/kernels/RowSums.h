#pragma once
#include "Kernels.h"

#include <algorithm>
#include <array>
#include <cstdint>

// Counting the set bits of bit rows, and the sum of their columns, without the processor's
// population count: a table per byte value.
namespace QueltaKernels {

inline uint64_t BitsFrom(int x) { return ~0ULL << (x & 63); }
inline uint64_t BitsUpTo(int x) { return ~0ULL >> (63 - (x & 63)); }

// Per byte value: how many bits are set, the sum of their positions (0..7) and of their squares.
struct CByteSums {
    std::array<uint8_t, 256> Count{};
    std::array<uint8_t, 256> Positions{};
    std::array<uint8_t, 256> Squares{};
    constexpr CByteSums() {
        for (int v = 0; v < 256; ++v)
            for (int b = 0; b < 8; ++b)
                if ((v >> b) & 1) {
                    ++Count[v];
                    Positions[v] = uint8_t(Positions[v] + b);
                    Squares[v] = uint8_t(Squares[v] + b * b);
                }
    }
};
inline constexpr CByteSums ByteSums;

// Bits x0..x1 of a row (x0 <= x1).
inline CRowSum CountRowPart(const uint64_t* row, int x0, int x1) {
    CRowSum part;
    for (int w = x0 >> 6; w <= x1 >> 6; ++w) {
        const int lo = std::max(x0, 64 * w);
        const int hi = std::min(x1, 64 * w + 63);
        const uint64_t range = BitsFrom(lo) & BitsUpTo(hi);
        uint64_t word = row[w] & range;
        if (word == range) {  // solid: the usual case inside a blob
            part.Count += hi - lo + 1;
            part.SumX += (int64_t(lo) + hi) * (hi - lo + 1) / 2;
            continue;
        }
        for (int base = 64 * w; word != 0; word >>= 8, base += 8) {
            const unsigned byte = word & 0xFF;
            const int count = ByteSums.Count[byte];
            part.Count += count;
            part.SumX += ByteSums.Positions[byte] + int64_t(base) * count;
        }
    }
    return part;
}

// Bits x0..x1 of a row with the sum of their columns' squares too.
struct CRowMoments {
    int64_t Count = 0, SumX = 0, SumXX = 0;
};

// 0^2 + 1^2 + ... + x^2 (0 for x < 1).
inline int64_t SquaresUpTo(int64_t x) { return x < 1 ? 0 : x * (x + 1) * (2 * x + 1) / 6; }

inline CRowMoments RowPartMoments(const uint64_t* row, int x0, int x1) {
    CRowMoments m;
    for (int w = x0 >> 6; w <= x1 >> 6; ++w) {
        const int lo = std::max(x0, 64 * w);
        const int hi = std::min(x1, 64 * w + 63);
        const uint64_t range = BitsFrom(lo) & BitsUpTo(hi);
        uint64_t word = row[w] & range;
        if (word == range) {  // solid: the usual case inside a mark
            const int64_t n = hi - lo + 1;
            m.Count += n;
            m.SumX += (int64_t(lo) + hi) * n / 2;
            m.SumXX += SquaresUpTo(hi) - SquaresUpTo(lo - 1);
            continue;
        }
        // A byte at column base holds sum (base + p)^2 = n base^2 + 2 base sum p + sum p^2.
        for (int64_t base = 64 * w; word != 0; word >>= 8, base += 8) {
            const unsigned byte = word & 0xFF;
            const int64_t count = ByteSums.Count[byte], positions = ByteSums.Positions[byte];
            m.Count += count;
            m.SumX += base * count + positions;
            m.SumXX += count * base * base + 2 * base * positions + ByteSums.Squares[byte];
        }
    }
    return m;
}

}  // namespace QueltaKernels
