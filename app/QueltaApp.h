#pragma once
#include "AppColours.h"
#include "ImageSource.h"
#include "TrackingParams.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CMainFrame;
class CMultiExtDocTemplate;
class CUserPrompts;

// The application object: owns the capture source, the one tracking parameters record and the
// colour set around it for the whole run, chooses the source at start and stores the set at
// the end. Built after the QApplication; everyone reaches it through the document.
class CQueltaApp : public QObject {
    Q_OBJECT
public:
    CQueltaApp();  // the record gets its defaults, then the store's values
    ~CQueltaApp() override;

    // Start-up: false ends the program (after ExitInstance). `arguments` as from the
    // command line, the program's name first.
    bool InitInstance(const QStringList& arguments);
    // End of the run: stores the parameters; returns the exit code to use.
    int ExitInstance(int exitCode);
    // InitInstance, the event loop, ExitInstance; the process's exit status.
    int Run(const QStringList& arguments);
    // Stores the parameters now (the desktop session is ending).
    void CommitData();
    // The set and the record to the store, as at the end of the run and on the panel's OK:
    // the group "Settings" as always, and the set's own keys once the set is more than one
    // plain colour (or the store held such a set).
    bool StoreSettings();
    // The second half of start-up, once CaptureSource is set: document template, document,
    // main window and view, a settings file named in `arguments`, the window shown.
    bool StartDocument(const QStringList& arguments);

    CMainFrame* MainFrame() const;
    CMultiExtDocTemplate* DocTemplate() const { return Template.get(); }
    CUserPrompts& Prompts() const { return *UserPrompts; }
    void SetPrompts(std::unique_ptr<CUserPrompts> prompts);

    // Commands of the application.
    void ShowAbout();
    void OnFileNew();

    CImageSource CaptureSource;
    CTrackingParams TrackingParams;  // the first colour's limits and the program's flags
    CAppColours Colours{TrackingParams};

private:
    bool ChooseCaptureSource();
    void ReadStore();

    bool StoreHoldsSet = false;  // the store's set was more than one plain colour

    std::unique_ptr<CUserPrompts> UserPrompts;
    std::unique_ptr<CMultiExtDocTemplate> Template;
};
