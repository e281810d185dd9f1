#include "CameraControls.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <algorithm>

using CValues = std::vector<std::pair<uint32_t, int>>;

namespace {
CValues Sorted(CValues v) {
    std::sort(v.begin(), v.end());
    return v;
}
}  // namespace

TEST(CameraControls, EachCameraKeepsItsOwnValues) {
    const std::string webcam = "usb-046d_HD_Webcam_C270_ABC-video-index0";
    const std::string vivid = "vivid platform:vivid-000";
    RememberCameraControl(webcam, 0x00980900, 150);
    RememberCameraControl(webcam, 0x00980912, 0);
    RememberCameraControl(webcam, 0x00980900, -20);  // the last value counts
    RememberCameraControl(vivid, 0x00980900, 200);
    EXPECT_EQ(Sorted(ReadCameraControls(webcam)), (CValues{{0x00980900, -20}, {0x00980912, 0}}));
    EXPECT_EQ(ReadCameraControls(vivid), (CValues{{0x00980900, 200}}));
    EXPECT_TRUE(ReadCameraControls("another camera").empty());
}

// A card name or bus position may hold '/', which QSettings would take for a group.
TEST(CameraControls, SlashesInTheCameraNameStayInOneKey) {
    RememberCameraControl("Cam A/B pci-0000:00/1", 7, 3);
    EXPECT_EQ(ReadCameraControls("Cam A/B pci-0000:00/1"), (CValues{{7, 3}}));
    EXPECT_TRUE(ReadCameraControls("Cam A").empty());
}

TEST(CameraControls, ValuesNotWrittenByUsAreIgnored) {
    {
        QSettings store("Orda", "Quelta");
        store.setValue("Cameras/odd/brightness", "12");
        store.setValue("Cameras/odd/9", "twelve");
        store.setValue("Cameras/odd/10", "5");
    }
    EXPECT_EQ(ReadCameraControls("odd"), (CValues{{10, 5}}));
}
