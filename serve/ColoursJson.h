#pragma once
#include "ColourSet.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// A colour set as {"colours":[{"name":..,"lMin":..,...,"MaxHeight":..,"display":"#RRGGBB",
// "maxMarks":..},...]}, the limits under the names of LimitFields.
QJsonObject ColoursObject(const CColourSet& set);

// The set `object` describes, whole: every colour with its name and all eleven limits
// ("display" and "maxMarks" may be left out for the defaults), no field that is not one of
// these, every value in range, the set valid as ColourSetProblem judges it. Otherwise nothing,
// with the reason in `problem`.
std::optional<CColourSet> ColoursFromObject(const QJsonObject& object, QString& problem);

// A calibration request: colour `Colour` of the set learns at (X, Y) of the next frame.
struct CCalibrationPoint {
    int Colour = 0;
    int X = 0, Y = 0;
};

// The point `object` asks for, {"colour":NAME,"x":X,"y":Y}: NAME one of `set`'s colours, X and
// Y numbers from 0 to MaxCoordinate (taken to their whole part). Whether the point lies in the
// picture is the tracking loop's to say. Otherwise nothing, with the reason in `problem`.
constexpr double MaxCoordinate = 1 << 20;
// The refusal of a body that is not such a point, or of a point outside the picture.
inline constexpr const char* NotACalibrationPoint =
    "the body must be {\"colour\",\"x\",\"y\"} with a point of the picture";
std::optional<CCalibrationPoint> CalibrationFromObject(const QJsonObject& object,
                                                       const CColourSet& set, QString& problem);
