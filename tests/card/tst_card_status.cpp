#include "card/card_status.h"

#include <QTest>

namespace {

CardStatusRecord WithBytes(int offset, const QByteArray& bytes) {
    CardStatusRecord record;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        record.bytes[std::size_t(offset + i)] = std::uint8_t(bytes[i]);
    return record;
}

} // namespace

class TestCardStatus : public QObject {
    Q_OBJECT

private slots:
    void decodedText_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unit OEM") << 0 << QByteArray("\x02") << "OEM卡";
        QTest::newRow("unit 1") << 0 << QByteArray("\x01") << "普通类型";
        QTest::newRow("subtype 1") << 1 << QByteArray("\x01") << "802.11b";
        QTest::newRow("subtype 0") << 1 << QByteArray(1, '\0') << "其它";
        QTest::newRow("mac") << 2 << QByteArray::fromHex("00A0F8010AFF") << "00.A0.F8.01.0A.FF";
        QTest::newRow("ip") << 3 << QByteArray::fromHex("C0A80001") << "192.168.0.1";
        QTest::newRow("text full width") << 4 << QByteArray("0123456789ABCDEF") << "0123456789ABCDEF";
        QTest::newRow("text short") << 5 << QByteArray("S24 2.50\0xyz", 12) << "S24 2.50";
        QTest::newRow("text starts with NUL") << 6 << QByteArray("\0station", 8) << "";
        QTest::newRow("text GBK") << 6 << QByteArray("\xC4\xE3\xBA\xC3-1") << "你好-1";
        QTest::newRow("text of a lone lead byte") << 6 << QByteArray("\x81") << "\uFFFD";
        QTest::newRow("text ends in a lead byte") << 4 << QByteArray("0123456789ABCDE\xC4") << "0123456789ABCDE\uFFFD";
        QTest::newRow("time zero") << 7 << QByteArray(4, '\0') << "00:00:00 000";
        QTest::newRow("time 3723004") << 7 << QByteArray::fromHex("FCCE3800") << "01:02:03 004";
        QTest::newRow("time max") << 7 << QByteArray::fromHex("FFFFFFFF") << "1193:02:47 295";
        QTest::newRow("contacted 0") << 8 << QByteArray(1, '\0') << "否";
        QTest::newRow("contacted 80h") << 8 << QByteArray("\x80") << "是";
        QTest::newRow("frame mode FFh") << 11 << QByteArray("\xFF") << "是";
        QTest::newRow("protocol 2") << 9 << QByteArray("\x02") << "UDP";
        QTest::newRow("protocol 3") << 9 << QByteArray("\x03") << "TCP";
        QTest::newRow("protocol 4") << 9 << QByteArray("\x04") << "Telnet";
        QTest::newRow("protocol 5") << 9 << QByteArray("\x05") << "LPD";
        QTest::newRow("protocol 0") << 9 << QByteArray(1, '\0') << "Unkown";
        QTest::newRow("protocol 6") << 9 << QByteArray("\x06") << "Unkown";
        QTest::newRow("hardware FFh") << 13 << QByteArray("\xFF") << "255";
        QTest::newRow("radio 0") << 14 << QByteArray(1, '\0') << "SPRING";
        QTest::newRow("radio 1") << 14 << QByteArray("\x01") << "RF80211";
        QTest::newRow("radio 2") << 14 << QByteArray("\x02") << "RF80211b";
        QTest::newRow("radio 3") << 14 << QByteArray("\x03") << "未知";
    }
    void decodedText() {
        QFETCH(int, field);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const CardStatusRecord record = WithBytes(StatusFieldOffsets()[std::size_t(field)], bytes);
        QCOMPARE(StatusDecodedText(record, field), expected);
    }

    void rawText_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unit") << 0 << QByteArray("\x02") << "02H ";
        QTest::newRow("mac") << 2 << QByteArray::fromHex("00A0F8010203") << "00H A0H F8H 01H 02H 03H ";
        QTest::newRow("ip") << 3 << QByteArray::fromHex("C0A80001") << "C0H A8H 00H 01H ";
        QTest::newRow("text starting with NUL")
            << 6 << QByteArray("\0abcdefghijklmno", 16)
            << "00H 61H 62H 63H 64H 65H 66H 67H 68H 69H 6AH 6BH 6CH 6DH 6EH 6FH ";
    }
    void rawText() {
        QFETCH(int, field);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const CardStatusRecord record = WithBytes(StatusFieldOffsets()[std::size_t(field)], bytes);
        QCOMPARE(StatusRawText(record, field), expected);
    }

    void fieldTexts() {
        const QStringList offsets{"00", "01", "02", "08", "12", "28", "44", "60",
                                  "64", "65", "66", "67", "68", "69", "70"};
        CardStatusRecord record;
        int rawLength = 0;
        for (int k = 0; k < kStatusFieldCount; ++k) {
            QCOMPARE(StatusFieldOffsetText(k), offsets[k]);
            rawLength += int(StatusRawText(record, k).size());
        }
        QCOMPARE(rawLength, 4 * int(CardStatusRecord::kSize));
        QCOMPARE(StatusFieldLabel(7), QStringLiteral("时间（RTC格式）"));
        QVERIFY(StatusDecodedText(record, kStatusFieldCount).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCardStatus)
#include "tst_card_status.moc"
