#include "KernelSetCheck.h"
#include "ScratchFolder.h"
#include "TestDeadline.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The GoogleTest main of our test programs: each run gets a config folder of its own, set before
// anything opens a QSettings, so the user's real settings and remembered source are never read
// or written; and every test a deadline of its own. A run for a kernel set this processor lacks
// is skipped as a whole.
int main(int argc, char** argv) {
    if (!RunsTheKernelSetAskedFor())
        return SkippedExitStatus;
    const CScratchFolder config;
    if (config.Path().empty())
        return 2;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new CTestDeadline);
    return RUN_ALL_TESTS();
}
