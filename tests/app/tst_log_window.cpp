// The session log and the arrival stamps from the main window, on the fake serial control and clock.
#include "terminal/receive_view.h"
#include "tests/support/window_fixture.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

class TestLogWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { f.clock.SetLocal(QDateTime(QDate(2024, 3, 5), QTime(14, 5, 9))); }
    void cleanup() { f.Reset(); }
    void menuLogHoldsWhatWentOverTheLine_data();
    void menuLogHoldsWhatWentOverTheLine();
    void stampsInTheReceiveArea_data();
    void stampsInTheReceiveArea();

private:
    static QAction* MenuAction(CTerminalDlg& dlg, QMenu& menu, const QString& start) {
        dlg.FillContextMenu(menu);
        for (QAction* a : menu.actions())
            if (a->text().startsWith(start))
                return a;
        return nullptr;
    }
    CWindowFixture f;
};

void TestLogWindow::menuLogHoldsWhatWentOverTheLine_data() {
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

void TestLogWindow::menuLogHoldsWhatWentOverTheLine() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(int, protocol);
    QFETCH(QByteArray, log);
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Send]\nSendData=Hi\nSend Protocol=%1\n").arg(protocol));
    const QString path = f.dir.filePath(name);
    f.prompts.chooserAnswers = {path};
    f.prompts.chosenFilter = filter;
    QMenu menu;
    MenuAction(dlg, menu, QStringLiteral("记录到文件…"))->trigger();
    QVERIFY(f.ProfileText().contains(QStringLiteral("[Log]\r\nPath=%1\r\n").arg(path)));
    if (log.isNull()) {
        QCOMPARE(f.prompts.messages.size(), std::size_t(1));
        QVERIFY(f.prompts.LastText().startsWith(QStringLiteral("无法记录到文件 %1：").arg(path)));
        QVERIFY(!dlg.m_ctrlLogIndicator->isVisible());
        return;
    }
    QVERIFY(dlg.m_ctrlLogIndicator->isVisible() && !dlg.m_ctrlLogIndicator->accessibleName().isEmpty());
    f.comm.Receive("in");
    dlg.m_ctrlManualSend->click();
    QMenu running;
    MenuAction(dlg, running, QStringLiteral("停止记录 (%1)").arg(QFileInfo(name).fileName()))->trigger();
    QVERIFY(!dlg.SessionLog().IsRunning() && !dlg.m_ctrlLogIndicator->isVisible());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(filter ? content.mid(content.indexOf('\n') + 1) : content, log);
    QVERIFY(f.prompts.messages.empty());

    // The stamps switch is kept at once, like the other menu switches.
    QMenu again;
    MenuAction(dlg, again, QStringLiteral("显示时间戳"))->trigger();
    QVERIFY(dlg.m_bTimestamps && f.ProfileText().contains(QStringLiteral("[Display]\r\nTimestamps=1\r\n")));
}

void TestLogWindow::stampsInTheReceiveArea_data() {
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("piece"); // each step's bytes arrive in reads of this size, 0: in one
    QTest::addColumn<QByteArrayList>("steps"); // "<ms later>:<bytes>", or "clear"
    QTest::addColumn<QString>("shown");
    const QString lines = "[14:05:09.000] ab\n[14:05:09.000] cde\n[14:05:09.070] f";
    for (int piece : {0, 1, 3})
        QTest::addRow("text lines, reads of %d", piece) << false << piece << QByteArrayList{"0:ab\r\ncd", "30:e\r\n", "40:f"} << lines;
    QTest::newRow("line end alone") << false << 0 << QByteArrayList{"0:a\r", "20:\nb"} << "[14:05:09.000] a\n[14:05:09.020] b";
    QTest::newRow("chinese split") << false << 1 << QByteArrayList{"0:\xD6", "10:\xD0\r\n", "5:x"}
                                   << QStringLiteral("[14:05:09.000] 中\n[14:05:09.015] x");
    QTest::newRow("clear mid-line") << false << 0 << QByteArrayList{"0:ab", "clear", "10:c\r\nd"}
                                    << "[14:05:09.000] c\n[14:05:09.010] d";
    QTest::newRow("area limit counts stamps") << false << 3 << QByteArrayList{"0:" + QByteArray("x\r\n").repeated(700)}
                                              << QString("[14:05:09.000] x\n").repeated(244);
    QTest::newRow("hex, 49 ms quiet") << true << 0 << QByteArrayList{"0:A", "49:B"} << "[14:05:09.000] 41 42 ";
    QTest::newRow("hex, 50 ms quiet") << true << 1 << QByteArrayList{"0:A", "50:BC", "10:D"}
                                      << "[14:05:09.000] 41 \n[14:05:09.050] 42 43 44 ";
    QTest::newRow("hex, clear") << true << 0 << QByteArrayList{"0:A", "clear", "100:B"} << "[14:05:09.100] 42 ";
}

void TestLogWindow::stampsInTheReceiveArea() {
    QFETCH(bool, hex);
    QFETCH(int, piece);
    QFETCH(QByteArrayList, steps);
    QFETCH(QString, shown);
    CTerminalDlg& dlg = f.Start(QStringLiteral("[Receive]\nDisplayHexCode=%1\n[Display]\nTimestamps=1\n").arg(int(hex)));
    QByteArray received;
    for (const QByteArray& step : steps) {
        if (step == "clear") {
            static_cast<QPushButton*>(dlg.Control(1008))->click();
            continue;
        }
        const int gap = step.left(step.indexOf(':')).toInt();
        const QByteArray bytes = step.mid(step.indexOf(':') + 1);
        f.clock.Advance(gap);
        f.clock.SetLocal(f.clock.LocalNow().addMSecs(gap));
        for (qsizetype at = 0; at < bytes.size(); at += piece ? piece : bytes.size())
            f.comm.Receive(bytes.mid(at, piece ? piece : bytes.size()));
        received += bytes;
    }
    dlg.FlushReceiveView();
    QCOMPARE(dlg.m_ctrlReceive->toPlainText(), shown);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(dlg.m_rxBuffer.get()), received.size()), received);
}

QTEST_MAIN(TestLogWindow)
#include "tst_log_window.moc"
