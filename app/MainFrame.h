#pragma once
#include <QMainWindow>

#include <functional>
#include <map>

class QAction;
class QDockWidget;
class QLabel;
class QToolBar;

// The main window: menus, toolbar, status bar with two rate panes, the video view as its
// central widget. Its caption is " Quelta" whatever the document calls itself.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Writes a rate as "%4.2lf fps" into pane 2 (displayPane) or pane 1; a negative or
    // undefined rate empties the pane.
    void ShowFrameRate(double rate, bool displayPane);
    static QString FormatRate(double rate);

    // The action of a command id, or null.
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return Tools; }
    QLabel* RatePane(int pane) const;  // 1 or 2
    // The "Colors" and "Marques" panes, docked at the right, hidden until shown from "&Veure";
    // their contents are the document's (SetPaneWidgets).
    QDockWidget* ColoursDock() const { return ColoursPane; }
    QDockWidget* MarksDock() const { return MarksPane; }
    void SetPaneWidgets(QWidget* colours, QWidget* marks);

    // Called when the user closes the window, before it goes.
    std::function<void()> OnClose;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(int id, const char* icon = nullptr);
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildDocks();
    void BuildAccelerators();

    std::map<int, QAction*> Actions;
    QToolBar* Tools = nullptr;
    QLabel* ProcessingPane = nullptr;
    QLabel* DisplayPane = nullptr;
    QDockWidget* ColoursPane = nullptr;
    QDockWidget* MarksPane = nullptr;
};
