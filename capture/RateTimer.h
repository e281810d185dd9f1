#pragma once
#include <chrono>
#include <deque>

// Events per second over the last Intervals intervals between calls of RateUpdate.
class CRateTimer {
public:
    using Clock = std::chrono::steady_clock;
    explicit CRateTimer(int intervals = 10);
    // Records one event now; returns the rate, negative until there have been two events.
    double RateUpdate();
    double RateUpdate(Clock::time_point now);  // for tests
    void Reset();

private:
    int Intervals;
    std::deque<Clock::time_point> Times;
};
