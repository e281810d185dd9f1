#pragma once
#include "TrackingParams.h"

#include <opencv2/core/mat.hpp>

#include <string>
#include <vector>

// A benchmark picture and the limits that pick its mark.
struct CScene {
    std::string Name;  // mark, clutter or noise
    cv::Mat Frame;     // CV_8UC4, B,G,R,A
    CTrackingParams Params;
};

CScene MakeScene(const std::string& name, int width, int height);
std::vector<std::string> SceneNames();
