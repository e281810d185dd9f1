#include "Devices.h"
#include "FramePool.h"
#include "VideoCaptureDevice.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <filesystem>

namespace {

CCaptureFormat FormatOf(const cv::VideoCapture& capture, double fallbackFps) {
    const double fps = capture.get(cv::CAP_PROP_FPS);
    return {static_cast<int>(capture.get(cv::CAP_PROP_FRAME_WIDTH)),
            static_cast<int>(capture.get(cv::CAP_PROP_FRAME_HEIGHT)),
            fps > 0.0 && fps <= 1000.0 ? fps : fallbackFps};
}

// A video file played in a loop at its own frame rate. The file is opened afresh for every
// round, so a file that has gone away is noticed at the end of the round and a restored one
// is picked up by the retry.
class CVideoFileDevice : public CCaptureDevice {
public:
    explicit CVideoFileDevice(std::string path) : Path(std::move(path)) {}

    bool Start() override {
        if (!Reopen())
            return false;
        Clock.Reset(CurrentFormat().Fps);
        return true;
    }
    void Stop() override { Capture.release(); }

    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override {
        if (!Capture.read(Raw) && !(Reopen() && Capture.read(Raw)))
            return false;
        if (!WaitUntil(Clock.Next()) || !ToPoolFrame(Raw, pool, frame))
            return false;
        info.Index = Count++;
        info.CaptureTime = std::chrono::steady_clock::now();
        return true;
    }

private:
    bool Reopen() {
        Capture.release();
        // Checked first so that a missing file, tried again every second, stays quiet.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(Path, ec) || !Capture.open(Path, cv::CAP_FFMPEG))
            return false;
        NoteFormat(FormatOf(Capture, 30.0));
        return true;
    }

    const std::string Path;
    cv::VideoCapture Capture;
    cv::Mat Raw;
    CFrameClock Clock;
    int64_t Count = 0;
};

// A still picture delivered as a camera would, 30 times a second, each time in a buffer of
// its own (the tracking pass draws into frames). The file is read again on every start.
class CStillImageDevice : public CCaptureDevice {
public:
    explicit CStillImageDevice(std::string path) : Path(std::move(path)) {}

    bool Start() override {
        Picture = cv::imread(Path, cv::IMREAD_COLOR);
        if (Picture.empty())
            return false;
        NoteFormat({Picture.cols, Picture.rows, 30.0});
        Clock.Reset(30.0);
        return true;
    }
    void Stop() override { Picture.release(); }

    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override {
        if (!WaitUntil(Clock.Next()) || !ToPoolFrame(Picture, pool, frame))
            return false;
        info.Index = Count++;
        info.CaptureTime = std::chrono::steady_clock::now();
        return true;
    }

private:
    const std::string Path;
    cv::Mat Picture;
    CFrameClock Clock;
    int64_t Count = 0;
};

// A GStreamer pipeline ending in appsink, opened through OpenCV. The pipeline sets the pace,
// and may change the frame size on the way.
class CPipelineDevice : public CVideoCaptureDevice {
public:
    explicit CPipelineDevice(std::string pipeline) : Pipeline(std::move(pipeline)) {}

    bool Start() override {
        if (!Capture.open(Pipeline, cv::CAP_GSTREAMER))
            return false;
        NoteFormat(FormatOf(Capture, 0.0));
        return true;
    }

    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override {
        if (!CVideoCaptureDevice::Grab(pool, frame, info))
            return false;
        const CCaptureFormat now = CurrentFormat();
        if (now.Width != frame.cols || now.Height != frame.rows)
            NoteFormat({frame.cols, frame.rows, now.Fps});
        return true;
    }

private:
    const std::string Pipeline;
};

}  // namespace

std::unique_ptr<CCaptureDevice> MakeVideoFileDevice(const std::string& path) {
    return std::make_unique<CVideoFileDevice>(path);
}

std::unique_ptr<CCaptureDevice> MakeStillImageDevice(const std::string& path) {
    return std::make_unique<CStillImageDevice>(path);
}

std::unique_ptr<CCaptureDevice> MakePipelineDevice(const std::string& pipeline) {
    return std::make_unique<CPipelineDevice>(pipeline);
}
