#include "Devices.h"
#include "FramePool.h"
#include "TestCamera.h"

#include <atomic>
#include <cmath>

namespace {

enum : uint32_t { LightControl = 1, NoiseControl = 2 };

// The test camera as a capture device: frame n is drawn when its time has come, counted from
// the start of streaming; frames that could not be drawn in time are skipped, as a real
// camera drops them.
class CTestCameraDevice : public CCaptureDevice {
public:
    CTestCameraDevice(int width, int height, double fps, CTestScene scene)
        : Camera(std::make_unique<CTestCamera>(width, height, fps, scene)) {
        NoteFormat({width, height, fps});
    }

    bool Start() override {
        Origin = std::chrono::steady_clock::now();
        Next = 0;
        return true;
    }
    void Stop() override {}

    bool Grab(CFramePool& pool, cv::Mat& frame, CFrameInfo& info) override {
        const CTestCamera& cam = *Camera;
        const double fps = cam.Fps();
        const auto due = Origin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(Next / fps));
        if (!WaitUntil(due))
            return false;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Origin).count();
        const int64_t n = std::max<int64_t>(Next, static_cast<int64_t>(std::floor(elapsed * fps)));
        frame = pool.Acquire(cam.Width(), cam.Height());
        cam.Render(n, frame);
        info.Index = n;
        // The moment frame n shows, n / fps after the start, however late it was drawn: a stamp
        // taken after drawing carries the scheduler's delays into every speed measured from it.
        info.CaptureTime = Origin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(n / fps));
        Next = n + 1;
        return true;
    }

    std::vector<CCaptureFormat> Formats() const override {
        const double fps = Camera->Fps();
        return {{320, 240, fps}, {640, 480, fps}, {1280, 720, fps}};
    }

    // Called while the grabber is stopped, so the camera can be replaced.
    bool SetFormat(const CCaptureFormat& format) override {
        if (format.Width < 16 || format.Height < 16)
            return false;
        const double fps = format.Fps > 0.0 ? format.Fps : Camera->Fps();
        auto fresh =
            std::make_unique<CTestCamera>(format.Width, format.Height, fps, Camera->Scene());
        fresh->SetLight(Camera->Light());
        fresh->SetNoise(Camera->Noise());
        Camera = std::move(fresh);
        NoteFormat({format.Width, format.Height, fps});
        return true;
    }

    std::vector<CCaptureControl> Controls() const override {
        CCaptureControl light;
        light.Id = LightControl;
        light.Name = "Light level";
        light.Minimum = 0, light.Maximum = 200, light.Step = 1, light.Default = 100;
        light.Value = Camera->Light();
        CCaptureControl noise;
        noise.Id = NoiseControl;
        noise.Name = "Noise";
        noise.Minimum = 0, noise.Maximum = 50, noise.Step = 1, noise.Default = 6;
        noise.Value = Camera->Noise();
        return {light, noise};
    }

    bool SetControl(uint32_t id, int value) override {
        if (id == LightControl)
            Camera->SetLight(value);
        else if (id == NoiseControl)
            Camera->SetNoise(value);
        else
            return false;
        return true;
    }

    CTestCamera* TestCamera() override { return Camera.get(); }

private:
    std::unique_ptr<CTestCamera> Camera;
    std::chrono::steady_clock::time_point Origin;
    int64_t Next = 0;
};

}  // namespace

std::unique_ptr<CCaptureDevice> MakeTestCameraDevice(int width, int height, double fps,
                                                     CTestScene scene) {
    return std::make_unique<CTestCameraDevice>(width, height, fps, scene);
}
