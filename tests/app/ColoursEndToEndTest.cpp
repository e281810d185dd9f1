// End to end on a real X server (Xvfb) and the live six-disc test camera: three colours learnt
// by clicks on their discs, every disc outlined on the screen in its colour's display colour
// with its identity beside it, the marks table listing all six, and the set saved to a file and
// loaded again by a new run.
//
// With QUELTA_SCREENSHOT_DIR set, the screen grabs are also kept there as PNG files.
#include "AppColours.h"
#include "CaptureDevice.h"
#include "Helpers.h"
#include "LimitFields.h"
#include "SettingsFile.h"
#include "TestRegistry.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace {
// The scene's discs rest, whole and apart, for its first two seconds (60 frames).
constexpr int64_t RestFrames = 55;

struct CDiscColour {
    const char* Disc;  // the test camera's colour
    const char* Name;  // the colour's name in the set
};
constexpr CDiscColour Learnt[] = {{"red", "vermell"}, {"green", "verd"}, {"blue", "blau"}};

// One run of the program on the live camera, with fake dialogs.
struct CLive {
    explicit CLive(const QString& source) {
        H.App.CaptureSource = CImageSource::Open(source.toStdString());
        if (!H.App.CaptureSource.HasDevice() || !H.App.StartDocument({QStringLiteral("quelta")}))
            return;
        Doc = H.App.DocTemplate()->Document();
        Frame = H.App.MainFrame();
        View = H.App.DocTemplate()->View();
        Camera = H.App.CaptureSource.Device()->TestCamera();
    }
    ~CLive() { H.App.ExitInstance(0); }
    int SeenMarks(const char* name) const {
        const CColourSet& set = Doc->DisplaySet();
        int count = 0;
        for (const CTrackedMark& m : Doc->DisplayMarks())
            count += m.Lost == 0 && set.Colours[m.Mark.Colour].Name == name;
        return count;
    }

    CAppHarness H;
    CQueltaDoc* Doc = nullptr;
    CMainFrame* Frame = nullptr;
    CQueltaView* View = nullptr;
    const CTestCamera* Camera = nullptr;
};

// Pausing stops the camera; running it again starts the scene from frame 0, at rest.
bool RestartScene(CLive& live) {
    if (live.Doc->Pump().IsRunning())
        live.Doc->OnLiveVideo();
    QTest::qWait(300);
    live.Doc->OnLiveVideo();
    const uint64_t passes = live.Doc->PassCount();
    return ProcessUntil(
        [&live, passes] {
            const int64_t n = live.Doc->DisplayFrameIndex();
            return live.Doc->PassCount() > passes + 1 && n >= 0 && n < 10;
        },
        10000);
}

cv::Point DiscCentre(const CLive& live, const char* colour) {
    for (const CTestMark& m : live.Camera->Marks(live.Doc->DisplayFrameIndex()))
        if (m.Colour == colour)
            return {int(m.Centre.x), int(m.Centre.y)};
    return {};
}

// The name editor that a double click or "Afegeix" opened: all of it replaced by `name`, then
// Return (the view commits it from its event loop).
bool TypeName(QTableWidget* table, const QString& name) {
    QLineEdit* editor = nullptr;
    for (QLineEdit* child : table->viewport()->findChildren<QLineEdit*>())
        if (child->isVisible())
            editor = child;
    if (!editor)
        return false;
    editor->selectAll();
    QTest::keyClicks(editor, name);
    QTest::keyClick(editor, Qt::Key_Return);
    const QPointer<QLineEdit> open(editor);
    return ProcessUntil([&open] { return !open || !open->isVisible(); });  // committed
}

QTableWidget* Table(const CLive& live, const char* name) {
    return live.Frame->findChild<QTableWidget*>(QLatin1String(name));
}

QImage GrabScreen(const QString& file) {
    QTest::qWait(200);  // the last paint flushed to the server
    const QImage grab = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
    const QString dir = qEnvironmentVariable("QUELTA_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        grab.save(dir + u'/' + file);
    return grab;
}

bool Near(QRgb a, uint32_t rgb, int by) {
    return std::abs(qRed(a) - int(rgb >> 16 & 0xFF)) <= by &&
           std::abs(qGreen(a) - int(rgb >> 8 & 0xFF)) <= by &&
           std::abs(qBlue(a) - int(rgb & 0xFF)) <= by;
}

int CountNear(const QImage& grab, const QRect& area, uint32_t rgb, int by, const QRect& hole = {}) {
    int count = 0;
    const QRect inside = area & grab.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += !hole.contains(x, y) && Near(grab.pixel(x, y), rgb, by);
    return count;
}

// A tag of the display colour with text on it, right or left of the box.
bool HasTag(const QImage& grab, const QRect& box, uint32_t rgb) {
    for (const QRect& side : {QRect(box.right() + 2, box.top() - 2, 32, 18),
                              QRect(box.left() - 34, box.top() - 2, 32, 18)}) {
        const int ground = CountNear(grab, side, rgb, 0);
        const int text = CountNear(grab, side, 0x000000, 40) + CountNear(grab, side, 0xFFFFFF, 40);
        if (ground >= 30 && text >= 5)
            return true;
    }
    return false;
}

// The channel a disc of the test camera's colour is strongest in.
bool DiscColoured(QRgb c, const std::string& disc) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (disc == "red")
        return r > g + 80 && r > b + 80;
    if (disc == "green")
        return g > r + 80 && g > b + 80;
    return b > r + 80 && b > g + 80;
}
}  // namespace

class CColoursEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings(QStringLiteral("Orda"), QStringLiteral("Quelta")).clear(); }
    void threeColoursLearntAreOutlinedListedSavedAndLoaded_data();
    void threeColoursLearntAreOutlinedListedSavedAndLoaded();

private:
    void LearnThreeColours(CLive& live);
    void Learn(CLive& live, int colour, bool name);
    void CheckScreen(CLive& live, const QString& size);
    void CheckMarksTable(CLive& live);
    void LoadAgain(const QString& source, const QString& file, const CColourSet& saved);
};

void CColoursEndToEndTest::threeColoursLearntAreOutlinedListedSavedAndLoaded_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("640x480") << QStringLiteral("testcam-multi:640x480@30");
    QTest::newRow("1280x720") << QStringLiteral("testcam-multi:1280x720@30");
}

void CColoursEndToEndTest::threeColoursLearntAreOutlinedListedSavedAndLoaded() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server to grab the screen from (app.EndToEndThreeColours: Xvfb)");
    QFETCH(QString, source);
    const QString size = QString::fromLatin1(QTest::currentDataTag());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tres.qta"));
    CColourSet saved;
    {
        CLive live(source);
        QVERIFY2(live.Camera, "the test camera did not start");
        QVERIFY(QTest::qWaitForWindowExposed(live.Frame));
        QVERIFY2(ProcessUntil([&live] { return live.Doc->PassCount() > 2; }), "no frames");
        GrabScreen(QStringLiteral("one-colour-%1.png").arg(size));
        live.Frame->Action(Cmd::ViewColours)->trigger();
        live.Frame->Action(Cmd::ViewMarks)->trigger();
        LearnThreeColours(live);
        if (QTest::currentTestFailed())
            return;
        CheckScreen(live, size);
        if (QTest::currentTestFailed())
            return;
        CheckMarksTable(live);
        live.H.Fake->NextFileName = file;
        live.Frame->Action(Cmd::FileSaveAs)->trigger();
        QVERIFY(live.H.Fake->Messages.empty());
        saved = live.H.App.Colours.Set();
    }
    LoadAgain(source, file, saved);
}

// The clicks must fall in the scene's resting time; a run slowed down past it starts again.
void CColoursEndToEndTest::LearnThreeColours(CLive& live) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        QVERIFY2(RestartScene(live), "the scene did not start again from frame 0 within 10 s");
        for (int colour = 0; colour < 3; ++colour) {
            Learn(live, colour, attempt == 0);
            if (QTest::currentTestFailed())
                return;
        }
        const bool all = ProcessUntil(
            [&live] {
                return live.SeenMarks("vermell") == 2 && live.SeenMarks("verd") == 2 &&
                       live.SeenMarks("blau") == 2;
            },
            3000);
        live.Doc->OnLiveVideo();  // paused: the picture stays as it is now
        if (all && live.Doc->DisplayFrameIndex() < RestFrames)
            return;
    }
    QFAIL("three times the six discs were not all found while they rested");
}

// Names the colour (the first by a double click on its row, the others as "Afegeix" adds
// them), selects it in the table and clicks on a disc of its colour.
void CColoursEndToEndTest::Learn(CLive& live, int colour, bool name) {
    QTableWidget* table = Table(live, "colourTable");
    QVERIFY(table);
    QVERIFY2(ProcessUntil([table] { return table->isVisible(); }),
             "the colours' pane was not shown");
    if (colour == live.H.App.Colours.Count()) {
        QTest::mouseClick(live.Frame->findChild<QPushButton*>(QStringLiteral("addColour")),
                          Qt::LeftButton);
        QVERIFY2(TypeName(table, QString::fromLatin1(Learnt[colour].Name)),
                 "no editor for the name");
    } else if (name) {
        const QRect cell = table->visualItemRect(table->item(colour, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY2(TypeName(table, QString::fromLatin1(Learnt[colour].Name)),
                 "no editor for the name");
    }
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(colour, 0)).center());
    QCOMPARE(live.H.App.Colours.Selected(), colour);
    QCOMPARE(QString::fromStdString(live.H.App.Colours.Name(colour)),
             QString::fromLatin1(Learnt[colour].Name));
    const cv::Point disc = DiscCentre(live, Learnt[colour].Disc);
    QTest::mouseClick(live.View, Qt::LeftButton, {}, QPoint(disc.x, disc.y));
    CQueltaDoc* doc = live.Doc;
    QVERIFY2(ProcessUntil(
                 [doc] { return !doc->PassUnderWay() && !doc->Tracker().CalibrationRequested(); }),
             "the click was not learnt within 5 s");
}

// On the screen as the X server has it: each of the six marks outlined in its colour's display
// colour around a disc of the colour it learnt, its identity written beside the box.
void CColoursEndToEndTest::CheckScreen(CLive& live, const QString& size) {
    const cv::Mat shown = live.Doc->GetDisplayFrame();
    const QSize frameSize(shown.cols, shown.rows);
    QVERIFY2(ProcessUntil([&live, frameSize] { return live.View->size() == frameSize; }),
             "the window was not fitted to the frame beside the panes");
    live.View->repaint();
    const QImage grab = GrabScreen(QStringLiteral("colours-%1.png").arg(size));
    const QPoint origin = live.View->mapToGlobal(QPoint(0, 0));
    const CColourSet& set = live.Doc->DisplaySet();
    std::set<uint32_t> drawnIn;
    int outlined = 0;
    for (const CTrackedMark& tracked : live.Doc->DisplayMarks()) {
        if (tracked.Lost > 0)
            continue;
        const CMark& m = tracked.Mark;
        const CColour& colour = set.Colours[m.Colour];
        const QRect box = QRect(QPoint(int(m.MinX), int(m.MinY)), QPoint(int(m.MaxX), int(m.MaxY)))
                              .translated(origin);
        const QString what = QStringLiteral("mark %1 of %2 at %3,%4")
                                 .arg(tracked.Id)
                                 .arg(QString::fromStdString(colour.Name))
                                 .arg(box.center().x())
                                 .arg(box.center().y());
        const int ring = CountNear(grab, box.adjusted(-2, -2, 2, 2), colour.DisplayColour, 0,
                                   box.adjusted(2, 2, -2, -2));
        QVERIFY2(ring >= 2 * (box.width() + box.height()), qPrintable(what + ": no outline"));
        QVERIFY2(DiscColoured(grab.pixel(box.center()), Learnt[m.Colour].Disc),
                 qPrintable(what + ": not around a disc of its colour"));
        QVERIFY2(HasTag(grab, box, colour.DisplayColour),
                 qPrintable(what + ": no identity beside it"));
        drawnIn.insert(colour.DisplayColour);
        ++outlined;
    }
    QCOMPARE(outlined, 6);
    QCOMPARE(drawnIn.size(), size_t(3));
}

void CColoursEndToEndTest::CheckMarksTable(CLive& live) {
    QTableWidget* table = Table(live, "markTable");
    QVERIFY(table && table->isVisible());
    QVERIFY2(ProcessUntil([table] { return table->rowCount() == 6; }, 2000),
             qPrintable(QStringLiteral("the table lists %1 marks").arg(table->rowCount())));
    std::multiset<QString> names, ids, seen;
    for (int row = 0; row < 6; ++row) {
        ids.insert(table->item(row, 0)->text());
        names.insert(table->item(row, 1)->text());
    }
    for (const CTrackedMark& m : live.Doc->DisplayMarks())
        seen.insert(QString::number(m.Id));
    QVERIFY(ids == seen);
    for (const CDiscColour& c : Learnt)
        QCOMPARE(names.count(QString::fromLatin1(c.Name)), size_t(2));
}

// A new run with nothing stored opens the file: the same set, and it finds the six discs.
void CColoursEndToEndTest::LoadAgain(const QString& source, const QString& file,
                                     const CColourSet& saved) {
    QSettings(QStringLiteral("Orda"), QStringLiteral("Quelta")).clear();
    CLive live(source);
    QVERIFY2(live.Camera, "the test camera did not start");
    QCOMPARE(live.H.App.Colours.Count(), 1);
    live.H.Fake->NextFileName = file;
    live.Frame->Action(Cmd::FileOpen)->trigger();
    QVERIFY(live.H.Fake->Messages.empty());
    const CColourSet loaded = live.H.App.Colours.Set();
    QCOMPARE(loaded.Colours.size(), saved.Colours.size());
    for (std::size_t c = 0; c < saved.Colours.size(); ++c) {
        QCOMPARE(loaded.Colours[c].Name, saved.Colours[c].Name);
        QCOMPARE(loaded.Colours[c].DisplayColour, saved.Colours[c].DisplayColour);
        for (const CLimitField& field : LimitFields)
            QCOMPARE(field.Get(loaded.Colours[c].Limits), field.Get(saved.Colours[c].Limits));
    }
    QVERIFY2(RestartScene(live), "the scene did not start again from frame 0 within 10 s");
    QVERIFY2(ProcessUntil(
                 [&live] {
                     return live.SeenMarks("vermell") == 2 && live.SeenMarks("verd") == 2 &&
                            live.SeenMarks("blau") == 2;
                 },
                 3000),
             "the loaded set does not find the six discs");
}

QUELTA_REGISTER_TEST(CColoursEndToEndTest);
#include "ColoursEndToEndTest.moc"
