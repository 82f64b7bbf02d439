// .cfg files: the format, the failures and their messages; a failed save leaves the profile alone.
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

// Whether taking a permission away stops this process: root passes every check, and on Windows
// setPermissions only sets the read-only attribute, which leaves a file readable and a folder writable.
bool PermissionsBind() {
#ifdef Q_OS_UNIX
    return ::geteuid() != 0;
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
    // Only a 541-byte file is taken; anything else leaves the record as it was.
    void load_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("message");
        const QString wrong = QStringLiteral("文件长度不对!"), cannot = QStringLiteral("文件无法打开!");
        QTest::newRow("empty") << "a.cfg" << 0 << wrong;
        QTest::newRow("540") << "a.cfg" << 540 << wrong;
        QTest::newRow("541") << "a.cfg" << 541 << QString();
        QTest::newRow("542") << "a.cfg" << 542 << wrong;
        QTest::newRow("missing") << "missing.cfg" << 541 << cannot;
        QTest::newRow("directory") << "folder.cfg" << 541 << cannot;
        QTest::newRow("unreadable") << "locked.cfg" << 541 << cannot;
    }
    void load() {
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(QString, message);
        if (name == QLatin1String("locked.cfg") && !PermissionsBind())
            QSKIP("nothing makes a file unreadable to this process (root, or Windows)");
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("folder.cfg"));
        QByteArray bytes = Bytes(Pattern(5));
        bytes.resize(size, '\x5A');
        WriteFile(dir.filePath(QStringLiteral("a.cfg")), bytes);
        WriteFile(dir.filePath(QStringLiteral("locked.cfg")), bytes);
        QFile::setPermissions(dir.filePath(QStringLiteral("locked.cfg")), QFileDevice::WriteOwner);

        CardConfigRecord record = Pattern(1);
        QCOMPARE(ConfigFileMessage(LoadConfigFile(dir.filePath(name), record)), message);
        QCOMPARE(Bytes(record), message.isEmpty() ? bytes : Bytes(Pattern(1)));
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
        if (where == QLatin1String("readonly") && !PermissionsBind())
            QSKIP("nothing makes a folder read-only to this process (root, or Windows)");

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
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_config_file.moc"
