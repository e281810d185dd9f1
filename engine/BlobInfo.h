#pragma once
#include <cstdint>

// Measurement of one labelled region. The bounding box is inclusive:
// width = MaxX - MinX, so a region one column wide has width 0.
struct BlobInfo {
    int32_t PixelCount = 0;
    uint32_t MinX = 0;
    uint32_t MinY = 0;
    uint32_t MaxX = 0;
    uint32_t MaxY = 0;
    float CenterX = 0.0f;  // mean column of the region's pixels
    float CenterY = 0.0f;  // mean row
};

// The labelled mask is 16-bit: regions are numbered 1..MaxLabels, and the table of their
// measurements has a fixed size. 0xFFFF marks a mask pixel that is not yet labelled.
namespace BlobTable {
inline constexpr uint16_t Unlabelled = 0xFFFF;
inline constexpr int MaxLabels = 65534;
inline constexpr int Size = 65535;
}  // namespace BlobTable
