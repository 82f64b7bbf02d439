// A status exchange with the simulated card over a pseudo-terminal: time from request to decoded
// record, and the processor time used while waiting out a silent card.
#include "app/port_settings.h"
#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "serial/clock.h"
#include "serial/qt_serial_comm.h"
#include "tests/support/card_sim_thread.h"
#include "tests/support/fake_prompts.h"
#include "tests/support/pty.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

struct Session {
    QTemporaryDir dir;
    CPty pty;
    std::unique_ptr<CProfile> profile;
    std::unique_ptr<CQtSerialComm> comm;
    CFakePrompts prompts;
    CSteadyClock clock;
    std::unique_ptr<CTerminalDlg> dlg;

    Session() {
        const QString path = dir.filePath(QStringLiteral("serimo.ini"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("[Devices]\r\nCom1=%1\r\n[Com Port]\r\nBaud=13\r\n").arg(pty.path).toUtf8());
        file.close();
        profile = std::make_unique<CProfile>(path);
        comm = std::make_unique<CQtSerialComm>([this](short port) { return PortDevice(*profile, port); });
        dlg = std::make_unique<CTerminalDlg>(*comm, prompts, *profile, clock);
        prompts.onModal = [](QDialog&) { return int(QDialog::Rejected); };
    }
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 200;

    {
        Session s;
        CCardSimThread card(s.pty.MasterFd(), CardSimFault::None);
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer t;
            t.start();
            s.dlg->OnReadCardStatus();
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        const bool allShown = s.prompts.modalCount == rounds && s.prompts.messages.empty();
        // A pseudo-terminal has no line time: all of the measured time is overhead.
        std::printf("status exchanges: %d (all decoded and shown: %s)\n", rounds, allShown ? "yes" : "no");
        std::printf("exchange median: %.3f ms\n", ms[ms.size() / 2]);
        std::printf("exchange 95th percentile: %.3f ms\n", ms[ms.size() * 95 / 100]);
        std::printf("line time at 115200 baud of the 14 + 158 bytes: %.3f ms (not spent on a pseudo-terminal)\n",
                    (14 + 158) * 10 * 1000.0 / 115200);
    }
    {
        Session s;
        CCardSimThread card(s.pty.MasterFd(), CardSimFault::Silent);
        QElapsedTimer t;
        t.start();
        const double cpu0 = CpuSeconds();
        s.dlg->OnReadCardStatus();
        const double cpu = CpuSeconds() - cpu0;
        const double wall = t.nsecsElapsed() / 1e9;
        std::printf("silent card: waited %.2f s, processor time %.3f s (%.2f%% of one core, simulator thread included)\n",
                    wall, cpu, 100.0 * cpu / wall);
    }
    return 0;
}
