#include "QueltaApp.h"

#include "CommandTexts.h"
#include "DocTemplate.h"
#include "MainFrame.h"
#include "QueltaDoc.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "StoreName.h"
#include "UserPrompts.h"

#include <QApplication>

CQueltaApp::CQueltaApp() : UserPrompts(std::make_unique<CUserPrompts>()) {
    // The store lives under the company and application names; the application's name also
    // captions the messages that have no caption of their own.
    QCoreApplication::setOrganizationName(QString::fromLatin1(StoreOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(StoreApplication));
    ReadStore();
}

CQueltaApp::~CQueltaApp() { Template.reset(); }

void CQueltaApp::SetPrompts(std::unique_ptr<CUserPrompts> prompts) {
    UserPrompts = std::move(prompts);
}

CMainFrame* CQueltaApp::MainFrame() const { return Template ? Template->Frame() : nullptr; }

void CQueltaApp::ReadStore() {
    ReadRegistry(TrackingParams);
    CColourSet set = Colours.Set();
    if (!ReadColourSet(set))
        return;
    StoreHoldsSet = !IsPlainOneColour(set);
    Colours.Replace(set);
}

bool CQueltaApp::StoreSettings() {
    const CColourSet set = Colours.Set();
    if (StoreHoldsSet || !IsPlainOneColour(set))
        StoreHoldsSet = WriteColourSet(set) || StoreHoldsSet;
    return WriteRegistry(TrackingParams);
}

bool CQueltaApp::InitInstance(const QStringList& arguments) {
    ReadStore();
    if (!ChooseCaptureSource())
        return false;
    CaptureSource.EnableCapture(false);  // no capture until the pump runs
    return StartDocument(arguments);
}

// Asks for a source when none was chosen yet, else takes the remembered one. A start-up
// that finds no device leaves VideoConfigured false, so the next start asks again.
bool CQueltaApp::ChooseCaptureSource() {
    const bool ask = !TrackingParams.VideoConfigured;
    CaptureSource = UserPrompts->FindSource(ask);
    if (!CaptureSource.HasDevice()) {
        TrackingParams.VideoConfigured = false;
        UserPrompts->Message(nullptr, QString::fromUtf8(Texts::NoSource));
        return false;
    }
    if (ask) {
        TrackingParams.VideoConfigured = true;
        WriteRegistry(TrackingParams);
    }
    return true;
}

// The template builds the document, the main window and the view; a settings file named on
// the command line is then loaded as the open command would load it.
bool CQueltaApp::StartDocument(const QStringList& arguments) {
    Template = std::make_unique<CMultiExtDocTemplate>(*this);
    if (!Template->OpenDocumentFile())
        return false;
    CMainFrame* frame = Template->Frame();
    frame->show();
    const QString file = arguments.size() > 1 ? arguments.at(1) : QString();
    if (!file.isEmpty()) {
        CQueltaDoc* open = nullptr;
        if (Template->MatchDocType(file, &open) != CMultiExtDocTemplate::yesAlreadyOpen)
            Template->Document()->LoadSettingsFrom(file);
    }
    return true;
}

int CQueltaApp::ExitInstance(int exitCode) {
    if (Template)
        Template->CloseAllDocuments();
    StoreSettings();
    return exitCode;
}

void CQueltaApp::CommitData() { StoreSettings(); }

int CQueltaApp::Run(const QStringList& arguments) {
    if (!InitInstance(arguments))
        return ExitInstance(1);
    const int code = QApplication::exec();
    return ExitInstance(code);
}

void CQueltaApp::ShowAbout() { UserPrompts->RunAbout(MainFrame()); }

void CQueltaApp::OnFileNew() {
    if (Template)
        Template->OpenDocumentFile();
}
