#include "MarkIdentities.h"
#include "Assignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <set>

namespace {

constexpr double Frame = 1.0 / 30.0;
constexpr double Inf = std::numeric_limits<double>::infinity();

CMark MarkAt(float x, float y, int colour = 0) {
    CMark m;
    m.Colour = colour;
    m.CenterX = x;
    m.CenterY = y;
    m.MinX = static_cast<uint32_t>(x - 5), m.MaxX = static_cast<uint32_t>(x + 5);
    m.MinY = static_cast<uint32_t>(y - 5), m.MaxY = static_cast<uint32_t>(y + 5);
    m.PixelCount = 100;
    return m;
}

// The id of the mark reported at (x, y), or 0.
uint64_t IdAt(const std::vector<CTrackedMark>& out, float x, float y) {
    for (const CTrackedMark& t : out)
        if (std::abs(t.Mark.CenterX - x) < 1e-3f && std::abs(t.Mark.CenterY - y) < 1e-3f)
            return t.Id;
    return 0;
}

// Every assignment of rows to distinct columns or to none: the most pairs, then the least
// cost.
std::pair<int, double> BestByEnumeration(const std::vector<double>& cost, int rows, int cols) {
    std::pair<int, double> best{-1, 0.0};
    std::vector<int> pick(rows, -1);
    std::vector<char> used(cols, 0);
    auto walk = [&](auto& self, int r, int pairs, double sum) -> void {
        if (r == rows) {
            if (pairs > best.first || (pairs == best.first && sum < best.second))
                best = {pairs, sum};
            return;
        }
        self(self, r + 1, pairs, sum);
        for (int c = 0; c < cols; ++c)
            if (!used[c] && cost[r * cols + c] < Inf) {
                used[c] = 1;
                self(self, r + 1, pairs + 1, sum + cost[r * cols + c]);
                used[c] = 0;
            }
    };
    walk(walk, 0, 0, 0.0);
    return best;
}

}  // namespace

// Nearest first would give the mark at 120 to the identity at 130 (distance 10) and leave
// the one at 100 the mark at 155; the pairing with the least squared distances keeps order.
TEST(MarkIdentities, OptimalAssignmentWhereNearestFirstWouldSwap) {
    CMarkIdentities ids;
    ids.Update({MarkAt(100, 100), MarkAt(130, 100)}, 0.0, 640, 480);
    const uint64_t a = IdAt(ids.Marks(), 100, 100), b = IdAt(ids.Marks(), 130, 100);
    const auto& out = ids.Update({MarkAt(155, 100), MarkAt(120, 100)}, Frame, 640, 480);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(IdAt(out, 120, 100), a);
    EXPECT_EQ(IdAt(out, 155, 100), b);
}

TEST(MarkIdentities, GatedAssignmentPairsTheMostAtTheLeastCost) {
    std::mt19937 random(7);
    CGatedAssignment solver;
    for (int round = 0; round < 400; ++round) {
        const int rows = 1 + random() % 6, cols = 1 + random() % 6;
        std::vector<double> cost(rows * cols);
        for (double& c : cost)
            c = random() % 3 == 0 ? Inf : static_cast<double>(random() % 50);
        const std::vector<int> chosen = solver.Solve(cost, rows, cols);
        int pairs = 0;
        double sum = 0.0;
        std::set<int> taken;
        for (int r = 0; r < rows; ++r)
            if (chosen[r] >= 0) {
                ASSERT_LT(cost[r * cols + chosen[r]], Inf);
                ASSERT_TRUE(taken.insert(chosen[r]).second);
                ++pairs;
                sum += cost[r * cols + chosen[r]];
            }
        const auto best = BestByEnumeration(cost, rows, cols);
        ASSERT_EQ(pairs, best.first) << "round " << round;
        ASSERT_DOUBLE_EQ(sum, best.second) << "round " << round;
    }
}

// 640 x 480: the gate is 80 pixels per frame, from the predicted centre.
TEST(MarkIdentities, GateLimitsTheMoveFromPredictionAndWidensWhileHeld) {
    CMarkIdentities ids;
    const uint64_t first = ids.Update({MarkAt(100, 100)}, 0.0, 640, 480)[0].Id;
    EXPECT_EQ(ids.Update({MarkAt(179, 100)}, Frame, 640, 480)[0].Id, first);
    // Predicted at 258: 81 beyond it is a new mark, and the known one is held there.
    const auto& out = ids.Update({MarkAt(339, 100)}, 2 * Frame, 640, 480);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_NE(out[0].Id, first);
    EXPECT_EQ(out[1].Id, first);
    EXPECT_EQ(out[1].Lost, 1);
    EXPECT_NEAR(out[1].Mark.CenterX, 258.0f, 1e-3f);

    // Still at 100, then unseen for two frames: three frames' worth, 240 pixels, is allowed.
    for (const float reach : {235.0f, 245.0f}) {
        CMarkIdentities held;
        const uint64_t id = held.Update({MarkAt(100, 200)}, 0.0, 640, 480)[0].Id;
        held.Update({MarkAt(100, 200)}, Frame, 640, 480);
        held.Update({}, 2 * Frame, 640, 480);
        held.Update({}, 3 * Frame, 640, 480);
        const auto& back = held.Update({MarkAt(100 + reach, 200)}, 4 * Frame, 640, 480);
        EXPECT_EQ(back[0].Id == id, reach < 240.0f) << reach;
    }
}

TEST(MarkIdentities, HeldAtPredictionForHoldFramesThenRetiredAndNeverReused) {
    CMarkIdentities ids;  // HoldFrames 10
    ids.Update({MarkAt(100, 100)}, 0.0, 640, 480);
    const uint64_t id = ids.Update({MarkAt(103, 102)}, Frame, 640, 480)[0].Id;
    for (int k = 1; k <= 10; ++k) {
        const auto& out = ids.Update({}, (1 + k) * Frame, 640, 480);
        ASSERT_EQ(out.size(), 1u) << k;
        EXPECT_EQ(out[0].Id, id);
        EXPECT_EQ(out[0].Lost, k);
        EXPECT_EQ(out[0].Age, 1 + k);
        EXPECT_NEAR(out[0].Mark.CenterX, 103.0f + 3 * k, 1e-3f);
        EXPECT_NEAR(out[0].Mark.CenterY, 102.0f + 2 * k, 1e-3f);
        EXPECT_EQ(out[0].Mark.MinX, 98u + 3 * k);  // the box moved with it
        EXPECT_NEAR(out[0].Mark.Row, (102.5f + 2 * k), 1e-3f);
    }
    EXPECT_TRUE(ids.Update({}, 12 * Frame, 640, 480).empty());
    const auto& again = ids.Update({MarkAt(136, 124)}, 13 * Frame, 640, 480);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_GT(again[0].Id, id);
    EXPECT_EQ(again[0].Age, 0);
}

TEST(MarkIdentities, ResetAndSizeChangeRetireEveryIdentityAndIdsStayUnique) {
    CMarkIdentities ids;
    std::set<uint64_t> seen;
    auto note = [&](const std::vector<CTrackedMark>& out) {
        for (const CTrackedMark& t : out)
            seen.insert(t.Id);
        return out.size();
    };
    EXPECT_EQ(note(ids.Update({MarkAt(50, 50, 0), MarkAt(50, 50, 1)}, 0.0, 640, 480)), 2u);
    // The same place in a frame of another size: nothing is held, and both ids are new.
    EXPECT_EQ(note(ids.Update({MarkAt(50, 50, 0), MarkAt(50, 50, 1)}, Frame, 320, 240)), 2u);
    ids.Reset();
    EXPECT_EQ(note(ids.Update({MarkAt(50, 50, 0), MarkAt(50, 50, 1)}, 2 * Frame, 320, 240)), 2u);
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(*seen.begin(), 1u);
}

TEST(MarkIdentities, VelocityFromCaptureTimesSmoothedByHalves) {
    CMarkIdentities ids;
    // 90 pixels per second with uneven gaps between frames (one frame dropped).
    ids.Update({MarkAt(100, 100)}, 10.0, 640, 480);
    auto out = ids.Update({MarkAt(103, 100)}, 10.0 + Frame, 640, 480);
    EXPECT_NEAR(out[0].VelocityX, 90.0f, 1e-2f);
    out = ids.Update({MarkAt(109, 100)}, 10.0 + 3 * Frame, 640, 480);
    EXPECT_NEAR(out[0].VelocityX, 90.0f, 1e-2f);
    EXPECT_NEAR(out[0].VelocityY, 0.0f, 1e-3f);
    // Now 180 downwards: each measurement weighs one half.
    out = ids.Update({MarkAt(109, 106)}, 10.0 + 4 * Frame, 640, 480);
    EXPECT_NEAR(out[0].VelocityX, 45.0f, 1e-2f);
    EXPECT_NEAR(out[0].VelocityY, 90.0f, 1e-2f);
    // Held over a long gap in time: the prediction goes as far as the time says.
    out = ids.Update({}, 10.0 + 8 * Frame, 640, 480);
    EXPECT_NEAR(out[0].Mark.CenterX, 109.0f + 45.0f * 4 * Frame, 1e-3f);
    EXPECT_NEAR(out[0].Mark.CenterY, 106.0f + 90.0f * 4 * Frame, 1e-3f);
}

// Colour by colour; seen marks in input order, then held ones by id. Colours never trade
// identities, even where a mark of another colour is nearer.
TEST(MarkIdentities, OutputOrderAndColoursMatchedApart) {
    CMarkIdentities ids;
    ids.Update({MarkAt(10, 10, 2), MarkAt(200, 10, 0), MarkAt(300, 10, 0), MarkAt(400, 10, 0)}, 0.0,
               640, 480);
    const uint64_t blue = IdAt(ids.Marks(), 10, 10), red200 = IdAt(ids.Marks(), 200, 10);
    const uint64_t red300 = IdAt(ids.Marks(), 300, 10), red400 = IdAt(ids.Marks(), 400, 10);
    const auto& out =
        ids.Update({MarkAt(12, 10, 0), MarkAt(401, 10, 0), MarkAt(201, 10, 0), MarkAt(40, 10, 2)},
                   Frame, 640, 480);
    ASSERT_EQ(out.size(), 5u);
    const std::vector<uint64_t> order{out[0].Id, out[1].Id, out[2].Id, out[3].Id, out[4].Id};
    EXPECT_EQ(order[1], red400);
    EXPECT_EQ(order[2], red200);
    EXPECT_EQ(order[3], red300);
    EXPECT_EQ(out[3].Lost, 1);
    EXPECT_EQ(order[4], blue);
    EXPECT_GT(order[0], red400);  // the red mark near the blue one is new
    EXPECT_EQ(out[4].Mark.Colour, 2);
}

// Two marks of a colour merging into one region: the region's centre jumps half-way to the
// other mark without the mark moving, which must not become its velocity.
TEST(MarkIdentities, SuddenChangeOfAreaLeavesTheVelocity) {
    CMarkIdentities ids;
    ids.Update({MarkAt(100, 100)}, 0.0, 640, 480);
    ids.Update({MarkAt(103, 100)}, Frame, 640, 480);
    CMark merged = MarkAt(126, 100);
    merged.PixelCount = 190;
    auto out = ids.Update({merged}, 2 * Frame, 640, 480);
    EXPECT_NEAR(out[0].VelocityX, 90.0f, 1e-2f);
    CMark larger = MarkAt(129, 100);
    larger.PixelCount = 200;  // steady again: the move counts
    out = ids.Update({larger}, 3 * Frame, 640, 480);
    EXPECT_NEAR(out[0].VelocityX, 90.0f, 1e-2f);
    larger.CenterX = 135;
    out = ids.Update({larger}, 4 * Frame, 640, 480);
    EXPECT_NEAR(out[0].VelocityX, 135.0f, 1e-2f);
}
