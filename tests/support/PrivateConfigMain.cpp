#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The GoogleTest main of every test program that may reach the per-user store: each run gets a
// config folder of its own, set before anything opens a QSettings, so the user's real settings
// and remembered source are never read or written.
int main(int argc, char** argv) {
    const CScratchFolder config;
    if (config.Path().empty())
        return 2;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
