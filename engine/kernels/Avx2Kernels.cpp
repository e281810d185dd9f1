// The AVX2 set's own kernels, compiled for AVX2 (or SSE2 and the population count) function by
// function, so the rest of the engine keeps the baseline instruction set.
#include "X86Parts.h"

#if defined(__x86_64__)

#include "RowBodies.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#define QUELTA_AVX2 __attribute__((target("avx2")))

namespace QueltaKernels::X86 {
namespace {

// Eight B,G,R,A pixels (a zero fourth byte for B,G,R) to Y | U << 8 | V << 24 in each 32-bit
// lane (byte 2 is 0), with exactly the scalar YuvOf arithmetic. U and V come from one
// multiply-high with rounding: with d = B - Y (or R - Y) in 16 bits and k its factor,
// mulhrs(d, 2k) = (d * 2k + 2^14) >> 15 = (d * k + 2^13) >> 14.
QUELTA_AVX2 inline __m256i Convert8(__m256i px) {
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
    const __m256i br = _mm256_and_si256(px, lowBytes);                        // B | R << 16
    const __m256i ga = _mm256_and_si256(_mm256_srli_epi32(px, 8), lowBytes);  // G | A << 16
    __m256i y = _mm256_add_epi32(_mm256_madd_epi16(br, _mm256_set1_epi32((4899 << 16) | 1868)),
                                 _mm256_madd_epi16(ga, _mm256_set1_epi32(9617)));
    y = _mm256_srli_epi32(_mm256_add_epi32(y, _mm256_set1_epi32(1 << 13)), 14);
    // Y in both 16-bit halves, then (B - Y) | (R - Y) << 16, each within +-255.
    const __m256i twice = _mm256_shuffle_epi8(
        y, _mm256_setr_epi8(0, -1, 0, -1, 4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1, 0, -1, 0, -1,
                            4, -1, 4, -1, 8, -1, 8, -1, 12, -1, 12, -1));
    const __m256i differences = _mm256_sub_epi16(br, twice);
    __m256i uv = _mm256_mulhrs_epi16(differences, _mm256_set1_epi32((2 * 14369 << 16) | 2 * 8061));
    uv = _mm256_add_epi16(uv, _mm256_set1_epi16(128));
    uv = _mm256_min_epi16(_mm256_max_epi16(uv, _mm256_setzero_si256()), _mm256_set1_epi16(255));
    return _mm256_or_si256(y, _mm256_slli_epi32(uv, 8));
}

// The 24 bytes of eight pixels, in the low 12 bytes of each 128-bit half.
QUELTA_AVX2 inline __m256i Tight8(__m256i packed) {
    const __m256i squeeze =
        _mm256_setr_epi8(0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15, -1, -1, -1, -1, 0, 1, 3, 4, 5, 7,
                         8, 9, 11, 12, 13, 15, -1, -1, -1, -1);
    return _mm256_shuffle_epi8(packed, squeeze);
}

// Writes the 24 bytes of eight pixels, and up to 4 bytes of garbage after them that
// the next store (or the caller's slack) absorbs.
QUELTA_AVX2 inline void Store8(uint8_t* out, __m256i packed) {
    const __m256i tight = Tight8(packed);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(tight));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm256_extracti128_si256(tight, 1));
}

// Store8 without the garbage: the last 12 bytes go as 8 and 4.
QUELTA_AVX2 inline void Store8Exact(uint8_t* out, __m256i packed) {
    const __m256i tight = Tight8(packed);
    const __m128i high = _mm256_extracti128_si256(tight, 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(tight));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), high);
    const uint32_t last = static_cast<uint32_t>(_mm_extract_epi32(high, 2));
    std::memcpy(out + 20, &last, sizeof last);
}

// The colour test on the packed bytes of eight pixels: a byte below its lower bound or above
// its upper bound leaves a non-zero difference (which also rejects everything when a lower
// bound is above its upper bound); byte 2, always 0, is inside 0..255.
struct CPackedBounds {
    __m256i Low, High;
};

QUELTA_AVX2 inline __m256i LanesOf(uint32_t y, uint32_t u, uint32_t filler, uint32_t v) {
    return _mm256_set1_epi32(static_cast<int>(y | u << 8 | filler << 16 | v << 24));
}

QUELTA_AVX2 inline CPackedBounds PackedBoundsOf(const CColorBounds& b) {
    return {LanesOf(b.lMin, b.a1Min, 0, b.a2Min), LanesOf(b.lMax, b.a1Max, 255, b.a2Max)};
}

QUELTA_AVX2 inline __m256i Inside(__m256i packed, const CPackedBounds& b) {
    const __m256i outside =
        _mm256_or_si256(_mm256_subs_epu8(b.Low, packed), _mm256_subs_epu8(packed, b.High));
    return _mm256_cmpeq_epi32(outside, _mm256_setzero_si256());
}

QUELTA_AVX2 inline __m256i Load8(const uint8_t* bgra) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bgra));
}

// Eight pixels of 3 bytes (B,G,R), one per 32-bit lane with a zero fourth byte (which the
// conversion ignores): a whole 32-byte load where the row goes on for 8 bytes more, otherwise
// a masked one that reads nothing past the pixels.
QUELTA_AVX2 inline __m256i Load8Bgr(const uint8_t* bgr, bool roomAfter) {
    const __m256i packed =
        roomAfter ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bgr))
                  : _mm256_maskload_epi32(reinterpret_cast<const int*>(bgr),
                                          _mm256_setr_epi32(-1, -1, -1, -1, -1, -1, 0, 0));
    const __m256i lanes =
        _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0));
    return _mm256_shuffle_epi8(lanes, _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10,
                                                       11, -1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8,
                                                       -1, 9, 10, 11, -1));
}

template <int Bytes>
QUELTA_AVX2 inline __m256i LoadPixels8(const uint8_t* px, bool roomAfter) {
    if constexpr (Bytes == 4)
        return Load8(px);
    else
        return Load8Bgr(px, roomAfter);
}

template <int Bytes>
QUELTA_AVX2 void ConvertClassifyRowImpl(const uint8_t* px, uint8_t* yuv, uint16_t* mask,
                                        uint64_t* bits, int n, const CColorBounds& bounds) {
    const CPackedBounds packedBounds = PackedBoundsOf(bounds);
    auto* bitBytes = reinterpret_cast<uint8_t*>(bits);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m256i a = Convert8(LoadPixels8<Bytes>(px + Bytes * x, true));
        const __m256i b = Convert8(LoadPixels8<Bytes>(px + Bytes * (x + 8), x + 19 <= n));
        Store8(yuv + 3 * x, a);
        Store8Exact(yuv + 3 * x + 24, b);  // its garbage would pass the row's end
        const __m256i inA = Inside(a, packedBounds);
        const __m256i inB = Inside(b, packedBounds);
        if (mask != nullptr) {
            // packs interleaves the 128-bit halves; the permute puts the 16 entries in order.
            const __m256i entries = _mm256_permute4x64_epi64(_mm256_packs_epi32(inA, inB), 0xD8);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(mask + x), entries);
        }
        const uint16_t chunk =
            static_cast<uint16_t>(_mm256_movemask_ps(_mm256_castsi256_ps(inA)) |
                                  (_mm256_movemask_ps(_mm256_castsi256_ps(inB)) << 8));
        std::memcpy(bitBytes + x / 8, &chunk, sizeof chunk);  // little-endian word layout
    }
    ConvertClassifyTail(px, Bytes, yuv, mask, bits, x, n, bounds);
}

// Sixteen entries per store: the 16 bits spread over the lanes, each lane keeping its own.
QUELTA_AVX2 void ExpandMaskRow16(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    const __m256i value = _mm256_set1_epi16(static_cast<short>(fill));
    const __m256i lane = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096,
                                           8192, 16384, -32768);
    const auto* bytes = reinterpret_cast<const uint8_t*>(bits);  // little-endian words
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        uint16_t chunk;  // read as bytes: no aliasing of the words through another type
        std::memcpy(&chunk, bytes + x / 8, sizeof chunk);
        const __m256i spread = _mm256_and_si256(_mm256_set1_epi16(short(chunk)), lane);
        const __m256i set = _mm256_cmpeq_epi16(spread, lane);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mask + x), _mm256_and_si256(set, value));
    }
    for (; x < n; ++x)
        mask[x] = (bits[x >> 6] >> (x & 63)) & 1 ? fill : 0;
}

// Thirty-two pixels' Y, U, V bytes apart, from 96 packed bytes: pixels 0-15 in the low half of
// each register, 16-31 in the high half, so one in-lane byte shuffle serves both.
struct CPlanes32 {
    __m256i Y, U, V;
};

QUELTA_AVX2 inline __m256i LoadHalves(const uint8_t* low, const uint8_t* high) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// One plane from the three 16-byte parts of 16 pixels: each part's shuffle takes its bytes.
QUELTA_AVX2 inline __m256i Plane(__m256i a, __m256i b, __m256i c, __m128i fromA, __m128i fromB,
                                 __m128i fromC) {
    return _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(a, _mm256_broadcastsi128_si256(fromA)),
                        _mm256_shuffle_epi8(b, _mm256_broadcastsi128_si256(fromB))),
        _mm256_shuffle_epi8(c, _mm256_broadcastsi128_si256(fromC)));
}

QUELTA_AVX2 inline CPlanes32 Planes32(const uint8_t* yuv) {
    const __m256i a = LoadHalves(yuv, yuv + 48), b = LoadHalves(yuv + 16, yuv + 64),
                  c = LoadHalves(yuv + 32, yuv + 80);
    const auto m = [](auto... i) { return _mm_setr_epi8(static_cast<char>(i)...); };
    constexpr int z = -1;
    return {Plane(a, b, c, m(0, 3, 6, 9, 12, 15, z, z, z, z, z, z, z, z, z, z),
                  m(z, z, z, z, z, z, 2, 5, 8, 11, 14, z, z, z, z, z),
                  m(z, z, z, z, z, z, z, z, z, z, z, 1, 4, 7, 10, 13)),
            Plane(a, b, c, m(1, 4, 7, 10, 13, z, z, z, z, z, z, z, z, z, z, z),
                  m(z, z, z, z, z, 0, 3, 6, 9, 12, 15, z, z, z, z, z),
                  m(z, z, z, z, z, z, z, z, z, z, z, 2, 5, 8, 11, 14)),
            Plane(a, b, c, m(2, 5, 8, 11, 14, z, z, z, z, z, z, z, z, z, z, z),
                  m(z, z, z, z, z, 1, 4, 7, 10, 13, z, z, z, z, z, z),
                  m(z, z, z, z, z, z, z, z, z, z, 0, 3, 6, 9, 12, 15))};
}

// Bytes outside lo..hi leave a non-zero difference (all of them when lo > hi).
QUELTA_AVX2 inline __m256i Outside(__m256i v, uint8_t lo, uint8_t hi) {
    return _mm256_or_si256(_mm256_subs_epu8(_mm256_set1_epi8(static_cast<char>(lo)), v),
                           _mm256_subs_epu8(v, _mm256_set1_epi8(static_cast<char>(hi))));
}

QUELTA_AVX2 void ClassifyRows32(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                                uint64_t* const* bits) {
    const int whole = n / 64 * 64;
    for (int x = 0; x < whole; x += 32) {
        const CPlanes32 p = Planes32(yuv + 3 * x);
        for (int c = 0; c < colours; ++c) {
            const CColorBounds& b = bounds[c];
            const __m256i outside = _mm256_or_si256(
                Outside(p.Y, b.lMin, b.lMax),
                _mm256_or_si256(Outside(p.U, b.a1Min, b.a1Max), Outside(p.V, b.a2Min, b.a2Max)));
            const auto in = static_cast<uint32_t>(
                _mm256_movemask_epi8(_mm256_cmpeq_epi8(outside, _mm256_setzero_si256())));
            std::memcpy(reinterpret_cast<uint8_t*>(bits[c]) + x / 8, &in, sizeof in);
        }
    }
    ClassifyRowsFrom(whole, yuv, n, bounds, colours, bits);
}

}  // namespace

void ClassifyRowsAvx2(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                      uint64_t* const* bits) {
    ClassifyRows32(yuv, n, bounds, colours, bits);
}

void ConvertClassifyRowAvx2(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                            int n, const CColorBounds& bounds) {
    ConvertClassifyRowImpl<4>(bgra, yuv, mask, bits, n, bounds);
}

void ConvertClassifyBgrRowAvx2(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                               int n, const CColorBounds& bounds) {
    ConvertClassifyRowImpl<3>(bgr, yuv, mask, bits, n, bounds);
}

void ExpandMaskRowAvx2(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    ExpandMaskRow16(bits, mask, n, fill);
}

// Eight entries per step where the row allows (SSE2: every x86-64 has it).
void LabelRowPartSse2(uint16_t* row, int x0, int x1, int width, uint16_t label) {
    int x = x0;
    const __m128i value = _mm_set1_epi16(static_cast<short>(label));
    const __m128i lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i zero = _mm_setzero_si128();
    for (; x <= x1 && x + 8 <= width; x += 8) {
        const __m128i take =
            _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(std::min(x1 - x + 1, 8))), lanes);
        auto* at = reinterpret_cast<__m128i*>(row + x);
        const __m128i old = _mm_loadu_si128(at);
        // Lanes to write: inside the part and not 0.
        const __m128i write = _mm_andnot_si128(_mm_cmpeq_epi16(old, zero), take);
        _mm_storeu_si128(at,
                         _mm_or_si128(_mm_and_si128(write, value), _mm_andnot_si128(take, old)));
    }
    for (; x <= x1; ++x)
        row[x] = row[x] != 0 ? label : 0;
}

__attribute__((target("popcnt"))) int
StripChangesPopcnt(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds, int k) {
    return StripChangesBody(top, bottom, words, bounds, k);
}

__attribute__((target("popcnt"))) CRowSum CountRowPopcnt(const uint64_t* row, int words) {
    return CountRowBody(row, words);
}

}  // namespace QueltaKernels::X86

#endif
