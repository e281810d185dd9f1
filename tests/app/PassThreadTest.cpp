// The document's pass thread: no job is lost, and none outlives the thread.
#include "PassThread.h"
#include "Helpers.h"
#include "TestRegistry.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <atomic>

namespace {
constexpr auto JobDone = QEvent::Type(QEvent::User + 40);

// Starts the next job from its handler of the last one's end, as the document does when a
// frame is waiting.
class CChain : public QObject {
    Q_OBJECT
public:
    bool event(QEvent* event) override {
        if (event->type() != JobDone)
            return QObject::event(event);
        if (++Ended < Wanted)
            Thread->Start();
        else
            emit AllEnded();
        return true;
    }
    CPassThread* Thread = nullptr;
    int Ended = 0;
    int Wanted = 0;

signals:
    void AllEnded();
};
}  // namespace

class CPassThreadTest : public QObject {
    Q_OBJECT
private slots:
    void startFromTheEndOfTheLastJobIsNeverLost();
    void endingWaitsForTheJobAskedFor();
};

void CPassThreadTest::startFromTheEndOfTheLastJobIsNeverLost() {
    CChain chain;
    std::atomic<int> runs{0};
    CPassThread thread([&runs] { ++runs; }, &chain, JobDone);
    chain.Thread = &thread;
    chain.Wanted = 3000;
    // A waiting event loop, woken by each post at once as the program's is.
    QEventLoop loop;
    connect(&chain, &CChain::AllEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    thread.Start();
    loop.exec();
    QVERIFY2(chain.Ended == chain.Wanted,
             qPrintable(QStringLiteral("waited 30 s for 3000 jobs; %1 ended, thread %2")
                            .arg(chain.Ended)
                            .arg(thread.Busy() ? "busy" : "idle")));
    QCOMPARE(runs.load(), chain.Wanted);
}

void CPassThreadTest::endingWaitsForTheJobAskedFor() {
    QObject receiver;
    std::atomic<bool> done{false};
    {
        CPassThread thread(
            [&done] {
                QThread::msleep(50);
                done = true;
            },
            &receiver, JobDone);
        thread.Start();
    }
    QVERIFY(done);
    QCoreApplication::removePostedEvents(&receiver, JobDone);
}

QUELTA_REGISTER_TEST(CPassThreadTest);
#include "PassThreadTest.moc"
