#pragma once
#include "SourceChoice.h"

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;

// What the user typed in the free entry, as a source string:
//   "v4l2:...", "file:...", "gst:...", "testcam[:WxH@FPS]", "testcam-multi[:WxH@FPS]"
//                                     kept as they are
//   "file:///x/y.mp4"                 -> "file:/x/y.mp4"
//   "rtsp://...", "http://..." (any other scheme://)
//        -> "gst:uridecodebin uri=\"URL\" ! videoconvert ! appsink drop=true max-buffers=1"
//   text with "!" (a GStreamer pipeline, "gst-launch-1.0" dropped)
//        -> "gst:PIPELINE", with " ! videoconvert ! appsink" added when it has no appsink
//   "/dev/videoN"                     -> "v4l2:/dev/videoN"
//   anything else is a path           -> "file:" + absolute path ("~/" is the home folder)
// Blank text gives an empty string.
std::string SourceFromTypedText(const QString& text);

// The inverse for showing a remembered source in the entry.
QString TypedTextFromSource(const std::string& source);

// The device-choice dialog: the cameras found, the built-in test camera and a free entry.
//
//   D'on ha de prendre les imatges el Quelta?
//   +- Càmeres connectades -------------------+
//   | (o) HD Webcam  (/dev/video0)             |
//   +- Altres fonts --------------------------+
//   | ( ) Càmera de prova integrada            |
//   | ( ) Fitxer, adreça de xarxa o canonada:  |
//   |     [____________________] [Navega...]   |
//   +-----------------------------------------+
//                             [D'acord] [Cancel·la]
class CSourceChoiceDialog : public QDialog {
    Q_OBJECT
public:
    CSourceChoiceDialog(std::vector<CSourceEntry> cameras, const std::string& remembered,
                        QWidget* owner);

    // The source the current choice names (empty when the free entry is chosen but blank).
    std::string ChosenSource() const;

    QRadioButton* CameraButton(size_t index) const { return CameraButtons.at(index); }
    QRadioButton* TestCameraButton() const { return TestCamera; }
    QRadioButton* TypedButton() const { return Typed; }
    QLineEdit* TypedEntry() const { return Entry; }
    QString Problem() const;  // why OK was refused, empty when it was not

    void accept() override;

private:
    QWidget* MakeCameraGroup();
    QWidget* MakeOtherGroup();
    void Preselect(const std::string& remembered);
    void Browse();
    void UpdateOk();
    QString CheckSource(const std::string& source) const;

    std::vector<CSourceEntry> Cameras;
    std::vector<QRadioButton*> CameraButtons;
    QButtonGroup* Group = nullptr;
    QRadioButton* TestCamera = nullptr;
    QRadioButton* Typed = nullptr;
    QLineEdit* Entry = nullptr;
    QLabel* Error = nullptr;
    class QPushButton* Ok = nullptr;
};
