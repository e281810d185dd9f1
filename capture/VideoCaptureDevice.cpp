#include "VideoCaptureDevice.h"

#include "Devices.h"

bool CVideoCaptureDevice::Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) {
    if (Interrupted() || !Capture.read(Raw) || !ToPoolFrame(Raw, pool, frame))
        return false;
    info.Index = Count++;
    info.CaptureTime = std::chrono::steady_clock::now();
    return true;
}
