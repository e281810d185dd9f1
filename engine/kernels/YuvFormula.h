#pragma once
#include <cstdint>

// The fixed-point BT.601 form that cv::cvtColor(COLOR_BGR2YUV) uses for 8-bit images, so the
// bytes are the same:
//
//   Y = (1868 B + 9617 G + 4899 R + 2^13) >> 14
//   U = ((B - Y) * 8061  + 128 * 2^14 + 2^13) >> 14          always within 3..253
//   V = ((R - Y) * 14369 + 128 * 2^14 + 2^13) >> 14, clamped to 0..255
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

}  // namespace QueltaKernels

// The six colour bounds of one pass, inclusive.
struct CColorBounds {
    uint8_t lMin, lMax, a1Min, a1Max, a2Min, a2Max;

    bool Accepts(const uint8_t* yuv) const {
        return lMin <= yuv[0] && yuv[0] <= lMax && a1Min <= yuv[1] && yuv[1] <= a1Max &&
               a2Min <= yuv[2] && yuv[2] <= a2Max;
    }
};
