#include "ColourSet.h"

#include <algorithm>

int CColourSet::Find(std::string_view name) const {
    for (std::size_t i = 0; i < Colours.size(); ++i)
        if (Colours[i].Name == name)
            return static_cast<int>(i);
    return -1;
}

bool IsValidColourName(std::string_view name) {
    const auto allowed = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    };
    return !name.empty() && std::all_of(name.begin(), name.end(), allowed);
}

namespace {

std::optional<std::string> LimitProblem(const CColour& c) {
    using P = CTrackingParams;
    const CTrackingParams& l = c.Limits;
    if (l.MinWidth > P::WidthLimit || l.MaxWidth > P::WidthLimit)
        return "colour '" + c.Name + "': a width limit is above " + std::to_string(P::WidthLimit);
    if (l.MinHeight > P::HeightLimit || l.MaxHeight > P::HeightLimit)
        return "colour '" + c.Name + "': a height limit is above " + std::to_string(P::HeightLimit);
    if (l.MinARatio > P::RatioLimit)
        return "colour '" + c.Name + "': MinARatio is above " + std::to_string(P::RatioLimit);
    if (c.DisplayColour > 0xFFFFFF)
        return "colour '" + c.Name + "': the display colour is not 0xRRGGBB";
    if (c.MaxMarks < 1 || c.MaxMarks > CColour::MaxMarksLimit)
        return "colour '" + c.Name + "': MaxMarks must be 1 to " +
               std::to_string(CColour::MaxMarksLimit);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ColourSetProblem(const CColourSet& set) {
    if (set.Colours.empty() || set.Colours.size() > CColourSet::MaxColours)
        return "a colour set holds 1 to " + std::to_string(CColourSet::MaxColours) +
               " colours, not " + std::to_string(set.Colours.size());
    for (std::size_t i = 0; i < set.Colours.size(); ++i) {
        const CColour& c = set.Colours[i];
        if (!IsValidColourName(c.Name))
            return "colour name '" + c.Name + "': use letters, digits, '-' and '_'";
        if (set.Find(c.Name) != static_cast<int>(i))
            return "colour name '" + c.Name + "' is repeated";
        if (auto problem = LimitProblem(c))
            return problem;
    }
    return std::nullopt;
}
