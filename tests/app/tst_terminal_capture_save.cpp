// Saving what was received from the main window: raw, as a TCP dump compared with a reference, as a
// decoded WNMP dump, and a save that fails, on the fake serial control.
#include "res/resource.h"
#include "terminal/rx_capture.h"
#include "terminal/stuffed_frame.h"
#include "tests/support/window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

class TestCaptureSave : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { f.Reset(); }

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

private:
    CWindowFixture f;
};

namespace {

QByteArray TcpFrame(const QByteArray& payload) {
    std::vector<std::uint8_t> bytes(payload.begin(), payload.end());
    BuildStuffedFrame(bytes, kFrameTypeTcp);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

const QByteArray kWnmpExample = "\x05" "00AB0001000241073C\r";

} // namespace

void TestCaptureSave::rawSave_data() {
    QTest::addColumn<int>("received");
    QTest::newRow("small") << 5;
    QTest::newRow("exactly the buffer") << int(kRxBufferSize);
    QTest::newRow("more than the buffer") << int(kRxBufferSize) + 3000;
}

// The raw save writes what the buffer holds, says how much, and opens it; the RX reset and the
// comparison belong to the TCP dump only.
void TestCaptureSave::rawSave() {
    QFETCH(int, received);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Receive]\nResetRX=1\nSave Protocol=0\n"));
    QByteArray bytes(received, Qt::Uninitialized);
    for (int i = 0; i < received; ++i)
        bytes[i] = char(i * 7);
    f.comm.Receive(bytes);
    const QString path = f.dir.filePath(QStringLiteral("cap.txt"));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(path);
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(f.dir.filePath(QStringLiteral("ref.tcp")));
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();

    const int n = std::min(received, int(kRxBufferSize));
    QCOMPARE(f.ReadFile(QStringLiteral("cap.txt")), bytes.left(n));
    QString message = QStringLiteral("文件建立成功！文件字节数为%1.").arg(n);
    if (received > n)
        message += QStringLiteral("\n注：只有前面接收到的%1字节被保存!").arg(n);
    QCOMPARE(f.prompts.Texts(), QStringList(message));
    QCOMPARE(f.prompts.shownFiles, QStringList(path));
    QCOMPARE(dlg.RxCount(), std::int64_t(received));
    QVERIFY(f.prompts.comparisons.empty());
}

void TestCaptureSave::nothingToSave_data() {
    QTest::addColumn<int>("protocol");
    QTest::newRow("Original") << 0;
    QTest::newRow("TCP") << 1;
    QTest::newRow("WNMP") << 2;
}

void TestCaptureSave::nothingToSave() {
    QFETCH(int, protocol);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Receive]\nSave Protocol=%1\n").arg(protocol));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(f.dir.filePath(QStringLiteral("cap.txt")));
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();
    QCOMPARE(f.prompts.Texts(), QStringList(QStringLiteral("没有数据可保存！")));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("serimo.ini")));
}

void TestCaptureSave::tcpDump_data() {
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

void TestCaptureSave::tcpDump() {
    QFETCH(QByteArray, capture);
    QFETCH(bool, resetTicked);
    QFETCH(bool, reference);
    QFETCH(QByteArray, payload);
    QFETCH(bool, compared);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Receive]\nSave Protocol=1\nResetRX=%1\n").arg(int(resetTicked)));
    f.comm.Receive(capture);
    dlg.FlushReceiveView(); // the counter as the person sees it before the save
    // A dot in a folder name leaves the folder alone.
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("logs.old")));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(f.dir.filePath(QStringLiteral("logs.old/cap.txt")));
    const QString ref = f.dir.filePath(QStringLiteral("ref.tcp"));
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(reference ? ref : QString());
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();

    QCOMPARE(f.ReadFile(QStringLiteral("logs.old/cap.tcp")), payload);
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

void TestCaptureSave::wnmpDump_data() {
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
void TestCaptureSave::wnmpDump() {
    QFETCH(QByteArray, capture);
    QFETCH(QString, text);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Receive]\nSave Protocol=2\nResetRX=1\n"));
    f.comm.Receive(capture);
    QVERIFY(f.WriteFile(QStringLiteral("save.txt"), "keep"));
    dlg.Control<QLineEdit>(IDC_SAVE_FILE)->setText(f.dir.filePath(QStringLiteral("save.txt")));
    dlg.Control<QLineEdit>(IDC_COMPARE_FILE)->setText(f.dir.filePath(QStringLiteral("ref.tcp")));
    static_cast<QPushButton*>(dlg.Control(IDC_SAVE_RECEIVED))->click();

    QCOMPARE(f.ReadFile(QStringLiteral("save.wnp")), GbkBytes(text));
    QCOMPARE(f.ReadFile(QStringLiteral("save.txt")), QByteArray("keep"));
    QCOMPARE(f.prompts.shownFiles,
             text.isEmpty() ? QStringList() : QStringList(f.dir.filePath(QStringLiteral("save.wnp"))));
    QVERIFY(f.prompts.messages.empty());
    QCOMPARE(dlg.RxCount(), std::int64_t(capture.size()));
    QVERIFY(f.prompts.comparisons.empty());
}

void TestCaptureSave::failedSaveKeepsTheOldFile_data() {
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
void TestCaptureSave::failedSaveKeepsTheOldFile() {
    QFETCH(int, protocol);
    QFETCH(bool, diskFull);
    CTerminalDlg& dlg = f.Open(QStringLiteral("[Receive]\nSave Protocol=%1\nResetRX=1\n").arg(protocol));
    f.comm.Receive(TcpFrame(QByteArray(8000, 'A')) + "\x05" "00AB00010FA0" + QByteArray("41").repeated(4000));
    const std::int64_t received = dlg.RxCount();
    QVERIFY(f.WriteFile(QStringLiteral("cap.txt"), "previous"));
    QVERIFY(f.WriteFile(QStringLiteral("cap.tcp"), "previous"));
    QVERIFY(f.WriteFile(QStringLiteral("cap.wnp"), "previous"));
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
        QCOMPARE(f.ReadFile(QString::fromLatin1(name)), QByteArray("previous"));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4); // the three and the profile
    QVERIFY(f.prompts.shownFiles.isEmpty());
    QVERIFY(f.prompts.comparisons.empty());
    QCOMPARE(f.prompts.compareViewersClosed, 0);
    QCOMPARE(dlg.RxCount(), received);
}

QTEST_MAIN(TestCaptureSave)
#include "tst_terminal_capture_save.moc"
