#pragma once
#include <opencv2/core/mat.hpp>

#include <cstdint>

// The mark's colour in the generated pictures (B, G, R): a saturated green that the muted
// background never reaches.
inline const cv::Vec3b MarkBgr(40, 200, 60);

// A textured, noisy, low-saturation background of the given size (CV_8UC4).
cv::Mat Background(cv::Size size, uint64_t seed);

// A picture with a few marks of MarkBgr: discs (some anti-aliased, so their edges break
// into odd fragments), ellipses, bars and single-pixel specks. Deterministic in `seed`.
cv::Mat RandomScene(cv::Size size, uint64_t seed);

// The background with one filled disc of MarkBgr.
cv::Mat DiscScene(cv::Size size, cv::Point centre, int radius, uint64_t seed = 1);
