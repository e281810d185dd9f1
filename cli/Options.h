#pragma once
#include "BrokerAddress.h"

#include <optional>
#include <string>
#include <vector>

struct CPoint2i {
    int X = 0;
    int Y = 0;
};

// --click [NAME=]X,Y: where a colour of the set is learnt on the first frame.
struct CColourClick {
    std::string Colour;  // empty: the first colour
    CPoint2i At;
};

enum class COutputFormat { Csv, Jsonl };

struct CTrackOptions {
    std::vector<std::string> Sources;
    std::string SettingsFile;          // --settings, empty when not given
    std::string SaveSettingsFile;      // --save-settings
    std::vector<CColourClick> Clicks;  // --click: points and calibration requests, in order
    std::optional<CPoint2i> Point;     // --point: point only
    std::vector<std::string> Colours;  // --colour, in order
    std::string ColoursFile;           // --colours
    std::string SaveColoursFile;       // --save-colours
    std::optional<int> MaxMarks;       // --max-marks
    COutputFormat Format = COutputFormat::Csv;
    bool ShowMask = false;
    std::string DrawPattern;  // --draw, empty when not drawing
    std::optional<long long> Frames;
    std::optional<CBrokerAddress> Publish;  // --publish
    bool Help = false;
};

// Throws CToolError with a message naming the bad argument.
CTrackOptions ParseOptions(const std::vector<std::string>& args);

extern const char* const UsageText;
