#include "PositionReport.h"

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
