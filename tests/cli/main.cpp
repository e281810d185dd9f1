#include <gtest/gtest.h>

#include <opencv2/core/utility.hpp>

#include <cstdlib>
#include <string>

// The tool under test reads the per-user store: each run gets a config folder of its own so
// the user's real settings are never read or written.
int main(int argc, char** argv) {
    std::string dir = "/tmp/quelta-cli-tests-XXXXXX";
    if (!mkdtemp(dir.data()))
        return 1;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    cv::setNumThreads(1);  // the reference labelling then numbers regions in raster order
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::system(("rm -rf '" + dir + "'").c_str());
    return result;
}
