// Opening and closing the port from the main window, the lamp, the status line and the line buttons,
// on the fake serial control.
#include "res/resource.h"
#include "tests/support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

class TestPortConfig : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { f.Reset(); }

    void openWritesTheWholeConfigurationInOrder();
    void settingsFromTheLists_data();
    void settingsFromTheLists();
    void listIndexNamingNoEntry_data();
    void listIndexNamingNoEntry();
    void choosingTheSameEntryReopensAndDiscards();
    void failedOpenClosesEverything();
    void refusedPropertySkipsTheRest();
    void dtrAndRtsSurviveReopen();
    void lineEventsRefreshTheirButton();
    void lostDeviceClosesAndTellsOnce();

private:
    bool PortControlsEnabled(bool expected) {
        for (int id : {IDC_CLOSE_PORT, IDC_SEND_FILE, IDC_MANUAL_SEND, IDC_AUTO_SEND, IDC_CARD_RESET,
                       IDC_READ_CARD_STATUS, IDC_CONFIGURE_CARD, IDC_CTS, IDC_DSR, IDC_DTR, IDC_RTS})
            if (f.dlg->Control(id)->isEnabled() != expected)
                return false;
        return true;
    }
    bool IsClosed() {
        return !f.comm.GetPortOpen() &&
               f.dlg->Control<QLabel>(IDC_STATUS)->text() == QStringLiteral("端口未打开！") &&
               f.dlg->Control<QLabel>(IDC_LAMP)->property("iconId").toInt() == IDI_LAMP_DARK &&
               PortControlsEnabled(false);
    }
    CWindowFixture f;
};

namespace {
const QString kCannotOpen = QStringLiteral("串口%1无法打开！\n注：该串口可能不存在，或已经被其它应用程序占用。");
}

void TestPortConfig::openWritesTheWholeConfigurationInOrder() {
    CTerminalDlg& dlg = f.Start();
    const QStringList expected{
        "CommPort=1",     "Settings=1200,N,8,1", "Handshaking=0",   "InBufferSize=4096", "OutBufferSize=4096",
        "InputMode=1",    "RThreshold=1",        "InputLen=0",      "SThreshold=1",      "InBufferCount=0",
        "OutBufferCount=0", "EOFEnable=0",       "NullDiscard=0",   "ParityReplace=[奇偶校验错]", "PortOpen=1"};
    QCOMPARE(f.comm.ops, expected);
    QCOMPARE(dlg.Control<QLabel>(IDC_LAMP)->property("iconId").toInt(), int(IDI_LAMP_LIT));
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("STATUS:COM 1 OPENED 1200,N,8,1"));
    QVERIFY(PortControlsEnabled(true));

    // An open port is closed first, then configured again.
    f.comm.ClearLog();
    dlg.Control<QComboBox>(IDC_BAUD)->setCurrentIndex(6);
    emit dlg.Control<QComboBox>(IDC_BAUD)->activated(6);
    QCOMPARE(f.comm.ops.first(), QStringLiteral("PortOpen=0"));
    QCOMPARE(f.comm.ops.mid(1), QStringList(expected).replaceInStrings("1200", "9600"));
}

void TestPortConfig::settingsFromTheLists_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshaking");
    QTest::addColumn<int>("commPort");
    QTest::newRow("12800 out of order") << "Baud=14" << "12800,N,8,1" << 0 << 1;
    QTest::newRow("25600") << "Baud=15" << "25600,N,8,1" << 0 << 1;
    QTest::newRow("space parity") << "Checkout=3" << "1200,S,8,1" << 0 << 1;
    QTest::newRow("mark parity") << "Checkout=4" << "1200,M,8,1" << 0 << 1;
    QTest::newRow("4 data bits") << "Databits=0" << "1200,N,4,1" << 0 << 1;
    QTest::newRow("1.5 stop bits") << "StopBits=1" << "1200,N,8,1.5" << 0 << 1;
    QTest::newRow("both flow controls") << "HandShake=3" << "1200,N,8,1" << 3 << 1;
    QTest::newRow("com4 at 115200 even 7 2") << "ComPort=3\nBaud=13\nCheckout=2\nDatabits=3\nStopBits=2"
                                             << "115200,E,7,2" << 0 << 4;
}

void TestPortConfig::settingsFromTheLists() {
    QFETCH(QString, profile);
    QFETCH(QString, settings);
    QFETCH(int, handshaking);
    QFETCH(int, commPort);
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Com Port]\n") + profile + QStringLiteral("\n"));
    QVERIFY(f.comm.ops.contains(QStringLiteral("Settings=") + settings));
    QVERIFY(f.comm.ops.contains(QStringLiteral("Handshaking=%1").arg(handshaking)));
    QVERIFY(f.comm.ops.contains(QStringLiteral("CommPort=%1").arg(commPort)));
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(),
             QStringLiteral("STATUS:COM %1 OPENED %2").arg(commPort).arg(settings));
}

void TestPortConfig::listIndexNamingNoEntry_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("portNumber");
    QTest::newRow("port -1") << "ComPort=-1" << "请设置串口号！" << 0;
    QTest::newRow("port 4") << "ComPort=4" << "请设置串口号！" << 5;
    QTest::newRow("baud 16") << "Baud=16" << "请设置波特率！" << 1;
    QTest::newRow("baud -1") << "Baud=-1" << "请设置波特率！" << 1;
    QTest::newRow("parity 5") << "Checkout=5" << "请设置校验方式！" << 1;
    QTest::newRow("data bits 5") << "Databits=5" << "请设置校验方式！" << 1;
    QTest::newRow("stop bits 3") << "StopBits=3" << "请设置校验方式！" << 1;
    QTest::newRow("handshake 4") << "HandShake=4" << "请设置握手协议！" << 1;
    QTest::newRow("port wins over baud") << "ComPort=-1\nBaud=-1" << "请设置串口号！" << 0;
}

void TestPortConfig::listIndexNamingNoEntry() {
    QFETCH(QString, profile);
    QFETCH(QString, message);
    QFETCH(int, portNumber);
    f.Start(QStringLiteral("[Com Port]\n") + profile + QStringLiteral("\n"));
    QCOMPARE(f.prompts.Texts(), QStringList({message, kCannotOpen.arg(portNumber)}));
    QCOMPARE(f.prompts.messages[1].caption, QStringLiteral("提示"));
    QVERIFY(!f.comm.ops.contains(QStringLiteral("PortOpen=1")));
    QVERIFY(IsClosed());
}

void TestPortConfig::choosingTheSameEntryReopensAndDiscards() {
    CTerminalDlg& dlg = f.Start();
    f.comm.QueueInput("stale");
    f.comm.ClearLog();
    emit dlg.Control<QComboBox>(IDC_PORT)->activated(0);
    QCOMPARE(f.comm.ops.first(), QStringLiteral("PortOpen=0"));
    QVERIFY(f.comm.ops.contains(QStringLiteral("InBufferCount=0")));
    QVERIFY(f.comm.ops.contains(QStringLiteral("OutBufferCount=0")));
    QCOMPARE(f.comm.ops.last(), QStringLiteral("PortOpen=1"));
    QCOMPARE(f.comm.GetInBufferCount(), 0);
}

void TestPortConfig::failedOpenClosesEverything() {
    CTerminalDlg& dlg = f.Start();
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    QVERIFY(WindowTimer(dlg, "autoSend").isActive());
    f.comm.missingPorts = {3};
    dlg.Control<QComboBox>(IDC_PORT)->setCurrentIndex(2);
    emit dlg.Control<QComboBox>(IDC_PORT)->activated(2);
    QVERIFY(IsClosed());
    QVERIFY(!WindowTimer(dlg, "autoSend").isActive());
    // The cannot-open message names the port and, on a line of its own, the device and the reason.
    QCOMPARE(f.prompts.Texts(), QStringList(kCannotOpen.arg(3) + QStringLiteral("\n/fake/com3: No such file or directory")));
}

void TestPortConfig::refusedPropertySkipsTheRest() {
    f.comm.FailWrite(QStringLiteral("Settings"), QStringLiteral("/fake/com1: 4 data bits are not supported"));
    f.Start(QStringLiteral("[Com Port]\nDatabits=0\n"));
    QCOMPARE(f.comm.ops, QStringList({"CommPort=1", "Settings=1200,N,4,1"}));
    QCOMPARE(f.prompts.Texts(), QStringList(kCannotOpen.arg(1) + QStringLiteral("\n/fake/com1: 4 data bits are not supported")));
    QVERIFY(IsClosed());
}

// The close button closes everything; the line buttons keep their state through a reopen.
void TestPortConfig::dtrAndRtsSurviveReopen() {
    CTerminalDlg& dlg = f.Start();
    QVERIFY(!dlg.Control<CToggleButton>(IDC_DTR)->isChecked());
    dlg.Control<CToggleButton>(IDC_DTR)->click();
    QVERIFY(dlg.Control<CToggleButton>(IDC_DTR)->isChecked());
    QVERIFY(f.comm.GetDTREnable());
    dlg.Control<CToggleButton>(IDC_RTS)->click();
    dlg.Control<CToggleButton>(IDC_RTS)->click();
    QVERIFY(!dlg.Control<CToggleButton>(IDC_RTS)->isChecked());
    QCOMPARE(f.comm.OpsStartingWith("RTSEnable"), QStringList({"RTSEnable=1", "RTSEnable=0"}));

    dlg.Control<QPushButton>(IDC_CLOSE_PORT)->click();
    QVERIFY(IsClosed() && dlg.Control<CToggleButton>(IDC_DTR)->isChecked() && f.prompts.messages.empty());
    f.comm.ClearLog();
    emit dlg.Control<QComboBox>(IDC_PORT)->activated(0);
    QVERIFY(f.comm.GetPortOpen());
    QVERIFY(dlg.Control<CToggleButton>(IDC_DTR)->isChecked());
    QVERIFY(f.comm.GetDTREnable());
    QVERIFY(f.comm.OpsStartingWith("DTREnable").isEmpty());
}

void TestPortConfig::lineEventsRefreshTheirButton() {
    CTerminalDlg& dlg = f.Start();
    QVERIFY(!dlg.Control<CToggleButton>(IDC_CTS)->isChecked());
    f.comm.SetCTS(true);
    QVERIFY(dlg.Control<CToggleButton>(IDC_CTS)->isChecked());
    QVERIFY(!dlg.Control<CToggleButton>(IDC_DSR)->isChecked());
    f.comm.SetDSR(true);
    QVERIFY(dlg.Control<CToggleButton>(IDC_DSR)->isChecked());
    f.comm.SetCTS(false);
    QVERIFY(!dlg.Control<CToggleButton>(IDC_CTS)->isChecked());
    QVERIFY(dlg.Control<CToggleButton>(IDC_DSR)->isChecked());
    // A click only reads the line again; it never switches the indicator by itself.
    dlg.Control<CToggleButton>(IDC_DSR)->click();
    QVERIFY(dlg.Control<CToggleButton>(IDC_DSR)->isChecked());
    dlg.Control<CToggleButton>(IDC_CTS)->click();
    QVERIFY(!dlg.Control<CToggleButton>(IDC_CTS)->isChecked());
}

void TestPortConfig::lostDeviceClosesAndTellsOnce() {
    CTerminalDlg& dlg = f.Start();
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    // The control closes itself when the device goes, then reports it.
    f.comm.SetPortOpen(false);
    f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.messages.empty(), 5000);
    QVERIFY(IsClosed());
    QVERIFY(!WindowTimer(dlg, "autoSend").isActive());
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QVERIFY(f.prompts.LastText().contains(QStringLiteral("已断开")));
    // The window still works: choosing a port opens it again.
    emit dlg.Control<QComboBox>(IDC_PORT)->activated(0);
    QVERIFY(f.comm.GetPortOpen());
}

QTEST_MAIN(TestPortConfig)
#include "tst_port_config.moc"
