#pragma once
#include "ColourSet.h"
#include "MarkIdentities.h"
#include "TestCamera.h"

#include <span>
#include <string>
#include <vector>

class CColorTracker;

// One frame's marks of every colour, as quelta-track's jsonl line and TOPIC/marks carry them.
// The spans are views of the caller's data, valid while the report is used.
struct CMarksReport {
    long long Frame = 0;
    double Time = 0.0;                    // capture time, Unix seconds
    std::span<const CColour> Colours;     // the set: names by colour index
    std::span<const CTrackedMark> Marks;  // seen and held, as the identities give them
    std::span<const int> Regions;         // per colour
    bool HasTruth = false;                // a test camera: Truth holds every disc
    std::span<const CTestMark> Truth;     // centres in the marks' coordinates (mean pixel index)
};

// One JSON object on one line, no line end, independent of the process' locale:
//   {"frame":N,"time":T,"marks":[{"id":..,"colour":"NAME","box":[x0,y0,x1,y1],
//    "center":[x,y],"pixels":P,"row":..,"col":..,"angle":..,"elongation":..,"age":..,
//    "lost":..,"velocity":[vx,vy]},...],"regions":{"NAME":n,...}}
// with "truth":[{"id":..,"colour":"NAME","center":[x,y],"whole":true|false},...] when the
// report has a truth. Centres, row, col, angle and velocity are rounded to 2 decimals,
// elongation to 3, the time to microseconds; the keys in the order above.
std::string MarksJson(const CMarksReport& report);

// Whether each of the set's `colours` has a mark in the tracker's last pass.
std::vector<bool> ColoursPresent(const CColorTracker& tracker, size_t colours);
