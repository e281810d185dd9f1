#include "SettingsFile.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> DefaultLines{
    "QTA 1",   "lMin 0",      "lMax 0",     "a1Min 0",      "a1Max 0",     "a2Min 0",
    "a2Max 0", "MinARatio 0", "MinWidth 3", "MaxWidth 640", "MinHeight 3", "MaxHeight 480"};

class SettingsFileTest : public testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return Scratch / name; }

    std::string Write(const std::string& text, const std::string& name = "in.qta") const {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    }

    static std::string Join(const std::vector<std::string>& lines, const std::string& end) {
        std::string text;
        for (const auto& line : lines)
            text += line + end;
        return text;
    }

    // The default file with line k (0-based) replaced.
    static std::string WithLine(size_t k, const std::string& line) {
        std::vector<std::string> lines = DefaultLines;
        lines[k] = line;
        return Join(lines, "\r\n");
    }

    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static CTrackingParams Marked() {
        CTrackingParams p;
        p.lMin = 11;
        p.lMax = 222;
        p.a1Min = 33;
        p.a1Max = 244;
        p.a2Min = 55;
        p.a2Max = 255;
        p.MinARatio = 42;
        p.MinWidth = 7;
        p.MaxWidth = 600;
        p.MinHeight = 9;
        p.MaxHeight = 470;
        return p;
    }

    // Loads `text` into a marked record; the record is returned in `out`.
    bool Load(const std::string& text, CTrackingParams& out) const {
        out = Marked();
        return LoadSettingsFile(out, Write(text));
    }

    CScratchFolder Scratch;
    const fs::path& Dir = Scratch.Path();
};

TEST_F(SettingsFileTest, SavedDefaultsAreExactlyTheTwelveCrLfLines) {
    ASSERT_TRUE(SaveSettingsFile(CTrackingParams{}, PathOf("d.qta")));
    EXPECT_EQ(ReadAll(PathOf("d.qta")), Join(DefaultLines, "\r\n"));
}

TEST_F(SettingsFileTest, SaveThenLoadGivesBackElevenValuesAndKeepsFlags) {
    ASSERT_TRUE(SaveSettingsFile(Marked(), PathOf("m.qta")));
    CTrackingParams p;
    p.ShowMask = true;
    p.VideoConfigured = true;
    ASSERT_TRUE(LoadSettingsFile(p, PathOf("m.qta")));
    CTrackingParams expected = Marked();
    expected.ShowMask = true;
    expected.VideoConfigured = true;
    EXPECT_EQ(p, expected);
}

TEST_F(SettingsFileTest, HeaderVersionAboveOneIsRefusedOthersAccepted) {
    CTrackingParams p;
    EXPECT_FALSE(Load(WithLine(0, "QTA 2"), p));
    EXPECT_EQ(p, Marked());
    for (const char* header : {"QTA 0", "QTA", "QTA1", "QTA 1 extra"}) {
        EXPECT_TRUE(Load(WithLine(0, header), p)) << header;
        EXPECT_EQ(p, CTrackingParams{}) << header;
    }
    EXPECT_FALSE(Load(WithLine(0, "QTB 1"), p));
    EXPECT_FALSE(Load(WithLine(0, "qta 1"), p));
}

TEST_F(SettingsFileTest, ValueAboveItsLimitFailsAndTheLimitItselfLoads) {
    struct Case {
        size_t Line;
        const char* Over;
        const char* At;
    };
    for (const Case& c :
         {Case{1, "lMin 256", "lMin 255"}, Case{7, "MinARatio 101", "MinARatio 100"},
          Case{9, "MaxWidth 641", "MaxWidth 640"}, Case{11, "MaxHeight 481", "MaxHeight 480"}}) {
        CTrackingParams p;
        EXPECT_FALSE(Load(WithLine(c.Line, c.Over), p)) << c.Over;
        EXPECT_EQ(p, Marked()) << c.Over;
        EXPECT_TRUE(Load(WithLine(c.Line, c.At), p)) << c.At;
    }
    CTrackingParams p;
    ASSERT_TRUE(Load(WithLine(1, "lMin 255"), p));
    EXPECT_EQ(p.lMin, 255);
}

TEST_F(SettingsFileTest, KeysArePositionalSoSwappedOrMisplacedLinesFail) {
    std::vector<std::string> lines = DefaultLines;
    std::swap(lines[1], lines[2]);
    CTrackingParams p;
    EXPECT_FALSE(Load(Join(lines, "\r\n"), p));
    EXPECT_FALSE(Load(WithLine(2, " lMax 0"), p));  // a space before the key
    EXPECT_FALSE(Load(WithLine(2, "lma 0"), p));
    EXPECT_FALSE(Load(WithLine(2, "lMa"), p));  // shorter than the key
    EXPECT_EQ(p, Marked());
}

TEST_F(SettingsFileTest, FileMustHoldTwelveLinesAndIgnoresWhatFollows) {
    std::vector<std::string> eleven(DefaultLines.begin(), DefaultLines.end() - 1);
    CTrackingParams p;
    EXPECT_FALSE(Load(Join(eleven, "\r\n"), p));
    EXPECT_FALSE(Load("", p));
    EXPECT_EQ(p, Marked());
    EXPECT_TRUE(Load(Join(DefaultLines, "\r\n") + "garbage\r\nlMin 999\r\n", p));
    EXPECT_EQ(p, CTrackingParams{});
}

TEST_F(SettingsFileTest, LastLineWithoutEndAndLfOnlyFilesLoad) {
    std::string text = Join(DefaultLines, "\r\n");
    CTrackingParams p;
    EXPECT_TRUE(Load(text.substr(0, text.size() - 2), p));
    EXPECT_EQ(p, CTrackingParams{});
    EXPECT_TRUE(Load(Join(DefaultLines, "\n"), p));
    EXPECT_EQ(p, CTrackingParams{});
    text = Join(DefaultLines, "\n");
    EXPECT_TRUE(Load(text.substr(0, text.size() - 1), p));
    EXPECT_EQ(p, CTrackingParams{});
}

TEST_F(SettingsFileTest, NumberIsReadLikeStrtolAfterTheKey) {
    struct Case {
        const char* Line;
        int Value;
    };
    for (const Case& c :
         {Case{"a1Min 12", 12}, Case{"a1Min\t12", 12}, Case{"a1Min   12 mm", 12},
          Case{"a1Min12", 12}, Case{"a1Min 7 extra words", 7}, Case{"a1Min", 0}, Case{"a1Min x", 0},
          Case{"a1Min +9", 9}, Case{"a1Min 007", 7}, Case{"a1Min 5\r", 5}, Case{"a1Min -0", 0}}) {
        CTrackingParams p;
        ASSERT_TRUE(Load(WithLine(3, c.Line), p)) << c.Line;
        EXPECT_EQ(p.a1Min, c.Value) << c.Line;
    }
}

// Left alone, a negative number passes the "not above the limit" test and wraps in the
// record (lMin -1 would become 255); numbers beyond int32 have no defined conversion.
TEST_F(SettingsFileTest, NegativeOrOversizedNumberFailsTheLoad) {
    for (const auto& [line, text] :
         std::vector<std::pair<size_t, std::string>>{{1, "lMin -1"},
                                                     {8, "MinWidth -4294966656"},
                                                     {8, "MinWidth 4294967299"},
                                                     {1, "lMin 2147483648"},
                                                     {1, "lMin 99999999999999999999999"},
                                                     {11, "MaxHeight -2147483648"}}) {
        CTrackingParams p;
        EXPECT_FALSE(Load(WithLine(line, text), p)) << text;
        EXPECT_EQ(p, Marked()) << text;
    }
}

TEST_F(SettingsFileTest, FailedLoadKeepsEveryFieldIncludingEarlierAcceptedLines) {
    CTrackingParams p;
    EXPECT_FALSE(Load(WithLine(11, "MaxHeight 9999"), p));
    EXPECT_EQ(p, Marked());
    p = Marked();
    EXPECT_FALSE(LoadSettingsFile(p, PathOf("missing.qta")));
    EXPECT_EQ(p, Marked());
}

TEST_F(SettingsFileTest, SaveIntoMissingFolderFailsAndMakesNothing) {
    const std::string path = PathOf("no/such/dir/x.qta");
    EXPECT_FALSE(SaveSettingsFile(Marked(), path));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(SettingsFileTest, SaveOverADirectoryFailsAndLeavesNoTemporaryFile) {
    fs::create_directory(PathOf("target.qta"));
    EXPECT_FALSE(SaveSettingsFile(Marked(), PathOf("target.qta")));
    EXPECT_TRUE(fs::is_directory(PathOf("target.qta")));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

// A write that runs out of room must not cost the user the file they had. The file size
// limit makes the write fail as a full disk would, for root too.
TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFileIntact) {
    const std::string path = PathOf("keep.qta");
    ASSERT_TRUE(SaveSettingsFile(Marked(), path));
    const std::string before = ReadAll(path);

    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny = old;
    tiny.rlim_cur = 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool saved = SaveSettingsFile(CTrackingParams{}, path);
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

TEST_F(SettingsFileTest, SaveThroughALinkReplacesTheFileItNamesAndKeepsItsMode) {
    const std::string real = PathOf("real.qta");
    ASSERT_TRUE(SaveSettingsFile(CTrackingParams{}, real));
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, PathOf("link.qta"));
    ASSERT_TRUE(SaveSettingsFile(Marked(), PathOf("link.qta")));
    EXPECT_TRUE(fs::is_symlink(PathOf("link.qta")));
    CTrackingParams p;
    ASSERT_TRUE(LoadSettingsFile(p, real));
    EXPECT_EQ(p, Marked());
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Only regular files are read, and only their start: a device, a FIFO without a writer or an
// endless stream fails at once instead of hanging the caller while memory grows. Run in a child
// with an alarm and a memory ceiling, so the unbounded reads fail the test instead of the run.
int RefusesAllButTheRegularFile(const CTrackingParams& marked, const std::string& fifo,
                                const std::string& folder, const std::string& longFile) {
    alarm(10);
    const rlimit memory{512u << 20, 512u << 20};
    setrlimit(RLIMIT_AS, &memory);
    CTrackingParams p = marked;
    const bool refused = !LoadSettingsFile(p, "/dev/zero") && !LoadSettingsFile(p, fifo) &&
                         !LoadSettingsFile(p, folder) && p == marked;
    return refused && LoadSettingsFile(p, longFile) ? 0 : 1;
}

TEST_F(SettingsFileTest, OnlyTheStartOfARegularFileIsEverRead) {
    const std::string fifo = PathOf("fifo.qta");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string tail =
        Write(Join(DefaultLines, "\r\n") + std::string(1 << 20, 'x'), "tail.qta");
    EXPECT_EXIT(_exit(RefusesAllButTheRegularFile(Marked(), fifo, Dir.string(), tail)),
                testing::ExitedWithCode(0), "");
}

// The rename would replace a file the user may not write; such a save must fail and change
// nothing, as writing in place would. Root may write anything, so the child becomes nobody.
int SavesOverAProtectedFile(const std::string& folder, const std::string& path) {
    if (geteuid() == 0) {
        const uid_t nobody = 65534;
        if (chown(folder.c_str(), nobody, nobody) != 0 ||
            chown(path.c_str(), nobody, nobody) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
            setresuid(nobody, nobody, nobody) != 0)
            return 2;
    }
    chmod(path.c_str(), 0444);
    return SaveSettingsFile(CTrackingParams{}, path) ? 1 : 0;
}

TEST_F(SettingsFileTest, SaveOverAWriteProtectedFileFailsAndChangesNothing) {
    const std::string path = PathOf("locked.qta");
    ASSERT_TRUE(SaveSettingsFile(Marked(), path));
    const std::string before = ReadAll(path);
    EXPECT_EXIT(_exit(SavesOverAProtectedFile(Dir.string(), path)), testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadAll(path), before);
}

}  // namespace
