#include "MarksReport.h"

#include "ColorTracker.h"

#include <charconv>
#include <cmath>

namespace {

// Appends a number in the shortest form that reads back as `value` (std::to_chars keeps to
// the C locale, whatever the process' is), rounded to 1 / scale first.
void Number(std::string& out, double value, double scale = 100.0) {
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0 || !std::isfinite(rounded))
        rounded = 0.0;  // no "-0"; JSON has no infinities
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, rounded).ptr);
}

void Whole(std::string& out, long long value) { out += std::to_string(value); }

void Pair(std::string& out, double x, double y) {
    out += '[';
    Number(out, x);
    out += ',';
    Number(out, y);
    out += ']';
}

// Colour names are letters, digits, '-' and '_' (IsValidColourName): nothing to escape.
void Name(std::string& out, const std::string& name) {
    out += '"';
    out += name;
    out += '"';
}

void AppendMark(std::string& out, const CTrackedMark& tracked, std::span<const CColour> colours) {
    const CMark& m = tracked.Mark;
    out += "{\"id\":";
    Whole(out, static_cast<long long>(tracked.Id));
    out += ",\"colour\":";
    Name(out, colours[m.Colour].Name);
    out += ",\"box\":[";
    for (const uint32_t v : {m.MinX, m.MinY, m.MaxX, m.MaxY}) {
        Whole(out, v);
        out += ',';
    }
    out.back() = ']';
    out += ",\"center\":";
    Pair(out, m.CenterX, m.CenterY);
    out += ",\"pixels\":";
    Whole(out, m.PixelCount);
    out += ",\"row\":";
    Number(out, m.Row);
    out += ",\"col\":";
    Number(out, m.Col);
    out += ",\"angle\":";
    Number(out, m.Angle);
    out += ",\"elongation\":";
    Number(out, m.Elongation, 1000.0);
    out += ",\"age\":";
    Whole(out, tracked.Age);
    out += ",\"lost\":";
    Whole(out, tracked.Lost);
    out += ",\"velocity\":";
    Pair(out, tracked.VelocityX, tracked.VelocityY);
    out += '}';
}

void AppendTruth(std::string& out, std::span<const CTestMark> truth) {
    out += ",\"truth\":[";
    for (const CTestMark& disc : truth) {
        out += "{\"id\":";
        Whole(out, disc.Id);
        out += ",\"colour\":";
        Name(out, disc.Colour);
        out += ",\"center\":";
        Pair(out, disc.Centre.x, disc.Centre.y);
        out += disc.Whole ? ",\"whole\":true}," : ",\"whole\":false},";
    }
    if (out.back() == ',')
        out.pop_back();
    out += ']';
}

}  // namespace

std::string MarksJson(const CMarksReport& report) {
    std::string out = "{\"frame\":";
    out.reserve(128 + 256 * report.Marks.size());
    Whole(out, report.Frame);
    out += ",\"time\":";
    Number(out, report.Time, 1e6);
    out += ",\"marks\":[";
    for (const CTrackedMark& tracked : report.Marks) {
        AppendMark(out, tracked, report.Colours);
        out += ',';
    }
    if (out.back() == ',')
        out.pop_back();
    out += "],\"regions\":{";
    for (size_t c = 0; c < report.Colours.size() && c < report.Regions.size(); ++c) {
        Name(out, report.Colours[c].Name);
        out += ':';
        Whole(out, report.Regions[c]);
        out += ',';
    }
    if (out.back() == ',')
        out.pop_back();
    out += '}';
    if (report.HasTruth)
        AppendTruth(out, report.Truth);
    out += '}';
    return out;
}

std::vector<bool> ColoursPresent(const CColorTracker& tracker, size_t colours) {
    std::vector<bool> present(colours, false);
    for (const CMark& mark : tracker.Marks())
        present[static_cast<size_t>(mark.Colour)] = true;
    return present;
}
