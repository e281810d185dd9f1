#include "DialogsTests.h"
#include "DialogsFakeDevice.h"
#include "DialogsModal.h"
#include "FormatDialog.h"
#include "SourceChoiceDialog.h"
#include "SourceDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

QStringList Texts(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        texts << button->text();
    return texts;
}

}  // namespace

// ---- Format dialog ----

void CFormatDialogTests::DuplicateFormatsShownOnceWithCurrentSelected() {
    CFakeDevice device;
    CFormatDialog dialog(device, nullptr);
    const auto& shown = dialog.Shown();
    QCOMPARE(shown.size(), size_t(4));  // 640x480@30 is listed twice by the device
    QVERIFY(dialog.SelectedRow() >= 0);
    QCOMPARE(shown[size_t(dialog.SelectedRow())], device.Current);
    QVERIFY(Texts(dialog).contains(QStringLiteral("Format actual: 640 × 480, 30 imatges/s")));
}

void CFormatDialogTests::OkSwitchesToChosenFormat() {
    CFakeDevice device;
    CFormatDialog dialog(device, nullptr);
    const CCaptureFormat wanted{1280, 720, 10};
    const auto& shown = dialog.Shown();
    dialog.SelectRow(int(std::find(shown.begin(), shown.end(), wanted) - shown.begin()));
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(device.FormatCalls, std::vector<CCaptureFormat>{wanted});
}

void CFormatDialogTests::CancelOrUnchangedChoiceLeavesDeviceAlone() {
    CFakeDevice device;
    {
        CFormatDialog dialog(device, nullptr);
        dialog.SelectRow(0);
        dialog.reject();
    }
    {
        CFormatDialog dialog(device, nullptr);
        dialog.accept();  // current format still selected: no needless restart of the stream
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QVERIFY(device.FormatCalls.empty());
}

void CFormatDialogTests::RefusedFormatKeepsDialogOpen() {
    CFakeDevice device;
    device.AcceptFormats = false;
    CFormatDialog dialog(device, nullptr);
    dialog.SelectRow(0);
    QString warning;
    OnNextModal([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            warning = box->text();
            box->accept();
        }
    });
    dialog.accept();
    QCOMPARE(device.FormatCalls.size(), size_t(1));
    QVERIFY(warning.contains(QStringLiteral("no ha acceptat")));
    QVERIFY(dialog.result() != QDialog::Accepted);
    QCOMPARE(dialog.Shown()[size_t(dialog.SelectedRow())], device.Current);  // shows what it kept
}

// ---- Source (controls) dialog ----

void CSourceDialogTests::EditorsFollowControlKindsInCatalan() {
    CFakeDevice device;
    CSourceDialog dialog(device, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Font de vídeo"));
    auto* brightness = qobject_cast<QSlider*>(dialog.Editor(CFakeDevice::Brightness));
    QVERIFY(brightness);
    QCOMPARE(brightness->minimum(), -64);
    QCOMPARE(brightness->maximum(), 64);
    auto* wbAuto = qobject_cast<QCheckBox*>(dialog.Editor(CFakeDevice::WhiteBalanceAuto));
    QVERIFY(wbAuto && wbAuto->isChecked());
    QCOMPARE(wbAuto->text(), QStringLiteral("Balanç de blancs automàtic"));
    auto* powerLine = qobject_cast<QComboBox*>(dialog.Editor(CFakeDevice::PowerLine));
    QVERIFY(powerLine);
    QCOMPARE(powerLine->currentText(), QStringLiteral("50 Hz"));
    QCOMPARE(powerLine->itemText(0), QStringLiteral("Desactivat"));
    QVERIFY(qobject_cast<QPushButton*>(dialog.Editor(CFakeDevice::PanReset)));
    const QStringList texts = Texts(dialog);
    for (const char* label : {"Brillantor", "Temps d'exposició", "Exposició automàtica",
                              "Temperatura del balanç de blancs", "Restableix", "Tanca"})
        QVERIFY2(texts.contains(QString::fromUtf8(label)), label);
    QVERIFY(texts.contains(QStringLiteral("Centra la panoràmica")));
    QVERIFY(
        texts.contains(QStringLiteral("LED1 Frequency")));  // unknown names keep the device's own
    QVERIFY(!dialog.Editor(CFakeDevice::Exposure)->isEnabled());
    QVERIFY(!dialog.Editor(CFakeDevice::Temperature)->isEnabled());
}

void CSourceDialogTests::ChangesReachDeviceLive() {
    CFakeDevice device;
    CSourceDialog dialog(device, nullptr);
    dialog.show();
    static_cast<QSlider*>(dialog.Editor(CFakeDevice::Brightness))->setValue(20);
    QCOMPARE(device.ValueOf(CFakeDevice::Brightness), 20);
    static_cast<QCheckBox*>(dialog.Editor(CFakeDevice::WhiteBalanceAuto))->click();
    QCOMPARE(device.ValueOf(CFakeDevice::WhiteBalanceAuto), 0);
    auto* button = static_cast<QPushButton*>(dialog.Editor(CFakeDevice::PanReset));
    button->click();
    QCOMPARE(device.ControlCalls.back(), std::make_pair(uint32_t(CFakeDevice::PanReset), 1));
    QVERIFY(dialog.isVisible());
}

void CSourceDialogTests::EnterClosesWithoutResettingOrPressing() {
    CFakeDevice device;
    device.SetControl(CFakeDevice::Brightness, 30);
    device.ControlCalls.clear();
    CSourceDialog dialog(device, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (!button->isEnabled())
            continue;
        button->setFocus();
        QTest::keyClick(&dialog, Qt::Key_Return);
        if (!dialog.isVisible())
            dialog.show();
    }
    QVERIFY(device.ControlCalls.empty());
    QCOMPARE(device.ValueOf(CFakeDevice::Brightness), 30);
}

void CSourceDialogTests::SwitchingAutomaticOffEnablesManualValue() {
    CFakeDevice device;
    CSourceDialog dialog(device, nullptr);
    auto* mode = static_cast<QComboBox*>(dialog.Editor(CFakeDevice::ExposureAuto));
    const int manual = mode->findData(int(CFakeDevice::ManualMode));
    QCOMPARE(mode->itemText(manual), QStringLiteral("Manual"));
    mode->setCurrentIndex(manual);
    emit mode->activated(manual);
    QCOMPARE(device.ValueOf(CFakeDevice::ExposureAuto), int(CFakeDevice::ManualMode));
    QVERIFY(dialog.Editor(CFakeDevice::Exposure)->isEnabled());
    static_cast<QCheckBox*>(dialog.Editor(CFakeDevice::WhiteBalanceAuto))->setChecked(false);
    QVERIFY(dialog.Editor(CFakeDevice::Temperature)->isEnabled());
}

void CSourceDialogTests::SliderValueSnapsToControlStep() {
    CFakeDevice device;
    device.Find(CFakeDevice::WhiteBalanceAuto)->Value = 0;
    device.Find(CFakeDevice::Temperature)->Inactive = false;
    CSourceDialog dialog(device, nullptr);
    auto* slider = static_cast<QSlider*>(dialog.Editor(CFakeDevice::Temperature));
    slider->setValue(5004);
    QCOMPARE(device.ValueOf(CFakeDevice::Temperature), 5000);
    QCOMPARE(slider->value(), 5000);
}

// A control may span the whole int range (vivid has one): its width must not overflow.
void CSourceDialogTests::FullRangeControlPagesByATenthOfItsRange() {
    CFakeDevice device;
    CCaptureControl wide;
    wide.Id = 99, wide.Name = "Integer 32 Bits", wide.Step = 2;
    wide.Minimum = std::numeric_limits<int>::min(), wide.Maximum = std::numeric_limits<int>::max();
    device.State.push_back(wide);
    CSourceDialog dialog(device, nullptr);
    auto* slider = qobject_cast<QSlider*>(dialog.Editor(99));
    QVERIFY(slider);
    QCOMPARE(slider->pageStep(), 429496729);
    slider->setValue(std::numeric_limits<int>::max());
    QCOMPARE(device.ControlCalls.back(),
             std::make_pair(uint32_t(99), std::numeric_limits<int>::max() - 1));
}

void CSourceDialogTests::RefusedValueShowsWhatDeviceKept() {
    CFakeDevice device;
    CSourceDialog dialog(device, nullptr);
    auto* mode = static_cast<QComboBox*>(dialog.Editor(CFakeDevice::ExposureAuto));
    device.Find(CFakeDevice::ExposureAuto)->Inactive = true;  // e.g. grabbed by another program
    mode->setCurrentIndex(mode->findData(int(CFakeDevice::ManualMode)));
    emit mode->activated(mode->currentIndex());
    QCOMPARE(device.ValueOf(CFakeDevice::ExposureAuto), int(CFakeDevice::AperturePriorityMode));
    QCOMPARE(mode->currentData().toInt(), int(CFakeDevice::AperturePriorityMode));
    QVERIFY(!mode->isEnabled());
}

void CSourceDialogTests::RestoreDefaultsAlsoResetsManualValueBehindAutomatic() {
    CFakeDevice device;
    CSourceDialog dialog(device, nullptr);
    device.SetControl(CFakeDevice::ExposureAuto, CFakeDevice::ManualMode);
    device.SetControl(CFakeDevice::Exposure, 900);
    device.SetControl(CFakeDevice::Brightness, 40);
    device.SetControl(CFakeDevice::WhiteBalanceAuto, 0);
    device.ControlCalls.clear();
    dialog.RestoreDefaults();
    for (const CCaptureControl& c : device.Controls())
        if (c.Type != CCaptureControl::Button)
            QCOMPARE(c.Value, c.Default);
    const auto position = [&](uint32_t id) {
        return std::find_if(device.ControlCalls.begin(), device.ControlCalls.end(),
                            [id](const auto& call) { return call.first == id; }) -
               device.ControlCalls.begin();
    };
    // The manual exposure is written while manual mode still lets the device take it.
    QVERIFY(position(CFakeDevice::Exposure) < position(CFakeDevice::ExposureAuto));
    QVERIFY(position(CFakeDevice::PanReset) ==
            long(device.ControlCalls.size()));  // buttons not pressed
    QCOMPARE(static_cast<QSlider*>(dialog.Editor(CFakeDevice::Brightness))->value(), 0);
    QVERIFY(!dialog.Editor(CFakeDevice::Exposure)->isEnabled());
}

// ---- Device choice ----

void CSourceChoiceTests::TypedText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("source");
    const QString home = QDir::homePath();
    const QString here = QDir::currentPath();
    QTest::newRow("absolute path") << "/data/prova.mp4"
                                   << "file:/data/prova.mp4";
    QTest::newRow("relative path") << "videos/a b.avi"
                                   << "file:" + here + "/videos/a b.avi";
    QTest::newRow("home path") << " ~/prova.png "
                               << "file:" + home + "/prova.png";
    QTest::newRow("file url") << "file:///tmp/x%20y.mp4"
                              << "file:/tmp/x y.mp4";
    QTest::newRow("rtsp url")
        << "rtsp://10.0.0.5:554/live"
        << "gst:uridecodebin uri=\"rtsp://10.0.0.5:554/live\" ! videoconvert ! "
           "appsink drop=true max-buffers=1";
    QTest::newRow("url with quote and bang") << "http://h/a\"b!c"
                                             << "gst:uridecodebin uri=\"http://h/a%22b!c\" ! "
                                                "videoconvert ! appsink drop=true max-buffers=1";
    QTest::newRow("pipeline") << "videotestsrc ! videoconvert"
                              << "gst:videotestsrc ! videoconvert ! videoconvert ! appsink";
    QTest::newRow("gst-launch line") << "gst-launch-1.0 videotestsrc ! videoconvert ! appsink"
                                     << "gst:videotestsrc ! videoconvert ! appsink";
    QTest::newRow("device node") << "/dev/video2"
                                 << "v4l2:/dev/video2";
    QTest::newRow("own v4l2") << "v4l2:/dev/video0"
                              << "v4l2:/dev/video0";
    QTest::newRow("own gst") << "gst:videotestsrc ! appsink"
                             << "gst:videotestsrc ! appsink";
    QTest::newRow("own testcam") << "testcam:320x240@15"
                                 << "testcam:320x240@15";
    QTest::newRow("own testcam-multi") << "testcam-multi"
                                       << "testcam-multi";
    QTest::newRow("testcam-multiple is a file") << "testcam-multiple"
                                                << "file:" + here + "/testcam-multiple";
    QTest::newRow("testcamera is a file") << "testcamera"
                                          << "file:" + here + "/testcamera";
    QTest::newRow("blank") << "   "
                           << "";
}

void CSourceChoiceTests::TypedText() {
    QFETCH(QString, typed);
    QFETCH(QString, source);
    QCOMPARE(QString::fromStdString(SourceFromTypedText(typed)), source);
}

void CSourceChoiceTests::TestCameraPreselectedWithoutCameras() {
    CSourceChoiceDialog dialog({}, "file:/tmp/prova.mp4", nullptr);
    QVERIFY(dialog.TestCameraButton()->isChecked());
    QCOMPARE(dialog.ChosenSource(), std::string("testcam"));
    QCOMPARE(dialog.TypedEntry()->text(), QStringLiteral("/tmp/prova.mp4"));  // ready to pick again
    QVERIFY(Texts(dialog).contains(QStringLiteral("No s'ha trobat cap càmera connectada.")));
}

void CSourceChoiceTests::RememberedChoicePreselected() {
    const std::vector<CSourceEntry> cameras{{"v4l2:/dev/video0", "HD Webcam"},
                                            {"v4l2:/dev/video2", "USB Cam"}};
    QCOMPARE(CSourceChoiceDialog(cameras, "", nullptr).ChosenSource(),
             std::string("v4l2:/dev/video0"));
    QCOMPARE(CSourceChoiceDialog(cameras, "v4l2:/dev/video2", nullptr).ChosenSource(),
             std::string("v4l2:/dev/video2"));
    QCOMPARE(CSourceChoiceDialog(cameras, "testcam", nullptr).ChosenSource(),
             std::string("testcam"));
    const std::string pipeline = "gst:videotestsrc ! videoconvert ! appsink";
    CSourceChoiceDialog typed(cameras, pipeline, nullptr);
    QVERIFY(typed.TypedButton()->isChecked());
    QCOMPARE(typed.ChosenSource(), pipeline);
    QCOMPARE(typed.CameraButton(1)->text(), QStringLiteral("USB Cam  (/dev/video2)"));
}

void CSourceChoiceTests::TypingChoosesFreeEntryAndBlankDisablesOk() {
    CSourceChoiceDialog dialog({}, "", nullptr);
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    dialog.TypedButton()->setChecked(true);
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(dialog.TypedEntry(), QStringLiteral("videotestsrc ! appsink"));
    QVERIFY(dialog.TypedButton()->isChecked());
    QVERIFY(ok->isEnabled());
    QCOMPARE(dialog.ChosenSource(), std::string("gst:videotestsrc ! appsink"));
}

void CSourceChoiceTests::MissingFileKeepsDialogOpen() {
    QTemporaryDir folder;
    CSourceChoiceDialog dialog({}, "", nullptr);
    const QString path = folder.filePath(QStringLiteral("prova.mp4"));
    QTest::keyClicks(dialog.TypedEntry(), path);
    dialog.accept();
    QVERIFY(dialog.result() != QDialog::Accepted);
    QCOMPARE(dialog.Problem(), QStringLiteral("No existeix el fitxer «%1».").arg(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ChosenSource(), "file:" + path.toStdString());
}
