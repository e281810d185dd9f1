#include "StartValues.h"

#include "SettingsFile.h"
#include "SettingsStore.h"
#include "ToolError.h"

#include <algorithm>
#include <string>

namespace {

CColourSet FirstSet(const CTrackOptions& options) {
    CColourSet set;
    if (!options.ColoursFile.empty()) {
        std::string problem;
        if (!LoadColourSetFile(set, options.ColoursFile, problem))
            throw CToolError("cannot load colour set file '" + options.ColoursFile +
                             "': " + problem);
    } else if (options.Colours.empty()) {
        set.Colours.resize(1);
        set.Colours[0].Name = CColour::DefaultName;
        ReadColourSet(set);
    }
    for (const std::string& name : options.Colours) {
        set.Colours.emplace_back();
        set.Colours.back().Name = name;
    }
    return set;
}

std::string Names(const CColourSet& set) {
    std::string names;
    for (const CColour& colour : set.Colours)
        names += (names.empty() ? "" : ", ") + colour.Name;
    return names;
}

std::vector<CLearnAt> LearnPoints(const CTrackOptions& options, const CColourSet& set) {
    std::vector<CLearnAt> learn;
    for (const CColourClick& click : options.Clicks) {
        const int colour = click.Colour.empty() ? 0 : set.Find(click.Colour);
        if (colour < 0)
            throw CToolError("--click names no colour of the set: '" + click.Colour +
                             "' (the set has " + Names(set) + ")");
        std::erase_if(learn, [&](const CLearnAt& l) { return l.Colour == colour; });
        learn.push_back({colour, click.At});
    }
    return learn;
}

}  // namespace

CStartValues StartValues(const CTrackOptions& options) {
    CStartValues start;
    start.Set = FirstSet(options);
    if (const auto problem = ColourSetProblem(start.Set))
        throw CToolError("the colour set is not valid: " + *problem);
    CColour& first = start.Set.Colours.front();
    if (!options.SettingsFile.empty() && !LoadSettingsFile(first.Limits, options.SettingsFile))
        throw CToolError("cannot load settings file '" + options.SettingsFile + "'");
    first.Limits.ShowMask = options.ShowMask;
    if (options.MaxMarks)
        for (CColour& colour : start.Set.Colours)
            colour.MaxMarks = *options.MaxMarks;
    start.Learn = LearnPoints(options, start.Set);
    return start;
}
