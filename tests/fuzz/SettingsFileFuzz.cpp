// The settings-file loaders on a file holding any bytes. Promises checked: a load is all or
// nothing; the one-colour load agrees with a plain reading of the first 4 KiB by the C
// library's strtol; what it took lies inside the limits and comes back unchanged through a save
// and a second load. The colour-set load either fails, saying why and leaving the set as it
// was, or gives a valid set that saves and loads back equal, whose first colour is what the
// one-colour load took; and it takes every one-colour file that the one-colour load takes.
#include "FuzzCheck.h"
#include "ScratchFolder.h"
#include "SettingsFile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace {

const CScratchFolder& Folder() {
    static const CScratchFolder folder;
    return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(file.good(), "the input file can be written");
}

// Values no load leaves behind unless it failed: the size limits are above every limit.
CTrackingParams Sentinel() {
    CTrackingParams p;
    p.lMin = 17, p.lMax = 34, p.a1Min = 51, p.a1Max = 68, p.a2Min = 85, p.a2Max = 102;
    p.MinARatio = 1001, p.MinWidth = 1002, p.MaxWidth = 1003, p.MinHeight = 1004;
    p.MaxHeight = 1005;
    p.ShowMask = true;
    p.VideoConfigured = true;
    return p;
}

struct CRule {
    const char* Key;
    long Limit;
};
constexpr std::array<CRule, 12> Rules{{{"QTA", 1},
                                       {"lMin", 255},
                                       {"lMax", 255},
                                       {"a1Min", 255},
                                       {"a1Max", 255},
                                       {"a2Min", 255},
                                       {"a2Max", 255},
                                       {"MinARatio", 100},
                                       {"MinWidth", 640},
                                       {"MaxWidth", 640},
                                       {"MinHeight", 480},
                                       {"MaxHeight", 480}}};

// The twelve values as the file format describes them, read with strtol from the lines of the
// file's first 4096 bytes; none when the file must be refused.
std::optional<std::array<long, 12>> ReadLikeStrtol(const std::string& bytes) {
    const std::string head = bytes.substr(0, 4096);
    std::array<long, 12> values{};
    size_t at = 0;
    for (size_t k = 0; k < Rules.size(); ++k) {
        if (at >= head.size())
            return std::nullopt;
        const size_t end = std::min(head.find('\n', at), head.size());
        const std::string line = head.substr(at, end - at);
        at = end + 1;
        const std::string key = Rules[k].Key;
        if (line.compare(0, key.size(), key) != 0)
            return std::nullopt;
        errno = 0;
        const long value = std::strtol(line.c_str() + key.size(), nullptr, 10);
        if (errno == ERANGE || value < 0 || value > INT32_MAX || value > Rules[k].Limit)
            return std::nullopt;
        values[k] = value;
    }
    return values;
}

// Line 13 of the first 4096 bytes begins with "Colours": the file holds a colour set.
bool HasCountLine(const std::string& bytes) {
    const std::string head = bytes.substr(0, 4096);
    size_t at = 0;
    for (int k = 0; k < 12; ++k) {
        const size_t end = head.find('\n', at);
        if (end == std::string::npos)
            return false;
        at = end + 1;
    }
    return head.compare(at, 7, "Colours") == 0;
}

// A valid set to load over: a failed load must leave it exactly so.
CColourSet SentinelSet() {
    CColourSet set;
    set.Colours.resize(2);
    set.Colours[0].Name = "sentinel-0";
    set.Colours[1].Name = "sentinel-1";
    set.Colours[1].MaxMarks = 64;
    set.Colours[1].Limits.lMin = 99;
    return set;
}

// The header's value is only checked, never kept; the expected one stands in for it.
std::array<long, 12> ValuesOf(const CTrackingParams& p, long header) {
    return {header,  p.lMin,      p.lMax,     p.a1Min,    p.a1Max,     p.a2Min,
            p.a2Max, p.MinARatio, p.MinWidth, p.MaxWidth, p.MinHeight, p.MaxHeight};
}

void CheckSetLoad(const std::string& input, const std::string& bytes) {
    CTrackingParams first = Sentinel();
    const bool oneLoaded = LoadSettingsFile(first, input);
    CColourSet set = SentinelSet();
    std::string problem;
    const bool loaded = LoadColourSetFile(set, input, problem);
    if (oneLoaded && !HasCountLine(bytes))
        FUZZ_CHECK(loaded && set.Colours.size() == 1 && set.Colours[0].Name == CColour::DefaultName,
                   "a one-colour file loads as a set of that one colour");
    if (!loaded) {
        FUZZ_CHECK(set == SentinelSet(), "a failed set load changes nothing");
        FUZZ_CHECK(!problem.empty(), "a failed set load says why");
        return;
    }
    FUZZ_CHECK(!ColourSetProblem(set), "a loaded set is valid");
    FUZZ_CHECK(!HasCountLine(bytes) || bytes.size() <= ColourSetFileLimit,
               "a set file over the limit fails");
    FUZZ_CHECK(oneLoaded && ValuesOf(first, 0) == ValuesOf(set.Colours[0].Limits, 0),
               "the one-colour load takes the set's first colour");

    const std::string saved = Folder() / "saved-set.qta";
    FUZZ_CHECK(SaveColourSetFile(set, saved), "a loaded set can be saved");
    CColourSet again = SentinelSet();
    FUZZ_CHECK(LoadColourSetFile(again, saved, problem), "a saved set loads");
    FUZZ_CHECK(again == set, "save and load give back the same set");
    CTrackingParams savedFirst;
    FUZZ_CHECK(LoadSettingsFile(savedFirst, saved) &&
                   ValuesOf(savedFirst, 0) == ValuesOf(set.Colours[0].Limits, 0),
               "a saved set's first colour is what the one-colour load takes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_CHECK(!Folder().Path().empty(), "a private folder can be made");
    const std::string input = Folder() / "input.qta";
    WriteFile(input, data, size);
    CheckSetLoad(input, std::string(reinterpret_cast<const char*>(data), size));

    CTrackingParams params = Sentinel();
    const bool loaded = LoadSettingsFile(params, input);
    const auto expected = ReadLikeStrtol(std::string(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(loaded == expected.has_value(), "loads exactly the files strtol can read");
    if (!loaded) {
        FUZZ_CHECK(params == Sentinel(), "a failed load changes nothing");
        return 0;
    }
    FUZZ_CHECK(ValuesOf(params, (*expected)[0]) == *expected,
               "the values loaded are the ones written");
    FUZZ_CHECK(params.ShowMask && params.VideoConfigured, "the flags are not in the file");

    const std::string saved = Folder() / "saved.qta";
    FUZZ_CHECK(SaveSettingsFile(params, saved), "what was loaded can be saved");
    CTrackingParams again = Sentinel();
    FUZZ_CHECK(LoadSettingsFile(again, saved), "a saved file loads");
    FUZZ_CHECK(again == params, "save and load give back the same limits");
    return 0;
}
