// The terminal in the main window: receiving and showing, sending by hand, on the timer and from
// files, the send protocols, on the fake serial control.
#include "terminal/rx_capture.h"
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
    void cleanup() {
        f.dlg.reset();
        f.comm.ClearLog();
        f.comm.stallOutput = false;
        f.comm.onOutput = nullptr;
        f.prompts = CFakePrompts();
        QFile::remove(f.ProfilePath());
    }

    void receivedBytesAreShown_data();
    void receivedBytesAreShown();
    void displayStoppedStillCaptures();
    void receiveAreaEmptiesAtItsLimit_data();
    void receiveAreaEmptiesAtItsLimit();
    void captureKeepsTheFirst204800Bytes();
    void counterResetRestartsTheCapture();
    void chineseSplitAcrossArrivals();
    void hugeArrivalShowsItsTail();
    void batchedViewFollowsTheRules_data();
    void batchedViewFollowsTheRules();
    void stopDisplayInsideABatch();
    void manualSend_data();
    void manualSend();
    void wnmpSendsTheBreakPreambleFirst();
    void closedPortSendsNothing();
    void autoSendArming_data();
    void autoSendArming();
    void autoSendTicksSendTheBoxAsItIsNow();
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
        return dlg.m_ctrlReceive->toPlainText();
    }
    static QString RxShown(CTerminalDlg& dlg) {
        dlg.FlushReceiveView();
        return dlg.m_ctrlRxCount->text();
    }
    CTerminalDlg& Open(const QString& profile = QString()) {
        CTerminalDlg& dlg = f.Start(profile);
        f.comm.ClearLog();
        return dlg;
    }
    CWindowFixture f;
};

void TestTerminalWindow::receivedBytesAreShown_data() {
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("line break") << false << QByteArray("A\r\nB") << "A\nB";
    QTest::newRow("controls as dots") << false << QByteArray("\x00\x7F\x80\x9F", 4) << "....";
    QTest::newRow("tab stays") << false << QByteArray("a\tb") << "a\tb";
    QTest::newRow("chinese") << false << QByteArray("\xD6\xD0\xCE\xC4") << QStringLiteral("中文");
    QTest::newRow("hex") << true << QByteArray("A\r") << "41 0D ";
}

void TestTerminalWindow::receivedBytesAreShown() {
    QFETCH(bool, hex);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    CTerminalDlg& dlg = Open(hex ? QStringLiteral("[Receive]\nDisplayHexCode=1\n") : QString());
    f.comm.Receive(bytes);
    QCOMPARE(Shown(dlg), shown);
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:%1").arg(bytes.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.m_rxBuffer.get()), bytes.size()), bytes);
}

void TestTerminalWindow::displayStoppedStillCaptures() {
    CTerminalDlg& dlg = Open();
    f.comm.Receive("one ");
    dlg.m_ctrlStopDisplay->click();
    QCOMPARE(dlg.m_ctrlStopDisplay->text(), QStringLiteral("继续显示"));
    f.comm.Receive("two ");
    QCOMPARE(Shown(dlg), QStringLiteral("one "));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:8"));
    dlg.m_ctrlStopDisplay->click();
    QCOMPARE(dlg.m_ctrlStopDisplay->text(), QStringLiteral("停止显示"));
    // Hex display acts on what comes next; the clear button leaves the capture alone.
    dlg.m_ctrlHexDisplay->click();
    f.comm.Receive("3");
    QCOMPARE(Shown(dlg), QStringLiteral("one 33 "));
    static_cast<QPushButton*>(dlg.Control(1008))->click();
    QCOMPARE(Shown(dlg), QString());
    QCOMPARE(dlg.m_nRxCount, 9);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.m_rxBuffer.get()), 9), QByteArray("one two 3"));
}

void TestTerminalWindow::receiveAreaEmptiesAtItsLimit_data() {
    QTest::addColumn<bool>("autoClear");
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("emptied");
    QTest::newRow("8191 kept") << false << 8191 << false;
    QTest::newRow("8192 emptied") << false << 8192 << true;
    QTest::newRow("auto 4095 kept") << true << 4095 << false;
    QTest::newRow("auto 4096 emptied") << true << 4096 << true;
}

void TestTerminalWindow::receiveAreaEmptiesAtItsLimit() {
    QFETCH(bool, autoClear);
    QFETCH(int, before);
    QFETCH(bool, emptied);
    CTerminalDlg& dlg = Open(autoClear ? QStringLiteral("[Receive]\nAutoClearReceiveArea=1\n") : QString());
    // Lengths count bytes of text: Chinese characters count 2.
    f.comm.Receive(QByteArray(before / 2, 'x').replace("x", "\xD6\xD0") + QByteArray(before % 2, 'y'));
    QCOMPARE(int(dlg.m_strReceive.size()), before);
    f.comm.Receive("NEW");
    if (emptied)
        QCOMPARE(Shown(dlg), QStringLiteral("NEW"));
    else
        QVERIFY(Shown(dlg).endsWith(QStringLiteral("NEW")) &&
                Shown(dlg).size() > 3);
}

void TestTerminalWindow::captureKeepsTheFirst204800Bytes() {
    CTerminalDlg& dlg = Open();
    dlg.m_ctrlStopDisplay->click();
    QByteArray all;
    for (int i = 0; i < int(kRxBufferSize) + 1; ++i)
        all += char(i * 31 + i / 256);
    f.comm.Receive(all.left(100000));
    f.comm.Receive(all.mid(100000, int(kRxBufferSize) - 100000 - 10));
    f.comm.Receive(all.mid(int(kRxBufferSize) - 10, 11));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:204801"));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.m_rxBuffer.get()), kRxBufferSize), all.left(kRxBufferSize));
}

void TestTerminalWindow::counterResetRestartsTheCapture() {
    CTerminalDlg& dlg = Open();
    f.comm.Receive("abcdef");
    dlg.m_nTxCount = 7;
    static_cast<QPushButton*>(dlg.Control(1026))->click();
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:0"));
    QCOMPARE(dlg.m_ctrlTxCount->text(), QStringLiteral("TX:0"));
    f.comm.Receive("XY");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.m_rxBuffer.get()), 6), QByteArray("XYcdef"));
    QCOMPARE(Shown(dlg), QStringLiteral("abcdefXY"));
}

void TestTerminalWindow::chineseSplitAcrossArrivals() {
    CTerminalDlg& dlg = Open();
    f.comm.Receive("\xD6");
    f.comm.Receive("\xD0\xCE");
    f.comm.Receive("\xC4!");
    QCOMPARE(Shown(dlg), QStringLiteral("中文!"));
}

void TestTerminalWindow::hugeArrivalShowsItsTail() {
    // A fast line can hand over far more at once than the receive area holds: all of it is captured
    // and counted, and the area shows the newest part.
    CTerminalDlg& dlg = Open(QStringLiteral("[Receive]\nDisplayHexCode=1\n"));
    QByteArray big;
    for (int i = 0; i < 100000; ++i)
        big += char(i % 256);
    f.comm.Receive(big);
    QCOMPARE(dlg.m_nRxCount, 100000);
    QVERIFY(dlg.m_strReceive.size() <= 8192);
    QCOMPARE(dlg.m_strReceive.size() % 3, std::size_t(0));
    QVERIFY(Shown(dlg).endsWith(QStringLiteral("9E 9F ")));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.m_rxBuffer.get()), big.size()), big);
}

void TestTerminalWindow::batchedViewFollowsTheRules_data() {
    QTest::addColumn<int>("piece");
    QTest::addColumn<int>("total");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("autoClear");
    for (bool hex : {false, true}) {
        for (bool autoClear : {false, true}) {
            for (int piece : {1, 11, 700, 5000}) {
                const QByteArray name = QByteArray(hex ? "hex" : "text") + (autoClear ? " auto-clear" : "") +
                                        " pieces of " + QByteArray::number(piece);
                QTest::newRow(name.constData()) << piece << 20000 << hex << autoClear;
            }
        }
    }
}

void TestTerminalWindow::batchedViewFollowsTheRules() {
    // The area is brought up to date once per frame; whenever a frame comes, and after the last one,
    // it must show exactly the receive text as the display rules built it arrival by arrival, across
    // the clearing thresholds, Chinese characters split between pieces and line breaks.
    QFETCH(int, piece);
    QFETCH(int, total);
    QFETCH(bool, hex);
    QFETCH(bool, autoClear);
    QByteArray data;
    for (int i = 0; data.size() < total; ++i)
        data += (i % 5 == 0) ? QByteArray("\xD6\xD0\r\n") : QByteArray(1, char('a' + i % 26));
    CTerminalDlg& dlg = Open(
        QStringLiteral("[Receive]\nDisplayHexCode=%1\nAutoClearReceiveArea=%2\n").arg(int(hex)).arg(int(autoClear)));
    auto rules = [&] {
        QString text = QStringDecoder("GBK").decode(QByteArray::fromStdString(dlg.m_strReceive));
        return text.remove(QLatin1Char('\r'));
    };
    int frames = 0;
    for (int at = 0, n = 0; at < data.size(); at += piece, ++n) {
        f.comm.Receive(data.mid(at, piece));
        if (n % 37 == 36) { // a frame now and then
            ++frames;
            QCOMPARE(Shown(dlg), rules());
        }
    }
    QCOMPARE(Shown(dlg), rules());
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:%1").arg(data.size()));
    QVERIFY(frames > 0 || piece > 500);
}

void TestTerminalWindow::stopDisplayInsideABatch() {
    // What arrived before the stop is shown when the frame comes; what arrived after it is not.
    CTerminalDlg& dlg = Open();
    f.comm.Receive("\xD6");
    f.comm.Receive("\xD0" "before ");
    dlg.m_ctrlStopDisplay->click();
    f.comm.Receive("after");
    QCOMPARE(Shown(dlg), QStringLiteral("中before "));
    QCOMPARE(RxShown(dlg), QStringLiteral("RX:14"));
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
    dlg.m_ctrlSend->setPlainText(text);
    dlg.m_ctrlManualSend->click();
    QCOMPARE(f.comm.written, sent);
    QCOMPARE(dlg.m_ctrlTxCount->text(), QStringLiteral("TX:%1").arg(sent.size()));
    QCOMPARE(f.comm.OpsStartingWith("Output").size(), sent.isEmpty() ? 0 : 1);
}

void TestTerminalWindow::wnmpSendsTheBreakPreambleFirst() {
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\nSend Protocol=2\n"));
    dlg.m_ctrlSend->setPlainText(QStringLiteral("AB"));
    dlg.m_ctrlManualSend->click();
    QCOMPARE(f.comm.ops, QStringList({"Output=00", "Break=1", "Output=00", "Break=0", "Output=41 42"}));
    QCOMPARE(dlg.m_ctrlTxCount->text(), QStringLiteral("TX:2"));
}

void TestTerminalWindow::closedPortSendsNothing() {
    CTerminalDlg& dlg = Open();
    dlg.ClosePort();
    f.comm.ClearLog();
    dlg.OnManualSend();
    dlg.OnTimer(101);
    QVERIFY(f.comm.written.isEmpty());
    QVERIFY(f.prompts.messages.empty());
    QCOMPARE(dlg.m_ctrlTxCount->text(), QStringLiteral("TX:0"));
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
    QCOMPARE(dlg.m_ctrlAutoSend->isChecked(), storedTicked);
    QVERIFY(!dlg.AutoSendTimer().isActive()); // nothing starts it at start-up
    if (!portOpen)
        dlg.ClosePort();
    dlg.m_ctrlPeriod->setText(period);
    dlg.m_ctrlAutoSend->toggle(); // as a screen reader ticks it: no click
    QCOMPARE(dlg.AutoSendTimer().isActive(), running);
    if (running)
        QCOMPARE(dlg.AutoSendTimer().interval(), interval);
}

void TestTerminalWindow::autoSendTicksSendTheBoxAsItIsNow() {
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\n"));
    dlg.m_ctrlSend->setPlainText(QStringLiteral("a"));
    dlg.m_ctrlAutoSend->click();
    QVERIFY(dlg.AutoSendTimer().isActive());
    dlg.OnTimer(101);
    dlg.m_ctrlSend->setPlainText(QStringLiteral("b"));
    dlg.OnTimer(101);
    QCOMPARE(f.comm.written, QByteArray("ab"));
    // A successful reopen leaves it running; unticking stops it.
    emit dlg.m_ctrlBaud->activated(3);
    QVERIFY(dlg.AutoSendTimer().isActive());
    dlg.m_ctrlAutoSend->click();
    QVERIFY(!dlg.AutoSendTimer().isActive());
}

void TestTerminalWindow::boxesChangedWithoutAClick() {
    // An accessibility client changes a box through toggle(), which emits no click; the program
    // must follow the box, and loading settings into the boxes must not flip anything.
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\n[Receive]\nDisplayHexCode=1\n"));
    QVERIFY(dlg.m_bHexDisplay && !dlg.m_bHexSend);
    const std::pair<QCheckBox*, bool*> boxes[] = {{dlg.m_ctrlAutoClear, &dlg.m_bAutoClear},
                                                  {dlg.m_ctrlHexDisplay, &dlg.m_bHexDisplay},
                                                  {dlg.m_ctrlHexSend, &dlg.m_bHexSend},
                                                  {dlg.m_ctrlResetRxAfterSave, &dlg.m_bResetRxAfterSave}};
    for (auto [box, member] : boxes) {
        box->toggle();
        QCOMPARE(*member, box->isChecked());
        dlg.UpdateData(false);
        QCOMPARE(*member, box->isChecked());
    }
    dlg.m_ctrlSend->setPlainText(QStringLiteral("41 42"));
    dlg.m_ctrlManualSend->click();
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
    QCOMPARE(dlg.m_ctrlSendFilePath->text(), path);
    dlg.m_ctrlSendFile->click();
    QCOMPARE(f.comm.OpsStartingWith("Output").size(), outputs);
    QByteArray expected = content;
    if (protocol == 2)
        expected = QByteArray(2, '\0') + content.left(256) + QByteArray(2, '\0') + content.mid(256);
    QCOMPARE(f.comm.written, expected);
    QCOMPARE(dlg.m_nTxCount, size);
}

void TestTerminalWindow::sendFileThatCannotBeOpened() {
    CTerminalDlg& dlg = Open();
    dlg.m_ctrlSendFilePath->setText(f.dir.filePath(QStringLiteral("missing.bin")));
    dlg.m_ctrlSendFile->click();
    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("文件无法打开！")));
    QVERIFY(f.comm.written.isEmpty());
}

void TestTerminalWindow::stalledOutputIsBounded() {
    // Flow control holds everything back: each send gives up after its line time plus a few seconds,
    // throws the pending output away and says so once.
    CTerminalDlg& dlg = Open(QStringLiteral("[Send]\nSendHexCode=0\n"));
    f.comm.stallOutput = true;
    dlg.m_ctrlSend->setPlainText(QStringLiteral("hello"));
    const qint64 start = f.clock.NowMs();
    dlg.m_ctrlManualSend->click();
    QVERIFY(f.clock.NowMs() - start >= 3000);
    QVERIFY(f.clock.NowMs() - start < 4000);
    QCOMPARE(f.comm.ops.last(), QStringLiteral("OutBufferCount=0"));
    dlg.m_ctrlManualSend->click();
    QCOMPARE(f.prompts.messages.size(), std::size_t(1));
    QCOMPARE(dlg.m_ctrlTxCount->text(), QStringLiteral("TX:10"));
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
    dlg.m_ctrlSendFilePath->setText(path);
    int blocks = 0;
    f.comm.onOutput = [&](const QByteArray&) {
        if (++blocks == 2) {
            f.comm.SetPortOpen(false);
            f.comm.RaiseEvent(CMSComm::comEventDeviceLost);
        }
    };
    dlg.m_ctrlSendFile->click();
    QCOMPARE(blocks, 2);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.messages.empty(), 5000);
    for (const QString& text : f.prompts.Texts())
        QVERIFY2(!text.startsWith(done), qPrintable(text));

    // A stalled line: the time-out is told once per opening, the cut-short file every time.
    CTerminalDlg& stalled = Open();
    f.comm.onOutput = nullptr;
    f.prompts = CFakePrompts();
    f.comm.stallOutput = true;
    stalled.m_ctrlSendFilePath->setText(path);
    stalled.m_ctrlSendFile->click();
    stalled.m_ctrlSendFile->click();
    const QStringList texts = f.prompts.Texts();
    QCOMPARE(texts.size(), 3);
    QVERIFY(texts[0].startsWith(QStringLiteral("串口发送超时")));
    QVERIFY(texts[1].startsWith(QStringLiteral("文件没有全部发出！")));
    QCOMPARE(texts[2], texts[1]);
}

QTEST_MAIN(TestTerminalWindow)
#include "tst_terminal_window.moc"
