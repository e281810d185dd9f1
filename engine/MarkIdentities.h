#pragma once
#include "Assignment.h"
#include "ColourSet.h"

#include <cstdint>
#include <vector>

// One mark of a frame with the identity it keeps from frame to frame.
struct CTrackedMark {
    CMark Mark;       // as measured; for a held mark: at its predicted centre, box moved with it
    uint64_t Id = 0;  // positive, unique over the run across all colours, never reused
    int Age = 0;      // frames since first seen (0 in the frame it is first seen)
    int Lost = 0;     // frames since last seen, 0 when seen in this frame
    float VelocityX = 0.0f, VelocityY = 0.0f;  // frame pixels per second
};

// Gives the marks of successive frames identities that last.
//
// Each colour is matched on its own. A known mark is expected at its predicted centre:
// where it was last seen, moved on at its velocity for the time since. A measured mark may
// take a known identity when it lies within the gate of that prediction: the gate is the
// largest move in one frame, GateFraction of the frame's diagonal, and a mark unseen for k
// frames may have moved k + 1 frames' worth. Among the pairings the gates allow, the one
// that pairs the most marks and, among those, has the least sum of squared distances from
// prediction is taken (an optimal assignment, not nearest first). A mark that takes no
// identity gets a new one; an identity that takes no mark is held at its predicted centre
// (reported with Lost > 0) for HoldFrames frames, then retired.
//
// Velocity: the move since the mark was last seen over the capture time between, smoothed
// exponentially (each new measurement weighs VelocityWeight); it is 0 until the mark has
// been seen twice, and then starts at the first measurement. A measurement whose area
// differs by more than a quarter from the last one (two marks merging into one region or
// parting, a mark going behind something) does not change the velocity.
//
// Output order: colour by colour in ascending colour index; within a colour, the marks seen
// in this frame in the order they were given, then the held marks by ascending id.
class CMarkIdentities {
public:
    struct CSettings {
        double GateFraction = 0.1;  // largest move per frame, as a share of the frame diagonal
        int HoldFrames = 10;        // frames an unseen mark is held before its id is retired
    };
    static constexpr float VelocityWeight = 0.5f;

    CMarkIdentities();
    explicit CMarkIdentities(const CSettings& settings);

    // A new source: every identity is retired (ids are still never reused).
    void Reset();
    // One frame's marks of every colour (CMark::Colour is the colour index), its capture time
    // in seconds and its size; a change of size retires every identity first.
    const std::vector<CTrackedMark>& Update(const std::vector<CMark>& marks, double time, int width,
                                            int height);
    // What the last Update returned.
    const std::vector<CTrackedMark>& Marks() const { return Output; }

private:
    struct CTrack {
        CTrackedMark Out;       // as last reported
        CMark Seen;             // as last measured
        double SeenTime = 0.0;  // capture time of that frame
        bool HasVelocity = false;
        float PredictedX = 0.0f, PredictedY = 0.0f;  // this frame's prediction
    };

    void MatchColour(const std::vector<CMark>& marks, size_t trackBegin, size_t trackEnd,
                     size_t markBegin, size_t markEnd, double time);
    void AllowGatedPairs(const std::vector<CMark>& marks, size_t trackBegin, size_t trackEnd,
                         size_t markBegin, size_t markEnd, double time);
    void Observe(CTrack& track, const CMark& mark, double time) const;
    void Hold(CTrack& track) const;
    void StartTrack(const CMark& mark, double time);

    CSettings Config;
    uint64_t NextId = 1;
    int Width = 0, Height = 0;
    double Gate = 0.0;           // largest move per frame in pixels
    std::vector<CTrack> Tracks;  // live identities by colour, then by id
    std::vector<CTrackedMark> Output;

    // Scratch, kept so that a steady stream of frames allocates nothing.
    std::vector<CTrack> NextTracks;
    std::vector<int> Order;  // the marks' indices by colour, in input order within a colour
    std::vector<float> MarkX, MarkY, Distance2;  // the colour's marks, for the gate
    std::vector<int> Inside;                     // those within one identity's gate
    std::vector<int> TrackOfMark;                // per mark of the colour: its entry in NextTracks
    CGatedAssignment Matcher;
};
