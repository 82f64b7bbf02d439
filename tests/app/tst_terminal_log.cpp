// The session log from the main window: started and stopped from the context menu, what it holds of
// the line, and its notes when the port changes; the menu's display switches, on the fake serial
// control.
#include "res/resource.h"
#include "tests/support/window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

class TestTerminalLog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { f.Reset(); }

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
    CWindowFixture f;
};

void TestTerminalLog::menuLogHoldsWhatWentOverTheLine_data() {
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

void TestTerminalLog::menuLogHoldsWhatWentOverTheLine() {
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
    const QByteArray content = f.ReadFile(name);
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
void TestTerminalLog::logNotesFollowThePort() {
    f.clock.SetLocal(QDateTime(QDate(2024, 3, 5), QTime(14, 5, 9)));
    f.comm.missingPorts = {2};
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Com Port]\nComPort=1\n[Devices]\nCom1=/fake/one\nCom2=/fake/two\n"));
    QVERIFY(!f.comm.GetPortOpen());
    const QString settings = f.comm.GetSettings();
    QVERIFY(dlg.StartLog(f.dir.filePath(QStringLiteral("s.log")), LogFormat::Text));
    for (int port : {0, 1}) {
        dlg.Control<QComboBox>(IDC_PORT)->setCurrentIndex(port);
        emit dlg.Control<QComboBox>(IDC_PORT)->activated(port);
    }
    dlg.StopLog();
    const QList<QByteArray> lines = f.ReadFile(QStringLiteral("s.log")).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].endsWith(" on Com2 (/fake/two) " + settings.toLatin1() + ", port closed\r"), lines[0]);
    QCOMPARE(lines[1], "# 2024-03-05 14:05:09.000 opened Com1 (/fake/one) " + settings.toLatin1() + "\r");
    QCOMPARE(lines[2], "# 2024-03-05 14:05:09.000 closed Com1; cannot open Com2 (/fake/two) " + settings.toLatin1() +
                           ": /fake/com2: No such file or directory\r");
}

QTEST_MAIN(TestTerminalLog)
#include "tst_terminal_log.moc"
