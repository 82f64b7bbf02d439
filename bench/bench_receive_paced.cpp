// The receive path at a real line's rhythm: another process writes small pieces into a
// pseudo-terminal at a fixed pace (as a USB adapter delivers them, one piece per latency tick), the
// real window receives them with the display on. Prints the window's share of one core, the longest
// event-loop turn, and checks that the capture, RX and the receive area end exactly right.
//
//   bench_receive_paced [PIECE_BYTES PERIOD_US SECONDS HEX TEXT_LINES DISPLAY]
//   bench_receive_paced flood [BYTES]      8 MiB as fast as the line takes it, against a plain reader
//   bench_receive_paced log raw|text [PIECE_BYTES PERIOD_US SECONDS | flood [BYTES] | stall [MS]]
//                                          the same with a session log, against no log in the same run;
//                                          stall: 1 MB/s logged into a FIFO nobody reads for 3 s
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise (xvfb-run with QT_QPA_PLATFORM=xcb measures
// the X connection's share too).
#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "serial/clock.h"
#include "serial/port_devices.h"
#include "serial/qt_serial_comm.h"
#include "terminal/receive_display.h"
#include "terminal/rx_capture.h"
#include "tests/support/fake_prompts.h"
#include "tests/support/pty.h"

#include <QApplication>
#include <QTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

double CpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

QByteArray MakeData(qsizetype total, bool textLines) {
    QByteArray data(total, Qt::Uninitialized);
    for (qsizetype i = 0; i < total; ++i) {
        if (textLines)
            data[i] = (i % 60 == 58) ? '\r' : (i % 60 == 59) ? '\n' : char('A' + (i * 7 + i / 60) % 26);
        else
            data[i] = char((i * 131 + i / 4096) & 0xFF);
    }
    return data;
}

// Writes `data` into the master in pieces of `piece` bytes every `periodUs` (0: as fast as it goes),
// from a child process, so the window's process time is its own.
pid_t StartPump(int masterFd, const QByteArray& data, qsizetype piece, long periodUs) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (qsizetype done = 0; done < data.size();) {
        const qsizetype want = piece > 0 ? std::min(piece, data.size() - done) : data.size() - done;
        qsizetype sent = 0;
        while (sent < want) {
            const ssize_t n = ::write(masterFd, data.constData() + done + sent, size_t(want - sent));
            if (n > 0) {
                sent += n;
            } else {
                pollfd pfd{masterFd, POLLOUT, 0};
                ::poll(&pfd, 1, 100);
            }
        }
        done += sent;
        if (periodUs > 0) {
            next.tv_nsec += periodUs * 1000;
            while (next.tv_nsec >= 1000000000L) {
                next.tv_nsec -= 1000000000L;
                ++next.tv_sec;
            }
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
    }
    ::_exit(0);
}

// What `cat` does: read the slave in raw mode until `total` bytes came, paced like the window's run
// (or as fast as it goes). Gives MB/s and the reader's share of one core, the yardstick for both.
struct PlainReader {
    double mbPerSecond = 0;
    double coreShare = 0;
};
PlainReader PlainRead(qsizetype total, qsizetype piece, long periodUs, bool textLines) {
    CPty pty;
    const int slave = ::open(QFile::encodeName(pty.path).constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    const QByteArray data = MakeData(total, textLines);
    const double cpuStart = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const pid_t pump = StartPump(pty.MasterFd(), data, piece, periodUs);
    std::vector<char> buf(65536);
    qsizetype got = 0;
    while (got < total) {
        const ssize_t n = ::read(slave, buf.data(), buf.size());
        if (n <= 0)
            break;
        got += n;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpuStart;
    ::waitpid(pump, nullptr, 0);
    ::close(slave);
    return {double(got) / seconds / 1e6, cpu / seconds};
}

// The display rules applied to the whole stream at once, for checking the window's final text.
std::string ExpectedReceiveText(const QByteArray& data, qsizetype piece, bool hex) {
    std::string text;
    for (qsizetype at = 0; at < data.size(); at += piece) {
        std::string p;
        const qsizetype n = std::min(piece, data.size() - at);
        AppendDisplayPiece(reinterpret_cast<const std::uint8_t*>(data.constData() + at), std::size_t(n), hex, p);
        bool cleared = ReceiveTextNeedsClear(text.size(), false);
        if (const std::size_t start = DisplayTailStart(p, hex); start > 0) {
            p.erase(0, start);
            cleared = true;
        }
        if (cleared)
            text.clear();
        text += p;
    }
    return text;
}


// The window with a session log against the window without one, in turns in the same run (the
// machine's speed drifts): the median share of one core paced, or the median MB/s of a flood. With
// `stallMs` the log is a FIFO whose reader starts reading only that late.
struct WindowRun {
    double coreShare = 0;
    double mbPerSecond = 0;
    double longestTurnMs = 0;
    bool whole = false;
};

WindowRun RunWindowOnce(QApplication& app, const QByteArray& data, qsizetype piece, long periodUs, int logFormat,
                        int stallMs) {
    QTemporaryDir dir;
    CPty pty;
    const QString path = dir.filePath(QStringLiteral("serimo.ini"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("[Devices]\r\nCom1=%1\r\n[Com Port]\r\nBaud=13\r\n[Receive]\r\nDisplayHexCode=1\r\n").arg(pty.path).toUtf8());
    file.close();
    CProfile profile(path);
    CQtSerialComm comm([&profile](short port) { return PortDevice(profile, port); });
    CFakePrompts prompts;
    CSteadyClock clock;
    CTerminalDlg dlg(comm, prompts, profile, clock);
    const QString log = dir.filePath(QStringLiteral("session.log"));
    const QString copy = dir.filePath(QStringLiteral("fifo-copy"));
    pid_t reader = -1;
    if (stallMs >= 0 && logFormat >= 0) {
        ::mkfifo(QFile::encodeName(log).constData(), 0600);
        const int fd = ::open(QFile::encodeName(log).constData(), O_RDONLY | O_NONBLOCK);
        reader = ::fork();
        if (reader == 0) {
            ::usleep(useconds_t(stallMs) * 1000);
            const int out = ::open(QFile::encodeName(copy).constData(), O_WRONLY | O_CREAT, 0600);
            char buf[65536];
            for (ssize_t n = 1; n != 0;) {
                pollfd pfd{fd, POLLIN, 0};
                ::poll(&pfd, 1, 100);
                n = ::read(fd, buf, sizeof buf);
                if (n > 0 && ::write(out, buf, size_t(n)) != n)
                    ::_exit(1);
            }
            ::_exit(0);
        }
        const bool started = dlg.StartLog(log, LogFormat(logFormat));
        ::close(fd);
        if (!started)
            return {};
    } else if (logFormat >= 0 && !dlg.StartLog(log, LogFormat(logFormat))) {
        return {};
    }
    app.processEvents();
    const double cpuStart = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const pid_t pump = StartPump(pty.MasterFd(), data, piece, periodUs);
    qint64 longestTurnNs = 0;
    QElapsedTimer turn;
    turn.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestTurnNs = std::max(longestTurnNs, turn.nsecsElapsed() - 2'000'000);
        turn.restart();
    });
    if (piece == 0 || stallMs >= 0)
        probe.start(2);
    QTimer tick;
    tick.start(100);
    QElapsedTimer idle;
    idle.start();
    for (qint64 last = 0; dlg.m_nRxCount < data.size() && idle.elapsed() < 10000;) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        if (dlg.m_nRxCount != last) {
            last = dlg.m_nRxCount;
            idle.restart();
        }
    }
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpuStart;
    ::waitpid(pump, nullptr, 0);
    probe.stop();
    // The FIFO's reader takes what is left once it has started.
    while (reader > 0 && timer.elapsed() < stallMs + 500) {
        app.processEvents();
        QThread::msleep(20);
    }
    dlg.StopLog();
    if (reader > 0)
        ::waitpid(reader, nullptr, 0);
    QFile written(reader > 0 ? copy : log);
    QByteArray logged = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    if (logFormat == int(LogFormat::Text)) {
        // The bytes of the RX records, read back from their hex.
        QByteArray rx;
        for (const QByteArray& line : logged.split('\n'))
            if (line.indexOf(" RX ") == 23)
                rx += QByteArray::fromHex(line.mid(27, line.indexOf("  ", 27) - 27));
        logged = rx;
    }
    const bool logWhole = logFormat < 0 || logged == data;
    return {cpu / wall, double(data.size()) / wall / 1e6, double(longestTurnNs) / 1e6,
            dlg.m_nRxCount == data.size() && logWhole && prompts.messages.empty()};
}

int LogComparison(QApplication& app, int argc, char* argv[]) {
    const int format = argc > 2 && QByteArray(argv[2]) == "text" ? int(LogFormat::Text) : int(LogFormat::Raw);
    const bool flood = argc > 3 && QByteArray(argv[3]) == "flood";
    const bool stall = argc > 3 && QByteArray(argv[3]) == "stall";
    const int stallMs = stall ? (argc > 4 ? QByteArray(argv[4]).toInt() : 3000) : -1;
    const qsizetype piece = flood ? 0 : argc > 3 && !stall ? QByteArray(argv[3]).toLongLong() : 1000;
    const long periodUs = flood ? 0 : argc > 4 && !stall ? QByteArray(argv[4]).toLong() : 1000;
    const double seconds = argc > 5 ? QByteArray(argv[5]).toDouble() : 5;
    const qsizetype floodBytes = argc > 4 ? QByteArray(argv[4]).toLongLong() : 8 * 1024 * 1024;
    const QByteArray data = MakeData(flood ? floodBytes : qsizetype(double(piece) * seconds * 1e6 / double(periodUs)), false);
    std::vector<double> off, on, ratio, turnOff, turnOn;
    bool whole = true;
    const int rounds = flood ? 9 : 3;
    for (int round = 0; round < rounds; ++round) {
        // In turns, so that neither always runs first.
        for (int withLog : {round % 2, 1 - round % 2}) {
            const WindowRun run = RunWindowOnce(app, data, piece, periodUs, withLog ? format : -1, stallMs);
            (withLog ? on : off).push_back(flood ? run.mbPerSecond : 100 * run.coreShare);
            (withLog ? turnOn : turnOff).push_back(run.longestTurnMs);
            whole = whole && run.whole;
        }
        ratio.push_back(on.back() / off.back());
    }
    for (auto* v : {&off, &on, &ratio, &turnOff, &turnOn})
        std::sort(v->begin(), v->end());
    const std::size_t mid = on.size() / 2;
    const char* name = format == int(LogFormat::Text) ? "text" : "raw";
    if (flood)
        std::printf("flood: %.1f MB/s with a %s log, %.1f MB/s without; with/without in the same round: %.0f%% "
                    "(median of %d, middle half %.0f-%.0f%%)\n",
                    on[mid], name, off[mid], 100 * ratio[mid], rounds, 100 * ratio[rounds / 4], 100 * ratio[rounds - 1 - rounds / 4]);
    else
        std::printf("%lld bytes every %ld us, hex display: %.2f%% of one core with a %s log, %.2f%% without "
                    "(+%.2f points), median of %d\n",
                    static_cast<long long>(piece), periodUs, on[mid], name, off[mid], on[mid] - off[mid], rounds);
    if (flood || stall)
        std::printf("longest event-loop delay%s: %.1f ms with the log, %.1f ms without (median run; slowest %.1f / %.1f ms)\n",
                    stall ? (", the log a FIFO nobody reads for the first " + std::to_string(stallMs) + " ms").c_str() : "",
                    turnOn[mid], turnOff[mid], turnOn.back(), turnOff.back());
    std::printf("everything received and logged: %s\n", whole ? "yes" : "no");
    return whole ? 0 : 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "log")
        return LogComparison(app, argc, argv);
    const bool flood = argc > 1 && QByteArray(argv[1]) == "flood";
    qsizetype piece = 11;
    long periodUs = 1000;
    double seconds = 10;
    bool hex = true, textLines = false, displayOn = true;
    qsizetype total = 0;
    if (flood) {
        total = argc > 2 ? QByteArray(argv[2]).toLongLong() : 8 * 1024 * 1024;
        piece = 0;
        periodUs = 0;
    } else {
        if (argc > 1) piece = QByteArray(argv[1]).toLongLong();
        if (argc > 2) periodUs = QByteArray(argv[2]).toLong();
        if (argc > 3) seconds = QByteArray(argv[3]).toDouble();
        if (argc > 4) hex = QByteArray(argv[4]).toInt() != 0;
        if (argc > 5) textLines = QByteArray(argv[5]).toInt() != 0;
        if (argc > 6) displayOn = QByteArray(argv[6]).toInt() != 0;
        total = qsizetype(double(piece) * seconds * 1e6 / double(periodUs));
    }

    const PlainReader plain = PlainRead(total, piece, periodUs, textLines);

    QTemporaryDir dir;
    CPty pty;
    const QString path = dir.filePath(QStringLiteral("serimo.ini"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("[Devices]\r\nCom1=%1\r\n[Com Port]\r\nBaud=13\r\n[Receive]\r\nDisplayHexCode=%2\r\n")
                   .arg(pty.path)
                   .arg(int(hex))
                   .toUtf8());
    file.close();
    CProfile profile(path);
    CQtSerialComm comm([&profile](short port) { return PortDevice(profile, port); });
    CFakePrompts prompts;
    CSteadyClock clock;
    CTerminalDlg dlg(comm, prompts, profile, clock);
    if (!comm.GetPortOpen()) {
        std::fprintf(stderr, "could not open %s\n", qPrintable(pty.path));
        return 1;
    }
    if (!displayOn)
        dlg.OnStopDisplay();
    app.processEvents();

    const QByteArray data = MakeData(total, textLines);
    const double cpuStart = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const pid_t pump = StartPump(pty.MasterFd(), data, piece, periodUs);
    // How long the event loop was kept from its timers: a 2 ms timer that comes late by more than
    // that was held up by whatever ran before it.
    qint64 longestTurnNs = 0;
    QElapsedTimer turn;
    turn.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestTurnNs = std::max(longestTurnNs, turn.nsecsElapsed() - 2'000'000);
        turn.restart();
    });
    if (flood) // the probe's own wake-ups would count in the paced runs' processor time
        probe.start(2);
    QTimer tick; // wakes the loop now and then so a lost line cannot park it
    tick.start(100);
    QElapsedTimer idle;
    idle.start();
    qint64 last = 0;
    while (dlg.m_nRxCount < total && idle.elapsed() < 10000) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        if (dlg.m_nRxCount != last) {
            last = dlg.m_nRxCount;
            idle.restart();
        }
    }
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    // Let the last display update land, then read what the person sees.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    const double cpu = CpuSeconds() - cpuStart;
    ::waitpid(pump, nullptr, 0);

    const bool captureIntact =
        std::memcmp(dlg.m_rxBuffer.get(), data.constData(), std::min<std::size_t>(kRxBufferSize, std::size_t(total))) == 0;
    const bool rxShown = dlg.m_ctrlRxCount->text() == QStringLiteral("RX:%1").arg(total);
    std::printf("bytes sent / received: %lld / %lld\n", static_cast<long long>(total), static_cast<long long>(dlg.m_nRxCount));
    std::printf("capture intact: %s, RX label exact: %s\n", captureIntact ? "yes" : "no", rxShown ? "yes" : "no");
    if (!flood) {
        // The pieces the line delivered may have been merged on the way; the final text is what the
        // rules give for the stream as a whole only if each arrival was one piece, so compare the
        // tail that is independent of the split: the newest complete lines of the area.
        const std::string expected = ExpectedReceiveText(data, piece, hex);
        const bool tailMatches = !displayOn || (dlg.m_strReceive.size() >= 64 && expected.size() >= 64 &&
                                 expected.compare(expected.size() - 64, 64, dlg.m_strReceive, dlg.m_strReceive.size() - 64, 64) == 0);
        std::printf("pieces of %lld bytes every %ld us, %s display%s, %.1f s\n", static_cast<long long>(piece), periodUs,
                    hex ? "hex" : "text", textLines ? " (line break every 60 bytes)" : "", wall);
        std::printf("receive area ends with the newest bytes: %s\n", tailMatches ? "yes" : "no");
        std::printf("processor time: %.3f s = %.1f%% of one core (a plain reader: %.1f%%; the window costs %.1f times that)\n", cpu,
                    100.0 * cpu / wall, 100.0 * plain.coreShare, cpu / wall / std::max(1e-9, plain.coreShare));
    } else {
        std::printf("flood: window %.1f MB/s, plain reader %.1f MB/s (%.0f%%)\n", double(total) / wall / 1e6,
                    plain.mbPerSecond, 100.0 * double(total) / wall / 1e6 / plain.mbPerSecond);
    }
    if (flood)
        std::printf("longest event-loop delay: %.1f ms\n", double(longestTurnNs) / 1e6);
    return dlg.m_nRxCount == total && captureIntact && rxShown ? 0 : 2;
}
