#include "ScratchFolder.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

CColour Colour(const std::string& name, int seed) {
    CColour c;
    c.Name = name;
    c.DisplayColour = static_cast<uint32_t>(0x010203 * seed) & 0xFFFFFF;
    c.MaxMarks = 1 + seed % 64;
    CTrackingParams& l = c.Limits;
    l.lMin = static_cast<uint8_t>(seed), l.lMax = static_cast<uint8_t>(255 - seed);
    l.a1Min = static_cast<uint8_t>(seed * 3), l.a1Max = static_cast<uint8_t>(seed * 5);
    l.a2Min = static_cast<uint8_t>(seed * 7), l.a2Max = static_cast<uint8_t>(seed * 11);
    l.MinARatio = static_cast<uint32_t>(seed * 6 % 101);
    l.MinWidth = static_cast<uint32_t>(seed), l.MaxWidth = static_cast<uint32_t>(640 - seed);
    l.MinHeight = static_cast<uint32_t>(seed * 2), l.MaxHeight = static_cast<uint32_t>(480 - seed);
    return c;
}

CColourSet SetOf(int colours) {
    CColourSet set;
    for (int i = 0; i < colours; ++i)
        set.Colours.push_back(Colour("colour-" + std::to_string(i), i + 1));
    return set;
}

// Every line as long as the format lets it be written.
CColourSet LongestSet() {
    CColourSet set;
    for (std::size_t i = 0; i < CColourSet::MaxColours; ++i) {
        CColour c;
        c.Name = std::string(CColour::MaxNameLength - 2, 'n') + std::to_string(10 + i);
        c.DisplayColour = 0xFFFFFF;
        c.MaxMarks = CColour::MaxMarksLimit;
        c.Limits = {255, 255, 255, 255, 255, 255, 640, 640, 480, 480, 100};
        set.Colours.push_back(c);
    }
    return set;
}

class ColourSetFileTest : public testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return Scratch / name; }

    std::string Write(const std::string& text, const std::string& name = "in.qta") const {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    }

    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string Saved(const CColourSet& set) const {
        EXPECT_TRUE(SaveColourSetFile(set, PathOf("saved.qta")));
        return ReadAll(PathOf("saved.qta"));
    }

    // Loads `text` over a marked set; fails the test unless the load fails, says why and
    // leaves the set as it was.
    void ExpectRefused(const std::string& text, const std::string& why) const {
        CColourSet set = SetOf(3);
        std::string problem;
        EXPECT_FALSE(LoadColourSetFile(set, Write(text), problem)) << why;
        EXPECT_FALSE(problem.empty()) << why;
        EXPECT_EQ(set, SetOf(3)) << why;
    }

    CScratchFolder Scratch;
};

// The twelve lines of `limits`, written out here as the one-colour format has them.
std::string TwelveLines(const CTrackingParams& limits) {
    const char* const keys[] = {"lMin",     "lMax",      "a1Min",     "a1Max",
                                "a2Min",    "a2Max",     "MinARatio", "MinWidth",
                                "MaxWidth", "MinHeight", "MaxHeight"};
    const uint32_t values[] = {limits.lMin,     limits.lMax,      limits.a1Min,     limits.a1Max,
                               limits.a2Min,    limits.a2Max,     limits.MinARatio, limits.MinWidth,
                               limits.MaxWidth, limits.MinHeight, limits.MaxHeight};
    std::string text = "QTA 1\r\n";
    for (int i = 0; i < 11; ++i)
        text += std::string(keys[i]) + ' ' + std::to_string(values[i]) + "\r\n";
    return text;
}

TEST_F(ColourSetFileTest, SixteenColoursComeBackEqualThroughAFile) {
    const CColourSet written = SetOf(16);
    ASSERT_TRUE(SaveColourSetFile(written, PathOf("set.qta")));
    CColourSet read;
    std::string problem;
    ASSERT_TRUE(LoadColourSetFile(read, PathOf("set.qta"), problem)) << problem;
    EXPECT_EQ(read, written);
}

TEST_F(ColourSetFileTest, TheOneColourReaderTakesTheFirstColourOfASetFile) {
    const CColourSet set = SetOf(16);
    const std::string text = Saved(set);
    EXPECT_EQ(text.substr(0, TwelveLines(set.Colours[0].Limits).size()),
              TwelveLines(set.Colours[0].Limits));
    CTrackingParams p;
    p.VideoConfigured = true;
    ASSERT_TRUE(LoadSettingsFile(p, PathOf("saved.qta")));
    CTrackingParams expected = set.Colours[0].Limits;
    expected.VideoConfigured = true;
    EXPECT_EQ(p, expected);
}

TEST_F(ColourSetFileTest, APlainOneColourSetIsTodaysTwelveLinesAndBack) {
    CColour mark = Colour(std::string(CColour::DefaultName), 5);
    mark.DisplayColour = CColour{}.DisplayColour;
    mark.MaxMarks = CColour{}.MaxMarks;
    const std::string text = Saved(CColourSet{{mark}});
    EXPECT_EQ(text, TwelveLines(mark.Limits));
    ASSERT_TRUE(SaveSettingsFile(mark.Limits, PathOf("old.qta")));
    EXPECT_EQ(ReadAll(PathOf("old.qta")), text);

    CColourSet read = SetOf(3);
    std::string problem;
    ASSERT_TRUE(LoadColourSetFile(read, Write(text), problem)) << problem;
    EXPECT_EQ(read, CColourSet{{mark}});

    // One colour named otherwise is no longer the plain file, and keeps its name.
    CColour named = mark;
    named.Name = "red";
    EXPECT_NE(Saved(CColourSet{{named}}), text);
    ASSERT_TRUE(LoadColourSetFile(read, PathOf("saved.qta"), problem)) << problem;
    EXPECT_EQ(read, CColourSet{{named}});
}

// What a one-colour file could hold after its twelfth line was always ignored; it still is.
TEST_F(ColourSetFileTest, AOneColourFileWithNotesAfterItsTwelfthLineStillLoads) {
    const std::string text = TwelveLines(Colour("x", 9).Limits) + "notes\r\nlMin 999\r\n";
    CColourSet read;
    std::string problem;
    ASSERT_TRUE(LoadColourSetFile(read, Write(text + std::string(5000, 'x')), problem)) << problem;
    ASSERT_EQ(read.Colours.size(), 1u);
    EXPECT_EQ(read.Colours[0].Limits, Colour("x", 9).Limits);
    EXPECT_EQ(read.Colours[0].Name, CColour::DefaultName);
}

TEST_F(ColourSetFileTest, LfLinesBlanksAndTrailingWordsAreReadAsInTheTwelveLines) {
    const CColourSet set = SetOf(2);
    std::string text;
    for (char c : Saved(set))
        if (c != '\r')
            text += c;
    for (const auto& [from, to] :
         std::vector<std::pair<std::string, std::string>>{{"Name colour-1", "Name\t colour-1 two"},
                                                          {"Display 020406", "Display 020406 x"},
                                                          {"MaxMarks 3", "MaxMarks  3 marks"}}) {
        ASSERT_NE(text.find(from), std::string::npos) << from;
        text.replace(text.find(from), from.size(), to);
    }
    CColourSet read;
    std::string problem;
    ASSERT_TRUE(LoadColourSetFile(read, Write(text + "\n  \n"), problem)) << problem;
    EXPECT_EQ(read, set);
}

TEST_F(ColourSetFileTest, EveryBadSetFailsWithAReasonAndChangesNothing) {
    const std::string good = Saved(SetOf(3));
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    ExpectRefused(with("Colours 3", "Colours 17"), "seventeen colours");
    ExpectRefused(with("Colours 3", "Colours 0"), "no colours");
    ExpectRefused(with("Colours 3", "Colours 4"), "a colour missing");
    ExpectRefused(with("Colours 3", "Colours 2"), "a colour more than the count");
    ExpectRefused(with("Name colour-2", "Name colour-1"), "a repeated name");
    ExpectRefused(with("Name colour-2", "Name colour-0"), "the first colour's name repeated");
    ExpectRefused(with("Name colour-2", "Name"), "an empty name");
    ExpectRefused(with("Name colour-2", "Name colour.2"), "an invalid name");
    ExpectRefused(with("Name colour-2", "Name " + std::string(33, 'n')), "a name too long");
    ExpectRefused(with("Name colour-2", "Namecolour-2"), "a name not parted from its key");
    ExpectRefused(with("MaxMarks 3", "MaxMarks 0"), "MaxMarks 0");
    ExpectRefused(with("MaxMarks 3", "MaxMarks 65"), "MaxMarks 65");
    ExpectRefused(with("Display 020406", "Display 02040"), "five hex digits");
    ExpectRefused(with("Display 020406", "Display 0204067"), "seven hex digits");
    ExpectRefused(with("lMin 2\r\n", "lMin 256\r\n"), "a later colour's value out of range");
    ExpectRefused(with("MaxWidth 638", "MaxWidth -1"), "a later colour's negative value");
    ExpectRefused(with("Display 020406\r\nMaxMarks 3", "MaxMarks 3\r\nDisplay 020406"),
                  "lines out of place");
    ExpectRefused(good.substr(0, good.rfind("MaxHeight")), "the last line missing");
    ExpectRefused(good + "Name extra\r\n", "a block after the last colour");
}

TEST_F(ColourSetFileTest, TheReasonNamesTheLine) {
    std::string text = Saved(SetOf(2));
    text.replace(text.find("MaxMarks 2"), 10, "MaxMarks 99");
    CColourSet set;
    std::string problem;
    ASSERT_FALSE(LoadColourSetFile(set, Write(text), problem));
    EXPECT_NE(problem.find("line 16"), std::string::npos) << problem;
    EXPECT_NE(problem.find("MaxMarks"), std::string::npos) << problem;
    ASSERT_FALSE(LoadColourSetFile(set, PathOf("missing.qta"), problem));
    EXPECT_NE(problem.find("No such file"), std::string::npos) << problem;
}

// Sixteen colours of the longest lines are exactly the limit; a byte more, or a seventeenth
// colour, is over it.
TEST_F(ColourSetFileTest, SixteenColoursOfTheLongestLinesFitAndNoMore) {
    const CColourSet longest = LongestSet();
    const std::string text = Saved(longest);
    EXPECT_EQ(text.size(), ColourSetFileLimit);
    CColourSet read;
    std::string problem;
    ASSERT_TRUE(LoadColourSetFile(read, Write(text), problem)) << problem;
    EXPECT_EQ(read, longest);

    ExpectRefused(text + "\n", "one byte over the limit");
    std::string seventeen = text;
    seventeen.replace(seventeen.find("Colours 16"), 10, "Colours 17");
    const std::size_t lastBlock = seventeen.rfind("Name ");
    seventeen += seventeen.substr(lastBlock).replace(5 + CColour::MaxNameLength - 2, 2, "99");
    ExpectRefused(seventeen, "seventeen colours of the longest lines");
    EXPECT_GT(seventeen.size(), ColourSetFileLimit);
}

TEST_F(ColourSetFileTest, AnInvalidSetIsNotSaved) {
    CColourSet repeated = SetOf(2);
    repeated.Colours[1].Name = repeated.Colours[0].Name;
    EXPECT_FALSE(SaveColourSetFile(repeated, PathOf("bad.qta")));
    EXPECT_FALSE(SaveColourSetFile(SetOf(17), PathOf("bad.qta")));
    EXPECT_FALSE(SaveColourSetFile(CColourSet{}, PathOf("bad.qta")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("bad.qta")));
}

}  // namespace
