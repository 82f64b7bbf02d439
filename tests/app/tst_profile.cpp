// The INI profile: tolerant reading, exact writing, texts that survive the line format.
#include "app/profile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

class TestProfile : public QObject {
    Q_OBJECT

private slots:
    void readsTolerantly_data();
    void readsTolerantly();
    void integers_data();
    void integers();
    void writesInPlaceAndKeepsEverythingElse();
    void textEncodingRoundTrip_data();
    void textEncodingRoundTrip();
    void utf8FileStaysUtf8();
    void flushCreatesFolderAndFailsCleanly();

private:
    QString Write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("p.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir m_dir;
};

void TestProfile::readsTolerantly_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");
    const QString value = QStringLiteral("Com3");
    QTest::newRow("crlf") << QByteArray("[Devices]\r\nCom1=Com3\r\n") << value;
    QTest::newRow("lf only") << QByteArray("[Devices]\nCom1=Com3\n") << value;
    QTest::newRow("no final line end") << QByteArray("[Devices]\nCom1=Com3") << value;
    QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF[Devices]\nCom1=Com3\n") << value;
    QTest::newRow("blanks and comments") << QByteArray("\n; a comment\n# another\n  [ Devices ]  \n\n  Com1 =  Com3  \n") << value;
    QTest::newRow("any case") << QByteArray("[DEVICES]\ncom1=Com3\n") << value;
    QTest::newRow("first section counts") << QByteArray("[Devices]\nCom1=Com3\n[Devices]\nCom1=other\n") << value;
    QTest::newRow("equals in value") << QByteArray("[Devices]\nCom1=a=b\n") << QStringLiteral("a=b");
    QTest::newRow("gbk value") << QByteArray("[Devices]\nCom1=\xD6\xD0\n") << QStringLiteral("中");
    QTest::newRow("missing") << QByteArray("[Other]\nCom1=x\n") << QStringLiteral("default");
    QTest::newRow("line without equals") << QByteArray("[Devices]\nCom1\n") << QStringLiteral("default");
}

void TestProfile::readsTolerantly() {
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    CProfile profile(Write(file));
    QCOMPARE(profile.GetProfileString(QStringLiteral("Devices"), QStringLiteral("Com1"), QStringLiteral("default")), expected);
}

void TestProfile::integers_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << QByteArray("42") << 42;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("plus") << QByteArray("+7") << 7;
    QTest::newRow("trailing text") << QByteArray("12abc") << 12;
    QTest::newRow("not a number") << QByteArray("abc") << 5;
    QTest::newRow("empty") << QByteArray("") << 5;
    QTest::newRow("too large") << QByteArray("99999999999") << 5;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483647 - 1);
}

void TestProfile::integers() {
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    CProfile profile(Write("[S]\nK=" + stored + "\n"));
    QCOMPARE(profile.GetProfileInt(QStringLiteral("S"), QStringLiteral("K"), 5), expected);
}

void TestProfile::writesInPlaceAndKeepsEverythingElse() {
    const QByteArray before("; head\n[Com Port]\nBAUD = 6\nodd line\n\n[Tail]\nx=\xFF\xFE\n");
    const QString path = Write(before);
    CProfile profile(path);
    profile.WriteProfileInt(QStringLiteral("Com Port"), QStringLiteral("Baud"), 3);
    profile.WriteProfileInt(QStringLiteral("Com Port"), QStringLiteral("ComPort"), 0);
    profile.WriteProfileString(QStringLiteral("New Section"), QStringLiteral("Key"), QStringLiteral("中"));
    QVERIFY(profile.Flush());
    QCOMPARE(Read(path), QByteArray("; head\r\n[Com Port]\r\nBAUD=3\r\nComPort=0\r\nodd line\r\n\r\n[Tail]\r\nx=\xFF\xFE\r\n"
                                    "[New Section]\r\nKey=\xD6\xD0\r\n"));
}

void TestProfile::textEncodingRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain") << "abc def" << "abc def";
    QTest::newRow("backslashes") << "C:\\temp\\save.txt" << "C:\\temp\\save.txt";
    QTest::newRow("inner quote") << "a\"b" << "a\"b";
    QTest::newRow("crlf") << "a\r\nb" << "\"a\\r\\nb\"";
    QTest::newRow("lf") << "a\nb" << "\"a\\nb\"";
    QTest::newRow("tab inside lines") << "a\tb\nc\\" << "\"a\\tb\\nc\\\\\"";
    QTest::newRow("leading blank") << " x" << "\" x\"";
    QTest::newRow("whole quoted") << "\"x\"" << "\"\\\"x\\\"\"";
    QTest::newRow("lone quote") << "\"" << "\"";
}

void TestProfile::textEncodingRoundTrip() {
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QCOMPARE(CProfile::EncodeText(text), stored);
    QCOMPARE(CProfile::DecodeText(stored), text);
}

void TestProfile::utf8FileStaysUtf8() {
    const QString path = Write("\xEF\xBB\xBF[S]\nA=\xE4\xB8\xAD\n");
    CProfile profile(path);
    QCOMPARE(profile.GetProfileString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("中"));
    profile.WriteProfileString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("文"));
    QVERIFY(profile.Flush());
    QCOMPARE(Read(path), QByteArray("\xEF\xBB\xBF[S]\r\nA=\xE4\xB8\xAD\r\nB=\xE6\x96\x87\r\n"));
}

void TestProfile::flushCreatesFolderAndFailsCleanly() {
    const QString nested = m_dir.filePath(QStringLiteral("a/b/serimo.ini"));
    CProfile profile(nested);
    profile.WriteProfileInt(QStringLiteral("S"), QStringLiteral("K"), 1);
    QVERIFY(profile.Flush());
    QCOMPARE(Read(nested), QByteArray("[S]\r\nK=1\r\n"));

    // A path whose folder is a file cannot be written; the error names it.
    const QString blocker = Write("x");
    CProfile bad(blocker + QStringLiteral("/serimo.ini"));
    bad.WriteProfileInt(QStringLiteral("S"), QStringLiteral("K"), 1);
    QString error;
    QVERIFY(!bad.Flush(&error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(Read(blocker), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
