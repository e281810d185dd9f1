#pragma once
#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <optional>

// A synthetic scene, deterministic in the frame number: textured background, sensor-like
// noise, a slowly varying light level and one saturated disc (the mark) on a known path that
// leaves the picture for a while in every cycle.
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
    int Light() const;   // 0..200, percent of the normal light level
    void SetLight(int percent);
    int Noise() const;   // 0..50, noise amplitude in grey levels
    void SetNoise(int amplitude);
};
