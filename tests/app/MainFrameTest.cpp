// The main window: menus, toolbar, accelerators, prompts, rate panes, caption.
#include "MainFrame.h"
#include "CommaLocale.h"
#include "CommandIds.h"
#include "TestRegistry.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

class CMainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void menusHoldTheirEntriesInOrder();
    void toolbarOrderWithSeparators();
    void promptSplitsIntoStatusTipAndToolTip();
    void acceleratorsReachTheirCommands();
    void ratePanesStartAtZeroWithEqualFixedWidth();
    void showFrameRateFormatsAndEmpties_data();
    void showFrameRateFormatsAndEmpties();
    void showFrameRateChoosesThePane();
    void rateKeepsItsDecimalPointInACommaLocale();
};

namespace {
QStringList Entries(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}
}  // namespace

void CMainFrameTest::menusHoldTheirEntriesInOrder() {
    CMainFrame frame;
    const QList<QAction*> menus = frame.menuBar()->actions();
    QCOMPARE(Entries(menus), QStringList({"&Fitxer", "&Imatge", "&Veure", "&Ajuda"}));
    QCOMPARE(Entries(menus[0]->menu()->actions()),
             QStringList({"&Obrir", "&Guardar", "-", "&Sortir"}));
    QCOMPARE(Entries(menus[1]->menu()->actions()),
             QStringList({"&Imatge viva", "-", "&Configuració", "C&anvi dispositiu captura", "-",
                          "&Format", "F&ont vídeo", "&Visualització"}));
    QCOMPARE(Entries(menus[2]->menu()->actions()),
             QStringList({"&Barra d'eines", "B&arra d'estat", "&Colors", "&Marques"}));
    QCOMPARE(Entries(menus[3]->menu()->actions()), QStringList({"&Quant a Quelta..."}));
    for (QAction* a : menus[1]->menu()->actions())  // nothing starts disabled or checked
        QVERIFY(a->isSeparator() || (a->isEnabled() && !a->isChecked()));
}

void CMainFrameTest::toolbarOrderWithSeparators() {
    CMainFrame frame;
    QStringList ids;
    for (QAction* a : frame.ToolBar()->actions())
        ids << (a->isSeparator() ? QStringLiteral("-") : a->data().toString());
    QCOMPARE(ids, QStringList({"57601", "57604", "-", "32801", "32802", "-", "32772", "32774",
                               "32775", "-", "57664", "-", "57665"}));
    QCOMPARE(frame.ToolBar()->iconSize(), QSize(16, 16));
    QCOMPARE(frame.toolBarArea(frame.ToolBar()), Qt::TopToolBarArea);
}

void CMainFrameTest::promptSplitsIntoStatusTipAndToolTip() {
    CMainFrame frame;
    struct Row {
        int Id;
        const char* Status;
        const char* Tip;
    };
    const Row rows[] = {
        {Cmd::FileOpen, "Obrir fitxer d'ajustos", "Obrir"},
        {Cmd::FileSaveAs, "Guardar ajustos actuals amb un nou nom", "Guardar com"},
        {Cmd::AppExit, "Tanca l'aplicació", "Sortir"},
        {Cmd::LiveVideo, "Vídeo en temps real", "Imatge viva"},
        {Cmd::ChangeDevice, "Canvi de dispositiu de captura", "Canvi dispositiu captura"},
        {Cmd::DisplayDialog, "Diàleg visualització d'imatge", "Visualització"},
        {Cmd::AppAbout, "Mostra informació sobre l'aplicació", "Quant a"},
    };
    for (const Row& row : rows) {
        QAction* a = frame.Action(row.Id);
        QCOMPARE(a->statusTip(), QString::fromUtf8(row.Status));
        QCOMPARE(a->toolTip(), QString::fromUtf8(row.Tip));
    }
}

void CMainFrameTest::acceleratorsReachTheirCommands() {
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QList<int> fired;
    for (int id : {Cmd::FileOpen, Cmd::FileSave, Cmd::FileNew})
        connect(frame.Action(id), &QAction::triggered, this, [&fired, id] { fired << id; });
    QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(fired, QList<int>({Cmd::FileOpen, Cmd::FileSave, Cmd::FileNew}));
}

void CMainFrameTest::ratePanesStartAtZeroWithEqualFixedWidth() {
    CMainFrame frame;
    QCOMPARE(frame.RatePane(1)->text(), QStringLiteral("00.00 fps"));
    QCOMPARE(frame.RatePane(2)->text(), QStringLiteral("00.00 fps"));
    QCOMPARE(frame.RatePane(1)->minimumWidth(), frame.RatePane(1)->maximumWidth());
    QCOMPARE(frame.RatePane(1)->width(), frame.RatePane(2)->width());
    const int textWidth = frame.RatePane(1)->fontMetrics().horizontalAdvance("00.00 fps");
    QVERIFY(frame.RatePane(1)->contentsRect().width() >= textWidth);
    QCOMPARE(frame.windowTitle(), QStringLiteral(" Quelta"));
}

void CMainFrameTest::showFrameRateFormatsAndEmpties_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("25") << 25.0 << "25.00 fps";
    QTest::newRow("7.5") << 7.5 << "7.50 fps";
    QTest::newRow("zero") << 0.0 << "0.00 fps";
    QTest::newRow("wide") << 123.456 << "123.46 fps";
    QTest::newRow("negative") << -1.0 << "";
    QTest::newRow("nan") << std::nan("") << "";
}

void CMainFrameTest::showFrameRateFormatsAndEmpties() {
    QFETCH(double, rate);
    QFETCH(QString, text);
    CMainFrame frame;
    frame.ShowFrameRate(rate, true);
    QCOMPARE(frame.RatePane(2)->text(), text);
}

void CMainFrameTest::showFrameRateChoosesThePane() {
    CMainFrame frame;
    frame.ShowFrameRate(30, false);
    QCOMPARE(frame.RatePane(1)->text(), QStringLiteral("30.00 fps"));
    QCOMPARE(frame.RatePane(2)->text(), QStringLiteral("00.00 fps"));
}

// Qt switches the C library to the desktop's locale; on a Catalan desktop the panes read
// "25,00 fps".
void CMainFrameTest::rateKeepsItsDecimalPointInACommaLocale() {
    CCommaLocale comma;
    if (!comma.Active)
        QSKIP("no locale with a decimal comma can be made here");
    CMainFrame frame;
    frame.ShowFrameRate(25.0, false);
    frame.ShowFrameRate(7.5, true);
    QCOMPARE(frame.RatePane(1)->text(), QStringLiteral("25.00 fps"));
    QCOMPARE(frame.RatePane(2)->text(), QStringLiteral("7.50 fps"));
}

QUELTA_REGISTER_TEST(CMainFrameTest);
#include "MainFrameTest.moc"
