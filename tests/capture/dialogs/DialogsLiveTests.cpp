#include "DeviceDialogs.h"
#include "DialogsModal.h"
#include "DialogsTests.h"
#include "FormatDialog.h"
#include "SettingsStore.h"
#include "SourceChoice.h"
#include "SourceChoiceDialog.h"
#include "SourceDialog.h"

#include <QSlider>
#include <QTest>

#include <algorithm>

void CLiveDialogTests::FormatDialogSwitchesTestCamera() {
    CImageSource source = CImageSource::Open("testcam");
    QVERIFY(source.HasDevice());
    QCOMPARE(source.HasDialog(FormatDialog), 0);
    const CCaptureFormat small{320, 240, 30};
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CFormatDialog*>(w);
        if (!dialog)
            return;
        const auto& shown = dialog->Shown();
        const auto it = std::find_if(shown.begin(), shown.end(),
                                     [](const CCaptureFormat& f) { return f.Width == 320; });
        dialog->SelectRow(it == shown.end() ? -1 : int(it - shown.begin()));
        dialog->accept();
    });
    QCOMPARE(ShowFormatDialog(source, nullptr), int(QDialog::Accepted));
    int width = 0, height = 0;
    QVERIFY(source.QueryProperty(FrameWidthProperty, width) >= 0);
    QVERIFY(source.QueryProperty(FrameHeightProperty, height) >= 0);
    QCOMPARE(width, small.Width);
    QCOMPARE(height, small.Height);
}

void CLiveDialogTests::SourceDialogDrivesTestCameraLive() {
    CImageSource source = CImageSource::Open("testcam");
    QVERIFY(source.HasDevice());
    const auto controls = source.Controls();
    const auto control =
        std::find_if(controls.begin(), controls.end(),
                     [](const CCaptureControl& c) { return c.Type == CCaptureControl::Integer; });
    QVERIFY(control != controls.end());
    const int wanted = control->Value == control->Minimum ? control->Maximum : control->Minimum;
    int seenLive = control->Value;
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CSourceDialog*>(w);
        if (!dialog)
            return;
        static_cast<QSlider*>(dialog->Editor(control->Id))->setValue(wanted);
        for (const CCaptureControl& c : source.Controls())  // before the dialog closes
            if (c.Id == control->Id)
                seenLive = c.Value;
        dialog->accept();
    });
    ShowSourceDialog(source, nullptr);
    QCOMPARE(seenLive, wanted);
}

void CLiveDialogTests::ChoiceCancelGivesEmptyAndOkGivesChoice() {
    RememberSource("testcam");
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QCOMPARE(RunSourceChoiceDialog(nullptr), std::string());
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    QCOMPARE(RunSourceChoiceDialog(nullptr), std::string("testcam"));
}
