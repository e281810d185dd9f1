// quelta-track's numbers checked against OpenCV's own pipeline on generated pictures.
#include "Scenes.h"
#include "ToolChecks.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cstdlib>
#include <filesystem>

namespace {

struct CRunCase {
    cv::Size Size;
    CLimits Limits;
    const char* Name;
};

CLimits WithSizes(CLimits l, unsigned minW, unsigned maxW, unsigned minH, unsigned maxH,
                  unsigned ratio) {
    l.MinWidth = minW;
    l.MaxWidth = maxW;
    l.MinHeight = minH;
    l.MaxHeight = maxH;
    l.MinARatio = ratio;
    return l;
}

void ExpectRowsMatch(const CToolRun& run, const std::vector<cv::Mat>& frames,
                     const CLimits& limits) {
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto rows = run.Rows();
    ASSERT_EQ(rows.size(), frames.size() + 1);
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_FALSE(rows[i + 1].empty());
        EXPECT_EQ(rows[i + 1][0], std::to_string(i));
        EXPECT_EQ(CompareRow(rows[i + 1], ReferenceTrack(frames[i], limits)), "") << "frame " << i;
    }
}

// Odd sizes catch row-stride and scaling faults; the limits exercise every selection rule.
TEST(CliResults, ImageListMatchesConnectedComponentsReference) {
    const CLimits colour = BoundsAround(MarkBgr, 14);
    const CRunCase cases[] = {
        {{640, 480}, colour, "defaults"},
        {{320, 240}, WithSizes(colour, 6, 640, 6, 480, 0), "small frame, min size"},
        {{657, 333}, WithSizes(colour, 3, 90, 3, 90, 0), "odd size, max size"},
        {{203, 517}, WithSizes(colour, 0, 640, 0, 480, 55), "tall, aspect limit"},
    };
    uint64_t seed = 100;
    for (const CRunCase& c : cases) {
        SCOPED_TRACE(c.Name);
        CScratchFolder dir;
        std::vector<cv::Mat> frames;
        std::vector<std::string> args{"--settings", dir / "limits.qta"};
        WriteFile(dir / "limits.qta", SettingsText(c.Limits));
        for (int i = 0; i < 8; ++i) {
            frames.push_back(RandomScene(c.Size, ++seed));
            const std::string name = dir / (std::string("in") + std::to_string(i) + ".png");
            ASSERT_TRUE(cv::imwrite(name, frames.back()));
            args.push_back(name);
        }
        ExpectRowsMatch(RunTrack(args, dir.Path()), frames, c.Limits);
    }
}

// A speckled frame has more groups than a 16-bit mask can number: the disc below the specks
// is still the mark, and regions counts every group.
TEST(CliResults, MoreSpecksThanLabelsStillFindsTheMarkAndCountsEveryGroup) {
    CScratchFolder dir;
    cv::Mat frame = DiscScene({1000, 700}, {500, 640}, 30);
    for (int y = 0; y < 590; y += 3)
        for (int x = 0; x < 1000; x += 3)
            frame.at<cv::Vec4b>(y, x) = cv::Vec4b(MarkBgr[0], MarkBgr[1], MarkBgr[2], 255);
    const CLimits limits = BoundsAround(MarkBgr, 14);
    WriteFile(dir / "limits.qta", SettingsText(limits));
    ASSERT_TRUE(cv::imwrite(dir / "specks.png", frame));
    const CToolRun run = RunTrack({"--settings", "limits.qta", "specks.png"}, dir.Path());
    const CReference expected = ReferenceTrack(frame, limits);
    ASSERT_GT(expected.Regions, 65534);
    ASSERT_TRUE(expected.Found);
    ExpectRowsMatch(run, {frame}, limits);
}

TEST(CliResults, NothingFoundGivesZeroAndEightEmptyFields) {
    CScratchFolder dir;
    cv::imwrite(dir / "empty.png", Background({64, 48}, 3));
    const CToolRun run = RunTrack({"empty.png"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "frame,found,regions,min_x,min_y,max_x,max_y,center_x,center_y,row,col\n"
                       "0,0,0,,,,,,,,\n");
}

// Every frame of the video, in order; the reference sees the frames as OpenCV decodes them.
TEST(CliResults, VideoFileGivesEveryFrame) {
    CScratchFolder dir;
    const std::string video = dir / "clip.avi";
    cv::VideoWriter writer(video, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 25, {320, 240});
    ASSERT_TRUE(writer.isOpened());
    for (int i = 0; i < 12; ++i) {
        cv::Mat bgr;
        cv::cvtColor(DiscScene({320, 240}, {30 + 20 * i, 100 + 5 * i}, 14, 9), bgr,
                     cv::COLOR_BGRA2BGR);
        writer.write(bgr);
    }
    writer.release();
    std::vector<cv::Mat> frames;
    cv::VideoCapture capture(video);
    for (cv::Mat bgr; capture.read(bgr);) {
        frames.emplace_back();
        cv::cvtColor(bgr, frames.back(), cv::COLOR_BGR2BGRA);
    }
    ASSERT_EQ(frames.size(), 12u);
    const CLimits limits = BoundsAround(MarkBgr, 30);
    WriteFile(dir / "limits.qta", SettingsText(limits));
    ExpectRowsMatch(RunTrack({"--settings", "limits.qta", "clip.avi"}, dir.Path()), frames, limits);
    int found = 0;
    for (const cv::Mat& frame : frames)
        found += ReferenceTrack(frame, limits).Found;
    EXPECT_EQ(found, 12);  // the clip really shows the mark, so the match above means something
}

// The click learns the colour from the 11 x 11 window around the point, widened by 30 on Y
// and 5 on U and V, and --save-settings writes what was learnt.
TEST(CliResults, ClickCalibratesFromTheWindowAndSaveSettingsKeepsIt) {
    CScratchFolder dir;
    cv::Mat frame = DiscScene({640, 480}, {200, 150}, 25, 4);
    cv::imwrite(dir / "in.png", frame);
    const CToolRun run =
        RunTrack({"--click", "200,150", "--save-settings", "learnt.qta", "in.png"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;

    cv::Mat yuv;
    cv::cvtColor(frame(cv::Rect(195, 145, 11, 11)), yuv, cv::COLOR_BGR2YUV);
    std::vector<cv::Mat> planes;
    cv::split(yuv, planes);
    double lo[3], hi[3];
    for (int c = 0; c < 3; ++c)
        cv::minMaxLoc(planes[c], &lo[c], &hi[c]);
    CLimits expected;
    expected.lMin = std::max(0, int(lo[0]) - 30);
    expected.lMax = std::min(255, int(hi[0]) + 30);
    expected.a1Min = std::max(0, int(lo[1]) - 5);
    expected.a1Max = std::min(255, int(hi[1]) + 5);
    expected.a2Min = std::max(0, int(lo[2]) - 5);
    expected.a2Max = std::min(255, int(hi[2]) + 5);

    CLimits learnt;
    ASSERT_TRUE(ParseSettingsText(ReadFile(dir / "learnt.qta"), learnt));
    EXPECT_EQ(SettingsText(learnt), SettingsText(expected));
    const auto rows = run.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(CompareRow(rows[1], ReferenceTrack(frame, expected)), "");
    EXPECT_EQ(rows[1][1], "1");
}

// Defaults, then the per-user store, then --settings; the store is only ever read.
TEST(CliResults, StartValuesComeFromStoreThenSettingsFileAndStoreIsNeverWritten) {
    CScratchFolder dir;
    const cv::Mat frame = DiscScene({320, 240}, {100, 100}, 20, 6);
    cv::imwrite(dir / "in.png", frame);
    const std::filesystem::path conf =
        std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "Orda" / "Quelta.conf";
    std::filesystem::create_directories(conf.parent_path());
    struct CRemoveStore {
        std::filesystem::path Dir;
        ~CRemoveStore() { std::filesystem::remove_all(Dir); }
    } removeStore{conf.parent_path()};
    const CLimits stored = BoundsAround(MarkBgr, 10);
    WriteFile(conf.string(), "[Settings]\nlMin=" + std::to_string(stored.lMin) +
                                 "\nlMax=" + std::to_string(stored.lMax) +
                                 "\na1Min=" + std::to_string(stored.a1Min) +
                                 "\na1Max=" + std::to_string(stored.a1Max) +
                                 "\na2Min=" + std::to_string(stored.a2Min) +
                                 "\na2Max=" + std::to_string(stored.a2Max) + "\nMinWidth=999\n");
    const std::string before = ReadFile(conf.string());
    const auto stamp = std::filesystem::last_write_time(conf);

    CToolRun run = RunTrack({"in.png"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Rows().size(), 2u);
    EXPECT_EQ(CompareRow(run.Rows()[1], ReferenceTrack(frame, stored)),
              "");  // MinWidth 999 ignored
    EXPECT_EQ(run.Rows()[1][1], "1");

    WriteFile(dir / "none.qta", SettingsText(CLimits{}));
    run = RunTrack({"--settings", "none.qta", "--click", "100,100", "in.png"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Rows()[1][1], "1");  // calibrated, so found whatever the file said

    run = RunTrack({"--settings", "none.qta", "in.png"}, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Rows()[1][1], "0");  // the file's bounds replaced the store's

    EXPECT_EQ(ReadFile(conf.string()), before);
    EXPECT_EQ(std::filesystem::last_write_time(conf), stamp);
}

}  // namespace
