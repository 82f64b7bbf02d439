// The program itself on the simulated card: --device names the card for this run, ahead of the
// profile's mapping and the saved port, and the screenshot tour gets both card windows from it.
#include "tests/support/card_sim_thread.h"
#include "tests/support/pty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void deviceOpensAsCom1AndLeavesTheProfileAlone();
    void logFromTheCommandLine();
    void quitDuringASilentCardsWait();
};

void TestProgram::deviceOpensAsCom1AndLeavesTheProfileAlone() {
    CPty pty;
    QVERIFY(!pty.path.isEmpty());
    CCardSimThread card(pty.MasterFd(), CardSimFault::None);
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing");
    // Saved: Com3 chosen, and Com1 a device that is not there.
    const QByteArray profile = "[Com Port]\r\nComPort=2\r\n[Devices]\r\nCom1=" + missing.toLocal8Bit() + "\r\n";
    {
        QFile f(dir.filePath("serimo.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(profile);
    }
    QVERIFY(QDir(dir.path()).mkdir("shots"));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("SERIMO_SCREENSHOT_DIR", dir.filePath("shots"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(SERIMO_PATH, {"--device", pty.path, "--device", "Com2=" + missing, "--device", "Com3=" + missing,
                                "--device", "Com4=" + missing});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // The status window and the configuration dialog open only on the card's answers.
    for (const char* shot : {"card-status.png", "card-config.png", "main-window.png"})
        QVERIFY2(QFile(dir.filePath(QStringLiteral("shots/") + shot)).size() > 0, shot);
    QVERIFY(card.Requests() >= 2);
    QFile f(dir.filePath("serimo.ini"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), profile);
}

// Unattended: the log is on disk while the program runs, in the format asked for whatever its name,
// and a kill ends the program cleanly.
void TestProgram::logFromTheCommandLine() {
    CPty pty;
    QTemporaryDir dir;
    const QString log = dir.filePath("night.txt");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.path());
    program.setProcessEnvironment(env);
    program.start(SERIMO_PATH, {"--device", pty.path, "--log", log, "--log-format", "raw"});
    // The log starts once the port is open.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 30000);
    pty.Write(QByteArray("night\r\n\x00\xFF", 9));
    QFile file(log);
    QTRY_COMPARE_WITH_TIMEOUT((file.close(), file.open(QIODevice::ReadOnly), file.readAll()), QByteArray("night\r\n\x00\xFF", 9), 5000);
    // Ended from outside as an unattended run is: the window closes as with its close box.
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

// Ended from outside while a silent card is waited for: the wait ends at once, no box opens, and the
// program ends with status 0, its settings as they were and its log whole.
void TestProgram::quitDuringASilentCardsWait() {
    CPty pty;
    CCardSimThread card(pty.MasterFd(), CardSimFault::Silent);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("shots"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("SERIMO_SCREENSHOT_DIR", dir.filePath("shots")); // presses 读卡状态 by itself
    program.setProcessEnvironment(env);
    program.start(SERIMO_PATH, {"--device", pty.path, "--log", dir.filePath("night.log")});
    QTRY_VERIFY_WITH_TIMEOUT(card.Requests() == 1, 30000);
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    program.terminate();
    QVERIFY(program.waitForFinished(20000));
    // Well inside the card's 8 s of silence, with room for a slow machine.
    QVERIFY2(sinceSignal.elapsed() < 5000, QByteArray::number(sinceSignal.elapsed()));
    QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
    QVERIFY(!QFile::exists(dir.filePath("serimo.ini")));
    QFile log(dir.filePath("night.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY2(text.startsWith("# Serimo ") && text.contains(" TX 05 30 30 ") && text.endsWith("\r\n"), text);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
