// The several-colour pass against OpenCV's per-colour pipeline on real photographs, whose
// regions have the ragged edges, holes and touching neighbours that drawn scenes lack.
#include "ColorTracker.h"
#include "Reference.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// Photographs from Debian's python-matplotlib-data (scripts/setup installs it).
const char* const Photographs[] = {
    "/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg",
    "/usr/share/matplotlib/mpl-data/sample_data/Minduka_Present_Blue_Pack.png",
};

// Colours taken from the picture itself, on a coarse grid, with margins from narrow to wide
// so that the ranges overlap and some colours cover much of the picture.
CColourSet ColoursOf(const cv::Mat& bgra, int count) {
    CColourSet set;
    for (int c = 0; c < count; ++c) {
        const cv::Vec4b px = bgra.at<cv::Vec4b>((c * 7 + 3) * bgra.rows / (7 * count + 4),
                                                (c * 5 + 2) % 9 * bgra.cols / 9);
        const CLimits l = BoundsAround(cv::Vec3b(px[0], px[1], px[2]), 6 + 5 * (c % 5));
        CColour colour;
        colour.Name = "c" + std::to_string(c);
        colour.Limits.lMin = l.lMin, colour.Limits.lMax = l.lMax;
        colour.Limits.a1Min = l.a1Min, colour.Limits.a1Max = l.a1Max;
        colour.Limits.a2Min = l.a2Min, colour.Limits.a2Max = l.a2Max;
        colour.Limits.MinWidth = colour.Limits.MinHeight = 1 + c % 3;
        colour.Limits.MinARatio = 10 * (c % 4);
        colour.MaxMarks = c % 2 ? 64 : 5;
        set.Colours.push_back(colour);
    }
    return set;
}

}  // namespace

TEST(Photographs, EveryColourHasTheMarksOfOpenCvsPipelineForIt) {
    auto tracker = std::make_unique<CColorTracker>();
    COpenCvMarks reference(CLabelling::RasterOrder);
    int photographs = 0, marks = 0;
    for (const char* path : Photographs) {
        if (!std::filesystem::exists(path))
            continue;
        cv::Mat photo = cv::imread(path, cv::IMREAD_COLOR), bgra, yuv;
        ASSERT_FALSE(photo.empty()) << path;
        ++photographs;
        for (const double scale : {1.0, 2.3}) {
            cv::resize(photo, bgra, {}, scale, scale, cv::INTER_LINEAR);
            cv::cvtColor(bgra, bgra, cv::COLOR_BGR2BGRA);
            cv::cvtColor(bgra, yuv, cv::COLOR_BGR2YUV);
            for (const int count : {1, 5, 16}) {
                CColourSet set = ColoursOf(bgra, count);
                cv::Mat frame = bgra.clone();
                tracker->TrackColours(frame, set, false);
                std::size_t next = 0;
                for (int c = 0; c < count; ++c) {
                    const CColour& colour = set.Colours[c];
                    SCOPED_TRACE(std::string(path) + " x" + std::to_string(scale) + " colour " +
                                 std::to_string(c) + " of " + std::to_string(count));
                    const std::vector<CMark>& theirs =
                        reference.Track(yuv, LimitsOf(colour.Limits), c, colour.MaxMarks);
                    EXPECT_EQ(reference.Regions, tracker->ColourRegions()[c]);
                    for (const CMark& t : theirs) {
                        ASSERT_LT(next, tracker->Marks().size());
                        const CMark& o = tracker->Marks()[next++];
                        EXPECT_EQ(c, o.Colour);
                        EXPECT_EQ(cv::Rect(t.MinX, t.MinY, t.MaxX, t.MaxY),
                                  cv::Rect(o.MinX, o.MinY, o.MaxX, o.MaxY));
                        EXPECT_EQ(t.PixelCount, o.PixelCount);
                        EXPECT_NEAR(t.CenterX, o.CenterX, 1e-3);
                        EXPECT_NEAR(t.CenterY, o.CenterY, 1e-3);
                        EXPECT_NEAR(t.Row, o.Row, 1e-3);
                        EXPECT_NEAR(t.Col, o.Col, 1e-3);
                    }
                    marks += static_cast<int>(theirs.size());
                }
                EXPECT_EQ(next, tracker->Marks().size());
            }
        }
    }
    if (photographs == 0)
        GTEST_SKIP() << "no photographs: install python-matplotlib-data";
    EXPECT_GT(marks, 100);  // the colours find plenty to compare
}
