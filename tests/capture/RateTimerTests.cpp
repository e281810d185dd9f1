#include "RateTimer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(RateTimer, NegativeUntilTwoEventsThenEventsPerSecond) {
    CRateTimer timer(10);
    const auto t0 = CRateTimer::Clock::time_point{} + 1h;
    EXPECT_LT(timer.RateUpdate(t0), 0.0);
    EXPECT_NEAR(timer.RateUpdate(t0 + 100ms), 10.0, 1e-9);
    EXPECT_NEAR(timer.RateUpdate(t0 + 200ms), 10.0, 1e-9);
}

TEST(RateTimer, OnlyTheLastTenIntervalsCount) {
    CRateTimer timer(10);
    auto t = CRateTimer::Clock::time_point{} + 1h;
    for (int i = 0; i < 5; ++i)
        timer.RateUpdate(t += 1s);  // 1 per second
    double rate = 0.0;
    for (int i = 0; i < 10; ++i)
        rate = timer.RateUpdate(t += 40ms);  // 25 per second
    EXPECT_NEAR(rate, 25.0, 1e-9);

    // One slow interval and nine fast ones: only a window of exactly ten holds the slow one
    // and no earlier one (nine would give 25, eleven 7.86).
    timer.RateUpdate(t += 1s);
    for (int i = 0; i < 9; ++i)
        rate = timer.RateUpdate(t += 40ms);
    EXPECT_NEAR(rate, 10.0 / 1.36, 1e-9);
}

TEST(RateTimer, ResetStartsOverAndSameInstantGivesNoRate) {
    CRateTimer timer(10);
    const auto t0 = CRateTimer::Clock::now() - 1s;
    timer.RateUpdate(t0);
    timer.RateUpdate(t0 + 50ms);
    timer.Reset();
    EXPECT_LT(timer.RateUpdate(t0 + 60ms), 0.0);
    EXPECT_LT(timer.RateUpdate(t0 + 60ms), 0.0);  // no division by zero
    EXPECT_GT(timer.RateUpdate(), 0.0);           // the real clock moved on
}
