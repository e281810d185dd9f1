// The real player: which sound it starts, and that it always comes to an end.
#include "EffectSoundPlayer.h"
#include "SoundFiles.h"
#include "WavDuration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class CEffectPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void playableFileReplacedByDefault();
    void missingOrBrokenFileSilent_data();
    void missingOrBrokenFileSilent();
    void secondSoundStartsWhilePlaying();
    void wavLengthMisread();
    void installedSoundNotFoundFromOtherFolder();

private:
    QUrl StartedSource(CEffectSoundPlayer& player, const QString& path);
    QTemporaryDir Folder;
    QString OldCwd;
};

void CEffectPlayerTest::init() {
    // Relative names are taken from the working directory, as typed.
    OldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Folder.path()));
}

void CEffectPlayerTest::cleanup() { QDir::setCurrent(OldCwd); }

QUrl CEffectPlayerTest::StartedSource(CEffectSoundPlayer& player, const QString& path) {
    QSignalSpy started(&player, &CEffectSoundPlayer::Started);
    QSignalSpy finished(&player, &CSoundPlayer::Finished);
    player.Play(path);
    [&] { QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000); }();
    if (started.size() != 1 || player.IsPlaying())
        return QUrl("test:nothing-or-twice-started");
    return started[0][0].toUrl();
}

void CEffectPlayerTest::playableFileReplacedByDefault() {
    QVERIFY(QFile::copy(":/alarm/alarma.wav", "xiulet.wav"));
    CEffectSoundPlayer player;
    QCOMPARE(StartedSource(player, "xiulet.wav"),
             QUrl::fromLocalFile(QDir(Folder.path()).absoluteFilePath("xiulet.wav")));
    // The same name again is played again, not remembered as done.
    QCOMPARE(StartedSource(player, "xiulet.wav"),
             QUrl::fromLocalFile(QDir(Folder.path()).absoluteFilePath("xiulet.wav")));
}

void CEffectPlayerTest::missingOrBrokenFileSilent_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << "no-such-file.wav" << QByteArray();
    QTest::newRow("empty text") << "" << QByteArray();
    QTest::newRow("not a wav") << "fals.wav" << QByteArray("RIFF, but not really a sound");
    QTest::newRow("a folder") << "." << QByteArray();
}

void CEffectPlayerTest::missingOrBrokenFileSilent() {
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    CEffectSoundPlayer player;
    QCOMPARE(StartedSource(player, path), CEffectSoundPlayer::DefaultSound());
}

void CEffectPlayerTest::secondSoundStartsWhilePlaying() {
    CEffectSoundPlayer player;
    QSignalSpy started(&player, &CEffectSoundPlayer::Started);
    QSignalSpy finished(&player, &CSoundPlayer::Finished);
    player.Play("no-such-file.wav");
    QVERIFY(player.IsPlaying());
    player.Play("other.wav");
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QCOMPARE(started.size(), 1);
}

namespace {
QByteArray Le32(quint32 v) {
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

// A PCM header with an odd-sized chunk before "data": 8000 bytes a second, `data` bytes.
QByteArray WavBytes(quint32 data) {
    QByteArray fmt =
        QByteArray::fromHex("01000100401f0000401f000001000800");  // PCM, mono, 8 kHz, 8 bit
    QByteArray body = "WAVE" + ("fmt " + Le32(fmt.size()) + fmt) +
                      ("LIST" + Le32(3) + "abc" + '\0') +
                      ("data" + Le32(data) + QByteArray(int(data), '\x80'));
    return "RIFF" + Le32(body.size()) + body;
}
}  // namespace

void CEffectPlayerTest::wavLengthMisread() {
    // 8818 samples at 22050 Hz.
    QCOMPARE(WavDurationMs(":/alarm/alarma.wav"), std::optional<int>(399));
    const auto write = [](const QString& name, const QByteArray& bytes) {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(write("odd.wav", WavBytes(12000)));
    QCOMPARE(WavDurationMs("odd.wav"), std::optional<int>(1500));
    QVERIFY(write("cut.wav", WavBytes(12000).left(40)));
    QCOMPARE(WavDurationMs("cut.wav"), std::nullopt);
    QVERIFY(write("text.wav", "just some text, long enough to hold a header"));
    QCOMPARE(WavDurationMs("text.wav"), std::nullopt);
    QCOMPARE(WavDurationMs("absent.wav"), std::nullopt);
}

void CEffectPlayerTest::installedSoundNotFoundFromOtherFolder() {
    // The build tree: the copy beside the program.
    CEffectSoundPlayer inTree(SoundFolders(ALARM_PROGRAM_DIR));
    QCOMPARE(StartedSource(inTree, "alarma.wav"),
             QUrl::fromLocalFile(ALARM_PROGRAM_DIR "/alarma.wav"));

    // The monitor's part of an install, into a prefix other than the configured one, looked up
    // from the test's own folder, which holds no sound.
#ifdef ALARM_TESTS_EMULATED
    // QProcess clones with CLONE_VM | CLONE_VFORK | CLONE_PIDFD, which qemu 7.2's user mode
    // refuses (EINVAL), so cmake --install cannot be started.
    QSKIP("QProcess cannot start a program under qemu's user-mode emulation");
#endif
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(ALARM_CMAKE, {"--install", ALARM_BUILD_DIR, "--component", "alarm", "--prefix",
                                prefix.path()});
    QVERIFY2(install.waitForFinished(120000),
             qPrintable("cmake --install did not end within 120 s: " + install.errorString()));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
    const QString bin = prefix.path() + "/bin";
    QVERIFY(QFileInfo(bin + "/alarma-quelta").isExecutable());
    QVERIFY2(!QFile::exists(bin + "/alarma.wav"), "the sound is data, not a program");
    CEffectSoundPlayer installed(SoundFolders(bin));
    QCOMPARE(StartedSource(installed, "alarma.wav"),
             QUrl::fromLocalFile(prefix.path() + "/share/quelta/alarma.wav"));

    // A file of that name in the start folder still comes first.
    QVERIFY(QFile::copy(":/alarm/alarma.wav", "alarma.wav"));
    QCOMPARE(StartedSource(installed, "alarma.wav"),
             QUrl::fromLocalFile(QDir(Folder.path()).absoluteFilePath("alarma.wav")));
    QVERIFY(QFile::remove("alarma.wav"));
}

std::unique_ptr<QObject> MakeEffectPlayerTest() { return std::make_unique<CEffectPlayerTest>(); }

#include "EffectPlayerTest.moc"
