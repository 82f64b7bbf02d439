// End to end: a pump writes 8 MiB as fast as it can into a pseudo-terminal mapped as Com1; the real
// window (offscreen, display on, hex) receives it. Prints MB/s, and whether anything was lost.
#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "serial/clock.h"
#include "serial/port_devices.h"
#include "serial/qt_serial_comm.h"
#include "terminal/rx_capture.h"
#include "tests/support/fake_prompts.h"
#include "tests/support/pty.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <thread>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype total = argc > 1 ? QByteArray(argv[1]).toLongLong() : 8 * 1024 * 1024;

    QTemporaryDir dir;
    CPty pty;
    const QString path = dir.filePath(QStringLiteral("serimo.ini"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    // 115200 baud on the list; a pseudo-terminal carries bytes as fast as both ends move them.
    file.write(QStringLiteral("[Devices]\r\nCom1=%1\r\n[Com Port]\r\nBaud=13\r\n[Receive]\r\nDisplayHexCode=1\r\n")
                   .arg(pty.path)
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

    QByteArray data(total, Qt::Uninitialized);
    for (qsizetype i = 0; i < total; ++i)
        data[i] = char((i * 131 + i / 4096) & 0xFF);

    QElapsedTimer timer;
    timer.start();
    std::thread pump([&] { pty.Write(data); });
    QElapsedTimer idle;
    idle.start();
    qint64 last = 0;
    qint64 longestTurnNs = 0; // the longest the window went without handling its events
    while (dlg.m_nRxCount < total && idle.elapsed() < 10000) {
        QElapsedTimer turn;
        turn.start();
        app.processEvents(QEventLoop::AllEvents, 50);
        longestTurnNs = std::max(longestTurnNs, turn.nsecsElapsed());
        if (dlg.m_nRxCount != last) {
            last = dlg.m_nRxCount;
            idle.restart();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    pump.join();

    const bool captureIntact =
        std::memcmp(dlg.m_rxBuffer.get(), data.constData(), std::min<std::size_t>(kRxBufferSize, std::size_t(total))) == 0;
    std::printf("bytes sent: %lld\n", static_cast<long long>(total));
    std::printf("bytes received (RX): %lld\n", static_cast<long long>(dlg.m_nRxCount));
    std::printf("throughput: %.2f MB/s\n", dlg.m_nRxCount / seconds / 1e6);
    std::printf("capture equals the first %zu bytes sent: %s\n", kRxBufferSize, captureIntact ? "yes" : "no");
    std::printf("receive area bytes: %zu\n", dlg.m_strReceive.size());
    std::printf("longest event-loop turn: %.1f ms\n", longestTurnNs / 1e6);
    return dlg.m_nRxCount == total && captureIntact ? 0 : 2;
}
