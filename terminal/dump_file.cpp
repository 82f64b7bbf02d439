#include "terminal/dump_file.h"

#include <cerrno>

bool CDumpFile::Open() {
    if (m_file.fileName().isEmpty() || !m_file.open(QIODevice::WriteOnly)) {
        m_failed = true;
        return false;
    }
    return true;
}

void CDumpFile::Fail(int code) {
    // QSaveFile reports a failed buffered write as "Unknown error"; errno still holds the reason.
    if (!m_failed)
        m_error = code != 0 ? qt_error_string(code) : m_file.errorString();
    m_failed = true;
}

void CDumpFile::Write(const std::uint8_t* bytes, std::size_t n) {
    if (m_failed || n == 0)
        return;
    const auto size = static_cast<qint64>(n);
    errno = 0;
    if (m_file.write(reinterpret_cast<const char*>(bytes), size) != size)
        Fail(errno);
    m_size += n;
}

void CDumpFile::Rewind(std::uint64_t size) {
    if (m_failed || size >= m_size)
        return;
    if (!m_file.seek(static_cast<qint64>(size)))
        Fail(0);
    m_size = size;
}

bool CDumpFile::Commit() {
    // QSaveFile does not notice a failed write of its last buffered bytes when it closes.
    if (!m_failed && m_file.isOpen() && !m_file.flush())
        Fail(0);
    if (!m_failed && m_file.isOpen() && m_file.size() > static_cast<qint64>(m_size) &&
        !m_file.resize(static_cast<qint64>(m_size)))
        Fail(0);
    if (m_failed) {
        m_file.cancelWriting();
        if (m_file.isOpen())
            m_file.commit(); // discards the temporary file
        return false;
    }
    return m_file.commit();
}
