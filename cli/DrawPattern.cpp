#include "DrawPattern.h"

#include "ToolError.h"

#include <string_view>

CDrawPattern::CDrawPattern(const std::string& pattern) {
    std::string* text = &Before;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            *text += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            *text += '%';
            ++i;
            continue;
        }
        if (HasNumber)
            throw CToolError("--draw pattern '" + pattern + "' has more than one %d");
        size_t j = i + 1;
        for (; j < pattern.size() &&
               std::string_view("-0+ ").find(pattern[j]) != std::string_view::npos;
             ++j) {
            LeftAlign |= pattern[j] == '-';
            ZeroPad |= pattern[j] == '0';
            Plus |= pattern[j] == '+';
            Space |= pattern[j] == ' ';
        }
        for (; j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && Width < 100; ++j)
            Width = Width * 10 + (pattern[j] - '0');
        if (j >= pattern.size() || (pattern[j] != 'd' && pattern[j] != 'i') || Width >= 100)
            throw CToolError("--draw pattern '" + pattern +
                             "': only one %d (with flags and width, e.g. %04d) is allowed");
        HasNumber = true;
        text = &After;
        i = j;
    }
}

std::string CDrawPattern::FileFor(int64_t frame) const {
    if (!HasNumber)
        return Before;
    std::string digits = std::to_string(frame < 0 ? -frame : frame);
    std::string sign = frame < 0 ? "-" : Plus ? "+" : Space ? " " : "";
    const size_t width = static_cast<size_t>(Width);
    std::string number;
    if (sign.size() + digits.size() >= width)
        number = sign + digits;
    else if (LeftAlign)
        number = sign + digits + std::string(width - sign.size() - digits.size(), ' ');
    else if (ZeroPad)
        number = sign + std::string(width - sign.size() - digits.size(), '0') + digits;
    else
        number = std::string(width - sign.size() - digits.size(), ' ') + sign + digits;
    return Before + number + After;
}
