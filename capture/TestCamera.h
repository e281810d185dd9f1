#pragma once
#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// What the test camera shows:
//   OneDisc   one red disc that rests in the middle, then sweeps out of the picture on both
//             sides and back (testcam)
//   SixDiscs  two red, two green and two blue discs on crossing paths, in and out of the
//             picture and behind an opaque pillar (testcam-multi, see TestDiscs.h)
enum class CTestScene { OneDisc, SixDiscs };

// One disc of a frame as it really is.
struct CTestMark {
    int Id = 0;            // 1, 2, ... in the scene's order, the same disc in every frame
    std::string Colour;    // "red", "green" or "blue"
    cv::Point2f Centre;    // true centre, continuous picture coordinates; may lie outside
    bool Visible = false;  // some of it is in the picture and not behind the pillar
    bool Whole = false;    // all of it is in view, and no other disc touches it
};

// A synthetic scene, deterministic in the frame number: textured background, sensor-like
// noise, a slowly varying light level and saturated discs (the marks) on known paths that
// leave the picture for a while in every cycle.
// Positions are continuous picture coordinates: pixel (x, y) covers [x, x+1) x [y, y+1), so a
// blob's mean pixel index plus 0.5 estimates the true centre. The marks are self-lit (like
// LED targets): the room light changes the background, not the marks' colours.
class CTestCamera {
public:
    CTestCamera(int width = 640, int height = 480, double fps = 30.0,
                CTestScene scene = CTestScene::OneDisc);

    int Width() const;
    int Height() const;
    double Fps() const;
    CTestScene Scene() const;

    // Draws frame n into `out` (made CV_8UC4 of the camera's size if it is not).
    void Render(int64_t n, cv::Mat& out) const;
    // Every disc of frame n, in id order, in view or not.
    std::vector<CTestMark> Marks(int64_t n) const;
    // The first disc's true centre in frame n, in pixels; empty while no part of it is in
    // view. FullyInView: it is whole.
    std::optional<cv::Point2f> MarkCentre(int64_t n) const;
    bool MarkFullyInView(int64_t n) const;
    float MarkRadius() const;

    // Adjustable like a camera's controls.
    int Light() const;  // 0..200, percent of the normal light level
    void SetLight(int percent);
    int Noise() const;  // 0..50, noise amplitude in grey levels
    void SetNoise(int amplitude);

private:
    struct CMarkPlace {
        float X, Y;
    };
    CMarkPlace MarkPlace(int64_t n) const;
    std::vector<CTestMark> DiscMarks(int64_t n) const;
    double LightFactor(int64_t n) const;
    void MakeBackground();
    void MakeNoiseLocked();
    void DrawDiscs(int64_t n, cv::Mat& out) const;
    void AddNoiseLocked(int64_t n, cv::Mat& out) const;

    int FrameWidth, FrameHeight;
    double FrameRate;
    CTestScene Shown;
    float Radius;
    cv::Mat Background;  // CV_8UC4, drawn once
    std::atomic<int> LightPercent{100};
    mutable std::mutex NoiseLock;  // guards the noise fields and amplitude
    int NoiseAmplitude = 6;
    cv::Mat NoiseUp, NoiseDown;  // CV_8UC4, larger than the frame, shifted per frame
};
