#pragma once
#include <string>

class CColorTracker;

// What quelta-track reports for one frame: its CSV line and its published position.
struct CPositionReport {
    long long Frame = 0;
    double Time = 0.0;  // capture time, Unix seconds
    bool Found = false;
    int Regions = 0;
    // The chosen region, when found: box, mean pixel, and position on the 480 x 640 scale.
    unsigned MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
    float X = 0.0f, Y = 0.0f, Row = 0.0f, Col = 0.0f;
};

// One JSON object, the same numbers as the CSV line (two decimals) and the time in
// microseconds; the position fields are left out when nothing was found:
//   {"frame":N,"time":T,"found":true,"x":..,"y":..,"row":..,"col":..,"box":[..4..],"regions":R}
// Independent of the process' locale.
std::string PositionJson(const CPositionReport& report);

// The first colour's first mark in the tracker's last pass: the CSV line's and TOPIC/position's
// numbers.
CPositionReport FirstMarkReport(long long frame, double time, const CColorTracker& tracker);
