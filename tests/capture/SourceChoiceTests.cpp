#include "CaptureTestUtil.h"
#include "SettingsStore.h"
#include "SourceChoice.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SourceChoice, SettingsLiveInTheTestsOwnFolder) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    RememberSource("testcam:320x240@30");
    QSettings settings("Orda", "Quelta");
    EXPECT_EQ(settings.fileName().toStdString().rfind(config, 0), 0u)
        << settings.fileName().toStdString();
    EXPECT_EQ(settings.value("Capture/Source").toString().toStdString(), "testcam:320x240@30");
}

TEST(SourceChoice, RememberedSourceIsOpenedWithoutAsking) {
    RememberSource("testcam:320x240@30");
    EXPECT_EQ(RememberedSource(), "testcam:320x240@30");
    CImageSource source = OpenRememberedSource();
    ASSERT_TRUE(source.HasDevice());
    EXPECT_EQ(source.Name(), "testcam:320x240@30");
    EXPECT_EQ(source.CurrentFormat().Width, 320);
}

TEST(SourceChoice, NoneRememberedOrUnopenableGivesAnEmptySource) {
    RememberSource("");
    EXPECT_FALSE(OpenRememberedSource().HasDevice());
    RememberSource("file:/no/such/video.avi");
    EXPECT_FALSE(OpenRememberedSource().HasDevice());
    EXPECT_EQ(RememberedSource(), "file:/no/such/video.avi");  // kept for when it comes back
}

TEST(SourceChoice, ListedDevicesAreCaptureNodesNamedForTheLayer) {
    for (const CSourceEntry& e : ListVideoDevices()) {
        EXPECT_EQ(e.Name.rfind("v4l2:/dev/video", 0), 0u) << e.Name;
        EXPECT_FALSE(e.Label.empty());
    }
}
