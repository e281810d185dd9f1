#pragma once
#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CQueltaApp;
class CQueltaDoc;
class CQueltaView;

// The document string's fields.
struct CDocString {
    QString WindowTitle = QStringLiteral(" Quelta");
    QString DocName;
    QString FileNewName = QStringLiteral("QTA");
    QString FilterName = QStringLiteral("Ajustos Quelta (*.qta)");
    QString FilterExt = QStringLiteral(".qta");
    QString RegFileTypeId = QStringLiteral("Quelta.Document");
    QString RegFileTypeName = QStringLiteral("Quelta Document");
};

// The single-document template: one document, its main window and its video view.
class CMultiExtDocTemplate {
public:
    // How well a file suits this template, weakest first.
    enum Confidence {
        noAttempt,
        maybeAttemptForeign,
        maybeAttemptNative,
        yesAttemptForeign,
        yesAttemptNative,
        yesAlreadyOpen
    };

    explicit CMultiExtDocTemplate(CQueltaApp& app, CDocString strings = {});
    ~CMultiExtDocTemplate();

    Confidence MatchDocType(const QString& path, CQueltaDoc** match) const;
    static Confidence MatchExtension(const QString& path, const QString& filterExt);

    // New document: builds the document, main window and view on the first call, then
    // (re-)initialises the document and runs the view's initial update. False on failure.
    bool OpenDocumentFile();
    // Closes the main window's document: pauses the pump, then drops the window and the
    // document (the pump's worker ends with it).
    void CloseAllDocuments();

    CQueltaDoc* Document() const { return Doc.get(); }
    CMainFrame* Frame() const { return MainFrame.get(); }
    CQueltaView* View() const { return VideoView; }

private:
    bool CreateAll();
    void AddPanes();

    CQueltaApp& Application;
    CDocString Fields;
    std::unique_ptr<CQueltaDoc> Doc;
    std::unique_ptr<CMainFrame> MainFrame;  // owns the view
    CQueltaView* VideoView = nullptr;
};
