#include "Vivid.h"

#include "V4l2Query.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <opencv2/core.hpp>

#include <fstream>

std::string VividNode(int instance) {
    CV4l2Identity wanted;
    wanted.Card = "vivid";
    wanted.BusInfo = "platform:vivid-00" + std::to_string(instance);
    return FindCamera(wanted);
}

bool SetVividControl(const std::string& node, uint32_t id, int value) {
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    v4l2_control control{id, value};
    const bool done = ::ioctl(fd, VIDIOC_S_CTRL, &control) == 0;
    ::close(fd);
    return done;
}

namespace {
bool WriteSysfs(const char* file, const char* text) {
    std::ofstream out(file);
    out << text;
    out.flush();
    return bool(out);
}
}  // namespace

bool UnbindVivid() { return WriteSysfs("/sys/bus/platform/drivers/vivid/unbind", "vivid.0"); }
bool BindVivid() { return WriteSysfs("/sys/bus/platform/drivers/vivid/bind", "vivid.0"); }

cv::Mat FrameAfter(CFrameSequence& frames, CClock::time_point after,
                   std::chrono::milliseconds limit, CFrameInfo* info) {
    const auto end = CClock::now() + limit;
    cv::Mat frame;
    CFrameInfo got;
    while (CClock::now() < end) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - CClock::now());
        if (frames.PopFront(frame, int(std::max<int64_t>(1, left.count())), &got) &&
            !frame.empty() && got.CaptureTime > after) {
            if (info)
                *info = got;
            return frame;
        }
    }
    return {};
}

cv::Scalar MeanColour(const cv::Mat& frame, const cv::Rect& region) {
    return cv::mean(frame(region & cv::Rect(0, 0, frame.cols, frame.rows)));
}

double Seconds(CClock::duration d) { return std::chrono::duration<double>(d).count(); }

CLiveSource::CLiveSource(const std::string& name) : Source(CImageSource::Open(name)) {
    Source.Connect(&Frames);
    Source.EnableCapture(true);
}

CLiveSource::~CLiveSource() {
    Source.EnableCapture(false);
    Source.Disconnect(&Frames);
}
