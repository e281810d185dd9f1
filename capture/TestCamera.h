#pragma once
#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

// A synthetic scene, deterministic in the frame number: textured background, sensor-like
// noise, a slowly varying light level and one saturated disc (the mark) on a known path that
// leaves the picture for a while in every cycle.
// Positions are continuous picture coordinates: pixel (x, y) covers [x, x+1) x [y, y+1), so a
// blob's mean pixel index plus 0.5 estimates the true centre. The mark is self-lit (like an
// LED target): the room light changes the background, not the mark's colour.
class CTestCamera {
public:
    CTestCamera(int width = 640, int height = 480, double fps = 30.0);

    int Width() const;
    int Height() const;
    double Fps() const;

    // Draws frame n into `out` (made CV_8UC4 of the camera's size if it is not).
    void Render(int64_t n, cv::Mat& out) const;
    // The mark's true centre in frame n, in pixels; empty while no part of it is in view.
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
    double LightFactor(int64_t n) const;
    void MakeBackground();
    void MakeNoiseLocked();
    void DrawMark(const CMarkPlace& place, cv::Mat& out) const;
    void AddNoiseLocked(int64_t n, cv::Mat& out) const;

    int FrameWidth, FrameHeight;
    double FrameRate;
    float Radius;
    cv::Mat Background;  // CV_8UC4, drawn once
    std::atomic<int> LightPercent{100};
    mutable std::mutex NoiseLock;  // guards the noise fields and amplitude
    int NoiseAmplitude = 6;
    cv::Mat NoiseUp, NoiseDown;  // CV_8UC4, larger than the frame, shifted per frame
};
