#include "TestDiscs.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

constexpr double RestSeconds = 2.0;     // every disc rests until then
constexpr double ArriveSeconds = 29.5;  // and is back at rest from then on
constexpr double Width = 640.0, Height = 480.0;
constexpr double Margin = 27.0;             // a leg starts and ends this far outside the picture
const cv::Point2d Far(-10000.0, -10000.0);  // where a disc waits between its appearances

// The times at which p + v (t - when) is inside the picture widened by Margin.
std::pair<double, double> InView(cv::Point2d p, cv::Point2d v, double when) {
    double lo = -1e9, hi = 1e9;
    for (const auto [c, vc, size] : {std::tuple{p.x, v.x, Width}, std::tuple{p.y, v.y, Height}}) {
        if (std::abs(vc) < 1e-9)
            continue;  // the paths never run along an edge
        const double t1 = when + (-Margin - c) / vc, t2 = when + (size + Margin - c) / vc;
        lo = std::max(lo, std::min(t1, t2));
        hi = std::min(hi, std::max(t1, t2));
    }
    return {lo, hi};
}

}  // namespace

// Writes one disc's key frames: its resting place, then straight legs one after the other.
// Headings are in degrees, clockwise on the picture (y grows downwards), from the x axis;
// speeds in pixels a second.
class CDiscPaths::CBuilder {
public:
    CBuilder(std::vector<CKey>& keys, cv::Point2d rest) : Keys(keys), Rest(rest) {
        Keys = {{0.0, rest}, {RestSeconds, rest}};
    }
    // Out of the picture from the resting place.
    void Leave(double heading, double speed) {
        Line(Rest, RestSeconds, heading, speed, RestSeconds, std::nullopt);
    }
    // Across the picture through `at` at `when`, from entering it to leaving it.
    void Pass(cv::Point2d at, double when, double heading, double speed) {
        Line(at, when, heading, speed, std::nullopt, std::nullopt);
    }
    // Into the picture and to the resting place, there at ArriveSeconds.
    void Return(double heading, double speed) {
        Line(Rest, ArriveSeconds, heading, speed, std::nullopt, ArriveSeconds);
        Keys.push_back({LoopSeconds, Rest});
    }

private:
    void Line(cv::Point2d at, double when, double heading, double speed,
              std::optional<double> start, std::optional<double> end) {
        const double a = heading * std::numbers::pi / 180.0;
        const cv::Point2d v(speed * std::cos(a), speed * std::sin(a));
        auto [lo, hi] = InView(at, v, when);
        lo = std::max(start.value_or(lo), Keys.back().Time);
        hi = end.value_or(hi);
        if (lo > Keys.back().Time) {
            Keys.push_back({Keys.back().Time, Far});
            Keys.push_back({lo, Far});
        }
        Keys.push_back({lo, at + v * (lo - when)});
        Keys.push_back({hi, at + v * (hi - when)});
    }

    std::vector<CKey>& Keys;
    cv::Point2d Rest;
};

// See the header for the story. Crossing partners reach the meeting point at the same time
// or up to a tenth of a second apart, so their centres come within 0 to 21 pixels.
CDiscPaths::CDiscPaths() {
    CBuilder r1(Keys[0], {80, 120}), r2(Keys[1], {80, 360});
    CBuilder g1(Keys[2], {210, 120}), g2(Keys[3], {210, 360});
    CBuilder b1(Keys[4], {340, 120}), b2(Keys[5], {340, 360});
    r1.Leave(180, 150), r2.Leave(180, 150);
    g1.Leave(270, 150), g2.Leave(90, 150);
    b1.Leave(270, 150), b2.Leave(90, 150);

    r1.Pass({200, 170}, 4.5, 20, 240), r2.Pass({200, 170}, 4.6, -70, 270);
    b1.Pass({488, 400}, 4.5, 180, 210);

    g1.Pass({300, 250}, 8.5, 30, 240), g2.Pass({300, 250}, 8.6, 150, 240);
    r2.Pass({488, 80}, 8.5, 180, 210);

    b1.Pass({220, 330}, 12.5, -45, 240), b2.Pass({220, 330}, 12.6, 45, 255);
    g1.Pass({488, 130}, 12.5, 190, 210);

    r1.Pass({300, 300}, 16.5, 15, 210), r2.Pass({300, 300}, 16.57, 165, 210);
    b2.Pass({488, 90}, 16.5, 180, 210);

    g1.Pass({200, 130}, 20.5, 60, 240), g2.Pass({200, 130}, 20.6, -30, 240);
    b1.Pass({300, 350}, 20.5, 200, 240), b2.Pass({300, 350}, 20.5, 320, 240);
    r1.Pass({488, 180}, 20.5, 180, 210);

    // The lanes, 80 pixels apart, each disc crossing the pillar at its own time.
    r1.Pass({488, 50}, 25.2, 180, 210), g1.Pass({488, 130}, 25.0, 0, 210);
    b1.Pass({488, 210}, 25.4, 180, 210), r2.Pass({488, 290}, 24.8, 0, 210);
    g2.Pass({488, 370}, 25.6, 180, 210), b2.Pass({488, 450}, 25.3, 0, 210);

    r1.Return(0, 120), r2.Return(0, 120);
    g1.Return(90, 120), g2.Return(270, 120);
    b1.Return(90, 120), b2.Return(270, 120);
}

const CDiscPaths& CDiscPaths::Scene() {
    static const CDiscPaths paths;
    return paths;
}

cv::Point2f CDiscPaths::Place(int disc, double seconds) const {
    double t = std::fmod(seconds, LoopSeconds);
    if (t < 0.0)
        t += LoopSeconds;
    const std::vector<CKey>& keys = Keys[disc];
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        const CKey &a = keys[i], &b = keys[i + 1];
        if (a.Time <= t && t < b.Time) {
            const double f = (t - a.Time) / (b.Time - a.Time);
            return cv::Point2f(a.Place + (b.Place - a.Place) * f);
        }
    }
    return cv::Point2f(keys.back().Place);
}
