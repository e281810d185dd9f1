#include "CameraControls.h"
#include "Devices.h"
#include "V4l2Query.h"
#include "V4l2Stream.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cmath>
#include <mutex>

namespace {

// How long one wait for a frame may block before the grabber looks whether it should stop.
constexpr int WaitSliceMs = 200;
// A stream that stays silent this long, though the driver reports nothing wrong, is stopped and
// started again: some cameras stall. Dropped frames for a few seconds are not a stall.
constexpr auto StallLimit = std::chrono::seconds(8);

// A V4L2 camera, streamed by us with buffers mapped from the driver.
//
// Nothing stays open while the camera is not streaming: formats and controls are asked through
// a descriptor opened for the question. When the camera fails, every descriptor is released at
// once, so the driver can register it again, under the same number if it comes back quickly.
// Once the camera has been seen, it is found by its identity (its by-id link, or its card name
// and bus position) if it comes back under another number.
class CV4l2Device : public CCaptureDevice {
public:
    explicit CV4l2Device(std::string path)
        : Path(std::move(path)), WakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    ~CV4l2Device() override {
        Stream.Close();
        if (WakeFd >= 0)
            ::close(WakeFd);
    }

    bool Start() override {
        DrainWake();
        const std::string path = Locate();
        if (path.empty())
            return false;
        const auto mode = ChooseMode(CV4l2Node(path).Modes(), Wanted());
        if (!mode || !Stream.Configure(path, *mode) || !Stream.StartStreaming()) {
            Stream.Close();
            return false;
        }
        LearnIdentity(path);
        ApplyRememberedControls(path);
        const CV4l2Settled& settled = Stream.Settled();
        NoteFormat({settled.Width, settled.Height, settled.Fps});
        return true;
    }

    void Stop() override { Stream.Close(); }

    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override {
        const auto silentSince = std::chrono::steady_clock::now();
        while (!Interrupted()) {
            std::chrono::steady_clock::time_point captured;
            switch (Stream.Next(WakeFd, WaitSliceMs, pool, frame, captured)) {
            case CV4l2Stream::EResult::Frame:
                info.Index = Count++;
                info.CaptureTime = captured;
                return true;
            case CV4l2Stream::EResult::Failed:
                return false;
            case CV4l2Stream::EResult::Woken:
                DrainWake();  // the loop's test says whether it was meant for us
                break;
            case CV4l2Stream::EResult::Silence:
                if (std::chrono::steady_clock::now() - silentSince > StallLimit)
                    return false;
                break;
            }
        }
        return false;
    }

    void Interrupt() override {
        CCaptureDevice::Interrupt();
        const uint64_t one = 1;
        if (WakeFd >= 0) [[maybe_unused]]
            const auto written = ::write(WakeFd, &one, sizeof one);
    }

    std::vector<CCaptureFormat> Formats() const override { return CV4l2Node(Locate()).Formats(); }

    // Tried on the device at once (the grabber is stopped meanwhile): true only when the
    // driver settled on the size and rate asked for; otherwise the format in use stays.
    bool SetFormat(const CCaptureFormat& format) override {
        if (format.Width <= 0 || format.Height <= 0)
            return false;
        const std::string path = Locate();
        const auto mode = ChooseMode(CV4l2Node(path).Modes(), format);
        CV4l2Stream probe;
        if (path.empty() || !mode || !probe.Configure(path, *mode))
            return false;
        const CV4l2Settled settled = probe.Settled();
        probe.Close();
        const bool sameSize = settled.Width == format.Width && settled.Height == format.Height;
        const bool sameRate =
            format.Fps <= 0 || std::abs(settled.Fps - format.Fps) <= 0.01 * format.Fps;
        if (!sameSize || !sameRate)
            return false;
        {
            std::lock_guard guard(StateLock);
            WantedFormat = format;
        }
        NoteFormat({settled.Width, settled.Height, settled.Fps});
        return true;
    }

    std::vector<CCaptureControl> Controls() const override {
        return CV4l2Node(Locate()).Controls();
    }

    // A value the camera took is remembered for it, to be applied whenever it is opened.
    bool SetControl(uint32_t id, int value) override {
        const CV4l2Node node(Locate());
        if (!node.SetControl(id, value))
            return false;
        if (!node.IsButton(id))
            RememberCameraControl(CameraKey(), id, value);
        return true;
    }

private:
    // The node of our camera now: the named one while it is our camera, else wherever the
    // camera's identity is found. Before the camera was first seen, the named node.
    std::string Locate() const {
        CV4l2Identity known;
        {
            std::lock_guard guard(StateLock);
            known = Identity;
        }
        if (!known.Known())
            return Path;
        CV4l2Node named(Path);
        if (named.CapturesVideo() && named.Identity().SameCamera(known))
            return Path;
        return FindCamera(known);
    }

    void LearnIdentity(const std::string& path) {
        std::lock_guard guard(StateLock);
        if (!Identity.Known())
            Identity = IdentityOf(path);
    }

    // Two rounds: a manual value is refused until the automatic switch before it is off.
    void ApplyRememberedControls(const std::string& path) {
        auto pending = ReadCameraControls(CameraKey());
        const CV4l2Node node(path);
        for (int round = 0; round < 2 && !pending.empty(); ++round)
            std::erase_if(pending,
                          [&](const auto& c) { return node.SetControl(c.first, c.second); });
    }

    // What names the camera in the store: its by-id link, else its card name and bus position.
    std::string CameraKey() const {
        std::lock_guard guard(StateLock);
        if (!Identity.ById.empty())
            return Identity.ById.substr(Identity.ById.find_last_of('/') + 1);
        return Identity.Known() ? Identity.Card + " " + Identity.BusInfo : std::string();
    }

    CCaptureFormat Wanted() const {
        std::lock_guard guard(StateLock);
        return WantedFormat;
    }

    void DrainWake() {
        uint64_t count;
        while (WakeFd >= 0 && ::read(WakeFd, &count, sizeof count) > 0) {
        }
    }

    const std::string Path;
    const int WakeFd;    // written by Interrupt, so a waiting Grab wakes at once
    CV4l2Stream Stream;  // the grabber thread's only
    int64_t Count = 0;

    mutable std::mutex StateLock;
    CV4l2Identity Identity;
    CCaptureFormat WantedFormat;  // empty: the default size at its highest rate
};

}  // namespace

std::unique_ptr<CCaptureDevice> MakeV4l2Device(const std::string& path) {
    return std::make_unique<CV4l2Device>(path);
}
