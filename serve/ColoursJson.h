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
