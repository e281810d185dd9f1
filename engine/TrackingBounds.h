#pragma once
#include "TrackingParams.h"
#include "YuvFormula.h"

#include <cstdint>

// The small value types one tracking pass works with, taken from the record per frame.

// Inclusive square of pixels around the calibration point.
struct CCalibrationWindow {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// The six colour bounds, copied from the record once per pass.
inline CColorBounds ColorBoundsOf(const CTrackingParams& p) {
    return {p.lMin, p.lMax, p.a1Min, p.a1Max, p.a2Min, p.a2Max};
}

// Selection bounds of one frame, the size limits scaled from 640 x 480.
struct CSelectionBounds {
    uint32_t MinWidth, MaxWidth, MinHeight, MaxHeight;
    double RatioLimit;
    static CSelectionBounds For(const CTrackingParams& p, int frameWidth, int frameHeight);
};
