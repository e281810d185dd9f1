#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The guest tests' main: a private settings folder (the guest's root is a throw-away overlay,
// but the tests must not depend on that) and a QApplication for the device dialogs.
int main(int argc, char** argv) {
    std::string dir = (std::filesystem::temp_directory_path() / "quelta-guest-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 2;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(dir);
    return result;
}
