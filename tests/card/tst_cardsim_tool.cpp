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

} // namespace

class TestCardSimTool : public QObject {
    Q_OBJECT

private slots:
    void servesOnPseudoTerminal() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("card"), config = dir.filePath("card.cfg");
        QProcess sim;
        sim.start(QStringLiteral(SERIMO_CARDSIM_PATH), {"--link", link, "--config", config});
        QVERIFY(sim.waitForStarted(5000));
        QDeadlineTimer deadline(5000);
        while (!sim.canReadLine() && !deadline.hasExpired())
            sim.waitForReadyRead(int(deadline.remainingTime()));
        const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY2(device.startsWith("/dev/pts/"), qPrintable(device));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);
        QCOMPARE(QFileInfo(config).size(), qint64(541));

        const int fd = OpenRaw(link);
        QVERIFY(fd >= 0);
        CardConfigRecord config0, readBack;
        Bytes answer = Exchange(fd, BuildCardRequest(CardRequest::ReadStatus, {}));
        QCOMPARE(int(DecodeCardAnswer(answer.data(), answer.size(), config0, readBack).outcome),
                 int(CardAnswerOutcome::Status));

        // A write outlives the run in the configuration file.
        CardConfigRecord written = CCardSimulator::DefaultConfig();
        written.bytes[14] = 'X';
        answer = Exchange(fd, BuildCardRequest(CardRequest::WriteExtendedConfig, written));
        QCOMPARE(int(DecodeCardAnswer(answer.data(), answer.size(), config0, readBack).outcome),
                 int(CardAnswerOutcome::ExtendedAck));
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
};

QTEST_GUILESS_MAIN(TestCardSimTool)
#include "tst_cardsim_tool.moc"
