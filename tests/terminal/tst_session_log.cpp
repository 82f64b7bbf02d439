// The session log on its own: both formats byte for byte, whole under small pieces and a flood, and
// the ways its file can fail it.
#include "terminal/session_log.h"
#include "tests/support/fake_clock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    void faultStopsTheLogOnce_data();
    void faultStopsTheLogOnce();
    void fifoReadLateGetsEverythingOneThatStaysFullStops();

private:
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
    const QByteArray header =
        "# Serimo " SERIMO_VERSION " log started 2026-12-07 18:05:01 on Com1 (/dev/ttyUSB0) 115200,N,8,1\r\n";
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
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("before\n") == 7 && old.flush());
    CSessionLog log(clock);
    QVERIFY(log.Start(path, LogFormat(format), QStringLiteral("Com1 (/dev/ttyUSB0) 115200,N,8,1"), nullptr));
    log.Received(received);
    log.Sent(sent);
    QVERIFY(log.Stop().isEmpty());
    QCOMPARE(Content(), "before\n" + written);
}

void TestSessionLog::faultStopsTheLogOnce_data() {
    QTest::addColumn<bool>("diskFull"); // else the file is removed
    QTest::newRow("disk full") << true;
    QTest::newRow("file removed") << false;
}

void TestSessionLog::faultStopsTheLogOnce() {
#ifndef Q_OS_UNIX
    QSKIP("needs setrlimit(RLIMIT_FSIZE) to fill the disk, and an open file that can be removed");
#else
    QFETCH(bool, diskFull);
    CSessionLog log(clock);
    QSignalSpy failed(&log, &CSessionLog::Failed);
    QVERIFY(log.Start(path, LogFormat::Raw, QString(), nullptr));
    log.Received("kept");
    QTRY_COMPARE(Content(), QByteArray("kept"));
    // Writing past 4 KiB fails as on a full disk.
    rlimit saved{}, small{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    small = saved;
    small.rlim_cur = 4096;
    std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(diskFull ? setrlimit(RLIMIT_FSIZE, &small) == 0 : QFile::remove(path));
    log.Received(QByteArray(8192, 'x'));
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 5000);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
    QCOMPARE(failed.first().first().toString(), QString::fromLocal8Bit(strerror(diskFull ? EFBIG : ENOENT)));
    QVERIFY(!log.IsRunning());
    log.Received("more");
    log.Check();
    QCOMPARE(failed.size(), 1);
    QCOMPARE(Content(), diskFull ? "kept" + QByteArray(4092, 'x') : QByteArray("(missing)"));
#endif
}

// Small pieces and a flood reach a FIFO whole and in order, also when it is read late; one that stays
// full stops the log.
void TestSessionLog::fifoReadLateGetsEverythingOneThatStaysFullStops() {
#ifndef Q_OS_UNIX
    QSKIP("needs mkfifo: Windows has no named FIFOs in the file system");
#else
    QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    CSessionLog log(clock);
    QSignalSpy failed(&log, &CSessionLog::Failed);
    QVERIFY(log.Start(path, LogFormat::Raw, QString(), nullptr));
    QByteArray sent;
    for (int i = 0; i < 9 * 1024 * 1024; ++i)
        sent += char(i * 7 + i / 251);
    qsizetype at = 0;
    for (int k = 0; at < 40000; at += k % 7 + 1, ++k)
        log.Received(sent.mid(at, k % 7 + 1));
    for (; at < sent.size(); at += 65536)
        log.Received(sent.mid(at, 65536));
    int queued = 0;
    QTRY_VERIFY((::ioctl(reader, FIONREAD, &queued), queued > 0));
    log.Check();
    clock.Advance(CSessionLog::kStallMs - 1);
    log.Check();
    QVERIFY(log.IsRunning());
    QByteArray got(sent.size(), 0);
    at = sent.size();
    ssize_t n = 0;
    for (QDeadlineTimer deadline(20000); at > 0 && !deadline.hasExpired(); QTest::qWait(n > 0 ? 0 : 5)) {
        n = ::read(reader, got.data() + got.size() - at, std::size_t(at));
        at -= std::max<ssize_t>(n, 0);
    }
    QVERIFY(got == sent);

    // Then nobody reads any more: once the pipe is full, the next look finds nothing written.
    log.Received(sent);
    QTRY_VERIFY((clock.Advance(CSessionLog::kStallMs), log.Check(), !log.IsRunning()));
    QCOMPARE(failed.size(), 1);
    ::close(reader);
#endif
}

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_session_log.moc"
