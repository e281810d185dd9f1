// The document's commands: live video, the capture device's dialogs, settings files (the
// whole colour set; a set of one plain colour is the twelve lines of a settings file).
#include "AppColours.h"
#include "CommandIds.h"
#include "CommandTexts.h"
#include "QueltaApp.h"
#include "QueltaDoc.h"
#include "QueltaView.h"
#include "SettingsFile.h"
#include "UserPrompts.h"

#include <QFile>
#include <QThread>

namespace {
// The capture device wants a moment between stopping and showing its dialog.
constexpr unsigned long DialogSettleMs = 400;

int DialogOf(int id) {
    switch (id) {
    case Cmd::FormatDialog:
        return FormatDialog;
    case Cmd::SourceDialog:
        return SourceDialog;
    case Cmd::DisplayDialog:
        return DisplayDialog;
    default:
        return -1;
    }
}

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

void CQueltaDoc::OnLiveVideo() {
    if (FramePump.IsRunning()) {
        PausePump();
        return;
    }
    for (const QPointer<QWidget>& view : Views) {
        if (qobject_cast<CQueltaView*>(view.data())) {
            FramePump.SetTargetWindow(view.data());
            break;
        }
    }
    RunPump();
}

void CQueltaDoc::OnDeviceDialog(int dialog) {
    const bool wasRunning = FramePump.IsRunning();
    if (wasRunning) {
        PausePump();
        QThread::msleep(DialogSettleMs);
    }
    Application.Prompts().RunDeviceDialog(FramePump.Source(), dialog, MainWindow());
    if (wasRunning)
        RunPump();
    UpdateAllViews();
}

void CQueltaDoc::OnOpenSettings() {
    const QString name =
        Application.Prompts().OpenFileName(MainWindow(), QString::fromUtf8(Texts::OpenTitle));
    if (!name.isEmpty())
        LoadSettingsFrom(name);
}

bool CQueltaDoc::LoadSettingsFrom(const QString& path) {
    CColourSet set = Application.Colours.Set();
    std::string problem;
    if (LoadColourSetFile(set, NativePath(path), problem) && Application.Colours.Replace(set))
        return true;
    Application.Prompts().Message(nullptr, QString::fromUtf8(Texts::LoadFailed));
    return false;
}

void CQueltaDoc::OnSaveSettings() {
    const QString name =
        Application.Prompts().SaveFileName(MainWindow(), QString::fromUtf8(Texts::SaveTitle));
    if (name.isEmpty())
        return;
    if (!SaveColourSetFile(Application.Colours.Set(), NativePath(name)))
        Application.Prompts().Message(nullptr, QString::fromUtf8(Texts::SaveFailed));
}

bool CQueltaDoc::IsCommandEnabled(int id) const {
    if (id == Cmd::LiveVideo)
        return FramePump.HasSource();
    const int dialog = DialogOf(id);
    if (dialog >= 0)
        return FramePump.HasSource() && FramePump.Source().HasDialog(dialog) == 0;
    return true;
}

bool CQueltaDoc::IsCommandChecked(int id) const {
    return id == Cmd::LiveVideo && FramePump.IsRunning();
}
