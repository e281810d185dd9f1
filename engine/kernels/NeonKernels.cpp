// The NEON set: Advanced SIMD is part of every ARMv8-A processor, so an aarch64 build always has
// it and needs no check at run time. Sixteen pixels per step: the loads take B, G and R apart,
// the arithmetic is the scalar YuvOf's in 32-bit lanes, and the stores put Y, U, V together.
#include "Kernels.h"

#if defined(__aarch64__)

#include "RowBodies.h"

#include <arm_neon.h>

#include <algorithm>
#include <cstring>

namespace QueltaKernels {
namespace {

struct CYuv16 {
    uint8x16_t Y, U, V;
};

// (d * k + 2^13) >> 14 for the eight signed lanes of d, then + 128: the U and V formulas
// without their clamp (the saturating narrowing afterwards clamps V to 0..255).
inline uint8x8_t Difference8(int16x8_t d, int16_t k) {
    const int16x4_t low = vrshrn_n_s32(vmull_n_s16(vget_low_s16(d), k), 14);
    const int16x4_t high = vrshrn_n_s32(vmull_high_n_s16(d, k), 14);
    return vqmovun_s16(vaddq_s16(vcombine_s16(low, high), vdupq_n_s16(128)));
}

// Eight pixels' B, G, R (one per 16-bit lane) to their Y, U, V bytes.
inline void Convert8(uint16x8_t b, uint16x8_t g, uint16x8_t r, uint8x8_t& y, uint8x8_t& u,
                     uint8x8_t& v) {
    uint32x4_t low = vmull_n_u16(vget_low_u16(b), 1868);
    low = vmlal_n_u16(low, vget_low_u16(g), 9617);
    low = vmlal_n_u16(low, vget_low_u16(r), 4899);
    uint32x4_t high = vmull_high_n_u16(b, 1868);
    high = vmlal_high_n_u16(high, g, 9617);
    high = vmlal_high_n_u16(high, r, 4899);
    const uint16x8_t y16 = vcombine_u16(vrshrn_n_u32(low, 14), vrshrn_n_u32(high, 14));
    y = vmovn_u16(y16);
    // B - Y and R - Y within +-255: the 16-bit difference read as signed.
    u = Difference8(vreinterpretq_s16_u16(vsubq_u16(b, y16)), 8061);
    v = Difference8(vreinterpretq_s16_u16(vsubq_u16(r, y16)), 14369);
}

inline CYuv16 Convert16(uint8x16_t b, uint8x16_t g, uint8x16_t r) {
    uint8x8_t y0, u0, v0, y1, u1, v1;
    Convert8(vmovl_u8(vget_low_u8(b)), vmovl_u8(vget_low_u8(g)), vmovl_u8(vget_low_u8(r)), y0, u0,
             v0);
    Convert8(vmovl_high_u8(b), vmovl_high_u8(g), vmovl_high_u8(r), y1, u1, v1);
    return {vcombine_u8(y0, y1), vcombine_u8(u0, u1), vcombine_u8(v0, v1)};
}

inline uint8x16_t Inside(uint8x16_t value, uint8_t lo, uint8_t hi) {
    return vandq_u8(vcgeq_u8(value, vdupq_n_u8(lo)), vcleq_u8(value, vdupq_n_u8(hi)));
}

// Sixteen 0 / 0xFF lanes as sixteen bits, lane i at bit i.
inline uint16_t BitsOf(uint8x16_t lanes) {
    const uint8x16_t weights = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
    const uint8x16_t weighted = vandq_u8(lanes, weights);
    return static_cast<uint16_t>(vaddv_u8(vget_low_u8(weighted)) |
                                 (vaddv_u8(vget_high_u8(weighted)) << 8));
}

template <int Bytes>
inline void Load16(const uint8_t* px, uint8x16_t& b, uint8x16_t& g, uint8x16_t& r) {
    if constexpr (Bytes == 4) {
        const uint8x16x4_t p = vld4q_u8(px);
        b = p.val[0], g = p.val[1], r = p.val[2];
    } else {
        const uint8x16x3_t p = vld3q_u8(px);
        b = p.val[0], g = p.val[1], r = p.val[2];
    }
}

template <int Bytes>
void ConvertClassifyRow16(const uint8_t* px, uint8_t* yuv, uint16_t* mask, uint64_t* bits, int n,
                          const CColorBounds& bounds) {
    auto* bitBytes = reinterpret_cast<uint8_t*>(bits);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        uint8x16_t b, g, r;
        Load16<Bytes>(px + Bytes * x, b, g, r);
        const CYuv16 p = Convert16(b, g, r);
        vst3q_u8(yuv + 3 * x, uint8x16x3_t{{p.Y, p.U, p.V}});
        const uint8x16_t in = vandq_u8(Inside(p.Y, bounds.lMin, bounds.lMax),
                                       vandq_u8(Inside(p.U, bounds.a1Min, bounds.a1Max),
                                                Inside(p.V, bounds.a2Min, bounds.a2Max)));
        if (mask != nullptr) {
            const int8x16_t wide = vreinterpretq_s8_u8(in);  // 0 or -1, widened to 0 or 0xFFFF
            vst1q_u16(mask + x, vreinterpretq_u16_s16(vmovl_s8(vget_low_s8(wide))));
            vst1q_u16(mask + x + 8, vreinterpretq_u16_s16(vmovl_high_s8(wide)));
        }
        const uint16_t chunk = BitsOf(in);
        std::memcpy(bitBytes + x / 8, &chunk, sizeof chunk);  // little-endian word layout
    }
    ConvertClassifyTail(px, Bytes, yuv, mask, bits, x, n, bounds);
}

void ConvertClassifyRow(const uint8_t* bgra, uint8_t* yuv, uint16_t* mask, uint64_t* bits, int n,
                        const CColorBounds& bounds) {
    ConvertClassifyRow16<4>(bgra, yuv, mask, bits, n, bounds);
}

void ConvertClassifyBgrRow(const uint8_t* bgr, uint8_t* yuv, uint16_t* mask, uint64_t* bits, int n,
                           const CColorBounds& bounds) {
    ConvertClassifyRow16<3>(bgr, yuv, mask, bits, n, bounds);
}

// Sixteen pixels at a time, their Y, U, V taken apart by the load; per colour and component
// the test (v - lo) mod 256 <= hi - lo (none when lo > hi).
void ClassifyRows(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                  uint64_t* const* bits) {
    const int whole = n / 64 * 64;
    for (int x = 0; x < whole; x += 64) {
        uint64_t words[MaxColours] = {};
        for (int q = 0; q < 4; ++q) {
            const uint8x16x3_t p = vld3q_u8(yuv + 3 * (x + 16 * q));
            for (int c = 0; c < colours; ++c) {
                const CColorBounds& b = bounds[c];
                const uint8_t lo[3] = {b.lMin, b.a1Min, b.a2Min};
                const uint8_t hi[3] = {b.lMax, b.a1Max, b.a2Max};
                uint8x16_t in = vdupq_n_u8(0xFF);
                for (int k = 0; k < 3; ++k) {
                    const uint8x16_t offset = vsubq_u8(p.val[k], vdupq_n_u8(lo[k]));
                    const uint8_t span = lo[k] <= hi[k] ? uint8_t(hi[k] - lo[k]) : 0;
                    in = vandq_u8(in, vcleq_u8(offset, vdupq_n_u8(span)));
                    if (lo[k] > hi[k])
                        in = vdupq_n_u8(0);
                }
                words[c] |= uint64_t(BitsOf(in)) << (16 * q);
            }
        }
        for (int c = 0; c < colours; ++c)
            bits[c][x >> 6] = words[c];
    }
    ClassifyRowsFrom(whole, yuv, n, bounds, colours, bits);
}

// Sixteen entries per step: each byte of the bits spread over eight lanes and tested.
void ExpandMaskRow(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    const uint8x8_t weights = {1, 2, 4, 8, 16, 32, 64, 128};
    const uint16x8_t value = vdupq_n_u16(fill);
    const auto* bytes = reinterpret_cast<const uint8_t*>(bits);  // little-endian words
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        for (int half = 0; half < 2; ++half) {
            const uint8x8_t set = vtst_u8(vdup_n_u8(bytes[x / 8 + half]), weights);
            const uint16x8_t lanes = vreinterpretq_u16_s16(vmovl_s8(vreinterpret_s8_u8(set)));
            vst1q_u16(mask + x + 8 * half, vandq_u16(lanes, value));
        }
    }
    for (; x < n; ++x)
        mask[x] = (bits[x >> 6] >> (x & 63)) & 1 ? fill : 0;
}

// Eight entries per step where the row allows.
void LabelRowPart(uint16_t* row, int x0, int x1, int width, uint16_t label) {
    const uint16x8_t value = vdupq_n_u16(label);
    const uint16x8_t lanes = {0, 1, 2, 3, 4, 5, 6, 7};
    int x = x0;
    for (; x <= x1 && x + 8 <= width; x += 8) {
        const uint16x8_t take = vcltq_u16(lanes, vdupq_n_u16(uint16_t(std::min(x1 - x + 1, 8))));
        const uint16x8_t old = vld1q_u16(row + x);
        // Lanes to write: inside the part and not 0.
        vst1q_u16(row + x, vbslq_u16(vandq_u16(take, vtstq_u16(old, old)), value, old));
    }
    for (; x <= x1; ++x)
        row[x] = row[x] != 0 ? label : 0;
}

int StripChanges(const uint64_t* top, const uint64_t* bottom, int words, int32_t* bounds, int k) {
    return StripChangesBody(top, bottom, words, bounds, k);
}

CRowSum CountRow(const uint64_t* row, int words) { return CountRowBody(row, words); }

}  // namespace

std::vector<const CKernelSet*> NeonKernels() {
    static const CKernelSet neon{
        "neon",       ConvertClassifyRow, ConvertClassifyBgrRow,      ClassifyRows, ExpandMaskRow,
        LabelRowPart, StripChanges,       ScalarKernels.FlattenStrip, CountRow};
    return {&neon};
}

}  // namespace QueltaKernels

#else

namespace QueltaKernels {
std::vector<const CKernelSet*> NeonKernels() { return {}; }
}  // namespace QueltaKernels

#endif
