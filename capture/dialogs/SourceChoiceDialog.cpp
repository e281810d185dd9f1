#include "SourceChoiceDialog.h"
#include "DialogButtons.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

bool HasOwnPrefix(const QString& text) {
    static const QRegularExpression own(
        QStringLiteral("^(v4l2:|gst:|testcam(-multi)?(:|$)|file:(?!//))"));
    return own.match(text).hasMatch();
}

bool IsUrl(const QString& text) {
    static const QRegularExpression url(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return url.match(text).hasMatch();
}

std::string FromUrl(const QString& text) {
    const QUrl url(text);
    if (url.isLocalFile())
        return "file:" + url.toLocalFile().toStdString();
    // GStreamer opens network streams (RTSP, HTTP, ...) itself; the sink keeps only the newest
    // picture so a slow reader never falls behind a live stream. The encoded URL has no quotes.
    return "gst:uridecodebin uri=\"" + url.toString(QUrl::FullyEncoded).toStdString() +
           "\" ! videoconvert ! appsink drop=true max-buffers=1";
}

std::string FromPipeline(QString pipeline) {
    pipeline.remove(QRegularExpression(QStringLiteral("^gst-launch(-1\\.0)?\\s+")));
    if (!pipeline.contains(QRegularExpression(QStringLiteral("\\bappsink\\b"))))
        pipeline += QStringLiteral(" ! videoconvert ! appsink");
    return "gst:" + pipeline.toStdString();
}

std::string FromPath(QString path) {
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
        path.replace(0, 1, QDir::homePath());
    // Absolute, so the remembered choice still works when started from another folder.
    return "file:" + QFileInfo(path).absoluteFilePath().toStdString();
}

}  // namespace

std::string SourceFromTypedText(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    if (HasOwnPrefix(text))
        return text.toStdString();
    if (IsUrl(text))
        return FromUrl(text);
    if (text.contains(QLatin1Char('!')))
        return FromPipeline(text);
    if (text.startsWith(QStringLiteral("/dev/video")))
        return "v4l2:" + text.toStdString();
    return FromPath(text);
}

QString TypedTextFromSource(const std::string& source) {
    const QString text = QString::fromStdString(source);
    if (text.startsWith(QStringLiteral("file:")) && !text.startsWith(QStringLiteral("file://")))
        return text.mid(5);
    if (text.startsWith(QStringLiteral("gst:")))
        return text.mid(4);
    if (text.startsWith(QStringLiteral("v4l2:")))
        return text.mid(5);
    return text;
}

CSourceChoiceDialog::CSourceChoiceDialog(std::vector<CSourceEntry> cameras,
                                         const std::string& remembered, QWidget* owner)
    : QDialog(owner), Cameras(std::move(cameras)) {
    setWindowTitle(QStringLiteral("Tria la font de vídeo"));
    Group = new QButtonGroup(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("D'on ha de prendre les imatges el Quelta?")));
    layout->addWidget(MakeCameraGroup());
    layout->addWidget(MakeOtherGroup());
    Error = new QLabel;
    Error->setWordWrap(true);
    Error->setStyleSheet(QStringLiteral("color: #b00000"));
    Error->hide();
    layout->addWidget(Error);
    auto* buttons = MakeOkCancelButtons(this);
    Ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    Preselect(remembered);
    connect(Group, &QButtonGroup::buttonToggled, this, [this] { UpdateOk(); });
    connect(Entry, &QLineEdit::textEdited, this, [this] {
        Typed->setChecked(true);
        UpdateOk();
    });
    UpdateOk();
}

QWidget* CSourceChoiceDialog::MakeCameraGroup() {
    auto* box = new QGroupBox(QStringLiteral("Càmeres connectades"));
    auto* layout = new QVBoxLayout(box);
    for (const CSourceEntry& camera : Cameras) {
        const QString device = TypedTextFromSource(camera.Name);
        const QString label =
            camera.Label.empty()
                ? device
                : QStringLiteral("%1  (%2)").arg(QString::fromStdString(camera.Label), device);
        auto* radio = new QRadioButton(label);
        Group->addButton(radio);
        CameraButtons.push_back(radio);
        layout->addWidget(radio);
    }
    if (Cameras.empty()) {
        auto* none = new QLabel(QStringLiteral("No s'ha trobat cap càmera connectada."));
        none->setEnabled(false);
        layout->addWidget(none);
    }
    return box;
}

QWidget* CSourceChoiceDialog::MakeOtherGroup() {
    auto* box = new QGroupBox(QStringLiteral("Altres fonts"));
    auto* layout = new QVBoxLayout(box);
    TestCamera = new QRadioButton(
        QStringLiteral("Càmera de prova integrada (imatge sintètica amb una marca que es mou)"));
    Typed = new QRadioButton(
        QStringLiteral("Fitxer de vídeo o d'imatge, adreça de xarxa o canonada de GStreamer:"));
    Group->addButton(TestCamera);
    Group->addButton(Typed);
    layout->addWidget(TestCamera);
    layout->addWidget(Typed);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 0, 0);
    Entry = new QLineEdit;
    Entry->setMinimumWidth(360);
    Entry->setClearButtonEnabled(true);
    auto* browse = new QPushButton(QStringLiteral("Navega..."));
    connect(browse, &QPushButton::clicked, this, &CSourceChoiceDialog::Browse);
    row->addWidget(Entry, 1);
    row->addWidget(browse);
    layout->addLayout(row);

    auto* hint = new QLabel(
        QStringLiteral("Per exemple: ~/videos/prova.mp4  o  rtsp://192.168.1.20/stream,\n"
                       "o bé una canonada com  videotestsrc ! videoconvert"));
    hint->setContentsMargins(20, 0, 0, 0);
    hint->setEnabled(false);
    layout->addWidget(hint);
    return box;
}

void CSourceChoiceDialog::Preselect(const std::string& remembered) {
    const bool listed = remembered == "testcam" ||
                        std::any_of(Cameras.begin(), Cameras.end(),
                                    [&](const CSourceEntry& c) { return c.Name == remembered; });
    // Something typed earlier stays in the entry, ready to be chosen again.
    if (!remembered.empty() && !listed)
        Entry->setText(TypedTextFromSource(remembered));
    if (Cameras.empty()) {
        TestCamera->setChecked(true);
        return;
    }
    for (size_t i = 0; i < Cameras.size(); ++i)
        if (Cameras[i].Name == remembered) {
            CameraButtons[i]->setChecked(true);
            return;
        }
    if (remembered == "testcam")
        TestCamera->setChecked(true);
    else if (!remembered.empty())
        Typed->setChecked(true);
    else
        CameraButtons.front()->setChecked(true);
}

void CSourceChoiceDialog::Browse() {
    const QString start = QFileInfo(Entry->text().trimmed()).absolutePath();
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Tria un fitxer de vídeo o d'imatge"), start,
        QStringLiteral(
            "Vídeos i imatges (*.mp4 *.avi *.mkv *.mov *.webm *.mpg *.mpeg *.ogv *.mjpeg "
            "*.png *.jpg *.jpeg *.bmp *.tif *.tiff);;Tots els fitxers (*)"));
    if (file.isEmpty())
        return;
    Entry->setText(file);
    Typed->setChecked(true);
    UpdateOk();
}

std::string CSourceChoiceDialog::ChosenSource() const {
    for (size_t i = 0; i < CameraButtons.size(); ++i)
        if (CameraButtons[i]->isChecked())
            return Cameras[i].Name;
    if (TestCamera->isChecked())
        return "testcam";
    if (Typed->isChecked())
        return SourceFromTypedText(Entry->text());
    return {};
}

void CSourceChoiceDialog::UpdateOk() {
    Ok->setEnabled(!ChosenSource().empty());
    Error->hide();
    Error->clear();
}

QString CSourceChoiceDialog::Problem() const { return Error->text(); }

QString CSourceChoiceDialog::CheckSource(const std::string& source) const {
    const QString text = QString::fromStdString(source);
    if (text.startsWith(QStringLiteral("file:"))) {
        const QString path = text.mid(5);
        if (!QFileInfo(path).isFile())
            return QStringLiteral("No existeix el fitxer «%1».").arg(path);
        if (!QFileInfo(path).isReadable())
            return QStringLiteral("No es pot llegir el fitxer «%1».").arg(path);
    }
    if (text.startsWith(QStringLiteral("v4l2:")) && !QFileInfo::exists(text.mid(5)))
        return QStringLiteral("No existeix el dispositiu «%1».").arg(text.mid(5));
    return {};
}

void CSourceChoiceDialog::accept() {
    const std::string source = ChosenSource();
    if (source.empty())
        return;
    const QString problem = CheckSource(source);
    if (!problem.isEmpty()) {
        // Stay open: a typing slip is easier to mend here than after a failed start.
        Error->setText(problem);
        Error->show();
        return;
    }
    QDialog::accept();
}
