#include "SettingsStore.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const Names[] = {"lMin",     "lMax",      "a1Min",     "a1Max",
                             "a2Min",    "a2Max",     "MinARatio", "MinWidth",
                             "MaxWidth", "MinHeight", "MaxHeight", "VideoConfigured"};

class SettingsStoreTest : public testing::Test {
protected:
    static fs::path ConfigDir() { return fs::path(std::getenv("XDG_CONFIG_HOME")) / "Orda"; }
    static fs::path ConfigFile() { return ConfigDir() / "Quelta.conf"; }

    void SetUp() override { fs::remove_all(ConfigDir()); }
    void TearDown() override { fs::remove_all(ConfigDir()); }

    static void Store(const char* name, const QVariant& value) {
        QSettings store("Orda", "Quelta");
        store.setValue(QString("Settings/") + name, value);
        store.sync();
    }

    static std::string FileText() {
        std::ifstream in(ConfigFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static CTrackingParams Marked() {
        CTrackingParams p;
        p.lMin = 1;
        p.lMax = 250;
        p.a1Min = 3;
        p.a1Max = 240;
        p.a2Min = 5;
        p.a2Max = 255;
        p.MinARatio = 77;
        p.MinWidth = 8;
        p.MaxWidth = 639;
        p.MinHeight = 10;
        p.MaxHeight = 479;
        p.VideoConfigured = true;
        return p;
    }
};

TEST_F(SettingsStoreTest, FirstReadKeepsDefaultsAndWritesNothing) {
    CTrackingParams p;
    EXPECT_TRUE(ReadRegistry(p));
    EXPECT_EQ(p, CTrackingParams{});
    EXPECT_FALSE(fs::exists(ConfigFile()));
    EXPECT_FALSE(fs::exists(ConfigDir()));
}

TEST_F(SettingsStoreTest, WriteThenReadGivesBackEveryStoredField) {
    ASSERT_TRUE(WriteRegistry(Marked()));
    CTrackingParams p;
    p.ShowMask = true;
    ASSERT_TRUE(ReadRegistry(p));
    CTrackingParams expected = Marked();
    expected.ShowMask = true;  // never stored, so never read
    EXPECT_EQ(p, expected);
}

TEST_F(SettingsStoreTest, WriteStoresTwelveDecimalIntegersInGroupSettings) {
    CTrackingParams written = Marked();
    written.ShowMask = true;
    ASSERT_TRUE(WriteRegistry(written));
    std::istringstream lines(FileText());
    std::map<std::string, std::string> stored;
    std::string line, group;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '[')
            group = line;
        else if (auto eq = line.find('='); eq != std::string::npos && group == "[Settings]")
            stored[line.substr(0, eq)] = line.substr(eq + 1);
    }
    const std::map<std::string, std::string> expected{
        {"lMin", "1"},       {"lMax", "250"},     {"a1Min", "3"},       {"a1Max", "240"},
        {"a2Min", "5"},      {"a2Max", "255"},    {"MinARatio", "77"},  {"MinWidth", "8"},
        {"MaxWidth", "639"}, {"MinHeight", "10"}, {"MaxHeight", "479"}, {"VideoConfigured", "1"}};
    EXPECT_EQ(stored, expected);
}

TEST_F(SettingsStoreTest, ValueAboveItsLimitIsIgnoredAndTheLimitIsTaken) {
    Store("lMin", 256);
    Store("MinARatio", 101);
    Store("MaxWidth", 641);
    Store("MaxHeight", 481);
    Store("MinWidth", 640);
    CTrackingParams p = Marked();
    ASSERT_TRUE(ReadRegistry(p));
    CTrackingParams expected = Marked();
    expected.MinWidth = 640;
    EXPECT_EQ(p, expected);
    Store("lMin", 255);
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_EQ(p.lMin, 255);
}

TEST_F(SettingsStoreTest, AllBitsSetIsALargeNumberNotMinusOneAndIsIgnoredEverywhere) {
    for (const char* name : Names)
        Store(name, QString("4294967295"));
    CTrackingParams p = Marked();
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_EQ(p, Marked());
}

TEST_F(SettingsStoreTest, ValueThatIsNotAWholeNumberIsIgnored) {
    for (const QVariant& bad :
         {QVariant(QString("12abc")), QVariant(QString("-1")), QVariant(QString("1.5")),
          QVariant(QString("")), QVariant(QString("4294967296")), QVariant(QString("+7")),
          QVariant(QString("0x10")), QVariant(QStringList{"1", "2"}), QVariant(-1),
          QVariant(QString("99999999999999999999"))}) {
        for (const char* name : Names)
            Store(name, bad);
        CTrackingParams p = Marked();
        ASSERT_TRUE(ReadRegistry(p));
        EXPECT_EQ(p, Marked()) << bad.toString().toStdString();
    }
}

TEST_F(SettingsStoreTest, VideoConfiguredGoesThroughAnEightBitValue) {
    CTrackingParams p;
    Store("VideoConfigured", 2);
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_TRUE(p.VideoConfigured);
    Store("VideoConfigured", 256);
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_TRUE(p.VideoConfigured);  // ignored: keeps true
    p.VideoConfigured = false;
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_FALSE(p.VideoConfigured);  // ignored: keeps false
    Store("VideoConfigured", 0);
    p.VideoConfigured = true;
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_FALSE(p.VideoConfigured);
}

TEST_F(SettingsStoreTest, ColourBoundsAreReadAsEightBitValues) {
    Store("a2Max", QString("200"));
    Store("lMax", QString("007"));
    CTrackingParams p;
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_EQ(p.a2Max, 200);
    EXPECT_EQ(p.lMax, 7);
}

// The tools that only read the store must leave it byte for byte as it was, even when it
// holds values they ignore or lacks some keys.
TEST_F(SettingsStoreTest, ReadNeverChangesTheStore) {
    Store("lMin", 300);
    Store("MaxWidth", QString("abc"));
    const std::string before = FileText();
    const auto stamp = fs::last_write_time(ConfigFile());
    CTrackingParams p;
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(fs::last_write_time(ConfigFile()), stamp);
}

// Left alone, a store that cannot be written is reported as written.
TEST_F(SettingsStoreTest, WriteReportsFailureWhenTheStoreFileCannotBeMade) {
    fs::create_directories(ConfigFile());  // the file's place is taken by a folder
    EXPECT_FALSE(WriteRegistry(Marked()));
    fs::remove_all(ConfigDir());
    std::ofstream(ConfigDir()) << "not a folder";  // the folder's place is taken by a file
    EXPECT_FALSE(WriteRegistry(Marked()));
    fs::remove(ConfigDir());
    EXPECT_TRUE(WriteRegistry(Marked()));
}

TEST_F(SettingsStoreTest, UnreadableStoreLeavesTheRecordUnchanged) {
    fs::create_directories(ConfigFile());
    CTrackingParams p = Marked();
    EXPECT_FALSE(ReadRegistry(p));
    EXPECT_EQ(p, Marked());
}

// A stray line ("[Broken", a half-written file) puts the store in a format error, but every
// valid value in it still counts, for reading and for the next write.
TEST_F(SettingsStoreTest, MalformedLineKeepsEveryValidValue) {
    ASSERT_TRUE(WriteRegistry(Marked()));
    const std::string text = FileText();
    std::ofstream(ConfigFile(), std::ios::binary) << "[Broken\n" << text;
    CTrackingParams p;
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_EQ(p, Marked());
    CTrackingParams changed = Marked();
    changed.lMin = 99;
    EXPECT_TRUE(WriteRegistry(changed));
    p = CTrackingParams{};
    ASSERT_TRUE(ReadRegistry(p));
    EXPECT_EQ(p, changed);
}

// A pipeline typed into the file as the README shows it (commas unquoted) is read back as the
// text that was written, also after the program has rewritten the store.
TEST_F(SettingsStoreTest, HandWrittenPipelineIsReadBackAsWritten) {
    const std::string pipeline =
        "gst:videotestsrc ! video/x-raw,width=640, height=480 ! videoconvert ! appsink";
    fs::create_directories(ConfigDir());
    std::ofstream(ConfigFile(), std::ios::binary) << "[Capture]\nSource=" << pipeline << "\n";
    EXPECT_EQ(RememberedSource(), pipeline);
    ASSERT_TRUE(WriteRegistry(Marked()));
    EXPECT_EQ(RememberedSource(), pipeline);
    ASSERT_TRUE(RememberSource(pipeline));
    EXPECT_EQ(RememberedSource(), pipeline);
}

// Found by fuzzing: a part after a comma that begins with '@' made QSettings read a list of
// values rather than of texts, and a remark after the group's ']' hid the group from the raw
// reading; either way the source was lost.
TEST_F(SettingsStoreTest, HandWrittenSourceSurvivesAnAtSignAndARemarkAfterItsGroup) {
    const std::string pipeline = "gst:videotestsrc ! video/x-raw,@foo ! appsink";
    fs::create_directories(ConfigDir());
    std::ofstream(ConfigFile(), std::ios::binary) << "[Capture]\nSource=" << pipeline << "\n";
    EXPECT_EQ(RememberedSource(), pipeline);
    ASSERT_TRUE(WriteRegistry(Marked()));
    EXPECT_EQ(RememberedSource(), pipeline);

    const std::string other = "gst:videotestsrc ! video/x-raw,width=320 ! appsink";
    std::ofstream(ConfigFile(), std::ios::binary)
        << "[Capture] ; the lab camera\nSource=" << other << "\n";
    EXPECT_EQ(RememberedSource(), other);
}

}  // namespace
