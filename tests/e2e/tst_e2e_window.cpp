// The real program over pseudo-terminals: the window on the Qt SerialPort backend, the far end played
// by the test or by the simulated card.
#include "app/port_settings.h"
#include "app/profile.h"
#include "app/terminal_dlg.h"
#include "card/card_config_dlg.h"
#include "card/card_status_dlg.h"
#include "card/ext_card_config_dlg.h"
#include "card/number_box.h"
#include "res/resource.h"
#include "serial/clock.h"
#include "serial/qt_serial_comm.h"
#include "terminal/receive_view.h"
#include "tests/support/card_sim_thread.h"
#include "tests/support/fake_prompts.h"
#include "tests/support/pty.h"
#include "tests/support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// Runs ten times faster than the wall clock, so that waiting out a silent card takes under a second.
class CFastClock : public IClock {
public:
    qint64 NowMs() override { return m_steady.NowMs() * 10; }

private:
    CSteadyClock m_steady;
};

const QString kCannotOpen = QStringLiteral("串口%1无法打开！\n注：该串口可能不存在，或已经被其它应用程序占用。");

} // namespace

class TestE2eWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { m_pty = std::make_unique<CPty>(); }
    void cleanup() {
        m_dlg.reset();
        m_comm.reset();
        m_profile.reset();
        m_prompts = CFakePrompts();
        m_pty.reset();
        m_com1.clear();
    }

    void opensAtTheDefaultsAndAtCustomRates();
    void bytesArriveExactlyBothWays();
    void openFailureIsNamed_data();
    void openFailureIsNamed();
    void secondOpenOfTheSameDeviceIsRefused();
    void otherEndClosingLeavesTheWindowClosedAndUsable();
    void unattendedReplugsKeepReceivingAndLogging();
    void readStatusFromTheSimulatedCard_data();
    void readStatusFromTheSimulatedCard();
    void readConfigurationFromTheSimulatedCard();
    void programTheSimulatedCard();
    void programAnExtendedSettingOnTheSimulatedCard();

private:
    CTerminalDlg& Start(const QString& comPort = QString(), IClock* clock = nullptr) {
        const QString path = m_dir.filePath(QStringLiteral("serimo.ini"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(QStringLiteral("[Devices]\r\nCom1=%1\r\nCom2=%2\r\nCom3=%2\r\nCom4=%2\r\n[Com Port]\r\n%3\r\n")
                       .arg(m_com1.isEmpty() ? m_pty->path : m_com1, m_dir.filePath(QStringLiteral("no-such-device")), comPort)
                       .toUtf8());
        file.close();
        m_profile = std::make_unique<CProfile>(path);
        m_comm = std::make_unique<CQtSerialComm>([this](short port) { return PortDevice(*m_profile, port); });
        m_dlg = std::make_unique<CTerminalDlg>(*m_comm, m_prompts, *m_profile, clock ? *clock : m_clock);
        return *m_dlg;
    }

    QTemporaryDir m_dir;
    QString m_com1; // what Com1 maps to, when not the pseudo-terminal itself
    std::unique_ptr<CPty> m_pty;
    CSteadyClock m_clock;
    CFakePrompts m_prompts;
    std::unique_ptr<CProfile> m_profile;
    std::unique_ptr<CQtSerialComm> m_comm;
    std::unique_ptr<CTerminalDlg> m_dlg;
};

void TestE2eWindow::opensAtTheDefaultsAndAtCustomRates() {
    CTerminalDlg& dlg = Start();
    QVERIFY2(m_prompts.messages.empty(), qPrintable(m_prompts.Texts().join('|')));
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("STATUS:COM 1 OPENED 1200,N,8,1"));
    for (int baud : {7, 14, 15}) { // 14400, 12800, 25600
        dlg.Control<QComboBox>(IDC_BAUD)->setCurrentIndex(baud);
        emit dlg.Control<QComboBox>(IDC_BAUD)->activated(baud);
        QVERIFY2(m_prompts.messages.empty(), qPrintable(m_prompts.Texts().join('|')));
        QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(),
                 QStringLiteral("STATUS:COM 1 OPENED %1,N,8,1")
                     .arg(dlg.Control<QComboBox>(IDC_BAUD)->currentText()));
    }
}

void TestE2eWindow::bytesArriveExactlyBothWays() {
    CTerminalDlg& dlg = Start();
    QByteArray every;
    for (int i = 0; i < 4096; ++i)
        every += char(i);
    m_pty->Write(every);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.RxCount(), qint64(every.size()), 10000);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), every.size()), every);

    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(
        QStringLiteral("05 30 30 41 30 30 30 30 30 30 30 30 30 0D"));
    dlg.Control<QCheckBox>(IDC_HEX_SEND)->setChecked(true);
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QByteArray far;
    for (int i = 0; i < 50 && far.size() < 14; ++i)
        far += m_pty->ReadSome(100);
    QCOMPARE(far, QByteArray::fromHex("05303041303030303030303030" "0D"));
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:14"));
}

void TestE2eWindow::openFailureIsNamed_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("reason"); // on a line of its own, after the device
    QTest::newRow("4 data bits") << "Databits=0" << 1 << ": 4 data bits are not supported";
    QTest::newRow("missing device") << "ComPort=2" << 3 << "no-such-device: No such file or directory";
}

void TestE2eWindow::openFailureIsNamed() {
    QFETCH(QString, settings);
    QFETCH(int, port);
    QFETCH(QString, reason);
    CTerminalDlg& dlg = Start(settings);
    QCOMPARE(m_prompts.messages.size(), std::size_t(1));
    QVERIFY2(m_prompts.LastText().startsWith(kCannotOpen.arg(port) + '\n') && m_prompts.LastText().endsWith(reason),
             qPrintable(m_prompts.LastText()));
    QVERIFY(!dlg.Control<QPushButton>(IDC_CLOSE_PORT)->isEnabled());
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("端口未打开！"));
}

void TestE2eWindow::secondOpenOfTheSameDeviceIsRefused() {
    Start();
    CFakePrompts otherPrompts;
    CQtSerialComm otherComm([this](short port) { return PortDevice(*m_profile, port); });
    CTerminalDlg other(otherComm, otherPrompts, *m_profile, m_clock);
    QCOMPARE(otherPrompts.messages.size(), std::size_t(1));
    QVERIFY(otherPrompts.LastText().startsWith(kCannotOpen.arg(1)));
    QVERIFY(otherPrompts.LastText().contains(m_pty->path));
    QVERIFY(m_comm->GetPortOpen());
}

void TestE2eWindow::otherEndClosingLeavesTheWindowClosedAndUsable() {
    CTerminalDlg& dlg = Start();
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    m_pty->CloseMaster();
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.messages.size(), std::size_t(1), 10000);
    QVERIFY(m_prompts.LastText().contains(QStringLiteral("已断开")));
    QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("端口未打开！"));
    QVERIFY(!WindowTimer(dlg, "autoSend").isActive());
    QVERIFY(!m_comm->GetPortOpen());
    // Sending and card buttons are off; a send through the code path returns at once.
    dlg.OnManualSend();
    dlg.OnReadCardStatus();
    QCOMPARE(m_prompts.messages.size(), std::size_t(2)); // only "读卡状态失败!"
}

// An adapter pulled and plugged in again, three times, with nobody at the desk: its stable name (a
// link here) goes and comes back leading to a new device node; the window's own timer finds it, the
// loss is told once without waiting for an answer, and the port and the log go on.
void TestE2eWindow::unattendedReplugsKeepReceivingAndLogging() {
    m_com1 = m_dir.filePath(QStringLiteral("flaky-adapter-if00"));
    QVERIFY(QFile::link(m_pty->path, m_com1));
    CTerminalDlg& dlg = Start(QStringLiteral("Baud=6\r\n[Reconnect]\r\nReopenWhenDeviceReturns=1"));
    const QString log = m_dir.filePath(QStringLiteral("night.log"));
    QVERIFY(dlg.StartLog(log, LogFormat::Text));
    for (int i = 1; i <= 3; ++i) {
        m_pty->CloseMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_comm->GetPortOpen() && WindowTimer(dlg, "reopen").isActive(), 10000);
        QVERIFY(QFile::remove(m_com1));
        dlg.OnReopenTick(); // still gone
        QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("端口未打开！"));
        m_pty = std::make_unique<CPty>();
        QVERIFY(QFile::link(m_pty->path, m_com1));
        QTRY_VERIFY_WITH_TIMEOUT(m_comm->GetPortOpen(), 5000);
        QCOMPARE(dlg.Control<QLabel>(IDC_STATUS)->text(), QStringLiteral("STATUS:COM 1 REOPENED 9600,N,8,1"));
        m_pty->Write("back" + QByteArray::number(i));
        QTRY_COMPARE_WITH_TIMEOUT(dlg.RxCount(), qint64(5 * i), 5000);
    }
    QCOMPARE(m_prompts.messages.size(), std::size_t(1));
    QVERIFY(m_prompts.messages.front().notice);
    dlg.StopLog();
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QCOMPARE(text.count(" device lost on Com1: "), 3);
    QCOMPARE(text.count(" reopened Com1 ("), 3);
    for (const char* back : {"1  back1", "2  back2", "3  back3"})
        QVERIFY2(text.contains(" RX 62 61 63 6B 3" + QByteArray(back) + "\r\n"), back);
}

void TestE2eWindow::readStatusFromTheSimulatedCard_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("statusWindows");
    const QString failed = QStringLiteral("读卡状态失败!");
    QTest::newRow("well") << int(CardSimFault::None) << QStringList() << 1;
    QTest::newRow("lower case") << int(CardSimFault::LowerCase) << QStringList() << 1;
    QTest::newRow("stale bytes") << int(CardSimFault::Stale) << QStringList() << 1;
    QTest::newRow("70 bytes") << int(CardSimFault::Status70) << QStringList({QStringLiteral("读回的状态信息长度错误!"), failed}) << 0;
    QTest::newRow("72 bytes") << int(CardSimFault::Status72) << QStringList({QStringLiteral("读回的状态信息长度错误!"), failed}) << 0;
    QTest::newRow("bad digit") << int(CardSimFault::BadDigit) << QStringList({QStringLiteral("读回的数据出错!"), failed}) << 0;
    QTest::newRow("cr early") << int(CardSimFault::EarlyCr) << QStringList({QStringLiteral("读回的数据数量不足!"), failed}) << 0;
    // A configuration answer to a status request opens the configuration instead, then fails.
    QTest::newRow("wrong type") << int(CardSimFault::WrongType) << QStringList({failed}) << 0;
    QTest::newRow("silent") << int(CardSimFault::Silent) << QStringList({failed}) << 0;
    QTest::newRow("late") << int(CardSimFault::Late) << QStringList({failed}) << 0;
}

void TestE2eWindow::readStatusFromTheSimulatedCard() {
    QFETCH(int, fault);
    QFETCH(QStringList, messages);
    QFETCH(int, statusWindows);
    const bool waitsOutSilence = fault == int(CardSimFault::Silent) || fault == int(CardSimFault::Late);
    CFastClock fast;
    CTerminalDlg& dlg = Start(QString(), waitsOutSilence ? static_cast<IClock*>(&fast) : nullptr);
    CCardSimThread card(m_pty->MasterFd(), CardSimFault(fault), 60000);
    QStringList raw, decoded;
    int shown = 0;
    m_prompts.onModal = [&](QDialog& d) {
        auto* status = qobject_cast<CCardStatusDlg*>(&d);
        if (!status)
            return int(QDialog::Rejected); // the configuration dialog, cancelled
        ++shown;
        for (int k = 0; k < 15; ++k) {
            raw << static_cast<QLineEdit*>(status->Control(IDC_STATUS_RAW_FIRST + k))->text();
            decoded << static_cast<QLabel*>(status->Control(IDC_STATUS_DECODED_FIRST + k))->text();
        }
        return int(QDialog::Rejected);
    };
    static_cast<QPushButton*>(dlg.Control(IDC_READ_CARD_STATUS))->click();
    QCOMPARE(m_prompts.Texts(), messages);
    QCOMPARE(shown, statusWindows);
    if (statusWindows) {
        const CardStatusRecord& expected = card.StatusAtStart();
        for (int k : {0, 1, 2, 3, 4, 5, 6, 8, 9, 14}) {
            QCOMPARE(raw[k], StatusRawText(expected, k));
            QCOMPARE(decoded[k], StatusDecodedText(expected, k));
        }
    }
    QCOMPARE(card.Requests(), 1);
}

void TestE2eWindow::readConfigurationFromTheSimulatedCard() {
    CTerminalDlg& dlg = Start();
    CCardSimThread card(m_pty->MasterFd(), CardSimFault::None);
    dlg.OnConfigureCard();
    QVERIFY2(m_prompts.messages.empty(), qPrintable(m_prompts.Texts().join('|')));
    QVERIFY(dlg.Config().bytes == card.ConfigAtStart().bytes);
}

void TestE2eWindow::programTheSimulatedCard() {
    CTerminalDlg& dlg = Start();
    CCardSimThread card(m_pty->MasterFd(), CardSimFault::None);
    QStringList unitNames;
    QString newName = QStringLiteral("BENCH-7");
    m_prompts.onModal = [&](QDialog& d) {
        auto& config = static_cast<CCardConfigDlg&>(d);
        auto* unitName = static_cast<QLineEdit*>(config.Control(IDC_CFG_UNIT_NAME));
        unitNames << unitName->text();
        if (newName.isEmpty())
            return int(QDialog::Rejected);
        unitName->setText(newName);
        static_cast<QPushButton*>(config.Control(IDC_CFG_PROGRAM))->click();
        return d.result();
    };
    dlg.OnConfigureCard();
    QCOMPARE(m_prompts.Texts(), QStringList(QStringLiteral("卡配置成功改写！")));
    QCOMPARE(card.Config().UnitName(), std::string("BENCH-7"));
    newName.clear();
    dlg.OnConfigureCard();
    QCOMPARE(unitNames, QStringList({QStringLiteral("SERIMO-SIM"), QStringLiteral("BENCH-7")}));
    // Only the unit name changed on the card.
    CardConfigRecord expected = card.ConfigAtStart();
    expected.SetUnitName("BENCH-7");
    QVERIFY(card.Config() == expected);
    QCOMPARE(card.Requests(), 3);
}

void TestE2eWindow::programAnExtendedSettingOnTheSimulatedCard() {
    CTerminalDlg& dlg = Start();
    CCardSimThread card(m_pty->MasterFd(), CardSimFault::None);
    QStringList delays;
    bool program = true;
    m_prompts.onModal = [&](QDialog& d) {
        if (auto* ext = qobject_cast<CExtCardConfigDlg*>(&d)) {
            auto* delay = static_cast<CNumberBox*>(ext->Control(IDC_RESTART_DELAY));
            delays << delay->text();
            delay->Step(-1);
            static_cast<QPushButton*>(ext->Control(IDOK))->click();
            return d.result();
        }
        auto& config = static_cast<CCardConfigDlg&>(d);
        static_cast<QPushButton*>(config.Control(IDC_CFG_EXTENDED))->click();
        if (!program)
            return int(QDialog::Rejected);
        static_cast<QPushButton*>(config.Control(IDC_CFG_PROGRAM))->click();
        return d.result();
    };
    dlg.OnConfigureCard();
    QCOMPARE(m_prompts.Texts(), QStringList(QStringLiteral("卡配置成功改写！")));
    program = false;
    dlg.OnConfigureCard(); // read back
    const int before = card.ConfigAtStart().RestartDelay();
    QCOMPARE(delays, QStringList({QString::number(before), QString::number(before - 1)}));
    CardConfigRecord expected = card.ConfigAtStart();
    expected.SetRestartDelay(std::uint8_t(before - 1));
    expected.SetPreferredApMacCopy(expected.PreferredApMac());
    QVERIFY(card.Config() == expected);
}

QTEST_MAIN(TestE2eWindow)
#include "tst_e2e_window.moc"
