// The real dialogs behind CUserPrompts, driven from a timer while they run modally.
#include "QueltaApp.h"
#include "TestRegistry.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

class CUserPromptsTest : public QObject {
    Q_OBJECT
private slots:
    void saveDialogOffersQtaAndAddsTheExtension();
    void openDialogWantsAnExistingFileAndCancelGivesNothing();
    void messageWithoutCaptionShowsTheProgramName();
};

namespace {
// Runs `act` on the shown dialog of type T as soon as there is one.
template <typename T>
void WhenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* modal = qobject_cast<T*>(widget);
            if (modal && modal->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(modal);
                return;
            }
        }
    });
    timer->start(20);
}
}  // namespace

void CUserPromptsTest::saveDialogOffersQtaAndAddsTheExtension() {
    CQueltaApp app;  // the application's names
    CUserPrompts prompts;
    QTemporaryDir dir;
    QString title;
    QStringList filters;
    bool save = false;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        save = dialog->acceptMode() == QFileDialog::AcceptSave;
        dialog->setDirectory(dir.path());
        dialog->selectFile(QStringLiteral("ajustos"));
        static_cast<QDialog*>(dialog)->accept();
    });
    const QString name = prompts.SaveFileName(nullptr, QStringLiteral("Guardar ajustos actuals"));
    QCOMPARE(title, QStringLiteral("Guardar ajustos actuals"));
    QCOMPARE(filters, QStringList({"Ajustos Quelta (*.qta)", "Tots els fitxers (*)"}));
    QVERIFY(save);
    QCOMPARE(name, dir.filePath(QStringLiteral("ajustos.qta")));
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
