// The terminal in the main window: receiving and showing, sending by hand, on the timer and from
// files, the send protocols, saving the capture, the session log and the arrival stamps, on the fake
// serial control.
#include "res/resource.h"
#include "terminal/rx_capture.h"
#include "terminal/stuffed_frame.h"
#include "terminal/receive_view.h"
#include "tests/support/fake_device_list.h"
#include "tests/support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

class TestTerminalWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        f.Reset();
        QDir dir(f.dir.path());
        for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(name)).isDir() ? QDir(dir.filePath(name)).removeRecursively() : dir.remove(name));
    }

    void receivedBytesAreShown_data();
    void receivedBytesAreShown();
    void displayStoppedStillCaptures();
    void captureKeepsTheFirst204800Bytes();
    void counterResetRestartsTheCapture();
    void stopDisplayInsideABatch();
    void minimisedAreaCatchesUp();
    void manualSend_data();
    void manualSend();
    void wnmpSendsTheBreakPreambleFirst();
    void closedPortSendsNothing();
    void autoSendArming_data();
    void autoSendArming();
    void autoSendTicksSendTheBoxAsItIsNow();
    void autoSendRunsAgainAfterAnOpen();
    void boxesChangedWithoutAClick();
    void sendFileInBlocks_data();
    void sendFileInBlocks();
    void sendFileThatCannotBeOpened();
    void stalledOutputIsBounded();
    void fileSendCutShortIsNotReportedDone();
    void rawSave_data();
    void rawSave();
    void nothingToSave_data();
    void nothingToSave();
    void tcpDump_data();
    void tcpDump();
    void wnmpDump_data();
    void wnmpDump();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void menuLogHoldsWhatWentOverTheLine_data();
    void menuLogHoldsWhatWentOverTheLine();
    void logNotesFollowThePort();

private:
    static QAction* MenuItem(CTerminalDlg& dlg, QMenu& menu, const QString& start) {
        dlg.FillContextMenu(menu);
        for (QAction* a : menu.actions())
            if (a->text().startsWith(start))
                return a;
        return nullptr;
    }
    // What the person sees once the window has had its next frame.
    static QString Shown(CTerminalDlg& dlg) {
        dlg.FlushReceiveView();
        return dlg.Control<CReceiveView>(IDC_RECEIVE)->toPlainText();
    }
    static QString RxShown(CTerminalDlg& dlg) {
        dlg.FlushReceiveView();
        return dlg.Control<QLabel>(IDC_RX_COUNT)->text();
    }
    CTerminalDlg& Open(const QString& profile = QString()) {
        CTerminalDlg& dlg = f.Start(profile);
        f.comm.ClearLog();
        return dlg;
    }
    // Puts `bytes` into the capture as if received, and `extra` more bytes beyond the buffer.
    static void Capture(CTerminalDlg& dlg, const QByteArray& bytes, std::int64_t extra = 0) {
        dlg.Capture(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        dlg.SetRxCount(dlg.RxCount() + extra);
        dlg.ShowRxCount();
    }
    QByteArray ReadFile(const QString& name) const {
        QFile file(f.dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile file(f.dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
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
    CTerminalDlg& dlg = Open(profile);
    for (const QByteArray& read : reads)
        f.comm.Receive(read);
    const QByteArray bytes = reads.join();
    QCOMPARE(Shown(dlg), shown);
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:%1").arg(bytes.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), bytes.size()), bytes);
}

void TestTerminalWindow::displayStoppedStillCaptures() {
    CTerminalDlg& dlg = Open();
    f.comm.Receive("one ");
    dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->click();
    QCOMPARE(dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->text(), QStringLiteral("继续显示"));
    f.comm.Receive("two ");
    QCOMPARE(Shown(dlg), QStringLiteral("one "));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:8"));
    dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->click();
    QCOMPARE(dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->text(), QStringLiteral("停止显示"));
    // Hex display acts on what comes next; the clear button leaves the capture alone.
    dlg.Control<QCheckBox>(IDC_HEX_DISPLAY)->click();
    f.comm.Receive("3");
    QCOMPARE(Shown(dlg), QStringLiteral("one 33 "));
    static_cast<QPushButton*>(dlg.Control(1008))->click();
    QCOMPARE(Shown(dlg), QString());
    QCOMPARE(dlg.RxCount(), 9);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), 9), QByteArray("one two 3"));
}

void TestTerminalWindow::captureKeepsTheFirst204800Bytes() {
    CTerminalDlg& dlg = Open();
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
    CTerminalDlg& dlg = Open();
    f.comm.Receive("abcdef");
    dlg.SetTxCount(7);
    static_cast<QPushButton*>(dlg.Control(1026))->click();
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:0"));
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:0"));
    f.comm.Receive("XY");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.Captured()), 6), QByteArray("XYcdef"));
    QCOMPARE(Shown(dlg), QStringLiteral("abcdefXY"));
}

void TestTerminalWindow::stopDisplayInsideABatch() {
    // What arrived before the stop is shown when the frame comes; what arrived after it is not.
    CTerminalDlg& dlg = Open();
    f.comm.Receive("\xD6");
    f.comm.Receive("\xD0" "before ");
    dlg.Control<QPushButton>(IDC_STOP_DISPLAY)->click();
    f.comm.Receive("after");
    QCOMPARE(Shown(dlg), QStringLiteral("中before "));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:14"));
}

void TestTerminalWindow::minimisedAreaCatchesUp() {
    // A minimised window leaves its area alone (the counter still counts) and shows everything,
    // a clear included, as soon as it is back.
    CTerminalDlg& dlg = Open();
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
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=%1\nSend Protocol=%2\n").arg(int(hex)).arg(protocol));
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(text);
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QCOMPARE(f.comm.written, sent);
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:%1").arg(sent.size()));
    QCOMPARE(f.comm.OpsStartingWith("Output").size(), sent.isEmpty() ? 0 : 1);
}

void TestTerminalWindow::wnmpSendsTheBreakPreambleFirst() {
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\nSend Protocol=2\n"));
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("AB"));
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QCOMPARE(f.comm.ops, QStringList({"Output=00", "Break=1", "Output=00", "Break=0", "Output=41 42"}));
    QCOMPARE(dlg.Control<QLabel>(IDC_TX_COUNT)->text(), QStringLiteral("TX:2"));
}

void TestTerminalWindow::closedPortSendsNothing() {
    CTerminalDlg& dlg = Open();
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
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nAutoSend=%1\n").arg(int(storedTicked)));
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

void TestTerminalWindow::autoSendTicksSendTheBoxAsItIsNow() {
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\n"));
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("a"));
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    QVERIFY(WindowTimer(dlg, "autoSend").isActive());
    dlg.OnManualSend();
    dlg.Control<QPlainTextEdit>(IDC_SEND)->setPlainText(QStringLiteral("b"));
    dlg.OnManualSend();
    QCOMPARE(f.comm.written, QByteArray("ab"));
    // A successful reopen leaves it running; unticking stops it.
    emit dlg.Control<QComboBox>(IDC_BAUD)->activated(3);
    QVERIFY(WindowTimer(dlg, "autoSend").isActive());
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    QVERIFY(!WindowTimer(dlg, "autoSend").isActive());
}

// A lost device stops periodic sending; the port reopened starts it again.
void TestTerminalWindow::autoSendRunsAgainAfterAnOpen() {
    CTerminalDlg& dlg = Open(QStringLiteral("[Reconnect]\nReopenWhenDeviceReturns=1\n"));
    CFakeDeviceList devices;
    devices.present.insert(QStringLiteral("/fake/com1"));
    dlg.SetDeviceList(&devices);
    dlg.Control<QCheckBox>(IDC_AUTO_SEND)->click();
    f.comm.SetPortOpen(false);
    f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
    QTRY_VERIFY_WITH_TIMEOUT(WindowTimer(dlg, "reopen").isActive() && !WindowTimer(dlg, "autoSend").isActive(), 5000);
    dlg.OnReopenTick();
    QVERIFY(f.comm.GetPortOpen() && WindowTimer(dlg, "autoSend").isActive());
}

void TestTerminalWindow::boxesChangedWithoutAClick() {
    // An accessibility client changes a box through toggle(), which emits no click; the program
    // must follow the box, and loading settings into the boxes must not flip anything.
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\n[Receive]\nDisplayHexCode=1\n"));
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
    const QString path = f.dir.filePath(QStringLiteral("send.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSend Protocol=%1\n").arg(protocol));
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
    CTerminalDlg& dlg = Open();
    dlg.Control<QLineEdit>(IDC_SEND_FILE_PATH)->setText(f.dir.filePath(QStringLiteral("missing.bin")));
    dlg.Control<QPushButton>(IDC_SEND_FILE)->click();
    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("文件无法打开！")));
    QVERIFY(f.comm.written.isEmpty());
}

void TestTerminalWindow::stalledOutputIsBounded() {
    // Flow control holds everything back: each send gives up after its line time plus a few seconds,
    // throws the pending output away and says so once.
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\n"));
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
    const QString path = f.dir.filePath(QStringLiteral("send.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(1000, 'x'));
    file.close();
    const QString done = QStringLiteral("文件发送完毕！原始文件长度为");

    // The device goes away after the second block: the port tells it, nothing claims success.
    CTerminalDlg& dlg = Open();
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
    CTerminalDlg& stalled = Open();
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

namespace {

QByteArray TcpFrame(const QByteArray& payload) {
    std::vector<std::uint8_t> bytes(payload.begin(), payload.end());
    BuildStuffedFrame(bytes, kFrameTypeTcp);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

const QByteArray kWnmpExample = "\x05" "00AB0001000241073C\r";

} // namespace

void TestTerminalWindow::rawSave_data() {
    QTest::addColumn<int>("received");
    QTest::newRow("small") << 5;
    QTest::newRow("exactly the buffer") << int(kRxBufferSize);
    QTest::newRow("more than the buffer") << int(kRxBufferSize) + 3000;
}

// The raw save writes what the buffer holds, says how much, and opens it; the RX reset and the
// comparison belong to the TCP dump only.
void TestTerminalWindow::rawSave() {
    QFETCH(int, received);
    CTerminalDlg& dlg = Open(QStringLiteral("[Receive]\nResetRX=1\nSave Protocol=0\n"));
    QByteArray bytes(received, Qt::Uninitialized);
    for (int i = 0; i < received; ++i)
        bytes[i] = char(i * 7);
    Capture(dlg, bytes);
    const QString path = f.dir.filePath(QStringLiteral("cap.txt"));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(path);
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(f.dir.filePath(QStringLiteral("ref.tcp")));
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();

    const int n = std::min(received, int(kRxBufferSize));
    QCOMPARE(ReadFile(QStringLiteral("cap.txt")), bytes.left(n));
    QString message = QStringLiteral("文件建立成功！文件字节数为%1.").arg(n);
    if (received > n)
        message += QStringLiteral("\n注：只有前面接收到的%1字节被保存!").arg(n);
    QCOMPARE(f.prompts.Texts(), QStringList(message));
    QCOMPARE(f.prompts.shownFiles, QStringList(path));
    QCOMPARE(dlg.RxCount(), std::int64_t(received));
    QVERIFY(f.prompts.comparisons.empty());
}

void TestTerminalWindow::nothingToSave_data() {
    QTest::addColumn<int>("protocol");
    QTest::newRow("Original") << 0;
    QTest::newRow("TCP") << 1;
    QTest::newRow("WNMP") << 2;
}

void TestTerminalWindow::nothingToSave() {
    QFETCH(int, protocol);
    CTerminalDlg& dlg = Open(QStringLiteral("[Receive]\nSave Protocol=%1\n").arg(protocol));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(f.dir.filePath(QStringLiteral("cap.txt")));
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();
    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("没有数据可保存！")));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("serimo.ini")));
}

void TestTerminalWindow::tcpDump_data() {
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<bool>("resetTicked");
    QTest::addColumn<bool>("reference");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("compared");
    const QByteArray example = QByteArray::fromHex("7EFF7D238448697D5E5AA57E");
    QTest::newRow("compared, RX reset") << example << true << true << QByteArray("Hi~") << true;
    QTest::newRow("box not ticked") << example << false << true << QByteArray("Hi~") << true;
    QTest::newRow("no reference") << example << true << false << QByteArray("Hi~") << false;
    QTest::newRow("no payload") << QByteArray("plain text") << true << true << QByteArray() << false;
}

void TestTerminalWindow::tcpDump() {
    QFETCH(QByteArray, capture);
    QFETCH(bool, resetTicked);
    QFETCH(bool, reference);
    QFETCH(QByteArray, payload);
    QFETCH(bool, compared);
    CTerminalDlg& dlg = Open(QStringLiteral("[Receive]\nSave Protocol=1\nResetRX=%1\n").arg(int(resetTicked)));
    Capture(dlg, capture);
    // A dot in a folder name leaves the folder alone.
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("logs.old")));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(f.dir.filePath(QStringLiteral("logs.old/cap.txt")));
    const QString ref = f.dir.filePath(QStringLiteral("ref.tcp"));
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(reference ? ref : QString());
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();

    QCOMPARE(ReadFile(QStringLiteral("logs.old/cap.tcp")), payload);
    QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("logs.tcp"))));
    QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("logs.old/cap.txt"))));
    QVERIFY(f.prompts.messages.empty());
    QVERIFY(f.prompts.shownFiles.isEmpty());
    QCOMPARE(dlg.RxCount(), resetTicked ? 0 : std::int64_t(capture.size()));
    QCOMPARE(dlg.Control<QLabel>(IDC_RX_COUNT)->text(), QStringLiteral("RX:%1").arg(dlg.RxCount()));
    if (compared) {
        QCOMPARE(f.prompts.compareViewersClosed, 1);
        QCOMPARE(f.prompts.comparisons.size(), std::size_t(1));
        QCOMPARE(f.prompts.comparisons[0].first, ref);
        QCOMPARE(f.prompts.comparisons[0].second, f.dir.filePath(QStringLiteral("logs.old/cap.tcp")));
    } else {
        QCOMPARE(f.prompts.compareViewersClosed, 0);
        QVERIFY(f.prompts.comparisons.empty());
    }
}

void TestTerminalWindow::wnmpDump_data() {
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<QString>("text");
    QTest::newRow("worked example") << kWnmpExample
                                    << QStringLiteral("消息：\t00ABH\t(WNMP_INFO,信息消息)\r\n序列号:\t0001H\r\n"
                                                      "数据长度:\t2\t(0002H)\r\nOffset   0:\tA\t(65)\t(41H)\r\n"
                                                      "Offset   1:\t \t(7)\t(07H)\r\n") +
                                           QString(65, QLatin1Char('*')) + QStringLiteral("\r\n\r\n");
    QTest::newRow("no message") << QByteArray("\x05" "00AB") << QString();
}

// The dump goes beside the capture path, which itself is left alone; only a dump with a message is
// opened, and nothing of the TCP dump's follow-up happens.
void TestTerminalWindow::wnmpDump() {
    QFETCH(QByteArray, capture);
    QFETCH(QString, text);
    CTerminalDlg& dlg = Open(QStringLiteral("[Receive]\nSave Protocol=2\nResetRX=1\n"));
    Capture(dlg, capture);
    WriteFile(QStringLiteral("save.txt"), "keep");
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(f.dir.filePath(QStringLiteral("save.txt")));
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(f.dir.filePath(QStringLiteral("ref.tcp")));
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();

    QCOMPARE(ReadFile(QStringLiteral("save.wnp")), GbkBytes(text));
    QCOMPARE(ReadFile(QStringLiteral("save.txt")), QByteArray("keep"));
    QCOMPARE(f.prompts.shownFiles,
             text.isEmpty() ? QStringList() : QStringList(f.dir.filePath(QStringLiteral("save.wnp"))));
    QVERIFY(f.prompts.messages.empty());
    QCOMPARE(dlg.RxCount(), std::int64_t(capture.size()));
    QVERIFY(f.prompts.comparisons.empty());
}

void TestTerminalWindow::failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("diskFull");
    for (const auto& [protocol, target] : {std::pair{0, "cap.txt"}, {1, "cap.tcp"}, {2, "cap.wnp"}}) {
        QTest::addRow("%s, folder missing", target) << protocol << false;
#ifdef Q_OS_UNIX
        QTest::addRow("%s, file size limit", target) << protocol << true;
#endif
    }
}

// A save that cannot be written whole says so and leaves the previous file as it was; a failed TCP
// dump neither resets RX nor compares.
void TestTerminalWindow::failedSaveKeepsTheOldFile() {
    QFETCH(int, protocol);
    QFETCH(bool, diskFull);
    CTerminalDlg& dlg = Open(QStringLiteral("[Receive]\nSave Protocol=%1\nResetRX=1\n").arg(protocol));
    Capture(dlg, TcpFrame(QByteArray(8000, 'A')) + "\x05" "00AB00010FA0" + QByteArray("41").repeated(4000));
    const std::int64_t received = dlg.RxCount();
    WriteFile(QStringLiteral("cap.txt"), "previous");
    WriteFile(QStringLiteral("cap.tcp"), "previous");
    WriteFile(QStringLiteral("cap.wnp"), "previous");
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)
        ->setText(f.dir.filePath(diskFull ? QStringLiteral("cap.txt") : QStringLiteral("missing/cap.txt")));
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(f.dir.filePath(QStringLiteral("ref.tcp")));
#ifdef Q_OS_UNIX
    rlimit saved{};
    if (diskFull) {
        // Writing past 4 KiB fails as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    }
#endif
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();
#ifdef Q_OS_UNIX
    if (diskFull)
        QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
#endif

    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("文件建立失败！")));
    for (const char* name : {"cap.txt", "cap.tcp", "cap.wnp"})
        QCOMPARE(ReadFile(QString::fromLatin1(name)), QByteArray("previous"));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4); // the three and the profile
    QVERIFY(f.prompts.shownFiles.isEmpty());
    QVERIFY(f.prompts.comparisons.empty());
    QCOMPARE(f.prompts.compareViewersClosed, 0);
    QCOMPARE(dlg.RxCount(), received);
}

void TestTerminalWindow::menuLogHoldsWhatWentOverTheLine_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter"); // the chooser's: raw, text
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("log"); // after the header; null: the file cannot be opened
    const QByteArray rx = "2024-03-05 14:05:09.000 RX 69 6E  in\r\n";
    const QByteArray tx = "2024-03-05 14:05:09.000 TX ";
    QTest::newRow("raw") << "s.log" << 0 << 0 << QByteArray("in");
    QTest::newRow("text, TCP frame") << "s.bin" << 1 << 1 << rx + tx + "7E FF 7D 23 84 48 69 F9 F3 7E  ~.}#.Hi..~\r\n";
    QTest::newRow("text, break preamble") << "s" << 1 << 2 << rx + tx + "00  .\r\n" + tx + "00  .\r\n" + tx + "48 69  Hi\r\n";
    QTest::newRow("missing folder") << "no/s.log" << 1 << 0 << QByteArray();
}

void TestTerminalWindow::menuLogHoldsWhatWentOverTheLine() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(int, protocol);
    QFETCH(QByteArray, log);
    f.clock.SetLocal(QDateTime(QDate(2024, 3, 5), QTime(14, 5, 9)));
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Send]\nSendData=Hi\nSend Protocol=%1\n").arg(protocol));
    const QString path = f.dir.filePath(name);
    f.prompts.chooserAnswers = {path};
    f.prompts.chosenFilter = filter;
    QMenu menu;
    MenuItem(dlg, menu, QStringLiteral("记录到文件…"))->trigger();
    QVERIFY(f.ProfileText().contains(QStringLiteral("[Log]\r\nPath=%1\r\n").arg(path)));
    if (log.isNull()) {
        QCOMPARE(f.prompts.messages.size(), std::size_t(1));
        QVERIFY(f.prompts.LastText().startsWith(QStringLiteral("无法记录到文件 %1：").arg(QDir::toNativeSeparators(path))));
        QVERIFY(!dlg.LogIndicator()->isVisible());
        return;
    }
    QVERIFY(dlg.LogIndicator()->isVisible() && !dlg.LogIndicator()->accessibleName().isEmpty());
    f.comm.Receive("in");
    dlg.Control<QPushButton>(IDC_MANUAL_SEND)->click();
    QMenu running;
    MenuItem(dlg, running, QStringLiteral("停止记录 (%1)").arg(QFileInfo(name).fileName()))->trigger();
    QVERIFY(!dlg.SessionLog().IsRunning() && !dlg.LogIndicator()->isVisible());
    const QByteArray content = ReadFile(name);
    QCOMPARE(filter ? content.mid(content.indexOf('\n') + 1) : content, log);
    QVERIFY(f.prompts.messages.empty());

    // The stamps switch is kept at once, like the other menu switches.
    QMenu again;
    MenuItem(dlg, again, QStringLiteral("显示时间戳"))->trigger();
    QVERIFY(f.ProfileText().contains(QStringLiteral("[Display]\r\nTimestamps=1\r\n")));
    MenuItem(dlg, again, QStringLiteral("换行方式"))->menu()->actions().at(3)->trigger();
    QVERIFY(dlg.Feed().LineEnds().rule == LineEnd::Any &&
            f.ProfileText().contains(QStringLiteral("\r\nLineEnd=ANY\r\n")));
}

// A log started while the port is closed says so, and a switch to a port that cannot be opened
// notes that the one that was open is closed.
void TestTerminalWindow::logNotesFollowThePort() {
    f.clock.SetLocal(QDateTime(QDate(2024, 3, 5), QTime(14, 5, 9)));
    f.comm.missingPorts = {2};
    CTerminalDlg& dlg = Open(QStringLiteral("[Com Port]\nComPort=1\n[Devices]\nCom1=/fake/one\nCom2=/fake/two\n"));
    QVERIFY(!f.comm.GetPortOpen());
    const QString settings = f.comm.GetSettings();
    QVERIFY(dlg.StartLog(f.dir.filePath(QStringLiteral("s.log")), LogFormat::Text));
    for (int port : {0, 1}) {
        dlg.Control<QComboBox>(IDC_PORT)->setCurrentIndex(port);
        emit dlg.Control<QComboBox>(IDC_PORT)->activated(port);
    }
    dlg.StopLog();
    const QList<QByteArray> lines = ReadFile(QStringLiteral("s.log")).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].endsWith(" on Com2 (/fake/two) " + settings.toLatin1() + ", port closed\r"), lines[0]);
    QCOMPARE(lines[1], "# 2024-03-05 14:05:09.000 opened Com1 (/fake/one) " + settings.toLatin1() + "\r");
    QCOMPARE(lines[2], "# 2024-03-05 14:05:09.000 closed Com1; cannot open Com2 (/fake/two) " + settings.toLatin1() +
                           ": /fake/com2: No such file or directory\r");
}

QTEST_MAIN(TestTerminalWindow)
#include "tst_terminal_window.moc"
