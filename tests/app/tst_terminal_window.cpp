// The terminal in the main window: receiving and showing, sending by hand, on the timer and from
// files, with the send protocols, on the fake serial control.
#include "res/resource.h"
#include "terminal/receive_view.h"
#include "terminal/rx_capture.h"
#include "tests/support/fake_device_list.h"
#include "tests/support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class TestTerminalWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { f.Reset(); }

    void receivedBytesAreShown_data();
    void receivedBytesAreShown();
    void displayStoppedStillCaptures();
    void captureKeepsTheFirst204800Bytes();
    void counterResetRestartsTheCapture();
    void minimisedAreaCatchesUp();
    void manualSend_data();
    void manualSend();
    void wnmpSendsTheBreakPreambleFirst();
    void closedPortSendsNothing();
    void autoSendArming_data();
    void autoSendArming();
    void autoSendFollowsThePort();
    void boxesChangedWithoutAClick();
    void sendFileInBlocks_data();
    void sendFileInBlocks();
    void sendFileThatCannotBeOpened();
    void stalledOutputIsBounded();
    void fileSendCutShortIsNotReportedDone();

private:
    // What the person sees once the window has had its next frame.
    static QString Shown(CTerminalDlg& dlg) {
        dlg.FlushReceiveView();
        return dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText();
    }
    static QString RxShown(CTerminalDlg& dlg) {
        dlg.FlushReceiveView();
        return dlg.Control<QLabel>(IDC_RX_COUNT)->text();
    }
    CWindowFixture f;
};

void TestTerminalWindow::receivedBytesAreShown_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QString>("shown");
    QTest::newRow("line break") << QString() << QByteArrayList{"A\r\nB"} << "A\nB";
    QTest::newRow("controls as dots") << QString() << QByteArrayList{QByteArray("\x00\x7F\x80\x9F", 4)} << "....";
    QTest::newRow("chinese") << QString() << QByteArrayList{"\xD6\xD0\xCE", "\xC4"} << QStringLiteral("中文");
    QTest::newRow("hex") << "[Receive]\nDisplayHexCode=1\n" << QByteArrayList{"A\r"} << "41 0D ";
    QTest::newRow("auto-clear") << "[Receive]\nAutoClearReceiveArea=1\n" << QByteArrayList{QByteArray(4096, 'x'), "NEW"} << "NEW";
    QTest::newRow("stamps") << "[Display]\nTimestamps=1\n" << QByteArrayList{"a\rb"} << "[14:05:09.000] a\n[14:05:09.000] b";
    QTest::newRow("line ends") << "[Display]\nLineEnd=LF\n" << QByteArrayList{"a\rb\nc"} << "ab\nc";
    // A fast line can hand over far more at once than the area holds: all of it is captured and
    // counted, and the area shows the newest part.
    QByteArray big;
    for (int i = 0; i < 100000; ++i)
        big += char(i % 256);
    QTest::newRow("huge read") << "[Receive]\nDisplayHexCode=1\n" << QByteArrayList{big}
                               << QString::fromLatin1(big.right(2730).toHex(' ').toUpper() + ' ');
}

void TestTerminalWindow::receivedBytesAreShown() {
    QFETCH(QString, profile);
    QFETCH(QByteArrayList, reads);
    QFETCH(QString, shown);
    CTerminalDlg& dlg = f.Open(profile);
    for (const QByteArray& read : reads)
        f.comm.Receive(read);
    const QByteArray bytes = reads.join();
    QCOMPARE(Shown(dlg), shown);
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:%1").arg(bytes.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), bytes.size()), bytes);
}

void TestTerminalWindow::displayStoppedStillCaptures() {
    // What came before the stop shows at the next frame, a character split across reads included.
    CTerminalDlg& dlg = f.Open();
    f.comm.Receive("\xD6");
    f.comm.Receive("\xD0one ");
    dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->click();
    QCOMPARE(dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->text(), QStringLiteral("继续显示"));
    f.comm.Receive("two ");
    QCOMPARE(Shown(dlg), QStringLiteral("中one "));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:10"));
    dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->click();
    QCOMPARE(dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->text(), QStringLiteral("停止显示"));
    // Hex display acts on what comes next; the clear button leaves the capture alone.
    dlg.Control<QCheckBox>(IDC_HEX_DISPLAY)->click();
    f.comm.Receive("3");
    QCOMPARE(Shown(dlg), QStringLiteral("中one 33 "));
    static_cast<QPushButton*>(dlg.Control(1008))->click();
    QCOMPARE(Shown(dlg), QString());
    QCOMPARE(dlg.RxCount(), 11);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), 11), QByteArray("\xD6\xD0one two 3"));
}

void TestTerminalWindow::captureKeepsTheFirst204800Bytes() {
    CTerminalDlg& dlg = f.Open();
    dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->click();
    QByteArray all;
    for (int i = 0; i < int(kRxBufferSize) + 1; ++i)
        all += char(i * 31 + i / 256);
    f.comm.Receive(all.left(100000));
    f.comm.Receive(all.mid(100000, int(kRxBufferSize) - 100000 - 10));
    f.comm.Receive(all.mid(int(kRxBufferSize) - 10, 11));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:204801"));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), kRxBufferSize),
             all.left(kRxBufferSize));
}

void TestTerminalWindow::counterResetRestartsTheCapture() {
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSendData=hi\n"));
    f.comm.Receive("abcdef");
    dlg.OnManualSend();
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:2"));
    static_cast<QPushButton*>(dlg.Control(1026))->click();
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:0"));
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:0"));
    f.comm.Receive("XY");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), 6), QByteArray("XYcdef"));
    QCOMPARE(Shown(dlg), QStringLiteral("abcdefXY"));
}

void TestTerminalWindow::minimisedAreaCatchesUp() {
    // A minimised window leaves its area alone (the counter still counts) and shows everything,
    // a clear included, as soon as it is back.
    CTerminalDlg& dlg = f.Open();
    f.comm.Receive("before ");
    QCOMPARE(Shown(dlg), QStringLiteral("before "));
    dlg.showMinimized();
    f.comm.Receive("x\xD6");
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:9"));
    QCOMPARE(dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText(), QStringLiteral("before "));
    f.comm.Receive("\xD0" "after");
    dlg.showNormal();
    QCOMPARE(dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText(), QStringLiteral("before x中after"));
    dlg.showMinimized();
    static_cast<QPushButton*>(dlg.Control(1008))->click();
    f.comm.Receive("new");
    dlg.showNormal();
    QCOMPARE(dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText(), QStringLiteral("new"));
}

void TestTerminalWindow::manualSend_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("default text as hex") << "05 30 30 41 30 30 30 30 30 30 30 30 30 0D" << true << 0
                                         << QByteArray::fromHex("05303041303030303030303030" "0D");
    QTest::newRow("0x41") << "0x41" << true << 0 << QByteArray("\x00\x41", 2);
    QTest::newRow("1234") << "1234" << true << 0 << QByteArray("\x34");
    QTest::newRow("A") << "A" << true << 0 << QByteArray("\x0A");
    QTest::newRow("blanks") << "   " << true << 0 << QByteArray();
    QTest::newRow("two lines as text") << "ab\nc" << false << 0 << QByteArray("ab\r\nc");
    QTest::newRow("chinese as text") << QStringLiteral("中") << false << 0 << QByteArray("\xD6\xD0");
    QTest::newRow("tcp Hi") << "Hi" << false << 1 << QByteArray::fromHex("7EFF7D23844869F9F37E");
    QTest::newRow("udp Hi") << "Hi" << false << 3 << QByteArray::fromHex("7EFF7D2382C0A87D207D227D247D2048698C967E");
    QTest::newRow("no protocol selected") << "Hi" << false << -1 << QByteArray("Hi");
}

void TestTerminalWindow::manualSend() {
    QFETCH(QString, text);
    QFETCH(bool, hex);
    QFETCH(int, protocol);
    QFETCH(QByteArray, sent);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSendHexCode=%1\nSend Protocol=%2\n").arg(int(hex)).arg(protocol));
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(text);
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QCOMPARE(f.comm.written, sent);
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:%1").arg(sent.size()));
    QCOMPARE(f.comm.OpsStartingWith("Output").size(), sent.isEmpty() ? 0 : 1);
}

void TestTerminalWindow::wnmpSendsTheBreakPreambleFirst() {
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSendHexCode=0\nSend Protocol=2\n"));
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("AB"));
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QCOMPARE(f.comm.ops, QStringList({"Output=00", "Break=1", "Output=00", "Break=0", "Output=41 42"}));
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:2"));
}

void TestTerminalWindow::closedPortSendsNothing() {
    CTerminalDlg& dlg = f.Open();
    dlg.ClosePort();
    f.comm.ClearLog();
    dlg.OnManualSend();
    dlg.OnManualSend();
    QVERIFY(f.comm.written.isEmpty());
    QVERIFY(f.prompts.messages.empty());
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:0"));
}

void TestTerminalWindow::autoSendArming_data() {
    QTest::addColumn<bool>("storedTicked");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QString>("period");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("interval");
    QTest::newRow("ticked on") << false << true << "250" << true << 250;
    QTest::newRow("leading blanks and junk") << false << true << "  75ms" << true << 75;
    QTest::newRow("period 0") << false << true << "0" << false << 0;
    QTest::newRow("period letters") << false << true << "abc" << false << 0;
    QTest::newRow("period negative") << false << true << "-5" << false << 0;
    QTest::newRow("period with plus sign") << false << true << " +250" << true << 250;
    QTest::newRow("port closed") << false << false << "250" << false << 0;
    // Ticked in the profile: the first click unticks it.
    QTest::newRow("stored ticked") << true << true << "250" << false << 0;
}

void TestTerminalWindow::autoSendArming() {
    QFETCH(bool, storedTicked);
    QFETCH(bool, portOpen);
    QFETCH(QString, period);
    QFETCH(bool, running);
    QFETCH(int, interval);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nAutoSend=%1\n").arg(int(storedTicked)));
    QCOMPARE(dlg.Control<QCheckBox>(IDC_AUTO_SEND)->isChecked(), storedTicked);
    QVERIFY(!WindowTimer(dlg, "autoSend").isActive()); // nothing starts it at start-up
    if (!portOpen)
        dlg.ClosePort();
    dlg.Control<QLineEdit>(IDC_PERIOD)->setText(period);
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->toggle(); // as a screen reader ticks it: no click
    QCOMPARE(WindowTimer(dlg, "autoSend").isActive(), running);
    if (running)
        QCOMPARE(WindowTimer(dlg, "autoSend").interval(), interval);
}

// Each tick sends the box as it is then. A reopen leaves periodic sending running, a lost device
// stops it, the port reopened starts it again, unticking stops it.
void TestTerminalWindow::autoSendFollowsThePort() {
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSendHexCode=0\n[Reconnect]\nReopenWhenDeviceReturns=1\n"));
    CFakeDeviceList devices;
    devices.present.insert(QStringLiteral("/fake/com1"));
    dlg.SetDeviceList(&devices);
    QTimer& timer = WindowTimer(dlg, "autoSend");
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("a"));
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    dlg.OnManualSend();
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("b"));
    dlg.OnManualSend();
    QCOMPARE(f.comm.written, QByteArray("ab"));
    emit dlg.Control<QComboBox>(IDC_BAUD)->activated(3);
    QVERIFY(timer.isActive());
    f.comm.SetPortOpen(false);
    f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
    QTRY_VERIFY_WITH_TIMEOUT(WindowTimer(dlg, "reopen").isActive() && !timer.isActive(), 5000);
    dlg.OnReopenTick();
    QVERIFY(f.comm.GetPortOpen() && timer.isActive());
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    QVERIFY(!timer.isActive());
}

void TestTerminalWindow::boxesChangedWithoutAClick() {
    // An accessibility client changes a box through toggle(), which emits no click; the program
    // must follow the box, and loading settings into the boxes must not flip anything.
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSendHexCode=0\n[Receive]\nDisplayHexCode=1\n"));
    QVERIFY(dlg.Control<QCheckBox>(IDC_HEX_DISPLAY)->isChecked() &&
            !dlg.Control<QCheckBox>(IDC_HEX_SEND)->isChecked());
    for (int id : {IDC_AUTO_CLEAR, IDC_HEX_DISPLAY, IDC_HEX_SEND, IDC_RESET_RX_AFTER_SAVE}) {
        QCheckBox* box = dlg.Control<QCheckBox>(id);
        box->toggle();
        const bool ticked = box->isChecked();
        dlg.UpdateData(false); // puts the window's value back in the box: it must have followed
        QCOMPARE(box->isChecked(), ticked);
    }
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("41 42"));
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QCOMPARE(f.comm.written, QByteArray("AB"));
}

void TestTerminalWindow::sendFileInBlocks_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("outputs");
    QTest::newRow("512 bytes") << 512 << 0 << 2;
    QTest::newRow("513 bytes") << 513 << 0 << 3;
    QTest::newRow("empty") << 0 << 0 << 0;
    QTest::newRow("300 bytes in wnmp") << 300 << 2 << 2 + 4;
}

void TestTerminalWindow::sendFileInBlocks() {
    QFETCH(int, size);
    QFETCH(int, protocol);
    QFETCH(int, outputs);
    QByteArray content;
    for (int i = 0; i < size; ++i)
        content += char(i % 251);
    QVERIFY(f.WriteFile(QStringLiteral("send.bin"), content));
    const QString path = f.dir.filePath(QStringLiteral("send.bin"));

    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSend Protocol=%1\n").arg(protocol));
    f.prompts.chooserAnswers.push_back(path);
    static_cast<QPushButton*>(dlg.Control(1021))->click();
    QCOMPARE(f.prompts.choosers.back().title, QStringLiteral("选择需要发送的文件"));
    QVERIFY(f.prompts.choosers.back().mustExist);
    QCOMPARE(dlg.Control<QLineEdit>(IDC_SEND_FILE_PATH)->text(), path);
    dlg.Control<QPushButton>(IDC_SEND_FILE)->click();
    QCOMPARE(f.comm.OpsStartingWith("Output").size(), outputs);
    QByteArray expected = content;
    if (protocol == 2)
        expected = QByteArray(2, '\0') + content.left(256) + QByteArray(2, '\0') + content.mid(256);
    QCOMPARE(f.comm.written, expected);
    QCOMPARE(dlg.TxCount(), size);
}

void TestTerminalWindow::sendFileThatCannotBeOpened() {
    CTerminalDlg& dlg = f.Open();
    dlg.Control<QLineEdit>(IDC_SEND_FILE_PATH)->setText(f.dir.filePath(QStringLiteral("missing.bin")));
    dlg.Control<QPushButton>(IDC_SEND_FILE)->click();
    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("文件无法打开！")));
    QVERIFY(f.comm.written.isEmpty());
}

void TestTerminalWindow::stalledOutputIsBounded() {
    // Flow control holds everything back: each send gives up after its line time plus a few seconds,
    // throws the pending output away and says so once.
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Send]\nSendHexCode=0\n"));
    f.comm.stallOutput = true;
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("hello"));
    const qint64 start = f.clock.NowMs();
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QVERIFY(f.clock.NowMs() - start >= 3000);
    QVERIFY(f.clock.NowMs() - start < 4000);
    QCOMPARE(f.comm.ops.last(), QStringLiteral("OutBufferCount=0"));
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:10"));
}

void TestTerminalWindow::fileSendCutShortIsNotReportedDone() {
    QVERIFY(f.WriteFile(QStringLiteral("send.bin"), QByteArray(1000, 'x')));
    const QString path = f.dir.filePath(QStringLiteral("send.bin"));
    const QString done = QStringLiteral("文件发送完毕！原始文件长度为");

    // The device goes away after the second block: the port tells it, nothing claims success.
    CTerminalDlg& dlg = f.Open();
    dlg.Control<QLineEdit>(IDC_SEND_FILE_PATH)->setText(path);
    int blocks = 0;
    f.comm.onOutput = [&](const QByteArray&) {
        if (++blocks == 2) {
            f.comm.SetPortOpen(false);
            f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
        }
    };
    dlg.Control<QPushButton>(IDC_SEND_FILE)->click();
    QCOMPARE(blocks, 2);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.messages.empty(), 5000);
    for (const QString& text : f.prompts.Texts())
        QVERIFY2(!text.startsWith(done), qPrintable(text));

    // A stalled line: the time-out is told once per opening, the cut-short file every time.
    CTerminalDlg& stalled = f.Open();
    f.comm.onOutput = nullptr;
    f.prompts = CFakePrompts();
    f.comm.stallOutput = true;
    stalled.Control<QLineEdit>(IDC_SEND_FILE_PATH)->setText(path);
    stalled.Control<QPushButton>(IDC_SEND_FILE)->click();
    stalled.Control<QPushButton>(IDC_SEND_FILE)->click();
    const QStringList texts = f.prompts.Texts();
    QCOMPARE(texts.size(), 3);
    QVERIFY(texts[0].startsWith(QStringLiteral("串口发送超时")));
    QVERIFY(texts[1].startsWith(QStringLiteral("文件没有全部发出！")));
    QCOMPARE(texts[2], texts[1]);
}

QTEST_MAIN(TestTerminalWindow)
#include "tst_terminal_window.moc"
