#pragma once
#include "BrokerAddress.h"

#include <optional>
#include <string>
#include <vector>

struct CPoint2i {
    int X = 0;
    int Y = 0;
};

struct CTrackOptions {
    std::vector<std::string> Sources;
    std::string SettingsFile;       // --settings, empty when not given
    std::string SaveSettingsFile;   // --save-settings
    std::optional<CPoint2i> Click;  // --click: point and calibration request
    std::optional<CPoint2i> Point;  // --point: point only
    bool ShowMask = false;
    std::string DrawPattern;  // --draw, empty when not drawing
    std::optional<long long> Frames;
    std::optional<CBrokerAddress> Publish;  // --publish
    bool Help = false;
};

// Throws CToolError with a message naming the bad argument.
CTrackOptions ParseOptions(const std::vector<std::string>& args);

extern const char* const UsageText;
