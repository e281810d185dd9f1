#pragma once
#include <opencv2/core/types.hpp>

#include <array>
#include <vector>

// The paths of the test camera's six-disc scene, on the 640 x 480 scale, over a 30-second
// loop. Disc 0 and 1 are red, 2 and 3 green, 4 and 5 blue. An opaque pillar stands over the
// whole height of the picture at columns 448 to 528.
//
//   0-2 s      all six rest apart, left of the pillar, for the clicks that teach the colours
//   2-3 s      they leave the picture
//   4.5 s      the reds cross at 90 degrees;          a blue passes behind the pillar
//   8.5 s      the greens cross at 120 degrees;       a red passes behind the pillar
//   12.5 s     the blues cross at 90 degrees;         a green passes behind the pillar
//   16.5 s     the reds cross nearly head on (150);   a blue passes behind the pillar
//   20.5 s     the greens (90) and the blues (120) cross at once in two places; a red
//              passes behind the pillar
//   23-28 s    all six on parallel lanes through the pillar, both ways
//   28-29.5 s  back to the resting places
//
// Each crossing is on straight lines at 210 to 270 pixels a second, so the two discs'
// regions merge for 7 or 8 frames (at 30 fps) and part again where a constant-velocity
// prediction expects them. A pillar pass hides a disc entirely for 4 or 5 frames. Between
// its appearances a disc waits far outside the picture, so it may enter somewhere else.
class CDiscPaths {
public:
    static constexpr int Count = 6;
    static constexpr double LoopSeconds = 30.0;
    static constexpr float PillarLeft = 448.0f, PillarRight = 528.0f;

    // Where disc `disc` is at `seconds` from the start of the loop (repeating).
    cv::Point2f Place(int disc, double seconds) const;

    // The one set of paths (they are the same for every camera).
    static const CDiscPaths& Scene();

private:
    struct CKey {
        double Time;
        cv::Point2d Place;
    };
    class CBuilder;
    CDiscPaths();

    std::array<std::vector<CKey>, Count> Keys;
};
