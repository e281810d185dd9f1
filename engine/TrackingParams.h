#pragma once
#include <cstdint>

// The one record of colour ranges, size limits and flags that steers tracking.
// Plain data: persistence lives in settings/, editing in the configuration panel.
struct CTrackingParams {
    uint8_t lMin = 0;  // luminance (YUV byte 0), inclusive bounds
    uint8_t lMax = 0;
    uint8_t a1Min = 0;  // first colour difference (YUV byte 1)
    uint8_t a1Max = 0;
    uint8_t a2Min = 0;  // second colour difference (YUV byte 2)
    uint8_t a2Max = 0;
    uint32_t MaxWidth = 640;  // size limits on a 640 x 480 reference frame
    uint32_t MinWidth = 3;
    uint32_t MaxHeight = 480;
    uint32_t MinHeight = 3;
    uint32_t MinARatio = 0;        // hundredths; the shape's ratio must exceed MinARatio / 100
    bool ShowMask = false;         // paint the colour mask over the picture; never stored
    bool VideoConfigured = false;  // a capture source has been chosen

    // Upper ends of the valid ranges, shared by the stores and the panel.
    static constexpr uint32_t ColorLimit = 255;
    static constexpr uint32_t WidthLimit = 640;
    static constexpr uint32_t HeightLimit = 480;
    static constexpr uint32_t RatioLimit = 100;

    bool operator==(const CTrackingParams&) const = default;
};
