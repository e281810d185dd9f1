#include "MainFrame.h"

#include "CommandIds.h"
#include "CommandTexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <cmath>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QString::fromUtf8(Texts::WindowTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quelta.svg")));
    BuildActions();
    BuildDocks();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildAccelerators();
}

QAction* CMainFrame::MakeAction(int id, const char* icon) {
    auto* action = new QAction(MenuText(id), this);
    action->setData(id);
    action->setStatusTip(StatusPrompt(id));
    action->setToolTip(ToolTipText(id));
    if (icon)
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    Actions[id] = action;
    return action;
}

void CMainFrame::BuildActions() {
    MakeAction(Cmd::FileOpen, "open");
    MakeAction(Cmd::FileSaveAs, "save");
    MakeAction(Cmd::AppExit, "exit");
    MakeAction(Cmd::LiveVideo)->setCheckable(true);
    MakeAction(Cmd::ConfigPanel, "config");
    MakeAction(Cmd::ChangeDevice, "camera");
    MakeAction(Cmd::FormatDialog, "format");
    MakeAction(Cmd::SourceDialog, "source");
    MakeAction(Cmd::DisplayDialog, "display");
    MakeAction(Cmd::ViewToolBar)->setCheckable(true);
    MakeAction(Cmd::ViewStatusBar)->setCheckable(true);
    MakeAction(Cmd::AppAbout, "about");
    MakeAction(Cmd::FileNew);
    MakeAction(Cmd::FileSave);
    // Menu and toolbar entries show their prompt in the status bar only; the tooltip
    // belongs to the toolbar button.
    connect(Action(Cmd::AppExit), &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Fitxer"));
    file->addAction(Action(Cmd::FileOpen));
    file->addAction(Action(Cmd::FileSaveAs));
    file->addSeparator();
    file->addAction(Action(Cmd::AppExit));

    QMenu* image = menuBar()->addMenu(QStringLiteral("&Imatge"));
    image->addAction(Action(Cmd::LiveVideo));
    image->addSeparator();
    image->addAction(Action(Cmd::ConfigPanel));
    image->addAction(Action(Cmd::ChangeDevice));
    image->addSeparator();
    image->addAction(Action(Cmd::FormatDialog));
    image->addAction(Action(Cmd::SourceDialog));
    image->addAction(Action(Cmd::DisplayDialog));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Veure"));
    view->addAction(Action(Cmd::ViewToolBar));
    view->addAction(Action(Cmd::ViewStatusBar));
    view->addAction(Action(Cmd::ViewColours));
    view->addAction(Action(Cmd::ViewMarks));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Ajuda"));
    help->addAction(Action(Cmd::AppAbout));
    for (QMenu* menu : {file, image, view, help})
        menu->setToolTipsVisible(false);
}

void CMainFrame::BuildToolBar() {
    Tools = new QToolBar(this);
    Tools->setObjectName(QStringLiteral("ToolBar%1").arg(Cmd::ViewToolBar));
    Tools->setIconSize(QSize(16, 16));
    Tools->setAllowedAreas(Qt::AllToolBarAreas);
    Tools->addAction(Action(Cmd::FileOpen));
    Tools->addAction(Action(Cmd::FileSaveAs));
    Tools->addSeparator();
    Tools->addAction(Action(Cmd::ConfigPanel));
    Tools->addAction(Action(Cmd::ChangeDevice));
    Tools->addSeparator();
    Tools->addAction(Action(Cmd::FormatDialog));
    Tools->addAction(Action(Cmd::SourceDialog));
    Tools->addAction(Action(Cmd::DisplayDialog));
    Tools->addSeparator();
    Tools->addAction(Action(Cmd::AppAbout));
    Tools->addSeparator();
    Tools->addAction(Action(Cmd::AppExit));
    addToolBar(Qt::TopToolBarArea, Tools);

    QAction* toggle = Action(Cmd::ViewToolBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, Tools, &QWidget::setVisible);
    connect(Tools, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar%1").arg(Cmd::ViewStatusBar));
    const QString initial = QString::fromUtf8(Texts::RatePaneText);
    for (QLabel** pane : {&ProcessingPane, &DisplayPane}) {
        *pane = new QLabel(initial, bar);
        (*pane)->setFrameShape(QFrame::Panel);
        (*pane)->setFrameShadow(QFrame::Sunken);
        const int margins = 2 * (*pane)->frameWidth() + 2 * (*pane)->margin() + 6;
        (*pane)->setFixedWidth((*pane)->fontMetrics().horizontalAdvance(initial) + margins);
        bar->addPermanentWidget(*pane);
    }

    QAction* toggle = Action(Cmd::ViewStatusBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

// Each pane's own show-and-hide action is its "&Veure" entry: it stays checked exactly while
// the pane is shown, also when the pane's close button hid it.
void CMainFrame::BuildDocks() {
    const struct {
        QDockWidget** Dock;
        int Id;
        const char* Title;
        const char* Name;
    } panes[] = {{&ColoursPane, Cmd::ViewColours, Texts::ColoursTitle, "ColoursPane"},
                 {&MarksPane, Cmd::ViewMarks, Texts::MarksTitle, "MarksPane"}};
    for (const auto& pane : panes) {
        auto* dock = new QDockWidget(QString::fromUtf8(pane.Title), this);
        dock->setObjectName(QLatin1String(pane.Name));
        addDockWidget(Qt::RightDockWidgetArea, dock, Qt::Vertical);
        dock->hide();
        QAction* toggle = dock->toggleViewAction();
        toggle->setText(MenuText(pane.Id));
        toggle->setData(pane.Id);
        toggle->setStatusTip(StatusPrompt(pane.Id));
        toggle->setToolTip(ToolTipText(pane.Id));
        Actions[pane.Id] = toggle;
        *pane.Dock = dock;
    }
}

void CMainFrame::SetPaneWidgets(QWidget* colours, QWidget* marks) {
    ColoursPane->setWidget(colours);
    MarksPane->setWidget(marks);
}

// Accelerators reach their commands without showing a key in the menus.
void CMainFrame::BuildAccelerators() {
    struct CAccelerator {
        QKeySequence Keys;
        int Id;
    };
    const CAccelerator table[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), Cmd::FileOpen},
        {QKeySequence(Qt::CTRL | Qt::Key_S), Cmd::FileSave},
        {QKeySequence(Qt::CTRL | Qt::Key_N), Cmd::FileNew},
    };
    for (const CAccelerator& accel : table) {
        auto* key = new QAction(this);
        key->setShortcut(accel.Keys);
        key->setShortcutContext(Qt::WindowShortcut);
        QAction* target = Action(accel.Id);
        connect(key, &QAction::triggered, target, [target] {
            if (target->isEnabled())
                target->trigger();
        });
        addAction(key);
    }
}

QAction* CMainFrame::Action(int id) const {
    const auto it = Actions.find(id);
    return it == Actions.end() ? nullptr : it->second;
}

QLabel* CMainFrame::RatePane(int pane) const {
    return pane == 1 ? ProcessingPane : pane == 2 ? DisplayPane : nullptr;
}

QString CMainFrame::FormatRate(double rate) {
    if (std::isnan(rate) || rate < 0)
        return {};
    // Qt's own formatting always writes a decimal point; the C library's would follow the
    // desktop's locale (Qt switches it on at start) and write "25,00 fps" in Catalan.
    return QString::asprintf("%4.2lf fps", rate);
}

void CMainFrame::ShowFrameRate(double rate, bool displayPane) {
    QLabel* pane = displayPane ? DisplayPane : ProcessingPane;
    pane->setText(FormatRate(rate));
    pane->update();  // painted with the next flush, which the view's paint is part of
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (OnClose)
        OnClose();
    event->accept();
}
