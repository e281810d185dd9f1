// quelta-track's options, output files and errors, end to end.
#include "Scenes.h"
#include "ToolChecks.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class CliInterface : public testing::Test {
protected:
    void SetUp() override {
        Limits = BoundsAround(MarkBgr, 14);
        WriteFile(Dir / "limits.qta", SettingsText(Limits));
        for (int i = 0; i < 3; ++i) {
            Frames.push_back(DiscScene({320, 240}, {60 + 80 * i, 120}, 15, 20 + i));
            cv::imwrite(Dir / (std::string("f") + std::to_string(i) + ".png"), Frames.back());
        }
    }

    CToolRun Run(std::vector<std::string> args) { return RunTrack(args, Dir.Path()); }

    CScratchFolder Dir;
    CLimits Limits;
    std::vector<cv::Mat> Frames;
};

TEST_F(CliInterface, FramesOptionStopsAfterNFramesInBothSpellings) {
    for (const auto& option :
         {std::vector<std::string>{"--frames", "2"}, std::vector<std::string>{"--frames=2"}}) {
        std::vector<std::string> args = option;
        args.insert(args.end(), {"--settings", "limits.qta", "f0.png", "f1.png", "f2.png"});
        const CToolRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        const auto rows = run.Rows();
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2][0], "1");
        EXPECT_EQ(rows[2][1], "1");
    }
}

// The outline is drawn into the frame's pixels and written out; PNG keeps them exactly.
TEST_F(CliInterface, DrawWritesEveryFrameWithTheRedOutlineAtTheBox) {
    const CToolRun run =
        Run({"--settings", "limits.qta", "--draw", "out-%03d.png", "f0.png", "f1.png"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto rows = run.Rows();
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        const cv::Mat drawn = cv::imread(Dir / (std::string("out-00") + std::to_string(i) + ".png"),
                                         cv::IMREAD_UNCHANGED);
        ASSERT_FALSE(drawn.empty()) << i;
        ASSERT_EQ(rows[i + 1][1], "1");
        const cv::Point corner(std::stoi(rows[i + 1][3]), std::stoi(rows[i + 1][4]));
        EXPECT_EQ(drawn.at<cv::Vec3b>(corner), cv::Vec3b(0, 0, 255)) << i;
        EXPECT_EQ(drawn.at<cv::Vec3b>(5, 5),
                  cv::Vec3b(Frames[i].at<cv::Vec4b>(5, 5)[0], Frames[i].at<cv::Vec4b>(5, 5)[1],
                            Frames[i].at<cv::Vec4b>(5, 5)[2]));
    }
    EXPECT_FALSE(fs::exists(Dir / "out-002.png"));
}

TEST_F(CliInterface, DrawToJpegWritesThreeChannelPictures) {
    const CToolRun run = Run({"--settings", "limits.qta", "--draw", "o%d.jpg", "f0.png"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const cv::Mat drawn = cv::imread(Dir / "o0.jpg", cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.channels(), 3);
}

// --point without --click shows the green window but learns nothing.
TEST_F(CliInterface, PointDrawsTheGreenWindowWithoutCalibrating) {
    const CToolRun run =
        Run({"--point", "100,50", "--draw", "p.png", "--save-settings", "s.qta", "f0.png"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Rows()[1][1], "0");
    const cv::Mat drawn = cv::imread(Dir / "p.png");
    EXPECT_EQ(drawn.at<cv::Vec3b>(45, 95), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(drawn.at<cv::Vec3b>(55, 105), cv::Vec3b(0, 255, 0));
    CLimits saved;
    ASSERT_TRUE(ParseSettingsText(ReadFile(Dir / "s.qta"), saved));
    EXPECT_EQ(SettingsText(saved), SettingsText(CLimits{}));
}

TEST_F(CliInterface, ShowMaskPaintsTheMaskBlackAndWhite) {
    const CToolRun run =
        Run({"--settings", "limits.qta", "--show-mask", "--draw", "m.png", "f0.png"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const cv::Mat drawn = cv::imread(Dir / "m.png");
    EXPECT_EQ(drawn.at<cv::Vec3b>(120, 60), cv::Vec3b(255, 255, 255));  // the disc's centre
    EXPECT_EQ(drawn.at<cv::Vec3b>(10, 300), cv::Vec3b(0, 0, 0));        // background
    const CToolRun plain = Run({"--settings", "limits.qta", "--show-mask", "f0.png"});
    EXPECT_EQ(plain.Out, run.Out);  // the mask changes the picture, never the numbers
}

TEST_F(CliInterface, HelpPrintsUsageAndSucceeds) {
    const CToolRun run = Run({"--help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("Usage: quelta-track"), std::string::npos);
}

struct CBadCall {
    std::vector<std::string> Args;
    const char* Why;
};

// Every refusal is one line on stderr and status 2, before any CSV line.
TEST_F(CliInterface, BadCallsFailWithOneLineAndStatusTwo) {
    WriteFile(Dir / "bad.qta", "QTA 1\r\nlMin 300\r\n");
    WriteFile(Dir / "garbage.png", "this is not a picture at all");
    const CBadCall calls[] = {
        {{}, "no source"},
        {{"--bogus", "f0.png"}, "unknown option"},
        {{"--frames", "0", "f0.png"}, "zero frames"},
        {{"--frames", "two", "f0.png"}, "frames not a number"},
        {{"f0.png", "--frames"}, "missing value"},
        {{"--click", "5", "f0.png"}, "click without Y"},
        {{"--click", "a,b", "f0.png"}, "click not numbers"},
        {{"--point", "1,2,3", "f0.png"}, "point with three numbers"},
        {{"--click", "1,2", "--point", "3,4", "f0.png"}, "click and point"},
        {{"--draw", "x-%s.png", "f0.png"}, "pattern with %s"},
        {{"--draw", "x-%d-%d.png", "f0.png"}, "pattern with two %d"},
        {{"--draw", "x-%d.nosuchformat", "f0.png"}, "unknown picture format"},
        {{"missing.png"}, "missing file"},
        {{"garbage.png"}, "not a picture"},
        {{"f0.png", "garbage.png"}, "one of several not a picture"},
        {{"--settings", "absent.qta", "f0.png"}, "settings file missing"},
        {{"--settings", "bad.qta", "f0.png"}, "settings file refused"},
        {{"testcam"}, "live source without --frames"},
        {{"testcam", "f0.png", "--frames", "2"}, "live source among others"},
        {{"v4l2:/dev/no-such-camera", "--frames", "2"}, "camera that cannot be opened"},
    };
    for (const CBadCall& call : calls) {
        const CToolRun run = Run(call.Args);
        EXPECT_EQ(run.Status, 2) << call.Why;
        EXPECT_EQ(run.Out, "") << call.Why;
        ASSERT_EQ(run.ErrLines().size(), 1u) << call.Why << ": " << run.Err;
        EXPECT_EQ(run.ErrLines()[0].rfind("quelta-track: ", 0), 0u) << call.Why;
    }
}

// Failures that only show during the run still end with one line and status 2, after the
// frames that were done.
TEST_F(CliInterface, LateFailuresAreReportedAfterTheFramesDone) {
    const std::string whole = ReadFile(Dir / "f1.png");
    WriteFile(Dir / "cut.png", whole.substr(0, whole.size() / 2));  // a valid start, cut short
    CToolRun run = Run({"f0.png", "cut.png"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Rows().size(), 2u);
    EXPECT_EQ(run.ErrLines().size(), 1u) << run.Err;

    run = Run({"--save-settings", "no/such/dir/s.qta", "f0.png"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Rows().size(), 2u);
    EXPECT_EQ(run.ErrLines().size(), 1u) << run.Err;

    run = Run({"--colour", "one", "--save-colours", "no/such/dir/s.qta", "f0.png"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Rows().size(), 2u);
    EXPECT_EQ(run.ErrLines().size(), 1u) << run.Err;

    fs::create_directory(Dir / "taken.png");
    run = Run({"--draw", "taken.png", "f0.png"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.ErrLines().size(), 1u) << run.Err;
}

}  // namespace
