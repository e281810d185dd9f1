#pragma once
#include <opencv2/core/mat.hpp>

#include <string>
#include <vector>

// The tracking limits as the tests state them (kept apart from the engine's record, so the
// reference shares nothing with the code under test).
struct CLimits {
    int lMin = 0, lMax = 0, a1Min = 0, a1Max = 0, a2Min = 0, a2Max = 0;
    unsigned MinARatio = 0, MinWidth = 3, MaxWidth = 640, MinHeight = 3, MaxHeight = 480;
};

// The settings file text for `limits`, written here by hand.
std::string SettingsText(const CLimits& limits);
// Parses a saved settings file; false when it is not twelve well-formed lines.
bool ParseSettingsText(const std::string& text, CLimits& limits);

// What quelta-track should report for one frame, computed with OpenCV's own pipeline:
// cvtColor to YUV, inRange, connectedComponentsWithStats (8-connected), then the selection
// rule (longest truncated diagonal within the scaled limits, first one on ties).
struct CReference {
    bool Found = false;
    int Regions = 0;
    int MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
    double CenterX = 0, CenterY = 0, Row = 0, Col = 0;
};
CReference ReferenceTrack(const cv::Mat& bgra, const CLimits& limits);

// Bounds that accept `bgr` with a margin on each YUV component.
CLimits BoundsAround(const cv::Vec3b& bgr, int margin);
cv::Vec3b YuvOf(const cv::Vec3b& bgr);

// Compares one CSV row of the tool with the reference; empty when they agree, else what
// differs.
std::string CompareRow(const std::vector<std::string>& row, const CReference& expected);
