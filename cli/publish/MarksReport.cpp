#include "MarksReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cmath>

namespace {

double Rounded(double value, double scale) { return std::round(value * scale) / scale; }
double Hundredths(double value) { return Rounded(value, 100.0); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

QJsonArray Pair(double x, double y) { return QJsonArray{Hundredths(x), Hundredths(y)}; }

QJsonObject MarkObject(const CTrackedMark& tracked, std::span<const CColour> colours) {
    const CMark& m = tracked.Mark;
    QJsonObject mark;
    mark.insert("id", static_cast<qint64>(tracked.Id));
    mark.insert("colour", Text(colours[m.Colour].Name));
    mark.insert("box", QJsonArray{static_cast<qint64>(m.MinX), static_cast<qint64>(m.MinY),
                                  static_cast<qint64>(m.MaxX), static_cast<qint64>(m.MaxY)});
    mark.insert("center", Pair(m.CenterX, m.CenterY));
    mark.insert("pixels", m.PixelCount);
    mark.insert("row", Hundredths(m.Row));
    mark.insert("col", Hundredths(m.Col));
    mark.insert("angle", Hundredths(m.Angle));
    mark.insert("elongation", Rounded(m.Elongation, 1000.0));
    mark.insert("age", tracked.Age);
    mark.insert("lost", tracked.Lost);
    mark.insert("velocity", Pair(tracked.VelocityX, tracked.VelocityY));
    return mark;
}

QJsonArray TruthArray(std::span<const CTestMark> truth) {
    QJsonArray discs;
    for (const CTestMark& disc : truth) {
        QJsonObject object;
        object.insert("id", disc.Id);
        object.insert("colour", Text(disc.Colour));
        object.insert("center", Pair(disc.Centre.x, disc.Centre.y));
        object.insert("whole", disc.Whole);
        discs.append(object);
    }
    return discs;
}

}  // namespace

std::string MarksJson(const CMarksReport& report) {
    QJsonObject frame;
    frame.insert("frame", static_cast<qint64>(report.Frame));
    frame.insert("time", Rounded(report.Time, 1e6));
    QJsonArray marks;
    for (const CTrackedMark& tracked : report.Marks)
        marks.append(MarkObject(tracked, report.Colours));
    frame.insert("marks", marks);
    QJsonObject regions;
    for (size_t c = 0; c < report.Colours.size() && c < report.Regions.size(); ++c)
        regions.insert(Text(report.Colours[c].Name), report.Regions[c]);
    frame.insert("regions", regions);
    if (report.HasTruth)
        frame.insert("truth", TruthArray(report.Truth));
    const QByteArray json = QJsonDocument(frame).toJson(QJsonDocument::Compact);
    return std::string(json.constData(), static_cast<size_t>(json.size()));
}
