#include "card/card_answer.h"

#include <QTest>

namespace {

const QString kShort = QStringLiteral("读回的数据数量不足!");
const QString kBadData = QStringLiteral("读回的数据出错!");
const QString kStatusLength = QStringLiteral("读回的状态信息长度错误!");
const QString kConfigLength = QStringLiteral("读回的配置信息长度错误!");

std::uint8_t Pattern(std::size_t i) {
    return static_cast<std::uint8_t>(i * 7 + 3);
}

QByteArray PatternHex(std::size_t count) {
    QByteArray bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes.append(char(Pattern(i)));
    return bytes.toHex().toUpper();
}

// A card answer: ENQ, type, sequence, length, [inner type], data, a checksum the program ignores, CR.
QByteArray Answer(const char* type, const char* length, const QByteArray& data, const char* inner = "") {
    return "\x05" + QByteArray(type) + "0000" + length + inner + data + "5A\r";
}

QByteArray Status() {
    return Answer("00A8", "0047", PatternHex(71));
}

} // namespace

class TestCardAnswer : public QObject {
    Q_OBJECT

private slots:
    // What an answer decodes to and how much of which record it fills: a failed answer keeps what it
    // decoded before the fault and leaves the rest as it was.
    void decode_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("configBytes");
        QTest::addColumn<int>("readBackBytes");
        using O = CardAnswerOutcome;
        auto row = [](const char* name, const QByteArray& answer, O outcome, const QString& message = {},
                      int configBytes = 0, int readBackBytes = 0) {
            QTest::newRow(name) << answer << int(outcome) << message << configBytes << readBackBytes;
        };
        const QByteArray head = "\00500A800000047";
        const QByteArray basic = PatternHex(128), extended = PatternHex(541);

        row("status", Status(), O::Status);
        row("stale prefix", QByteArray("\000\37700A8 junk\n", 12) + Status(), O::Status);
        row("lower case", Status().toLower(), O::Status);
        row("no CR needed", head + PatternHex(71), O::Status);
        row("buffer ends a digit short", head + PatternHex(71).chopped(1), O::Failed, kShort);
        row("CR early", head + PatternHex(35) + "\r", O::Failed, kShort);
        row("CR in a byte", head + PatternHex(35) + "0\r", O::Failed, kBadData);
        row("bad digit", head + PatternHex(10) + "G0" + PatternHex(71).mid(22) + "\r", O::Failed, kBadData);
        row("status length 70", Answer("00A8", "0046", PatternHex(70)), O::Failed, kStatusLength);
        row("status length 72", Answer("00A8", "0048", PatternHex(72)), O::Failed, kStatusLength);
        row("no answer", QByteArray(), O::Failed);
        row("no ENQ", Status().mid(1), O::Failed);
        row("bad type digit", Answer("00G8", "0047", PatternHex(71)), O::Failed);
        row("header cut short", QByteArray("\00500A80000004"), O::Failed);
        row("info type", Answer("00AB", "0047", PatternHex(71)), O::Failed);

        row("basic config", Answer("00A1", "0080", basic), O::BasicConfig, {}, 128);
        row("basic config length 0081", Answer("00A1", "0081", PatternHex(129)), O::Failed, kConfigLength);
        row("basic ack", Answer("00A3", "0080", basic), O::BasicAck, {}, 0, 128);
        row("basic ack bad digit", Answer("00A3", "0080", PatternHex(100) + "GG" + basic.mid(202)), O::Failed,
            kBadData, 0, 100);
        row("extended config", Answer("00B2", "021F", extended, "00A1"), O::ExtendedConfig, {}, 541);
        row("extended ack", Answer("00B2", "021F", extended, "00A3"), O::ExtendedAck, {}, 0, 541);
        row("extended length 021E", Answer("00B2", "021E", PatternHex(540), "00A1"), O::Failed, kConfigLength);
        row("extended length 0000", Answer("00B2", "0000", extended, "00A1"), O::Failed, kConfigLength);
        row("extended inner 00A8", Answer("00B2", "021F", extended, "00A8"), O::Failed);
        // The inner type is judged before the length.
        row("extended inner 00A8, bad length", Answer("00B2", "0049", PatternHex(71), "00A8"), O::Failed);
        row("extended inner bad digit", Answer("00B2", "021F", extended, "00Z1"), O::Failed);
        row("extended CR early", "\x05" "00B20000021F00A1" + PatternHex(400) + "\r", O::Failed, kShort, 400);

        // What an exchange collects when no CR comes: 4096 bytes.
        row("4096 bytes, complete frame", (head + PatternHex(71)).leftJustified(4096, 'x'), O::Status);
        row("4096 bytes, data runs off",
            (QByteArray(3500, 'x') + Answer("00B2", "021F", extended, "00A1")).left(4096), O::Failed, kShort,
            (4096 - 3500 - 17) / 2); // the header's 17 characters, then two digits a byte
    }
    void decode() {
        QFETCH(QByteArray, answer);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QFETCH(int, configBytes);
        QFETCH(int, readBackBytes);
        CardConfigRecord config, readBack;
        config.bytes.fill(0xEE);
        readBack.bytes.fill(0xEE);
        const CardAnswerResult result =
            DecodeCardAnswer(reinterpret_cast<const std::uint8_t*>(answer.constData()),
                             std::size_t(answer.size()), config, readBack);
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.message, message);
        if (result.outcome == CardAnswerOutcome::Status) {
            for (std::size_t i = 0; i < CardStatusRecord::kSize; ++i)
                QCOMPARE(result.status.bytes[i], Pattern(i));
        }
        for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i) {
            QCOMPARE(config.bytes[i], i < std::size_t(configBytes) ? Pattern(i) : std::uint8_t(0xEE));
            QCOMPARE(readBack.bytes[i], i < std::size_t(readBackBytes) ? Pattern(i) : std::uint8_t(0xEE));
        }
    }
};

QTEST_GUILESS_MAIN(TestCardAnswer)
#include "tst_card_answer.moc"
