#include "FrameReader.h"

#include "CaptureDevice.h"
#include "FrameSequence.h"
#include "ImageSource.h"
#include "StopSignals.h"
#include "TestCamera.h"
#include "ToolError.h"

namespace {

// A live source gives up when it has sent nothing for this long: a headless run must end
// even when the camera or stream is gone for good.
constexpr int NoFrameTimeoutMs = 10000;

class CLiveReader : public CFrameReader {
public:
    explicit CLiveReader(const std::string& name) : Name(name) {
        Source = CImageSource::Open(name);
        if (!Source.HasDevice())
            throw CToolError("cannot open live source '" + name + "'");
        if (CCaptureDevice* device = Source.Device())
            Camera = device->TestCamera();
        Source.Connect(&Sequence);
        if (!Source.EnableCapture(true))
            throw CToolError("cannot start capture on '" + name + "'");
    }

    ~CLiveReader() override {
        Source.EnableCapture(false);
        Source.Disconnect(&Sequence);
    }

    // A stop request ends the run here, also while the source is silent: the signal watcher
    // wakes the wait with an empty image.
    bool Next(cv::Mat& frame) override {
        CFrameInfo info;
        do {
            if (!Sequence.PopFront(frame, NoFrameTimeoutMs, &info))
                throw CToolError("live source '" + Name + "' sent no frame for " +
                                 std::to_string(NoFrameTimeoutMs / 1000) + " seconds");
            if (StopRequested())
                return false;
        } while (frame.empty());  // an empty image only wakes the consumer
        if (frame.type() != CV_8UC4 || !frame.isContinuous())
            frame = ToBgra(frame);
        Index = info.Index;
        // The capture layer stamps frames on the steady clock; others want calendar time.
        Captured = std::chrono::system_clock::now() -
                   std::chrono::duration_cast<std::chrono::system_clock::duration>(
                       std::chrono::steady_clock::now() - info.CaptureTime);
        return true;
    }

    bool HasTruth() const override { return Camera != nullptr; }

    // The camera's centre is in continuous coordinates (pixel x covers [x, x+1)); the engine's
    // centres are mean pixel indices, so half a pixel separates the two.
    std::optional<cv::Point2f> Truth() const override {
        if (!Camera || Index < 0)
            return std::nullopt;
        const std::optional<cv::Point2f> centre = Camera->MarkCentre(Index);
        if (!centre)
            return std::nullopt;
        return cv::Point2f(centre->x - 0.5f, centre->y - 0.5f);
    }

    std::vector<CTestMark> TruthMarks() const override {
        if (!Camera || Index < 0)
            return {};
        std::vector<CTestMark> discs = Camera->Marks(Index);
        for (CTestMark& disc : discs)
            disc.Centre -= cv::Point2f(0.5f, 0.5f);
        return discs;
    }

    std::optional<std::chrono::system_clock::time_point> CaptureTime() const override {
        return Captured;
    }

    bool IsLive() const override { return true; }

private:
    std::string Name;
    CImageSource Source;
    CFrameSequence Sequence;
    CStopWake StopWake{
        [](void* sequence) { static_cast<CFrameSequence*>(sequence)->FPushBackPImage(); },
        &Sequence};
    CTestCamera* Camera = nullptr;
    int64_t Index = -1;
    std::chrono::system_clock::time_point Captured;
};

}  // namespace

std::unique_ptr<CFrameReader> OpenLiveReader(const std::string& name) {
    return std::make_unique<CLiveReader>(name);
}
