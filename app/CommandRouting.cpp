#include "CommandRouting.h"

#include "CommandIds.h"
#include "ImageSource.h"
#include "MainFrame.h"
#include "QueltaApp.h"
#include "QueltaDoc.h"
#include "QueltaView.h"

#include <QAction>

namespace {
template <typename Receiver, typename Handler>
void Route(CMainFrame& frame, int id, Receiver* receiver, Handler handler) {
    QObject::connect(frame.Action(id), &QAction::triggered, receiver, handler);
}
}  // namespace

void ConnectCommands(CQueltaApp& app, CMainFrame& frame, CQueltaDoc& doc, CQueltaView& view) {
    Route(frame, Cmd::ConfigPanel, &view, [&view] { view.OnConfigPanel(); });
    Route(frame, Cmd::ChangeDevice, &view, [&view] { view.OnChangeDevice(); });

    Route(frame, Cmd::LiveVideo, &doc, [&doc] { doc.OnLiveVideo(); });
    Route(frame, Cmd::FormatDialog, &doc, [&doc] { doc.OnDeviceDialog(FormatDialog); });
    Route(frame, Cmd::SourceDialog, &doc, [&doc] { doc.OnDeviceDialog(SourceDialog); });
    Route(frame, Cmd::DisplayDialog, &doc, [&doc] { doc.OnDeviceDialog(DisplayDialog); });
    Route(frame, Cmd::FileOpen, &doc, [&doc] { doc.OnOpenSettings(); });
    Route(frame, Cmd::FileSave, &doc, [&doc] { doc.OnSaveSettings(); });
    Route(frame, Cmd::FileSaveAs, &doc, [&doc] { doc.OnSaveSettings(); });

    Route(frame, Cmd::FileNew, &app, [&app] { app.OnFileNew(); });
    Route(frame, Cmd::AppAbout, &app, [&app] { app.ShowAbout(); });

    QObject::connect(&doc, &CQueltaDoc::CommandStateChanged, &frame,
                     [&frame, &doc] { RefreshDocCommands(frame, doc); });
    RefreshDocCommands(frame, doc);
}

void RefreshDocCommands(CMainFrame& frame, const CQueltaDoc& doc) {
    for (int id : {Cmd::LiveVideo, Cmd::FormatDialog, Cmd::SourceDialog, Cmd::DisplayDialog}) {
        QAction* action = frame.Action(id);
        action->setEnabled(doc.IsCommandEnabled(id));
        if (action->isCheckable())
            action->setChecked(doc.IsCommandChecked(id));
    }
}
