// The profile's file on disk: found in the user's configuration folder, read only when it is safe to
// (a regular file of sensible size), and written whole or not at all.
#include "app/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

} // namespace

QString CProfile::DefaultPath() {
    QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("serimo");
#ifdef Q_OS_WIN
    // Where Windows programs keep a person's settings, %APPDATA%\Serimo; XDG_CONFIG_HOME still moves
    // it when set, as everywhere (tests, a settings folder carried on a stick).
    if (const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME"); !xdg.isEmpty())
        return QDir(xdg).filePath(base + QStringLiteral(".ini"));
    if (const QString appData = qEnvironmentVariable("APPDATA"); !appData.isEmpty())
        return QDir(appData).filePath(QStringLiteral("Serimo/") + base + QStringLiteral(".ini"));
#endif
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return QDir(dir).filePath(base + QStringLiteral(".ini"));
}

bool CProfile::Reload() {
    m_lines.clear();
    m_edited.clear();
    m_data.clear();
    m_utf8 = false;
    m_eol = "\r\n";
    m_state = LoadState::Missing;
    m_loadError.clear();

    const auto fail = [this](const QString& reason) {
        m_state = LoadState::Unreadable;
        m_loadError = reason;
        m_bReadFailed = true;
        return false;
    };
    const QString tooBig = QStringLiteral("larger than %1 MiB").arg(kMaxFileSize / (1024 * 1024));

    const QFileInfo info(m_path);
    if (!info.exists())
        return true; // a dangling link as well: saving makes the file
    // A FIFO would block the open for ever, a device could be read for ever.
    if (!info.isFile())
        return fail(QStringLiteral("not a regular file"));

    QFile file;
#ifdef Q_OS_UNIX
    // Checked again on the open file, which may have been replaced meanwhile; O_NONBLOCK keeps the
    // open of a FIFO from waiting for a writer.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a regular file"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
#else
    file.setFileName(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
#endif
    const qint64 size = file.size();
    if (size > kMaxFileSize)
        return fail(tooBig);
    // One byte more than expected, to notice a file that grows while it is read.
    QByteArray data(qsizetype(size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == data.size()) {
            if (data.size() > kMaxFileSize)
                return fail(tooBig);
            data.resize(std::min<qsizetype>(data.size() * 2, kMaxFileSize + 1));
        }
        const qint64 n = file.read(data.data() + got, data.size() - got);
        if (n < 0)
            return fail(file.errorString());
        if (n == 0)
            break;
        got += qsizetype(n);
    }
    data.resize(got);
    if (data.startsWith(kUtf8Bom)) {
        m_utf8 = true;
        data.remove(0, kUtf8Bom.size());
    }
    m_data = std::move(data);
    m_state = LoadState::Loaded;

    ParseAll();
    return true;
}

QByteArray CProfile::Serialize() const {
    QByteArray bytes;
    qsizetype total = 0;
    for (const Line& line : m_lines)
        total += qsizetype(line.size) + m_eol.size();
    bytes.reserve(total);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const QByteArrayView line = Bytes(m_lines[i]);
        bytes += line;
        // The last line may end without a line end (or with a lone CR, read as one); a line written
        // after it needs one.
        if (!line.endsWith('\n') && i + 1 < m_lines.size())
            bytes += line.endsWith('\r') ? QByteArray("\n") : m_eol;
    }
    return bytes;
}

bool CProfile::Flush(QString* error) {
    if (m_bReadFailed) {
        if (error)
            *error = QStringLiteral("%1: not written, because it could not be read").arg(m_path);
        return false;
    }
    QByteArray bytes;
    if (m_utf8)
        bytes += kUtf8Bom;
    bytes += Serialize();
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("%1: cannot create the folder").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}
