// The six-disc test scene through mark finding and the identity tracker, held to the truth.
#include "ColorTracker.h"
#include "ColourSet.h"
#include "MarkIdentities.h"
#include "Reference.h"
#include "TestCamera.h"
#include "TestDiscs.h"
#include "TrackingSteps.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// Each frame's marks from the engine's several-colour pass (its agreement with OpenCV's
// per-colour pipeline is the photographs' test).
std::vector<CMark> FindMarks(const cv::Mat& bgra, const CColourSet& set) {
    static CColorTracker tracker;
    cv::Mat frame = bgra.clone();
    CColourSet limits = set;  // the pass may write a calibration into it
    tracker.TrackColours(frame, limits, false);
    return tracker.Marks();
}

// Each colour learnt as a click on the first disc of that colour in frame 0 teaches it.
CColourSet LearnColours(const CTestCamera& cam) {
    cv::Mat frame, yuv;
    cam.Render(0, frame);
    cv::cvtColor(frame, yuv, cv::COLOR_BGR2YUV);
    CColourSet set;
    for (const CTestMark& disc : cam.Marks(0)) {
        if (set.Find(disc.Colour) >= 0)
            continue;
        CColour colour;
        colour.Name = disc.Colour;
        const auto window = TrackingSteps::WindowAround(
            static_cast<int>(disc.Centre.x), static_cast<int>(disc.Centre.y), yuv.cols, yuv.rows);
        TrackingSteps::CalibrateColorRange(yuv, colour.Limits, *window);
        set.Colours.push_back(colour);
    }
    return set;
}

struct CFigures {
    int MarkFrames = 0;      // frames x discs in view
    int Switches = 0;        // a disc's identity changed while the old one was still alive
    int MergedChanges = 0;   // frames of a merge where a disc matched another id than before
    int Renewed = 0;         // a disc back in view after its old identity was retired
    int WholeFrames = 0;     // frames x whole discs
    int FoundWithinTwo = 0;  // ... found, centre within 2 pixels of the truth
    int Crossings = 0, CrossingsKept = 0;
    int PillarPasses = 0, PillarPassesKept = 0;
};

// Follows the truth and the tracker's output frame by frame. A disc in view is matched to
// the nearest tracked mark of its colour, seen or held, within two radii (nearest pairs
// first, one mark per disc). A switch: the disc's matched id differs from the one it had
// when last matched while the old id is still alive (held or seen). A disc back in view
// after its old id was retired gets a new one, which is counted apart. While two discs of a
// colour are merged into one region the picture cannot tell them apart, so those frames
// are left out of the switches; the crossing as a whole must end with both ids as they
// were, and the id changes during merges are counted apart.
class CIdentityCheck {
public:
    CIdentityCheck(const CTestCamera& cam, const CColourSet& set)
        : Cam(cam), Set(set), Discs(CDiscPaths::Count) {}

    void Frame(const std::vector<CTestMark>& truth, const std::vector<CTrackedMark>& tracked) {
        const std::vector<uint64_t> ids = MatchIds(truth, tracked);
        for (size_t c = 0; c + 1 < truth.size(); c += 2)  // discs 2c and 2c+1 share a colour
            FollowCrossing(Pairs[c / 2], truth, ids, c);
        for (size_t i = 0; i < truth.size(); ++i) {
            CountWhole(truth[i], tracked);
            FollowPillar(Discs[i], truth[i], ids[i]);
            if (Pairs[i / 2].Merged)
                Figures_.MergedChanges += ids[i] != 0 && ids[i] != Discs[i].LastId;
            else
                CountSwitch(Discs[i], ids[i], tracked);
            Figures_.MarkFrames += truth[i].Visible;
        }
    }
    const CFigures& Figures() const { return Figures_; }

private:
    struct CDisc {
        uint64_t LastId = 0;
        bool PreviousWhole = false, InPass = false;
        uint64_t IdBefore = 0;
        int Hidden = 0;
    };
    struct CPair {
        bool Merged = false;
        uint64_t Before[2] = {0, 0};
    };

    const std::string& ColourOf(const CTrackedMark& t) const {
        return Set.Colours[t.Mark.Colour].Name;
    }
    static float Distance(const CTestMark& disc, const CTrackedMark& t) {
        // The truth is in continuous coordinates, the marks' centres are mean pixel indices.
        return std::hypot(t.Mark.CenterX - (disc.Centre.x - 0.5f),
                          t.Mark.CenterY - (disc.Centre.y - 0.5f));
    }

    std::vector<uint64_t> MatchIds(const std::vector<CTestMark>& truth,
                                   const std::vector<CTrackedMark>& tracked) const {
        struct CCandidate {
            float Distance;
            size_t Disc, Mark;
        };
        std::vector<CCandidate> candidates;
        for (size_t i = 0; i < truth.size(); ++i)
            for (size_t k = 0; k < tracked.size(); ++k)
                if (truth[i].Visible && ColourOf(tracked[k]) == truth[i].Colour &&
                    Distance(truth[i], tracked[k]) <= 2 * Cam.MarkRadius())
                    candidates.push_back({Distance(truth[i], tracked[k]), i, k});
        std::sort(candidates.begin(), candidates.end(),
                  [](const CCandidate& a, const CCandidate& b) { return a.Distance < b.Distance; });
        std::vector<uint64_t> ids(truth.size(), 0);
        std::vector<char> used(tracked.size(), 0);
        for (const CCandidate& c : candidates)
            if (ids[c.Disc] == 0 && !used[c.Mark]) {
                ids[c.Disc] = tracked[c.Mark].Id;
                used[c.Mark] = 1;
            }
        return ids;
    }

    void CountSwitch(CDisc& d, uint64_t id, const std::vector<CTrackedMark>& tracked) {
        if (id == 0)
            return;
        if (d.LastId != 0 && id != d.LastId) {
            const bool alive = std::any_of(tracked.begin(), tracked.end(),
                                           [&](const CTrackedMark& t) { return t.Id == d.LastId; });
            ++(alive ? Figures_.Switches : Figures_.Renewed);
        }
        d.LastId = id;
    }

    void CountWhole(const CTestMark& disc, const std::vector<CTrackedMark>& tracked) {
        if (!disc.Whole)
            return;
        ++Figures_.WholeFrames;
        Figures_.FoundWithinTwo +=
            std::any_of(tracked.begin(), tracked.end(), [&](const CTrackedMark& t) {
                return t.Lost == 0 && ColourOf(t) == disc.Colour && Distance(disc, t) <= 2.0f;
            });
    }

    // A pass: from the last whole frame before the disc touches the pillar, through at least
    // one frame entirely behind it, to the next whole frame, all inside the picture.
    void FollowPillar(CDisc& d, const CTestMark& disc, uint64_t id) {
        const float r = Cam.MarkRadius(), x = disc.Centre.x, y = disc.Centre.y;
        const float left = CDiscPaths::PillarLeft * Cam.Width() / 640.0f;
        const float right = CDiscPaths::PillarRight * Cam.Width() / 640.0f;
        const bool inside =
            x - r >= 0 && x + r <= Cam.Width() && y - r >= 0 && y + r <= Cam.Height();
        const bool touching = x + r > left && x - r < right;
        if (!d.InPass) {
            if (disc.Whole)
                d.IdBefore = id;
            else if (touching && inside && d.PreviousWhole && d.IdBefore != 0)
                d.InPass = true, d.Hidden = 0;
        } else if (!inside) {
            d.InPass = false;
        } else {
            d.Hidden += !disc.Visible;
            if (disc.Whole) {
                d.InPass = false;
                Figures_.PillarPasses += d.Hidden > 0;
                Figures_.PillarPassesKept += d.Hidden > 0 && id == d.IdBefore;
                d.IdBefore = id;
            }
        }
        d.PreviousWhole = disc.Whole;
    }

    // A crossing: two discs of one colour merge; both must come out of it with the ids they
    // had before, as soon as both are whole again.
    void FollowCrossing(CPair& p, const std::vector<CTestMark>& truth,
                        const std::vector<uint64_t>& ids, size_t first) {
        const CTestMark &a = truth[first], &b = truth[first + 1];
        const bool merged =
            a.Visible && b.Visible && cv::norm(a.Centre - b.Centre) < 2 * Cam.MarkRadius() + 2;
        if (merged && !p.Merged) {
            p.Merged = true;
            p.Before[0] = Discs[first].LastId, p.Before[1] = Discs[first + 1].LastId;
        } else if (p.Merged && a.Whole && b.Whole) {
            p.Merged = false;
            ++Figures_.Crossings;
            Figures_.CrossingsKept += ids[first] == p.Before[0] && ids[first + 1] == p.Before[1];
        }
    }

    const CTestCamera& Cam;
    const CColourSet& Set;
    std::vector<CDisc> Discs;
    CPair Pairs[3];
    CFigures Figures_;
};

}  // namespace

TEST(MultiDiscTracking, IdentitiesLastThroughCrossingsAndThePillarForALoop) {
    CTestCamera cam(640, 480, 30, CTestScene::SixDiscs);
    const CColourSet set = LearnColours(cam);
    ASSERT_EQ(set.Colours.size(), 3u);
    CMarkIdentities identities;
    CIdentityCheck check(cam, set);
    cv::Mat frame;
    for (int64_t n = 0; n < 900; ++n) {
        cam.Render(n, frame);
        const std::vector<CMark> marks = FindMarks(frame, set);
        check.Frame(cam.Marks(n), identities.Update(marks, n / cam.Fps(), frame.cols, frame.rows));
    }
    const CFigures& f = check.Figures();
    std::printf("mark-frames %d, switches %d, identities renewed after retirement %d\n"
                "whole disc-frames %d, found within 2 px %d\n"
                "crossings %d, kept %d, id changes while merged %d; pillar passes %d, kept %d\n",
                f.MarkFrames, f.Switches, f.Renewed, f.WholeFrames, f.FoundWithinTwo, f.Crossings,
                f.CrossingsKept, f.MergedChanges, f.PillarPasses, f.PillarPassesKept);
    EXPECT_GT(f.MarkFrames, 2000);
    EXPECT_LE(f.Switches * 1000, f.MarkFrames);
    EXPECT_EQ(f.FoundWithinTwo, f.WholeFrames);
    EXPECT_GE(f.Crossings, 6);
    EXPECT_EQ(f.CrossingsKept, f.Crossings);
    EXPECT_GE(f.PillarPasses, 15);
    EXPECT_EQ(f.PillarPassesKept, f.PillarPasses);
}
