// The session log on its own: both formats byte for byte, whole under small pieces and a flood, and
// every way its file can fail it.
#include "terminal/session_log.h"
#include "tests/support/fake_clock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class TestSessionLog : public QObject {
    Q_OBJECT

private slots:
    void init() {
        clock.SetLocal(QDateTime(QDate(2026, 12, 7), QTime(18, 5, 1, 123)));
        path = dir.filePath(QStringLiteral("session"));
        QFile::remove(path);
    }
    void formats_data();
    void formats();
    void piecesAndFloodArriveWhole();
    void faultStopsTheLogOnce_data();
    void faultStopsTheLogOnce();
    void fifoReadLateGetsEverythingOneThatStaysFullStops();

private:
    static void Receive(CSessionLog& log, const QByteArray& bytes) {
        log.Received(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    }
    QByteArray Content() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    QTemporaryDir dir;
    QString path;
    CFakeClock clock;
};

void TestSessionLog::formats_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("written");
    const QByteArray header = "# Serimo 2.1 log started 2026-12-07 18:05:01 on Com1 (/dev/ttyUSB0) 115200,N,8,1\r\n";
    const QByteArray stamp = "2026-12-07 18:05:01.123 ";
    QTest::newRow("text") << int(LogFormat::Text) << QByteArray("hello\r\n") << QByteArray()
                          << header + stamp + "RX 68 65 6C 6C 6F 0D 0A  hello..\r\n";
    QTest::newRow("text, 33 bytes sent") << int(LogFormat::Text) << QByteArray() << QByteArray("0123456789ABCDEFGHIJKLMNOPQRSTUVW")
        << header + stamp + "TX 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 "
                            "53 54 55 56  0123456789ABCDEFGHIJKLMNOPQRSTUV\r\n" + stamp + "TX 57  W\r\n";
    QTest::newRow("raw holds only what came in") << int(LogFormat::Raw) << QByteArray("\x00\xFF\r\n", 4) << QByteArray("sent")
                                                  << QByteArray("\x00\xFF\r\n", 4);
}

void TestSessionLog::formats() {
    QFETCH(int, format);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, written);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("before\n") == 7);
    }
    CSessionLog log(clock);
    QVERIFY(log.Start(path, LogFormat(format), QStringLiteral("Com1 (/dev/ttyUSB0) 115200,N,8,1"), nullptr));
    Receive(log, received);
    log.Sent(reinterpret_cast<const std::uint8_t*>(sent.constData()), std::size_t(sent.size()));
    QVERIFY(log.Stop().isEmpty());
    QCOMPARE(Content(), "before\n" + written);
}

void TestSessionLog::piecesAndFloodArriveWhole() {
    QByteArray all;
    for (int i = 0; i < 9 * 1024 * 1024; ++i)
        all += char(i * 7 + i / 251);
    CSessionLog log(clock);
    QVERIFY(log.Start(path, LogFormat::Raw, QString(), nullptr));
    qsizetype at = 0;
    for (int k = 0; at < 40000; at += k % 7 + 1, ++k)
        Receive(log, all.mid(at, k % 7 + 1));
    for (; at < all.size(); at += 65536)
        Receive(log, all.mid(at, 65536));
    QVERIFY(log.IsRunning());
    QVERIFY(log.Stop().isEmpty());
    QVERIFY(Content() == all);
}

void TestSessionLog::faultStopsTheLogOnce_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << "full" << QString::fromLocal8Bit(strerror(EFBIG));
    QTest::newRow("file removed") << "remove" << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("made unwritable") << "chmod" << QString::fromLocal8Bit(strerror(EACCES));
}

void TestSessionLog::faultStopsTheLogOnce() {
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    if (fault == "chmod" && geteuid() == 0)
        QSKIP("root may write any file");
    CSessionLog log(clock);
    QSignalSpy failed(&log, &CSessionLog::Failed);
    QVERIFY(log.Start(path, LogFormat::Raw, QString(), nullptr));
    Receive(log, "kept");
    QTRY_COMPARE(Content(), QByteArray("kept"));
    rlimit saved{};
    if (fault == "full") {
        // Writing past 4 KiB fails as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        Receive(log, QByteArray(8192, 'x'));
    } else if (fault == "remove") {
        QVERIFY(QFile::remove(path));
    } else {
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 5000);
    if (fault == "full")
        QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
    QCOMPARE(failed.first().first().toString(), reason);
    QVERIFY(!log.IsRunning());
    Receive(log, "more");
    log.Check();
    QCOMPARE(failed.size(), 1);
    if (fault != "remove")
        QCOMPARE(Content(), "kept" + QByteArray(fault == "full" ? 4092 : 0, 'x'));
}

void TestSessionLog::fifoReadLateGetsEverythingOneThatStaysFullStops() {
    QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const int capacity = ::fcntl(reader, F_GETPIPE_SZ);
    CSessionLog log(clock);
    QSignalSpy failed(&log, &CSessionLog::Failed);
    QVERIFY(log.Start(path, LogFormat::Raw, QString(), nullptr));
    QByteArray sent;
    for (int i = 0; i < 1024 * 1024; ++i)
        sent += char(i % 253);
    Receive(log, sent);
    int queued = 0;
    QTRY_COMPARE((::ioctl(reader, FIONREAD, &queued), queued), capacity);
    // Nobody reads for nearly the whole patience: the log waits, holding everything.
    log.Check();
    clock.Advance(CSessionLog::kStallMs - 1);
    log.Check();
    QVERIFY(log.IsRunning());
    QByteArray got;
    char buf[65536];
    for (QDeadlineTimer deadline(10000); got.size() < sent.size() && !deadline.hasExpired();) {
        const ssize_t n = ::read(reader, buf, sizeof buf);
        if (n > 0)
            got.append(buf, n);
        else
            QTest::qWait(5);
    }
    QVERIFY(got == sent);

    // Then a reader that takes nothing any more. The writer may be seen taking its last step once.
    Receive(log, sent);
    QTRY_COMPARE((::ioctl(reader, FIONREAD, &queued), queued), capacity);
    for (int i = 0; i < 3 && log.IsRunning(); ++i) {
        clock.Advance(CSessionLog::kStallMs);
        log.Check();
    }
    QCOMPARE(failed.size(), 1);
    QVERIFY(!log.IsRunning());
    ::close(reader);
}

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_session_log.moc"
