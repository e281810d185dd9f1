// AVX-512 variant of the fused row kernel: sixteen pixels per register, and the colour test
// gives its sixteen answers as a mask register, which is already the bit row. Compiled for
// AVX-512 function by function, chosen at run time like the AVX2 one.
#include "YuvKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

#include <cstring>

#define QUELTA_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))

namespace QueltaKernels {
namespace {

struct CYuv16 {
    __m512i Y, U, V;  // sixteen pixels, one component per 32-bit lane
};

// Sixteen pixels to Y, U, V with exactly the scalar YuvOf arithmetic (the same
// steps as the AVX2 kernel's Convert8, twice as wide).
QUELTA_AVX512 inline CYuv16 Convert16(__m512i px) {
    const __m512i lowBytes = _mm512_set1_epi32(0x00FF00FF);
    const __m512i br = _mm512_and_si512(px, lowBytes);                        // B | R << 16
    const __m512i ga = _mm512_and_si512(_mm512_srli_epi32(px, 8), lowBytes);  // G | A << 16
    __m512i y = _mm512_add_epi32(_mm512_madd_epi16(br, _mm512_set1_epi32((4899 << 16) | 1868)),
                                 _mm512_madd_epi16(ga, _mm512_set1_epi32(9617)));
    y = _mm512_srli_epi32(_mm512_add_epi32(y, _mm512_set1_epi32(1 << 13)), 14);
    const __m512i b = _mm512_and_si512(br, _mm512_set1_epi32(0xFFFF));
    const __m512i r = _mm512_srli_epi32(br, 16);
    const __m512i bias = _mm512_set1_epi32((128 << 14) + (1 << 13));
    const __m512i u = _mm512_srai_epi32(
        _mm512_add_epi32(_mm512_madd_epi16(_mm512_sub_epi32(b, y), _mm512_set1_epi32(8061)), bias),
        14);
    __m512i v = _mm512_srai_epi32(
        _mm512_add_epi32(_mm512_madd_epi16(_mm512_sub_epi32(r, y), _mm512_set1_epi32(14369)), bias),
        14);
    v = _mm512_min_epi32(_mm512_max_epi32(v, _mm512_setzero_si512()), _mm512_set1_epi32(255));
    return {y, u, v};
}

// Writes the 48 bytes of sixteen pixels in one masked store (nothing after them is touched).
QUELTA_AVX512 inline void Store16(uint8_t* out, const CYuv16& p) {
    const __m512i packed = _mm512_or_si512(
        p.Y, _mm512_or_si512(_mm512_slli_epi32(p.U, 8), _mm512_slli_epi32(p.V, 16)));
    const __m512i squeeze = _mm512_broadcast_i32x4(
        _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    // Twelve bytes in each 128-bit lane, then the lanes' twelve-byte pieces side by side.
    const __m512i tight = _mm512_permutexvar_epi32(
        _mm512_setr_epi32(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0, 0, 0, 0),
        _mm512_shuffle_epi8(packed, squeeze));
    _mm512_mask_storeu_epi32(out, 0x0FFF, tight);
}

// lo <= v <= hi for 0..255 lanes, as a mask; nothing when lo > hi.
QUELTA_AVX512 inline __mmask16 Inside16(__m512i v, uint8_t lo, uint8_t hi) {
    return _mm512_cmpge_epi32_mask(v, _mm512_set1_epi32(lo)) &
           _mm512_cmple_epi32_mask(v, _mm512_set1_epi32(hi));
}

// Sixteen pixels of 4 bytes (B,G,R,A), or of 3 (B,G,R) spread to one per 32-bit lane with a
// zero fourth byte (which the conversion ignores). B,G,R pixels are read with a whole 64-byte
// load where the row goes on for 16 bytes more (masked loads are slow where they cross cache
// lines, which 48-byte steps mostly do); at the row's end nothing past the pixels is read.
template <int Bytes>
QUELTA_AVX512 inline __m512i Load16(const uint8_t* px, bool roomAfter) {
    if constexpr (Bytes == 4) {
        (void)roomAfter;
        return _mm512_loadu_si512(px);
    } else {
        const __m512i packed =
            roomAfter ? _mm512_loadu_si512(px) : _mm512_maskz_loadu_epi8(0x0000FFFFFFFFFFFFull, px);
        const __m512i lanes = _mm512_permutexvar_epi32(
            _mm512_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0, 6, 7, 8, 0, 9, 10, 11, 0), packed);
        return _mm512_shuffle_epi8(lanes,
                                   _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6,
                                                                        7, 8, -1, 9, 10, 11, -1)));
    }
}

template <int Bytes>
QUELTA_AVX512 void ConvertClassifyRow16(const uint8_t* px, uint8_t* yuv, uint16_t* mask,
                                        uint64_t* bits, int n, const CColorBounds& bounds) {
    auto* bitBytes = reinterpret_cast<uint8_t*>(bits);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const CYuv16 p = Convert16(Load16<Bytes>(px + Bytes * x, x + 22 <= n));
        Store16(yuv + 3 * x, p);
        const __mmask16 in = Inside16(p.Y, bounds.lMin, bounds.lMax) &
                             Inside16(p.U, bounds.a1Min, bounds.a1Max) &
                             Inside16(p.V, bounds.a2Min, bounds.a2Max);
        if (mask != nullptr)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(mask + x), _mm256_movm_epi16(in));
        const uint16_t chunk = static_cast<uint16_t>(in);
        std::memcpy(bitBytes + x / 8, &chunk, sizeof chunk);  // little-endian word layout
    }
    ConvertClassifyTail(px, Bytes, yuv, mask, bits, x, n, bounds);
}

// Thirty-two entries per store, straight from 32 bits used as a write mask; the last
// store is masked to the row's end.
QUELTA_AVX512 void ExpandMaskRow32(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    const __m512i value = _mm512_set1_epi16(static_cast<short>(fill));
    // 32 bits at a time from the little-endian words, read as bytes (no aliasing of the
    // words through another integer type).
    const auto* bytes = reinterpret_cast<const uint8_t*>(bits);
    const auto bitsAt = [bytes](int x) {
        uint32_t chunk;
        std::memcpy(&chunk, bytes + x / 8, sizeof chunk);
        return chunk;
    };
    int x = 0;
    for (; x + 32 <= n; x += 32)
        _mm512_storeu_si512(mask + x, _mm512_maskz_mov_epi16(bitsAt(x), value));
    if (x < n) {
        const __mmask32 inside = (1u << (n - x)) - 1;  // n - x < 32
        _mm512_mask_storeu_epi16(mask + x, inside,
                                 _mm512_maskz_mov_epi16(bitsAt(x) & inside, value));
    }
}

// Sixteen columns at a time: one compress instruction packs the columns of their changes
// into sixteen entries (the ends' parity taken off after).
QUELTA_AVX512 __attribute__((target("avx512vbmi2"))) int
StripChanges16(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds, int k) {
    const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i oddEntries = _mm512_setr_epi32(0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1);
    const __m512i evenEntries = _mm512_setr_epi32(1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0);
    uint64_t carry = 0;
    for (int w = 0; w < words; ++w) {
        const uint64_t bits = bottom != nullptr ? top[w] | bottom[w] : top[w];
        const uint64_t changes = bits ^ ((bits << 1) | carry);
        carry = bits >> 63;
        if (changes == 0)
            continue;
        for (int q = 0; q < 4; ++q) {
            const auto chunk = static_cast<__mmask16>(changes >> (16 * q));
            const __m512i columns = _mm512_add_epi32(lanes, _mm512_set1_epi32(64 * w + 16 * q));
            const __m512i entries = _mm512_sub_epi32(_mm512_maskz_compress_epi32(chunk, columns),
                                                     (k & 1) != 0 ? evenEntries : oddEntries);
            _mm512_storeu_si512(bounds + k, entries);
            k += __builtin_popcount(chunk);
        }
    }
    return k;
}

bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl");
    return has;
}

}  // namespace

ConvertClassifyRowFn ConvertClassifyRowAvx512() {
    return HasAvx512() ? ConvertClassifyRow16<4> : nullptr;
}
ConvertClassifyRowFn ConvertClassifyBgrRowAvx512() {
    return HasAvx512() ? ConvertClassifyRow16<3> : nullptr;
}
ExpandMaskRowFn ExpandMaskRowAvx512() { return HasAvx512() ? ExpandMaskRow32 : nullptr; }
StripChangesFn StripChangesAvx512() {
    static const bool compress = HasAvx512() && __builtin_cpu_supports("avx512vbmi2");
    return compress ? StripChanges16 : nullptr;
}

}  // namespace QueltaKernels

#else  // other processors use the AVX2 or scalar rows

namespace QueltaKernels {
ConvertClassifyRowFn ConvertClassifyRowAvx512() { return nullptr; }
ConvertClassifyRowFn ConvertClassifyBgrRowAvx512() { return nullptr; }
ExpandMaskRowFn ExpandMaskRowAvx512() { return nullptr; }
StripChangesFn StripChangesAvx512() { return nullptr; }
}  // namespace QueltaKernels

#endif
