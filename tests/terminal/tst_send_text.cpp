#include "terminal/send_text.h"

#include <QByteArray>
#include <QString>
#include <QTest>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

QByteArray Parse(const QByteArray& gbk, bool hex) {
    const auto bytes = ParseSendText(reinterpret_cast<const std::uint8_t*>(gbk.constData()),
                                     std::size_t(gbk.size()), hex);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// One character as a string: a surrogate pair or \r\n counts as one.
qsizetype CharLength(const QString& text, qsizetype i) {
    if (i + 1 < text.size() && ((text[i] == u'\r' && text[i + 1] == u'\n') ||
                                (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate())))
        return 2;
    return 1;
}

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");

} // namespace

class TestSendText : public QObject {
    Q_OBJECT

private slots:
    void parseHex_data();
    void parseHex();
    void parseTextKeepsBytes();
    void sendBoxBytes_data();
    void sendBoxBytes();
    void truncate_data();
    void truncate();
    void truncateIsLongestFittingPrefix();
};

void TestSendText::parseHex_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("0x prefix splits") << QByteArray("0x41") << Hex("0041");
    QTest::newRow("long run keeps last two digits") << QByteArray("1234") << Hex("34");
    QTest::newRow("single digit") << QByteArray("A") << Hex("0A");
    QTest::newRow("blanks only") << QByteArray("   ") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("default send text") << QByteArray("05 30 30 41 30 30 30 30 30 30 30 30 30 0D")
                                       << Hex("05303041303030303030303030 0D");
    QTest::newRow("both cases, separators in a row") << QByteArray("1a,, ;2B") << Hex("1A2B");
    QTest::newRow("line breaks separate") << QByteArray("ff\r\n0\r\n") << Hex("FF00");
    QTest::newRow("non-hex letter ends a run") << QByteArray("g5G") << Hex("05");
    QTest::newRow("run at the end") << QByteArray(" 7") << Hex("07");
    QTest::newRow("high bytes separate") << Hex("31D6D032") << Hex("0102");
    // B0 41 is one GBK character whose trail byte is the letter A.
    QTest::newRow("GBK trail byte as a digit") << SendBoxBytes(QString::fromUtf8("1癆 2")) << Hex("010A02");
    QTest::newRow("GBK trail byte joins a run") << SendBoxBytes(QString::fromUtf8("癆5")) << Hex("A5");
}

void TestSendText::parseHex() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Parse(text, true), bytes);
}

void TestSendText::parseTextKeepsBytes() {
    const QByteArray text = QByteArray("0x41 ") + Hex("00D6D00D0A");
    QCOMPARE(Parse(text, false), text);
    QCOMPARE(Parse(QByteArray(), false), QByteArray());
}

void TestSendText::sendBoxBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("LF becomes CR LF") << QStringLiteral("ab\nc") << Hex("6162 0D0A 63");
    QTest::newRow("CR LF stays") << QStringLiteral("ab\r\nc") << Hex("6162 0D0A 63");
    QTest::newRow("empty lines") << QStringLiteral("\n\n") << Hex("0D0A0D0A");
    QTest::newRow("lone CR") << QStringLiteral("a\r") << Hex("610D");
    QTest::newRow("Chinese across a break") << QString::fromUtf8("中\n文") << Hex("D6D0 0D0A CEC4");
    QTest::newRow("euro sign is one byte") << QString::fromUtf8("€") << Hex("80");
    QTest::newRow("not in GBK") << QString(kEmoji + u'a') << Hex("3F61");
    QTest::newRow("lone high surrogate at the end") << QString(QStringLiteral("a") + QChar(0xD83D)) << Hex("613F");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDE00) + QStringLiteral("b")) << Hex("3F62");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestSendText::sendBoxBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(SendBoxBytes(text), bytes);
    QCOMPARE(SendBoxByteLength(text), int(bytes.size()));
}

void TestSendText::truncate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QString>("kept");

    const QString a2046(2046, u'a'), a2047(2047, u'a'), a2048(2048, u'a');
    const QString zhong = QString::fromUtf8("中");
    QTest::newRow("fits") << QStringLiteral("short") << 2048 << QStringLiteral("short");
    QTest::newRow("one over") << QString(a2048 + u'b') << 2048 << a2048;
    QTest::newRow("Chinese fits exactly") << QString(a2046 + zhong) << 2048 << QString(a2046 + zhong);
    QTest::newRow("Chinese not split") << QString(a2047 + zhong) << 2048 << a2047;
    QTest::newRow("line break counts 2") << QString(a2047 + u'\n' + u'x') << 2048 << a2047;
    QTest::newRow("CR LF not split") << QString(a2047 + QStringLiteral("\r\n")) << 2048 << a2047;
    QTest::newRow("surrogate pair not split") << QString(a2047 + kEmoji + u'b') << 2048 << QString(a2047 + kEmoji);
    QTest::newRow("all Chinese") << QString(1025, zhong.at(0)) << 2048 << QString(1024, zhong.at(0));
    QTest::newRow("zero") << QStringLiteral("abc") << 0 << QString();
    QTest::newRow("negative") << QStringLiteral("abc") << -1 << QString();
}

void TestSendText::truncate() {
    QFETCH(QString, text);
    QFETCH(int, maxBytes);
    QFETCH(QString, kept);
    QCOMPARE(TruncateSendBox(text, maxBytes), kept);
}

// For every limit the kept prefix fits, and one more character would not.
void TestSendText::truncateIsLongestFittingPrefix() {
    const QString text = QString::fromUtf8("a中\r\nb€\n") + kEmoji + QChar(0xD800) + QStringLiteral("x\r") +
                         QChar(0xDC00) + QString::fromUtf8("文");
    const int total = SendBoxByteLength(text);
    for (int limit = 0; limit <= total + 1; ++limit) {
        const QString kept = TruncateSendBox(text, limit);
        QVERIFY(text.startsWith(kept));
        QVERIFY2(SendBoxByteLength(kept) <= limit, qPrintable(QString::number(limit)));
        if (kept.size() < text.size()) {
            const QString more = text.left(kept.size() + CharLength(text, kept.size()));
            QVERIFY2(SendBoxByteLength(more) > limit, qPrintable(QString::number(limit)));
        }
    }
    QCOMPARE(TruncateSendBox(text, total), text);
}

QTEST_APPLESS_MAIN(TestSendText)
#include "tst_send_text.moc"
