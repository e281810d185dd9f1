#include "DocTemplate.h"

#include "ColoursPane.h"
#include "CommandRouting.h"
#include "MainFrame.h"
#include "MarksPane.h"
#include "QueltaApp.h"
#include "QueltaDoc.h"
#include "QueltaView.h"

#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QTimer>

CMultiExtDocTemplate::CMultiExtDocTemplate(CQueltaApp& app, CDocString strings)
    : Application(app), Fields(std::move(strings)) {}

CMultiExtDocTemplate::~CMultiExtDocTemplate() { CloseAllDocuments(); }

namespace {
// Two names of one file compare equal after making them absolute and clean.
bool SamePath(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}
}  // namespace

CMultiExtDocTemplate::Confidence CMultiExtDocTemplate::MatchDocType(const QString& path,
                                                                    CQueltaDoc** match) const {
    if (match)
        *match = nullptr;
    if (Doc && SamePath(Doc->PathName(), path)) {
        if (match)
            *match = Doc.get();
        return yesAlreadyOpen;
    }
    return MatchExtension(path, Fields.FilterExt);
}

// filterExt holds entries separated by ";": the first starts at the beginning, each later one
// at the first "." after its ";"; a later part without "." ends the list. The extension of
// the path is everything from its last "." on, folders included.
CMultiExtDocTemplate::Confidence CMultiExtDocTemplate::MatchExtension(const QString& path,
                                                                      const QString& filterExt) {
    if (filterExt.isEmpty())
        return yesAttemptForeign;
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return yesAttemptForeign;
    const QString extension = path.mid(dot);
    qsizetype start = 0;
    for (;;) {
        const qsizetype semicolon = filterExt.indexOf(u';', start);
        const QString entry = filterExt.mid(start, semicolon < 0 ? -1 : semicolon - start);
        if (extension.compare(entry, Qt::CaseInsensitive) == 0)
            return yesAttemptNative;
        if (semicolon < 0)
            break;
        start = filterExt.indexOf(u'.', semicolon + 1);
        if (start < 0)
            break;
    }
    return yesAttemptForeign;
}

bool CMultiExtDocTemplate::CreateAll() {
    Doc = std::make_unique<CQueltaDoc>(Application);
    MainFrame = std::make_unique<CMainFrame>();
    MainFrame->setWindowTitle(Fields.WindowTitle);
    VideoView = new CQueltaView(*Doc, MainFrame.get());
    MainFrame->setCentralWidget(VideoView);
    MainFrame->OnClose = [this] { CloseAllDocuments(); };
    ConnectCommands(Application, *MainFrame, *Doc, *VideoView);
    AddPanes();
    return true;
}

// The panes start shown when the set has several colours; with one the window is as it always
// was. Showing, hiding, docking or floating a pane fits the window to the frame again.
void CMultiExtDocTemplate::AddPanes() {
    MainFrame->SetPaneWidgets(new CColoursPane(Application.Colours, *Doc, Application.Prompts()),
                              new CMarksPane(*Doc));
    CQueltaView* view = VideoView;
    for (QDockWidget* dock : {MainFrame->ColoursDock(), MainFrame->MarksDock()}) {
        dock->setVisible(Application.Colours.Count() > 1);
        const auto refit = [view] {
            QTimer::singleShot(0, view, [view] { view->RefitMainWindow(); });
        };
        QObject::connect(dock, &QDockWidget::visibilityChanged, view, refit);
        QObject::connect(dock, &QDockWidget::topLevelChanged, view, refit);
    }
}

bool CMultiExtDocTemplate::OpenDocumentFile() {
    if (!Doc && !CreateAll())
        return false;
    if (!Doc->OnNewDocument())
        return false;
    VideoView->OnInitialUpdate();
    return true;
}

void CMultiExtDocTemplate::CloseAllDocuments() {
    if (!Doc)
        return;
    Doc->OnCloseDocument();
    // The window may be the one whose close event brought us here: let it finish first.
    CMainFrame* frame = MainFrame.release();
    VideoView = nullptr;
    if (frame) {
        frame->OnClose = nullptr;
        frame->hide();
        delete frame->centralWidget();  // the view: it stops the pump posting to it
        // The panes read the document: they go with it, not later with the window.
        delete frame->ColoursDock()->widget();
        delete frame->MarksDock()->widget();
        frame->deleteLater();
    }
    Doc.reset();
}
