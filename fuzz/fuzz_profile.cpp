// The profile's read-modify-write round trip on any file.
// Input: three length bytes, then a section name, a key and a value (UTF-8), then the file.
// Properties: a write the profile accepts comes back exactly after a save and a fresh read, and every
// other value it could read before reads the same; a refused write leaves the saved file byte for
// byte as it was; a save never touches what it did not write (a file saved unchanged is identical).

#include "app/profile.h"
#include "fuzz/fuzz_check.h"
#include "terminal/gbk_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <unistd.h>

namespace {

// SERIMO_FUZZ_TMP (scripts/fuzz sets it, and removes it afterwards), else in memory where there is such a
// folder: a save syncs the file to disk, which would make this slow.
QString PathForThisProcess() {
    QString dir = qEnvironmentVariable("SERIMO_FUZZ_TMP");
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    if (dir.isEmpty())
        dir = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("serimo-fuzz-profile-%1.ini").arg(qint64(getpid())));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

bool IsGbkText(const QByteArray& bytes) {
    bool ok = false;
    return GbkEncode(GbkDecode(bytes), &ok) == bytes && ok;
}

QString Take(const std::uint8_t*& data, std::size_t& size, std::size_t n) {
    n = std::min(n, size);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(n));
    data += n;
    size -= n;
    return text;
}

struct Probe {
    QString section, key;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const std::size_t sectionSize = data[0] % 16, keySize = data[1] % 16, valueSize = data[2];
    data += 3;
    size -= 3;
    const QString section = Take(data, size, sectionSize);
    const QString key = Take(data, size, keySize);
    const QString value = Take(data, size, valueSize);
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));

    static const QString path = [] {
        std::atexit([] { QFile::remove(PathForThisProcess()); });
        return PathForThisProcess();
    }();
    WriteFile(path, file);

    // What other values could be read: the window's own keys, and the written key in other places.
    std::vector<Probe> probes = {
        {"Com Port", "ComPort"}, {"Com Port", "Baud"},    {"Receive", "SaveToFile"}, {"Send", "SendData"},
        {"Window", "WindowPositionX"}, {"Devices", "Com1"}, {"Setting", "Recent File Saved"},
        {section, "k"}, {"S", key}, {section + "x", key}, {"A", "b"}, {"a", "B"},
    };
    const auto sameName = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    std::vector<QString> before;
    {
        CProfile profile(path);
        FUZZ_CHECK(profile.State() == CProfile::LoadState::Loaded || file.isEmpty());
        for (const Probe& p : probes)
            before.push_back(profile.GetProfileString(p.section, p.key, QStringLiteral("\x01missing")));

        // Saved without a change, the file stays as it is.
        FUZZ_CHECK(profile.Flush());
        FUZZ_CHECK(ReadFile(path) == file);

        const bool accepted = profile.WriteProfileString(section, key, value);
        FUZZ_CHECK(accepted == (CProfile::IsValidSectionName(section) && CProfile::IsValidKeyName(key)));
        FUZZ_CHECK(profile.Flush());
        if (!accepted) {
            FUZZ_CHECK(ReadFile(path) == file);
            return 0;
        }
        FUZZ_CHECK(profile.GetProfileString(section, key, QString()) == value);
    }

    const QByteArray saved = ReadFile(path);
    CProfile again(path);
    const QString written = again.GetProfileString(section, key, QStringLiteral("\x01missing"));
    if (written != value)
        std::fprintf(stderr, "[%s] %s: wrote \"%s\", read \"%s\"\n", qPrintable(section), qPrintable(key),
                     qPrintable(value), qPrintable(written));
    FUZZ_CHECK(written == value);
    // A file made UTF-8 keeps what was GBK text; bytes that were never text may read differently.
    const bool converted = saved.startsWith("\xEF\xBB\xBF") && !file.startsWith("\xEF\xBB\xBF");
    if (!converted || IsGbkText(file)) {
        for (std::size_t i = 0; i < probes.size(); ++i) {
            if (sameName(probes[i].section, section) && sameName(probes[i].key, key))
                continue;
            const QString after = again.GetProfileString(probes[i].section, probes[i].key, QStringLiteral("\x01missing"));
            if (after != before[i])
                std::fprintf(stderr, "[%s] %s: was \"%s\", now \"%s\"\n", qPrintable(probes[i].section),
                             qPrintable(probes[i].key), qPrintable(before[i]), qPrintable(after));
            FUZZ_CHECK(after == before[i]);
        }
    }
    return 0;
}
