// The real dialogs behind CUserPrompts, driven from a timer while they run modally.
#include "UserPrompts.h"
#include "QueltaApp.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

class CUserPromptsTest : public QObject {
    Q_OBJECT
private slots:
    void saveDialogOffersQtaAndAddsTheExtension();
    void openDialogWantsAnExistingFileAndCancelGivesNothing();
    void messageWithoutCaptionShowsTheProgramName();
};

namespace {
// Runs `act` on the shown dialog of type T once it is up, again and again while the dialog
// stays open (a file dialog may refuse to close until its folder has been read). The timer goes
// with the application at the latest, and what the lambda holds goes with the timer.
template <typename T>
void WhenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer(QCoreApplication::instance());
    auto found = std::make_shared<QPointer<T>>();
    auto seen = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, act, found, seen] {
        if (!*seen) {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* modal = qobject_cast<T*>(widget);
                if (modal && modal->isVisible()) {
                    *found = modal;
                    break;
                }
            }
            if (found->isNull())
                return;
            *seen = true;
        }
        if (found->isNull() || !(*found)->isVisible()) {  // done: never touches another one
            timer->stop();
            timer->deleteLater();
            return;
        }
        act(found->data());
    });
    timer->start(20);
}
}  // namespace

void CUserPromptsTest::saveDialogOffersQtaAndAddsTheExtension() {
    CQueltaApp app;  // the application's names
    CUserPrompts prompts;
    QString title, suffix;
    QStringList filters;
    bool save = false;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        save = dialog->acceptMode() == QFileDialog::AcceptSave;
        dialog->reject();
    });
    QVERIFY(prompts.SaveFileName(nullptr, QStringLiteral("Guardar ajustos actuals")).isEmpty());
    QCOMPARE(title, QStringLiteral("Guardar ajustos actuals"));
    QCOMPARE(filters, QStringList({"Ajustos Quelta (*.qta)", "Tots els fitxers (*)"}));
    QCOMPARE(suffix, QStringLiteral("qta"));
    QVERIFY(save);
}

void CUserPromptsTest::openDialogWantsAnExistingFileAndCancelGivesNothing() {
    CQueltaApp app;
    CUserPrompts prompts;
    bool existing = false, open = false;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        existing = dialog->fileMode() == QFileDialog::ExistingFile;
        open = dialog->acceptMode() == QFileDialog::AcceptOpen;
        dialog->reject();
    });
    QVERIFY(prompts.OpenFileName(nullptr, QStringLiteral("Obrir fitxer d'ajustos")).isEmpty());
    QVERIFY(existing);
    QVERIFY(open);
}

void CUserPromptsTest::messageWithoutCaptionShowsTheProgramName() {
    CQueltaApp app;
    CUserPrompts prompts;
    QString title, text;
    int buttons = 0;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        buttons = int(box->buttons().size());
        box->accept();
    });
    prompts.Message(nullptr, QStringLiteral("Error intentant guardar ajustos"));
    QCOMPARE(title, QStringLiteral("Quelta"));
    QCOMPARE(text, QStringLiteral("Error intentant guardar ajustos"));
    QCOMPARE(buttons, 1);
}

QUELTA_REGISTER_TEST(CUserPromptsTest);
#include "UserPromptsTest.moc"
