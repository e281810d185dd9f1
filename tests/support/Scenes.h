#pragma once
// Synthetic pictures shared by the tests and the benchmarks, made in the program so that every
// run sees the same (each is deterministic in its seed). Frames are CV_8UC4, B,G,R,A.
#include "ColourSet.h"
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <string>
#include <vector>

// One colour all over.
cv::Mat SolidFrame(int width, int height, cv::Scalar bgr);
// Random bytes (alpha included).
cv::Mat RandomFrame(int width, int height, uint64_t seed);

// The mark's colour in the generated scenes below (B, G, R): a saturated green that the muted
// background never reaches.
inline const cv::Vec3b MarkBgr(40, 200, 60);

// A textured, noisy, low-saturation background of the given size.
cv::Mat Background(cv::Size size, uint64_t seed);

// A picture with a few marks of MarkBgr: discs (some anti-aliased, so their edges break
// into odd fragments), ellipses, bars and single-pixel specks.
cv::Mat RandomScene(cv::Size size, uint64_t seed);

// The background with one filled disc of MarkBgr.
cv::Mat DiscScene(cv::Size size, cv::Point centre, int radius, uint64_t seed = 1);

// The benchmark's pictures, each with the limits that pick its mark:
//   mark     one green disc (about 2% of the pixels, noisy) on a textured, noisy background
//   clutter  the same disc, several smaller ones of the same colour and many specks
//   noise    random pixels, about half of them inside the colour ranges
struct CScene {
    std::string Name;
    cv::Mat Frame;
    CTrackingParams Params;
};

CScene MakeScene(const std::string& name, int width, int height);
std::vector<std::string> SceneNames();

// The several-colour pictures: the textured background of the scenes above with four discs of
// each of `colours` saturated colours (1 to 16, hues around the circle), of different sizes and
// apart, among one- to three-pixel specks of every colour; the set's limits accept each colour
// with a margin for the discs' noise.
struct CColourScene {
    std::string Name;  // colours<K>
    cv::Mat Frame;
    CColourSet Set;
};
CColourScene MakeColourScene(int colours, int width, int height);
