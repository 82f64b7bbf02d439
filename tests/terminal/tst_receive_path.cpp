#include "terminal/receive_display.h"
#include "terminal/rx_capture.h"

#include <QByteArray>
#include <QTest>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

const std::uint8_t* Data(const QByteArray& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.constData()); }

} // namespace

class TestReceivePath : public QObject {
    Q_OBJECT

private slots:
    void displayPiece_data();
    void displayPiece();
    void lineEnds_data();
    void lineEnds();
    void needsClear_data();
    void needsClear();
    void captureAt_data();
    void captureAt();
    void captureStream();
    void hexInputStartKeepsWhatIsShown_data();
    void hexInputStartKeepsWhatIsShown();
    void displayTail_data();
    void displayTail();
};

void TestReceivePath::displayPiece_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QByteArray>("shown");

    QTest::newRow("CR LF is one line break") << Hex("410D0A42") << false << QByteArray("A\r\nB");
    QTest::newRow("controls and C1 as dots") << Hex("007F809F") << false << QByteArray("....");
    QTest::newRow("tab stays") << Hex("09") << false << QByteArray("\t");
    QTest::newRow("edges of printable") << Hex("081F207E") << false << QByteArray(".. ~");
    QTest::newRow("other controls") << Hex("0B0C0E1B") << false << QByteArray("....");
    QTest::newRow("lone LF dropped") << Hex("0A0A") << false << QByteArray();
    QTest::newRow("CR alone breaks") << Hex("0D0D") << false << QByteArray("\r\n\r\n");
    QTest::newRow("A0 and FF kept") << Hex("A0FF") << false << Hex("A0FF");
    QTest::newRow("GBK Chinese kept") << Hex("D6D0CEC4") << false << Hex("D6D0CEC4");
    QTest::newRow("empty text") << QByteArray() << false << QByteArray();
    QTest::newRow("hex with CR") << Hex("410D") << true << QByteArray("41 0D ");
    QTest::newRow("hex LF and high bytes, no breaks") << Hex("0A00FFab") << true << QByteArray("0A 00 FF AB ");
    QTest::newRow("empty hex") << QByteArray() << true << QByteArray();
    QByteArray every(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        every[i] = char(i);
    QTest::newRow("hex of every byte") << every << true << every.toHex(' ').toUpper() + ' ';
}

void TestReceivePath::displayPiece() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, hex);
    QFETCH(QByteArray, shown);

    std::string out;
    AppendDisplayPiece(Data(bytes), std::size_t(bytes.size()), hex, out);
    QCOMPARE(QByteArray::fromStdString(out), shown);
}

void TestReceivePath::lineEnds_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("CR: LF dropped") << "CR" << QByteArray("a\nb\r\nc\n\rd") << QByteArray("ab\r\nc\r\nd");
    QTest::newRow("LF: CR dropped") << "LF" << QByteArray("a\rb\r\nc\n\rd") << QByteArray("ab\r\nc\r\nd");
    QTest::newRow("CRLF: only the pair") << "CRLF" << QByteArray("a\rb\nc\r\r\nd\n\r") << QByteArray("abc\r\nd");
    QTest::newRow("ANY: each, the pair once") << "ANY" << QByteArray("a\rb\nc\r\nd\n\re\r\r\n")
                                              << QByteArray("a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\n");
    QTest::newRow("other names are CR") << "lf" << QByteArray("a\nb\r") << QByteArray("ab\r\n");
}

// The same bytes show the same lines whatever reads they arrive in: a CR LF split between two reads
// is still one line end.
void TestReceivePath::lineEnds() {
    QFETCH(QString, rule);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, shown);
    for (qsizetype readSize = 1; readSize <= bytes.size(); ++readSize) {
        DisplayLineEnds ends{LineEndFromName(rule.toStdString())};
        std::string all;
        for (qsizetype at = 0; at < bytes.size(); at += readSize)
            AppendDisplayPiece(Data(bytes) + at, std::size_t(std::min(readSize, bytes.size() - at)), false, all, ends);
        QCOMPARE(QByteArray::fromStdString(all), shown);
    }
}

void TestReceivePath::needsClear_data() {
    QTest::addColumn<int>("textBytes");
    QTest::addColumn<bool>("autoClear");
    QTest::addColumn<bool>("clear");

    QTest::newRow("empty") << 0 << false << false;
    QTest::newRow("one below the limit") << 8191 << false << false;
    QTest::newRow("at the limit") << 8192 << false << true;
    QTest::newRow("past the limit") << 9000 << false << true;
    QTest::newRow("auto-clear limit without auto-clear") << 4096 << false << false;
    QTest::newRow("auto-clear one below") << 4095 << true << false;
    QTest::newRow("auto-clear at its limit") << 4096 << true << true;
    QTest::newRow("auto-clear past both") << 8192 << true << true;
}

void TestReceivePath::needsClear() {
    QFETCH(int, textBytes);
    QFETCH(bool, autoClear);
    QFETCH(bool, clear);
    QCOMPARE(ReceiveTextNeedsClear(std::size_t(textBytes), autoClear), clear);
}

void TestReceivePath::captureAt_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("stored");

    const qint64 size = qint64(kRxBufferSize);
    QTest::newRow("at the start") << qint64(0) << 100 << 100;
    QTest::newRow("ends exactly at the end") << size - 10 << 10 << 10;
    QTest::newRow("spans the end") << size - 10 << 25 << 10;
    QTest::newRow("last place") << size - 1 << 1 << 1;
    QTest::newRow("buffer full") << size << 5 << 0;
    QTest::newRow("far beyond") << size + 12345 << 7 << 0;
    QTest::newRow("crosses 2^31") << qint64(std::numeric_limits<std::int32_t>::max()) - 1 << 4 << 0;
    QTest::newRow("beyond 2^32") << (qint64(1) << 32) + 3 << 4 << 0;
    QTest::newRow("nothing") << size - 3 << 0 << 0;
}

void TestReceivePath::captureAt() {
    QFETCH(qint64, count);
    QFETCH(int, n);
    QFETCH(int, stored);

    // A guard area after the buffer catches writes past its end.
    constexpr std::size_t kGuard = 64;
    std::vector<std::uint8_t> buffer(kRxBufferSize + kGuard, 0xEE);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        bytes[std::size_t(i)] = std::uint8_t(i + 1);

    std::int64_t position = count;
    CaptureReceived(buffer.data(), position, bytes.data(), bytes.size());

    QCOMPARE(qint64(position), count + n);
    int changed = 0;
    for (std::size_t i = 0; i < buffer.size(); ++i)
        if (buffer[i] != 0xEE)
            ++changed;
    QCOMPARE(changed, stored);
    for (int i = 0; i < stored; ++i)
        QCOMPARE(buffer[std::size_t(count + i)], std::uint8_t(i + 1));
}

// Pieces of any size land in order, and the buffer holds exactly the first kRxBufferSize bytes.
void TestReceivePath::captureStream() {
    std::mt19937 random(7);
    std::vector<std::uint8_t> stream(kRxBufferSize + 5000);
    for (auto& b : stream)
        b = std::uint8_t(random());

    std::vector<std::uint8_t> buffer(kRxBufferSize, 0);
    std::int64_t count = 0;
    std::size_t offset = 0;
    while (offset < stream.size()) {
        const std::size_t n = std::min<std::size_t>(random() % 4097, stream.size() - offset);
        CaptureReceived(buffer.data(), count, stream.data() + offset, n);
        offset += n;
        QCOMPARE(qint64(count), qint64(offset));
    }
    QVERIFY(std::equal(buffer.begin(), buffer.end(), stream.begin()));
}

void TestReceivePath::displayTail_data() {
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("start");
    QTest::newRow("fits") << QByteArray("abc") << false << 3 << 0;
    QTest::newRow("ascii") << QByteArray("abcdef") << false << 4 << 2;
    QTest::newRow("hex groups") << QByteArray("41 42 43 44 ") << true << 7 << 6;
    QTest::newRow("hex exact") << QByteArray("41 42 43 44 ") << true << 6 << 6;
    // "a" then three Chinese characters: cutting at 2 would split the first one.
    QTest::newRow("inside a character") << QByteArray("a\xD6\xD0\xCE\xC4\xB2\xE2") << false << 5 << 3;
    QTest::newRow("on a character") << QByteArray("a\xD6\xD0\xCE\xC4\xB2\xE2") << false << 4 << 3;
    QTest::newRow("inside a line break") << QByteArray("ab\r\ncd") << false << 3 << 4;
    // Tiny limits never point past the end: at worst nothing is shown.
    QTest::newRow("lone high byte, limit 0") << QByteArray("\x80") << false << 0 << 1;
    QTest::newRow("odd high run, limit 0") << QByteArray("a\x80\x81\x82") << false << 0 << 4;
    QTest::newRow("hex, partial group, limit 0") << QByteArray("41 4") << true << 0 << 4;
    QTest::newRow("line break at the end, limit 1") << QByteArray("ab\r\n") << false << 1 << 4;
}

void TestReceivePath::displayTail() {
    QFETCH(QByteArray, piece);
    QFETCH(bool, hex);
    QFETCH(int, limit);
    QFETCH(int, start);
    const std::string text(piece.constData(), std::size_t(piece.size()));
    QCOMPARE(int(DisplayTailStart(text, hex, std::size_t(limit))), start);
}

void TestReceivePath::hexInputStartKeepsWhatIsShown_data() {
    QTest::addColumn<int>("n");
    for (int n : {1, 2730, 2731, 2732, 5000, 100000})
        QTest::newRow(QByteArray::number(n).constData()) << n;
}

void TestReceivePath::hexInputStartKeepsWhatIsShown() {
    // Converting only from DisplayInputStart shows exactly what converting everything and keeping the
    // tail shows, and needs no further cut.
    QFETCH(int, n);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        bytes[std::size_t(i)] = std::uint8_t(i * 7);
    std::string all;
    AppendDisplayPiece(bytes.data(), bytes.size(), true, all);
    all.erase(0, DisplayTailStart(all, true));
    const std::size_t first = DisplayInputStart(bytes.size(), true);
    std::string tail;
    AppendDisplayPiece(bytes.data() + first, bytes.size() - first, true, tail);
    QCOMPARE(DisplayTailStart(tail, true), std::size_t(0));
    QCOMPARE(tail, all);
    QCOMPARE(first > 0, std::size_t(n) * 3 > kReceiveTextLimit);
    QCOMPARE(DisplayInputStart(bytes.size(), false), std::size_t(0));
}

QTEST_APPLESS_MAIN(TestReceivePath)
#include "tst_receive_path.moc"
