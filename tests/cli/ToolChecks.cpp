#include "ToolChecks.h"

#include <cmath>
#include <sstream>

namespace {

bool Near(const std::string& field, double value) {
    try {
        return std::abs(std::stod(field) - value) <= 0.0101;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::string SettingsText(const CLimits& l) {
    std::ostringstream text;
    text << "QTA 1\r\nlMin " << l.lMin << "\r\nlMax " << l.lMax << "\r\na1Min " << l.a1Min
         << "\r\na1Max " << l.a1Max << "\r\na2Min " << l.a2Min << "\r\na2Max " << l.a2Max
         << "\r\nMinARatio " << l.MinARatio << "\r\nMinWidth " << l.MinWidth << "\r\nMaxWidth "
         << l.MaxWidth << "\r\nMinHeight " << l.MinHeight << "\r\nMaxHeight " << l.MaxHeight
         << "\r\n";
    return text.str();
}

bool ParseSettingsText(const std::string& text, CLimits& l) {
    std::istringstream in(text);
    std::string key;
    long values[12];
    const char* keys[12] = {"QTA",   "lMin",      "lMax",     "a1Min",    "a1Max",     "a2Min",
                            "a2Max", "MinARatio", "MinWidth", "MaxWidth", "MinHeight", "MaxHeight"};
    for (int k = 0; k < 12; ++k) {
        if (!(in >> key >> values[k]) || key != keys[k])
            return false;
    }
    l = {static_cast<int>(values[1]),      static_cast<int>(values[2]),
         static_cast<int>(values[3]),      static_cast<int>(values[4]),
         static_cast<int>(values[5]),      static_cast<int>(values[6]),
         static_cast<unsigned>(values[7]), static_cast<unsigned>(values[8]),
         static_cast<unsigned>(values[9]), static_cast<unsigned>(values[10]),
         static_cast<unsigned>(values[11])};
    return true;
}

std::string CompareRow(const std::vector<std::string>& row, const CReference& e) {
    std::ostringstream why;
    if (row.size() != 11) {
        why << "row has " << row.size() << " fields";
        return why.str();
    }
    if (row[1] != (e.Found ? "1" : "0"))
        why << " found " << row[1] << " expected " << e.Found;
    if (row[2] != std::to_string(e.Regions))
        why << " regions " << row[2] << " expected " << e.Regions;
    if (!e.Found) {
        for (int k = 3; k < 11; ++k)
            if (!row[k].empty())
                why << " field " << k << " should be empty";
        return why.str();
    }
    const int box[4] = {e.MinX, e.MinY, e.MaxX, e.MaxY};
    for (int k = 0; k < 4; ++k)
        if (row[3 + k] != std::to_string(box[k]))
            why << " box field " << k << " " << row[3 + k] << " expected " << box[k];
    const double decimals[4] = {e.CenterX, e.CenterY, e.Row, e.Col};
    for (int k = 0; k < 4; ++k) {
        if (!Near(row[7 + k], decimals[k]))
            why << " field " << 7 + k << " " << row[7 + k] << " expected " << decimals[k];
        const size_t dot = row[7 + k].find('.');
        if (dot == std::string::npos || row[7 + k].size() - dot != 3)
            why << " field " << 7 + k << " '" << row[7 + k] << "' is not 2 decimals";
    }
    return why.str();
}
