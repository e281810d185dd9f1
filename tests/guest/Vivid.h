#pragma once
#include "FrameSequence.h"
#include "ImageSource.h"

#include <opencv2/core/mat.hpp>

#include <chrono>
#include <cstdint>
#include <string>

// vivid's own controls, as the driver numbers them.
enum : uint32_t {
    VividButton = 0x0098f900,
    VividInteger32 = 0x0098f902,
    VividMenu = 0x0098f904,
    VividIntegerMenu = 0x0098f907,
    VividReadOnly = 0x0098f90c,
    VividDroppedPercent = 0x00f0f040,
    VividDisconnect = 0x00f0f041,
    VividFatalStreamingError = 0x00f0f046,
};

using CClock = std::chrono::steady_clock;

// The capture node of vivid instance `instance` ("platform:vivid-00N"), empty when absent.
std::string VividNode(int instance = 0);
// Sets a control through a descriptor of its own, closed again at once.
bool SetVividControl(const std::string& node, uint32_t id, int value);
// Unbinds or binds vivid instance 0: the stand-in for pulling and plugging a USB camera.
bool UnbindVivid();
bool BindVivid();

// The next frame captured after `after`, waiting at most `limit`; empty when none came.
cv::Mat FrameAfter(CFrameSequence& frames, CClock::time_point after,
                   std::chrono::milliseconds limit, CFrameInfo* info = nullptr);
// Mean B, G, R of a frame's region.
cv::Scalar MeanColour(const cv::Mat& frame, const cv::Rect& region);
double Seconds(CClock::duration d);

// A source with capture on, its frames going to Frames, turned off again at the end.
struct CLiveSource {
    explicit CLiveSource(const std::string& name);
    ~CLiveSource();
    CImageSource Source;
    CFrameSequence Frames;
};
