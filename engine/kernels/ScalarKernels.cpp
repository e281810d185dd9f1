// The scalar kernels: every processor runs them, and the vector kernels use their row tails.
#include "Kernels.h"
#include "RowBodies.h"
#include "RowSums.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace QueltaKernels {

namespace {

// YuvOf by tables: Y from three products read off (the rounding in G's), then U and V from
// B - Y and R - Y (the clamp in V's); the colour test per component from tables made for the
// row's bounds. Fewer instructions than the arithmetic for processors without vectors.
struct CYuvTables {
    std::array<int32_t, 256> B{}, G{}, R{};  // 1868 b; 9617 g + 2^13; 4899 r
    std::array<uint8_t, 511> U{}, V{};       // by B - Y (R - Y) + 255
    constexpr CYuvTables() {
        for (int v = 0; v < 256; ++v) {
            B[v] = 1868 * v;
            G[v] = 9617 * v + (1 << 13);
            R[v] = 4899 * v;
        }
        for (int d = -255; d <= 255; ++d) {
            U[d + 255] = static_cast<uint8_t>((d * 8061 + (128 << 14) + (1 << 13)) >> 14);
            const int v = (d * 14369 + (128 << 14) + (1 << 13)) >> 14;
            V[d + 255] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
};
constexpr CYuvTables YuvTables;

// 1 where a component's value (Y) or difference (B - Y, R - Y) passes its bounds. Made once
// for the bounds of a pass (rows come with the same bounds), per thread.
struct CAcceptTables {
    CColorBounds Bounds{1, 0, 1, 0, 1, 0};  // accepting nothing, as the tables start
    std::array<uint8_t, 256> Y{};
    std::array<uint8_t, 511> U{}, V{};

    void MakeFor(const CColorBounds& b) {
        Bounds = b;
        for (int v = 0; v < 256; ++v)
            Y[v] = b.lMin <= v && v <= b.lMax;
        for (int d = 0; d < 511; ++d) {
            U[d] = b.a1Min <= YuvTables.U[d] && YuvTables.U[d] <= b.a1Max;
            V[d] = b.a2Min <= YuvTables.V[d] && YuvTables.V[d] <= b.a2Max;
        }
    }
};

// (Not inlined: the caller then holds a plain pointer, not a thread-local address to recompute.)
[[gnu::noinline]] const CAcceptTables& AcceptTablesFor(const CColorBounds& b) {
    thread_local CAcceptTables tables;
    const CColorBounds& t = tables.Bounds;
    if (t.lMin != b.lMin || t.lMax != b.lMax || t.a1Min != b.a1Min || t.a1Max != b.a1Max ||
        t.a2Min != b.a2Min || t.a2Max != b.a2Max)
        tables.MakeFor(b);
    return tables;
}

// Up to 64 pixels to Y,U,V bytes and a 0 / 1 byte each for the colour test. (Unsigned
// indices: the tables are indexed without a widening.)
template <int Bytes>
void ConvertClassifyBlock(const uint8_t* px, uint8_t* yuv, uint8_t* accepted, int count,
                          const CAcceptTables& accept) {
    const CYuvTables& t = YuvTables;
    for (int i = 0; i < count; ++i, px += Bytes, yuv += 3) {
        const uint32_t b = px[0], g = px[1], r = px[2];
        const uint32_t y = static_cast<uint32_t>(t.B[b] + t.G[g] + t.R[r]) >> 14;
        const uint32_t du = b + 255 - y, dv = r + 255 - y;
        yuv[0] = static_cast<uint8_t>(y);
        yuv[1] = t.U[du];
        yuv[2] = t.V[dv];
        accepted[i] = accept.Y[y] & accept.U[du] & accept.V[dv];
    }
}

// Bits 0..count-1 from 0 / 1 bytes: eight at a time, each byte's 1 moved to its place by one
// multiplication.
uint64_t BitsOfBytes(const uint8_t* accepted, int count) {
    uint64_t bits = 0;
    for (int i = 0; i < count; i += 8) {
        uint64_t eight = 0;
        std::memcpy(&eight, accepted + i, std::min(8, count - i));  // little-endian
        bits |= ((eight * 0x0102040810204080ULL) >> 56) << i;
    }
    return bits;
}

}  // namespace

void ConvertClassifyTail(const uint8_t* pixels, int bytes, uint8_t* yuv, uint16_t* mask,
                         uint64_t* bits, int from, int n, const CColorBounds& bounds) {
    if (from / 64 >= (n + 63) / 64)
        return;  // no word left: the vector forms' usual case, spared the tables' look-up
    const CAcceptTables& accept = AcceptTablesFor(bounds);
    for (int word = from / 64; word < (n + 63) / 64; ++word) {
        const int begin = std::max(from, 64 * word), count = std::min(n, 64 * word + 64) - begin;
        uint8_t accepted[64];
        const uint8_t* px = pixels + static_cast<size_t>(bytes) * begin;
        uint8_t* out = yuv + 3 * static_cast<size_t>(begin);
        if (bytes == 4)
            ConvertClassifyBlock<4>(px, out, accepted, count, accept);
        else
            ConvertClassifyBlock<3>(px, out, accepted, count, accept);
        const uint64_t kept = word == from / 64 ? bits[word] & ~BitsFrom(from) : 0;
        bits[word] = kept | BitsOfBytes(accepted, count) << (begin & 63);
        if (mask != nullptr)
            for (int i = 0; i < count; ++i)
                mask[begin + i] = accepted[i] ? 0xFFFF : 0;
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

// Four entries per store: each four bits pick their 0 / 0xFFFF pattern.
struct CNibbleEntries {
    std::array<uint64_t, 16> Entries{};
    constexpr CNibbleEntries() {
        for (int v = 0; v < 16; ++v)
            for (int b = 0; b < 4; ++b)
                if ((v >> b) & 1)
                    Entries[v] |= 0xFFFFULL << (16 * b);
    }
};
constexpr CNibbleEntries NibbleEntries;

// Per component value, the colours whose bounds hold it (bit c for colour c): a pixel is a
// colour's when all three of its values are. Made once per set of bounds, per thread.
struct CColourTables {
    int Colours = 0;
    std::array<CColorBounds, MaxColours> Bounds{};
    std::array<uint16_t, 256> Y{}, U{}, V{};

    bool MadeFor(const CColorBounds* b, int colours) const {
        if (colours != Colours)
            return false;
        for (int c = 0; c < colours; ++c)
            if (std::memcmp(&Bounds[c], &b[c], sizeof(CColorBounds)) != 0)
                return false;
        return true;
    }
    void MakeFor(const CColorBounds* b, int colours) {
        Colours = colours;
        Y.fill(0), U.fill(0), V.fill(0);
        for (int c = 0; c < colours; ++c) {
            Bounds[c] = b[c];
            for (int v = 0; v < 256; ++v) {
                Y[v] |= uint16_t((b[c].lMin <= v && v <= b[c].lMax) << c);
                U[v] |= uint16_t((b[c].a1Min <= v && v <= b[c].a1Max) << c);
                V[v] |= uint16_t((b[c].a2Min <= v && v <= b[c].a2Max) << c);
            }
        }
    }
};

[[gnu::noinline]] const CColourTables& ColourTablesFor(const CColorBounds* b, int colours) {
    thread_local CColourTables tables;
    if (!tables.MadeFor(b, colours))
        tables.MakeFor(b, colours);
    return tables;
}

}  // namespace

void ClassifyRowsFrom(int from, const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                      uint64_t* const* bits) {
    if (from >= n)
        return;
    const CColourTables& t = ColourTablesFor(bounds, colours);
    for (int x = from; x < n; x += 64) {
        const int count = std::min(64, n - x);
        uint16_t of[64];  // each pixel's colours
        for (int i = 0; i < count; ++i) {
            const uint8_t* p = yuv + 3 * static_cast<size_t>(x + i);
            of[i] = t.Y[p[0]] & t.U[p[1]] & t.V[p[2]];
        }
        for (int c = 0; c < colours; ++c) {
            uint64_t word = 0;
            for (int i = 0; i < count; ++i)
                word |= static_cast<uint64_t>((of[i] >> c) & 1) << i;
            bits[c][x >> 6] = word;
        }
    }
}

namespace {

void ClassifyRows(const uint8_t* yuv, int n, const CColorBounds* bounds, int colours,
                  uint64_t* const* bits) {
    ClassifyRowsFrom(0, yuv, n, bounds, colours, bits);
}

void ExpandMaskRow(const uint64_t* bits, uint16_t* mask, int n, uint16_t fill) {
    const uint64_t fills = fill * 0x0001000100010001ULL;
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        const uint64_t four = NibbleEntries.Entries[(bits[x >> 6] >> (x & 63)) & 15] & fills;
        std::memcpy(mask + x, &four, sizeof four);  // little-endian entries
    }
    for (; x < n; ++x)
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

const CKernelSet ScalarKernels{"scalar",     ConvertClassifyRow, ConvertClassifyBgrRow,
                               ClassifyRows, ExpandMaskRow,      LabelRowPart,
                               StripChanges, FlattenStrip,       CountRow};

}  // namespace QueltaKernels
