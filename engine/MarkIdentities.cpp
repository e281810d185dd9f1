#include "MarkIdentities.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// A box edge moved by `by` pixels, kept inside 0..size-1.
uint32_t Shifted(uint32_t edge, double by, int size) {
    const double moved = std::round(static_cast<double>(edge) + by);
    if (!(moved > 0.0))
        return 0;
    return static_cast<uint32_t>(std::min(moved, static_cast<double>(std::max(size, 1) - 1)));
}

// Two measurements of one mark whose areas differ by no more than a quarter.
bool SteadySize(const CMark& a, const CMark& b) {
    const int64_t small = std::min(a.PixelCount, b.PixelCount);
    const int64_t large = std::max(a.PixelCount, b.PixelCount);
    return 4 * large <= 5 * small;
}

}  // namespace

CMarkIdentities::CMarkIdentities() = default;

CMarkIdentities::CMarkIdentities(const CSettings& settings) : Config(settings) {}

void CMarkIdentities::Reset() {
    Tracks.clear();
    Output.clear();
    Width = Height = 0;
}

const std::vector<CTrackedMark>& CMarkIdentities::Update(const std::vector<CMark>& marks,
                                                         double time, int width, int height) {
    if (width != Width || height != Height) {
        Reset();
        Width = width;
        Height = height;
    }
    Gate =
        Config.GateFraction * std::hypot(static_cast<double>(width), static_cast<double>(height));
    Order.resize(marks.size());
    std::iota(Order.begin(), Order.end(), 0);
    std::stable_sort(Order.begin(), Order.end(),
                     [&](int a, int b) { return marks[a].Colour < marks[b].Colour; });
    Output.clear();
    NextTracks.clear();
    size_t t = 0, m = 0;
    while (t < Tracks.size() || m < Order.size()) {
        const int colour = std::min(
            t < Tracks.size() ? Tracks[t].Out.Mark.Colour : std::numeric_limits<int>::max(),
            m < Order.size() ? marks[Order[m]].Colour : std::numeric_limits<int>::max());
        size_t trackEnd = t, markEnd = m;
        while (trackEnd < Tracks.size() && Tracks[trackEnd].Out.Mark.Colour == colour)
            ++trackEnd;
        while (markEnd < Order.size() && marks[Order[markEnd]].Colour == colour)
            ++markEnd;
        MatchColour(marks, t, trackEnd, m, markEnd, time);
        t = trackEnd;
        m = markEnd;
    }
    Tracks.swap(NextTracks);
    return Output;
}

// One colour: the known identities Tracks[trackBegin..trackEnd) against the measured marks
// Order[markBegin..markEnd). The colour's identities go to NextTracks, still by id (the
// known ones keep their order, new ones have larger ids), and its marks to Output.
void CMarkIdentities::MatchColour(const std::vector<CMark>& marks, size_t trackBegin,
                                  size_t trackEnd, size_t markBegin, size_t markEnd, double time) {
    const int rows = static_cast<int>(trackEnd - trackBegin);
    const int cols = static_cast<int>(markEnd - markBegin);
    AllowGatedPairs(marks, trackBegin, trackEnd, markBegin, markEnd, time);
    const std::vector<int>& chosen = Matcher.Solve();
    const size_t colourBegin = NextTracks.size();
    TrackOfMark.assign(cols, -1);
    for (int r = 0; r < rows; ++r) {
        CTrack& track = Tracks[trackBegin + r];
        if (chosen[r] >= 0) {
            Observe(track, marks[Order[markBegin + chosen[r]]], time);
            TrackOfMark[chosen[r]] = static_cast<int>(NextTracks.size());
        } else {
            Hold(track);
            if (track.Out.Lost > Config.HoldFrames)
                continue;  // retired
        }
        NextTracks.push_back(track);
    }
    for (int c = 0; c < cols; ++c)
        if (TrackOfMark[c] < 0) {
            TrackOfMark[c] = static_cast<int>(NextTracks.size());
            StartTrack(marks[Order[markBegin + c]], time);
        }
    for (int c = 0; c < cols; ++c)
        Output.push_back(NextTracks[TrackOfMark[c]].Out);
    for (size_t i = colourBegin; i < NextTracks.size(); ++i)
        if (NextTracks[i].Out.Lost > 0)
            Output.push_back(NextTracks[i].Out);
}

// Predicts every identity's centre and allows the pairs of identity and mark within the
// gate, at the squared distance from prediction.
void CMarkIdentities::AllowGatedPairs(const std::vector<CMark>& marks, size_t trackBegin,
                                      size_t trackEnd, size_t markBegin, size_t markEnd,
                                      double time) {
    const size_t cols = markEnd - markBegin;
    Matcher.Begin(static_cast<int>(trackEnd - trackBegin), static_cast<int>(cols));
    MarkX.resize(cols);
    MarkY.resize(cols);
    Distance2.resize(cols);
    Inside.resize(cols);
    for (size_t c = 0; c < cols; ++c) {
        MarkX[c] = marks[Order[markBegin + c]].CenterX;
        MarkY[c] = marks[Order[markBegin + c]].CenterY;
    }
    for (size_t t = trackBegin; t < trackEnd; ++t) {
        CTrack& track = Tracks[t];
        const double elapsed = time > track.SeenTime ? time - track.SeenTime : 0.0;
        track.PredictedX = static_cast<float>(track.Seen.CenterX + track.Out.VelocityX * elapsed);
        track.PredictedY = static_cast<float>(track.Seen.CenterY + track.Out.VelocityY * elapsed);
        const float gate = static_cast<float>(Gate * (track.Out.Lost + 1));
        const float px = track.PredictedX, py = track.PredictedY;
        for (size_t c = 0; c < cols; ++c) {  // one plain loop the compiler vectorises
            const float dx = MarkX[c] - px, dy = MarkY[c] - py;
            Distance2[c] = dx * dx + dy * dy;
        }
        // Without a branch: most marks are outside the gate, in no order a predictor learns.
        size_t inside = 0;
        for (size_t c = 0; c < cols; ++c) {
            Inside[inside] = static_cast<int>(c);
            inside += Distance2[c] <= gate * gate;
        }
        for (size_t i = 0; i < inside; ++i)
            Matcher.Allow(static_cast<int>(t - trackBegin), Inside[i], Distance2[Inside[i]]);
    }
}

// A region that grows or shrinks at once (it merged with another of its colour, parted from
// it, or went partly out of view) moves its centre without moving: that step leaves the
// velocity as it was.
void CMarkIdentities::Observe(CTrack& track, const CMark& mark, double time) const {
    const double elapsed = time - track.SeenTime;
    if (elapsed > 0.0 && SteadySize(track.Seen, mark)) {
        const auto vx = static_cast<float>((mark.CenterX - track.Seen.CenterX) / elapsed);
        const auto vy = static_cast<float>((mark.CenterY - track.Seen.CenterY) / elapsed);
        CTrackedMark& out = track.Out;
        if (track.HasVelocity) {
            out.VelocityX += VelocityWeight * (vx - out.VelocityX);
            out.VelocityY += VelocityWeight * (vy - out.VelocityY);
        } else {
            out.VelocityX = vx;
            out.VelocityY = vy;
            track.HasVelocity = true;
        }
    }
    track.Seen = mark;
    track.SeenTime = time;
    track.Out.Mark = mark;
    track.Out.Lost = 0;
    ++track.Out.Age;
}

// The last measured mark, moved to this frame's prediction.
void CMarkIdentities::Hold(CTrack& track) const {
    ++track.Out.Lost;
    ++track.Out.Age;
    CMark& held = track.Out.Mark;
    held = track.Seen;
    const double dx = static_cast<double>(track.PredictedX) - track.Seen.CenterX;
    const double dy = static_cast<double>(track.PredictedY) - track.Seen.CenterY;
    held.MinX = Shifted(track.Seen.MinX, dx, Width);
    held.MaxX = Shifted(track.Seen.MaxX, dx, Width);
    held.MinY = Shifted(track.Seen.MinY, dy, Height);
    held.MaxY = Shifted(track.Seen.MaxY, dy, Height);
    held.CenterX = track.PredictedX;
    held.CenterY = track.PredictedY;
    held.Row = static_cast<float>((held.CenterY + 0.5) * (480.0 / std::max(Height, 1)));
    held.Col = static_cast<float>((held.CenterX + 0.5) * (640.0 / std::max(Width, 1)));
}

void CMarkIdentities::StartTrack(const CMark& mark, double time) {
    CTrack track;
    track.Out.Mark = mark;
    track.Out.Id = NextId++;
    track.Seen = mark;
    track.SeenTime = time;
    NextTracks.push_back(track);
}
