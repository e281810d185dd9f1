// The pass over a colour set: one colour is today's pass, and each colour of several gets the
// marks its own one-colour pass gives.
#include "AllocationCounter.h"
#include "TestFrames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace TestFrames;

namespace {

CColour ColourAround(const std::string& name, cv::Scalar bgr, int margin, int maxMarks = 8) {
    CColour c;
    c.Name = name;
    AcceptAround(c.Limits, bgr, margin);
    c.MaxMarks = maxMarks;
    return c;
}

void ExpectSameMark(const CMark& e, const CMark& a) {
    EXPECT_EQ(e.MinX, a.MinX);
    EXPECT_EQ(e.MinY, a.MinY);
    EXPECT_EQ(e.MaxX, a.MaxX);
    EXPECT_EQ(e.MaxY, a.MaxY);
    EXPECT_EQ(e.PixelCount, a.PixelCount);
    EXPECT_EQ(e.CenterX, a.CenterX);
    EXPECT_EQ(e.CenterY, a.CenterY);
    EXPECT_EQ(e.Row, a.Row);
    EXPECT_EQ(e.Col, a.Col);
    EXPECT_EQ(e.Angle, a.Angle);
    EXPECT_EQ(e.Elongation, a.Elongation);
}

// Discs, bars and specks of three colours on noise; red and orange overlap in their bounds.
cv::Mat ThreeColourScene(cv::Size size, uint64_t seed) {
    cv::Mat f = RandomScene(size, seed);
    cv::RNG rng(seed);
    const cv::Scalar colours[] = {{30, 30, 220, 255}, {40, 200, 60, 255}, {220, 60, 30, 255}};
    for (int i = 0; i < 40; ++i) {
        const cv::Scalar& c = colours[i % 3];
        const cv::Point at(rng.uniform(0, size.width), rng.uniform(0, size.height));
        if (i % 4 == 0)
            cv::ellipse(f, at, {rng.uniform(3, 40), rng.uniform(2, 15)}, rng.uniform(0, 180), 0,
                        360, c, cv::FILLED);
        else
            cv::circle(f, at, rng.uniform(1, 25), c, cv::FILLED);
    }
    return f;
}

}  // namespace

TEST(ColourPass, OneColourIsTodaysPassWithItsMarks) {
    for (const std::string& name : SceneNames()) {
        const CScene scene = MakeScene(name, 640, 480);
        cv::Mat today = scene.Frame.clone(), ours = scene.Frame.clone();
        CTrackingParams params = scene.Params;
        CColourSet set{{CColour{"marca", scene.Params}}};
        auto a = std::make_unique<CColorTracker>(), b = std::make_unique<CColorTracker>();
        a->SetCalibrationPoint(100, 100), b->SetCalibrationPoint(100, 100);
        const bool found = a->Track(today, params, true);
        EXPECT_EQ(found, b->TrackColours(ours, set, true)) << name;
        EXPECT_TRUE(SameBytes(today, ours)) << name << ": drawn differently";
        ASSERT_EQ(std::vector<int>{a->GroupCount()}, b->ColourRegions()) << name;
        ASSERT_EQ(found, !b->Marks().empty()) << name;
        if (found) {
            const BlobInfo& chosen = a->Blobs()[a->ChosenBlob()];
            EXPECT_EQ(chosen.MinX, b->Marks()[0].MinX) << name;
            EXPECT_EQ(chosen.MaxY, b->Marks()[0].MaxY) << name;
            EXPECT_EQ(chosen.CenterX, b->Marks()[0].CenterX) << name;
        }
    }
}

// Several colours at once must give each colour exactly its one-colour marks, in the order of
// the longest diagonals, however the colours' bounds overlap.
TEST(ColourPass, EachColourOfASetGetsItsOwnPassMarks) {
    CColourSet set{{ColourAround("vermell", {30, 30, 220}, 30, 64),
                    ColourAround("verd", {40, 200, 60}, 12, 5),
                    ColourAround("blau", {220, 60, 30}, 20, 64),
                    ColourAround("ample", {30, 30, 220}, 60, 64)}};
    auto several = std::make_unique<CColorTracker>(), one = std::make_unique<CColorTracker>();
    for (cv::Size size : {cv::Size(640, 480), cv::Size(333, 101), cv::Size(1280, 720)}) {
        for (const int channels : {4, 3}) {
            cv::Mat frame = ThreeColourScene(size, size.width + channels);
            if (channels == 3)
                cv::cvtColor(frame, frame, cv::COLOR_BGRA2BGR);
            cv::Mat work = frame.clone();
            several->TrackColours(work, set, false);
            const std::vector<CMark> marks = several->Marks();
            std::size_t next = 0;
            for (int c = 0; c < int(set.Colours.size()); ++c) {
                SCOPED_TRACE(set.Colours[c].Name + " " + std::to_string(size.width));
                CColourSet alone{{set.Colours[c]}};
                cv::Mat w = frame.clone();
                one->TrackColours(w, alone, false);
                EXPECT_EQ(one->ColourRegions()[0], several->ColourRegions()[c]);
                ASSERT_LE(next + one->Marks().size(), marks.size());
                for (const CMark& m : one->Marks()) {
                    EXPECT_EQ(c, marks[next].Colour);
                    ExpectSameMark(m, marks[next++]);
                }
            }
            EXPECT_EQ(next, marks.size());
            EXPECT_GT(marks.size(), 20u);  // the scene holds many marks of every colour
        }
    }
}

// Angle and elongation from the second moments: filled ellipses drawn at known angles
// (counter-clockwise as seen) and a disc.
TEST(ColourPass, MarksHaveTheShapeTheirPixelsHave) {
    auto tracker = std::make_unique<CColorTracker>();
    CColourSet set{{ColourAround("blau", {220, 60, 30}, 10)}};
    for (const double degrees : {0.0, 30.0, 89.0, -45.0, 90.0}) {
        cv::Mat f = SolidFrame(640, 480, Grey);
        // OpenCV's ellipse angle turns clockwise on the picture (rows go down).
        cv::ellipse(f, {320, 240}, {120, 30}, -degrees, 0, 360, cv::Scalar(220, 60, 30, 255),
                    cv::FILLED);
        tracker->TrackColours(f, set, false);
        ASSERT_EQ(1u, tracker->Marks().size());
        const CMark& m = tracker->Marks()[0];
        const double expected = degrees <= -90.0 ? degrees + 180.0 : degrees;
        EXPECT_NEAR(expected, m.Angle, 0.5) << degrees;
        EXPECT_GT(m.Angle, -90.0f);
        EXPECT_LE(m.Angle, 90.0f);
        EXPECT_NEAR(0.75, m.Elongation, 0.02) << degrees;  // 1 - 30 / 120
    }
    cv::Mat disc = SolidFrame(640, 480, Grey);
    cv::circle(disc, {200, 200}, 40, cv::Scalar(220, 60, 30, 255), cv::FILLED);
    tracker->TrackColours(disc, set, false);
    ASSERT_EQ(1u, tracker->Marks().size());
    EXPECT_NEAR(0.0, tracker->Marks()[0].Elongation, 0.02);
}

// Hundreds of thousands of one-pixel regions spread over sixteen colours, around four discs of
// each: every colour's count and marks as OpenCV's pipeline for it finds them, and repeated
// passes allocate nothing more, so the memory stays what the frame size makes it.
TEST(ColourPass, SixteenColoursOfSpecksStayRightAndBounded) {
    CColourScene scene = MakeColourScene(16, 1280, 960);
    cv::Mat frame = scene.Frame.clone(), yuv, coloured(frame.size(), CV_8U, cv::Scalar(0)), in;
    cv::cvtColor(frame, yuv, cv::COLOR_BGR2YUV);
    for (const CColour& colour : scene.Set.Colours) {
        const CTrackingParams& l = colour.Limits;
        cv::inRange(yuv, cv::Scalar(l.lMin, l.a1Min, l.a2Min), cv::Scalar(l.lMax, l.a1Max, l.a2Max),
                    in);
        coloured |= in;
    }
    cv::dilate(coloured, coloured, cv::Mat());  // the specks stay off the discs
    for (int y = 0; y < frame.rows; y += 2)
        for (int x = 0; x < frame.cols; x += 2) {
            const uint32_t rgb = scene.Set.Colours[(x / 2 + y / 2) % 16].DisplayColour;
            if (coloured.at<uint8_t>(y, x) == 0 && (x + y) % 6 != 0)
                frame.at<cv::Vec4b>(y, x) =
                    cv::Vec4b(rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 255);
        }
    cv::cvtColor(frame, yuv, cv::COLOR_BGR2YUV);
    auto tracker = std::make_unique<CColorTracker>();
    cv::Mat work = frame.clone();
    tracker->TrackColours(work, scene.Set, false);
    int regions = 0;
    std::size_t next = 0;
    for (int c = 0; c < 16; ++c) {
        const CColour& colour = scene.Set.Colours[c];
        const std::vector<CMark> theirs = ReferenceMarks(yuv, LimitsOf(colour.Limits), c, 64);
        EXPECT_GE(theirs.size(), 4u) << c;
        for (const CMark& t : theirs) {
            ASSERT_LT(next, tracker->Marks().size());
            const CMark& o = tracker->Marks()[next++];
            EXPECT_EQ(t.MinX, o.MinX) << c;
            EXPECT_EQ(t.MaxY, o.MaxY) << c;
            EXPECT_EQ(t.PixelCount, o.PixelCount) << c;
        }
        regions += tracker->ColourRegions()[c];
    }
    EXPECT_EQ(next, tracker->Marks().size());
    EXPECT_GT(regions, 100000);
    if (!AllocationCounter::Available())
        return;
    AllocationCounter::Start();
    for (int pass = 0; pass < 3; ++pass) {
        frame.copyTo(work);
        tracker->TrackColours(work, scene.Set, pass == 1);
    }
    EXPECT_EQ(0, AllocationCounter::Stop());
}

// The pass outlines a set's marks itself: pixel for pixel as cv::rectangle outlines them, on
// both frame kinds, for marks of every size and for marks at the frame's edges.
TEST(ColourPass, MarksAreOutlinedAsOpenCvOutlinesThem) {
    CColourSet set{{ColourAround("vermell", {30, 30, 220}, 30, 64),
                    ColourAround("verd", {40, 200, 60}, 12, 64),
                    ColourAround("blau", {220, 60, 30}, 20, 64)}};
    set.Colours[1].DisplayColour = 0x12AB34;
    auto tracker = std::make_unique<CColorTracker>();
    for (cv::Size size : {cv::Size(640, 480), cv::Size(97, 61)}) {
        for (const int channels : {4, 3}) {
            cv::Mat frame = ThreeColourScene(size, size.height + channels);
            // Marks on every edge and in every corner, one a single pixel.
            cv::rectangle(frame, {0, 0}, {3, 1}, {30, 30, 220, 255}, cv::FILLED);
            cv::rectangle(frame, {size.width - 1, 5}, {size.width - 1, 9}, {40, 200, 60, 255},
                          cv::FILLED);
            cv::rectangle(frame, {8, size.height - 2}, {8, size.height - 1}, {220, 60, 30, 255},
                          cv::FILLED);
            cv::rectangle(frame, {size.width - 2, size.height - 1},
                          {size.width - 1, size.height - 1}, {30, 30, 220, 255}, cv::FILLED);
            if (channels == 3)
                cv::cvtColor(frame, frame, cv::COLOR_BGRA2BGR);
            cv::Mat drawn = frame.clone(), expected = frame.clone();
            tracker->TrackColours(drawn, set, true);
            ASSERT_GT(tracker->Marks().size(), 10u);
            for (const CMark& m : tracker->Marks()) {
                const uint32_t rgb = set.Colours[m.Colour].DisplayColour;
                cv::rectangle(expected, cv::Point(int(m.MinX), int(m.MinY)),
                              cv::Point(int(m.MaxX), int(m.MaxY)),
                              cv::Scalar(rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16), 2);
            }
            if (const auto w = tracker->LastWindow())
                cv::rectangle(expected, cv::Point(w->Left, w->Top), cv::Point(w->Right, w->Bottom),
                              cv::Scalar(0, 255, 0), 1);
            EXPECT_TRUE(SameBytes(expected, drawn)) << size.width << " " << channels;
        }
    }
}
