// .cfg files: the format, the failures and their messages, and the two commands around them.
#include "app/profile.h"
#include "card/card_config_file.h"
#include "card/config_file_commands.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_prompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

CardConfigRecord Pattern(int seed) {
    CardConfigRecord r;
    for (std::size_t i = 0; i < r.bytes.size(); ++i)
        r.bytes[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return r;
}

QByteArray Bytes(const CardConfigRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(r.bytes.data()), qsizetype(r.bytes.size()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool RunningAsRoot() {
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

// Runs a test in a folder of its own and puts the process's current folder back afterwards.
struct CCurrentFolder {
    QTemporaryDir dir;
    QString saved = QDir::currentPath();
    CCurrentFolder() { QDir::setCurrent(dir.path()); }
    ~CCurrentFolder() { QDir::setCurrent(saved); }
};

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT

private slots:
    void nameFromLocalTime_data() {
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<QString>("name");
        QTest::newRow("padded") << QDateTime(QDate(2024, 3, 5), QTime(14, 5, 9)) << "2024-03-05 14.05.09.cfg";
        QTest::newRow("last second of a year")
            << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)) << "1999-12-31 23.59.59.cfg";
        QTest::newRow("midnight") << QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0))
                                  << "2026-01-01 00.00.00.cfg";
    }
    void nameFromLocalTime() {
        QFETCH(QDateTime, local);
        QTEST(ConfigFileName(local), "name");
    }

    void loadChecksTheLength_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("result");
        const int wrong = int(ConfigFileResult::WrongLength);
        QTest::newRow("empty") << 0 << wrong;
        QTest::newRow("540") << 540 << wrong;
        QTest::newRow("541") << 541 << int(ConfigFileResult::Ok);
        QTest::newRow("542") << 542 << wrong;
    }
    void loadChecksTheLength() {
        QFETCH(int, size);
        QFETCH(int, result);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.cfg"));
        QByteArray bytes = Bytes(Pattern(5));
        bytes.resize(size, '\x5A');
        WriteFile(path, bytes);

        CardConfigRecord record = Pattern(1);
        QCOMPARE(int(LoadConfigFile(path, record)), result);
        QCOMPARE(Bytes(record), result == int(ConfigFileResult::Ok) ? bytes : Bytes(Pattern(1)));
    }

    void loadRefusesWhatCannotBeOpened_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.cfg";
        QTest::newRow("directory") << "folder.cfg";
        QTest::newRow("unreadable") << "locked.cfg";
    }
    void loadRefusesWhatCannotBeOpened() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("folder.cfg"));
        const QString locked = dir.filePath(QStringLiteral("locked.cfg"));
        WriteFile(locked, Bytes(Pattern(5)));
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        if (name == QLatin1String("locked.cfg") && RunningAsRoot())
            QSKIP("root reads every file");

        CardConfigRecord record = Pattern(1);
        const ConfigFileResult result = LoadConfigFile(dir.filePath(name), record);
        QCOMPARE(int(result), int(ConfigFileResult::CannotOpen));
        QCOMPARE(ConfigFileMessage(result), QStringLiteral("文件无法打开!"));
        QCOMPARE(Bytes(record), Bytes(Pattern(1)));
    }

    void saveWritesTheRecordForItsOwnerOnly() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.cfg"));
        WriteFile(path, QByteArray(900, 'x')); // an older, longer file of the same name
        QFile::setPermissions(path,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);

        QCOMPARE(int(SaveConfigFile(Pattern(7), path)), int(ConfigFileResult::Ok));
        QCOMPARE(ReadFile(path), Bytes(Pattern(7)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.cfg")});
#ifdef Q_OS_UNIX
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
#endif
        CardConfigRecord back;
        QCOMPARE(int(LoadConfigFile(path, back)), int(ConfigFileResult::Ok));
        QCOMPARE(Bytes(back), Bytes(Pattern(7)));
    }

    // A failed write leaves neither a part of the new file nor a temporary one, and the old file
    // (if any) as it was.
    void failedSaveLeavesNoFile_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("folder in the way") << "blocked";
        QTest::newRow("missing folder") << "missing";
#ifdef Q_OS_LINUX
        QTest::newRow("read-only file system") << "/proc"; // refused even to root
#endif
    }
    void failedSaveLeavesNoFile() {
        QFETCH(QString, where);
        QTemporaryDir dir;
        QDir top(dir.path());
        top.mkpath(QStringLiteral("readonly"));
        top.mkpath(QStringLiteral("blocked/a.cfg"));
        QFile::setPermissions(dir.filePath(QStringLiteral("readonly")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (where == QLatin1String("readonly") && RunningAsRoot())
            QSKIP("root writes into read-only folders");

        const QString path = QDir(dir.path()).absoluteFilePath(where + QStringLiteral("/a.cfg"));
        const ConfigFileResult result = SaveConfigFile(Pattern(7), path);
        QFile::setPermissions(dir.filePath(QStringLiteral("readonly")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(int(result), int(ConfigFileResult::CannotCreate));
        QCOMPARE(ConfigFileMessage(result), QStringLiteral("文件建立失败!"));
        if (where == QLatin1String("readonly") || where == QLatin1String("blocked"))
            QCOMPARE(QDir(dir.filePath(where)).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(!QFileInfo(path).isFile());
    }

    // Two saves within one second make the same name; the second replaces the first, and the profile
    // file (not just the profile in memory) names it.
    void saveCommandNamesTheFileInTheProfile() {
        CCurrentFolder folder;
        const QString iniPath = folder.dir.filePath(QStringLiteral("serimo.ini"));
        WriteFile(iniPath, "[Com Port]\r\nBaud=5\r\n");
        CProfile profile(iniPath);
        CFakePrompts prompts;
        CFakeClock clock;

        QVERIFY(SaveConfigurationToFile(Pattern(1), prompts, &profile, clock));
        QVERIFY(SaveConfigurationToFile(Pattern(2), prompts, &profile, clock));
        QVERIFY2(prompts.messages.empty(), qPrintable(prompts.Texts().join('|')));
        QCOMPARE(QDir(folder.dir.path()).entryList({QStringLiteral("*.cfg")}),
                 QStringList{QStringLiteral("2024-03-05 14.05.09.cfg")});
        QCOMPARE(ReadFile(folder.dir.filePath(QStringLiteral("2024-03-05 14.05.09.cfg"))), Bytes(Pattern(2)));
        CProfile reread(iniPath);
        QCOMPARE(reread.GetProfileString(QStringLiteral("Setting"), QStringLiteral("Recent File Saved"),
                                         QString()),
                 QStringLiteral("2024-03-05 14.05.09.cfg"));
        QCOMPARE(reread.GetProfileInt(QStringLiteral("Com Port"), QStringLiteral("Baud"), 0), 5);
    }

    void failedSaveCommandLeavesTheProfile() {
        CCurrentFolder folder;
        const QString iniPath = folder.dir.filePath(QStringLiteral("serimo.ini"));
        WriteFile(iniPath, "[Setting]\r\nRecent File Saved=old.cfg\r\n");
        QDir(folder.dir.path()).mkdir(QStringLiteral("2024-03-05 14.05.09.cfg"));
        CProfile profile(iniPath);
        CFakePrompts prompts;
        CFakeClock clock;

        QVERIFY(!SaveConfigurationToFile(Pattern(1), prompts, &profile, clock));
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("文件建立失败!")});
        QCOMPARE(ReadFile(iniPath), QByteArray("[Setting]\r\nRecent File Saved=old.cfg\r\n"));
        QCOMPARE(profile.GetProfileString(QStringLiteral("Setting"), QStringLiteral("Recent File Saved"),
                                          QString()),
                 QStringLiteral("old.cfg"));
    }

    void restoreCommand_data() {
        QTest::addColumn<QString>("answer"); // relative to the folder; null = cancel
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("good file") << "sub/b.cfg" << 541 << QStringList() << true;
        QTest::newRow("cancel") << QString() << 541 << QStringList() << false;
        QTest::newRow("short file") << "sub/b.cfg" << 540 << QStringList{QStringLiteral("文件长度不对!")}
                                    << false;
        QTest::newRow("directory") << "sub" << 541 << QStringList{QStringLiteral("文件无法打开!")} << false;
    }
    void restoreCommand() {
        QFETCH(QString, answer);
        QFETCH(int, size);
        QFETCH(QStringList, messages);
        QFETCH(bool, replaced);
        CCurrentFolder folder;
        QDir(folder.dir.path()).mkdir(QStringLiteral("sub"));
        QByteArray bytes = Bytes(Pattern(9));
        bytes.resize(size);
        WriteFile(folder.dir.filePath(QStringLiteral("sub/b.cfg")), bytes);
        const QString iniPath = folder.dir.filePath(QStringLiteral("serimo.ini"));
        WriteFile(iniPath, "[Setting]\r\nRecent File Saved=2024-03-05 14.05.09.cfg\r\n");
        CProfile profile(iniPath);
        CFakePrompts prompts;
        prompts.chooserAnswers.push_back(answer.isNull() ? QString() : folder.dir.filePath(answer));

        CardConfigRecord record = Pattern(1);
        QCOMPARE(RestoreConfigurationFromFile(record, prompts, &profile), replaced);
        QCOMPARE(prompts.Texts(), messages);
        QCOMPARE(Bytes(record), replaced ? bytes : Bytes(Pattern(1)));
        QCOMPARE(prompts.waitCursorDepth, 0);
        QCOMPARE(prompts.choosers.size(), std::size_t(1));
        QCOMPARE(prompts.choosers[0].start, folder.dir.filePath(QStringLiteral("2024-03-05 14.05.09.cfg")));
        QCOMPARE(prompts.choosers[0].filter, QStringLiteral("S24 Card Config Files(*.cfg)|*.cfg||"));
        QVERIFY(prompts.choosers[0].mustExist);
        // A chosen file's folder is where the next save lands.
        const QString expectedFolder =
            answer.isNull() ? folder.dir.path() : QFileInfo(folder.dir.filePath(answer)).absolutePath();
        QCOMPARE(QFileInfo(QDir::currentPath()).canonicalFilePath(),
                 QFileInfo(expectedFolder).canonicalFilePath());
        QCOMPARE(ReadFile(iniPath), QByteArray("[Setting]\r\nRecent File Saved=2024-03-05 14.05.09.cfg\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_config_file.moc"
