#pragma once
#include "ColourSet.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <vector>

// The bench's crowded picture: 16 saturated colours, four discs of each (64 marks), drifting
// slowly across a textured grey background; and the colour set whose limits pick exactly
// those discs, each colour its own four.
class CColourScene {
public:
    static constexpr int Colours = 16;
    static constexpr int DiscsPerColour = 4;

    CColourScene(int width, int height);

    const CColourSet& Set() const { return ColourSet; }
    // Frame n into `out` (CV_8UC4 of the scene's size, new pixels every call).
    void Render(int64_t n, cv::Mat& out) const;

private:
    int Width, Height;
    cv::Mat Background;
    std::vector<cv::Scalar> DiscBgr;  // per colour, B,G,R,A
    CColourSet ColourSet;
};
