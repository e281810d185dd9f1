#include "Devices.h"
#include "V4l2Query.h"
#include "VideoCaptureDevice.h"

#include <memory>
#include <mutex>

namespace {

// A V4L2 camera: OpenCV's V4L2 back end streams, our own descriptor answers the questions
// about formats and controls. Stop releases the stream, which turns the camera off.
class CV4l2Device : public CVideoCaptureDevice {
public:
    explicit CV4l2Device(std::string path)
        : Path(std::move(path)), Node(std::make_shared<CV4l2Node>(Path)) {}

    bool Start() override {
        {
            // A node that was unplugged answers nothing any more; the device may be back.
            std::lock_guard guard(NodeLock);
            if (!Node->IsOpen() || !Node->CapturesVideo())
                Node = std::make_shared<CV4l2Node>(Path);
        }
        if (!Capture.open(Path, cv::CAP_V4L2))
            return false;
        // As few driver buffers as allowed: a frame waiting in a queue is a late frame.
        Capture.set(cv::CAP_PROP_BUFFERSIZE, 1);
        if (Wanted.Width > 0 && Wanted.Height > 0) {
            Capture.set(cv::CAP_PROP_FRAME_WIDTH, Wanted.Width);
            Capture.set(cv::CAP_PROP_FRAME_HEIGHT, Wanted.Height);
        }
        if (Wanted.Fps > 0.0)
            Capture.set(cv::CAP_PROP_FPS, Wanted.Fps);
        const double fps = Capture.get(cv::CAP_PROP_FPS);
        NoteFormat({int(Capture.get(cv::CAP_PROP_FRAME_WIDTH)),
                    int(Capture.get(cv::CAP_PROP_FRAME_HEIGHT)), fps > 0.0 ? fps : 0.0});
        return true;
    }

    std::vector<CCaptureFormat> Formats() const override { return CurrentNode()->Formats(); }

    bool SetFormat(const CCaptureFormat& format) override {
        if (format.Width <= 0 || format.Height <= 0)
            return false;
        Wanted = format;
        NoteFormat(format);  // the next Start confirms what the driver really gives
        return true;
    }

    std::vector<CCaptureControl> Controls() const override { return CurrentNode()->Controls(); }
    bool SetControl(uint32_t id, int value) override {
        return CurrentNode()->SetControl(id, value);
    }

private:
    std::shared_ptr<CV4l2Node> CurrentNode() const {
        std::lock_guard guard(NodeLock);
        return Node;
    }

    const std::string Path;
    mutable std::mutex NodeLock;
    std::shared_ptr<CV4l2Node> Node;
    CCaptureFormat Wanted;
};

}  // namespace

std::unique_ptr<CCaptureDevice> MakeV4l2Device(const std::string& path) {
    return std::make_unique<CV4l2Device>(path);
}
