#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The GoogleTest main of every test program that may reach the per-user store: each run gets a
// config folder of its own, set before anything opens a QSettings, so the user's real settings
// and remembered source are never read or written.
int main(int argc, char** argv) {
    std::string dir = (std::filesystem::temp_directory_path() / "quelta-tests-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 2;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(dir);
    return result;
}
