#include "card/card_answer.h"
#include "card/card_protocol.h"
#include "sim/card_simulator.h"

#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using Bytes = std::vector<std::uint8_t>;

namespace {

// A configuration unlike the simulator's own.
CardConfigRecord Edited() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    for (std::size_t i = 0; i < record.bytes.size(); ++i)
        record.bytes[i] = static_cast<std::uint8_t>(record.bytes[i] + i + 1);
    return record;
}

// Sends one request the way the program does (after the break preamble's zero bytes).
std::vector<CardSimExchange> Send(CCardSimulator& card, CardRequest request,
                                  const CardConfigRecord& record = Edited()) {
    Bytes line{0x00, 0x00};
    const Bytes frame = BuildCardRequest(request, record);
    line.insert(line.end(), frame.begin(), frame.end());
    return card.Feed(line);
}

struct Decoded {
    CardAnswerResult result;
    CardConfigRecord config, readBack;
};

Decoded Decode(const Bytes& reply) {
    Decoded d;
    d.result = DecodeCardAnswer(reply.data(), reply.size(), d.config, d.readBack);
    return d;
}

bool SameBasic(const CardConfigRecord& a, const CardConfigRecord& b) {
    return std::equal(a.bytes.begin(), a.bytes.begin() + CardConfigRecord::kBasicSize, b.bytes.begin());
}

} // namespace

class TestCardSimulator : public QObject {
    Q_OBJECT

private slots:
    // Every fault against every request it concerns: what the program's decoder makes of the answer.
    void answers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("request");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("ackMatches");
        using R = CardRequest;
        using O = CardAnswerOutcome;
        auto row = [](const char* name, const char* fault, R request, O outcome, const QString& message = {},
                      bool ackMatches = true, bool answered = true) {
            QTest::newRow(name) << QString::fromLatin1(fault) << int(request) << answered << int(outcome) << message
                                << ackMatches;
        };
        const QString length = QStringLiteral("读回的状态信息长度错误!"), cutOff = QStringLiteral("读回的数据数量不足!");
        row("status", "none", R::ReadStatus, O::Status);
        row("read", "none", R::ReadConfig, O::ExtendedConfig);
        row("basic write", "none", R::WriteBasicConfig, O::BasicAck);
        row("extended write", "none", R::WriteExtendedConfig, O::ExtendedAck);
        row("reset", "none", R::Reset, O::Failed, {}, true, false);
        row("silent", "silent", R::ReadStatus, O::Failed, {}, true, false);
        row("late", "late", R::ReadStatus, O::Status);
        row("lower-case", "lower-case", R::ReadStatus, O::Status);
        row("stale", "stale", R::ReadStatus, O::Status);
        row("status-70", "status-70", R::ReadStatus, O::Failed, length);
        row("status-72", "status-72", R::ReadStatus, O::Failed, length);
        row("bad-digit status", "bad-digit", R::ReadStatus, O::Failed, QStringLiteral("读回的数据出错!"));
        row("early-cr status", "early-cr", R::ReadStatus, O::Failed, cutOff);
        row("early-cr ack", "early-cr", R::WriteExtendedConfig, O::Failed, cutOff);
        // A lost digit shifts the rest and goes unnoticed: the acknowledgement no longer matches.
        row("drop-digit ack", "drop-digit", R::WriteExtendedConfig, O::ExtendedAck, {}, false);
        row("wrong-ack basic", "wrong-ack", R::WriteBasicConfig, O::BasicAck, {}, false);
        row("wrong-ack extended", "wrong-ack", R::WriteExtendedConfig, O::ExtendedAck, {}, false);
        row("wrong-type status", "wrong-type", R::ReadStatus, O::ExtendedConfig);
        row("wrong-type read", "wrong-type", R::ReadConfig, O::Status);
        // The extended acknowledgement of a basic write carries the card's own extended part.
        row("wrong-type basic", "wrong-type", R::WriteBasicConfig, O::ExtendedAck, {}, false);
        row("wrong-type extended", "wrong-type", R::WriteExtendedConfig, O::BasicAck);
    }
    void answers() {
        QFETCH(QString, fault);
        QFETCH(int, request);
        QFETCH(bool, answered);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QFETCH(bool, ackMatches);
        CardSimFault mode = CardSimFault::None;
        QVERIFY(ParseCardSimFault(fault.toStdString(), mode));
        CCardSimulator card;
        card.SetClock([] { return std::uint64_t(42); });
        card.SetFault(mode, 250);
        const auto exchanges = Send(card, static_cast<CardRequest>(request));
        QCOMPARE(exchanges.size(), std::size_t(1));
        const CardSimExchange& exchange = exchanges.front();
        QCOMPARE(!exchange.reply.empty(), answered);
        QCOMPARE(exchange.delayMs, mode == CardSimFault::Late ? 250 : 0);
        const Decoded d = Decode(exchange.reply);
        QCOMPARE(int(d.result.outcome), outcome);
        QCOMPARE(d.result.message, message);
        if (d.result.outcome == CardAnswerOutcome::Status)
            QCOMPARE(d.result.status.bytes, card.CurrentStatus().bytes);
        if (d.result.outcome == CardAnswerOutcome::ExtendedConfig)
            QCOMPARE(d.config.bytes, card.Config().bytes);
        if (d.result.outcome == CardAnswerOutcome::BasicAck)
            QCOMPARE(SameBasic(d.readBack, Edited()), ackMatches);
        if (d.result.outcome == CardAnswerOutcome::ExtendedAck)
            QCOMPARE(d.readBack.bytes == Edited().bytes, ackMatches);
        if (mode == CardSimFault::Stale)
            QVERIFY(exchange.reply.front() != 0x05);
        if (mode == CardSimFault::LowerCase)
            QVERIFY(std::none_of(exchange.reply.begin(), exchange.reply.end(),
                                 [](std::uint8_t c) { return c >= 'A' && c <= 'F'; }));
    }

    void writesStore() {
        CCardSimulator card;
        const CardConfigRecord before = card.Config();
        QVERIFY(Send(card, CardRequest::WriteBasicConfig).front().configStored);
        QVERIFY(SameBasic(card.Config(), Edited()));
        QVERIFY(
            std::equal(before.bytes.begin() + 128, before.bytes.end(), card.Config().bytes.begin() + 128));

        QVERIFY(Send(card, CardRequest::WriteExtendedConfig).front().configStored);
        QCOMPARE(card.Config().bytes, Edited().bytes);
        QCOMPARE(Decode(Send(card, CardRequest::ReadConfig).front().reply).config.bytes, Edited().bytes);

        // The status block reports the configured address and name.
        const CardStatusRecord status =
            Decode(Send(card, CardRequest::ReadStatus).front().reply).result.status;
        QVERIFY(std::equal(status.bytes.begin() + 8, status.bytes.begin() + 12, Edited().bytes.begin() + 2));
        QVERIFY(
            std::equal(status.bytes.begin() + 44, status.bytes.begin() + 60, Edited().bytes.begin() + 14));
    }

    void badRequestsIgnored_data() {
        QTest::addColumn<QByteArray>("line");
        Bytes frame = BuildCardRequest(CardRequest::WriteExtendedConfig, Edited());
        QByteArray good(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
        QByteArray wrongSum = good;
        wrongSum[1099] = wrongSum[1099] == '0' ? '1' : '0';
        QTest::newRow("wrong checksum") << wrongSum;
        QTest::newRow("cut short") << good.left(600) + "\r";
        QTest::newRow("bad digit") << good.left(40) + "X" + good.mid(41);
        QTest::newRow("restarted by ENQ") << good.left(600) + "\00500A9";
        QTest::newRow("basic wrong length") << QByteArray("\00500A200000080") + QByteArray(258, '0') + "\r";
        QTest::newRow("unknown type") << QByteArray("\00500AB00000000\r");
    }
    void badRequestsIgnored() {
        QFETCH(QByteArray, line);
        CCardSimulator card;
        const auto exchanges =
            card.Feed(reinterpret_cast<const std::uint8_t*>(line.constData()), std::size_t(line.size()));
        for (const CardSimExchange& exchange : exchanges) {
            QVERIFY(exchange.reply.empty());
            QVERIFY(!exchange.configStored);
        }
        QCOMPARE(card.Config().bytes, CCardSimulator::DefaultConfig().bytes);
    }

    void requestSplitAcrossReads() {
        CCardSimulator card;
        const Bytes frame = BuildCardRequest(CardRequest::ReadStatus, {});
        std::vector<CardSimExchange> exchanges;
        for (std::uint8_t b : frame) {
            auto more = card.Feed(&b, 1);
            exchanges.insert(exchanges.end(), more.begin(), more.end());
        }
        QCOMPARE(exchanges.size(), std::size_t(1));
        QCOMPARE(int(Decode(exchanges.front().reply).result.outcome), int(CardAnswerOutcome::Status));
        // Noise never grows a request without bound, and the card still listens afterwards.
        Bytes noise(3 * CCardSimulator::kMaxRequest, 'A');
        QVERIFY(card.Feed(noise).empty());
        noise.front() = 0x05;
        const auto dropped = card.Feed(noise);
        QCOMPARE(dropped.size(), std::size_t(1));
        QVERIFY(dropped.front().reply.empty());
        QCOMPARE(Send(card, CardRequest::ReadStatus).size(), std::size_t(1));
    }

    void clockAndReset() {
        std::uint64_t now = 1'000'000;
        CCardSimulator card;
        card.SetClock([&now] { return now; });
        now += 3'723'004;
        QCOMPARE(StatusDecodedText(card.CurrentStatus(), 7), QStringLiteral("01:02:03 004"));
        QVERIFY(Send(card, CardRequest::Reset).front().reply.empty());
        now += 5;
        QCOMPARE(StatusDecodedText(card.CurrentStatus(), 7), QStringLiteral("00:00:00 005"));
    }

    void faultNames() {
        for (int i = 0; i <= int(CardSimFault::WrongType); ++i) {
            CardSimFault fault = CardSimFault::None;
            QVERIFY(ParseCardSimFault(CardSimFaultName(CardSimFault(i)), fault));
            QCOMPARE(fault, CardSimFault(i));
        }
        CardSimFault fault = CardSimFault::Late;
        QVERIFY(!ParseCardSimFault("Silent", fault));
        QCOMPARE(fault, CardSimFault::Late);
    }

    void configFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("card.cfg");
        CCardSimulator card, other;
        card.SetConfig(Edited());
        QVERIFY(card.SaveConfig(path));
        QVERIFY(other.LoadConfig(path));
        QCOMPARE(other.Config().bytes, Edited().bytes);
        // A file of the wrong size is refused and changes nothing.
        QVERIFY(QFile::resize(path, 540));
        CCardSimulator third;
        QVERIFY(!third.LoadConfig(path));
        QCOMPARE(third.Config().bytes, CCardSimulator::DefaultConfig().bytes);
#ifdef Q_OS_UNIX
        // Neither waits for a writer nor reads for ever.
        const QString fifo = dir.filePath("fifo.cfg"), zero = dir.filePath("zero.cfg");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link("/dev/zero", zero));
        QString error;
        QVERIFY(!third.LoadConfig(fifo, &error));
        QVERIFY(error.contains("not a regular file"));
        QVERIFY(!third.LoadConfig(zero));
        QCOMPARE(third.Config().bytes, CCardSimulator::DefaultConfig().bytes);
#endif
    }
};

QTEST_GUILESS_MAIN(TestCardSimulator)
#include "tst_card_simulator.moc"
