#include "serial/qt_read_watch.h"
#include "serial/qt_serial_comm.h"
#include "tests/support/pty.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

std::function<QString(short)> MapTo(const QString& device) {
    return [device](short) { return device; };
}

QByteArray EveryByte(int copies) {
    QByteArray out;
    for (int i = 0; i < 256 * copies; ++i)
        out.append(char(i));
    return out;
}

qint64 CpuMs() { return qint64(std::clock()) * 1000 / CLOCKS_PER_SEC; }

} // namespace

class TestQtSerialComm : public QObject {
    Q_OBJECT

private slots:
    void transfersBytesExactly_data();
    void transfersBytesExactly();
    void refusesSettings_data();
    void refusesSettings();
    void changesSettingsOfOpenPort();
    void handshaking_data();
    void handshaking();
    void reportsDeviceThatCannotOpen_data();
    void reportsDeviceThatCannotOpen();
    void refusesSecondOpen();
    void reopeningDiscardsStaleInput();
    void pacedSmallArrivalsAllArrive();
    void qtReadWatchHolds();
    void reportsLostDeviceOnce_data();
    void reportsLostDeviceOnce();
    void receiveThresholdGatesEvents();
    void modemLinesOnPseudoTerminalAreHarmless();
    void waitsSleep();
    void discardsAndSurvivesStalledOutput();
};

void TestQtSerialComm::transfersBytesExactly_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("baud");
    QTest::newRow("1200 8N1") << "1200,N,8,1" << 1200;
    QTest::newRow("14400 custom") << "14400,N,8,1" << 14400;
    QTest::newRow("12800 two stop bits") << "12800,N,8,2" << 12800;
    QTest::newRow("115200") << "115200,N,8,1" << 115200;
}

void TestQtSerialComm::transfersBytesExactly() {
    QFETCH(QString, settings);
    QFETCH(int, baud);
    CPty pty;
    QVERIFY(!pty.path.isEmpty());
    CQtSerialComm comm(MapTo(pty.path));
    QByteArray received;
    QList<short> events;
    connect(&comm, &CMSComm::OnComm, this, [&] {
        events << comm.GetCommEvent();
        received += comm.GetInput();
    });
    comm.SetSettings(settings);
    comm.SetRThreshold(1);
    QVERIFY_THROWS_NO_EXCEPTION(comm.SetPortOpen(true));
    QVERIFY(comm.GetPortOpen());
#ifdef Q_OS_LINUX
    QCOMPARE(pty.SlaveSpeed(), baud);
#else
    Q_UNUSED(baud);
#endif

    const QByteArray bytes = EveryByte(16);
    pty.Write(bytes);
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), bytes.size(), 10000);
    QCOMPARE(received, bytes);
    QVERIFY(!events.isEmpty());
    QVERIFY(std::all_of(events.begin(), events.end(), [](short e) { return e == CMSComm::comEvReceive; }));

    // Senders poll the count without returning to the event loop; the count alone must get it out.
    comm.SetOutput(bytes);
    for (int i = 0; i < 100000 && comm.GetOutBufferCount() > 0; ++i) {
    }
    QCOMPARE(comm.GetOutBufferCount(), 0);
    QByteArray sent;
    for (int i = 0; i < 100 && sent.size() < bytes.size(); ++i)
        sent += pty.ReadSome(100);
    QCOMPARE(sent, bytes);
}

void TestQtSerialComm::refusesSettings_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("reason");
    QTest::newRow("4 data bits") << "9600,N,4,1" << "4 data bits are not supported";
    QTest::newRow("1.5 stop bits") << "9600,N,8,1.5" << "1.5 stop bits are not supported";
    QTest::newRow("three fields") << "9600,N,8" << "Invalid settings";
    QTest::newRow("baud not a number") << "fast,N,8,1" << "Invalid settings";
    QTest::newRow("baud zero") << "0,N,8,1" << "Invalid settings";
    QTest::newRow("unknown parity") << "9600,X,8,1" << "Invalid settings";
    QTest::newRow("9 data bits") << "9600,N,9,1" << "Invalid settings";
    // A pseudo-terminal takes these without complaint and stays at 8N1.
    QTest::newRow("even parity on pty") << "9600,E,8,1" << "cannot use even parity";
    QTest::newRow("mark parity on pty") << "9600,M,8,1" << "cannot use mark parity";
    QTest::newRow("7 data bits on pty") << "9600,N,7,1" << "cannot use 7 data bits";
}

void TestQtSerialComm::refusesSettings() {
    QFETCH(QString, settings);
    QFETCH(QString, reason);
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetSettings(settings);   // recorded only while closed
    QCOMPARE(comm.GetSettings(), settings);
    QVERIFY_THROWS_EXCEPTION(CCommError, comm.SetPortOpen(true));
    QVERIFY(!comm.GetPortOpen());
    QVERIFY2(comm.LastErrorText().startsWith(pty.path + QStringLiteral(": ")), qPrintable(comm.LastErrorText()));
    QVERIFY2(comm.LastErrorText().contains(reason), qPrintable(comm.LastErrorText()));

    // Nothing of the failed open is left behind (descriptor, lock).
    comm.SetSettings(QStringLiteral("9600,N,8,1"));
    QVERIFY_THROWS_NO_EXCEPTION(comm.SetPortOpen(true));
    QVERIFY(comm.LastErrorText().isEmpty());
}

void TestQtSerialComm::changesSettingsOfOpenPort() {
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetPortOpen(true);
    comm.SetSettings(QStringLiteral("19200,N,8,2"));
    const termios tio = pty.SlaveTermios();
    QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
    QVERIFY(pty.SlaveTermios().c_cflag & CSTOPB);

    QVERIFY_THROWS_EXCEPTION(CCommError, comm.SetSettings(QStringLiteral("19200,E,8,1")));
    QVERIFY_THROWS_EXCEPTION(CCommError, comm.SetHandshaking(4));
    QVERIFY(comm.GetPortOpen());
    QCOMPARE(comm.GetSettings(), QStringLiteral("19200,N,8,2"));
    QCOMPARE(comm.GetHandshaking(), int(CMSComm::comNone));
    QVERIFY(pty.SlaveTermios().c_cflag & CSTOPB);
    pty.Write("still here");
    QVERIFY(comm.WaitForInput(5000));
}

void TestQtSerialComm::handshaking_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("whileOpen");
    QTest::addColumn<bool>("rtsCts");
    QTest::addColumn<bool>("xonXoff");
    const struct { int mode; bool rtsCts, xonXoff; } modes[] = {{0, false, false}, {1, false, true}, {2, true, false}, {3, true, true}};
    for (const auto& m : modes)
        for (bool whileOpen : {false, true})
            QTest::addRow("%d %s", m.mode, whileOpen ? "while open" : "before open") << m.mode << whileOpen << m.rtsCts << m.xonXoff;
}

void TestQtSerialComm::handshaking() {
    QFETCH(int, mode);
    QFETCH(bool, whileOpen);
    QFETCH(bool, rtsCts);
    QFETCH(bool, xonXoff);
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetHandshaking(whileOpen ? 3 - mode : mode);
    comm.SetPortOpen(true);
    if (whileOpen)
        comm.SetHandshaking(mode);
    const termios tio = pty.SlaveTermios();
    QCOMPARE(bool(tio.c_cflag & CRTSCTS), rtsCts);
    QCOMPARE(tio.c_iflag & (IXON | IXOFF), xonXoff ? tcflag_t(IXON | IXOFF) : tcflag_t(0));
}

void TestQtSerialComm::reportsDeviceThatCannotOpen_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("expectedStart");
    QTest::addColumn<QString>("reason");
    static QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyUSB9"));
    QTest::newRow("missing") << missing << missing + QStringLiteral(": ") << "No such file or directory";
    QTest::newRow("unmapped") << QString() << "Com3: " << "No device";
}

void TestQtSerialComm::reportsDeviceThatCannotOpen() {
    QFETCH(QString, device);
    QFETCH(QString, expectedStart);
    QFETCH(QString, reason);
    CQtSerialComm comm(MapTo(device));
    comm.SetCommPort(3);
    QCOMPARE(comm.DeviceName(), device);
    QVERIFY_THROWS_EXCEPTION(CCommError, comm.SetPortOpen(true));
    QVERIFY(!comm.GetPortOpen());
    QVERIFY2(comm.LastErrorText().startsWith(expectedStart) && comm.LastErrorText().contains(reason),
             qPrintable(comm.LastErrorText()));
}

void TestQtSerialComm::refusesSecondOpen() {
    CPty pty;
    CQtSerialComm first(MapTo(pty.path));
    CQtSerialComm second(MapTo(pty.path));
    first.SetPortOpen(true);
    QVERIFY_THROWS_EXCEPTION(CCommError, second.SetPortOpen(true));
    QVERIFY(!second.GetPortOpen());
    QVERIFY2(second.LastErrorText() == pty.path + QStringLiteral(": Device is already in use"), qPrintable(second.LastErrorText()));

    pty.Write("ok");
    QVERIFY(first.WaitForInput(5000));
    first.SetPortOpen(false);
    QVERIFY_THROWS_NO_EXCEPTION(second.SetPortOpen(true));
}

void TestQtSerialComm::reopeningDiscardsStaleInput() {
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetSettings(QStringLiteral("9600,N,8,1"));
    comm.SetPortOpen(true);
    comm.SetPortOpen(false);
    pty.Write("stale\n"); // the line is back in canonical mode while closed: a whole line polls readable
    QVERIFY(pty.SlaveHasInput(5000));
    comm.SetInBufferCount(0); // ignored while closed, as the window writes it before opening
    comm.SetPortOpen(true);
    pty.Write("fresh");
    QByteArray received;
    for (int i = 0; i < 50 && received.size() < 5; ++i) {
        comm.WaitForInput(100);
        received += comm.GetInput();
    }
    QCOMPARE(received, QByteArray("fresh"));
}

void TestQtSerialComm::pacedSmallArrivalsAllArrive() {
    // Small arrivals pause the watch on the port for a moment; whatever happens meanwhile (more
    // bytes, events switched off and on by a card exchange), every byte comes, in order, and the
    // port is watched again afterwards.
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    QByteArray received;
    connect(&comm, &CMSComm::OnComm, this, [&] {
        if (comm.GetCommEvent() == CMSComm::comEvReceive)
            received += comm.GetInput();
    });
    comm.SetSettings(QStringLiteral("115200,N,8,1"));
    comm.SetRThreshold(1);
    comm.SetPortOpen(true);
    QByteArray sent;
    for (int round = 0; round < 20; ++round) {
        const QByteArray piece = QByteArray::number(round) + ',';
        sent += piece;
        pty.Write(piece);
        QTRY_COMPARE_WITH_TIMEOUT(received, sent, 5000);
        if (round % 5 == 2) { // inside the pause that arrival started
            comm.SetRThreshold(0);
            comm.SetRThreshold(1);
        }
    }
    pty.Write("end");
    QTRY_COMPARE_WITH_TIMEOUT(received, sent + "end", 5000);
}

void TestQtSerialComm::qtReadWatchHolds() {
    // Pacing and the recovery from a failed read rest on how QSerialPort waits for input; should Qt
    // change it, this fails instead of pacing quietly stopping.
    CPty pty;
    QSerialPort port(pty.path);
    QVERIFY(port.open(QIODevice::ReadWrite));
    CQtReadWatch watch;
    watch.Attach(port);
    QVERIFY(watch.Attached());
    QSignalSpy ready(&port, &QSerialPort::readyRead);
    watch.SetWatching(false);
    pty.Write("a");
    QVERIFY(pty.SlaveHasInput(5000));
    QTest::qWait(50);
    QCOMPARE(ready.count(), 0);
    CQtReadWatch::Rearm(port);
    QVERIFY(ready.wait(5000));
    QCOMPARE(port.readAll(), QByteArray("a"));
}

void TestQtSerialComm::reportsLostDeviceOnce_data() {
    QTest::addColumn<QString>("noticedBy");
    for (const char* by : {"event loop", "WaitForInput", "InBufferCount", "Output"})
        QTest::newRow(by) << QString::fromLatin1(by);
}

void TestQtSerialComm::reportsLostDeviceOnce() {
    QFETCH(QString, noticedBy);
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetRThreshold(1);
    comm.SetPortOpen(true);
    QSignalSpy spy(&comm, &CMSComm::OnComm);
    pty.CloseMaster();

    QElapsedTimer clock;
    clock.start();
    if (noticedBy != QLatin1String("event loop")) {
        if (noticedBy == QLatin1String("WaitForInput"))
            QVERIFY(!comm.WaitForInput(10000));
        else if (noticedBy == QLatin1String("InBufferCount"))
            QCOMPARE(comm.GetInBufferCount(), 0);
        else
            comm.SetOutput("x");
        // Known at once, without help from the event loop.
        QVERIFY(!comm.GetPortOpen());
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(spy.count(), 0);
    }
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(comm.GetCommEvent(), short(CMSComm::comEventDeviceLost));
    QVERIFY(!comm.GetPortOpen());
    QVERIFY2(comm.LastErrorText().startsWith(pty.path + QStringLiteral(": ")), qPrintable(comm.LastErrorText()));

    // Nothing blocks on the dead port.
    clock.restart();
    QVERIFY(!comm.WaitForInput(5000));
    comm.SetOutput("late");
    QVERIFY(comm.WaitForOutput(5000));
    QCOMPARE(comm.GetOutBufferCount(), 0);
    QVERIFY(clock.elapsed() < 2000);
    QTest::qWait(200);
    QCOMPARE(spy.count(), 1);
}

void TestQtSerialComm::receiveThresholdGatesEvents() {
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetRThreshold(1);
    comm.SetPortOpen(true);
    comm.SetRThreshold(0);
    QSignalSpy spy(&comm, &CMSComm::OnComm);
    pty.Write("abc");
    QTRY_COMPARE(comm.GetInBufferCount(), 3);
    QTest::qWait(100);
    QCOMPARE(spy.count(), 0);

    comm.SetRThreshold(1);
    QCOMPARE(spy.count(), 0);   // announced from the event loop, not from inside the call
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(comm.GetCommEvent(), short(CMSComm::comEvReceive));
    QCOMPARE(comm.GetInput(), QByteArray("abc"));

    comm.SetRThreshold(0);
    comm.SetRThreshold(1);   // nothing waiting: nothing to announce
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
}

void TestQtSerialComm::modemLinesOnPseudoTerminalAreHarmless() {
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetDTREnable(true);
    comm.SetRTSEnable(true);
    QVERIFY_THROWS_NO_EXCEPTION(comm.SetPortOpen(true));
    QSignalSpy spy(&comm, &CMSComm::OnComm);
    comm.SetDTREnable(false);
    comm.SetDTREnable(true);
    comm.SetRTSEnable(false);
    comm.SetBreak(true);
    comm.SetBreak(false);
    QVERIFY(!comm.GetCTSHolding());
    QVERIFY(!comm.GetDSRHolding());
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
    QVERIFY(comm.GetPortOpen());
    QVERIFY(comm.LastErrorText().isEmpty());

    comm.SetPortOpen(false);
    comm.SetPortOpen(true);
    QVERIFY(comm.GetDTREnable());
    QVERIFY(!comm.GetRTSEnable());
    pty.Write("x");
    QVERIFY(comm.WaitForInput(5000));
}

void TestQtSerialComm::waitsSleep() {
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetPortOpen(true);
    QElapsedTimer clock;
    clock.start();
    const qint64 cpu = CpuMs();
    QVERIFY(!comm.WaitForInput(300));
    QVERIFY(clock.elapsed() >= 290);
    QVERIFY2(CpuMs() - cpu < 150, "WaitForInput spins");

    std::thread writer([&pty] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.Write("z");
    });
    clock.restart();
    const bool arrived = comm.WaitForInput(10000);
    writer.join();
    QVERIFY(arrived);
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(comm.GetInput(), QByteArray("z"));
}

void TestQtSerialComm::discardsAndSurvivesStalledOutput() {
    CPty pty;
    CQtSerialComm comm(MapTo(pty.path));
    comm.SetPortOpen(true);
    pty.Write(QByteArray(4000, 'i'));
    QTRY_COMPARE(comm.GetInBufferCount(), 4000);
    comm.SetInBufferCount(0);
    QCOMPARE(comm.GetInBufferCount(), 0);
    QVERIFY(comm.GetInput().isEmpty());

    // Nobody reads the far end: the output stalls, and the wait gives up after its time without spinning.
    const QByteArray big = EveryByte(4096);
    comm.SetOutput(big);
    QVERIFY(comm.GetOutBufferCount() > 0);
    const qint64 cpu = CpuMs();
    QVERIFY(!comm.WaitForOutput(300));
    QVERIFY2(CpuMs() - cpu < 150, "WaitForOutput spins");
    comm.SetOutBufferCount(0);
    QCOMPARE(comm.GetOutBufferCount(), 0);
    while (!pty.ReadSome(50).isEmpty()) {
    }

    // Once the far end reads, a megabyte goes through whole.
    comm.SetOutput(big);
    QByteArray sent;
    for (int i = 0; i < 2000 && sent.size() < big.size(); ++i) {
        comm.WaitForOutput(10);
        sent += pty.ReadSome(10);
    }
    QCOMPARE(sent.size(), big.size());
    QVERIFY(sent == big);
    QVERIFY(comm.WaitForOutput(1000));
}

QTEST_GUILESS_MAIN(TestQtSerialComm)
#include "tst_qt_serial_comm.moc"
