#include "quelta.h"

#include "ImageSource.h"
#include "LibraryTracker.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "SourceChoice.h"
#include "TestCamera.h"
#include "TrackingSteps.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <span>
#include <thread>
#include <vector>

#include <unistd.h>

extern "C" int CallEveryFunctionFromC(void);

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Generous bounds for every wait: these are give-up limits, never measured times.
constexpr auto GiveUp = 20s;

// The limits a user would get by clicking on the test camera's mark.
CTrackingParams LearntLimits() {
    const CTestCamera camera(640, 480, 30);
    int64_t n = 0;
    while (!camera.MarkFullyInView(n))
        ++n;
    cv::Mat frame, yuv;
    camera.Render(n, frame);
    const cv::Point2f c = *camera.MarkCentre(n);
    cv::cvtColor(frame(cv::Rect(int(c.x) - 5, int(c.y) - 5, 11, 11)), yuv, cv::COLOR_BGR2YUV);
    std::vector<cv::Mat> planes;
    cv::split(yuv, planes);
    double lo[3], hi[3];
    for (int i = 0; i < 3; ++i)
        cv::minMaxLoc(planes[i], &lo[i], &hi[i]);
    CTrackingParams p;
    p.lMin = std::max(0, int(lo[0]) - 30);
    p.lMax = std::min(255, int(hi[0]) + 30);
    p.a1Min = std::max(0, int(lo[1]) - 5);
    p.a1Max = std::min(255, int(hi[1]) + 5);
    p.a2Min = std::max(0, int(lo[2]) - 5);
    p.a2Max = std::min(255, int(hi[2]) + 5);
    return p;
}

// Polls until `wanted` answers or the give-up limit passes.
bool WaitForAnswer(short wanted) {
    const auto end = std::chrono::steady_clock::now() + GiveUp;
    while (std::chrono::steady_clock::now() < end) {
        short x = 0, y = 0;
        if (QTAObtenirPosicio(&x, &y) == wanted)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

class LibraryTest : public testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("quelta-lib-" + std::to_string(getpid()));
        fs::create_directories(Dir);
        ASSERT_TRUE(WriteRegistry(LearntLimits()));
    }
    void TearDown() override {
        QTAFinalitza();
        fs::remove_all(Dir);
    }

    // A still picture of the test camera's scene with the mark in view (frame 0: in the
    // middle), as a source that delivers it again and again.
    std::string StillSource(int64_t frameNumber = 0) {
        const CTestCamera camera(320, 240, 30);
        cv::Mat frame;
        camera.Render(frameNumber, frame);
        const std::string path = (Dir / "still.png").string();
        cv::imwrite(path, frame);
        return path;
    }

    std::string SettingsFileWith(const CTrackingParams& p, const std::string& name) {
        const std::string path = (Dir / name).string();
        EXPECT_TRUE(SaveSettingsFile(p, path));
        return path;
    }

    fs::path Dir;
};

TEST_F(LibraryTest, AnswerFollowsTheMarkLeavingAndComingBack) {
    ASSERT_EQ(QTAInicialitza(-1), 1);
    ASSERT_TRUE(WaitForAnswer(1));
    short x = -1, y = -1;
    for (auto end = std::chrono::steady_clock::now() + GiveUp;
         QTAObtenirPosicio(&x, &y) != 1 && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(5ms);
    EXPECT_GE(x, 0);
    EXPECT_LE(x, 640);
    EXPECT_GE(y, 0);
    EXPECT_LE(y, 480);
    EXPECT_TRUE(WaitForAnswer(0)) << "the mark never left";
    EXPECT_TRUE(WaitForAnswer(1)) << "the mark never came back";
}

TEST_F(LibraryTest, RememberedSourceIsOpenedAndTracked) {
    RememberSource("file:" + StillSource());
    ASSERT_EQ(QTAInicialitza(0), 1);
    EXPECT_TRUE(WaitForAnswer(1));
    short x = 0, y = 0;
    ASSERT_EQ(QTAObtenirPosicio(&x, &y), 1);
    // The still frame is the camera's frame 0: the mark in the middle, 320 on the 640 scale.
    EXPECT_NEAR(x, 320, 3);
}

// The position is quelta-track's col and row on the same frame, rounded (frame 81 of the test
// camera has both fractions above one half, so truncation would answer one less).
TEST_F(LibraryTest, PositionIsQueltaTracksColumnAndRowRounded) {
    const std::string still = StillSource(81);
    const std::string command = std::string(QUELTA_TRACK) + " '" + still + "'";
    std::FILE* csv = popen(command.c_str(), "r");
    ASSERT_NE(csv, nullptr);
    char line[512] = {};
    std::string row;
    while (std::fgets(line, sizeof line, csv))
        row = line;
    ASSERT_EQ(pclose(csv), 0);
    double fields[11] = {};
    ASSERT_EQ(std::sscanf(row.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf", &fields[0],
                          &fields[1], &fields[2], &fields[3], &fields[4], &fields[5], &fields[6],
                          &fields[7], &fields[8], &fields[9], &fields[10]),
              11)
        << row;
    RememberSource("file:" + still);
    ASSERT_EQ(QTAInicialitza(0), 1);
    ASSERT_TRUE(WaitForAnswer(1));
    short x = 0, y = 0;
    ASSERT_EQ(QTAObtenirPosicio(&x, &y), 1);
    EXPECT_EQ(x, std::lround(fields[10])) << row;
    EXPECT_EQ(y, std::lround(fields[9])) << row;
}

// The newest frame stands for the mark for one second, measured on the clock the caller
// passes: still present at exactly 1 s, absent just after.
TEST_F(LibraryTest, NewestFrameCountsForOneSecondExactly) {
    CImageSource source = CImageSource::Open("file:" + StillSource());
    ASSERT_TRUE(source.HasDevice());
    auto tracker = CLibraryTracker::Start(source, LearntLimits());
    ASSERT_TRUE(tracker);
    // Read whatever the newest report is, however old: a clock reading long before it.
    const auto newest = [&] { return tracker->Position(std::chrono::steady_clock::time_point{}); };
    const auto end = std::chrono::steady_clock::now() + GiveUp;
    while (!newest() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(newest());
    source.EnableCapture(false);
    auto arrived = newest()->Arrived;
    for (auto last = arrived - 1s; last != arrived && std::chrono::steady_clock::now() < end;) {
        last = arrived;
        std::this_thread::sleep_for(300ms);  // no frame is still on its way
        arrived = newest()->Arrived;
    }
    EXPECT_TRUE(tracker->Position(arrived + CLibraryTracker::StaleAfter));
    EXPECT_FALSE(tracker->Position(arrived + CLibraryTracker::StaleAfter + 1ns));
    EXPECT_EQ(CLibraryTracker::StaleAfter, 1s);
}

TEST_F(LibraryTest, LoadedSettingsApplyFromTheNextFrameAllOrNothing) {
    RememberSource("file:" + StillSource());
    ASSERT_EQ(QTAInicialitza(0), 1);
    ASSERT_TRUE(WaitForAnswer(1));
    const std::string blind = SettingsFileWith(CTrackingParams{}, "blind.qta");
    const std::string good = SettingsFileWith(LearntLimits(), "good.qta");
    fs::path broken = Dir / "broken.qta";
    std::ofstream(broken) << "QTA 1\r\nlMin 999\r\n";

    EXPECT_EQ(QTACarregarAjustos(blind.c_str()), 1);
    EXPECT_TRUE(WaitForAnswer(0));
    EXPECT_EQ(QTACarregarAjustos(good.c_str()), 1);
    EXPECT_TRUE(WaitForAnswer(1));
    EXPECT_EQ(QTACarregarAjustos(broken.c_str()), 0);
    EXPECT_EQ(QTACarregarAjustos((Dir / "absent.qta").c_str()), 0);
    EXPECT_EQ(QTACarregarAjustos(nullptr), 0);
    std::this_thread::sleep_for(200ms);  // several frames with whatever is in use now
    EXPECT_TRUE(WaitForAnswer(1));
    CTrackingParams stored;
    ReadRegistry(stored);
    EXPECT_EQ(stored, LearntLimits());  // the store is never written
}

// A stream that ends and cannot be opened again (its file is gone) must read as "mark
// absent", not as the last answer frozen.
TEST_F(LibraryTest, LostSourceAnswersZero) {
    const std::string still = StillSource();
    RememberSource("gst:filesrc location=" + still +
                   " ! pngdec ! imagefreeze num-buffers=20 ! videoconvert ! appsink");
    ASSERT_EQ(QTAInicialitza(0), 1);
    ASSERT_TRUE(WaitForAnswer(1));
    fs::remove(still);
    EXPECT_TRUE(WaitForAnswer(0));
}

TEST_F(LibraryTest, ConcurrentQueriesWhileFramesFlow) {
    ASSERT_EQ(QTAInicialitza(-1), 1);
    ASSERT_TRUE(WaitForAnswer(1));
    const std::string good = SettingsFileWith(LearntLimits(), "good.qta");
    std::atomic<bool> stop{false};
    std::atomic<int> odd{0}, seen{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            while (!stop) {
                short x = 0, y = 0;
                const short r = QTAObtenirPosicio(&x, &y);
                if (r != 0 && r != 1)
                    ++odd;
                if (r == 1 && (x < 0 || x > 640 || y < 0 || y > 480))
                    ++odd;
                seen += r;
            }
        });
    threads.emplace_back([&] {
        while (!stop)
            if (QTACarregarAjustos(good.c_str()) != 1)
                ++odd;
    });
    std::this_thread::sleep_for(1500ms);
    stop = true;
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(odd, 0);
    EXPECT_GT(seen, 0);
}

TEST_F(LibraryTest, EveryCallIsHarmlessInAnyOrder) {
    short x = 7, y = 8;
    EXPECT_EQ(QTAObtenirPosicio(&x, &y), 0);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(QTAObtenirPosicio(nullptr, nullptr), 0);
    QTAFinalitza();
    QTAFinalitza();
    const std::string good = SettingsFileWith(LearntLimits(), "good.qta");
    EXPECT_EQ(QTACarregarAjustos(good.c_str()), 0);

    EXPECT_EQ(QTAInicialitza(0), 0);  // nothing remembered yet
    RememberSource("v4l2:/dev/no-such-camera");
    EXPECT_EQ(QTAInicialitza(0), 0);
    EXPECT_EQ(QTAInicialitza(1000), 0);  // no thousandth camera

    ASSERT_EQ(QTAInicialitza(-1), 1);
    EXPECT_EQ(QTAInicialitza(-1), 1);
    EXPECT_EQ(QTAInicialitza(0), 1);  // already running: kept as it is
    EXPECT_TRUE(WaitForAnswer(1));
    const short withoutOutputs = QTAObtenirPosicio(nullptr, nullptr);  // allowed, and still answers
    EXPECT_TRUE(withoutOutputs == 0 || withoutOutputs == 1) << withoutOutputs;
    QTAFinalitza();
    EXPECT_EQ(QTAObtenirPosicio(&x, &y), 0);
    QTAFinalitza();
    ASSERT_EQ(QTAInicialitza(-1), 1);
    EXPECT_TRUE(WaitForAnswer(1));
}

TEST_F(LibraryTest, HeaderAndCallsWorkFromC) { EXPECT_EQ(CallEveryFunctionFromC(), 0); }

TEST_F(LibraryTest, StartAndStopFromManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> odd{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 6; ++i) {
                if (t % 2 == 0) {
                    if (QTAInicialitza(-1) != 1)
                        ++odd;
                } else {
                    QTAFinalitza();
                }
                short x = 0, y = 0;
                const short r = QTAObtenirPosicio(&x, &y);
                if (r != 0 && r != 1)
                    ++odd;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(odd, 0);
    QTAFinalitza();
    EXPECT_EQ(QTAObtenirPosicio(nullptr, nullptr), 0);
}

}  // namespace

namespace {

// The colours `names` as clicks on the first disc of each in `frame` would teach them.
CColourSet ColoursLearntAt(const cv::Mat& frame, const std::vector<CTestMark>& discs,
                           const std::vector<std::string>& names) {
    cv::Mat yuv;
    cv::cvtColor(frame, yuv, cv::COLOR_BGR2YUV);
    CColourSet set;
    for (const std::string& name : names) {
        const auto disc = std::find_if(discs.begin(), discs.end(),
                                       [&](const CTestMark& d) { return d.Colour == name; });
        CColour& colour = set.Colours.emplace_back();
        colour.Name = name;
        const auto window = TrackingSteps::WindowAround(
            static_cast<int>(disc->Centre.x), static_cast<int>(disc->Centre.y), yuv.cols, yuv.rows);
        TrackingSteps::CalibrateColorRange(yuv, colour.Limits, *window);
    }
    return set;
}

// The store holds the red and green of testcam-multi's frame 0, and the remembered source is
// that frame, again and again.
class LibraryColoursTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        const CTestCamera camera(640, 480, 30, CTestScene::SixDiscs);
        camera.Render(0, Frame);
        Discs = camera.Marks(0);
        ASSERT_TRUE(WriteColourSet(ColoursLearntAt(Frame, Discs, {"red", "green"})));
        const std::string still = (Dir / "multi.png").string();
        ASSERT_TRUE(cv::imwrite(still, Frame));
        ASSERT_TRUE(RememberSource("file:" + still));
    }
    // Later tests of the same process find a store of one colour again.
    void TearDown() override {
        LibraryTest::TearDown();
        CColourSet one;
        one.Colours.emplace_back().Name = CColour::DefaultName;
        one.Colours.front().Limits = LearntLimits();
        WriteColourSet(one);
    }

    // Polls until the newest frame's marks are `count`, all seen in it.
    int WaitForMarks(QTAMarca* marks, int capacity, int count) {
        int n = 0;
        for (auto end = std::chrono::steady_clock::now() + GiveUp;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(10ms)) {
            n = QTAObtenirMarques(marks, capacity);
            if (n == count && std::all_of(marks, marks + n, [](auto& m) { return m.Lost == 0; }))
                break;
        }
        return n;
    }

    cv::Mat Frame;
    std::vector<CTestMark> Discs;
};

TEST_F(LibraryColoursTest, MarksOfEveryColourOfTheStoresSet) {
    char name[QTA_LONGITUD_NOM] = {};
    EXPECT_EQ(QTANombreColors(), 2);  // the store's, before tracking runs
    EXPECT_EQ(QTANomColor(1, name, sizeof name), 5);
    EXPECT_STREQ(name, "green");
    ASSERT_EQ(QTAInicialitza(0), 1);
    QTAMarca marks[8];
    ASSERT_EQ(WaitForMarks(marks, 8, 4), 4);
    EXPECT_EQ(QTANombreColors(), 2);
    EXPECT_EQ(QTANomColor(0, name, sizeof name), 3);
    EXPECT_STREQ(name, "red");

    // Each red and green disc is one mark of its colour, centre within 2 pixels of the truth
    // (continuous coordinates; the marks' centres are mean pixel indices).
    for (const CTestMark& disc : Discs) {
        const int colour = disc.Colour == "red" ? 0 : disc.Colour == "green" ? 1 : -1;
        const int near = static_cast<int>(std::count_if(marks, marks + 4, [&](const QTAMarca& m) {
            return m.Colour == colour && std::hypot(m.CenterX - (disc.Centre.x - 0.5f),
                                                    m.CenterY - (disc.Centre.y - 0.5f)) <= 2.0f;
        }));
        EXPECT_EQ(near, colour < 0 ? 0 : 1) << disc.Id << " " << disc.Colour;
    }
    EXPECT_EQ(marks[0].Colour, 0);
    EXPECT_EQ(marks[1].Colour, 0);
    EXPECT_EQ(marks[2].Colour, 1);
    std::set<uint64_t> ids;
    for (const QTAMarca& m : std::span(marks, 4)) {
        ids.insert(m.Id);
        EXPECT_LT(m.Elongation, 0.1f);  // discs
        EXPECT_GT(m.PixelCount, 100);
        EXPECT_EQ(m.Col, static_cast<float>((m.CenterX + 0.5) * (640.0 / Frame.cols)));
    }
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_GT(*ids.begin(), 0u);

    // The mark is the first colour's first; each colour's own first mark answers for it.
    short x = 0, y = 0;
    ASSERT_EQ(QTAObtenirPosicio(&x, &y), 1);
    EXPECT_EQ(x, std::lround(marks[0].Col));
    EXPECT_EQ(y, std::lround(marks[0].Row));
    ASSERT_EQ(QTAObtenirPosicioColor(1, &x, &y), 1);
    EXPECT_EQ(x, std::lround(marks[2].Col));
    EXPECT_EQ(y, std::lround(marks[2].Row));
    EXPECT_EQ(QTAObtenirPosicioColor(2, &x, &y), 0);
    EXPECT_EQ(QTAObtenirPosicioColor(-1, &x, &y), 0);

    // The same discs keep their identities frame after frame.
    QTAMarca later[8];
    for (auto end = std::chrono::steady_clock::now() + GiveUp;
         QTAObtenirMarques(later, 8) != 4 || later[0].Age < marks[0].Age + 3;)
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "the marks grew no older";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(later[i].Id, marks[i].Id) << i;
}

TEST_F(LibraryColoursTest, NoArrayOrNoRoomWritesNothing) {
    QTAMarca marks[3], untouched;
    std::memset(&untouched, 0xA5, sizeof untouched);
    const auto reset = [&] { std::fill(marks, marks + 3, untouched); };
    const auto written = [&](int i) {
        return std::memcmp(&marks[i], &untouched, sizeof untouched);
    };
    reset();
    EXPECT_EQ(QTAObtenirMarques(marks, 3), 0);  // not running
    ASSERT_EQ(QTAInicialitza(0), 1);
    ASSERT_EQ(WaitForMarks(marks, 3, 3), 3);
    reset();
    EXPECT_EQ(QTAObtenirMarques(nullptr, 3), 0);
    EXPECT_EQ(QTAObtenirMarques(marks, 0), 0);
    EXPECT_EQ(QTAObtenirMarques(marks, -1), 0);
    EXPECT_FALSE(written(0));
    EXPECT_EQ(QTAObtenirMarques(marks, 1), 1);  // the first of four
    EXPECT_TRUE(written(0));
    EXPECT_FALSE(written(1));
    EXPECT_FALSE(written(2));

    char name[8];
    std::memset(name, '#', sizeof name);
    EXPECT_EQ(QTANomColor(0, name, 3), 0);  // "red" and its NUL need 4
    EXPECT_EQ(QTANomColor(0, name, 0), 0);
    EXPECT_EQ(QTANomColor(2, name, 8), 0);
    EXPECT_EQ(QTANomColor(-1, name, 8), 0);
    EXPECT_EQ(QTANomColor(0, nullptr, 8), 0);
    EXPECT_EQ(std::string(name, sizeof name), "########");
    EXPECT_EQ(QTANomColor(0, name, 4), 3);
    EXPECT_EQ(std::string(name, 5), std::string("red\0#", 5));

    QTAFinalitza();
    reset();
    EXPECT_EQ(QTAObtenirMarques(marks, 3), 0);
    EXPECT_FALSE(written(0));
    EXPECT_EQ(QTANombreColors(), 2);  // the store's again
}

}  // namespace
