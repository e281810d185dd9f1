#pragma once
#include "TrackingParams.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One colour of a set: a name, its eleven limits (the record's colour bounds, size and aspect
// limits; its two flags mean nothing here), the colour its marks are drawn in and how many
// marks of it are reported at most.
struct CColour {
    std::string Name;
    CTrackingParams Limits;
    uint32_t DisplayColour = 0xFF0000;  // 0xRRGGBB
    int MaxMarks = 8;

    static constexpr int MaxMarksLimit = 64;

    bool operator==(const CColour&) const = default;
};

// The colours tracked together, 1 to MaxColours of them, names unique. The first colour is
// "the mark" of the one-colour interfaces.
struct CColourSet {
    static constexpr std::size_t MaxColours = 16;
    std::vector<CColour> Colours;

    // Index of the colour with this name, or -1.
    int Find(std::string_view name) const;
    bool operator==(const CColourSet&) const = default;
};

// Letters, digits, '-' and '_', at least one character.
bool IsValidColourName(std::string_view name);

// What is wrong with the set (its size, a name, a limit out of range, MaxMarks outside
// 1..MaxMarksLimit), in words for a message, or nothing when it is a valid set.
std::optional<std::string> ColourSetProblem(const CColourSet& set);

// One mark of one colour: a region inside the colour's limits.
struct CMark {
    int Colour = 0;                                   // index into the set
    uint32_t MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;  // inclusive box
    float CenterX = 0.0f, CenterY = 0.0f;             // mean column and row
    int32_t PixelCount = 0;
    float Row = 0.0f, Col = 0.0f;  // the centre on the 480-row / 640-column scale
    // From the second moments: the major axis' direction in degrees, 0 along x, counter-
    // clockwise as seen on the picture, in (-90, 90]; and 1 - minor / major axis (0 for a disc).
    float Angle = 0.0f;
    float Elongation = 0.0f;
};
