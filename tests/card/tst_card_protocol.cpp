#include "card/card_protocol.h"
#include "card/hex_codec.h"

#include <QTest>

Q_DECLARE_METATYPE(CardConfigRecord)

using Bytes = std::vector<std::uint8_t>;

namespace {

QByteArray ToArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

CardConfigRecord Filled(std::uint8_t value) {
    CardConfigRecord record;
    record.bytes.fill(value);
    return record;
}

} // namespace

class TestCardProtocol : public QObject {
    Q_OBJECT

private slots:
    void decodeHex_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("byte upper") << 2 << QByteArray("A5") << 0 << 2 << true << 0xA5;
        QTest::newRow("byte lower") << 2 << QByteArray("f0") << 0 << 2 << true << 0xF0;
        QTest::newRow("byte mid-text") << 2 << QByteArray("xx9Fxx") << 2 << 6 << true << 0x9F;
        // The characters either side of each digit range.
        for (const char* bad : {"/0", "0:", "@0", "0G", "`0", "0g", "0\r"})
            QTest::addRow("byte %s", bad) << 2 << QByteArray(bad) << 0 << 2 << false << -1;
        QTest::newRow("byte one left") << 2 << QByteArray("A5") << 1 << 2 << false << 0;
        QTest::newRow("byte end cuts") << 2 << QByteArray("A5") << 0 << 1 << false << 0;
        QTest::newRow("byte past end") << 2 << QByteArray("A5") << 3 << 2 << false << 0;
        QTest::newRow("word msd first") << 4 << QByteArray("00B2") << 0 << 4 << true << 0x00B2;
        QTest::newRow("word mixed case") << 4 << QByteArray("fFeE") << 0 << 4 << true << 0xFFEE;
        QTest::newRow("word three left") << 4 << QByteArray("1234") << 1 << 4 << false << 0;
        QTest::newRow("word bad digit") << 4 << QByteArray("12G4") << 0 << 4 << false << -1;
    }
    void decodeHex() {
        QFETCH(int, digits);
        QFETCH(QByteArray, text);
        QFETCH(int, pos);
        QFETCH(int, end);
        QFETCH(bool, ok);
        QFETCH(int, value); // -1: meaningless after a bad digit
        const auto* data = reinterpret_cast<const std::uint8_t*>(text.constData());
        int decoded = 0;
        bool decodedOk = false;
        if (digits == 4) {
            std::uint16_t w = 0xDEAD;
            decodedOk = DecodeHexWord(data, std::size_t(pos), std::size_t(end), w);
            decoded = w;
        } else {
            std::uint8_t b = 0xEE;
            decodedOk = DecodeHexByte(data, std::size_t(pos), std::size_t(end), b);
            decoded = b;
        }
        QCOMPARE(decodedOk, ok);
        if (value >= 0)
            QCOMPARE(decoded, value);
    }

    void hexRoundTrip() {
        Bytes text;
        for (int b = 0; b < 256; ++b)
            AppendHexByte(text, static_cast<std::uint8_t>(b));
        AppendHexWord(text, 0x021F);
        QCOMPARE(ToArray(text).mid(2 * 0xAB, 2), QByteArray("AB"));
        QCOMPARE(ToArray(text).right(4), QByteArray("021F"));
        for (int b = 0; b < 256; ++b) {
            std::uint8_t value = 0;
            QVERIFY(DecodeHexByte(text.data(), std::size_t(2 * b), text.size(), value));
            QCOMPARE(int(value), b);
        }
    }

    void requests_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<CardConfigRecord>("record");
        QTest::addColumn<QByteArray>("expected");
        const CardConfigRecord zero = Filled(0);
        QTest::newRow("reset") << int(CardRequest::Reset) << Filled(0xFF) << QByteArray("\00500A900000000\r");
        QTest::newRow("read status") << int(CardRequest::ReadStatus) << zero
                                     << QByteArray("\00500A700000000\r");
        QTest::newRow("read config") << int(CardRequest::ReadConfig) << zero
                                     << QByteArray("\00500B20000000000A0\r");
        QTest::newRow("basic all FF") << int(CardRequest::WriteBasicConfig) << Filled(0xFF)
                                      << "\00500A200000081" + QByteArray(256, 'F') + "80\r";
        // Only the extended write carries and sums the bytes beyond the basic part.
        CardConfigRecord tail = zero;
        tail.bytes[128] = 0x12;
        tail.bytes[540] = 0xF0;
        QTest::newRow("basic ignores tail") << int(CardRequest::WriteBasicConfig) << tail
                                            << "\00500A200000081" + QByteArray(256, '0') + "00\r";
        QTest::newRow("extended sums tail")
            << int(CardRequest::WriteExtendedConfig) << tail
            << "\00500B20000000000A2" + QByteArray(256, '0') + "12" + QByteArray(822, '0') + "F0" + "02\r";
    }
    void requests() {
        QFETCH(int, request);
        QFETCH(CardConfigRecord, record);
        QFETCH(QByteArray, expected);
        QCOMPARE(ToArray(BuildCardRequest(static_cast<CardRequest>(request), record)), expected);
    }
};

QTEST_GUILESS_MAIN(TestCardProtocol)
#include "tst_card_protocol.moc"
