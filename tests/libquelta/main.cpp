#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// The library reads the per-user store: each run gets a config folder of its own, set before
// anything opens a QSettings.
int main(int argc, char** argv) {
    std::string dir = "/tmp/quelta-lib-tests-XXXXXX";
    if (!mkdtemp(dir.data()))
        return 1;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::system(("rm -rf '" + dir + "'").c_str());
    return result;
}
