#include "MarksJson.h"

#include <QLocale>

#include <cmath>

namespace {
// Positions and rates to a hundredth of a pixel: finer digits are noise of the measurement.
QByteArray Number(double value, double scale = 100.0) {
    const double rounded = std::round(value * scale) / scale;
    return QByteArray::number(rounded == 0.0 ? 0.0 : rounded, 'g', QLocale::FloatingPointShortest);
}

QByteArray Whole(int64_t value) { return QByteArray::number(static_cast<qlonglong>(value)); }

// Valid colour names are letters, digits, '-' and '_': nothing to escape.
QByteArray Name(const CColourSet& set, int colour) {
    if (colour < 0 || static_cast<size_t>(colour) >= set.Colours.size())
        return "\"\"";
    return '"' + QByteArray::fromStdString(set.Colours[colour].Name) + '"';
}

void AppendMark(QByteArray& out, const CTrackedMark& tracked, const CColourSet& set) {
    const CMark& m = tracked.Mark;
    out += "{\"id\":" + Whole(static_cast<int64_t>(tracked.Id)) +
           ",\"colour\":" + Name(set, m.Colour) + ",\"box\":[" + Whole(m.MinX) + ',' +
           Whole(m.MinY) + ',' + Whole(m.MaxX) + ',' + Whole(m.MaxY) + "],\"center\":[" +
           Number(m.CenterX) + ',' + Number(m.CenterY) + "],\"pixels\":" + Whole(m.PixelCount) +
           ",\"row\":" + Number(m.Row) + ",\"col\":" + Number(m.Col) +
           ",\"angle\":" + Number(m.Angle) + ",\"elongation\":" + Number(m.Elongation) +
           ",\"age\":" + Whole(tracked.Age) + ",\"lost\":" + Whole(tracked.Lost) +
           ",\"velocity\":[" + Number(tracked.VelocityX) + ',' + Number(tracked.VelocityY) + "]}";
}
}  // namespace

QByteArray MarksObject(int64_t frame, double time, const CColourSet& set,
                       const std::vector<CTrackedMark>& marks, const std::vector<int>& regions) {
    QByteArray out;
    out.reserve(128 + 256 * static_cast<qsizetype>(marks.size()));
    out += "{\"frame\":" + Whole(frame) + ",\"time\":" + Number(time, 1000.0) + ",\"marks\":[";
    for (size_t i = 0; i < marks.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendMark(out, marks[i], set);
    }
    out += "],\"regions\":{";
    for (size_t i = 0; i < set.Colours.size(); ++i) {
        if (i > 0)
            out += ',';
        out += Name(set, static_cast<int>(i)) + ':' + Whole(i < regions.size() ? regions[i] : 0);
    }
    out += "}}";
    return out;
}
