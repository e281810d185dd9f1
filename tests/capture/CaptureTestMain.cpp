#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// Every run gets a settings folder of its own, before anything reads QSettings, so the
// user's remembered source is never read or written.
int main(int argc, char** argv)
{
    std::string dir = (std::filesystem::temp_directory_path() / "quelta-capture-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 2;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(dir);
    return result;
}
