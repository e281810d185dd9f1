#pragma once
#include "QueltaApp.h"
#include "UserPrompts.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

// Stands in for every dialog: answers from a script and writes down what was asked.
class CFakePrompts : public CUserPrompts {
public:
    struct Shown {
        QString Text;
        QString Caption;
        QWidget* Owner;
    };

    CImageSource FindSource(bool ask) override {
        FindCalls.push_back(ask);
        return SourceToGive;
    }
    QString OpenFileName(QWidget*, const QString& title) override {
        Titles << title;
        return NextFileName;
    }
    QString SaveFileName(QWidget*, const QString& title) override {
        Titles << title;
        return NextFileName;
    }
    void Message(QWidget* owner, const QString& text, const QString& caption) override {
        Messages.push_back({text, caption, owner});
    }
    void RunConfigPanel(CTrackingParams& params, QWidget* owner, const QString& colourName,
                        const std::function<void()>& store) override {
        PanelParams = &params;
        PanelOwner = owner;
        PanelColourName = colourName;
        PanelStore = store;
    }
    std::optional<QColor> PickColour(QWidget*, const QColor&) override { return ColourToPick; }
    void RunAbout(QWidget*) override { ++AboutRuns; }
    void RunDeviceDialog(const CImageSource&, int dialog, QWidget*) override {
        DialogsShown.push_back(dialog);
        if (DuringDialog)
            DuringDialog();
    }

    CImageSource SourceToGive;
    QString NextFileName;
    std::vector<bool> FindCalls;
    QStringList Titles;
    std::vector<Shown> Messages;
    CTrackingParams* PanelParams = nullptr;
    QWidget* PanelOwner = nullptr;
    QString PanelColourName;
    std::function<void()> PanelStore;
    std::optional<QColor> ColourToPick;
    int AboutRuns = 0;
    std::vector<int> DialogsShown;
    std::function<void()> DuringDialog;
};

// An application object with fake prompts; Fake stays valid while App lives.
struct CAppHarness {
    CAppHarness() {
        auto prompts = std::make_unique<CFakePrompts>();
        Fake = prompts.get();
        App.SetPrompts(std::move(prompts));
    }
    CQueltaApp App;
    CFakePrompts* Fake;
};
