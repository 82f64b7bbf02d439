#include "card/card_answer.h"
#include "card/card_protocol.h"
#include "sim/card_simulator.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

// Writes a request to the device and collects the answer up to CR, for at most five seconds.
Bytes Exchange(int fd, const Bytes& request) {
    if (write(fd, request.data(), request.size()) != ssize_t(request.size()))
        return {};
    Bytes answer;
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && (answer.empty() || answer.back() != 0x0D)) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, int(deadline.remainingTime())) <= 0)
            break;
        std::uint8_t buffer[2048];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.insert(answer.end(), buffer, buffer + n);
    }
    return answer;
}

int OpenRaw(const QString& path) {
    const int fd = open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

// Starts the simulator and returns its device path (empty when it did not come up).
QString StartSim(QProcess& sim, const QStringList& arguments) {
    sim.start(QStringLiteral(SERIMO_CARDSIM_PATH), arguments);
    if (!sim.waitForStarted(5000))
        return {};
    QDeadlineTimer deadline(5000);
    while (!sim.canReadLine() && !deadline.hasExpired() && sim.state() == QProcess::Running)
        sim.waitForReadyRead(int(deadline.remainingTime()));
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

// CPU time (user + system, in clock ticks) and resident memory (KiB) of a process, from /proc.
bool ProcessUsage(qint64 pid, long long& ticks, long long& rssKiB) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid)), status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!stat.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return false;
    ticks = fields[11].toLongLong() + fields[12].toLongLong();
    for (const QByteArray& l : status.readAll().split('\n'))
        if (l.startsWith("VmRSS:"))
            rssKiB = l.mid(6).trimmed().split(' ').value(0).toLongLong();
    return true;
}

} // namespace

class TestCardSimTool : public QObject {
    Q_OBJECT

private slots:
    void servesOnPseudoTerminal() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("card"), config = dir.filePath("card.cfg");
        QProcess sim;
        const QString device = StartSim(sim, {"--link", link, "--config", config});
        QVERIFY2(device.startsWith("/dev/pts/"), qPrintable(device));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);
        QCOMPARE(QFileInfo(config).size(), qint64(541));

        const int fd = OpenRaw(link);
        QVERIFY(fd >= 0);
        auto outcome = [fd](CardRequest request, const CardConfigRecord& record) {
            CardConfigRecord config, readBack;
            const Bytes answer = Exchange(fd, BuildCardRequest(request, record));
            return DecodeCardAnswer(answer.data(), answer.size(), config, readBack).outcome;
        };
        QCOMPARE(outcome(CardRequest::ReadStatus, {}), CardAnswerOutcome::Status);

        // A write outlives the run in the configuration file.
        CardConfigRecord written = CCardSimulator::DefaultConfig();
        written.bytes[14] = 'X';
        QCOMPARE(outcome(CardRequest::WriteExtendedConfig, written), CardAnswerOutcome::ExtendedAck);
        close(fd);

        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
        CCardSimulator reloaded;
        QVERIFY(reloaded.LoadConfig(config));
        QCOMPARE(reloaded.Config().bytes, written.bytes);
    }

    // A FIFO as the configuration is refused at once instead of waiting for a writer.
    void configMustBeRegularFile() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("card.cfg");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess sim;
        sim.start(QStringLiteral(SERIMO_CARDSIM_PATH), {"--config", fifo});
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(sim.readAllStandardError().contains("not a regular file"));
    }

    // A client that sends and never reads: answers beyond a small buffer are dropped (and said so),
    // memory stays flat, and the full line is waited on, not polled in a loop.
    void clientThatNeverReads() {
        QTemporaryDir dir;
        const QString logPath = dir.filePath("sim.log");
        QProcess sim;
        sim.setStandardErrorFile(logPath); // a pipe nobody drains would block the simulator
        const QString device = StartSim(sim, {"--verbose"});
        QVERIFY2(device.startsWith("/dev/pts/"), qPrintable(device));
        const int fd = OpenRaw(device);
        QVERIFY(fd >= 0);
        long long ticks0 = 0, rss0 = 0, ticks1 = 0, rss1 = 0;
        QVERIFY(ProcessUsage(sim.processId(), ticks0, rss0));
        // 5000 configuration reads ask for 5.5 MB of answers.
        const Bytes one = BuildCardRequest(CardRequest::ReadConfig, {});
        Bytes burst;
        for (int i = 0; i < 5000; ++i)
            burst.insert(burst.end(), one.begin(), one.end());
        for (std::size_t done = 0; done < burst.size();) {
            const ssize_t n = write(fd, burst.data() + done, burst.size() - done);
            QVERIFY(n > 0);
            done += std::size_t(n);
        }
        QDeadlineTimer settle(10000);
        QByteArray log;
        while (!log.contains("dropped") && !settle.hasExpired()) {
            QTest::qWait(50);
            QFile file(logPath);
            if (file.open(QIODevice::ReadOnly))
                log = file.readAll();
        }
        QVERIFY2(log.contains("oldest answer(s) dropped"), log.constData());
        // With answers waiting on a full line for a second, the simulator should sleep in poll.
        QTest::qWait(200);
        QVERIFY(ProcessUsage(sim.processId(), ticks0, rss0));
        QTest::qWait(1000);
        QVERIFY(ProcessUsage(sim.processId(), ticks1, rss1));
        const long long hz = sysconf(_SC_CLK_TCK);
        QVERIFY2(ticks1 - ticks0 < hz / 4, qPrintable(QString::number(ticks1 - ticks0)));
        QVERIFY2(rss1 < 64 * 1024, qPrintable(QString::number(rss1)));
        close(fd);
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestCardSimTool)
#include "tst_cardsim_tool.moc"
