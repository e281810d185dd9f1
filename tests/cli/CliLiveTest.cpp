// quelta-track on live sources: the built-in test camera (with its truth columns), a looping
// file and a GStreamer pipeline.
#include "Scenes.h"
#include "TestCamera.h"
#include "ToolChecks.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>

namespace {

// Learns the mark's colour the way a user would: a click at its centre on one still frame of
// the same camera, saved with --save-settings.
std::string LearnTestCameraColour(const CScratchFolder& dir, const CTestCamera& camera) {
    int64_t n = 0;
    while (!camera.MarkFullyInView(n))
        ++n;
    cv::Mat frame;
    camera.Render(n, frame);
    cv::imwrite(dir / "still.png", frame);
    const cv::Point2f centre = *camera.MarkCentre(n);
    const std::string click = std::to_string(int(centre.x)) + "," + std::to_string(int(centre.y));
    const CToolRun run =
        RunTrack({"--click", click, "--save-settings", "mark.qta", "still.png"}, dir.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    return "mark.qta";
}

TEST(CliLive, TestCameraRowsFollowTheTruthColumns) {
    CScratchFolder dir;
    const CTestCamera camera(320, 240, 30);
    const std::string settings = LearnTestCameraColour(dir, camera);
    const CToolRun run =
        RunTrack({"--settings", settings, "--frames", "200", "testcam:320x240@30"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto rows = run.Rows();
    ASSERT_EQ(rows.size(), 201u);
    ASSERT_EQ(rows[0].size(), 13u);
    EXPECT_EQ(rows[0][11], "truth_x");
    EXPECT_EQ(rows[0][12], "truth_y");
    const float margin = camera.MarkRadius() + 1.0f;
    int outOfView = 0, inView = 0, close = 0;
    for (size_t i = 1; i < rows.size(); ++i) {
        const auto& row = rows[i];
        ASSERT_EQ(row.size(), 13u) << i;
        if (row[11].empty()) {
            EXPECT_TRUE(row[12].empty());
            EXPECT_EQ(row[1], "0") << "found while the mark is out of view, row " << i;
            ++outOfView;
            continue;
        }
        const float tx = std::stof(row[11]), ty = std::stof(row[12]);
        if (tx < margin || ty < margin || tx > 320 - margin || ty > 240 - margin)
            continue;  // partly out of view
        ++inView;
        if (row[1] == "1" && std::hypot(std::stof(row[7]) - tx, std::stof(row[8]) - ty) <= 2.0f)
            ++close;
    }
    // 200 frames span more than the camera's 6-second cycle, so both states occur.
    EXPECT_GT(outOfView, 0);
    ASSERT_GT(inView, 0);
    EXPECT_GE(close, inView * 99 / 100) << close << " of " << inView;
}

TEST(CliLive, LoopingFileRunsForTheFramesAsked) {
    CScratchFolder dir;
    cv::VideoWriter writer(dir / "clip.avi", cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30,
                           {160, 120});
    ASSERT_TRUE(writer.isOpened());
    for (int i = 0; i < 3; ++i) {
        cv::Mat bgr;
        cv::cvtColor(DiscScene({160, 120}, {40 + 30 * i, 60}, 10, 2), bgr, cv::COLOR_BGRA2BGR);
        writer.write(bgr);
    }
    writer.release();
    WriteFile(dir / "limits.qta", SettingsText(BoundsAround(MarkBgr, 30)));
    const CToolRun run =
        RunTrack({"--settings", "limits.qta", "--frames", "7", "file:clip.avi"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto rows = run.Rows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].size(), 11u);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i][1], "1") << i;
}

TEST(CliLive, GStreamerPipelineDelivers) {
    CScratchFolder dir;
    const CToolRun run =
        RunTrack({"--frames", "3",
                  "gst:videotestsrc ! video/x-raw,width=160,height=120 ! videoconvert ! appsink"},
                 dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Rows().size(), 4u);
}

}  // namespace
