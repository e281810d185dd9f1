#include "ColoursJson.h"

#include "LimitFields.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>

namespace {
constexpr const char* NameKey = "name";
constexpr const char* DisplayKey = "display";
constexpr const char* MaxMarksKey = "maxMarks";

QString DisplayText(uint32_t rgb) {
    return QString("#%1").arg(rgb & 0xFFFFFF, 6, 16, QChar('0')).toUpper();
}

// A whole number from 0 to `limit`.
bool ReadWhole(const QJsonValue& value, uint32_t limit, uint32_t& out) {
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < 0.0 || number > limit)
        return false;
    out = static_cast<uint32_t>(number);
    return true;
}

bool KnownKey(const QString& key) {
    if (key == NameKey || key == DisplayKey || key == MaxMarksKey)
        return true;
    for (const CLimitField& field : LimitFields)
        if (key == field.Name)
            return true;
    return false;
}

bool ReadExtras(const QJsonObject& entry, CColour& colour, QString& problem) {
    if (entry.contains(DisplayKey)) {
        static const QRegularExpression hex("^#[0-9A-Fa-f]{6}$");
        const QString text = entry[DisplayKey].toString();
        if (!hex.match(text).hasMatch()) {
            problem = "\"display\" must be a colour written #RRGGBB";
            return false;
        }
        colour.DisplayColour = text.mid(1).toUInt(nullptr, 16);
    }
    if (entry.contains(MaxMarksKey)) {
        uint32_t maxMarks = 0;
        if (!ReadWhole(entry[MaxMarksKey], CColour::MaxMarksLimit, maxMarks) || maxMarks < 1) {
            problem = QString("\"maxMarks\" must be a whole number from 1 to %1")
                          .arg(CColour::MaxMarksLimit);
            return false;
        }
        colour.MaxMarks = static_cast<int>(maxMarks);
    }
    return true;
}

bool ReadColour(const QJsonValue& value, CColour& colour, QString& problem) {
    if (!value.isObject()) {
        problem = "every colour must be an object";
        return false;
    }
    const QJsonObject entry = value.toObject();
    for (auto it = entry.begin(); it != entry.end(); ++it)
        if (!KnownKey(it.key())) {
            problem = "unknown field \"" + it.key() + "\"";
            return false;
        }
    if (!entry[NameKey].isString()) {
        problem = "every colour needs a \"name\"";
        return false;
    }
    colour.Name = entry[NameKey].toString().toStdString();
    for (const CLimitField& field : LimitFields) {
        uint32_t number = 0;
        if (!ReadWhole(entry[field.Name], field.Limit, number)) {
            problem = QString("\"%1\" of \"%2\" must be a whole number from 0 to %3")
                          .arg(field.Name, QString::fromStdString(colour.Name))
                          .arg(field.Limit);
            return false;
        }
        field.Set(colour.Limits, number);
    }
    return ReadExtras(entry, colour, problem);
}
}  // namespace

QJsonObject ColoursObject(const CColourSet& set) {
    QJsonArray colours;
    for (const CColour& colour : set.Colours) {
        QJsonObject entry;
        entry[NameKey] = QString::fromStdString(colour.Name);
        for (const CLimitField& field : LimitFields)
            entry[field.Name] = static_cast<qint64>(field.Get(colour.Limits));
        entry[DisplayKey] = DisplayText(colour.DisplayColour);
        entry[MaxMarksKey] = colour.MaxMarks;
        colours.append(entry);
    }
    return QJsonObject{{"colours", colours}};
}

std::optional<CColourSet> ColoursFromObject(const QJsonObject& object, QString& problem) {
    if (object.size() != 1 || !object["colours"].isArray()) {
        problem = "the body must be {\"colours\":[...]}";
        return std::nullopt;
    }
    const QJsonArray colours = object["colours"].toArray();
    if (colours.size() > static_cast<qsizetype>(CColourSet::MaxColours)) {
        problem = QString("a set holds at most %1 colours").arg(CColourSet::MaxColours);
        return std::nullopt;
    }
    CColourSet set;
    for (const QJsonValue& value : colours)
        if (!ReadColour(value, set.Colours.emplace_back(), problem))
            return std::nullopt;
    if (const std::optional<std::string> wrong = ColourSetProblem(set)) {
        problem = QString::fromStdString(*wrong);
        return std::nullopt;
    }
    return set;
}

std::optional<CCalibrationPoint> CalibrationFromObject(const QJsonObject& object,
                                                       const CColourSet& set, QString& problem) {
    const int colour =
        object["colour"].isString() ? set.Find(object["colour"].toString().toStdString()) : -1;
    if (colour < 0) {
        problem = "no colour of that name";
        return std::nullopt;
    }
    const auto coordinate = [](const QJsonValue& value) {
        return value.isDouble() && value.toDouble() >= 0.0 && value.toDouble() <= MaxCoordinate;
    };
    if (object.size() != 3 || !coordinate(object["x"]) || !coordinate(object["y"])) {
        problem = NotACalibrationPoint;
        return std::nullopt;
    }
    return CCalibrationPoint{colour, static_cast<int>(object["x"].toDouble()),
                             static_cast<int>(object["y"].toDouble())};
}
