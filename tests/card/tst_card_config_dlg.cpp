// "Card Configuration" as widgets: controls filled from the record, the handlers' enable rules, a
// refused confirmation, names for assistive tools, and the address and number boxes.
#include "card/card_config_dlg.h"
#include "card/ip_address_box.h"
#include "card/number_box.h"
#include "res/resource.h"
#include "sim/card_simulator.h"
#include "tests/support/fake_prompts.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

class TestCardConfigDlg : public QObject {
    Q_OBJECT

private slots:
    void opensFilledFromTheRecord();
    void handlersFollowTheEnableRules();
    void refusedConfirmationKeepsTheDialogOpen();
    void programCardStoresTheEdits();
    void programUnchangedWritesWhatWasRead_data();
    void programUnchangedWritesWhatWasRead();
    void everyBoxHasItsLabelAsName();
    void layoutFollowsTheTemplate();
    void addressBoxBlanksAndOverflow();
    void numberBoxSteps_data();
    void numberBoxSteps();

private:
    CFakePrompts m_prompts;
};

namespace {

template <typename T>
T* Get(const CCardConfigDlg& d, int id) {
    return static_cast<T*>(d.Control(id));
}

} // namespace

void TestCardConfigDlg::opensFilledFromTheRecord() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    record.SetDhcpEnabled(true);
    record.SetOption11Index(4);
    record.SetGroupNameIndex(15);
    record.SetDiversity(3);
    record.SetProtocol(9); // no such protocol
    CCardConfigDlg dlg(record, m_prompts);
    if (const QString shot = qEnvironmentVariable("SERIMO_SCREENSHOT"); !shot.isEmpty())
        dlg.grab().save(shot);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Card Configuration"));
    QCOMPARE(Get<QLineEdit>(dlg, IDC_CFG_UNIT_NAME)->text(), QStringLiteral("SERIMO-SIM"));
    QCOMPARE(Get<QLineEdit>(dlg, IDC_CFG_PORT)->text(), QStringLiteral("23"));
    QCOMPARE(Get<QLineEdit>(dlg, IDC_CFG_RETRY)->text(), QStringLiteral("1000"));
    QCOMPARE(Get<QLineEdit>(dlg, IDC_CFG_MSG_PREFIX)->text(), QStringLiteral("~"));
    QCOMPARE(Get<CIpAddressBox>(dlg, IDC_CFG_SUBNET_MASK)->GetAddress(), (CardConfigRecord::Ip4{255, 255, 255, 0}));
    QCOMPARE(Get<CNumberBox>(dlg, IDC_CFG_ALGORITHM_SPIN)->text(), QStringLiteral("3"));
    QCOMPARE(Get<QComboBox>(dlg, IDC_CFG_BAUD)->currentText(), QStringLiteral("9600"));
    QCOMPARE(Get<QComboBox>(dlg, IDC_CFG_DIVERSITY)->currentText(), QStringLiteral("3 - Secondary"));
    QCOMPARE(Get<QComboBox>(dlg, IDC_CFG_GROUP_NAME)->currentText(), QStringLiteral("SPECTRUM24_OEMF"));
    QCOMPARE(Get<QComboBox>(dlg, IDC_CFG_OPTION11)->currentText(), QStringLiteral("Index 4 (offset 3)"));
    QVERIFY(Get<QRadioButton>(dlg, IDC_CFG_CALL_REMOTE)->isChecked());
    QVERIFY(Get<QRadioButton>(dlg, IDC_CFG_STREAM)->isChecked());
    for (int id : {IDC_CFG_TCP, IDC_CFG_UDP, IDC_CFG_DLP, IDC_CFG_TELNET})
        QVERIFY(!Get<QRadioButton>(dlg, id)->isChecked());
    QVERIFY(!Get<QCheckBox>(dlg, IDC_CFG_SUPPRESS_EXTENDED)->isChecked());
    QCOMPARE(Get<QCheckBox>(dlg, IDC_CFG_REPLACE_REMOTE_IP)->text(),
             QStringLiteral("Replace static remote IP with DHCP server IP"));
    QVERIFY(Get<QCheckBox>(dlg, IDC_CFG_SEND_UNIT_NAME_ID)->isChecked()); // bit 7 of byte 82 clear
}

void TestCardConfigDlg::handlersFollowTheEnableRules() {
    CardConfigRecord record = CCardSimulator::DefaultConfig(); // serial, call remote, DHCP off
    CCardConfigDlg dlg(record, m_prompts);
    QVERIFY(!dlg.Control(IDC_CFG_DIRECT)->isEnabled());
    QVERIFY(dlg.Control(IDC_CFG_RETRY)->isEnabled());
    QVERIFY(!dlg.Control(IDC_CFG_CAPTURE_ESS_ID)->isEnabled());
    QVERIFY(!dlg.Control(IDC_CFG_GROUP_NAME)->isEnabled());

    Get<QRadioButton>(dlg, IDC_CFG_ISA)->click();
    QVERIFY(dlg.Control(IDC_CFG_DIRECT)->isEnabled());
    Get<QRadioButton>(dlg, IDC_CFG_DIRECT)->click();
    Get<QRadioButton>(dlg, IDC_CFG_SERIAL)->click();
    QVERIFY(!dlg.Control(IDC_CFG_DIRECT)->isEnabled());
    QVERIFY(Get<QRadioButton>(dlg, IDC_CFG_DIRECT)->isChecked()); // disabled, still chosen

    Get<QRadioButton>(dlg, IDC_CFG_LISTEN)->click();
    QVERIFY(!dlg.Control(IDC_CFG_RETRY)->isEnabled());
    QVERIFY(!dlg.Control(IDC_CFG_RETRY_LABEL)->isEnabled());

    Get<QLineEdit>(dlg, IDC_CFG_ESS_ID)->clear();
    QVERIFY(dlg.Control(IDC_CFG_CAPTURE_ESS_ID)->isEnabled());

    Get<QCheckBox>(dlg, IDC_CFG_ENABLE_DHCP)->click();
    for (int id : {IDC_CFG_FLASH_DHCP, IDC_CFG_DHCP_TIMEOUT, IDC_CFG_SEND_UNIT_NAME_ID, IDC_CFG_GROUP_NAME,
                   IDC_CFG_OPTION11})
        QVERIFY(dlg.Control(id)->isEnabled());
    QCOMPARE(Get<QCheckBox>(dlg, IDC_CFG_REPLACE_REMOTE_IP)->text(),
             QStringLiteral("Replace static remote IP with DHCP server IP"));
    Get<QCheckBox>(dlg, IDC_CFG_REPLACE_REMOTE_IP)->click();
    QVERIFY(!dlg.Control(IDC_CFG_OPTION11)->isEnabled());
    QVERIFY(!dlg.Control(IDC_CFG_OPTION11_LABEL)->isEnabled());
    QVERIFY(dlg.Control(IDC_CFG_GROUP_NAME)->isEnabled());

    // Stored although disabled: Direct with Serial, and the DHCP group with DHCP off again.
    Get<QCheckBox>(dlg, IDC_CFG_FLASH_DHCP)->setChecked(true);
    Get<QCheckBox>(dlg, IDC_CFG_ENABLE_DHCP)->click();
    QVERIFY(!dlg.Control(IDC_CFG_FLASH_DHCP)->isEnabled());
    Get<QRadioButton>(dlg, IDC_CFG_TCP)->click();
    QVERIFY(dlg.CollectStep());
    QCOMPARE(record.DataFormat(), std::uint8_t(2));
    QVERIFY(record.FlashDhcp());
    QVERIFY(!record.DhcpEnabled());
    QVERIFY(m_prompts.messages.empty());
}

void TestCardConfigDlg::refusedConfirmationKeepsTheDialogOpen() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    CCardConfigDlg dlg(record, m_prompts);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    Get<QLineEdit>(dlg, IDC_CFG_PORT)->setText(QStringLiteral("70000"));
    Get<QPushButton>(dlg, IDC_CFG_PROGRAM)->click();
    QCOMPARE(m_prompts.LastText(), QStringLiteral("Port 必须是0到65535之间的整数！"));
    QCOMPARE(QApplication::focusWidget(), dlg.Control(IDC_CFG_PORT));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(record.IpPort(), std::uint16_t(23));
    m_prompts = CFakePrompts();
}

void TestCardConfigDlg::programCardStoresTheEdits() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    const CardConfigRecord before = record;
    CCardConfigDlg dlg(record, m_prompts);
    Get<QLineEdit>(dlg, IDC_CFG_UNIT_NAME)->setText(QStringLiteral("NEW-NAME"));
    Get<CIpAddressBox>(dlg, IDC_CFG_REMOTE_IP)->SetAddress({10, 0, 0, 9});
    Get<CNumberBox>(dlg, IDC_CFG_ALGORITHM_SPIN)->Step(1);
    Get<QComboBox>(dlg, IDC_CFG_BAUD)->setCurrentIndex(6);
    Get<QCheckBox>(dlg, IDC_CFG_SUPPRESS_EXTENDED)->setChecked(true);
    Get<QPushButton>(dlg, IDC_CFG_PROGRAM)->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(dlg.SuppressExtended());
    QCOMPARE(record.UnitName(), std::string("NEW-NAME"));
    QCOMPARE(record.RemoteIp(), (CardConfigRecord::Ip4{10, 0, 0, 9}));
    QCOMPARE(record.PowerSaveAlgorithm(), std::uint8_t(4));
    QCOMPARE(record.BaudCode(), std::uint8_t(7));
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        if (CardConfigRecord::IsCardOwnedByte(i) || i >= CardConfigRecord::kBasicSize)
            QCOMPARE(record.bytes[i], before.bytes[i]);
}

void TestCardConfigDlg::programUnchangedWritesWhatWasRead_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");
    QTest::newRow("algorithm 0") << 31 << 0;
    QTest::newRow("algorithm 11") << 31 << 11;
    QTest::newRow("algorithm FFh") << 31 << 0xFF;
    QTest::newRow("prefix E9h") << 92 << 0xE9;
}

void TestCardConfigDlg::programUnchangedWritesWhatWasRead() {
    QFETCH(int, offset);
    QFETCH(int, value);
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    record.bytes[std::size_t(offset)] = std::uint8_t(value);
    const CardConfigRecord before = record;
    CCardConfigDlg dlg(record, m_prompts);
    Get<QPushButton>(dlg, IDC_CFG_PROGRAM)->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(record == before);
}

void TestCardConfigDlg::everyBoxHasItsLabelAsName() {
    CardConfigRecord record = CCardSimulator::DefaultConfig();
    CCardConfigDlg dlg(record, m_prompts);
    dlg.show();
    auto name = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QString();
    };
    // Where a list is named by its item (Linux), its label comes through the labelled-by relation.
    auto label = [&](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        for (const auto& [other, relation] : a->relations(QAccessible::Label))
            return other->text(QAccessible::Name);
        return name(w);
    };
    QCOMPARE(name(dlg.Control(IDC_CFG_UNIT_NAME)), QStringLiteral("Unit Name:"));
    QCOMPARE(name(dlg.Control(IDC_CFG_RETRY)), QStringLiteral("Retry"));
    QCOMPARE(name(dlg.Control(IDC_CFG_ALGORITHM)), QStringLiteral("Algorithm:"));
    QCOMPARE(label(dlg.Control(IDC_CFG_BAUD)), QStringLiteral("Baud"));
    QCOMPARE(name(Get<CIpAddressBox>(dlg, IDC_CFG_LOCAL_IP)->Field(0)), QStringLiteral("Local 1"));
    QCOMPARE(name(dlg.Control(IDC_CFG_CLOSE_OUT_OF_RANGE)),
             QStringLiteral("Close the socket when the device is out of range for an extended period"));
}

void TestCardConfigDlg::layoutFollowsTheTemplate() {
    CardConfigRecord record;
    CCardConfigDlg dlg(record, m_prompts);
    const QSize units = dlg.Built().baseUnits;
    auto at = [&](int x, int y, int w, int h) { return DialogUnitsToPixels(QRect(x, y, w, h), units); };
    QCOMPARE(dlg.size(), at(0, 0, 369, 335).size());
    QCOMPARE(dlg.Control(IDC_CFG_PROGRAM)->geometry(), at(295, 249, 63, 25));
    QCOMPARE(dlg.Control(IDCANCEL)->geometry(), at(295, 302, 63, 18));
    QCOMPARE(static_cast<QPushButton*>(dlg.Control(IDC_CFG_PROGRAM))->text(), QStringLiteral("Program Card\nand Exit"));
    QVERIFY(static_cast<QPushButton*>(dlg.Control(IDCANCEL))->isDefault());
    for (QGroupBox* g : dlg.findChildren<QGroupBox*>())
        if (g->title() == QStringLiteral("DHCP / BOOTP"))
            QCOMPARE(g->geometry(), at(137, 45, 224, 94));
    // Tab order: the edits and lists in the order they are laid out.
    QList<int> order;
    QWidget* w = dlg.Control(IDC_CFG_UNIT_NAME);
    for (int i = 0; i < 200 && order.size() < 5; w = w->nextInFocusChain(), ++i) {
        const int id = w->property("controlId").toInt();
        if ((id == IDC_CFG_UNIT_NAME || id == IDC_CFG_ESS_ID || id == IDC_CFG_DHCP_TIMEOUT || id == IDC_CFG_PORT ||
             id == IDC_CFG_RETRY) &&
            !order.contains(id))
            order << id;
    }
    QCOMPARE(order, QList<int>({IDC_CFG_UNIT_NAME, IDC_CFG_ESS_ID, IDC_CFG_DHCP_TIMEOUT, IDC_CFG_PORT, IDC_CFG_RETRY}));
}

void TestCardConfigDlg::addressBoxBlanksAndOverflow() {
    CIpAddressBox box;
    box.SetAddress({192, 168, 1, 60});
    box.Field(1)->clear();
    box.Field(3)->clear();
    QCOMPARE(box.GetAddress(), (CIpAddressBox::Address{192, 0, 1, 0}));
    box.Field(2)->setText(QStringLiteral("300"));
    QCOMPARE(box.GetAddress()[2], std::uint8_t(255));
    box.Clear();
    QVERIFY(box.IsBlank());
    QCOMPARE(box.GetAddress(), (CIpAddressBox::Address{0, 0, 0, 0}));
}

void TestCardConfigDlg::numberBoxSteps_data() {
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected");
    QTest::newRow("up") << true << 3 << 1 << 4;
    QTest::newRow("wraps at the top") << true << 10 << 1 << 1;
    QTest::newRow("wraps at the bottom") << true << 1 << -1 << 10;
    QTest::newRow("stops at the top") << false << 10 << 1 << 10;
    QTest::newRow("outside the range comes in") << true << 0 << 1 << 1;
    QTest::newRow("above the range comes in") << true << 15 << -1 << 10;
}

void TestCardConfigDlg::numberBoxSteps() {
    QFETCH(bool, wrap);
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(int, expected);
    CNumberBox box;
    box.SetRange(1, 10);
    box.SetWrap(wrap);
    box.SetValue(start);
    QCOMPARE(box.text(), QString::number(start));
    QTest::keyClick(&box, delta > 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(box.Value(), expected);
    QCOMPARE(box.text(), QString::number(expected));
    QVERIFY(box.isReadOnly());
}

QTEST_MAIN(TestCardConfigDlg)
#include "tst_card_config_dlg.moc"
