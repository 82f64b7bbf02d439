#include "terminal/capture_dump.h"
#include "terminal/dump_file.h"
#include "terminal/stuffed_frame.h"
#include "tests/support/gbk_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <random>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

QByteArray Array(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

const std::uint8_t* Data(const QByteArray& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.constData()); }

QByteArray TcpFrame(const QByteArray& payload, std::uint8_t type = kFrameTypeTcp) {
    std::vector<std::uint8_t> bytes(payload.begin(), payload.end());
    BuildStuffedFrame(bytes, type);
    return Array(bytes);
}

// The dump of the capture fed in pieces of `piece` bytes, and what the scanner's Finish counts.
template <class Scanner> QByteArray InPieces(const QByteArray& capture, int piece, std::uint64_t& counted) {
    CMemorySink sink;
    Scanner scanner(sink);
    for (qsizetype at = 0; at < capture.size(); at += piece)
        scanner.Feed(Data(capture) + at, std::size_t(std::min<qsizetype>(piece, capture.size() - at)));
    counted = scanner.Finish();
    return Array(sink.bytes);
}

// The TCP dump in pieces; Finish counts the bytes kept.
QByteArray TcpInPieces(const QByteArray& capture, int piece) {
    std::uint64_t kept = 0;
    const QByteArray dump = InPieces<CTcpDumpScanner>(capture, piece, kept);
    return kept == std::uint64_t(dump.size()) ? dump : QByteArray("count mismatch");
}

// A raw CR near the end of the frame, not behind an escape byte.
QByteArray Broken(QByteArray frame) {
    qsizetype at = frame.size() - 4;
    while (frame[at - 1] == '\x7D')
        --at;
    return frame.insert(at, '\x0D');
}

const int kPieces[] = {1, 2, 3, 7, 13, 64, 1 << 20};

QString Stars() { return QString(65, QLatin1Char('*')) + QStringLiteral("\r\n\r\n"); }

} // namespace

class TestCaptureDump : public QObject {
    Q_OBJECT

private slots:
    void dumpPath_data();
    void dumpPath();
    void tcpDump_data();
    void tcpDump();
    void tcpFramesLongerThanTheStage();
    void wnmpDump_data();
    void wnmpDump();
    void wnmpLongMessage();
    void fileKeepsOnlyAcceptedFrames();
};

void TestCaptureDump::dumpPath_data() {
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("dump");
    QTest::newRow("windows") << R"(C:\temp\save.txt)" << R"(C:\temp\save.tcp)";
    QTest::newRow("dot in a windows folder") << R"(D:\logs.old\cap.txt)" << R"(D:\logs.old\cap.tcp)";
    QTest::newRow("dot in a folder") << "/home/a/.local/cap.txt" << "/home/a/.local/cap.tcp";
    QTest::newRow("dot in a folder, none in the name") << "/home/a/.local/cap" << "/home/a/.local/cap.tcp";
    QTest::newRow("dot in a windows folder, none in the name") << R"(x.y\cap)" << R"(x.y\cap.tcp)";
    QTest::newRow("no dot") << "/tmp/cap" << "/tmp/cap.tcp";
    QTest::newRow("hidden file") << "/tmp/.cap" << "/tmp/.cap.tcp";
    QTest::newRow("hidden file with extension") << "/tmp/.cap.txt" << "/tmp/.cap.tcp";
    QTest::newRow("several dots") << "/tmp/a.b.c.txt" << "/tmp/a.b.c.tcp";
    QTest::newRow("trailing dot") << "/tmp/cap." << "/tmp/cap.tcp";
    QTest::newRow("bare name") << "cap.txt" << "cap.tcp";
    QTest::newRow("already the dump") << "cap.tcp" << "cap.tcp";
}

void TestCaptureDump::dumpPath() {
    QFETCH(QString, save);
    QFETCH(QString, dump);
    QCOMPARE(DumpPath(save, QStringLiteral(".tcp")), dump);
}

void TestCaptureDump::tcpDump_data() {
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("worked example") << Hex("7E FF 7D 23 84 48 69 7D 5E 5A A5 7E") << QByteArray("Hi~");
    QTest::newRow("raw 03 in the header") << Hex("7E FF 03 84 41 42 5A A5 7E") << QByteArray("AB");
    QTest::newRow("escaped header byte") << Hex("7E 7D DF 03 84 41 5A A5 7E") << QByteArray("A");
    QTest::newRow("escaped controls in the payload") << Hex("7E FF 03 84 7D 20 7D 2D 7D 5D 5A A5 7E") << Hex("00 0D 7D");
    QTest::newRow("noise around") << Hex("00 41 7E 7E FF 03 84 41 5A A5 7E 0D 0A") << QByteArray();
    QTest::newRow("noise before") << Hex("00 41 0D 7E FF 03 84 41 5A A5 7E 0D 0A") << QByteArray("A");
    QTest::newRow("raw control drops the frame; its end opens the next")
        << Hex("7E FF 03 84 41 0D 42 5A A5 7E FF 03 84 43 5A A5 7E") << QByteArray("C");
    QTest::newRow("cut off") << Hex("7E FF 03 84 41 42 43") << QByteArray();
    QTest::newRow("cut off after an escape") << Hex("7E FF 03 84 41 42 43 7D") << QByteArray();
    QTest::newRow("header cut off") << Hex("7E FF 7D") << QByteArray();
    QTest::newRow("back to back") << Hex("7E FF 03 84 41 5A A5 7E 7E FF 03 84 42 5A A5 7E") << QByteArray("AB");
    QTest::newRow("shared flag") << Hex("7E FF 03 84 41 5A A5 7E FF 03 84 42 5A A5 7E") << QByteArray("A");
    QTest::newRow("after a UDP frame") << Hex("7E FF 03 82 41 5A A5 7E 7E FF 03 84 42 5A A5 7E") << QByteArray();
    QTest::newRow("header byte 7E is consumed") << Hex("7E 7E FF 03 84 41 5A A5 7E") << QByteArray();
    QTest::newRow("empty frame") << Hex("7E FF 03 84 7E") << QByteArray();
    QTest::newRow("one byte") << Hex("7E FF 03 84 41 7E") << QByteArray();
    QTest::newRow("FCS only") << Hex("7E FF 03 84 5A A5 7E FF 03 84 42 5A A5 7E") << QByteArray();
    QTest::newRow("built frames") << TcpFrame("hello") + TcpFrame("\r\n\x7E\x7D") + TcpFrame("udp", kFrameTypeUdp)
                                  << QByteArray("hello\r\n\x7E\x7D");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
}

void TestCaptureDump::tcpDump() {
    QFETCH(QByteArray, capture);
    QFETCH(QByteArray, payload);
    QCOMPARE(Array(TcpDump(Data(capture), std::size_t(capture.size()))), payload);
    for (int piece : kPieces)
        QVERIFY2(TcpInPieces(capture, piece) == payload, qPrintable(QString::number(piece)));
}

// Frames longer than the scanner holds back are handed on early and taken back when they break.
void TestCaptureDump::tcpFramesLongerThanTheStage() {
    std::mt19937 rng(7);
    QByteArray big(150000, Qt::Uninitialized);
    for (char& c : big)
        c = char(rng());
    const QByteArray broken = Broken(TcpFrame(big));
    const QByteArray cut = TcpFrame(big).left(140000);
    // The broken frame's closing 7E opens a frame whose header then fails on the extra 7E.
    const QByteArray capture = TcpFrame(big) + broken + "\x7E" + TcpFrame("end") + TcpFrame(big.left(70000)) + cut;
    const QByteArray expected = big + "end" + big.left(70000);
    QCOMPARE(Array(TcpDump(Data(capture), std::size_t(capture.size()))), expected);
    QCOMPARE(TcpInPieces(capture, 4093), expected);
}

void TestCaptureDump::wnmpDump_data() {
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("messages");

    const QString example = QStringLiteral("消息：\t00ABH\t(WNMP_INFO,信息消息)\r\n"
                                           "序列号:\t0001H\r\n"
                                           "数据长度:\t2\t(0002H)\r\n"
                                           "Offset   0:\tA\t(65)\t(41H)\r\n"
                                           "Offset   1:\t \t(7)\t(07H)\r\n") +
                            Stars();
    QTest::newRow("worked example") << QByteArray("\x05" "00AB0001000241073C\r") << example << 1;
    QTest::newRow("lower case") << QByteArray("\x05" "00ab0001000241073c\r") << example << 1;
    QTest::newRow("twice") << QByteArray("\x05" "00AB0001000241073C\r\x05" "00AB0001000241073C\r")
                           << example + example << 2;
    QTest::newRow("non-hex after 05") << QByteArray("\x05" "HELLO WORLD, 0001000241073C\r") << QString() << 0;
    QTest::newRow("header cut by the end") << QByteArray("\x05" "00AB00010") << QString() << 0;
    QTest::newRow("nothing") << QByteArray() << QString() << 0;
    QTest::newRow("05 where the sequence should be")
        << QByteArray("\x05" "00AB\x05" "00A1000300017E") << QStringLiteral("消息：\t00A1H\t(WNMP_SENDCFG,发送配置)\r\n"
                                                                  "序列号:\t0003H\r\n"
                                                                  "数据长度:\t1\t(0001H)\r\n"
                                                                  "Offset   0:\t~\t(126)\t(7EH)\r\n") +
                                                   Stars()
        << 1;
    QTest::newRow("length beyond the data")
        << QByteArray("\x05" "00A8000A000A41FF20\r\n") << QStringLiteral("消息：\t00A8H\t(WNMP_SENDSTATUS,回答状态)\r\n"
                                                                   "序列号:\t000AH\r\n"
                                                                   "数据长度:\t10\t(000AH)\r\n"
                                                                   "Offset   0:\tA\t(65)\t(41H)\r\n"
                                                                   "Offset   1:\t \t(255)\t(FFH)\r\n"
                                                                   "Offset   2:\t \t(32)\t(20H)\r\n") +
                                                    Stars()
        << 1;
    QTest::newRow("data cut by the end") << QByteArray("\x05" "00A30001000241") << QStringLiteral(
                                                "消息：\t00A3H\t(WNMP_SETCFGACK,设置配置确认)\r\n"
                                                "序列号:\t0001H\r\n"
                                                "数据长度:\t2\t(0002H)\r\n"
                                                "Offset   0:\tA\t(65)\t(41H)\r\n") +
                                                Stars()
                                         << 1;
    QTest::newRow("other names, no data")
        << QByteArray("\x05" "00AFFFFF0000\x05" "00B20000000000\x05" "1234000000003C")
        << QStringLiteral("消息：\t00AFH\t(WNMP_FWACK)\r\n序列号:\tFFFFH\r\n数据长度:\t0\t(0000H)\r\n") + Stars() +
               QStringLiteral("消息：\t00B2H\t(WNMP_XWNMP,扩展的WNMP命令)\r\n序列号:\t0000H\r\n数据长度:\t0\t(0000H)\r\n") +
               Stars() + QStringLiteral("消息：\t1234H\t未知消息\r\n序列号:\t0000H\r\n数据长度:\t0\t(0000H)\r\n") + Stars()
        << 3;
}

void TestCaptureDump::wnmpDump() {
    QFETCH(QByteArray, capture);
    QFETCH(QString, text);
    QFETCH(int, messages);
    std::uint64_t count = 0;
    QCOMPARE(Array(WnmpDump(Data(capture), std::size_t(capture.size()), &count)), GbkBytes(text));
    QCOMPARE(int(count), messages);
    for (int piece : kPieces) {
        QVERIFY2(InPieces<CWnmpDumpScanner>(capture, piece, count) == GbkBytes(text), qPrintable(QString::number(piece)));
        QCOMPARE(int(count), messages);
    }
}

// Offsets grow past three places; the text is handed on in pieces while it is composed.
void TestCaptureDump::wnmpLongMessage() {
    const QByteArray capture = "\x05" "00B2000103E8" + QByteArray("7F").repeated(1000) + "\r";
    const QByteArray text = Array(WnmpDump(Data(capture), std::size_t(capture.size())));
    QVERIFY(text.contains(
        GbkBytes(QStringLiteral("数据长度:\t1000\t(03E8H)\r\nOffset   0:\t \t(127)\t(7FH)\r\n"))));
    QVERIFY(text.endsWith("Offset 999:\t \t(127)\t(7FH)\r\n" + QString(65, '*').toLatin1() + "\r\n\r\n"));
    const QByteArray longer = "\x05" "00B20001FFFF" + QByteArray("41").repeated(0xFFFF);
    const QByteArray longText = Array(WnmpDump(Data(longer), std::size_t(longer.size())));
    QCOMPARE(longText.count("\r\nOffset "), 0xFFFF);
    QVERIFY(longText.contains("\r\nOffset 65534:\tA\t(65)\t(41H)\r\n"));
}

void TestCaptureDump::fileKeepsOnlyAcceptedFrames() {
    QTemporaryDir dir;
    const QString path = dir.filePath("cap.tcp");
    QByteArray big(100000, 'x');
    const QByteArray broken = Broken(TcpFrame(big));
    const QByteArray capture = TcpFrame("first") + broken + TcpFrame(big).left(90000);
    CDumpFile file(path);
    QVERIFY(file.Open());
    CTcpDumpScanner scanner(file);
    scanner.Feed(Data(capture), std::size_t(capture.size()));
    QCOMPARE(scanner.Finish(), std::uint64_t(5));
    QVERIFY(file.Commit());
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("first"));
}

QTEST_APPLESS_MAIN(TestCaptureDump)
#include "tst_capture_dump.moc"
