#include "SettingsStore.h"

#include <QSettings>
#include <QVariant>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

CColour StoredColour(const std::string& name, int seed) {
    CColour c;
    c.Name = name;
    c.DisplayColour = static_cast<uint32_t>(0x0F0E0D * seed) & 0xFFFFFF;
    c.MaxMarks = 64 - seed;
    CTrackingParams& l = c.Limits;
    l.lMin = static_cast<uint8_t>(seed), l.lMax = static_cast<uint8_t>(250 - seed);
    l.a1Min = static_cast<uint8_t>(seed * 2), l.a1Max = static_cast<uint8_t>(seed * 9);
    l.a2Min = static_cast<uint8_t>(seed * 4), l.a2Max = static_cast<uint8_t>(seed * 13);
    l.MinARatio = static_cast<uint32_t>(seed * 5);
    l.MinWidth = static_cast<uint32_t>(seed + 1), l.MaxWidth = static_cast<uint32_t>(600 + seed);
    l.MinHeight = static_cast<uint32_t>(seed + 2), l.MaxHeight = static_cast<uint32_t>(400 + seed);
    return c;
}

CColourSet StoredSet(int colours) {
    CColourSet set;
    for (int i = 0; i < colours; ++i)
        set.Colours.push_back(StoredColour("c" + std::to_string(i), i + 1));
    return set;
}

class ColourSetStoreTest : public testing::Test {
protected:
    static fs::path ConfigDir() { return fs::path(std::getenv("XDG_CONFIG_HOME")) / "Orda"; }
    static fs::path ConfigFile() { return ConfigDir() / "Quelta.conf"; }

    void SetUp() override { fs::remove_all(ConfigDir()); }
    void TearDown() override { fs::remove_all(ConfigDir()); }

    static void Store(const QString& key, const QVariant& value) {
        QSettings store("Orda", "Quelta");
        store.setValue(key, value);
        store.sync();
    }

    static std::string FileText() {
        std::ifstream in(ConfigFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static CColourSet Read(CColourSet set = {}) {
        EXPECT_TRUE(ReadColourSet(set));
        EXPECT_EQ(ColourSetProblem(set), std::nullopt);
        return set;
    }
};

TEST_F(ColourSetStoreTest, SixteenColoursComeBackEqualThroughTheStore) {
    ASSERT_TRUE(WriteColourSet(StoredSet(16)));
    EXPECT_EQ(Read(), StoredSet(16));
    EXPECT_EQ(Read(StoredSet(2)), StoredSet(16));
}

// [Settings] is the first colour for every program that knows one colour only, both ways.
TEST_F(ColourSetStoreTest, GroupSettingsIsTheFirstColour) {
    ASSERT_TRUE(WriteColourSet(StoredSet(3)));
    CTrackingParams p;
    p.VideoConfigured = true;
    ASSERT_TRUE(ReadRegistry(p));
    CTrackingParams expected = StoredSet(3).Colours[0].Limits;
    expected.VideoConfigured = true;
    EXPECT_EQ(p, expected);

    CTrackingParams changed = StoredColour("x", 10).Limits;
    changed.VideoConfigured = true;
    ASSERT_TRUE(WriteRegistry(changed));
    CColourSet set = Read();
    CColourSet expectedSet = StoredSet(3);
    expectedSet.Colours[0].Limits = StoredColour("x", 10).Limits;
    EXPECT_EQ(set, expectedSet);
    ASSERT_TRUE(WriteColourSet(StoredSet(2)));
    p = CTrackingParams{};
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_TRUE(p.VideoConfigured);  // the set leaves the flag alone
}

TEST_F(ColourSetStoreTest, AStoreFromBeforeColourSetsIsOneDefaultColour) {
    ASSERT_TRUE(WriteRegistry(StoredColour("x", 7).Limits));
    CColour expected;
    expected.Name = CColour::DefaultName;
    expected.Limits = StoredColour("x", 7).Limits;
    EXPECT_EQ(Read(), CColourSet{{expected}});
}

TEST_F(ColourSetStoreTest, ABadValueIsIgnoredAndTheFieldKeepsItsValue) {
    ASSERT_TRUE(WriteColourSet(StoredSet(3)));
    Store("Colours/2/lMin", 256);
    Store("Colours/2/MaxMarks", 0);
    Store("Colours/3/MaxMarks", 65);
    Store("Colours/3/Display", "12345G");
    Store("Colours/1/Display", "#FF0000");
    Store("Colours/3/MaxWidth", "-1");
    Store("Colours/2/Display", QString::fromUtf8("\u0660\u0661\u0662\u0663\u0664\u0665"));
    EXPECT_EQ(Read(StoredSet(3)), StoredSet(3));
    // Entries the given set lacks start from the defaults.
    CColourSet expected = StoredSet(3);
    expected.Colours[1].Limits.lMin = 0;
    expected.Colours[1].MaxMarks = CColour{}.MaxMarks;
    expected.Colours[1].DisplayColour = CColour{}.DisplayColour;  // Arabic-Indic digits
    expected.Colours[2].MaxMarks = CColour{}.MaxMarks;
    expected.Colours[2].DisplayColour = CColour{}.DisplayColour;
    expected.Colours[2].Limits.MaxWidth = CTrackingParams{}.MaxWidth;
    EXPECT_EQ(Read(StoredSet(1)), expected);
}

TEST_F(ColourSetStoreTest, AnInvalidWholeComesBackValidWithTheBadColoursDropped) {
    ASSERT_TRUE(WriteColourSet(StoredSet(4)));
    Store("Colours/3/Name", "c1");          // repeated: the later one goes
    Store("Colours/4/Name", "not a name");  // invalid: keeps the name it had, if any
    EXPECT_EQ(Read(), (CColourSet{{StoredSet(4).Colours[0], StoredSet(4).Colours[1]}}));
    CColourSet withFourth = Read(StoredSet(4));
    ASSERT_EQ(withFourth.Colours.size(), 3u);
    EXPECT_EQ(withFourth.Colours[2], StoredSet(4).Colours[3]);

    Store("Colours/1/Name", "");  // the first colour always stays, under the default name
    EXPECT_EQ(Read().Colours.at(0).Name, CColour::DefaultName);
}

TEST_F(ColourSetStoreTest, TheSizeIsHeldToOneToSixteenColours) {
    ASSERT_TRUE(WriteColourSet(StoredSet(16)));
    for (int i = 17; i <= 20; ++i)
        Store(QString("Colours/%1/Name").arg(i), QString("extra%1").arg(i));
    Store("Colours/size", 20);
    EXPECT_EQ(Read(), StoredSet(16));
    Store("Colours/size", 0);
    EXPECT_EQ(Read(StoredSet(2)), StoredSet(2)) << "a size of 0 is ignored";
    Store("Colours/size", "many");
    EXPECT_EQ(Read(StoredSet(5)), StoredSet(5)) << "a size that is no number is ignored";
}

TEST_F(ColourSetStoreTest, WritingASmallerSetLeavesNoEntryBehindAndReadingWritesNothing) {
    ASSERT_TRUE(WriteColourSet(StoredSet(16)));
    ASSERT_TRUE(WriteColourSet(StoredSet(2)));
    EXPECT_EQ(FileText().find("3\\Name"), std::string::npos);
    EXPECT_EQ(Read(StoredSet(16)), StoredSet(2));

    const std::string before = FileText();
    const auto stamp = fs::last_write_time(ConfigFile());
    Read();
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(fs::last_write_time(ConfigFile()), stamp);
}

TEST_F(ColourSetStoreTest, AnInvalidSetIsNotWritten) {
    CColourSet repeated = StoredSet(2);
    repeated.Colours[1].Name = "c0";
    EXPECT_FALSE(WriteColourSet(repeated));
    EXPECT_FALSE(WriteColourSet(CColourSet{}));
    EXPECT_FALSE(fs::exists(ConfigFile()));
}

}  // namespace
