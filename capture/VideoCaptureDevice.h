#pragma once
#include "CaptureDevice.h"

#include <opencv2/videoio.hpp>

#include <cstdint>

// A device streamed through OpenCV's video input (V4L2 cameras, GStreamer pipelines), whose
// pace is set by the source itself: Grab waits in the back end's read.
class CVideoCaptureDevice : public CCaptureDevice {
public:
    void Stop() override { Capture.release(); }
    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override;

protected:
    cv::VideoCapture Capture;

private:
    cv::Mat Raw;  // the back end's own buffer, converted into a pool frame
    int64_t Count = 0;
};
