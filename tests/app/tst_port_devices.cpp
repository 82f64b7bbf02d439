// Choosing the device behind each port, and reopening a lost device when it returns, on a fake device
// list, the fake serial control and fake prompts.
#include "app/port_devices_dlg.h"
#include "app/settings.h"
#include "res/resource.h"
#include "serial/port_devices.h"
#include "tests/support/fake_device_list.h"
#include "tests/support/window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

const QString kById = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

SerialDeviceInfo Device(const QString& path, const QString& node = QString(), const QString& description = QString()) {
    return {path, node.isEmpty() ? path : node, description, description.isEmpty() ? QString() : QStringLiteral("FTDI"),
            description.isEmpty() ? QString() : QStringLiteral("A50285BI")};
}

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QAction* MenuAction(QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

class TestPortDevices : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_devices = CFakeDeviceList();
        m_devices.devices = {Device(QStringLiteral("/dev/ttyS0")), Device(QStringLiteral("/dev/ttyUSB10")),
                             Device(QStringLiteral("/dev/ttyUSB2"), {}, QStringLiteral("CP2102")),
                             Device(kById, QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")),
                             Device(QStringLiteral("/dev/ttyACM0"))};
    }
    void cleanup() { f.Reset(); }

    void devicesAreOfferedStableNamesFirstConsoleLast();
    void okWritesOnlyChangedPortsAndKeepsEveryOtherLine();
    void changingThePortInUseReopensIt_data();
    void changingThePortInUseReopensIt();
    void reopenOptionIsOffAndStoredInItsOwnSection();
    void lostDeviceIsReopenedWhenItReturns();
    void comNamesAreWhatQtOpens_data();
    void comNamesAreWhatQtOpens();

private:
    CPortDevicesDlg* OpenDialog() {
        f.profile = std::make_unique<CProfile>(f.ProfilePath());
        m_dlg = std::make_unique<CPortDevicesDlg>(*f.profile, m_devices, f.prompts);
        return m_dlg.get();
    }
    // Runs the window's device dialog, letting `edit` fill it before OK.
    void RunFromWindow(const std::function<void(CPortDevicesDlg&)>& edit) {
        f.dlg->SetDeviceList(&m_devices);
        f.prompts.onModal = [edit](QDialog& d) {
            auto& dlg = static_cast<CPortDevicesDlg&>(d);
            edit(dlg);
            static_cast<QPushButton*>(dlg.Built().Control(IDOK))->click();
            return dlg.result();
        };
        QMenu menu;
        f.dlg->FillContextMenu(menu);
        MenuAction(menu, QStringLiteral("串口设备…"))->trigger();
    }
    void LoseDevice() {
        const std::size_t told = f.prompts.messages.size();
        f.comm.SetPortOpen(false);
        f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
        QTRY_COMPARE_WITH_TIMEOUT(f.prompts.messages.size(), told + 1, 5000);
    }

    CWindowFixture f;
    CFakeDeviceList m_devices;
    std::unique_ptr<CPortDevicesDlg> m_dlg;
};

void TestPortDevices::devicesAreOfferedStableNamesFirstConsoleLast() {
    f.WriteProfile(QStringLiteral("[Devices]\nCom2=/dev/ttyS0\nCom3=/dev/gone\n"));
    CPortDevicesDlg* dlg = OpenDialog();
    QCOMPARE(Items(dlg->DeviceBox(1)), QStringList({kById, QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB2"),
                                                    QStringLiteral("/dev/ttyUSB10"), QStringLiteral("/dev/ttyS0")}));
    // What is mapped now stays in each box, listed or not.
    QCOMPARE(dlg->DeviceBox(1)->currentText(), DefaultPortDevice(1));
    QCOMPARE(dlg->DeviceBox(2)->currentText(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(dlg->DeviceBox(3)->currentText(), QStringLiteral("/dev/gone"));
    // The drop-down's second column and the line under each box say what the device is.
    QCOMPARE(dlg->DeviceBox(1)->model()->index(0, 1).data().toString(),
             QStringLiteral("FT232R USB UART，FTDI，序列号 A50285BI → /dev/ttyUSB0"));
    QVERIFY(dlg->InfoLabel(2)->toolTip().contains(QStringLiteral("控制台")));
    QCOMPARE(dlg->InfoLabel(3)->toolTip(), QStringLiteral("现在找不到这个设备"));
    dlg->DeviceBox(3)->setCurrentIndex(0);
    QVERIFY(dlg->InfoLabel(3)->toolTip().startsWith(QStringLiteral("FT232R USB UART，FTDI")));
    // A device plugged in while the dialog is open shows after 刷新, without touching the choices.
    m_devices.devices.push_back(Device(QStringLiteral("/dev/ttyUSB3")));
    static_cast<QPushButton*>(dlg->Built().Control(IDC_DEV_REFRESH))->click();
    QVERIFY(Items(dlg->DeviceBox(4)).contains(QStringLiteral("/dev/ttyUSB3")));
    QCOMPARE(dlg->DeviceBox(3)->currentText(), kById);
}

void TestPortDevices::okWritesOnlyChangedPortsAndKeepsEveryOtherLine() {
    const QString before = QStringLiteral("; kept comment\n[Com Port]\nComPort=1\nBaud=6\n[Devices]\nCom1=/dev/ttyUSB0\n"
                                          "Other = value with  spaces\nnot a key line\n[Window]\nWindowTopMost=0\n");
    f.WriteProfile(before);
    CPortDevicesDlg* dlg = OpenDialog();
    dlg->DeviceBox(2)->setCurrentIndex(0);
    dlg->DeviceBox(3)->setEditText(QStringLiteral("  /tmp/my device  "));
    static_cast<QPushButton*>(dlg->Built().Control(IDOK))->click();
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(dlg->Changed(), (std::vector<short>{2, 3}));

    const QString after = f.ProfileText();
    QString expected = before;
    expected.replace(QStringLiteral("spaces\n"), QStringLiteral("spaces\nCom2=%1\nCom3=/tmp/my device\n").arg(kById));
    expected.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    QCOMPARE(after, expected);
}

void TestPortDevices::changingThePortInUseReopensIt_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("reopened");
    QTest::newRow("the port in use") << 1 << true;
    QTest::newRow("another port") << 3 << false;
}

void TestPortDevices::changingThePortInUseReopensIt() {
    QFETCH(int, port);
    QFETCH(bool, reopened);
    f.Start(QStringLiteral("[Com Port]\nComPort=0\n"));
    f.comm.ClearLog();
    RunFromWindow([port](CPortDevicesDlg& dlg) { dlg.DeviceBox(port)->setEditText(QStringLiteral("/dev/ttyACM0")); });
    QVERIFY(f.ProfileText().contains(QStringLiteral("Com%1=/dev/ttyACM0").arg(port)));
    QCOMPARE(f.comm.OpsStartingWith(QStringLiteral("PortOpen")),
             reopened ? QStringList({QStringLiteral("PortOpen=0"), QStringLiteral("PortOpen=1")}) : QStringList());
    QVERIFY(f.comm.GetPortOpen());
    // The port list's tooltips follow: the changed port's device, and the default for one not mapped.
    const QComboBox* ports = f.dlg->Control<QComboBox>(IDC_PORT);
    QCOMPARE(ports->itemData(port - 1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(), DefaultPortDevice(2));
    QCOMPARE(ports->toolTip(), ports->itemData(0, Qt::ToolTipRole).toString());
}

void TestPortDevices::reopenOptionIsOffAndStoredInItsOwnSection() {
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Window]\nWindowTopMost=0\n"));
    QMenu menu;
    dlg.FillContextMenu(menu);
    QAction* reopen = MenuAction(menu, QStringLiteral("设备恢复后自动重新打开"));
    QVERIFY(reopen && reopen->isCheckable() && !reopen->isChecked());
    QVERIFY(MenuAction(menu, QStringLiteral("关于Serimo")));
    reopen->trigger();
    // Written at once, in a section of its own; closing with Escape does not undo it.
    QVERIFY(f.ProfileText().contains(QStringLiteral("[Reconnect]\r\nReopenWhenDeviceReturns=1\r\n")));
    dlg.reject();
    CTerminalDlg& again = f.Start();
    QMenu menu2;
    again.FillContextMenu(menu2);
    QVERIFY(MenuAction(menu2, QStringLiteral("设备恢复后自动重新打开"))->isChecked());
}

void TestPortDevices::lostDeviceIsReopenedWhenItReturns() {
    // Off: a lost device is reported and nothing is watched, until the option is turned on.
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Com Port]\nComPort=0\nBaud=6\n"));
    dlg.SetDeviceList(&m_devices);
    LoseDevice();
    QVERIFY(!WindowTimer(dlg, "reopen").isActive());
    dlg.OnReopenWhenBackToggle();
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QVERIFY(WindowTimer(dlg, "reopen").isActive());
    QCOMPARE(WindowTimer(dlg, "reopen").interval(), 500);

    // Still gone: no attempt to open.
    f.comm.ClearLog();
    dlg.OnReopenTick();
    QVERIFY(f.comm.OpsStartingWith(QStringLiteral("PortOpen=1")).isEmpty());
    // Back, but refused for a moment (permissions not yet set): quietly tried again next time.
    m_devices.present.insert(QStringLiteral("/fake/com1"));
    f.comm.missingPorts = {1};
    dlg.OnReopenTick();
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QVERIFY(WindowTimer(dlg, "reopen").isActive());
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("端口未打开！"));
    f.comm.missingPorts.clear();
    dlg.OnReopenTick();
    QVERIFY(f.comm.GetPortOpen());
    QCOMPARE(f.comm.GetSettings(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("STATUS:COM 1 REOPENED 9600,N,8,1"));
    QVERIFY(!WindowTimer(dlg, "reopen").isActive());
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));

    // Closing by hand, or choosing in a list, ends the wait for a lost device.
    LoseDevice();
    QVERIFY(WindowTimer(dlg, "reopen").isActive());
    emit dlg.Control<QComboBox>(IDC_BAUD)->activated(6);
    QVERIFY(!WindowTimer(dlg, "reopen").isActive());
}

void TestPortDevices::comNamesAreWhatQtOpens_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("opened");
    const auto row = [](const char* name, const char* opened) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(opened);
    };
    row("COM3", "COM3");
    row("com12", "COM12");
    row("Com4", "COM4");
    row("\\\\.\\COM3", "COM3");
    row("\\\\.\\com7", "COM7");
    row("/dev/ttyUSB0", "/dev/ttyUSB0");
    row("COM", "COM");
    row("\\\\.\\COM", "\\\\.\\COM");
    row("com1x", "com1x");
    row("COM3 ", "COM3 ");
    row("\\\\.\\CNCA0", "\\\\.\\CNCA0");
    row("ttyCOM1", "ttyCOM1");
}

void TestPortDevices::comNamesAreWhatQtOpens() {
    QFETCH(QString, name);
    QFETCH(QString, opened);
    QCOMPARE(ComPortName(name), opened);
}

QTEST_MAIN(TestPortDevices)
#include "tst_port_devices.moc"
