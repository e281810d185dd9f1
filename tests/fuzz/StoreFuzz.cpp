// The per-user store's reader on a store file holding any bytes (XDG_CONFIG_HOME points at a
// private folder). Promises checked: each of the twelve values is either taken inside its
// limit or leaves the field alone; the remembered source and the limits read come back
// unchanged after the program writes the store and reads it again. The colour set read is
// valid, its first colour's limits are those of [Settings], and it comes back equal after the
// program writes it and reads it again.
#include "FuzzCheck.h"
#include "ScratchFolder.h"
#include "SettingsStore.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Made before the first store is opened: the store's folder is fixed from then on.
const CScratchFolder& Folder() {
    static const CScratchFolder folder;
    return folder;
}

std::string StoreFile() {
    static const std::string path = [] {
        setenv("XDG_CONFIG_HOME", Folder().Path().c_str(), 1);
        std::filesystem::create_directories(Folder().Path() / "Orda");
        return (Folder().Path() / "Orda" / "Quelta.conf").string();
    }();
    return path;
}

// The store keeps a parsed file while its size and time stamp stay the same; every input
// gets a time stamp of its own so it is always read afresh.
void WriteStore(const uint8_t* data, size_t size) {
    static int64_t stamp = 1000000000;
    {
        std::ofstream file(StoreFile(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        FUZZ_CHECK(file.good(), "the store file can be written");
    }
    const timespec times[2] = {{stamp, 0}, {stamp, 0}};
    stamp += 2;
    FUZZ_CHECK(utimensat(AT_FDCWD, StoreFile().c_str(), times, 0) == 0, "time stamp set");
}

// Above every limit, so a value taken from the store shows; the colour bounds can hold any
// byte, so theirs are merely unusual.
CTrackingParams Sentinel() {
    CTrackingParams p;
    p.lMin = 17, p.lMax = 34, p.a1Min = 51, p.a1Max = 68, p.a2Min = 85, p.a2Max = 102;
    p.MinARatio = 1001, p.MinWidth = 1002, p.MaxWidth = 1003, p.MinHeight = 1004;
    p.MaxHeight = 1005;
    return p;
}

void CheckLimits(const CTrackingParams& p) {
    const CTrackingParams s = Sentinel();
    FUZZ_CHECK(p.MinARatio == s.MinARatio || p.MinARatio <= 100, "MinARatio within 0..100");
    FUZZ_CHECK(p.MinWidth == s.MinWidth || p.MinWidth <= 640, "MinWidth within 0..640");
    FUZZ_CHECK(p.MaxWidth == s.MaxWidth || p.MaxWidth <= 640, "MaxWidth within 0..640");
    FUZZ_CHECK(p.MinHeight == s.MinHeight || p.MinHeight <= 480, "MinHeight within 0..480");
    FUZZ_CHECK(p.MaxHeight == s.MaxHeight || p.MaxHeight <= 480, "MaxHeight within 0..480");
}

void CheckColourSet() {
    const std::string source = RememberedSource();
    CColourSet set;
    FUZZ_CHECK(ReadColourSet(set), "a store file that exists is readable as a set");
    FUZZ_CHECK(!ColourSetProblem(set), "the set read is valid");
    CTrackingParams first;
    FUZZ_CHECK(ReadRegistry(first), "a store file that exists is readable");
    first.VideoConfigured = false;
    FUZZ_CHECK(set.Colours[0].Limits == first, "the first colour's limits are [Settings]");

    FUZZ_CHECK(WriteColourSet(set), "the set read can be written");
    CColourSet again;
    FUZZ_CHECK(ReadColourSet(again), "the written store is readable as a set");
    FUZZ_CHECK(again == set, "the set read comes back after a write");
    FUZZ_CHECK(RememberedSource() == source, "the remembered source comes back after a set write");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_CHECK(!Folder().Path().empty(), "a private folder can be made");
    WriteStore(data, size);

    CheckColourSet();
    WriteStore(data, size);

    CTrackingParams params = Sentinel();
    FUZZ_CHECK(ReadRegistry(params), "a store file that exists is readable");
    CheckLimits(params);
    const std::string source = RememberedSource();

    // The program writes the store back (panel OK, end of the run): nothing read may change.
    FUZZ_CHECK(WriteRegistry(params), "the store can be written");
    CTrackingParams again = Sentinel();
    FUZZ_CHECK(ReadRegistry(again), "the written store is readable");
    again.ShowMask = params.ShowMask;
    FUZZ_CHECK(again == params, "the limits read come back after a write");
    FUZZ_CHECK(RememberedSource() == source, "the remembered source comes back after a write");
    return 0;
}
