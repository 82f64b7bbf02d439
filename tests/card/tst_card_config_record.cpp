// The configuration record's fields, the code tables and the two-digit hex reading.
#include "card/card_code_tables.h"
#include "card/card_config_record.h"
#include "card/hex_scan.h"

#include <QTest>

class TestCardConfigRecord : public QObject {
    Q_OBJECT

private slots:
    void numbersAreLittleEndian();
    void bitFieldsKeepTheOtherBits_data();
    void bitFieldsKeepTheOtherBits();
    void textFields();
    void cardOwnedBytes();
    void codeSearchFindsTheFirstPair();
    void scanHex2_data();
    void scanHex2();
};

void TestCardConfigRecord::numbersAreLittleEndian() {
    CardConfigRecord r;
    r.bytes[61] = 0x17;
    r.bytes[85] = 0xE8;
    r.bytes[86] = 0x03;
    QCOMPARE(r.IpPort(), std::uint16_t(23));
    QCOMPARE(r.RetryMs(), std::uint16_t(1000));
    r.SetIpPort(0xABCD);
    QCOMPARE(r.bytes[61], std::uint8_t(0xCD));
    QCOMPARE(r.bytes[62], std::uint8_t(0xAB));
    r.bytes[128] = 0x9D;
    r.bytes[129] = 0x01;
    QCOMPARE(r.ExtLength(), std::uint16_t(413));
    r.SetLocalIp({192, 168, 0, 1});
    QCOMPARE(r.bytes[2], std::uint8_t(192));
    QCOMPARE(r.bytes[5], std::uint8_t(1));
    r.SetPreferredApMac({1, 2, 3, 4, 5, 6});
    QCOMPARE(r.bytes[144], std::uint8_t(1));
    QCOMPARE(r.bytes[149], std::uint8_t(6));
    r.SetWepKeyByte(3, 12, 0x77);
    QCOMPARE(r.bytes[150 + 14 * 3 + 13], std::uint8_t(0x77));
}

void TestCardConfigRecord::bitFieldsKeepTheOtherBits_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    // field: 0 group name := 5, 1 close on out of range := off, 2 no unit name id := on,
    // 3 escape := 7Fh, 4 byte stuffing := off, 5 option 11 := 0, 6 DHCP := off, 7 basic rates := 0
    QTest::newRow("group name keeps bits 4-7") << 82 << 0 << 0xFA << 0xF5;
    QTest::newRow("close on out of range") << 82 << 1 << 0xFF << 0xBF;
    QTest::newRow("unit name id") << 82 << 2 << 0x30 << 0xB0;
    QTest::newRow("escape keeps stuffing") << 83 << 3 << 0x80 << 0xFF;
    QTest::newRow("stuffing keeps escape") << 83 << 4 << 0x9B << 0x1B;
    QTest::newRow("option 11 keeps flags") << 89 << 5 << 0xFF << 0xF0;
    QTest::newRow("DHCP keeps the rest") << 89 << 6 << 0xFF << 0x7F;
    QTest::newRow("rates keep bits 4-7") << 134 << 7 << 0xAF << 0xA0;
}

void TestCardConfigRecord::bitFieldsKeepTheOtherBits() {
    QFETCH(int, offset);
    QFETCH(int, field);
    QFETCH(int, before);
    QFETCH(int, after);
    CardConfigRecord r;
    r.bytes[std::size_t(offset)] = std::uint8_t(before);
    switch (field) {
    case 0: r.SetGroupNameIndex(5); break;
    case 1: r.SetCloseOnOutOfRange(false); break;
    case 2: r.SetNoUnitNameId(true); break;
    case 3: r.SetCmdEscapeChar(0x7F); break;
    case 4: r.SetByteStuffing(false); break;
    case 5: r.SetOption11Index(0); break;
    case 6: r.SetDhcpEnabled(false); break;
    case 7: r.SetBasicRates(0); break;
    }
    QCOMPARE(int(r.bytes[std::size_t(offset)]), after);
}

void TestCardConfigRecord::textFields() {
    CardConfigRecord r;
    r.bytes.fill(0xEE);
    r.SetUnitName("AB");
    QCOMPARE(r.UnitName(), std::string("AB"));
    QCOMPARE(r.bytes[16], std::uint8_t(0)); // the rest of the field cleared
    QCOMPARE(r.bytes[29], std::uint8_t(0));
    QCOMPARE(r.bytes[30], std::uint8_t(0xEE));
    r.SetUnitName("0123456789ABCDEFXYZ"); // cut at the field's width
    QCOMPARE(r.UnitName(), std::string("0123456789ABCDEF"));
    QCOMPARE(r.bytes[30], std::uint8_t(0xEE));
    r.SetEssId(std::string(40, 'e'));
    QCOMPARE(r.EssId(), std::string(32, 'e'));
    QCOMPARE(r.bytes[127], std::uint8_t(0xEE));
}

void TestCardConfigRecord::cardOwnedBytes() {
    int owned = 0;
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        owned += CardConfigRecord::IsCardOwnedByte(i);
    QCOMPARE(owned, 2 + 6 + 1 + 17 + 18 + 1 + 1 + 68 + 256);
    QVERIFY(CardConfigRecord::IsCardOwnedByte(91));
    QVERIFY(!CardConfigRecord::IsCardOwnedByte(92));
    QVERIFY(!CardConfigRecord::IsCardOwnedByte(540));
}

void TestCardConfigRecord::codeSearchFindsTheFirstPair() {
    QCOMPARE(FindCodeIndex(DiversityCodeTable(), 3), 2);
    QCOMPARE(FindCodeIndex(DiversityCodeTable(), 2), -1);
    QCOMPARE(FindCodeIndex(BaudCodeTable(), 0), -1);
    QCOMPARE(FindCodeIndex(BaudCodeTable(), 7), 6);
    const CodeTable twice{{QStringLiteral("a"), 4}, {QStringLiteral("b"), 4}};
    QCOMPARE(FindCodeIndex(twice, 4), 0);
    QCOMPARE(CodeAtIndex(DiversityCodeTable(), 2), 3);
    QCOMPARE(CodeAtIndex(DiversityCodeTable(), 3), -1);
    QCOMPARE(CodeAtIndex(DiversityCodeTable(), -1), -1);
    QCOMPARE(GroupNameTable().at(15).text, QStringLiteral("SPECTRUM24_OEMF"));
    QCOMPARE(Option11Table().at(15).text, QStringLiteral("Index 15 (offset 14)"));
    QCOMPARE(Option11Table().size(), std::size_t(16));
}

void TestCardConfigRecord::scanHex2_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("value");
    QTest::newRow("1B") << "1B" << true << quint32(0x1B);
    QTest::newRow("lower case") << "7f" << true << quint32(0x7F);
    QTest::newRow("only two characters") << "1B9" << true << quint32(0x1B);
    QTest::newRow("leading blanks") << " \t1B" << true << quint32(0x1B);
    QTest::newRow("one digit") << "5" << true << quint32(5);
    QTest::newRow("stops at a non-digit") << "1G" << true << quint32(1);
    QTest::newRow("-1 is the largest") << "-1" << true << quint32(0xFFFFFFFF);
    QTest::newRow("sign counts as one") << "+1B" << true << quint32(1);
    QTest::newRow("G1") << "G1" << false << quint32(0);
    QTest::newRow("empty") << "" << false << quint32(0);
    QTest::newRow("blanks only") << "   " << false << quint32(0);
    QTest::newRow("sign alone") << "-" << false << quint32(0);
}

void TestCardConfigRecord::scanHex2() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, value);
    const QByteArray bytes = text.toLatin1();
    const std::optional<std::uint32_t> got = ScanHex2(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    QCOMPARE(got.has_value(), ok);
    if (ok)
        QCOMPARE(quint32(*got), value);
}

QTEST_GUILESS_MAIN(TestCardConfigRecord)
#include "tst_card_config_record.moc"
