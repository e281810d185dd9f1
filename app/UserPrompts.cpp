#include "UserPrompts.h"

#include "CommandTexts.h"
#include "DeviceDialogs.h"
#include "SettingsStore.h"
#include "SourceChoice.h"
#include "panel/AboutDialog.h"
#include "panel/ConfigPanelDlg.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QString FilterList() {
    return QString::fromUtf8(Texts::FileFilter) + QStringLiteral(";;") +
           QString::fromUtf8(Texts::AllFilesFilter);
}

// One dialog setup for both directions: the document type's filter first, then all files;
// a name typed without an extension gets ".qta".
QString RunFileDialog(QWidget* owner, const QString& title, bool save) {
    QFileDialog dialog(owner, title);
    dialog.setNameFilter(QString());
    dialog.setNameFilters(FilterList().split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("qta"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The toolkit's own dialog keeps the look the same on every desktop and under test.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
}  // namespace

// OK in the choice dialog remembers the choice even when it cannot be opened now, so the
// next start finds it again once the device is back.
CImageSource CUserPrompts::FindSource(bool ask) {
    if (!ask)
        return OpenRememberedSource();
    const std::string chosen = RunSourceChoiceDialog(nullptr);
    if (chosen.empty())
        return {};
    RememberSource(chosen);
    return CImageSource::Open(chosen);
}

QString CUserPrompts::OpenFileName(QWidget* owner, const QString& title) {
    return RunFileDialog(owner, title, false);
}

QString CUserPrompts::SaveFileName(QWidget* owner, const QString& title) {
    return RunFileDialog(owner, title, true);
}

void CUserPrompts::Message(QWidget* owner, const QString& text, const QString& caption) {
    const QString title = caption.isEmpty() ? QCoreApplication::applicationName() : caption;
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

void CUserPrompts::RunConfigPanel(CTrackingParams& params, QWidget* owner,
                                  const QString& colourName, const std::function<void()>& store) {
    CConfigPanelDlg panel(params, owner, store);
    if (!colourName.isEmpty())
        panel.setWindowTitle(panel.windowTitle() + QStringLiteral(": ") + colourName);
    panel.exec();
}

std::optional<QColor> CUserPrompts::PickColour(QWidget* owner, const QColor& initial) {
    // The toolkit's own dialog, as for files: the same look on every desktop.
    const QColor chosen =
        QColorDialog::getColor(initial, owner, QString::fromUtf8(Texts::PickColourTitle),
                               QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

void CUserPrompts::RunAbout(QWidget* owner) {
    CAboutDialog about(owner);
    about.exec();
}

void CUserPrompts::RunDeviceDialog(const CImageSource& source, int dialog, QWidget* owner) {
    if (source.HasDialog(dialog) != 0)
        return;
    CImageSource shared(source);
    if (dialog == FormatDialog)
        ShowFormatDialog(shared, owner);
    else if (dialog == SourceDialog)
        ShowSourceDialog(shared, owner);
}
