// The INI profile: tolerant reading, exact writing, texts that survive the line format.
#include "app/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    void unreadableFileIsNeverWritten_data();
    void unreadableFileIsNeverWritten();
    void textsGbkLacksSwitchTheFileToUtf8();
    void namesThatWouldNotReadBackAreRefused_data();
    void namesThatWouldNotReadBackAreRefused();
    void manyBlankLinesAreKeptAsTheyAre();

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
    // Untouched lines keep their own line ends; added lines end as the first line does.
    const QByteArray before("; head\r\n[Com Port]\nBAUD = 6\nodd line\n\n[Tail]\nx=\xFF\xFE");
    const QString path = Write(before);
    CProfile profile(path);
    QVERIFY(profile.WriteProfileInt(QStringLiteral("Com Port"), QStringLiteral("Baud"), 3));
    profile.WriteProfileInt(QStringLiteral("Com Port"), QStringLiteral("ComPort"), 0);
    profile.WriteProfileString(QStringLiteral("New Section"), QStringLiteral("Key"), QStringLiteral("中"));
    QVERIFY(profile.Flush());
    QCOMPARE(Read(path), QByteArray("; head\r\n[Com Port]\nBAUD=3\nComPort=0\r\nodd line\n\n[Tail]\nx=\xFF\xFE\r\n"
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
    const QString path = Write("\xEF\xBB\xBF[S]\r\nA=\xE4\xB8\xAD\r\n");
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

void TestProfile::unreadableFileIsNeverWritten_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("too big") << "too big";
#ifdef Q_OS_UNIX
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("link to /dev/zero") << "zero";
    if (geteuid() != 0) // root reads it anyway
        QTest::newRow("no permission") << "no permission";
#endif
}

void TestProfile::unreadableFileIsNeverWritten() {
    QFETCH(QString, kind);
    const QString path = m_dir.filePath(kind + QStringLiteral(".ini"));
    const QByteArray content("[Devices]\r\nCom1=/dev/pts/7\r\n");
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "too big") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        QVERIFY(f.resize(CProfile::kMaxFileSize + 1)); // sparse: nothing is really written
#ifdef Q_OS_UNIX
    } else if (kind == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "zero") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else {
        Write(content);
        QVERIFY(QFile::rename(m_dir.filePath(QStringLiteral("p.ini")), path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
#endif
    }
    const QFileInfo before(path);

    CProfile profile(path);
    QCOMPARE(profile.State(), CProfile::LoadState::Unreadable);
    QVERIFY(!profile.LoadError().isEmpty());
    QCOMPARE(profile.GetProfileString(QStringLiteral("Devices"), QStringLiteral("Com1"), QStringLiteral("none")),
             QStringLiteral("none"));
    profile.WriteProfileInt(QStringLiteral("S"), QStringLiteral("K"), 1);
    QString error;
    QVERIFY(!profile.Flush(&error));
    QVERIFY(error.contains(path));

    // Readable again later in the same run: still not written over.
    if (kind == "no permission") {
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(!profile.Reload() || !profile.Flush());
        QCOMPARE(Read(path), content);
    }
    const QFileInfo after(path);
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.size(), before.size());
}

void TestProfile::textsGbkLacksSwitchTheFileToUtf8() {
    const QString path = Write("[Receive]\r\nOld=\xD6\xD0\r\nBad=\x81\r\n");
    const QString lacking = QStringLiteral("/home/ni\u00F1o/\u20AC \U0001F600.txt");
    {
        CProfile profile(path);
        QVERIFY(profile.WriteProfileString(QStringLiteral("Receive"), QStringLiteral("SaveToFile"), lacking));
        QVERIFY(profile.Flush());
    }
    const QByteArray bytes = Read(path);
    // Text that was GBK is now UTF-8; bytes that were never text stay as they were.
    QVERIFY2(bytes.startsWith("\xEF\xBB\xBF[Receive]\r\nOld=\xE4\xB8\xAD\r\nBad=\x81\r\n"), bytes.toHex(' ').constData());
    CProfile again(path);
    QCOMPARE(again.GetProfileString(QStringLiteral("Receive"), QStringLiteral("SaveToFile"), QString()), lacking);
    QCOMPARE(again.GetProfileString(QStringLiteral("Receive"), QStringLiteral("Old"), QString()), QStringLiteral("中"));

    // 乚 is 81 5D in GBK: its trail byte is "]", yet the section name comes back and the file stays GBK.
    const QString odd = QStringLiteral("\u4E5A\u4E5A x");
    const QString gbkPath = Write("[A]\r\nk=1\r\n");
    {
        CProfile profile(gbkPath);
        QVERIFY(profile.WriteProfileString(odd, QStringLiteral("\u4E5A"), QStringLiteral("v\u4E5A")));
        QVERIFY(profile.WriteProfileInt(QStringLiteral("Z"), QStringLiteral("n"), 5));
        QVERIFY(profile.Flush());
    }
    QCOMPARE(Read(gbkPath), QByteArray("[A]\r\nk=1\r\n[\x81\x5D\x81\x5D x]\r\n\x81\x5D=v\x81\x5D\r\n[Z]\r\nn=5\r\n"));
    CProfile gbk(gbkPath);
    QCOMPARE(gbk.GetProfileString(odd, QStringLiteral("\u4E5A"), QString()), QStringLiteral("v\u4E5A"));
    QCOMPARE(gbk.GetProfileInt(QStringLiteral("Z"), QStringLiteral("n"), 0), 5);
}

void TestProfile::namesThatWouldNotReadBackAreRefused_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::newRow("key with =") << "S" << "a=b";
    QTest::newRow("key as comment") << "S" << ";k";
    QTest::newRow("key as section") << "S" << "[k]";
    QTest::newRow("key with blank at end") << "S" << "k ";
    QTest::newRow("key with line break") << "S" << "k\nx";
    QTest::newRow("empty key") << "S" << "";
    QTest::newRow("section with ]") << "a]b" << "k";
    QTest::newRow("empty section") << "" << "k";
}

void TestProfile::namesThatWouldNotReadBackAreRefused() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    const QByteArray before("[S]\r\na=1\r\n");
    const QString path = Write(before);
    CProfile profile(path);
    QVERIFY(!profile.WriteProfileString(section, key, QStringLiteral("v")));
    QVERIFY(!profile.WriteProfileInt(section, key, 2));
    QCOMPARE(profile.GetProfileInt(QStringLiteral("S"), QStringLiteral("a"), 0), 1);
    QVERIFY(profile.Flush());
    QCOMPARE(Read(path), before);
}

void TestProfile::manyBlankLinesAreKeptAsTheyAre() {
    // A file of a million blank lines (LF only) is neither converted nor grown by a save.
    QByteArray before = QByteArray(1 << 20, '\n') + "[S]\nK=1\n";
    const QString path = Write(before);
    CProfile profile(path);
    QCOMPARE(profile.GetProfileInt(QStringLiteral("S"), QStringLiteral("K"), 0), 1);
    profile.WriteProfileInt(QStringLiteral("S"), QStringLiteral("K"), 2);
    QVERIFY(profile.Flush());
    before[before.size() - 2] = '2';
    QCOMPARE(Read(path), before);
}

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
