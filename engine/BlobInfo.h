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
