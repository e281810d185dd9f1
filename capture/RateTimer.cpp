#include "RateTimer.h"

CRateTimer::CRateTimer(int intervals) : Intervals(intervals < 1 ? 1 : intervals) {}

double CRateTimer::RateUpdate() { return RateUpdate(Clock::now()); }

double CRateTimer::RateUpdate(Clock::time_point now) {
    Times.push_back(now);
    while (Times.size() > static_cast<size_t>(Intervals) + 1)
        Times.pop_front();
    if (Times.size() < 2)
        return -1.0;
    const double seconds = std::chrono::duration<double>(Times.back() - Times.front()).count();
    // Two events at the same instant give no rate worth showing.
    if (seconds <= 0.0)
        return -1.0;
    return static_cast<double>(Times.size() - 1) / seconds;
}

void CRateTimer::Reset() { Times.clear(); }
