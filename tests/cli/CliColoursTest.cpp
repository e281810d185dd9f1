// quelta-track with a colour set: every colour's marks with their identities as JSON lines,
// the refusal of bad sets, and the first colour's CSV as it was without a set.
#include "JsonLines.h"
#include "Scenes.h"
#include "TestCamera.h"
#include "ToolChecks.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

// --colour red --colour green --colour blue, each learnt by a click on the first disc of its
// colour in frame 0 (the scene shows every disc whole and apart there).
std::vector<std::string> LearnSceneColours(const CTestCamera& camera) {
    std::vector<std::string> args{"--colour", "red", "--colour", "green", "--colour", "blue"};
    std::set<std::string> learnt;
    for (const CTestMark& disc : camera.Marks(0)) {
        if (!learnt.insert(disc.Colour).second)
            continue;
        args.insert(args.end(), {"--click", disc.Colour + "=" + std::to_string(int(disc.Centre.x)) +
                                                "," + std::to_string(int(disc.Centre.y))});
    }
    return args;
}

double Distance(const QJsonValue& a, const QJsonValue& b) {
    return std::hypot(a[0].toDouble() - b[0].toDouble(), a[1].toDouble() - b[1].toDouble());
}

// The nearest mark seen now of the disc's colour; null when there is none.
QJsonObject NearestMark(const QJsonObject& disc, const QJsonArray& marks) {
    QJsonObject nearest;
    for (const QJsonValue& value : marks) {
        const QJsonObject mark = value.toObject();
        if (mark["colour"] != disc["colour"] || mark["lost"].toInt() != 0)
            continue;
        if (nearest.isEmpty() ||
            Distance(mark["center"], disc["center"]) < Distance(nearest["center"], disc["center"]))
            nearest = mark;
    }
    return nearest;
}

// What follows each disc of the truth: the id it had when last whole, and when that was.
struct CDiscTrail {
    qint64 Id = 0;
    double Time = 0.0;
};

// Through 300 frames of the live scene: every whole disc has a mark of its colour within 2 px
// of its true centre; an id never passes from one disc to another (two of a colour cross
// each other); and a disc whole again within 0.9 s (after a crossing, or its pass behind the
// pillar) has the id it had. Longer absences leave the picture and may retire the id.
TEST(CliColours, JsonlFindsEveryWholeDiscOfTheSceneAndKeepsItsIdentity) {
    CScratchFolder dir;
    const CTestCamera camera(320, 240, 30, CTestScene::SixDiscs);
    std::vector<std::string> args = LearnSceneColours(camera);
    args.insert(args.end(), {"--format", "jsonl", "--frames", "300", "testcam-multi:320x240@30"});
    const CToolRun run = RunTrack(args, dir.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<QJsonObject> frames = JsonLines(run.Out);
    ASSERT_EQ(frames.size(), 300u);

    std::map<qint64, qint64> discOfId;
    std::map<qint64, CDiscTrail> trails;
    int whole = 0, keptThroughAbsence = 0;
    for (size_t n = 0; n < frames.size(); ++n) {
        const QJsonObject& frame = frames[n];
        SCOPED_TRACE("frame " + std::to_string(n));
        ASSERT_EQ(frame["frame"].toInteger(-1), static_cast<qint64>(n));
        EXPECT_EQ(frame["regions"].toObject().keys(), (QStringList{"blue", "green", "red"}));
        std::set<qint64> ids;
        for (const QJsonValue& mark : frame["marks"].toArray())
            EXPECT_TRUE(ids.insert(mark["id"].toInteger()).second) << "an id twice in a frame";
        const double time = frame["time"].toDouble();
        for (const QJsonValue& value : frame["truth"].toArray()) {
            const QJsonObject disc = value.toObject();
            if (!disc["whole"].toBool())
                continue;
            ++whole;
            const qint64 discId = disc["id"].toInteger();
            const QJsonObject mark = NearestMark(disc, frame["marks"].toArray());
            ASSERT_FALSE(mark.isEmpty()) << "disc " << discId << " not found";
            ASSERT_LE(Distance(mark["center"], disc["center"]), 2.0) << "disc " << discId;
            const qint64 id = mark["id"].toInteger();
            EXPECT_EQ(discOfId.emplace(id, discId).first->second, discId) << "id " << id;
            CDiscTrail& trail = trails[discId];
            if (trail.Id != 0 && time - trail.Time <= 0.9) {
                EXPECT_EQ(id, trail.Id) << "disc " << discId;
                keptThroughAbsence += time - trail.Time > 0.2;
            }
            trail = {id, time};
        }
    }
    EXPECT_GT(whole, 600);
    EXPECT_GT(keptThroughAbsence, 3) << "the run saw too few crossings and pillar passes";
}

// A set file of `colours` colours named c0, c1, ..., every one with the limits `limits`.
std::string SetFileText(int colours, const CLimits& limits) {
    const std::string limitLines = SettingsText(limits);
    std::string text = limitLines + "Colours " + std::to_string(colours) + "\r\n";
    for (int c = 0; c < colours; ++c) {
        text += "Name c" + std::to_string(c) + "\r\nDisplay 00FF00\r\nMaxMarks 8\r\n";
        if (c > 0)
            text += limitLines.substr(limitLines.find("\r\n") + 2);  // the lines after "QTA 1"
    }
    return text;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

class CliColourRefusals : public testing::Test {
protected:
    void SetUp() override { cv::imwrite(Dir / "f.png", DiscScene({64, 48}, {30, 20}, 5)); }

    // A refusal: status 2, one line on stderr, no output, nothing saved.
    void ExpectRefused(std::vector<std::string> args, const std::string& why) {
        args.insert(args.end(),
                    {"--save-colours", "saved.qta", "--save-settings", "first.qta", "f.png"});
        const CToolRun run = RunTrack(args, Dir.Path());
        EXPECT_EQ(run.Status, 2) << why;
        EXPECT_EQ(run.Out, "") << why;
        ASSERT_EQ(run.ErrLines().size(), 1u) << why << ": " << run.Err;
        EXPECT_EQ(run.ErrLines()[0].rfind("quelta-track: ", 0), 0u) << why;
        EXPECT_FALSE(fs::exists(Dir / "saved.qta")) << why;
        EXPECT_FALSE(fs::exists(Dir / "first.qta")) << why;
    }
    // The cases' own control: the same kind of call, valid, runs.
    void ExpectRuns(std::vector<std::string> args, size_t colours) {
        args.insert(args.end(), {"--format", "jsonl", "f.png"});
        const CToolRun run = RunTrack(args, Dir.Path());
        ASSERT_EQ(run.Status, 0) << run.Err;
        const std::vector<QJsonObject> frames = JsonLines(run.Out);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0]["regions"].toObject().size(), static_cast<qsizetype>(colours));
    }

    CScratchFolder Dir;
};

TEST_F(CliColourRefusals, SetFilesOutOfBoundsAreRefusedWhole) {
    const CLimits limits = BoundsAround(MarkBgr, 14);
    WriteFile(Dir / "sixteen.qta", SetFileText(16, limits));
    ExpectRuns({"--colours", "sixteen.qta"}, 16);
    const std::string three = SetFileText(3, limits);
    const std::pair<const char*, std::string> files[] = {
        {"seventeen colours", SetFileText(17, limits)},
        {"a repeated name", Replaced(three, "Name c2", "Name c1")},
        {"an empty name", Replaced(three, "Name c1", "Name")},
        {"MaxMarks 0", Replaced(three, "MaxMarks 8\r\nlMin", "MaxMarks 0\r\nlMin")},
        {"MaxMarks 65", Replaced(three, "MaxMarks 8\r\nlMin", "MaxMarks 65\r\nlMin")},
        {"a limit out of range",
         Replaced(three, "MaxMarks 8\r\nlMin " + std::to_string(limits.lMin),
                  "MaxMarks 8\r\nlMin 256")},
    };
    for (const auto& [why, text] : files) {
        WriteFile(Dir / "set.qta", text);
        ExpectRefused({"--colours", "set.qta"}, why);
    }
}

TEST_F(CliColourRefusals, ColourOptionsOutOfBoundsAreRefused) {
    std::vector<std::string> sixteen;
    for (int c = 0; c < 16; ++c)
        sixteen.insert(sixteen.end(), {"--colour", "c" + std::to_string(c)});
    ExpectRuns(sixteen, 16);
    std::vector<std::string> seventeen = sixteen;
    seventeen.insert(seventeen.end(), {"--colour", "c16"});
    ExpectRefused(seventeen, "seventeen colours");
    ExpectRefused({"--colour", "red", "--colour", "red"}, "a repeated name");
    ExpectRefused({"--colour", "red", "--colour", ""}, "an empty name");
    ExpectRefused({"--colour", "red light"}, "a name with a blank");
    ExpectRefused({"--colour", "red", "--click", "=3,4"}, "a click without its name");
    ExpectRefused({"--colour", "red", "--click", "blue=3,4"}, "a click on an unknown colour");
    ExpectRefused({"--click", "red=3,4"}, "a click on a colour of no set");
    ExpectRefused({"--max-marks", "0"}, "MaxMarks 0");
    ExpectRefused({"--max-marks", "65"}, "MaxMarks 65");
    ExpectRefused({"--format", "json"}, "an unknown format");
}

// The jsonl of a set whose first two colours, c0 and c1, have the same ranges: c0's first
// mark seen in each frame is the CSV's, and c1 shares its pixels.
void ExpectFirstMarksAsInTheCsv(const std::vector<QJsonObject>& frames,
                                const std::vector<std::vector<std::string>>& rows) {
    ASSERT_EQ(frames.size() + 1, rows.size());
    int found = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto& row = rows[i + 1];
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(std::to_string(frames[i]["regions"]["c0"].toInt()), row[2]);
        QJsonArray marks;  // those seen in this frame, not the ones held from earlier frames
        for (const QJsonValue& mark : frames[i]["marks"].toArray())
            if (mark["lost"].toInt() == 0)
                marks.append(mark);
        if (row[1] == "0") {
            for (const QJsonValue& mark : marks)
                EXPECT_NE(mark["colour"].toString(), "c0");
            continue;
        }
        ++found;
        ASSERT_FALSE(marks.isEmpty());
        const QJsonObject first = marks[0].toObject();
        EXPECT_EQ(first["colour"].toString(), "c0");
        const QJsonArray box = first["box"].toArray();
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(std::to_string(box[k].toInt()), row[3 + k]);
        EXPECT_NEAR(first["center"][0].toDouble(), std::stod(row[7]), 0.0101);
        EXPECT_NEAR(first["center"][1].toDouble(), std::stod(row[8]), 0.0101);
        int overlapping = 0;
        for (const QJsonValue& mark : marks)
            overlapping += mark["colour"] == QJsonValue("c1");
        EXPECT_GT(overlapping, 1) << "the second colour shares the first one's pixels";
    }
    EXPECT_GE(found, 2);
}

// A set whose first colour has the one-colour run's limits prints that run's CSV byte for
// byte, however many colours and marks follow, and its jsonl carries the same first mark.
TEST(CliColours, FirstColourOfASetGivesTheOneColourCsv) {
    CScratchFolder dir;
    std::vector<std::string> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back("r" + std::to_string(i) + ".png");
        cv::imwrite(dir / images.back(), RandomScene({320, 240}, 40 + i));
    }
    const CLimits limits = BoundsAround(MarkBgr, 14);
    WriteFile(dir / "limits.qta", SettingsText(limits));
    std::string set = SetFileText(3, limits);  // the same ranges: the colours overlap
    set = Replaced(set, "MinWidth 3\r\nMaxWidth 640\r\nMinHeight 3\r\nMaxHeight 480\r\nName c2",
                   "MinWidth 9\r\nMaxWidth 640\r\nMinHeight 9\r\nMaxHeight 480\r\nName c2");
    WriteFile(dir / "set.qta", set);
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), images.begin(), images.end());
        const CToolRun result = RunTrack(args, dir.Path());
        EXPECT_EQ(result.Status, 0) << result.Err;
        return result.Out;
    };
    const std::string plain = run({"--settings", "limits.qta"});
    ASSERT_EQ(CompleteRows(plain).size(), 4u);
    EXPECT_EQ(run({"--colours", "set.qta"}), plain);
    EXPECT_EQ(run({"--colour", "one", "--settings", "limits.qta", "--max-marks", "1"}), plain);
    EXPECT_EQ(run({"--colours", "set.qta", "--save-colours", "again.qta"}), plain);
    EXPECT_EQ(run({"--colours", "again.qta", "--colour", "extra"}), plain);

    ExpectFirstMarksAsInTheCsv(JsonLines(run({"--colours", "set.qta", "--format", "jsonl"})),
                               CompleteRows(plain));
}

}  // namespace
