#include "ColorTracker.h"
#include "TestCamera.h"
#include "TrackingParams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct CTrackTally {
    int InView = 0, WithinTwoPixels = 0, Away = 0, FoundWhileAway = 0;
};

// Calibrates with a click at the true centre of frame 0, then tracks frames 1..count-1.
CTrackTally TrackCamera(int width, int height, int count) {
    CTestCamera cam(width, height, 30);
    auto tracker = std::make_unique<CColorTracker>();
    CTrackingParams params;
    cv::Mat frame;
    cam.Render(0, frame);
    const cv::Point2f start = *cam.MarkCentre(0);
    tracker->SetCalibrationPoint(int(start.x), int(start.y));
    tracker->RequestCalibration();
    tracker->Track(frame, params, false);

    CTrackTally tally;
    for (int n = 1; n < count; ++n) {
        cam.Render(n, frame);
        float row = -1, col = -1;
        const bool found = tracker->Track(frame, params, false, &row, &col);
        const auto truth = cam.MarkCentre(n);
        if (!truth) {
            ++tally.Away;
            tally.FoundWhileAway += found;
            continue;
        }
        if (!cam.MarkFullyInView(n))
            continue;
        ++tally.InView;
        // The outputs are on a 640 x 480 scale, measured to pixel centres.
        const float x = col * width / 640.0f, y = row * height / 480.0f;
        tally.WithinTwoPixels += found && std::hypot(x - truth->x, y - truth->y) <= 2.0f;
    }
    return tally;
}

}  // namespace

TEST(TestCameraTracking, CalibratedAtFrameZeroTracksTheTruthAndFindsNothingWhenAway) {
    for (auto [w, h] : {std::pair{640, 480}, std::pair{320, 240}}) {
        const CTrackTally t = TrackCamera(w, h, 30 * 13);  // two sweeps and more
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        ASSERT_GT(t.InView, 100);
        ASSERT_GT(t.Away, 50);
        EXPECT_GE(t.WithinTwoPixels, std::ceil(0.99 * t.InView));
        EXPECT_EQ(t.FoundWhileAway, 0);
    }
}
