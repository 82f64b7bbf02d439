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
    void decode_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        const int failed = int(CardAnswerOutcome::Failed);
        const int status = int(CardAnswerOutcome::Status);
        const QByteArray head = "\00500A800000047";

        QTest::newRow("status") << Status() << status << QString();
        QTest::newRow("stale prefix")
            << QByteArray("\000\37700A8 junk\n", 12) + Status() << status << QString();
        QTest::newRow("lower case") << Status().toLower() << status << QString();
        QTest::newRow("no CR needed") << head + PatternHex(71) << status << QString();
        QTest::newRow("buffer ends a digit short") << head + PatternHex(71).chopped(1) << failed << kShort;
        QTest::newRow("CR early") << head + PatternHex(35) + "\r" << failed << kShort;
        QTest::newRow("CR in a byte") << head + PatternHex(35) + "0\r" << failed << kBadData;
        QTest::newRow("bad digit") << head + PatternHex(10) + "G0" + PatternHex(71).mid(22) + "\r" << failed
                                   << kBadData;
        QTest::newRow("status length 70")
            << Answer("00A8", "0046", PatternHex(70)) << failed << kStatusLength;
        QTest::newRow("status length 72")
            << Answer("00A8", "0048", PatternHex(72)) << failed << kStatusLength;
        QTest::newRow("no answer") << QByteArray() << failed << QString();
        QTest::newRow("no ENQ") << Status().mid(1) << failed << QString();
        QTest::newRow("bad type digit") << Answer("00G8", "0047", PatternHex(71)) << failed << QString();
        QTest::newRow("header cut short") << QByteArray("\00500A80000004") << failed << QString();
        QTest::newRow("info type") << Answer("00AB", "0047", PatternHex(71)) << failed << QString();

        QTest::newRow("basic config")
            << Answer("00A1", "0080", PatternHex(128)) << int(CardAnswerOutcome::BasicConfig) << QString();
        QTest::newRow("basic config length 0081")
            << Answer("00A1", "0081", PatternHex(129)) << failed << kConfigLength;
        QTest::newRow("basic ack") << Answer("00A3", "0080", PatternHex(128))
                                   << int(CardAnswerOutcome::BasicAck) << QString();
        QTest::newRow("extended config") << Answer("00B2", "021F", PatternHex(541), "00A1")
                                         << int(CardAnswerOutcome::ExtendedConfig) << QString();
        QTest::newRow("extended ack") << Answer("00B2", "021F", PatternHex(541), "00A3")
                                      << int(CardAnswerOutcome::ExtendedAck) << QString();
        QTest::newRow("extended length 021E")
            << Answer("00B2", "021E", PatternHex(540), "00A1") << failed << kConfigLength;
        QTest::newRow("extended length 0000")
            << Answer("00B2", "0000", PatternHex(541), "00A1") << failed << kConfigLength;
        QTest::newRow("extended inner 00A8")
            << Answer("00B2", "021F", PatternHex(541), "00A8") << failed << QString();
        // The inner type is judged before the length.
        QTest::newRow("extended inner 00A8, bad length")
            << Answer("00B2", "0049", PatternHex(71), "00A8") << failed << QString();
        QTest::newRow("extended inner bad digit")
            << Answer("00B2", "021F", PatternHex(541), "00Z1") << failed << QString();
        QTest::newRow("extended CR early")
            << Answer("00B2", "021F", PatternHex(300), "00A1") << failed << kShort;

        // What an exchange collects when no CR comes: 4096 bytes.
        QTest::newRow("4096 bytes, complete frame")
            << (head + PatternHex(71)).leftJustified(4096, 'x') << status << QString();
        QTest::newRow("4096 bytes, data runs off")
            << (QByteArray(3500, 'x') + Answer("00B2", "021F", PatternHex(541), "00A1")).left(4096) << failed
            << kShort;
    }
    void decode() {
        QFETCH(QByteArray, answer);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        CardConfigRecord config, readBack;
        const CardAnswerResult result =
            DecodeCardAnswer(reinterpret_cast<const std::uint8_t*>(answer.constData()),
                             std::size_t(answer.size()), config, readBack);
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.message, message);
        if (result.outcome == CardAnswerOutcome::Status) {
            for (std::size_t i = 0; i < CardStatusRecord::kSize; ++i)
                QCOMPARE(result.status.bytes[i], Pattern(i));
        }
    }

    // Which record an answer fills and how much of it; a failed answer keeps what it decoded before
    // the fault and leaves the rest as it was.
    void records_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("configBytes");
        QTest::addColumn<int>("readBackBytes");
        QTest::newRow("basic config") << Answer("00A1", "0080", PatternHex(128)) << 128 << 0;
        QTest::newRow("basic ack") << Answer("00A3", "0080", PatternHex(128)) << 0 << 128;
        QTest::newRow("extended config") << Answer("00B2", "021F", PatternHex(541), "00A1") << 541 << 0;
        QTest::newRow("extended ack") << Answer("00B2", "021F", PatternHex(541), "00A3") << 0 << 541;
        QTest::newRow("extended config cut") << ("\x05" "00B20000021F00A1" + PatternHex(400) + "\r") << 400 << 0;
        QTest::newRow("basic ack bad digit")
            << Answer("00A3", "0080", PatternHex(100) + "GG" + PatternHex(128).mid(202)) << 0 << 100;
    }
    void records() {
        QFETCH(QByteArray, answer);
        QFETCH(int, configBytes);
        QFETCH(int, readBackBytes);
        CardConfigRecord config, readBack;
        config.bytes.fill(0xEE);
        readBack.bytes.fill(0xEE);
        DecodeCardAnswer(reinterpret_cast<const std::uint8_t*>(answer.constData()),
                         std::size_t(answer.size()), config, readBack);
        for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i) {
            QCOMPARE(config.bytes[i], i < std::size_t(configBytes) ? Pattern(i) : std::uint8_t(0xEE));
            QCOMPARE(readBack.bytes[i], i < std::size_t(readBackBytes) ? Pattern(i) : std::uint8_t(0xEE));
        }
    }
};

QTEST_GUILESS_MAIN(TestCardAnswer)
#include "tst_card_answer.moc"
