// "Format" and "Font de vídeo" built from vivid's own formats and controls, and what the
// controls do to the picture. Run inside the guest with `modprobe vivid n_devs=1`
// (jobs/controls.sh).
#include "CameraControls.h"
#include "DeviceAccess.h"
#include "FormatDialog.h"
#include "SourceDialog.h"
#include "Vivid.h"

#include <linux/videodev2.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <thread>

using namespace std::chrono_literals;

namespace {

class V4l2Controls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Live.Source.HasDevice());
        ASSERT_TRUE(Live.Source.SetFormat({640, 480, 25.0}));
    }

    // Mean luminance of the next frame captured from now on.
    double Luminance() {
        const cv::Mat frame = FrameAfter(Live.Frames, CClock::now(), 10s);
        EXPECT_FALSE(frame.empty()) << "no frame within 10 s";
        const cv::Scalar m = MeanColour(frame, {0, 0, frame.cols, frame.rows});
        return 0.114 * m[0] + 0.587 * m[1] + 0.299 * m[2];
    }

    int Value(uint32_t id) {
        for (const CCaptureControl& c : Live.Source.Controls())
            if (c.Id == id)
                return c.Value;
        ADD_FAILURE() << "no control " << id;
        return 0;
    }

    CLiveSource Live{"v4l2:" + VividNode(0)};
    CImageSourceAccess Device{Live.Source};
};

TEST_F(V4l2Controls, FormatDialogListsEverySizeAndRate) {
    CFormatDialog dialog(Device, nullptr);
    std::printf("Format lists %zu entries\n", dialog.Shown().size());
    EXPECT_EQ(dialog.Shown().size(), Live.Source.Formats().size());
    EXPECT_GE(dialog.Shown().size(), 20u);
    EXPECT_EQ(dialog.SelectedRow() >= 0, true) << "the format in use is not selected";
}

TEST_F(V4l2Controls, SourceDialogHasAnEditorOfEachKind) {
    CSourceDialog dialog(Device, nullptr);
    int editors = 0;
    for (const CCaptureControl& c : Live.Source.Controls())
        editors += dialog.Editor(c.Id) != nullptr;
    std::printf("Font de vídeo builds %d editors\n", editors);
    EXPECT_NE(qobject_cast<QSlider*>(dialog.Editor(V4L2_CID_BRIGHTNESS)), nullptr);
    EXPECT_NE(qobject_cast<QCheckBox*>(dialog.Editor(V4L2_CID_AUTOGAIN)), nullptr);
    EXPECT_NE(qobject_cast<QPushButton*>(dialog.Editor(VividButton)), nullptr);
    // A menu with a gap (items 1, 3, 4) and an integer menu show what the driver lists.
    auto* menu = qobject_cast<QComboBox*>(dialog.Editor(VividMenu));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->count(), 3);
    EXPECT_EQ(menu->findData(2), -1);
    auto* integers = qobject_cast<QComboBox*>(dialog.Editor(VividIntegerMenu));
    ASSERT_NE(integers, nullptr);
    EXPECT_EQ(integers->itemText(integers->findData(8)), "42");
    // Read-only, and inactive while automatic gain is on.
    ASSERT_NE(dialog.Editor(VividReadOnly), nullptr);
    EXPECT_FALSE(dialog.Editor(VividReadOnly)->isEnabled());
    ASSERT_NE(dialog.Editor(V4L2_CID_GAIN), nullptr);
    EXPECT_FALSE(dialog.Editor(V4L2_CID_GAIN)->isEnabled());
}

TEST_F(V4l2Controls, FullRangeIntegerPagesByATenth) {
    CSourceDialog dialog(Device, nullptr);
    auto* slider = qobject_cast<QSlider*>(dialog.Editor(VividInteger32));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->minimum(), std::numeric_limits<int>::min());
    EXPECT_EQ(slider->maximum(), std::numeric_limits<int>::max());
    EXPECT_GT(slider->pageStep(), 400000000);
}

TEST_F(V4l2Controls, BrightnessChangesThePictureAndRestoreUndoesIt) {
    CSourceDialog dialog(Device, nullptr);
    auto* brightness = qobject_cast<QSlider*>(dialog.Editor(V4L2_CID_BRIGHTNESS));
    ASSERT_NE(brightness, nullptr);
    const double before = Luminance();
    brightness->setValue(230);
    EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 230);
    const double brighter = Luminance();
    std::printf("luminance %.1f at the default brightness, %.1f at 230\n", before, brighter);
    EXPECT_GT(brighter, before + 20);
    auto* autogain = qobject_cast<QCheckBox*>(dialog.Editor(V4L2_CID_AUTOGAIN));
    ASSERT_NE(autogain, nullptr);
    autogain->setChecked(false);
    EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 0);

    dialog.RestoreDefaults();
    for (const CCaptureControl& c : Live.Source.Controls()) {
        if (c.Type != CCaptureControl::Button && !c.Inactive) {
            EXPECT_EQ(c.Value, c.Default) << c.Name;
        }
    }
    EXPECT_NEAR(Luminance(), before, 3);
}

// vivid forgets its control values when unbound, as a webcam does when unplugged: the value
// the user set comes back when the camera does.
TEST_F(V4l2Controls, ValuesSetAreAppliedAgainWhenTheCameraReturns) {
    ASSERT_TRUE(Live.Source.SetControl(V4L2_CID_BRIGHTNESS, 200));
    const auto stored = ReadCameraControls("vivid platform:vivid-000");
    EXPECT_NE(
        std::find(stored.begin(), stored.end(), std::pair<uint32_t, int>(V4L2_CID_BRIGHTNESS, 200)),
        stored.end());
    ASSERT_TRUE(UnbindVivid());
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(BindVivid());
    ASSERT_FALSE(FrameAfter(Live.Frames, CClock::now(), 15s).empty())
        << "the camera did not return";
    EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 200);
    ASSERT_TRUE(Live.Source.SetControl(V4L2_CID_BRIGHTNESS, 128));
}

TEST_F(V4l2Controls, LockKeepsTheGainTheAutomaticReachedAndRestoreUndoesIt) {
    CSourceDialog dialog(Device, nullptr);
    QPushButton* lock = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == QString::fromUtf8("Fixa l'exposició i el color"))
            lock = b;
    ASSERT_NE(lock, nullptr);
    ASSERT_TRUE(lock->isEnabled());
    ASSERT_EQ(Value(V4L2_CID_AUTOGAIN), 1);
    lock->click();
    EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 0);
    EXPECT_TRUE(dialog.Editor(V4L2_CID_GAIN)->isEnabled());
    const int gain = Value(V4L2_CID_GAIN);
    std::printf("gain locked at %d\n", gain);
    EXPECT_EQ(static_cast<QSlider*>(dialog.Editor(V4L2_CID_GAIN))->value(), gain);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(Value(V4L2_CID_GAIN), gain) << "the gain still moves";
    const auto stored = ReadCameraControls("vivid platform:vivid-000");
    EXPECT_NE(
        std::find(stored.begin(), stored.end(), std::pair<uint32_t, int>(V4L2_CID_GAIN, gain)),
        stored.end());

    dialog.RestoreDefaults();
    EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 1);
    EXPECT_FALSE(dialog.Editor(V4L2_CID_GAIN)->isEnabled());
}

}  // namespace
