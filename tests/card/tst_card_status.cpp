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
    // What the status window shows of a field: decoded, and for some rows raw.
    void texts_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("decoded");
        QTest::addColumn<QString>("raw"); // empty: not checked
        auto row = [](const char* name, int field, const QByteArray& bytes, const QString& decoded,
                      const QString& raw = {}) { QTest::newRow(name) << field << bytes << decoded << raw; };
        row("unit OEM", 0, "\x02", "OEM卡", "02H ");
        row("unit 1", 0, "\x01", "普通类型");
        row("subtype 1", 1, "\x01", "802.11b");
        row("subtype 0", 1, QByteArray(1, '\0'), "其它");
        row("mac", 2, QByteArray::fromHex("00A0F8010AFF"), "00.A0.F8.01.0A.FF", "00H A0H F8H 01H 0AH FFH ");
        row("ip", 3, QByteArray::fromHex("C0A80001"), "192.168.0.1", "C0H A8H 00H 01H ");
        row("text full width", 4, "0123456789ABCDEF", "0123456789ABCDEF");
        row("text short", 5, QByteArray("S24 2.50\0xyz", 12), "S24 2.50");
        row("text starts with NUL", 6, QByteArray("\0abcdefghijklmno", 16), "",
            "00H 61H 62H 63H 64H 65H 66H 67H 68H 69H 6AH 6BH 6CH 6DH 6EH 6FH ");
        row("text GBK", 6, "\xC4\xE3\xBA\xC3-1", "你好-1");
        row("text of a lone lead byte", 6, "\x81", "\uFFFD");
        row("text ends in a lead byte", 4, "0123456789ABCDE\xC4", "0123456789ABCDE\uFFFD");
        row("time zero", 7, QByteArray(4, '\0'), "00:00:00 000");
        row("time 3723004", 7, QByteArray::fromHex("FCCE3800"), "01:02:03 004");
        row("time max", 7, QByteArray::fromHex("FFFFFFFF"), "1193:02:47 295");
        row("contacted 0", 8, QByteArray(1, '\0'), "否");
        row("contacted 80h", 8, "\x80", "是");
        row("frame mode FFh", 11, "\xFF", "是");
        row("protocol 2", 9, "\x02", "UDP");
        row("protocol 3", 9, "\x03", "TCP");
        row("protocol 4", 9, "\x04", "Telnet");
        row("protocol 5", 9, "\x05", "LPD");
        row("protocol 0", 9, QByteArray(1, '\0'), "Unkown");
        row("protocol 6", 9, "\x06", "Unkown");
        row("hardware FFh", 13, "\xFF", "255");
        row("radio 0", 14, QByteArray(1, '\0'), "SPRING");
        row("radio 1", 14, "\x01", "RF80211");
        row("radio 2", 14, "\x02", "RF80211b");
        row("radio 3", 14, "\x03", "未知");
    }
    void texts() {
        QFETCH(int, field);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, raw);
        const CardStatusRecord record = WithBytes(StatusFieldOffsets()[std::size_t(field)], bytes);
        QTEST(StatusDecodedText(record, field), "decoded");
        if (!raw.isEmpty())
            QCOMPARE(StatusRawText(record, field), raw);
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
