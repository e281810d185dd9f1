// The AVX-512 set's own kernels: the fused row kernel (sixteen pixels per register, the colour
// tested on their packed Y,U,V bytes and the answers gathered into the bit row), mask rows from
// bit rows, a strip's run bounds from its changes and pointing a strip's runs at their roots.
// Compiled for AVX-512 function by function.
#include "X86Parts.h"

#if defined(__x86_64__)

// GCC 12's AVX-512 header makes its "undefined" vectors from themselves and then warns
// about them wherever they are inlined (GCC bug 105593).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstring>

#define QUELTA_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))
#define QUELTA_AVX512_VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,bmi2")))

namespace QueltaKernels::X86 {
namespace {

struct CYuv16 {
    __m512i Y, U, V;  // sixteen pixels, one component per 32-bit lane
};

// Sixteen pixels to Y, U, V with exactly the scalar YuvOf arithmetic (the same steps as
// the AVX2 kernel's Convert8, twice as wide), from B | R << 16 and G in each 32-bit lane.
QUELTA_AVX512 inline CYuv16 Convert16(__m512i br, __m512i g) {
    __m512i y = _mm512_add_epi32(_mm512_madd_epi16(br, _mm512_set1_epi32((4899 << 16) | 1868)),
                                 _mm512_madd_epi16(g, _mm512_set1_epi32(9617)));
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

// Byte indices for the byte permutes below: entry j of the result takes byte f(j).
template <typename F>
QUELTA_AVX512 inline __m512i ByteIndices(F f) {
    alignas(64) uint8_t index[64];
    for (int j = 0; j < 64; ++j)
        index[j] = static_cast<uint8_t>(f(j) & 127);  // (one-register permutes use 6 bits)
    return _mm512_load_si512(index);
}

// The lanes B | R << 16 and G of sixteen pixels of 4 bytes (B,G,R,A) or 3 (B,G,R), each put
// in place by one byte permute. B,G,R pixels are read with a whole 64-byte load where the
// row goes on for 16 bytes more (masked loads are slow where they cross cache lines, which
// 48-byte steps mostly do); at the row's end nothing past the pixels is read.
template <int Bytes>
struct CLoad16 {
    __m512i FromBr, FromG;  // where each lane's bytes come from
    QUELTA_AVX512_VBMI CLoad16()
        : FromBr(ByteIndices([](int j) { return Bytes * (j / 4) + j % 4; })),
          FromG(ByteIndices([](int j) { return Bytes * (j / 4) + 1; })) {}

    QUELTA_AVX512_VBMI void operator()(const uint8_t* px, bool roomAfter, __m512i& br,
                                       __m512i& g) const {
        const __m512i raw = Bytes == 4 || roomAfter
                                ? _mm512_loadu_si512(px)
                                : _mm512_maskz_loadu_epi8(0x0000FFFFFFFFFFFFull, px);
        br = _mm512_maskz_permutexvar_epi8(0x5555555555555555ull, FromBr, raw);  // bytes 0, 2
        g = _mm512_maskz_permutexvar_epi8(0x1111111111111111ull, FromG, raw);    // byte 0
    }
};

// The sixteen pixels' Y | U << 8 | V << 16, and in their first 48 bytes Y,U,V packed.
QUELTA_AVX512 inline __m512i Packed16(const CYuv16& p) {
    return _mm512_ternarylogic_epi32(p.Y, _mm512_slli_epi32(p.U, 8), _mm512_slli_epi32(p.V, 16),
                                     0xFE);  // a | b | c
}

// Four bytes in every 32-bit lane.
QUELTA_AVX512 inline __m512i BytesOf(uint32_t b0, uint32_t b1, uint32_t b2, uint32_t b3) {
    return _mm512_set1_epi32(static_cast<int>(b0 | b1 << 8 | b2 << 16 | b3 << 24));
}

template <int Bytes>
QUELTA_AVX512_VBMI void ConvertClassifyRow16(const uint8_t* px, uint8_t* yuv, uint16_t* mask,
                                             uint64_t* bits, int n, const CColorBounds& bounds) {
    const CLoad16<Bytes> load;
    const __m512i squeeze = ByteIndices([](int j) { return 4 * (j / 3) + j % 3; });
    // The colour test on the packed bytes: byte by byte against the bounds (the fourth byte,
    // 0, always inside), then a pixel is inside when its three bytes are.
    const __m512i low = BytesOf(bounds.lMin, bounds.a1Min, bounds.a2Min, 0);
    const __m512i high = BytesOf(bounds.lMax, bounds.a1Max, bounds.a2Max, 255);
    auto* bitBytes = reinterpret_cast<uint8_t*>(bits);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        __m512i br, g;
        load(px + Bytes * x, x + 22 <= n, br, g);
        const __m512i packed = Packed16(Convert16(br, g));
        _mm512_mask_storeu_epi8(yuv + 3 * x, 0x0000FFFFFFFFFFFFull,
                                _mm512_permutexvar_epi8(squeeze, packed));
        const uint64_t byteIn = _cvtmask64_u64(_mm512_cmpge_epu8_mask(packed, low) &
                                               _mm512_cmple_epu8_mask(packed, high));
        const uint64_t threeIn = byteIn & (byteIn >> 1) & (byteIn >> 2);
        const auto in = static_cast<uint16_t>(_pext_u64(threeIn, 0x1111111111111111ull));
        if (mask != nullptr)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(mask + x), _mm256_movm_epi16(in));
        std::memcpy(bitBytes + x / 8, &in, sizeof in);  // little-endian word layout
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
            if (chunk == 0)  // common in sparse masks, and a compress is slow
                continue;
            const __m512i columns = _mm512_add_epi32(lanes, _mm512_set1_epi32(64 * w + 16 * q));
            const __m512i entries = _mm512_sub_epi32(_mm512_maskz_compress_epi32(chunk, columns),
                                                     (k & 1) != 0 ? evenEntries : oddEntries);
            _mm512_storeu_si512(bounds + k, entries);
            k += __builtin_popcount(chunk);
        }
    }
    return k;
}

// Sixteen runs at a time: their parents loaded, the roots gathered. A block where a parent
// is a run of the same block (whose entry is not flattened yet) goes one run at a time.
QUELTA_AVX512 int FlattenStrip16(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk,
                                 int32_t* others, CBulkRuns& bulkRuns) {
    const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i bulkRoot = _mm512_set1_epi32(bulk);
    int listed = 0;
    int32_t first = -1, last = -1;
    for (int32_t at = begin; at < stop; at += 16) {
        const auto inside =
            static_cast<__mmask16>(stop - at >= 16 ? 0xFFFF : (1u << (stop - at)) - 1);
        const __m512i runs = _mm512_add_epi32(lanes, _mm512_set1_epi32(at));
        const __m512i up = _mm512_maskz_loadu_epi32(inside, parent + at);
        __mmask16 inBulk;
        if (_mm512_mask_cmpge_epi32_mask(inside, up, _mm512_set1_epi32(at)) != 0) {
            inBulk = 0;
            for (int32_t i = at; i < at + 16 && i < stop; ++i) {
                parent[i] = parent[parent[i]];
                inBulk = static_cast<__mmask16>(inBulk | (parent[i] == bulk) << (i - at));
            }
        } else {
            const __m512i roots = _mm512_mask_i32gather_epi32(up, inside, up, parent, 4);
            _mm512_mask_storeu_epi32(parent + at, inside, roots);
            inBulk = _mm512_mask_cmpeq_epi32_mask(inside, roots, bulkRoot);
        }
        const auto outside = static_cast<__mmask16>(inside & ~inBulk);
        _mm512_storeu_si512(others + listed, _mm512_maskz_compress_epi32(outside, runs));
        listed += __builtin_popcount(outside);
        if (inBulk != 0) {
            if (first < 0)
                first = at + __builtin_ctz(inBulk);
            last = at + 31 - __builtin_clz(inBulk);
        }
    }
    bulkRuns = {first, last};
    return listed;
}

// Sixty-four pixels' Y, U, V bytes apart, from 192 packed bytes: component k of pixel i is
// byte 3i + k, the first 128 bytes taken by a two-register permute, the rest from the third.
struct CPlaneIndices {
    __m512i FromAb, FromC;
    __mmask64 InC;
    QUELTA_AVX512_VBMI explicit CPlaneIndices(int k)
        : FromAb(ByteIndices([k](int i) { return 3 * i + k; })),
          FromC(ByteIndices([k](int i) { return 3 * i + k - 128; })), InC(0) {
        for (int i = 0; i < 64; ++i)
            InC |= __mmask64(3 * i + k >= 128) << i;
    }
    QUELTA_AVX512_VBMI __m512i operator()(__m512i a, __m512i b, __m512i c) const {
        return _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(a, FromAb, b), InC, FromC, c);
    }
};

// The three planes' indices, made once: making them takes longer than classifying a row.
QUELTA_AVX512_VBMI const CPlaneIndices* PlaneIndices() {
    static const CPlaneIndices planes[3] = {CPlaneIndices(0), CPlaneIndices(1), CPlaneIndices(2)};
    return planes;
}

// Per component value, the colours whose bounds hold it, as byte tables of eight colours each
// (bit c of group g for colour 8g + c) in four registers of 64 entries. Made once per set of
// bounds, per thread: making them costs about as much as classifying a few rows.
struct CByteTables {
    int Colours = 0;
    CColorBounds Bounds[MaxColours];
    __m512i Table[2][3][4];  // group, component, quarter

    bool MadeFor(const CColorBounds* b, int colours) const {
        return colours == Colours && std::memcmp(Bounds, b, sizeof(CColorBounds) * colours) == 0;
    }
    QUELTA_AVX512 void MakeFor(const CColorBounds* b, int colours) {
        Colours = colours;
        std::memcpy(Bounds, b, sizeof(CColorBounds) * colours);
        alignas(64) uint8_t entries[2][3][256] = {};
        for (int c = 0; c < colours; ++c) {
            const uint8_t lo[3] = {b[c].lMin, b[c].a1Min, b[c].a2Min};
            const uint8_t hi[3] = {b[c].lMax, b[c].a1Max, b[c].a2Max};
            for (int k = 0; k < 3; ++k)
                for (int v = lo[k]; v <= hi[k]; ++v)
                    entries[c / 8][k][v] |= uint8_t(1u << (c % 8));
        }
        for (int g = 0; g < 2; ++g)
            for (int k = 0; k < 3; ++k)
                for (int q = 0; q < 4; ++q)
                    Table[g][k][q] = _mm512_load_si512(entries[g][k] + 64 * q);
    }
};

// Not inlined: inlined, the thread-local's address is looked up again inside the callers'
// loops (a call to the TLS resolver, the planes spilled around it).
[[gnu::noinline]] QUELTA_AVX512 const CByteTables& ByteTablesFor(const CColorBounds* b,
                                                                 int colours) {
    thread_local CByteTables tables;
    if (!tables.MadeFor(b, colours))
        tables.MakeFor(b, colours);
    return tables;
}

// Entry v of a 256-entry byte table for each of 64 bytes v: a two-register permute for each
// half, the half chosen by the top bit.
QUELTA_AVX512_VBMI inline __m512i Lookup256(__m512i v, const __m512i* table) {
    const __m512i low = _mm512_permutex2var_epi8(table[0], v, table[1]);
    const __m512i high = _mm512_permutex2var_epi8(table[2], v, table[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

// Sixty-four pixels' colours from their planes: bits[c] word `word` for every colour c.
QUELTA_AVX512_VBMI inline void ClassifyPlanes(const __m512i (&planes)[3], const CByteTables& t,
                                              int colours, uint64_t* const* bits, int word) {
    for (int g = 0; g < (colours + 7) / 8; ++g) {
        // Each pixel's colours of the group: those whose bounds hold all three values.
        const __m512i in = _mm512_ternarylogic_epi64(Lookup256(planes[0], t.Table[g][0]),
                                                     Lookup256(planes[1], t.Table[g][1]),
                                                     Lookup256(planes[2], t.Table[g][2]), 0x80);
        // Colour k's bit moved to the top of each byte and gathered from there (shifts by a
        // constant: no bit patterns held in registers); unrolled for the constants.
        const int count = std::min(colours - 8 * g, 8);
        uint64_t* const* out = bits + 8 * g;
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k)
            if (k < count)
                out[k][word] = _cvtmask64_u64(_mm512_movepi8_mask(_mm512_slli_epi16(in, 7 - k)));
    }
}

QUELTA_AVX512_VBMI void ClassifyRows64(const uint8_t* yuv, int n, const CColorBounds* bounds,
                                       int colours, uint64_t* const* bits) {
    const CByteTables& t = ByteTablesFor(bounds, colours);
    const CPlaneIndices* plane = PlaneIndices();
    const int whole = n / 64 * 64;
    for (int x = 0; x < whole; x += 64) {
        const uint8_t* p = yuv + 3 * x;
        const __m512i a = _mm512_loadu_si512(p), b = _mm512_loadu_si512(p + 64),
                      c = _mm512_loadu_si512(p + 128);
        const __m512i planes[3] = {plane[0](a, b, c), plane[1](a, b, c), plane[2](a, b, c)};
        ClassifyPlanes(planes, t, colours, bits, x >> 6);
    }
    ClassifyRowsFrom(whole, yuv, n, bounds, colours, bits);
}

// The Y, U and V planes of sixty-four pixels from four registers of sixteen packed pixels
// (Y | U << 8 | V << 16 in each lane, as Packed16 makes them): two-register byte permutes
// gather each pair's Y and U, and their V, into the halves that 128-bit shuffles then join.
struct CPlanesOfPacked {
    __m512i YuOfPair, VOfPair;
    QUELTA_AVX512_VBMI CPlanesOfPacked()
        : YuOfPair(ByteIndices([](int j) { return 4 * (j % 32) + j / 32; })),
          VOfPair(ByteIndices([](int j) { return 4 * (j % 32) + 2; })) {}

    QUELTA_AVX512_VBMI void operator()(const __m512i (&p)[4], __m512i (&planes)[3]) const {
        // (Byte 4i + k of the pair's first register is pixel i's, 64 + 4i + k the second's.)
        const __m512i yu01 = _mm512_permutex2var_epi8(p[0], YuOfPair, p[1]);
        const __m512i yu23 = _mm512_permutex2var_epi8(p[2], YuOfPair, p[3]);
        const __m512i v01 = _mm512_permutex2var_epi8(p[0], VOfPair, p[1]);
        const __m512i v23 = _mm512_permutex2var_epi8(p[2], VOfPair, p[3]);
        planes[0] = _mm512_shuffle_i64x2(yu01, yu23, 0x44);  // low halves: Y
        planes[1] = _mm512_shuffle_i64x2(yu01, yu23, 0xEE);  // high halves: U
        planes[2] = _mm512_shuffle_i64x2(v01, v23, 0x44);
    }
};

// Converted and classified for every colour with the Y, U, V kept in registers: no YUV row
// is written and read back, and no plane is picked out of packed bytes.
template <int Bytes>
QUELTA_AVX512_VBMI void ConvertClassifyRows64(const uint8_t* px, int n, const CColorBounds* bounds,
                                              int colours, uint64_t* const* bits) {
    const CLoad16<Bytes> load;
    const CPlanesOfPacked planesOf;
    const CByteTables& t = ByteTablesFor(bounds, colours);
    const int whole = n / 64 * 64;
    for (int x = 0; x < whole; x += 64) {
        __m512i packed[4];
        for (int q = 0; q < 4; ++q) {
            const int at = x + 16 * q;
            __m512i br, g;
            load(px + Bytes * at, at + 22 <= n, br, g);
            packed[q] = Packed16(Convert16(br, g));
        }
        __m512i planes[3];
        planesOf(packed, planes);
        ClassifyPlanes(planes, t, colours, bits, x >> 6);
    }
    if (whole == n)
        return;
    // The last pixels through the scalar forms, their bit words from the row's last word on.
    uint8_t yuv[3 * 63];
    for (int x = whole; x < n; ++x) {
        const uint8_t* p = px + Bytes * x;
        const CYuv c = YuvOf(p[0], p[1], p[2]);
        uint8_t* out = yuv + 3 * (x - whole);
        out[0] = c.Y, out[1] = c.U, out[2] = c.V;
    }
    uint64_t* tail[MaxColours];
    for (int c = 0; c < colours; ++c)
        tail[c] = bits[c] + whole / 64;
    ClassifyRowsFrom(0, yuv, n - whole, bounds, colours, tail);
}

}  // namespace

void ConvertClassifyRowsAvx512(const uint8_t* bgra, int n, const CColorBounds* bounds, int colours,
                               uint64_t* const* bits) {
    ConvertClassifyRows64<4>(bgra, n, bounds, colours, bits);
}

void ConvertClassifyBgrRowsAvx512(const uint8_t* bgr, int n, const CColorBounds* bounds,
                                  int colours, uint64_t* const* bits) {
    ConvertClassifyRows64<3>(bgr, n, bounds, colours, bits);
}

void ClassifyRowsAvx512(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                        uint64_t* const* bits) {
    ClassifyRows64(yuv, n, bounds, colours, bits);
}

void ConvertClassifyRowAvx512(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                              int n, const CColorBounds& bounds) {
    ConvertClassifyRow16<4>(bgra, yuv, mask, bits, n, bounds);
}

void ConvertClassifyBgrRowAvx512(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits,
                                 int n, const CColorBounds& bounds) {
    ConvertClassifyRow16<3>(bgr, yuv, mask, bits, n, bounds);
}

void ExpandMaskRowAvx512(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    ExpandMaskRow32(bits, mask, n, fill);
}

int FlattenStripAvx512(int32_t* parent, int32_t begin, int32_t stop, int32_t bulk, int32_t* others,
                       CBulkRuns& bulkRuns) {
    return FlattenStrip16(parent, begin, stop, bulk, others, bulkRuns);
}

int StripChangesAvx512(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds,
                       int k) {
    return StripChanges16(top, bottom, words, bounds, k);
}

}  // namespace QueltaKernels::X86

#endif
