// The extended dialog's values without widgets: load, collect in order, the key boxes.
#include "card/ext_card_config_form.h"
#include "res/resource.h"

#include <QTest>

namespace {

// Every byte distinct, the coded bytes valid, so that load + collect must give it back.
CardConfigRecord Consistent() {
    CardConfigRecord r;
    for (std::size_t i = 0; i < r.bytes.size(); ++i)
        r.bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    auto& b = r.bytes;
    b[280] = 1;
    b[136] = 6;
    b[137] = 3;
    b[133] = 0;
    b[134] = 0xA5;
    b[135] = 0x5A;
    b[206] = 1;
    b[207] = 2;
    b[208] = 3;
    for (int k = 0; k < 4; ++k)
        b[150 + 14 * k] = 13;
    b[210] = 1;
    b[537] = 1;
    for (int i = 0; i < 6; ++i)
        b[138 + i] = b[144 + i];
    return r;
}

QByteArray Bytes(const CardConfigRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(r.bytes.data()), qsizetype(r.bytes.size()));
}

} // namespace

class TestExtCardConfigForm : public QObject {
    Q_OBJECT

private slots:
    void loadThenCollectKeepsTheRecord() {
        CardConfigRecord r = Consistent();
        r.bytes[138] = 0x11; // never shown: collect copies the preferred address over it
        ExtCardConfigForm form;
        form.Load(r);
        const auto result = form.Collect(r);
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(Bytes(r), Bytes(Consistent()));
    }

    void infoText() {
        CardConfigRecord r = Consistent();
        r.bytes[128] = 0x9D;
        r.bytes[129] = 0x01;
        r.bytes[130] = 0x02;
        r.bytes[131] = 0x05;
        ExtCardConfigForm form;
        form.Load(r);
        QCOMPARE(form.info, QStringLiteral("Length = 413\r\nVersion = 2.5"));
    }

    void authenticationSetsModeAndKeyLengths_data() {
        QTest::addColumn<int>("auth");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("length");
        QTest::newRow("open system") << 0 << 0 << 5;
        QTest::newRow("40 bits") << 1 << 3 << 5;
        QTest::newRow("128 bits") << 2 << 3 << 13;
    }
    void authenticationSetsModeAndKeyLengths() {
        QFETCH(int, auth);
        CardConfigRecord r = Consistent();
        ExtCardConfigForm form;
        form.Load(r);
        form.authentication = auth;
        form.keys[3][12] = QStringLiteral("7e"); // the last byte is stored whatever the key length
        QVERIFY(form.Collect(r).ok);
        QCOMPARE(int(r.bytes[207]), auth);
        QTEST(int(r.bytes[208]), "mode");
        for (int k = 0; k < 4; ++k)
            QTEST(int(r.bytes[150 + 14 * k]), "length");
        QCOMPARE(int(r.bytes[150 + 14 * 3 + 13]), 0x7E);
    }

    void keyBoxes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -1: refused
        QTest::addColumn<QString>("message");
        const QString set = QStringLiteral("请设置WEP KEY!");
        const QString range = QStringLiteral("WEP KEY的有效数值在00-FF之间！");
        QTest::newRow("1") << "1" << 0x01 << QString();
        QTest::newRow("1FF reads two characters") << "1FF" << 0x1F << QString();
        QTest::newRow("lower case") << "ab" << 0xAB << QString();
        QTest::newRow("leading blank") << " 0A" << 0x0A << QString();
        QTest::newRow("plus counts as a character") << "+1F" << 0x01 << QString();
        QTest::newRow("-1") << "-1" << -1 << range;
        QTest::newRow("-0") << "-0" << 0 << QString();
        QTest::newRow("G0") << "G0" << -1 << set;
        QTest::newRow("empty") << "" << -1 << set;
        QTest::newRow("blanks only") << "  " << -1 << set;
        QTest::newRow("sign only") << "-" << -1 << set;
    }
    void keyBoxes() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(QString, message);
        const CardConfigRecord before = Consistent();
        CardConfigRecord r = before;
        ExtCardConfigForm form;
        form.Load(r);
        form.keys[0][0] = QStringLiteral("C3"); // a box before the one under test
        form.keys[2][6] = text;                 // key 3, byte 7
        form.keys[3][0] = QStringLiteral("3C"); // and one after it
        const auto result = form.Collect(r);
        QCOMPARE(result.message, message);
        QCOMPARE(result.ok, message.isEmpty());
        QCOMPARE(int(r.bytes[150 + 1]), 0xC3);
        if (result.ok) {
            QCOMPARE(int(r.bytes[150 + 28 + 7]), value);
            QCOMPARE(int(r.bytes[150 + 42 + 1]), 0x3C);
        } else {
            QCOMPARE(result.focusId, 1176 + 26 + 7);
            QCOMPARE(int(r.bytes[150 + 28 + 7]), int(before.bytes[150 + 28 + 7]));
            QCOMPARE(int(r.bytes[150 + 42 + 1]), int(before.bytes[150 + 42 + 1]));
        }
    }

    // Coded bytes outside their lists open unselected and stop collect at their message.
    void unselectedChoicesAreAskedFor_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::newRow("authentication 3")
            << 207 << 3 << QStringLiteral("请选择WEP鉴定算法!") << int(IDC_WEP_AUTH);
        QTest::newRow("key in use 4")
            << 206 << 4 << QStringLiteral("请选择加密算法序号!") << int(IDC_WEP_KEY_USE_FIRST);
    }
    void unselectedChoicesAreAskedFor() {
        QFETCH(int, offset);
        QFETCH(int, value);
        CardConfigRecord r = Consistent();
        r.bytes[offset] = static_cast<std::uint8_t>(value);
        ExtCardConfigForm form;
        form.Load(r);
        const auto result = form.Collect(r);
        QVERIFY(!result.ok);
        QTEST(result.message, "message");
        QTEST(result.focusId, "focus");
    }

    void numberBoxesTakeWholeNumbersUpTo255_data() {
        QTest::addColumn<int>("box"); // 0-5 preferred MAC, 6 TX power, 7 restart delay, 8 mandatory MAC
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("focus"); // 0: accepted
        QTest::newRow("255") << 0 << "255" << 0;
        QTest::newRow("blanks around") << 5 << " 17 " << 0;
        QTest::newRow("256") << 2 << "256" << int(IDC_PREFERRED_MAC_FIRST) + 2;
        QTest::newRow("negative") << 6 << "-1" << int(IDC_ADHOC_TX_POWER);
        QTest::newRow("plus sign") << 1 << "+1" << int(IDC_PREFERRED_MAC_FIRST) + 1;
        QTest::newRow("letters") << 7 << "1a" << int(IDC_RESTART_DELAY);
        QTest::newRow("empty mandatory") << 8 << "" << int(IDC_MANDATORY_MAC_FIRST) + 3;
    }
    void numberBoxesTakeWholeNumbersUpTo255() {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(int, focus);
        CardConfigRecord r = Consistent();
        ExtCardConfigForm form;
        form.Load(r);
        if (box < 6)
            form.preferredMac[box] = text;
        else if (box == 6)
            form.txPower = text;
        else if (box == 7)
            form.restartDelay = text;
        else
            form.mandatoryMac[3] = text;
        const auto result = form.Collect(r);
        QCOMPARE(result.ok, focus == 0);
        if (focus) {
            QCOMPARE(result.focusId, focus);
            QCOMPARE(Bytes(r), Bytes(Consistent())); // refused before anything is written
        } else if (box < 6) {
            QCOMPARE(int(r.bytes[144 + box]), text.trimmed().toInt());
            QCOMPARE(int(r.bytes[138 + box]), text.trimmed().toInt());
        }
    }

    void adHocAndRates() {
        CardConfigRecord r = Consistent(); // Ad Hoc on, channel 6
        ExtCardConfigForm form;
        form.Load(r);
        QCOMPARE(form.channel, 5);
        QVERIFY(form.Collect(r).ok);
        QCOMPARE(int(r.bytes[136]), 6);

        form.adHocEnabled = false;
        form.txPower = QStringLiteral("4");
        form.basicRates = {false, true, true, false};
        form.txRates = {true, false, false, true};
        QVERIFY(form.Collect(r).ok);
        QCOMPARE(int(r.bytes[280]), 0);
        QCOMPARE(int(r.bytes[136]), 0);
        QCOMPARE(int(r.bytes[132]), 4);
        QCOMPARE(int(r.bytes[134]), 0xA6); // bits 4-7 kept
        QCOMPARE(int(r.bytes[135]), 0x59);
    }

    void codedBytes_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("collected");
        QTest::newRow("port 2 disabled") << 137 << 8 << 8;
        QTest::newRow("port 2 unknown") << 137 << 9 << 0xFF;
        QTest::newRow("short preamble 7") << 133 << 7 << 1;
        QTest::newRow("power down 9") << 537 << 9 << 1;
        QTest::newRow("application 2 is off") << 210 << 2 << 0;
        QTest::newRow("ad hoc 2 is off") << 280 << 2 << 0;
    }
    void codedBytes() {
        QFETCH(int, offset);
        QFETCH(int, stored);
        CardConfigRecord r = Consistent();
        r.bytes[offset] = static_cast<std::uint8_t>(stored);
        ExtCardConfigForm form;
        form.Load(r);
        QVERIFY(form.Collect(r).ok);
        QTEST(int(r.bytes[offset]), "collected");
    }
};

QTEST_GUILESS_MAIN(TestExtCardConfigForm)
#include "tst_ext_card_config_form.moc"
