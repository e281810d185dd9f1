#include "PositionReport.h"

#include "ColorTracker.h"

#include <charconv>

namespace {

class CJsonText {
public:
    CJsonText& Raw(const char* text) {
        Text += text;
        return *this;
    }
    CJsonText& Fixed(double value, int decimals) {
        char digits[64];
        const auto result = std::to_chars(digits, digits + sizeof digits, value,
                                          std::chars_format::fixed, decimals);
        Text.append(digits, result.ptr);
        return *this;
    }
    template <typename Integer>
    CJsonText& Whole(Integer value) {
        Text += std::to_string(value);
        return *this;
    }
    std::string Text;
};

}  // namespace

std::string PositionJson(const CPositionReport& r) {
    CJsonText json;
    json.Raw("{\"frame\":").Whole(r.Frame).Raw(",\"time\":").Fixed(r.Time, 6);
    if (!r.Found)
        return json.Raw(",\"found\":false,\"regions\":").Whole(r.Regions).Raw("}").Text;
    json.Raw(",\"found\":true,\"x\":").Fixed(r.X, 2).Raw(",\"y\":").Fixed(r.Y, 2);
    json.Raw(",\"row\":").Fixed(r.Row, 2).Raw(",\"col\":").Fixed(r.Col, 2);
    json.Raw(",\"box\":[").Whole(r.MinX).Raw(",").Whole(r.MinY).Raw(",").Whole(r.MaxX);
    json.Raw(",").Whole(r.MaxY).Raw("],\"regions\":").Whole(r.Regions).Raw("}");
    return json.Text;
}

CPositionReport FirstMarkReport(long long frame, double time, const CColorTracker& tracker) {
    CPositionReport report;
    report.Frame = frame;
    report.Time = time;
    const std::vector<int>& regions = tracker.ColourRegions();
    report.Regions = regions.empty() ? 0 : regions.front();
    const std::vector<CMark>& marks = tracker.Marks();
    report.Found = !marks.empty() && marks.front().Colour == 0;
    if (!report.Found)
        return report;
    const CMark& m = marks.front();
    report.MinX = m.MinX;
    report.MinY = m.MinY;
    report.MaxX = m.MaxX;
    report.MaxY = m.MaxY;
    report.X = m.CenterX;
    report.Y = m.CenterY;
    report.Row = m.Row;
    report.Col = m.Col;
    return report;
}
