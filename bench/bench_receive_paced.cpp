// The receive path at a real line's rhythm: another process writes pieces into a pseudo-terminal at a
// fixed pace (as a USB adapter delivers them, one piece per latency tick) or as fast as it takes them,
// and the real window receives them with the display on. Every case runs offscreen and on a real X
// server (Xvfb is started when no display is set), each run against a plain reader of the same line
// at the same pace in the same process, the yardstick: the window's share of one core against the
// reader's, or its throughput against the reader's for a flood. Also the longest event-loop turn, and
// how long the writer was held back by a full line (a paced device should never be), and checks that
// the capture, RX and the receive area end exactly right.
//
//   bench_receive_paced [--seconds S] [--repeat N] [--platform offscreen|xcb] [CASE...]
//   bench_receive_paced log raw|text [PIECE_BYTES PERIOD_US SECONDS | flood [BYTES] | stall [MS]]
//                                          the window with a session log against without one, in
//                                          turns in one run (offscreen unless QT_QPA_PLATFORM says);
//                                          stall: 1 MB/s logged into a FIFO nobody reads for 3 s
//
// Cases are the rows of kCases; without any, all run. Figures are medians over the repeats.
#include "app/port_settings.h"
#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "res/resource.h"
#include "serial/clock.h"
#include "serial/qt_serial_comm.h"
#include "terminal/receive_display.h"
#include "terminal/receive_view.h"
#include "terminal/rx_capture.h"
#include "tests/support/fake_prompts.h"
#include "tests/support/pty.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

struct Case {
    const char* name;
    qsizetype piece = 0; // bytes per write; no piece and no period: a flood of kFloodBytes
    long periodUs = 0;
    bool hex = true;
    bool textLines = false; // a line break every 60 bytes, else every byte value
    bool display = true;
};

// One row per case; a new case is one more row.
const Case kCases[] = {
    {.name = "115200-hex", .piece = 11, .periodUs = 1000},
    {.name = "115200-text", .piece = 11, .periodUs = 1000, .hex = false, .textLines = true},
    {.name = "1M-hex", .piece = 1000, .periodUs = 1000},
    {.name = "1M-text", .piece = 1000, .periodUs = 1000, .hex = false, .textLines = true},
    {.name = "flood-hex"},
    {.name = "flood-text", .hex = false, .textLines = true},
    {.name = "115200-hex-stopped", .piece = 11, .periodUs = 1000, .display = false},
    {.name = "1M-hex-stopped", .piece = 1000, .periodUs = 1000, .display = false},
};

constexpr qsizetype kFloodBytes = 8 * 1024 * 1024;

bool IsFlood(const Case& c) {
    return c.piece == 0;
}

double CpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
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
// from a child process, so the window's process time is its own. For a paced line, Finish() tells how
// long the writer was held back by a full line: the reader not taking what a real device would send.
class CPump {
public:
    CPump(int masterFd, const QByteArray& data, qsizetype piece, long periodUs) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid != 0) {
            ::close(fds[1]);
            m_stats = fds[0];
            return;
        }
        ::close(fds[0]);
        timespec next{};
        ::clock_gettime(CLOCK_MONOTONIC, &next);
        QElapsedTimer waited;
        qint64 heldNs = 0;
        for (qsizetype done = 0; done < data.size();) {
            const qsizetype want = piece > 0 ? std::min(piece, data.size() - done) : data.size() - done;
            qsizetype sent = 0;
            while (sent < want) {
                const ssize_t n = ::write(masterFd, data.constData() + done + sent, size_t(want - sent));
                if (n > 0) {
                    sent += n;
                } else {
                    waited.start();
                    pollfd pfd{masterFd, POLLOUT, 0};
                    ::poll(&pfd, 1, 100);
                    heldNs += waited.nsecsElapsed();
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
        [[maybe_unused]] const ssize_t n = ::write(fds[1], &heldNs, sizeof heldNs);
        ::_exit(0);
    }
    // Milliseconds the writer waited for room on the line.
    double Finish() {
        qint64 heldNs = 0;
        if (m_stats >= 0 && ::read(m_stats, &heldNs, sizeof heldNs) != sizeof heldNs)
            heldNs = 0;
        if (m_stats >= 0)
            ::close(m_stats);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        return double(heldNs) / 1e6;
    }

private:
    pid_t m_pid = -1;
    int m_stats = -1;
};

struct Measured {
    double mbPerSecond = 0;
    double coreShare = 0;
};

// What `cat` does: read the slave in raw mode until `total` bytes came.
Measured PlainRead(const QByteArray& data, qsizetype piece, long periodUs) {
    CPty pty;
    const int slave = ::open(QFile::encodeName(pty.path).constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    const double cpuStart = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    CPump pump(pty.MasterFd(), data, piece, periodUs);
    std::vector<char> buf(65536);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(slave, buf.data(), buf.size());
        if (n <= 0)
            break;
        got += n;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpuStart;
    pump.Finish();
    ::close(slave);
    return {double(got) / seconds / 1e6, cpu / seconds};
}

// The display rules applied to the whole stream at once. The area shows a tail of it, whatever the
// split into arrivals and wherever the area was last emptied.
std::string DisplayOfStream(const QByteArray& data, bool hex) {
    std::string text;
    AppendDisplayPiece(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()), hex,
                       text);
    return text;
}

// Times the event loop's turns without waking it: the work done between two waits is the handling of
// the events delivered in between.
class CTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    qint64 longestTurnNs = 0;
    void StartTiming() {
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { m_turnNs = 0; });
        m_clock.start();
    }
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth++ > 0 || !m_clock.isValid()) {
            const bool done = QApplication::notify(receiver, event);
            --m_depth;
            return done;
        }
        const qint64 start = m_clock.nsecsElapsed();
        const bool done = QApplication::notify(receiver, event);
        m_turnNs += m_clock.nsecsElapsed() - start;
        longestTurnNs = std::max(longestTurnNs, m_turnNs);
        --m_depth;
        return done;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_turnNs = 0;
    int m_depth = 0;
};

// The window's settings: Com1 is `device` at 115200 baud, hex display or text.
bool WriteProfile(const QString& path, const QString& device, bool hex) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(
               QStringLiteral(
                   "[Devices]\r\nCom1=%1\r\n[Com Port]\r\nBaud=13\r\n[Receive]\r\nDisplayHexCode=%2\r\n")
                   .arg(device)
                   .arg(int(hex))
                   .toUtf8()) > 0;
}

// One run of one case on the platform Qt was started with; prints one "result" line.
int RunCase(int argc, char* argv[], const Case& c, double seconds) {
    CTimedApplication app(argc, argv);
    const qsizetype total =
        IsFlood(c) ? kFloodBytes : qsizetype(double(c.piece) * seconds * 1e6 / double(c.periodUs));
    const QByteArray data = MakeData(total, c.textLines);
    const Measured plain = PlainRead(data, c.piece, c.periodUs);

    QTemporaryDir dir;
    CPty pty;
    const QString path = dir.filePath(QStringLiteral("serimo.ini"));
    if (!WriteProfile(path, pty.path, c.hex))
        return 1;
    CProfile profile(path);
    CQtSerialComm comm([&profile](short port) { return PortDevice(profile, port); });
    CFakePrompts prompts;
    CSteadyClock clock;
    CTerminalDlg dlg(comm, prompts, profile, clock);
    if (!comm.GetPortOpen()) {
        std::fprintf(stderr, "could not open %s\n", qPrintable(pty.path));
        return 1;
    }
    if (!c.display)
        dlg.OnStopDisplay();
    QEventLoop shown; // the window is on the screen before the clock starts
    QTimer::singleShot(300, &shown, &QEventLoop::quit);
    shown.exec();

    const double cpuStart = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    app.StartTiming();
    CPump pump(pty.MasterFd(), data, c.piece, c.periodUs);
    QTimer tick; // wakes the loop now and then so a lost line cannot park it
    tick.start(100);
    QElapsedTimer idle;
    idle.start();
    qint64 last = 0;
    while (dlg.RxCount() < total && idle.elapsed() < 10000) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        if (dlg.RxCount() != last) {
            last = dlg.RxCount();
            idle.restart();
        }
    }
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    QEventLoop settle; // the last display update lands
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    const double cpu = CpuSeconds() - cpuStart;
    const double heldMs = pump.Finish();

    std::string faults;
    if (dlg.RxCount() != total)
        faults += "bytes-lost,";
    if (std::memcmp(dlg.Captured(), data.constData(),
                    std::min<std::size_t>(kRxBufferSize, std::size_t(total))) != 0)
        faults += "capture-wrong,";
    if (dlg.Control<QLabel>(IDC_RX_COUNT)->text() != QStringLiteral("RX:%1").arg(total))
        faults += "rx-label-wrong,";
    if (c.display) {
        const std::string whole = DisplayOfStream(data, c.hex);
        const std::string& area = dlg.Feed().Text();
        if (area.empty() || area.size() > whole.size() ||
            whole.compare(whole.size() - area.size(), area.size(), area) != 0)
            faults += "area-wrong,";
        else if (dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText() !=
                 QString::fromLatin1(area).remove(QLatin1Char('\r')))
            faults += "view-wrong,";
    }
    std::printf("result %.5f %.5f %.3f %.3f %.3f %.1f %s%s\n", cpu / wall, plain.coreShare,
                double(total) / wall / 1e6, plain.mbPerSecond, double(app.longestTurnNs) / 1e6,
                IsFlood(c) ? 0.0 : heldMs, faults.empty() ? "ok" : faults.c_str(),
                QAccessible::isActive() ? " a11y" : "");
    return faults.empty() ? 0 : 2;
}

struct RunResult {
    bool ran = false;
    double window = 0, reader = 0, windowMb = 0, readerMb = 0, turnMs = 0, heldMs = 0;
    std::string checks;
};

// Runs one case in a fresh process of this program (Qt's platform is chosen once per process).
RunResult RunChild(const Case& c, const char* platform, double seconds) {
    RunResult r;
    char log[] = "/tmp/bench_receive_paced.XXXXXX";
    const int logFd = ::mkstemp(log);
    int out[2];
    if (logFd < 0 || ::pipe(out) != 0)
        return r;
    const std::string secondsText = std::to_string(seconds);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(logFd, STDERR_FILENO);
        ::close(out[0]);
        ::setenv("QT_QPA_PLATFORM", platform, 1);
        ::execl("/proc/self/exe", "bench_receive_paced", "--run", c.name, secondsText.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, std::size_t(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    char checks[128] = {}, extra[16] = {};
    const std::size_t at = text.find("result ");
    if (at != std::string::npos &&
        std::sscanf(text.c_str() + at, "result %lf %lf %lf %lf %lf %lf %127s %15s", &r.window, &r.reader,
                    &r.windowMb, &r.readerMb, &r.turnMs, &r.heldMs, checks, extra) >= 7) {
        r.ran = true;
        r.checks = checks;
        if (extra[0])
            r.checks += std::string(" ") + extra;
    } else {
        std::ifstream err(log);
        std::fprintf(stderr, "%s on %s failed:\n%s", c.name, platform,
                     std::string(std::istreambuf_iterator<char>(err), {}).c_str());
    }
    ::close(logFd);
    ::unlink(log);
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// An X server of our own when none is set: Xvfb on the first free display, gone when we are.
pid_t StartXvfb() {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        // -noreset: the server stays as it is between runs instead of resetting when its last client leaves.
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // Xvfb writes the number once it is ready, the line break maybe apart from it; the pipe stays open
    // for as long as the server may write to it (a closed one would end it with SIGPIPE).
    std::string display;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        display += c;
    static std::vector<int> openPipes;
    openPipes.push_back(fds[0]);
    if (display.empty()) {
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    ::setenv("DISPLAY", (":" + display).c_str(), 1);
    return pid;
}

std::string Machine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, model;
    while (model.empty() && std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0)
            model = line.substr(line.find(':') + 2);
    double load[3] = {};
    ::getloadavg(load, 3);
    char text[256];
    std::snprintf(text, sizeof text, "%ld cores, %s, load %.2f", ::sysconf(_SC_NPROCESSORS_ONLN),
                  model.c_str(), load[0]);
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

WindowRun RunWindowOnce(QApplication& app, const QByteArray& data, qsizetype piece, long periodUs,
                        int logFormat, int stallMs) {
    QTemporaryDir dir;
    CPty pty;
    const QString path = dir.filePath(QStringLiteral("serimo.ini"));
    WriteProfile(path, pty.path, true);
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
    CPump pump(pty.MasterFd(), data, piece, periodUs);
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
    for (qint64 last = 0; dlg.RxCount() < data.size() && idle.elapsed() < 10000;) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        if (dlg.RxCount() != last) {
            last = dlg.RxCount();
            idle.restart();
        }
    }
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpuStart;
    pump.Finish();
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
            dlg.RxCount() == data.size() && logWhole && prompts.messages.empty()};
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
    const QByteArray data =
        MakeData(flood ? floodBytes : qsizetype(double(piece) * seconds * 1e6 / double(periodUs)), false);
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
        std::printf(
            "flood: %.1f MB/s with a %s log, %.1f MB/s without; with/without in the same round: %.0f%% "
            "(median of %d, middle half %.0f-%.0f%%)\n",
            on[mid], name, off[mid], 100 * ratio[mid], rounds, 100 * ratio[rounds / 4],
            100 * ratio[rounds - 1 - rounds / 4]);
    else
        std::printf("%lld bytes every %ld us, hex display: %.2f%% of one core with a %s log, %.2f%% without "
                    "(+%.2f points), median of %d\n",
                    static_cast<long long>(piece), periodUs, on[mid], name, off[mid], on[mid] - off[mid],
                    rounds);
    if (flood || stall)
        std::printf(
            "longest event-loop delay%s: %.1f ms with the log, %.1f ms without (median run; slowest %.1f / "
            "%.1f ms)\n",
            stall ? (", the log a FIFO nobody reads for the first " + std::to_string(stallMs) + " ms").c_str()
                  : "",
            turnOn[mid], turnOff[mid], turnOn.back(), turnOff.back());
    std::printf("everything received and logged: %s\n", whole ? "yes" : "no");
    return whole ? 0 : 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "log") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return LogComparison(app, argc, argv);
    }
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0) {
        for (const Case& c : kCases)
            if (std::strcmp(c.name, argv[2]) == 0)
                return RunCase(1, argv, c, std::atof(argv[3]));
        return 1;
    }

    double seconds = 10;
    int repeat = 3;
    std::vector<std::string> platforms{"offscreen", "xcb"};
    std::vector<const Case*> cases;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--platform" && i + 1 < argc) {
            platforms = {argv[++i]};
        } else {
            const auto it = std::find_if(std::begin(kCases), std::end(kCases),
                                         [&](const Case& c) { return arg == c.name; });
            if (it == std::end(kCases)) {
                std::fprintf(
                    stderr,
                    "usage: %s [--seconds S] [--repeat N] [--platform offscreen|xcb] [CASE...]\ncases:",
                    argv[0]);
                for (const Case& c : kCases)
                    std::fprintf(stderr, " %s", c.name);
                std::fprintf(stderr, "\n");
                return 2;
            }
            cases.push_back(&*it);
        }
    }
    if (cases.empty())
        for (const Case& c : kCases)
            cases.push_back(&c);

    pid_t xvfb = -1;
    if (std::find(platforms.begin(), platforms.end(), "xcb") != platforms.end() && !std::getenv("DISPLAY")) {
        xvfb = StartXvfb();
        if (xvfb < 0) {
            std::printf(
                "xcb skipped: no DISPLAY and no Xvfb to start (scripts/setup-deps --bench installs it)\n");
            platforms.erase(std::find(platforms.begin(), platforms.end(), "xcb"));
        }
    }
    const std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", std::localtime(&now));
    std::printf("%s, %s; %d x %.0f s each, medians\n", date, Machine().c_str(), repeat, seconds);
    std::printf("%-20s %-10s %10s %10s %8s %9s %9s  %s\n", "case", "platform", "window", "reader", "ratio",
                "longest", "held", "checks");
    bool allOk = true;
    for (const Case* c : cases) {
        for (const std::string& platform : platforms) {
            std::vector<double> window, reader, ratio, turn, held;
            std::map<std::string, int> checks;
            for (int r = 0; r < repeat; ++r) {
                if (xvfb > 0 && platform == "xcb" && ::waitpid(xvfb, nullptr, WNOHANG) == xvfb) {
                    std::fprintf(stderr, "Xvfb ended; starting it again\n"); // a server of ours must be there
                    xvfb = StartXvfb();
                }
                const RunResult run = RunChild(*c, platform.c_str(), seconds);
                if (!run.ran) {
                    ++checks["failed"];
                    continue;
                }
                ++checks[run.checks];
                if (IsFlood(*c)) {
                    window.push_back(run.windowMb);
                    reader.push_back(run.readerMb);
                    ratio.push_back(run.windowMb / std::max(1e-9, run.readerMb));
                } else {
                    window.push_back(100 * run.window);
                    reader.push_back(100 * run.reader);
                    ratio.push_back(run.window / std::max(1e-9, run.reader));
                }
                turn.push_back(run.turnMs);
                held.push_back(run.heldMs);
            }
            std::string summary;
            for (const auto& [text, n] : checks) {
                summary +=
                    (summary.empty() ? "" : ", ") + text + (n < repeat ? " x" + std::to_string(n) : "");
                allOk = allOk && text.rfind("ok", 0) == 0;
            }
            const char* format = IsFlood(*c) ? "%.1f MB/s" : "%.1f %%";
            char windowText[32], readerText[32];
            std::snprintf(windowText, sizeof windowText, format, Median(window));
            std::snprintf(readerText, sizeof readerText, format, Median(reader));
            std::printf("%-20s %-10s %10s %10s %7.2fx %7.1fms %7.0fms  %s\n", c->name, platform.c_str(),
                        windowText, readerText, Median(ratio), Median(turn), Median(held), summary.c_str());
            std::fflush(stdout);
        }
    }
    if (xvfb > 0) {
        ::kill(xvfb, SIGTERM);
        ::waitpid(xvfb, nullptr, 0);
    }
    return allOk ? 0 : 2;
}
