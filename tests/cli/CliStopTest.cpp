// quelta-track stopped by SIGINT, SIGTERM or SIGHUP: it ends after the frame in hand, as if
// its frames had run out.
#include "ToolChecks.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

size_t CompleteLines(const CScratchFolder& dir) {
    return CompleteRows(ReadFile(OutFile(dir.Path()))).size();
}

class CliStop : public testing::TestWithParam<int> {};

TEST_P(CliStop, EndsOnAWholeLineSavesSettingsAndSucceeds) {
    CScratchFolder dir;
    auto track = StartTrack({"--click", "160,120", "--save-settings", "saved.qta", "--frames",
                             "1000000", "testcam:320x240@30"},
                            dir.Path());
    ASSERT_TRUE(WaitUntil([&] { return CompleteLines(dir) >= 4; }, 30s))
        << "waited for three CSV lines: " << ReadFile(ErrFile(dir.Path()));
    track->Signal(GetParam());
    const std::optional<int> status = track->WaitExit(20s);
    ASSERT_TRUE(status) << "did not end within 20 s of the signal";
    EXPECT_EQ(*status, 0) << ReadFile(ErrFile(dir.Path()));
    const std::string out = ReadFile(OutFile(dir.Path()));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '\n');
    const auto rows = CompleteRows(out);
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 13u) << "line " << i;
        EXPECT_EQ(rows[i][0], std::to_string(i - 1));
    }
    CLimits saved;
    EXPECT_TRUE(ParseSettingsText(ReadFile(dir / "saved.qta"), saved)) << "no settings saved";
}

INSTANTIATE_TEST_SUITE_P(Signals, CliStop, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// A camera that sends a frame every 20 s: the stop must not wait for the next one (nor for
// the 10 s after which a silent source counts as lost).
TEST(CliStopSilentSource, StopEndsTheWaitForTheNextFrame) {
    CScratchFolder dir;
    auto track = StartTrack({"--frames", "10", "testcam:64x48@0.05"}, dir.Path());
    ASSERT_TRUE(WaitUntil([&] { return CompleteLines(dir) >= 2; }, 30s))
        << "waited for the first frame's line: " << ReadFile(ErrFile(dir.Path()));
    track->Signal(SIGTERM);
    const std::optional<int> status = track->WaitExit(20s);
    ASSERT_TRUE(status) << "did not end within 20 s of the signal";
    EXPECT_EQ(*status, 0) << ReadFile(ErrFile(dir.Path()));
    EXPECT_EQ(ReadFile(ErrFile(dir.Path())), "");
    EXPECT_EQ(CompleteLines(dir), 2u);
}

}  // namespace
