// The load and collect rules of "Card Configuration", on the record alone.
#include "card/card_config_form.h"
#include "res/resource.h"
#include "sim/card_simulator.h"

#include <QTest>

class TestCardConfigForm : public QObject {
    Q_OBJECT

private slots:
    void unchangedFormGivesBackTheSameRecord();
    void codedByteOutsideItsList_data();
    void codedByteOutsideItsList();
    void commandEscape_data();
    void commandEscape();
    void transferRefusals_data();
    void transferRefusals();
    void unitNameOfSixteenBytes();
    void enableRules_data();
    void enableRules();
};

namespace {
const QString kNoDigit = QStringLiteral("请设置 Cmd Escape Char!");
const QString kTooBig = QStringLiteral("Cmd Escape Char必须小于80H!");
} // namespace

void TestCardConfigForm::unchangedFormGivesBackTheSameRecord() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    record.bytes[82] = 0x35;                 // the card's bits 4-5 set, group name 5
    record.SetUnitName("\xFF\x41\x80");      // bytes that are no GBK text
    record.SetEssId("\xD6\xD0\xCE\xC4-AP");  // GBK text
    record.SetDhcpEnabled(true);
    record.SetCaptureEssId(true);
    record.SetMsgPrefixChar(0xE9);
    for (std::size_t i = 128; i < CardConfigRecord::kSize; ++i)
        record.bytes[i] = std::uint8_t(i * 13);
    CardConfigForm form;
    form.Load(record);
    QCOMPARE(form.essId, QStringLiteral("中文-AP"));
    CardConfigRecord collected = record;
    const FormCollectResult result = form.Collect(collected);
    QVERIFY2(result.ok, qPrintable(result.message));
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        QVERIFY2(collected.bytes[i] == record.bytes[i], qPrintable(QStringLiteral("byte %1").arg(i)));

    // A record where every card-owned byte differs still comes back with all of them.
    CardConfigRecord other = record;
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        if (CardConfigRecord::IsCardOwnedByte(i))
            other.bytes[i] = std::uint8_t(~record.bytes[i]);
    collected = other;
    QVERIFY(form.Collect(collected).ok);
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        if (CardConfigRecord::IsCardOwnedByte(i))
            QCOMPARE(collected.bytes[i], other.bytes[i]);
}

void TestCardConfigForm::codedByteOutsideItsList_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focus");
    QTest::newRow("protocol 7") << 93 << 7 << QStringLiteral("请选择使用的协议!") << int(IDC_CFG_TCP);
    QTest::newRow("data format 3") << 94 << 3 << QStringLiteral("请选择使用的数据格式!") << int(IDC_CFG_STREAM);
    QTest::newRow("connect mode 0") << 38 << 0 << QStringLiteral("请选择OEM卡处于呼叫还是监听!") << int(IDC_CFG_CALL_REMOTE);
    QTest::newRow("IO mode 2") << 88 << 2 << QStringLiteral("请选择IO模式!") << int(IDC_CFG_ISA);
    QTest::newRow("wakeup 2") << 81 << 2 << QStringLiteral("请选择WAKEUP模式!") << int(IDC_CFG_WAKEUP_YES);
    QTest::newRow("baud 0") << 127 << 0 << QStringLiteral("请设置波特率!") << int(IDC_CFG_BAUD);
    QTest::newRow("baud 8") << 127 << 8 << QStringLiteral("请设置波特率!") << int(IDC_CFG_BAUD);
    QTest::newRow("diversity 2") << 87 << 2 << QStringLiteral("请设置diversity!") << int(IDC_CFG_DIVERSITY);
    QTest::newRow("prefix zero") << 92 << 0 << QStringLiteral("请设置 Msg Prefix Char!") << int(IDC_CFG_MSG_PREFIX);
}

void TestCardConfigForm::codedByteOutsideItsList() {
    QFETCH(int, offset);
    QFETCH(int, value);
    QFETCH(QString, message);
    QFETCH(int, focus);
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    record.bytes[std::size_t(offset)] = std::uint8_t(value);
    CardConfigForm form;
    form.Load(record);
    form.unitName = QStringLiteral("EDITED");
    const FormCollectResult result = form.Collect(record);
    QVERIFY(!result.ok);
    QCOMPARE(result.message, message);
    QCOMPARE(result.focusId, focus);
    // What the steps before the failing one wrote stays written.
    QCOMPARE(record.UnitName(), std::string("EDITED"));
    QCOMPARE(int(record.bytes[std::size_t(offset)]), value);
}

void TestCardConfigForm::commandEscape_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("stored");
    QTest::newRow("1B") << "1B" << QString() << 0x1B;
    QTest::newRow("7F") << "7F" << QString() << 0x7F;
    QTest::newRow("blank then 1") << " 1" << QString() << 0x01;
    QTest::newRow("80") << "80" << kTooBig << -1;
    QTest::newRow("FF") << "FF" << kTooBig << -1;
    QTest::newRow("-1") << "-1" << kTooBig << -1;
    QTest::newRow("G1") << "G1" << kNoDigit << -1;
    QTest::newRow("empty") << "" << kNoDigit << -1;
    QTest::newRow(" 1B is three characters")
        << " 1B" << QStringLiteral("Cmd Escape Char 最多只能输入2个字符（一个汉字占两个）！") << -1;
}

void TestCardConfigForm::commandEscape() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, stored);
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    record.SetByteStuffing(true);
    CardConfigForm form;
    form.Load(record);
    QCOMPARE(form.cmdEscape, QStringLiteral("1B"));
    form.cmdEscape = text;
    const FormCollectResult result = form.Collect(record);
    QCOMPARE(result.message, message);
    if (stored >= 0) {
        QVERIFY(result.ok);
        QCOMPARE(int(record.bytes[83]), 0x80 | stored); // byte stuffing kept
    } else {
        QCOMPARE(result.focusId, int(IDC_CFG_CMD_ESCAPE));
    }
}

void TestCardConfigForm::transferRefusals_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("focus");       // 0: accepted
    QTest::addColumn<QString>("message"); // empty: any
    auto row = [](const char* name, const char* field, const QString& text, int focus, const QString& message = {}) {
        QTest::newRow(name) << QString::fromLatin1(field) << text << focus << message;
    };
    row("retry 65535 kept", "retry", "65535", 0);
    row("retry 65536", "retry", "65536", IDC_CFG_RETRY);
    row("retry 70000", "retry", "70000", IDC_CFG_RETRY);
    row("retry text", "retry", "12a", IDC_CFG_RETRY);
    row("retry negative", "retry", "-1", IDC_CFG_RETRY);
    row("port empty", "port", "", IDC_CFG_PORT);
    row("port 65536", "port", "65536", IDC_CFG_PORT);
    row("port with blanks", "port", " 8080 ", 0);
    row("timeout 255", "timeout", "255", 0);
    row("timeout 256", "timeout", "256", IDC_CFG_DHCP_TIMEOUT);
    row("unit name 15", "unit", "ABCDEFGHIJKLMNO", 0);
    row("unit name 16", "unit", "ABCDEFGHIJKLMNOP", IDC_CFG_UNIT_NAME);
    row("unit name 8 Chinese", "unit", "一二三四五六七八", IDC_CFG_UNIT_NAME);
    row("unit name not GBK", "unit", "ab😀", IDC_CFG_UNIT_NAME,
        "Unit Name 中的“😀”（U+1F600）不是GBK字符，无法写入卡中！");
    row("ESS ID 32", "ess", QString(32, 'e'), IDC_CFG_ESS_ID);
    row("ESS ID not GBK", "ess", "café-ñ", IDC_CFG_ESS_ID,
        "802.11 ESS ID 中的“ñ”（U+00F1）不是GBK字符，无法写入卡中！");
    row("prefix 2", "prefix", "~~", IDC_CFG_MSG_PREFIX);
    row("prefix Chinese", "prefix", "中", IDC_CFG_MSG_PREFIX);
    row("prefix not ASCII", "prefix", "é", IDC_CFG_MSG_PREFIX);
}

void TestCardConfigForm::transferRefusals() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, focus);
    QFETCH(QString, message);
    const CardConfigRecord original = CCardSimulator::DefaultConfig();
    CardConfigRecord record = original;
    CardConfigForm form;
    form.Load(record);
    form.unitName = QStringLiteral("NEW");
    QString* target = field == "retry" ? &form.retry
                      : field == "port" ? &form.port
                      : field == "timeout" ? &form.dhcpTimeout
                      : field == "unit" ? &form.unitName
                      : field == "ess" ? &form.essId
                                       : &form.msgPrefix;
    *target = text;
    const FormCollectResult result = form.Collect(record);
    QCOMPARE(result.ok, focus == 0);
    QCOMPARE(result.focusId, focus);
    if (focus) {
        QVERIFY(!result.message.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(result.message, message);
        QVERIFY(record == original); // the transfer refuses before anything is written
    } else if (field == "retry") {
        QCOMPARE(record.RetryMs(), std::uint16_t(65535));
    } else if (field == "port") {
        QCOMPARE(record.IpPort(), std::uint16_t(8080));
    }
}

void TestCardConfigForm::unitNameOfSixteenBytes() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    record.SetUnitName("0123456789ABCDEF");
    CardConfigForm form;
    form.Load(record);
    QCOMPARE(form.unitName, QStringLiteral("0123456789ABCDEF"));
    const FormCollectResult result = form.Collect(record);
    QVERIFY(!result.ok);
    QCOMPARE(result.focusId, int(IDC_CFG_UNIT_NAME));
}

void TestCardConfigForm::enableRules_data() {
    QTest::addColumn<int>("ioMode");
    QTest::addColumn<int>("connectMode");
    QTest::addColumn<QString>("essId");
    QTest::addColumn<bool>("dhcp");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("expected"); // direct retry capture dhcpGroup option11, 1/0
    QTest::addColumn<QString>("text");
    const QString dhcp = QStringLiteral("Replace static remote IP with DHCP server IP");
    const QString bootp = QStringLiteral("Replace static remote IP with BOOTP server IP");
    QTest::newRow("ISA, call, named, no DHCP") << 0 << 0 << "LAB" << false << false << "11000" << bootp;
    QTest::newRow("serial, listen, broadcast") << 1 << 1 << "" << false << false << "00100" << bootp;
    QTest::newRow("nothing chosen") << -1 << -1 << "X" << false << true << "00000" << bootp;
    QTest::newRow("DHCP") << 1 << 1 << "X" << true << false << "00011" << dhcp;
    QTest::newRow("DHCP, replace remote") << 1 << 1 << "X" << true << true << "00010" << dhcp;
}

void TestCardConfigForm::enableRules() {
    QFETCH(int, ioMode);
    QFETCH(int, connectMode);
    QFETCH(QString, essId);
    QFETCH(bool, dhcp);
    QFETCH(bool, replace);
    QFETCH(QString, expected);
    QFETCH(QString, text);
    CardConfigForm form;
    form.ioMode = ioMode;
    form.connectMode = connectMode;
    form.essId = essId;
    form.dhcpEnabled = dhcp;
    form.replaceRemoteIp = replace;
    const CardConfigForm::EnableState e = form.Enables();
    const QString got = QStringLiteral("%1%2%3%4%5")
                            .arg(int(e.direct))
                            .arg(int(e.retry))
                            .arg(int(e.captureEssId))
                            .arg(int(e.dhcpGroup))
                            .arg(int(e.option11));
    QCOMPARE(got, expected);
    QCOMPARE(e.replaceRemoteIpText, text);
}

QTEST_GUILESS_MAIN(TestCardConfigForm)
#include "tst_card_config_form.moc"
