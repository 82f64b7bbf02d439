// How long the port is left alone after an arrival.
#include "serial/read_pacing.h"

#include <QTest>
#include <algorithm>

using namespace read_pacing;

class TestReadPacing : public QObject {
    Q_OBJECT

private slots:
    void pauseFollowsTheLine_data();
    void pauseFollowsTheLine();
};

namespace {

// As long as the line takes to bring kPaceBytes at this many bytes a second, within the cap.
int Bringing(double bytesPerSecond) {
    return int(std::min(double(kPaceMaxMs), kPaceBytes * 1000 / bytesPerSecond));
}

constexpr qint64 kMs = 1'000'000;

} // namespace

void TestReadPacing::pauseFollowsTheLine_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("sinceNs");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<double>("rateAfter");
    QTest::newRow("first small piece: the baud rate")
        << 11LL << 0LL << 0.0 << 115200 << Bringing(11520) << 0.0;
    QTest::newRow("fast line starting: no pause") << 4096LL << 0LL << 0.0 << 115200 << 0 << 0.0;
    QTest::newRow("burst after a quiet spell") << 4096LL << 100 * kMs << 0.0 << 9600 << 0 << 40960.0;
    QTest::newRow("small piece after a quiet spell")
        << 10LL << 100 * kMs << 0.0 << 9600 << Bringing(960) << 100.0;
    QTest::newRow("1 MB/s steady") << 1000LL << kMs << 1e6 << 9600 << Bringing(1e6) << 1e6;
    QTest::newRow("measured rate fades by half") << 10LL << 10 * kMs << 4e6 << 9600 << Bringing(2e6) << 2e6;
    QTest::newRow("baud faster than arrivals")
        << 10LL << 10 * kMs << 0.0 << 921600 << Bringing(92160) << 1000.0;
    QTest::newRow("flood") << 65536LL << kMs << 1e7 << 115200 << 0 << 65536e3;
}

void TestReadPacing::pauseFollowsTheLine() {
    QFETCH(qint64, bytes);
    QFETCH(qint64, sinceNs);
    QFETCH(double, rate);
    QFETCH(int, baud);
    QFETCH(int, pauseMs);
    QFETCH(double, rateAfter);
    const Pause pause = PauseAfter({bytes, sinceNs, rate}, baud);
    QCOMPARE(pause.ms, pauseMs);
    QCOMPARE(pause.arrivingRate, rateAfter);
}

QTEST_MAIN(TestReadPacing)
#include "tst_read_pacing.moc"
