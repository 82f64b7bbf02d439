#include "terminal/gbk_codec.h"

#include <QByteArray>
#include <QString>
#include <QTest>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

QString Units(std::initializer_list<char16_t> units) {
    return QStringView(units.begin(), qsizetype(units.size())).toString();
}

} // namespace

// Known answers with literal bytes, the same on every platform and in any locale.
class TestGbkCodec : public QObject {
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void decodeInTwoPieces_data() { decode_data(); }
    void decodeInTwoPieces();
    void resetForgetsAHeldLeadByte();
    void encode_data();
    void encode();
};

void TestGbkCodec::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("held"); // the last byte is a lead byte a piecewise decoder waits with

    QTest::newRow("two characters") << Hex("D6D0CEC4") << QStringLiteral("中文") << false;
    QTest::newRow("trail byte ]") << Hex("815D5D") << QStringLiteral("乚]") << false;
    QTest::newRow("80 is the euro sign") << Hex("80") << QStringLiteral("€") << false;
    QTest::newRow("FF") << Hex("FF41") << Units({0xF8F5, u'A'}) << false;
    QTest::newRow("ASCII") << QByteArray("Hi~\r\n\0\x7F", 7) << QString::fromLatin1("Hi~\r\n\0\x7F", 7)
                           << false;
    QTest::newRow("lone lead byte at the end") << Hex("41D6") << Units({u'A', 0xFFFD}) << true;
    QTest::newRow("81 7F: 7F read again") << Hex("817F") << Units({0xFFFD, 0x7F}) << false;
    QTest::newRow("lead before a digit") << Hex("8130D6D0") << Units({0xFFFD, u'0', u'中'}) << false;
    QTest::newRow("lead before FF") << Hex("81FF") << Units({0xFFFD, 0xF8F5}) << false;
    QTest::newRow("lead before NUL") << Hex("810041") << Units({0xFFFD, 0, u'A'}) << false;
    QTest::newRow("a lead byte as trail") << Hex("818141") << Units({0x4E96, u'A'}) << false;
    QTest::newRow("80 as trail") << Hex("8180") << Units({0x4E90}) << false;
    QTest::newRow("nothing") << QByteArray() << QString() << false;
}

void TestGbkCodec::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(GbkDecode(bytes), text);
}

void TestGbkCodec::decodeInTwoPieces() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, held);
    const QString expected = held ? text.chopped(1) : text;
    for (qsizetype at = 0; at <= bytes.size(); ++at) {
        CGbkDecoder decoder;
        QString got = decoder.decode(QByteArrayView(bytes).first(at));
        got += decoder.decode(QByteArrayView(bytes).sliced(at));
        QVERIFY2(got == expected, qPrintable(QStringLiteral("split at %1").arg(at)));
    }
}

// The receive area starts over after a clear: a lead byte from before must not join the new bytes.
void TestGbkCodec::resetForgetsAHeldLeadByte() {
    CGbkDecoder decoder;
    QCOMPARE(decoder.decode(Hex("41D6")), QStringLiteral("A"));
    decoder.resetState();
    QCOMPARE(decoder.decode(Hex("5D")), QStringLiteral("]")); // D6 5D would be one character
}

void TestGbkCodec::encode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");

    QTest::newRow("two characters") << QStringLiteral("中文") << Hex("D6D0CEC4") << true;
    QTest::newRow("trail byte ]") << QStringLiteral("乚") << Hex("815D") << true;
    QTest::newRow("euro sign") << QStringLiteral("€") << Hex("80") << true;
    QTest::newRow("U+F8F5") << Units({0xF8F5}) << Hex("FF") << true;
    QTest::newRow("ASCII and a question mark") << QStringLiteral("Hi?\r\n") << QByteArray("Hi?\r\n") << true;
    QTest::newRow("a letter GBK lacks") << QStringLiteral("aña") << QByteArray("a?a") << false;
    QTest::newRow("U+0080 is not the euro sign") << Units({0x80}) << QByteArray("?") << false;
    QTest::newRow("zero width space") << Units({u'a', 0x200B, u'b'}) << QByteArray("a?b") << false;
    QTest::newRow("surrogate pair") << Units({u'a', 0xD83D, 0xDE00, u'b'}) << QByteArray("a?b") << false;
    QTest::newRow("lone surrogate at the end") << Units({u'a', 0xD800}) << QByteArray("a?") << false;
    QTest::newRow("lone low surrogate") << Units({0xDC00, u'b'}) << QByteArray("?b") << false;
    QTest::newRow("nothing") << QString() << QByteArray() << true;
}

void TestGbkCodec::encode() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    bool fits = !ok;
    QCOMPARE(GbkEncode(text, &fits), bytes);
    QCOMPARE(fits, ok);
    QCOMPARE(FitsGbk(text), ok);
    if (ok)
        QCOMPARE(GbkDecode(bytes), text);
}

QTEST_APPLESS_MAIN(TestGbkCodec)
#include "tst_gbk_codec.moc"
